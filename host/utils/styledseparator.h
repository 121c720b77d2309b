#pragma once

// Stand-in for the IDE's tool-bar separator: a thin vertical line.

#include <QFrame>

namespace Utils {

class StyledSeparator : public QFrame
{
    Q_OBJECT
public:
    explicit StyledSeparator(QWidget *parent = nullptr) : QFrame(parent)
    {
        setFrameShape(QFrame::VLine);
        setFrameShadow(QFrame::Sunken);
        setFixedWidth(6);
    }
};

} // namespace Utils
