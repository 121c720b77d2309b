#include "progressmanager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

namespace Core {

namespace {
// A finished bar stays this long, so the user sees it complete.
const int finishedBarMs = 500;
} // namespace

FutureProgress::FutureProgress(const QFuture<void> &future, const QString &title, Id type, QWidget *parent)
    : QWidget(parent)
    , m_type(type)
    , m_title(new QLabel(title, this))
    , m_bar(new QProgressBar(this))
    , m_cancel(new QToolButton(this))
{
    auto layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    layout->addWidget(m_title);
    m_bar->setMaximumWidth(160);
    m_bar->setMaximumHeight(16);
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);
    m_cancel->setText(QStringLiteral("\u00d7"));
    m_cancel->setToolTip(tr("Cancel"));
    m_cancel->setAutoRaise(true);
    layout->addWidget(m_cancel);
    connect(m_cancel, &QToolButton::clicked, this, &FutureProgress::cancel);

    connect(&m_watcher, &QFutureWatcherBase::progressRangeChanged, m_bar, &QProgressBar::setRange);
    connect(&m_watcher, &QFutureWatcherBase::progressValueChanged, m_bar, &QProgressBar::setValue);
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &FutureProgress::setFinished);
    m_watcher.setFuture(future);
    m_bar->setRange(future.progressMinimum(), future.progressMaximum());
    m_bar->setValue(future.progressValue());
}

FutureProgress::~FutureProgress()
{
    // Here the bar is still a FutureProgress; by its destroyed() signal it
    // is a plain QObject, and the manager's guards could not name it.
    ProgressManager::instance()->taskGone(this);
}

QString FutureProgress::title() const
{
    return m_title->text();
}

void FutureProgress::setKeepOnFinish(KeepOnFinishType keep)
{
    m_keep = keep;
    if (m_finished && m_keep == HideOnFinish)
        QTimer::singleShot(finishedBarMs, this, &QObject::deleteLater);
}

int FutureProgress::minimum() const
{
    return m_bar->minimum();
}

int FutureProgress::maximum() const
{
    return m_bar->maximum();
}

int FutureProgress::value() const
{
    return m_bar->value();
}

void FutureProgress::cancel()
{
    if (m_finished) {
        // A kept bar goes when the user is done with it.
        if (m_keep != KeepOnFinish)
            deleteLater();
        return;
    }
    m_canceled = true;
    m_watcher.future().cancel();
    emit canceled();
}

void FutureProgress::setFinished()
{
    if (m_finished)
        return;
    m_finished = true;
    m_canceled = m_canceled || m_watcher.future().isCanceled();
    if (!m_canceled)
        m_bar->setValue(m_bar->maximum());
    m_cancel->setToolTip(tr("Close"));
    emit finished();
    if (m_keep == HideOnFinish)
        QTimer::singleShot(finishedBarMs, this, &QObject::deleteLater);
}

ProgressManager *ProgressManager::instance()
{
    static ProgressManager *manager = new ProgressManager;
    return manager;
}

QWidget *ProgressManager::statusBarWidget()
{
    ProgressManager *manager = instance();
    if (!manager->m_statusBarWidget) {
        auto widget = new QWidget;
        widget->setObjectName(QStringLiteral("Core.ProgressView"));
        auto layout = new QHBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(6);
        // Until the host places it, the manager's children die with the manager.
        manager->m_statusBarWidget = widget;
    }
    return manager->m_statusBarWidget;
}

FutureProgress *ProgressManager::addTask(const QFuture<void> &future, const QString &title, Id type,
                                         ProgressFlags flags)
{
    ProgressManager *manager = instance();
    QWidget *view = statusBarWidget();
    auto progress = new FutureProgress(future, title, type, view);
    if (flags & KeepOnFinish)
        progress->setKeepOnFinish(FutureProgress::KeepOnFinishTillUserInteraction);
    view->layout()->addWidget(progress);
    manager->m_tasks.append(progress);
    emit manager->taskStarted(type);
    return progress;
}

void ProgressManager::taskGone(FutureProgress *progress)
{
    if (m_tasks.removeAll(progress) == 0)
        return;
    const Id type = progress->type();
    for (FutureProgress *task : qAsConst(m_tasks)) {
        if (task->type() == type)
            return;
    }
    emit allTasksFinished(type);
}

QList<FutureProgress *> ProgressManager::tasks()
{
    return instance()->m_tasks;
}

void ProgressManager::cancelTasks(Id type)
{
    for (FutureProgress *task : tasks()) {
        if (task->type() == type)
            task->cancel();
    }
}

} // namespace Core
