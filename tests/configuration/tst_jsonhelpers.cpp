#include "common/testenvironment.h"

#include "configuration/baseinput.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"

#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

// An input whose value is whatever the test sets.
class FixedInput : public BaseInput
{
public:
    FixedInput(const QString &key, const QJsonValue &v) : BaseInput(key), m_value(v) {}
    QJsonValue value() const override { return m_value; }
    void setValue(const QJsonObject &object, bool byKey) override { m_value = selectValue(object, byKey); }
    PythonCode generate() override { return PythonCode(); }

private:
    QJsonValue m_value;
};

QJsonObject obj(std::initializer_list<QPair<QString, QJsonValue>> members)
{
    QJsonObject o;
    for (const auto &m : members)
        o.insert(m.first, m.second);
    return o;
}

} // namespace

class TestJsonHelpers : public QObject
{
    Q_OBJECT

private slots:
    void mergeMissingKeepsPresentKeys()
    {
        QJsonObject target = obj({{"a", 1}, {"b", QJsonValue()}});
        const QJsonObject source = obj({{"a", 2}, {"b", 3}, {"c", 4}});
        QCOMPARE(jsonMergeMissing(target, source), obj({{"a", 1}, {"b", QJsonValue()}, {"c", 4}}));
        QJsonObject full = obj({{"a", "x"}, {"b", "y"}, {"c", "z"}});
        const QJsonObject before = full;
        QCOMPARE(jsonMergeMissing(full, source), before);
    }

    void insertChains()
    {
        QJsonObject o = obj({{"a", 1}});
        jsonInsert(jsonInsert(o, "a", 2), "b", 3);
        QCOMPARE(o, obj({{"a", 2}, {"b", 3}}));
    }

    void arraySetAt_data()
    {
        QTest::addColumn<QJsonObject>("object");
        QTest::addColumn<int>("index");
        QTest::addColumn<QJsonArray>("expected");
        const QJsonArray three{1, 2, 3};
        QTest::newRow("-1 on missing key") << QJsonObject() << -1 << QJsonArray{"new"};
        QTest::newRow("0 on missing key") << QJsonObject() << 0 << QJsonArray{"new"};
        QTest::newRow("5 of 3 leaves it") << obj({{"k", three}}) << 5 << three;
        QTest::newRow("3 of 3 appends") << obj({{"k", three}}) << 3 << QJsonArray{1, 2, 3, "new"};
        QTest::newRow("1 replaces") << obj({{"k", three}}) << 1 << QJsonArray{1, "new", 3};
        QTest::newRow("-2 leaves it") << obj({{"k", three}}) << -2 << three;
        QTest::newRow("no array counts as empty") << obj({{"k", "text"}}) << 1 << QJsonArray();
    }
    void arraySetAt()
    {
        QFETCH(QJsonObject, object);
        QFETCH(int, index);
        QFETCH(QJsonArray, expected);
        jsonArraySetAt(object, "k", index, QStringLiteral("new"));
        QVERIFY(object.value("k").isArray());
        QCOMPARE(object.value("k").toArray(), expected);
    }

    void appendAndPrepend()
    {
        const QJsonObject first = obj({{"n", 1}});
        const QJsonObject second = obj({{"n", 2}});

        QJsonObject single = obj({{"k", first}});
        jsonArrayAppendAt(single, "k", second);
        QCOMPARE(single.value("k").toArray(), (QJsonArray{first, second}));

        QJsonObject missing;
        jsonArrayAppendAt(missing, "k", second);
        QCOMPARE(missing.value("k").toArray(), (QJsonArray{QJsonObject(), second}));

        QJsonObject list = obj({{"k", QJsonArray{first}}});
        jsonArrayPrependAt(list, "k", second);
        QCOMPARE(list.value("k").toArray(), (QJsonArray{second, first}));

        // The context goes on objects only, and an empty (non-null) one counts.
        QJsonObject ctx = obj({{"k", QJsonArray()}});
        jsonArrayAppendAt(ctx, "k", second, QString(""));
        jsonArrayAppendAt(ctx, "k", QStringLiteral("text"), QStringLiteral("c"));
        jsonArrayPrependAt(ctx, "k", first, QStringLiteral("outer.inner"));
        jsonArrayPrependAt(ctx, "k", second, QString());
        QCOMPARE(ctx.value("k").toArray(),
                 (QJsonArray{second, obj({{"n", 1}, {Key::context, "outer.inner"}}),
                             obj({{"n", 2}, {Key::context, ""}}), "text"}));
    }

