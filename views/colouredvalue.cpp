#include "colouredvalue.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTextDocument>

namespace KorvanDebugger {
namespace Internal {

namespace {
const QChar structureMark(0x200A);
const QChar listItemMark(0x2009);
const QChar hiddenStart(0x226A);
const QChar hiddenEnd(0x226B);
const QChar noDirectionMark(0x00B7);
const QChar directionMarks[] = {QChar(0x21E5), QChar(0x21A6), QChar(0x21F9)};
const QString blueFont = QStringLiteral("<font color=\"#00F\">%1");

// The debuggee's text must not become markup; quotes are kept, the list end
// is found by them.
QString escapeMarkup(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('<'))
            escaped += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            escaped += QLatin1String("&gt;");
        else if (c == QLatin1Char('&'))
            escaped += QLatin1String("&amp;");
        else
            escaped += c;
    }
    return escaped;
}
} // namespace

const QRegularExpression &hiddenSegmentPattern()
{
    static const QRegularExpression hidden(QString(hiddenStart) + QLatin1String("([^") + hiddenEnd
                                           + QLatin1String("]*)") + hiddenEnd);
    return hidden;
}

bool hasValueMarks(const QString &text)
{
    return text.contains(structureMark);
}

QString markedValueHtml(const QString &text, bool selected)
{
    QString shown = text;
    shown.remove(hiddenSegmentPattern());
    QString html = (selected ? QLatin1String("<font color=\"#FD0\">") : QLatin1String("<font color=\"#D80\">"))
        + escapeMarkup(shown);
    const int first = html.indexOf(structureMark);
    if (first >= 0)
        html.replace(first, 1, QLatin1String("</font>"));
    for (const QChar mark : directionMarks)
        html.replace(mark, blueFont.arg(mark));
    html.replace(noDirectionMark, blueFont.arg(QLatin1Char('.')));
    html.replace(QString(structureMark) + QLatin1Char('('), QLatin1String("</font>(<font color=\"#808\">"));
    html.replace(QLatin1String("),") + listItemMark, QLatin1String("</font>),"));
    if (html.endsWith(QLatin1String("))\"")))
        html.replace(html.size() - 3, 1, QLatin1String("</font>)"));
    else if (html.endsWith(QLatin1String(")\"")))
        html.replace(html.size() - 2, 1, QLatin1String("</font>)"));
    return html;
}

QString watchCellHtml(const QString &text, bool selected)
{
    return hasValueMarks(text) ? markedValueHtml(text, selected) : QString();
}

QString shownValueText(const QString &text)
{
    const QString html = watchCellHtml(text, false);
    if (html.isEmpty())
        return text;
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

void drawHtmlDisplay(QPainter *painter, const QStyleOptionViewItem &option, const QRect &rect,
                     QTextDocument *document)
{
    QPalette::ColorGroup group = QPalette::Disabled;
    if (option.state & QStyle::State_Enabled)
        group = (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;

    QAbstractTextDocumentLayout::PaintContext context;
    context.cursorPosition = -1;
    context.palette = QPalette();
    context.clip = QRectF();
    if (option.state & QStyle::State_Selected) {
        painter->fillRect(rect, option.palette.brush(group, QPalette::Highlight));
        painter->setPen(option.palette.brush(group, QPalette::HighlightedText).color());
        context.palette.setBrush(QPalette::Text,
                                 QBrush(option.palette.brush(QPalette::Active, QPalette::HighlightedText).color()));
    } else {
        const QColor text = option.palette.brush(group, QPalette::Text).color();
        painter->setPen(text);
        context.palette.setBrush(QPalette::Text, QBrush(text));
    }

    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QRect textRect = rect.adjusted(margin, 0, -margin, 0);
    const QRect target = QStyle::alignedRect(option.direction, option.displayAlignment,
                                             document->size().toSize(), textRect);
    painter->save();
    // A document wider than its cell is cut at the cell's edge, never drawn
    // over the next column.
    painter->setClipRect(target.intersected(option.rect), Qt::IntersectClip);
    painter->translate(target.topLeft());
    document->documentLayout()->draw(painter, context);
    painter->restore();
}

} // namespace Internal
} // namespace KorvanDebugger
