// What a test function left running or to deleteLater() (Qt's own among it:
// the fade animation of a line edit's clear button, which deletes itself
// when it stops) ends when an event loop next runs, and a test may end
// without one. Before the application object goes, an event loop runs for
// longer than such an animation lasts, as the running program's would.

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

namespace {

void finishPostponedWork()
{
    QEventLoop loop;
    QTimer::singleShot(250, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void installFinishing()
{
    qAddPostRoutine(finishPostponedWork);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installFinishing)