    void setAtPath()
    {
        QJsonObject cls = obj({{Key::className, obj({{Key::TemplateType, "QList"}, {Key::api, "x"}})},
                               {Key::group, "g"}});
        jsonSetAtPath(cls, {Key::className, Key::TemplateType}, QStringLiteral("QVector"));
        QCOMPARE(cls, obj({{Key::className, obj({{Key::TemplateType, "QVector"}, {Key::api, "x"}})},
                           {Key::group, "g"}}));

        // Missing levels are made; levels that are no objects are replaced.
        QJsonObject o = obj({{"a", QJsonArray{1}}});
        const QStringList path{"a", "b", "c"};
        jsonSetAtPath(o, path, 7);
        QCOMPARE(o, obj({{"a", obj({{"b", obj({{"c", 7}})}})}}));
        QCOMPARE(path.size(), 3);

        QJsonObject untouched = obj({{"a", 1}});
        jsonSetAtPath(untouched, {}, 2);
        QCOMPARE(untouched, obj({{"a", 1}}));
    }

    void fieldsPath()
    {
        TestEnvironment env;
        QCOMPARE(fieldsPathOfClass(obj({{Key::className, obj({{Key::TemplateType, "std::map"}})}})),
                 QStringLiteral("classes.<Default>.std::map.fields"));
        // One-pass substitution: a group that looks like a placeholder stays.
        QCOMPARE(fieldsPathOfClass(obj({{Key::group, "%2"}, {Key::className, obj({{Key::TemplateType, "T"}})}})),
                 QStringLiteral("classes.%2.T.fields"));
    }

    void inputValueWrapping_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QJsonObject>("expected");
        QTest::newRow("false") << QJsonValue(false) << obj({{"k", false}});
        QTest::newRow("zero") << QJsonValue(0) << obj({{"k", 0}});
        QTest::newRow("empty text") << QJsonValue("") << obj({{"k", ""}});
        QTest::newRow("object is wrapped") << QJsonValue(obj({{"a", 1}})) << obj({{"k", obj({{"a", 1}})}});
        QTest::newRow("null") << QJsonValue() << QJsonObject();
        QTest::newRow("undefined") << QJsonValue(QJsonValue::Undefined) << QJsonObject();
        QTest::newRow("empty array") << QJsonValue(QJsonArray()) << QJsonObject();
        QTest::newRow("empty object") << QJsonValue(QJsonObject()) << QJsonObject();
    }
    void inputValueWrapping()
    {
        QFETCH(QJsonValue, value);
        QFETCH(QJsonObject, expected);
        QCOMPARE(inputValueAsObject(FixedInput("k", value)), expected);
    }

    void byKeyRule()
    {
        FixedInput input("k", 1);
        QVERIFY(input.widget() == nullptr);
        QVERIFY(input.isValid());
        QVERIFY(!input.showError(nullptr));
        input.setValue(obj({{"k", 5}}), true);
        QCOMPARE(input.value(), QJsonValue(5));
        input.setValue(obj({{"other", 5}}), true);
        QVERIFY(input.value().isUndefined());
        input.setValue(obj({{"k", 5}}), false);
        QCOMPARE(input.value(), QJsonValue(obj({{"k", 5}})));
    }
};

QTEST_GUILESS_MAIN(TestJsonHelpers)
#include "tst_jsonhelpers.moc"
