#pragma once

// Value texts that the printers mark with invisible characters (a leading
// name, a parenthesised port list, port directions, hidden object pointers)
// shown as coloured HTML.

#include <QString>

QT_BEGIN_NAMESPACE
class QPainter;
class QRect;
class QRegularExpression;
class QStyleOptionViewItem;
class QTextDocument;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Internal {

// A hidden segment with its marks: U+226A, text without U+226B, U+226B.
// One pattern for the watch and the stack view.
const QRegularExpression &hiddenSegmentPattern();
// Whether a value text carries the printers' structure marks (U+200A).
bool hasValueMarks(const QString &text);
// The HTML of a marked value text: the leading part in "#D80" ("#FD0" when
// selected), the list in "#808", direction marks in "#00F", hidden segments
// left out. The text itself is HTML-escaped.
QString markedValueHtml(const QString &text, bool selected);

// The HTML a watch cell paints for its display text; empty for a text
// without marks, which is painted plainly.
QString watchCellHtml(const QString &text, bool selected);
// The text a watch cell shows for its display text: the plain text of its
// HTML (hidden segments and marks left out), or the text itself.
QString shownValueText(const QString &text);

// Paints a document as the display text of a cell.
void drawHtmlDisplay(QPainter *painter, const QStyleOptionViewItem &option, const QRect &rect,
                     QTextDocument *document);

} // namespace Internal
} // namespace KorvanDebugger
