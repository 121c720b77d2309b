// The host's debugger log under a printer trace's flood: lines arrive in
// chunks (one per read of GDB's output), as many as a traced stop writes.
// Compares the batched, bounded log with one append per line.
//
//   QT_QPA_PLATFORM=offscreen bench_hostlog [lines] [lines per chunk]

#include <hostlog.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

#include <cstdio>
#include <functional>

namespace {
double run(int lines, int chunk, const std::function<void(const QString &)> &append)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < lines; ++i) {
        append(QStringLiteral("~XXX: dynamicPrettyPrintersCode: %1      self.fields[0].dump(d)").arg(i));
        if (i % chunk == chunk - 1)
            QCoreApplication::processEvents(); // the next read of GDB's output
    }
    QCoreApplication::processEvents();
    return timer.elapsed() / 1000.0;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? atoi(argv[1]) : 1100000;
    const int chunk = argc > 2 ? atoi(argv[2]) : 200;

    QPlainTextEdit batchedView;
    batchedView.resize(500, 400);
    batchedView.show();
    Host::HostLog log(&batchedView);
    const double batched = run(lines, chunk, [&](const QString &line) { log.append(line); });
    std::printf("batched log:   %d lines in %.2f s (%d kept)\n", lines, batched, batchedView.blockCount());

    // One append per line, the same bound: a tenth of the lines is enough to see it.
    QPlainTextEdit perLineView;
    perLineView.resize(500, 400);
    perLineView.setMaximumBlockCount(log.maximumLines());
    perLineView.show();
    const int fewer = lines / 10;
    const double perLine = run(fewer, chunk, [&](const QString &line) { perLineView.appendPlainText(line); });
    std::printf("per-line log:  %d lines in %.2f s, %.1f s for %d at that rate\n", fewer, perLine,
                perLine * lines / qMax(1, fewer), lines);
    return 0;
}
