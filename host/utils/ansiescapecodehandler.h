#pragma once

// Stand-in for the IDE's ANSI escape handler: splits program output into
// chunks of text with the character format its SGR sequences select.
// Other escape sequences (cursor movement, OSC hyperlinks) are dropped.

#include <QList>
#include <QTextCharFormat>

namespace Utils {

class FormattedText
{
public:
    FormattedText() = default;
    FormattedText(const QString &txt, const QTextCharFormat &fmt = QTextCharFormat()) : text(txt), format(fmt) {}

    QString text;
    QTextCharFormat format;
};

class AnsiEscapeCodeHandler
{
public:
    QList<FormattedText> parseText(const FormattedText &input);
    void endFormatScope();

private:
    QTextCharFormat m_previousFormat;
    bool m_previousFormatClosed = true;
    QString m_pendingText; // an escape sequence cut by the end of the input
};

} // namespace Utils
