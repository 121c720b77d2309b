// The debugger-log filter on a growing log: 100,000 lines arrive in 1,000
// appends, each append filtered as the host's log view reports its change.
// Among ordinary lines come echoed private blocks, prompt echo runs, type
// definitions and error reports. Reports the total time and the time of the
// first and last hundred appends, so that a filter whose cost grows with the
// log shows.

#include "plugin/logfilter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QStringList>

#include <cstdio>

using namespace KorvanDebugger::Internal;

namespace {

QStringList chunk(int index)
{
    QStringList lines;
    for (int i = 0; i < 80; ++i)
        lines << QStringLiteral("<%1-var-list-children --all-values \"local.item%2\"").arg(index).arg(i);
    lines << QStringLiteral(">python") << QStringLiteral(">#PRIVATESTART") << QStringLiteral(">x = %1").arg(index)
          << QStringLiteral(">#PRIVATEEND") << QStringLiteral(">end");
    lines << QStringLiteral(">~\">\"") << QStringLiteral(">~\"\\n\"");
    lines << QStringLiteral("&XXX: KORVANTYPEDEF;Id%1;unsigned int;").arg(index % 50);
    for (const char *entry : {"API:classes.G.C", "VAR:1", "VARTYPE:int", "VAR*:", "ERRORTYPE:<class 'KeyError'>",
                              "ERRORDESC:bad"})
        lines << QStringLiteral("&XXX: KORVANDEBUG") + QLatin1String(entry);
    while (lines.size() < 100)
        lines << QStringLiteral("~\"result %1\"").arg(lines.size());
    return lines;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.warning=false");
    QApplication app(argc, argv);
    QMap<QString, QString> typedefs;
    LogFilter filter(&typedefs);
    int reports = 0;
    QObject::connect(&filter, &LogFilter::pythonErrorReported, [&reports] { ++reports; });
    QPlainTextEdit log;
    // "unfiltered": the same appends without the filter, for comparison.
    const bool filtered = !(argc > 1 && qstrcmp(argv[1], "unfiltered") == 0);
    if (filtered)
        filter.watch(&log);

    const int appends = 1000;
    QVector<QStringList> chunks;
    for (int i = 0; i < appends; ++i)
        chunks << chunk(i);

    QElapsedTimer total;
    total.start();
    qint64 first = 0;
    QElapsedTimer part;
    part.start();
    for (int i = 0; i < appends; ++i) {
        if (i == 100)
            first = part.restart();
        if (i == appends - 100)
            part.restart();
        log.appendPlainText(chunks.at(i).join(QLatin1Char('\n')));
    }
    const qint64 last = part.elapsed();
    std::printf("%d lines in %d appends, %s, in %lld ms (first 100 appends %lld ms, last 100 %lld ms); "
                "%d lines left, %d reports shown, %d type definitions\n",
                appends * 100, appends, filtered ? "filtered" : "not filtered", static_cast<long long>(total.elapsed()),
                static_cast<long long>(first), static_cast<long long>(last), log.document()->blockCount(), reports,
                int(typedefs.size()));
    return 0;
}
