#pragma once

// The stack model of the IDE's debugger: one row per frame, five columns
// (level, function, file, line, address).

#include <QStandardItemModel>
#include <QVector>

namespace Debugger {
namespace Internal {

class GdbMi;

struct StackFrame
{
    int level = -1;
    QString function;
    QString file;
    int line = 0;
    quint64 address = 0;
    bool usable = false; // the source file exists
    QString context;     // "file:line" of the frame
};

class StackHandler : public QObject
{
    Q_OBJECT
public:
    explicit StackHandler(QObject *parent = nullptr);

    QStandardItemModel *model() const { return m_model; }
    // The frames of a "-stack-list-frames" answer ("stack" child).
    void setFramesFromMi(const GdbMi &stack);
    void setFrames(const QVector<StackFrame> &frames);
    void removeAll();

    QVector<StackFrame> frames() const { return m_frames; }
    int stackSize() const { return m_frames.size(); }
    int currentIndex() const { return m_currentIndex; }
    void setCurrentIndex(int index);
    StackFrame currentFrame() const;

signals:
    void stackChanged();
    void currentIndexChanged();

private:
    QStandardItemModel *m_model;
    QVector<StackFrame> m_frames;
    int m_currentIndex = -1;
};

} // namespace Internal
} // namespace Debugger
