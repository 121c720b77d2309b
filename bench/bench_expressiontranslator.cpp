// Time per translation of expression-language texts that make the
// backtracking reader retry alternatives: deep parentheses, chains of unary
// operators, long operator chains and failing nests. Run by hand:
//   build/bench/bench_expressiontranslator [repetitions]

#include "configuration/expressiontranslator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

using KorvanDebugger::Configuration::ExpressionTranslator;

namespace {

QString nested(int depth, const QString &inner)
{
    return QString(depth, QLatin1Char('(')) + inner + QString(depth, QLatin1Char(')'));
}

QString repeated(const QString &piece, int count, const QString &tail)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text + tail;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;

    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("40 nested parentheses"), nested(40, QStringLiteral(".a + 1"))},
        {QStringLiteral("40 nested, unclosed"), QString(40, QLatin1Char('(')) + QStringLiteral(".a +")},
        {QStringLiteral("200 nested parentheses"), nested(200, QStringLiteral(".a"))},
        {QStringLiteral("40 unary minus + parens"), repeated(QStringLiteral("-("), 40, QStringLiteral(".a")) + QString(40, QLatin1Char(')'))},
        {QStringLiteral("100 binary operators"), repeated(QStringLiteral(".a + "), 100, QStringLiteral("1"))},
        {QStringLiteral("50 list items"), repeated(QStringLiteral(".a == 1, "), 50, QStringLiteral("\"end\""))},
        {QStringLiteral("member chain of 100"), repeated(QStringLiteral(".m"), 100, QStringLiteral("{S}"))},
    };

    QTextStream out(stdout);
    out << "repetitions: " << repetitions << '\n';
    for (const auto &entry : cases) {
        bool success = false;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < repetitions; ++i) {
            ExpressionTranslator translator(entry.second);
            success = translator.translateExpressionList().success;
        }
        const double microseconds = double(timer.nsecsElapsed()) / 1000.0 / repetitions;
        out << QStringLiteral("%1  %2 chars  %3  %4 us per translation\n")
                   .arg(entry.first, -28)
                   .arg(entry.second.size(), 5)
                   .arg(success ? QStringLiteral("ok    ") : QStringLiteral("failed"))
                   .arg(microseconds, 9, 'f', 1);
    }
    return 0;
}
