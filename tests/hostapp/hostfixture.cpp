#include "hostfixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

QString HostFixture::source()
{
    return QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/hostprogram.cpp");
}

bool HostFixture::prepare(QString *error)
{
    const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
    if (gxx.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty()) {
        *error = QStringLiteral("g++ and gdb are needed");
        return false;
    }
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(gxx, {QStringLiteral("-g"), QStringLiteral("-O0"), source(), QStringLiteral("-o"), program()});
    if (!compiler.waitForFinished(120000) || compiler.exitCode() != 0) {
        *error = QString::fromLocal8Bit(compiler.readAll());
        return false;
    }
    return true;
}

int HostFixture::lineOf(const QString &comment)
{
    return lineOf(source(), comment);
}

int HostFixture::lineOf(const QString &fileName, const QString &comment)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
        if (lines.at(i).contains(QStringLiteral("// ") + comment))
            return i + 1;
    return 0;
}

bool processExists(qint64 pid)
{
    return pid > 0 && QFile::exists(QStringLiteral("/proc/%1").arg(pid));
}

QList<qint64> processesMentioning(const QString &text)
{
    QList<qint64> found;
    const QByteArray needle = text.toLocal8Bit();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(needle))
            found.append(pid);
    }
    return found;
}
