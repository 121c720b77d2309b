#pragma once

// The small red button an editor row shows when the generated printers
// reported an error for its input: a click drops down the error as rich
// text. Hidden until the first tip; hiding it again is left to its owner.

#include <QToolButton>

namespace KorvanDebugger {
namespace Configuration {

class TipButton : public QToolButton
{
public:
    explicit TipButton(QWidget *parent);

    // Replaces the popup by a new one that shows the HTML, and shows the
    // button.
    void setTip(const QString &html);
};

} // namespace Configuration
} // namespace KorvanDebugger
