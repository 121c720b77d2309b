#pragma once

// Stand-in for the IDE's progress manager: long tasks of the plug-ins show as
// a title and a progress bar in the main window's status bar, with a button
// that cancels them.

#include "../id.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QLabel;
class QProgressBar;
class QToolButton;
QT_END_NAMESPACE

namespace Core {

// One task's bar. It follows its future (range, value, finish, cancel) and
// goes away when the future ends, unless it is asked to stay.
class FutureProgress : public QWidget
{
    Q_OBJECT
public:
    enum KeepOnFinishType {
        HideOnFinish = 0,
        KeepOnFinishTillUserInteraction = 1,
        KeepOnFinish = 2,
    };

    FutureProgress(const QFuture<void> &future, const QString &title, Id type, QWidget *parent = nullptr);
    ~FutureProgress() override;

    QString title() const;
    Id type() const { return m_type; }
    QFuture<void> future() const { return m_watcher.future(); }
    void setKeepOnFinish(KeepOnFinishType keep);
    KeepOnFinishType keepOnFinish() const { return m_keep; }

    int minimum() const;
    int maximum() const;
    int value() const;
    bool isFinished() const { return m_finished; }
    bool isCanceled() const { return m_canceled; }

    // What the cancel button does: cancels the future and announces it.
    void cancel();

signals:
    void clicked();
    void finished();
    void canceled();

private:
    void setFinished();

    QFutureWatcher<void> m_watcher;
    Id m_type;
    KeepOnFinishType m_keep = HideOnFinish;
    QLabel *m_title;
    QProgressBar *m_bar;
    QToolButton *m_cancel;
    bool m_finished = false;
    bool m_canceled = false;
};

class ProgressManager : public QObject
{
    Q_OBJECT
public:
    enum ProgressFlag { KeepOnFinish = 0x01, ShowInApplicationIcon = 0x02 };
    Q_DECLARE_FLAGS(ProgressFlags, ProgressFlag)

    static ProgressManager *instance();

    // Shows the future's progress under the title; the bar belongs to the
    // status-bar widget and goes with the future's end.
    static FutureProgress *addTask(const QFuture<void> &future, const QString &title, Id type,
                                   ProgressFlags flags = ProgressFlags());
    // The bars of the tasks still shown, oldest first.
    static QList<FutureProgress *> tasks();
    // The widget the host puts into its status bar. Made on first use,
    // owned by the caller's widget once it is placed (else by the manager).
    static QWidget *statusBarWidget();
    static void cancelTasks(Id type);

signals:
    void taskStarted(Core::Id type);
    void allTasksFinished(Core::Id type);

private:
    friend class FutureProgress;
    ProgressManager() = default;
    // Called by each bar's destructor, while it is still whole.
    void taskGone(FutureProgress *progress);
    QPointer<QWidget> m_statusBarWidget;
    QList<FutureProgress *> m_tasks;
};

} // namespace Core

Q_DECLARE_OPERATORS_FOR_FLAGS(Core::ProgressManager::ProgressFlags)
