// The randomised layout check of tests/graphengine/tst_layoutrandom on many
// more seeds: each seeded random netlist (10 to 2,000 gates, flip-flops,
// loops, buses, constants, undriven and multi-driven nets) is laid out twice
// with computeLayout(10.0, true, true), every layout invariant is checked,
// and the Verilog goes through `iverilog -t null` when Icarus is installed.
// Prints every failure with its seed, the time taken, and exits non-zero
// when anything failed; last, a digest of every seed's picture (equal
// digests: two builds lay the netlists out alike). Run by hand (with
// QT_QPA_PLATFORM=offscreen):
//   build/bench/bench_layoutrandom                 (seeds 1 to 1,000)
//   build/bench/bench_layoutrandom <first> <count> (another range)
#include "graphengine/globals.h"
#include "tests/graphengine/layoutinvariants.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const quint32 first = argc > 1 ? QString::fromLocal8Bit(argv[1]).toUInt() : 1u;
    const int count = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1000;
    if (first == 0 || count <= 0) {
        out << "usage: bench_layoutrandom [first seed (1 or more)] [count (1 or more)]\n";
        return 2;
    }
    const bool icarus = !QStandardPaths::findExecutable(QStringLiteral("iverilog")).isEmpty();
    if (!icarus)
        out << "iverilog not found: the Verilog is not checked\n";
    QTemporaryDir dir;
    QStringList failures;
    qint64 layoutMs = 0;
    qint64 toolMs = 0;
    qint64 gates = 0;
    QElapsedTimer timer;
    // Every seed's picture (gate positions and net lines): equal digests
    // mean two builds lay the same netlists out alike.
    QCryptographicHash digest(QCryptographicHash::Sha1);
    for (quint32 seed = first; seed < first + quint32(count); ++seed) {
        timer.start();
        QString verilog;
        int size = 0;
        QStringList picture;
        const QStringList found = LayoutInvariants::checkRandomLayout(seed, &verilog, &size, &picture);
        for (const QString &line : qAsConst(picture))
            digest.addData(line.toUtf8().append('\n'));
        layoutMs += timer.restart();
        gates += size;
        failures += found;
        for (const QString &failure : found)
            out << failure << "\n";
        if (icarus) {
            const QString path = dir.filePath(QStringLiteral("random%1.v").arg(seed));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                out << "cannot write " << path << "\n";
                return 2;
            }
            file.write(verilog.toUtf8());
            file.close();
            QProcess tool;
            tool.setProcessChannelMode(QProcess::MergedChannels);
            tool.start(QStringLiteral("iverilog"), {QStringLiteral("-t"), QStringLiteral("null"), path});
            const bool finished = tool.waitForFinished(60000);
            if (!finished || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
                const QString failure = QStringLiteral("seed %1: iverilog refused the Verilog: %2")
                                            .arg(seed)
                                            .arg(QString::fromLocal8Bit(tool.readAll()).trimmed());
                failures << failure;
                out << failure << "\n";
            }
            toolMs += timer.elapsed();
        }
        out.flush();
    }
    out << QStringLiteral("%1 seeds from %2, %3 gates in all: %4 failures; layouts and checks %5 s, iverilog %6 s\n")
               .arg(count)
               .arg(first)
               .arg(gates)
               .arg(failures.size())
               .arg(layoutMs / 1000.0, 0, 'f', 1)
               .arg(toolMs / 1000.0, 0, 'f', 1);
    out << "layout digest: " << digest.result().toHex() << "\n";
    return failures.isEmpty() ? 0 : 1;
}
