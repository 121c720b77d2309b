#include "logging.h"

#include "globals.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLoggingCategory>
#include <QMessageLogger>
#include <QThreadStorage>

namespace GraphEngine {

namespace {
std::function<QDateTime()> &clock()
{
    static std::function<QDateTime()> c;
    return c;
}

QDateTime now()
{
    return clock() ? clock()() : QDateTime::currentDateTime();
}

QThreadStorage<QDateTime> *stopwatches = nullptr;
} // namespace

void logWarning(const QString &text)
{
    QMessageLogger(nullptr, 0, nullptr, "default").warning().noquote() << text;
}

bool traceRequested()
{
    static const QLoggingCategory category("korvan.trace", QtWarningMsg);
    return category.isDebugEnabled();
}

void logCritical(const QString &text)
{
    QMessageLogger(nullptr, 0, nullptr, "default").critical() << text;
}

void measureTime(const QString &label, bool reset)
{
    QMutexLocker locker(&globalLock());
    if (!stopwatches)
        stopwatches = new QThreadStorage<QDateTime>;
    if (!stopwatches->hasLocalData())
        stopwatches->setLocalData(now());

    const QDateTime current = now();
    if (!reset) {
        const qint64 elapsed = stopwatches->localData().msecsTo(current);
        if (elapsed > 1000) {
            logWarning(QCoreApplication::translate("QObject", "%1: Time measure is %2 s")
                           .arg(label, QString::number(elapsed / 1000.0, 'g')));
        }
    }
    stopwatches->setLocalData(current);
}

namespace Internal {
void setClockForTesting(std::function<QDateTime()> c)
{
    QMutexLocker locker(&globalLock());
    clock() = std::move(c);
}
} // namespace Internal

} // namespace GraphEngine
