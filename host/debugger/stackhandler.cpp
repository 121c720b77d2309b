#include "stackhandler.h"

#include <protocol/gdbmi.h>

#include <QFileInfo>

namespace Debugger {
namespace Internal {

StackHandler::StackHandler(QObject *parent)
    : QObject(parent)
    , m_model(new QStandardItemModel(0, 5, this))
{
    m_model->setHorizontalHeaderLabels({tr("Level"), tr("Function"), tr("File"), tr("Line"), tr("Address")});
}

void StackHandler::setFramesFromMi(const GdbMi &stack)
{
    QVector<StackFrame> frames;
    for (const GdbMi &entry : stack) {
        const GdbMi &frame = entry.name() == "frame" || entry["level"].isValid() ? entry : entry["frame"];
        StackFrame f;
        f.level = frame["level"].data().toInt();
        f.function = QString::fromUtf8(frame["func"].data());
        f.file = QString::fromUtf8(frame["fullname"].isValid() ? frame["fullname"].data() : frame["file"].data());
        f.line = frame["line"].data().toInt();
        f.address = frame["addr"].toAddress();
        f.usable = !f.file.isEmpty() && QFileInfo::exists(f.file);
        if (!f.file.isEmpty())
            f.context = f.file + QLatin1Char(':') + QString::number(f.line);
        frames.append(f);
    }
    setFrames(frames);
}

void StackHandler::setFrames(const QVector<StackFrame> &frames)
{
    m_frames = frames;
    m_model->removeRows(0, m_model->rowCount());
    for (const StackFrame &f : frames) {
        QList<QStandardItem *> row{new QStandardItem(QString::number(f.level)), new QStandardItem(f.function),
                                   new QStandardItem(f.file),
                                   new QStandardItem(f.line > 0 ? QString::number(f.line) : QString()),
                                   new QStandardItem(QStringLiteral("0x") + QString::number(f.address, 16))};
        for (QStandardItem *cell : row)
            cell->setEditable(false);
        m_model->appendRow(row);
    }
    m_currentIndex = frames.isEmpty() ? -1 : 0;
    emit stackChanged();
}

void StackHandler::removeAll()
{
    setFrames({});
}

void StackHandler::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_frames.size() || index == m_currentIndex)
        return;
    m_currentIndex = index;
    emit currentIndexChanged();
}

StackFrame StackHandler::currentFrame() const
{
    return m_currentIndex >= 0 ? m_frames.at(m_currentIndex) : StackFrame();
}

} // namespace Internal
} // namespace Debugger
