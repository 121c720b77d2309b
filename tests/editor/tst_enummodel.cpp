#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "enumrows.h"

#include "configuration/enuminputgenerator.h"
#include "configuration/keys.h"
#include "editor/enummodel.h"

#include <QAbstractItemModelTester>
#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

using EnumTest::rows;

QStringList output(std::initializer_list<const char *> lines)
{
    QStringList list;
    for (const char *l : lines)
        list << QString::fromLatin1(l);
    list << QString(); // the program's last line break
    return list;
}

QString pythonOf(const EnumModel &model)
{
    return model.pythonArguments().expression;
}

} // namespace

class TestEnumModel : public QObject
{
    Q_OBJECT

private slots:
    void keyOrder()
    {
        const EnumKey maskOne(1, true, false);
        const EnumKey one(1, false, false);
        const EnumKey minusOne(quint64(-1), false, true);
        const EnumKey huge(quint64(1) << 63, false, false);
        const EnumKey allOnesPlain(~quint64(0), false, false);
        QVERIFY(maskOne < one && !(one < maskOne));
        QVERIFY(minusOne < one);
        QVERIFY(minusOne < huge);          // 2^63 is not a negative number
        QVERIFY(one < huge);
        QVERIFY(minusOne < allOnesPlain);  // same pattern, but one is -1
        QVERIFY(!(allOnesPlain < minusOne));
        QVERIFY(EnumKey(quint64(-5), false, true) < minusOne);
        QCOMPARE(EnumKey::toText(maskOne, true), QStringLiteral("0"));
        QCOMPARE(EnumKey::toText(maskOne, false), QStringLiteral("0x0"));
        QCOMPARE(EnumKey::toText(minusOne, true), QStringLiteral("-1"));
        QCOMPARE(EnumKey::toText(EnumKey(255, false, false), false), QStringLiteral("0xff"));
    }

    void valueTexts()
    {
        QCOMPARE(EnumModel::parseValueText("0x1f"), quint64(31));
        QCOMPARE(EnumModel::parseValueText("0xffffffffffffffff"), ~quint64(0));
        QCOMPARE(EnumModel::parseValueText("42"), quint64(42));
        QCOMPARE(EnumModel::parseValueText("-1"), ~quint64(0));
        QCOMPARE(EnumModel::parseValueText("!!!"), quint64(0));
        QCOMPARE(EnumModel::parseValueText("0X10"), quint64(0)); // the prefix is case-sensitive
    }

