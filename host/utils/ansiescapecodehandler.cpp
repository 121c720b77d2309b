#include "ansiescapecodehandler.h"

#include <QColor>

namespace Utils {

namespace {

const QChar escape(0x1b);

QColor ansiColor(int code, bool bright)
{
    static const QColor normal[] = {Qt::black, Qt::darkRed, Qt::darkGreen, Qt::darkYellow,
                                    Qt::darkBlue, Qt::darkMagenta, Qt::darkCyan, Qt::lightGray};
    static const QColor light[] = {Qt::darkGray, Qt::red, Qt::green, Qt::yellow,
                                   Qt::blue, Qt::magenta, Qt::cyan, Qt::white};
    return bright ? light[code] : normal[code];
}

void applySgr(const QString &parameters, QTextCharFormat &format, const QTextCharFormat &base)
{
    const QStringList codes = parameters.split(QLatin1Char(';'));
    for (const QString &text : codes) {
        const int code = text.isEmpty() ? 0 : text.toInt();
        if (code == 0)
            format = base;
        else if (code == 1)
            format.setFontWeight(QFont::Bold);
        else if (code == 22)
            format.setFontWeight(base.fontWeight());
        else if (code >= 30 && code <= 37)
            format.setForeground(ansiColor(code - 30, false));
        else if (code == 39)
            format.setForeground(base.foreground());
        else if (code >= 40 && code <= 47)
            format.setBackground(ansiColor(code - 40, false));
        else if (code == 49)
            format.setBackground(base.background());
        else if (code >= 90 && code <= 97)
            format.setForeground(ansiColor(code - 90, true));
    }
}

} // namespace

QList<FormattedText> AnsiEscapeCodeHandler::parseText(const FormattedText &input)
{
    QList<FormattedText> chunks;
    QTextCharFormat format = m_previousFormatClosed ? input.format : m_previousFormat;
    const QString text = m_pendingText + input.text;
    m_pendingText.clear();

    QString chunk;
    const auto flush = [&] {
        if (!chunk.isEmpty())
            chunks.append(FormattedText(chunk, format));
        chunk.clear();
    };
    int i = 0;
    while (i < text.size()) {
        if (text.at(i) != escape) {
            chunk.append(text.at(i++));
            continue;
        }
        if (i + 1 >= text.size()) {
            m_pendingText = text.mid(i);
            break;
        }
        const QChar kind = text.at(i + 1);
        if (kind == QLatin1Char('[')) {
            // CSI: parameters, then one final byte in the range @ to ~.
            int end = i + 2;
            while (end < text.size() && !(text.at(end) >= QLatin1Char('@') && text.at(end) <= QLatin1Char('~')))
                ++end;
            if (end >= text.size()) {
                m_pendingText = text.mid(i);
                break;
            }
            if (text.at(end) == QLatin1Char('m')) {
                flush();
                applySgr(text.mid(i + 2, end - i - 2), format, input.format);
            }
            i = end + 1;
        } else if (kind == QLatin1Char(']')) {
            // OSC, ended by BEL or by ESC backslash.
            int end = i + 2;
            int after = -1;
            for (; end < text.size(); ++end) {
                if (text.at(end) == QChar(0x07)) {
                    after = end + 1;
                    break;
                }
                if (text.at(end) == escape && end + 1 < text.size() && text.at(end + 1) == QLatin1Char('\\')) {
                    after = end + 2;
                    break;
                }
            }
            if (after < 0) {
                m_pendingText = text.mid(i);
                break;
            }
            i = after;
        } else {
            i += 2; // a two-character sequence
        }
    }
    flush();
    m_previousFormat = format;
    m_previousFormatClosed = false;
    return chunks;
}

void AnsiEscapeCodeHandler::endFormatScope()
{
    m_previousFormatClosed = true;
}

} // namespace Utils
