// Parses and orders a million netlist names, the way a large netlist's gate
// and net indices and the layout's gate sorting use them. Run by hand:
//   build/bench/bench_names [count]
#include "graphengine/model/name.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <algorithm>
#include <random>

using GraphEngine::Name;

namespace {

// A mix like a synthesised design: bus bits, memories, numbered nets and
// cells, underscore indices and plain names.
QStringList makeTexts(int count)
{
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        switch (i % 6) {
        case 0: texts.append(QStringLiteral("core/data_bus[%1]").arg(i % 64)); break;
        case 1: texts.append(QStringLiteral("mem[%1][%2]").arg(i % 256).arg(i % 32)); break;
        case 2: texts.append(QStringLiteral("n%1").arg(i)); break;
        case 3: texts.append(QStringLiteral("u_alu/reg_%1_").arg(i % 128)); break;
        case 4: texts.append(QStringLiteral("g%1").arg(i)); break;
        default: texts.append(QStringLiteral("ctrl_state_%1").arg(i % 997)); break;
        }
    }
    std::mt19937 random(12345);
    std::shuffle(texts.begin(), texts.end(), random);
    return texts;
}

void report(QTextStream &out, const char *what, qint64 ns, int count)
{
    out << QString::asprintf("%-34s %9.1f ms  %7.1f ns/name\n", what, ns / 1e6, double(ns) / count);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    QTextStream out(stdout);
    const QStringList texts = makeTexts(count);
    out << "names: " << count << "\n";

    QElapsedTimer timer;
    QVector<Name> names;
    names.reserve(count);
    timer.start();
    for (const QString &text : texts)
        names.append(Name(text));
    report(out, "parse (brackets)", timer.nsecsElapsed(), count);

    QVector<Name> bare;
    bare.reserve(count);
    timer.start();
    for (const QString &text : texts)
        bare.append(Name(text, true));
    report(out, "parse (bare digits allowed)", timer.nsecsElapsed(), count);

    QVector<Name> keyed = names;
    timer.start();
    std::sort(keyed.begin(), keyed.end());
    report(out, "sort by key order", timer.nsecsElapsed(), count);

    QVector<Name> natural = names;
    timer.start();
    std::sort(natural.begin(), natural.end(), Name::naturalLess);
    report(out, "sort by natural order", timer.nsecsElapsed(), count);

    QMap<Name, int> index;
    timer.start();
    for (int i = 0; i < count; ++i)
        index.insert(names.at(i), i);
    report(out, "insert into QMap<Name, int>", timer.nsecsElapsed(), count);

    qint64 found = 0;
    timer.start();
    for (const QString &text : texts)
        found += index.contains(Name(text));
    report(out, "parse + look up in QMap", timer.nsecsElapsed(), count);

    out << "distinct keys: " << index.size() << ", found: " << found
        << ", first natural: " << natural.first().text() << ", last natural: " << natural.last().text()
        << "\n";
    return 0;
}