    void grouping_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("distinct bits") << output({"::A,1,0", "::B,2,0", "::C,4,0"})
                                       << QStringList{"0x1 ::A", "0x2 ::B", "0x4 ::C"};
        QTest::newRow("one zero stands alone") << output({"::NONE,0,0", "::A,1,0", "::B,2,0"})
                                               << QStringList{"0x0 ::NONE", "0x1 ::A", "0x2 ::B"};
        QTest::newRow("aliases") << output({"::A,1,0", "::B,1,0"}) << QStringList{"0x1 ::A=::B"};
        QTest::newRow("consecutive run") << output({"A,1,0", "B,2,0", "C,3,0"})
                                         << QStringList{"0x3 A,B,C", "  0x1 A", "  0x2 B", "  0x3 C"};
        QTest::newRow("1 and 7 split") << output({"A,1,0", "B,7,0"}) << QStringList{"0x7 B", "0x1 A"};
        QTest::newRow("M1 A M2 B") << output({"M1,0,0", "A,7,0", "M2,0,0", "B,8,0"})
                                   << QStringList{"0x7 A", "0x8 M1,M2,B", "  0x0 M1", "  0x0 M2", "  0x8 B"};
        QTest::newRow("modes and flags")
            << output({"MODE_NONE,0,0", "MODE_A,16,0", "MODE_B,32,0", "MODE_C,48,0", "FLAG_NONE,0,0", "FLAG_X,1,0"})
            << QStringList{"0x1 FLAG_NONE,FLAG_X", "  0x0 FLAG_NONE", "  0x1 FLAG_X",
                           "0x30 MODE_NONE,MODE_A,MODE_B,MODE_C", "  0x0 MODE_NONE", "  0x10 MODE_A",
                           "  0x20 MODE_B", "  0x30 MODE_C"};
        QTest::newRow("all ones alone") << output({"A,1,0", "ALL,18446744073709551615,0", "B,3,0"})
                                        << QStringList{"0x3 A,B", "  0x1 A", "  0x3 B",
                                                       "0xffffffffffffffff ALL"};
        // A zero mask key and a zero constant share a value: no name is lost.
        QTest::newRow("zero then negative") << output({"::Z,0,0", "::N,18446744073709551615,1"})
                                            << QStringList{"0xffffffffffffffff ::N,::Z", "  -1 ::N", "  0 ::Z"};
        QTest::newRow("negative mode")
            << output({"Z,0,0", "A,18446744073709551615,1", "B,2,0"})
            << QStringList{"0xffffffffffffffff A,Z,B", "  -1 A", "  0 Z", "  2 B"};
        QTest::newRow("bad lines skipped") << output({"junk", "X,notanumber,0", "a,b,c,d", "Y,4,0"})
                                           << QStringList{"0x0 X", "0x4 Y"};
        QTest::newRow("values at and above 2^63")
            << output({"HIGH,9223372036854775808,0", "LOW,1,0"})
            << QStringList{"0x1 LOW", "0x8000000000000000 HIGH"};
    }
    void grouping()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        EnumModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.parseProgramOutput(lines);
        QCOMPARE(rows(model), expected);
        QCOMPARE(model.outputLines, lines);
        QCOMPARE(model.hasNegative(), lines.join(' ').contains(QLatin1String(",1 ")));
    }


    void emptyOutputChangesNothing()
    {
        EnumModel model;
        model.parseProgramOutput(output({"::A,1,0"}));
        model.parseProgramOutput({});
        QCOMPARE(rows(model), QStringList{"0x1 ::A"});
    }

    void recomputationKeepsTheUsersGrouping()
    {
        EnumModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList lines = output({"::A,1,0", "::B,2,0", "::C,4,0"});
        model.parseProgramOutput(lines);
        model.merge(model.index(0, 0));
        const QStringList merged{"0x3 ::A,::B", "  0x1 ::A", "  0x2 ::B", "0x4 ::C"};
        QCOMPARE(rows(model), merged);
        model.parseProgramOutput(lines); // same values and names
        QCOMPARE(rows(model), merged);
        model.parseProgramOutput(output({"::A,1,0", "::B,2,0", "::D,4,0"})); // a new name
        QCOMPARE(rows(model), (QStringList{"0x1 ::A", "0x2 ::B", "0x4 ::D"}));
    }

    void storedFormRoundTrip()
    {
        EnumModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList enums{"{ 0x1f;::Qt::AlignHorizontal_Mask,0x84;::Qt::AlignCenter,0x1e0;::Qt::AlignVertical_Mask }",
                                "{ 0x0;::Qt::NoItemFlags }", "{ 0x2;::Qt::B }"};
        const QStringList masks{"0x1ff", "0x5", "0x999"};
        model.setEnums(masks, enums);
        QCOMPARE(rows(model), (QStringList{"0x1ff ::Qt::AlignHorizontal_Mask,::Qt::AlignCenter,::Qt::AlignVertical_Mask",
                                           "  0x1f ::Qt::AlignHorizontal_Mask", "  0x84 ::Qt::AlignCenter",
                                           "  0x1e0 ::Qt::AlignVertical_Mask", "0x0 ::Qt::NoItemFlags",
                                           "0x2 ::Qt::B"}));
        QStringList outMasks;
        QStringList outEnums;
        const QString flat = model.toText(outMasks, outEnums, false);
        QCOMPARE(outEnums, enums);
        // A lone zero takes the OR of all masks; single rows use their value.
        QCOMPARE(outMasks, (QStringList{"0x1ff", "0x1ff", "0x2"}));
        QCOMPARE(flat, QStringLiteral("0x1f;::Qt::AlignHorizontal_Mask 0x84;::Qt::AlignCenter "
                                      "0x1e0;::Qt::AlignVertical_Mask 0x0;::Qt::NoItemFlags 0x2;::Qt::B "));

        QCOMPARE(pythonOf(model), QStringLiteral("enums = ({ 0x1f:\"::Qt::AlignHorizontal_Mask\",0x84:\"::Qt::AlignCenter\","
                                                 "0x1e0:\"::Qt::AlignVertical_Mask\" },{ 0x0:\"::Qt::NoItemFlags\" },"
                                                 "{ 0x2:\"::Qt::B\" }),masks = (0x1ff,0x1ff,0x2)"));

        // Mismatched or empty lists leave the model as it is.
        model.setEnums({"0x1"}, {});
        model.setEnums({"0x1", "0x2"}, {"{ 0x1;A }"});
        QCOMPARE(model.rowCount(), 3);

        model.reset(true);
        QCOMPARE(model.toText(outMasks, outEnums, false), QString());
        QVERIFY(outMasks.isEmpty() && outEnums.isEmpty());
        QCOMPARE(pythonOf(model), QStringLiteral("enums = (),masks = ()"));
    }

    void pythonFormCornerCases()
    {
        EnumModel model;
        model.setEnums({"0x1"}, {"{ 0x1;::A }"});
        QCOMPARE(pythonOf(model), QStringLiteral("enums = ({ 0x1:\"::A\" }),masks = (0x1)"));
        model.setEnums({"x", "y"}, {"{ 0x0;::Z }", "{ 0x0;::Y }"});
        QCOMPARE(pythonOf(model), QStringLiteral("enums = ({ 0x0:\"::Z\" },{ 0x0:\"::Y\" }),masks = (0x0,0x0)"));
        model.setEnums({"0xffffffffffffffff", "-1"},
                       {"{ -1;::N,0;::Z }", "{ -1;::M }"});
        QCOMPARE(pythonOf(model), QStringLiteral("enums = ({ -1:\"::N\",0:\"::Z\" },{ -1:\"::M\" }),"
                                                 "masks = (0xffffffffffffffff,-1)"));
        // Stored text that is no number never reaches the script as code.
        model.setEnums({"__import__('os')"}, {"{ __import__('os');\"x\\ }"});
        QCOMPARE(pythonOf(model), QStringLiteral("enums = ({ 0x0:\"\\\"x\\\\\" }),masks = (0x0)"));
        // Entries without frame or separator do not read out of range.
        model.setEnums({"", ""}, {"", "{}"});
        QCOMPARE(model.rowCount(), 2);
    }

    void pythonArgumentsAreValidPython()
    {
        EnumModel model;
        model.setEnums({"0x3", "0x0", "-1"}, {"{ 0x1;::A,0x2;::B }", "{ 0x0;::Z }", "{ -1;::N }"});
        const QString program = QStringLiteral("def f(enums=None, masks=None):\n    return enums, masks\n"
                                               "e, m = f(%1)\nassert e[0] == {1: '::A', 2: '::B'}\n"
                                               "assert m == (3, 0xffffffffffffffff, -1)\nprint('ok')")
                                    .arg(pythonOf(model));
        QCOMPARE(runPython(program).output, QStringLiteral("ok\n"));
    }

    void mergeAndSplit()
    {
        EnumModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setEnums({"0x8", "0x6", "0x1", "0x1"},
                       {"{ 0x8;H }", "{ 0x4;C,0x2;B }", "{ 0x1;A }", "{ 0x1;A2 }"});
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        model.merge(model.index(0, 0)); // single + group: one group, ascending
        QCOMPARE(rows(model), (QStringList{"0xe B,C,H", "  0x2 B", "  0x4 C", "  0x8 H", "0x1 A", "0x1 A2"}));
        model.merge(model.index(1, 0)); // equal values: one single row, second name
        QCOMPARE(rows(model), (QStringList{"0xe B,C,H", "  0x2 B", "  0x4 C", "  0x8 H", "0x1 A2"}));
        model.split(model.index(0, 0));
        QCOMPARE(rows(model), (QStringList{"0x2 B", "0x4 C", "0x8 H", "0x1 A2"}));
        QCOMPARE(resets.count(), 3);

        // Negative members keep their 64-bit pattern, never become 0.
        model.setEnums({"0xffffffffffffffff"}, {"{ -1;N,0x2;T }"});
        model.split(model.index(0, 0));
        QCOMPARE(rows(model), (QStringList{"0x2 T", "0xffffffffffffffff N"}));

        QVERIFY(model.valuesOf(QModelIndex()).isEmpty());
        model.merge(model.index(1, 0)); // no next row: nothing happens
        QCOMPARE(model.rowCount(), 2);
    }

    void generatorReadsTheEnumerationObject()
    {
        EnumInputGenerator generator(Key::enumeration);
        QJsonObject cls{{Key::enumeration,
                         QJsonObject{{Key::enums, QJsonArray{"{ 0x1;::A,0x2;::B }", "{ 0x0;::Z }"}},
                                     {Key::masks, QJsonArray{"0x3", "0x3"}}}}};
        generator.setValue(cls, true);
        QVERIFY(generator.widget() == nullptr);
        QCOMPARE(generator.value(), QJsonValue(QJsonObject()));
        const PythonCode code = generator.generate();
        QCOMPARE(code.expression, QStringLiteral("enums = ({ 0x1:\"::A\",0x2:\"::B\" },{ 0x0:\"::Z\" }),masks = (0x3,0x3)"));
        QVERIFY(code.definitions.isEmpty() && code.helperName.isEmpty());

        EnumInputGenerator copy = generator;
        QVERIFY(copy.model() != generator.model());
        QCOMPARE(copy.generate().expression, code.expression);

        // Only the older computed form, a non-object, or mismatched lists: no rows.
        generator.setValue(QJsonObject{{Key::enumeration, QJsonObject{{Key::compiledValue, QJsonArray{"::A,1,0", ""}},
                                                                       {Key::definition, "enum E { A = 1 };"}}}},
                           true);
        QCOMPARE(generator.generate().expression, QStringLiteral("enums = (),masks = ()"));
        generator.setValue(QJsonObject{{Key::enumeration, 5}}, true);
        QCOMPARE(generator.generate().expression, QStringLiteral("enums = (),masks = ()"));
        generator.setValue(QJsonObject{{Key::enums, QJsonArray{"{ 0x1;::A }"}}, {Key::masks, QJsonArray{}}}, false);
        QCOMPARE(generator.generate().expression, QStringLiteral("enums = (),masks = ()"));
        QCOMPARE(copy.generate().expression, code.expression);
    }
};

QTEST_GUILESS_MAIN(TestEnumModel)
#include "tst_enummodel.moc"
