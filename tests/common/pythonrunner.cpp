#include "pythonrunner.h"

#include "configuration/pythoncode.h"

#include <QProcess>

PythonRun runPython(const QString &script)
{
    PythonRun run;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("python3"), {QStringLiteral("-")});
    if (!process.waitForStarted(10000))
        return run;
    run.started = true;
    process.write(script.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(1000);
        run.output = QStringLiteral("timeout");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QByteArray bytes = process.readAll();
    run.output = QString::fromUtf8(bytes.constData(), bytes.size()); // keeps zero bytes
    return run;
}

QString compileScript(const QString &source)
{
    return QLatin1String("import warnings\nwarnings.simplefilter('error')\nsrc = ")
           + KorvanDebugger::Configuration::pythonStringLiteral(source)
           + QLatin1String("\ncompile(src, '<gen>', 'exec')\nprint('compiled')\n");
}
