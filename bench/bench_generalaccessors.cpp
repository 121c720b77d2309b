// Time per generation of accessor paths (dereferencing and fusing lists of
// growing length) and of string and bit-array functions, in normal mode,
// where adjacent steps are fused. Run by hand:
//   build/bench/bench_generalaccessors [repetitions]

#include "configuration/generalaccessorgenerator.h"
#include "configuration/optionsgenerators.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTextStream>

#include <functional>

using namespace KorvanDebugger::Configuration;

namespace {

QJsonObject lambda(const QString &body)
{
    return QJsonObject{{QStringLiteral("LambdaExpression"), body}};
}

// Steps cycling through accessor, cast, post-process and an empty step, so
// that fusion both succeeds and fails along the path.
QJsonObject path(int length)
{
    QJsonArray steps;
    for (int i = 0; i < length; ++i) {
        QJsonObject step;
        switch (i % 4) {
        case 0: step.insert(QStringLiteral("accessor"), lambda(QStringLiteral("value.m%1").arg(i))); break;
        case 1: step.insert(QStringLiteral("type"), QJsonObject{{QStringLiteral("AsBaseClass"), i}}); break;
        case 2: step.insert(QStringLiteral("postProcess"), lambda(QStringLiteral("value[%1]").arg(i))); break;
        default: break;
        }
        steps.append(step);
    }
    return QJsonObject{{QStringLiteral("p"), steps}};
}

double microsecondsPer(int repetitions, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repetitions; ++i) {
        if (i % 500 == 0)
            deleteHelpersCode(); // one generation run holds a few hundred helpers
        work();
    }
    return double(timer.nsecsElapsed()) / 1000.0 / repetitions;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;
    QTextStream out(stdout);
    out << "repetitions: " << repetitions << '\n';

    for (const int length : {1, 4, 16, 64}) {
        for (const bool dereferenceSteps : {true, false}) {
            GeneralAccessorListGenerator list(QStringLiteral("p"), dereferenceSteps);
            list.setValue(path(length), true);
            int size = 0;
            const double us = microsecondsPer(repetitions, [&] { size = list.generate().definitions.size(); });
            out << QStringLiteral("%1 steps, %2  %3 chars  %4 us per list\n")
                       .arg(length, 3)
                       .arg(QLatin1String(dereferenceSteps ? "dereferencing" : "fusing      "))
                       .arg(size, 6)
                       .arg(us, 0, 'f', 2);
        }
    }

    StringOptionsGenerator string;
    string.setValue(QJsonObject{{QStringLiteral("base"), QJsonObject{{QStringLiteral("Field"), QStringLiteral(".d+1")}}},
                                {QStringLiteral("length"), QJsonObject{{QStringLiteral("Field"), QStringLiteral(".d.size")}}},
                                {QStringLiteral("format"), QJsonObject{{QStringLiteral("ParamType"), QStringLiteral("QChar")}}},
                                {QStringLiteral("encoding"), QStringLiteral("latin1")}},
                    false);
    out << QStringLiteral("string function (built-in QString model)  %1 us\n")
               .arg(microsecondsPer(repetitions, [&] { string.generate(); }), 0, 'f', 2);
    BitArrayOptionsGenerator bits;
    bits.setValue(QJsonObject{{QStringLiteral("base"), lambda(QStringLiteral("value.d"))},
                              {QStringLiteral("length"), lambda(QStringLiteral("value.n"))}},
                  false);
    out << QStringLiteral("bit-array function  %1 us\n")
               .arg(microsecondsPer(repetitions, [&] { bits.generate(); }), 0, 'f', 2);
    return 0;
}
