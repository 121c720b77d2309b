#include "Icons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace CPlusPlus {
namespace Icons {

namespace {

QIcon badge(QChar letter, const QColor &colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(letter));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon iconForType(IconType type)
{
    // Painted once per kind; QIcon shares the pixmap.
    static QHash<int, QIcon> cache;
    const auto cached = cache.constFind(type);
    if (cached != cache.constEnd())
        return *cached;
    QIcon icon;
    switch (type) {
    case ClassIconType: icon = badge(QLatin1Char('C'), QColor(0x2e, 0x6f, 0xb5)); break;
    case StructIconType: icon = badge(QLatin1Char('S'), QColor(0x2e, 0x8f, 0x7a)); break;
    case EnumIconType: icon = badge(QLatin1Char('E'), QColor(0xc2, 0x7c, 0x0e)); break;
    case EnumeratorIconType: icon = badge(QLatin1Char('e'), QColor(0xc2, 0x7c, 0x0e)); break;
    case NamespaceIconType: icon = badge(QLatin1Char('N'), QColor(0x6b, 0x6b, 0x6b)); break;
    case MacroIconType: icon = badge(QLatin1Char('#'), QColor(0x8a, 0x3f, 0xa0)); break;
    case UnknownIconType: icon = badge(QLatin1Char('?'), QColor(0x9e, 0x9e, 0x9e)); break;
    }
    cache.insert(type, icon);
    return icon;
}

} // namespace Icons
} // namespace CPlusPlus
