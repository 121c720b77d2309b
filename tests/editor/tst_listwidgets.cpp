#include "common/testenvironment.h"

#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "plugin/korvandebuggerplugin.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

// Stands in for the class wizard's Feature input: a widget-side input with a
// changed() signal whose value is the class feature.
class FeatureInput : public QObject, public BaseInput
{
    Q_OBJECT
public:
    FeatureInput() : BaseInput(Key::feature) {}
    QJsonValue value() const override { return feature; }
    void setValue(const QJsonObject &object, bool byKey) override { feature = selectValue(object, byKey); }
    PythonCode generate() override { return PythonCode(); }
    void select(const QString &text)
    {
        feature = text;
        emit changed();
    }
    QJsonValue feature = QStringLiteral("Class");

signals:
    void changed();
};

QJsonObject field(const QString &name, const QString &type = QStringLiteral("Standard"))
{
    return QJsonObject{{Key::displayedName, name}, {Key::type, type}};
}

QJsonObject cls(const QString &group, const QString &type, bool enable = true)
{
    return QJsonObject{{Key::group, group}, {Key::className, QJsonObject{{Key::TemplateType, type}}},
                       {Key::enable, enable}};
}

QPushButton *button(QWidget &list, const QString &text)
{
    for (QPushButton *b : list.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QTreeView *view(QWidget &list)
{
    return list.findChild<QTreeView *>();
}

QStringList names(const ConfigurationListBase &list)
{
    QStringList out;
    for (const QJsonValue &entry : list.value().toArray())
        out << entry.toObject().value(Key::displayedName).toString();
    return out;
}

// Which of the named buttons are enabled, as "Name" or "-Name".
QString enabling(QWidget &list, const QStringList &texts)
{
    QStringList out;
    for (const QString &text : texts) {
        QPushButton *b = button(list, text);
        out << (b && b->isEnabled() ? QString() : QStringLiteral("-")) + QString(text).remove(QLatin1Char('&'));
    }
    return out.join(QLatin1Char(' '));
}

const QStringList fieldButtons{"&Add", "&Remove", "&Edit", "&Up", "&Down"};
const QStringList classButtons{"&Add", "&Remove", "&Edit", "&Clone", "&Import", "&Export"};

} // namespace

class TestListWidgets : public QObject
{
    Q_OBJECT

    TestEnvironment environment;

private slots:
    void fieldListButtons()
    {
        FieldList list(Key::fields);
        QVERIFY(!list.widget());
        QCOMPARE(list.currentRow(), -1); // no view yet
        QCOMPARE(list.addButtons(), &list);
        QCOMPARE(list.widget(), &list);
        for (const QString &text : fieldButtons)
            QVERIFY2(button(list, text), qPrintable(text));
        QVERIFY(!button(list, "&Clone"));
        QCOMPARE(button(list, "&Up")->toolTip(),
                 QStringLiteral("Move the class member definition up.\nDuring the debugging session, the class "
                                "members are\nordered using the same order than in this list."));
        QCOMPARE(button(list, "&Remove")->toolTip(), QStringLiteral("Remove a member definition from the class."));
        QVERIFY(!button(list, "&Up")->icon().pixmap(16).isNull());

        list.setValue(QJsonObject{{Key::fields, QJsonArray{field("a"), field("b"), field("c")}}}, true);
        QCOMPARE(enabling(list, fieldButtons), QStringLiteral("Add -Remove -Edit -Up -Down"));
        view(list)->setCurrentIndex(list.model()->entryIndex(0));
        QCOMPARE(enabling(list, fieldButtons), QStringLiteral("Add Remove Edit -Up Down"));
        view(list)->setCurrentIndex(list.model()->entryIndex(1));
        QCOMPARE(enabling(list, fieldButtons), QStringLiteral("Add Remove Edit Up Down"));
        view(list)->setCurrentIndex(list.model()->entryIndex(2));
        QCOMPARE(enabling(list, fieldButtons), QStringLiteral("Add Remove Edit Up -Down"));
    }

    void fieldListUpDownAndRemove()
    {
        FieldList list(Key::fields);
        list.addButtons();
        QSignalSpy changed(&list, &ConfigurationListBase::changed);
        list.setValue(QJsonObject{{Key::fields, QJsonArray{field("a"), field("b"), field("c")}}}, true);
        QVERIFY(changed.count() >= 1); // the reset

        view(list)->setCurrentIndex(list.model()->entryIndex(0));
        QTest::mouseClick(button(list, "&Down"), Qt::LeftButton);
        QCOMPARE(names(list), (QStringList{"b", "a", "c"}));
        QCOMPARE(list.currentRow(), 1);
        QTest::mouseClick(button(list, "&Down"), Qt::LeftButton);
        QCOMPARE(names(list), (QStringList{"b", "c", "a"}));
        QVERIFY(!button(list, "&Down")->isEnabled());
        QTest::mouseClick(button(list, "&Up"), Qt::LeftButton);
        QCOMPARE(names(list), (QStringList{"b", "a", "c"}));
        QCOMPARE(list.currentRow(), 1);

        // Removing the middle field selects the one that took its place.
        QTest::mouseClick(button(list, "&Remove"), Qt::LeftButton);
        QCOMPARE(names(list), (QStringList{"b", "c"}));
        QCOMPARE(list.currentRow(), 1);
        // Removing the last selects the new last.
        QTest::mouseClick(button(list, "&Remove"), Qt::LeftButton);
        QCOMPARE(names(list), QStringList{"b"});
        QCOMPARE(list.currentRow(), 0);
        QTest::mouseClick(button(list, "&Remove"), Qt::LeftButton);
        QVERIFY(names(list).isEmpty());
        QCOMPARE(list.currentRow(), -1);
        QCOMPARE(enabling(list, fieldButtons), QStringLiteral("Add -Remove -Edit -Up -Down"));
    }

    void containerClassFields()
    {
        FeatureInput feature;
        FieldList list(Key::fields, &feature);
        list.addButtons();
        list.setValue(QJsonObject{{Key::fields, QJsonArray{field("a"), field("b")}}}, true);
        view(list)->setCurrentIndex(list.model()->entryIndex(1));
        QVERIFY(button(list, "&Up")->isEnabled());

        QSignalSpy changed(&list, &ConfigurationListBase::changed);
        feature.select(QStringLiteral("Container"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(enabling(list, fieldButtons), QStringLiteral("-Add Remove Edit -Up -Down"));
        feature.select(QStringLiteral("Class"));
        QCOMPARE(enabling(list, fieldButtons), QStringLiteral("Add Remove Edit Up -Down"));
    }

    void containerRule_data()
    {
        QTest::addColumn<QString>("feature");
        QTest::addColumn<QJsonArray>("fields");
        QTest::addColumn<QString>("error");
        const QString noField = "The configuration is defining a Container object.\nYou must define one container "
                                "type field.";
        const QString notContainer = "The configuration is defining a Container object.\nThe associated field Must "
                                     "be of container type.";
        QTest::newRow("class, no field") << "Class" << QJsonArray{} << "";
        QTest::newRow("container, no field") << "Container" << QJsonArray{} << noField;
        QTest::newRow("container, plain field") << "Container" << QJsonArray{field("a")} << notContainer;
        QTest::newRow("container, array field") << "Container" << QJsonArray{field("a", "Array")} << "";
        // Without a plug-in there is no class list to look the model up in.
        QJsonObject fromModel = field("a", "FromBaseClass");
        fromModel.insert(Key::model, QStringLiteral("QList"));
        QTest::newRow("container, field from a model, no plug-in") << "Container" << QJsonArray{fromModel}
                                                                    << notContainer;
        QTest::newRow("container, second field plain")
            << "Container" << QJsonArray{field("a", "Linked"), field("b")} << notContainer;
    }
    void containerRule()
    {
        QFETCH(QString, feature);
        QFETCH(QJsonArray, fields);
        QFETCH(QString, error);
        FeatureInput input;
        input.feature = feature;
        QVERIFY(!KorvanDebugger::Internal::KorvanDebuggerPlugin::instance());
        FieldList list(Key::fields, &input); // no widget: the rule holds without one
        list.setValue(QJsonObject{{Key::fields, fields}}, true);
        QCOMPARE(list.isValid(), error.isEmpty());
        QCOMPARE(list.errorMessage(), error);
    }

    void values()
    {
        FieldList list(Key::fields);
        list.setValue(QJsonObject{{Key::fields, QJsonArray{field("a")}}}, true);
        QCOMPARE(list.value().toArray().size(), 1);
        list.setValue(QJsonObject{{Key::fields, QStringLiteral("not a list")}}, true);
        QCOMPARE(list.value(), QJsonValue(QJsonArray()));
        list.setValue(QJsonObject{{Key::fields, QJsonArray{field("a")}}}, true);
        list.setValue(QJsonObject{{Key::fields, QJsonArray{field("a")}}}, false);
        QCOMPARE(list.value(), QJsonValue(QJsonArray()));

        QCOMPARE(list.generate().expression, QStringLiteral("fields = []"));
        ClassList classes;
        classes.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A", false), cls("H", "B", false)}}}, true);
        const PythonCode code = classes.generate();
        QVERIFY(code.definitions.isEmpty());
        QVERIFY(code.expression.isEmpty());
    }

    void classListButtons()
    {
        ClassList list;
        QCOMPARE(list.key(), Key::classes);
        list.addButtons();
        for (const QString &text : classButtons)
            QVERIFY2(button(list, text), qPrintable(text));
        QVERIFY(!button(list, "&Up"));
        for (const char *text : {"&Clone", "&Import", "&Export"})
            QVERIFY2(!button(list, text)->icon().pixmap(16).isNull(), text);
        QCOMPARE(button(list, "&Remove")->toolTip(), QStringLiteral("Delete an existing class definition."));
        QVERIFY(button(list, "&Import")->whatsThis().startsWith(
            QStringLiteral("<b>Import the Model Definitions from an external file.</b>")));
        QCOMPARE(view(list)->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Class Name"));

        list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B"), cls("H", "C")}}}, true);
        QCOMPARE(enabling(list, classButtons), QStringLiteral("Add -Remove -Edit -Clone Import Export"));
        // A group row is no class.
        view(list)->setCurrentIndex(list.model()->index(0, 0));
        QCOMPARE(list.currentRow(), -1);
        QCOMPARE(enabling(list, classButtons), QStringLiteral("Add -Remove -Edit -Clone Import Export"));
        list.model()->setCurrentRow(1);
        QCOMPARE(enabling(list, classButtons), QStringLiteral("Add Remove Edit Clone Import Export"));
    }

    void classListRemoveKeepsExpansion()
    {
        ClassList list;
        list.addButtons();
        list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B"), cls("H", "C"),
                                                            cls("K", "D")}}},
                      true);
        ClassModel *model = list.classModel();
        model->expandGroup(QStringLiteral("H"));
        model->setCurrentRow(model->findEntry("G", "B"));
        QTest::mouseClick(button(list, "&Remove"), Qt::LeftButton);
        // The class that took its place: the first of the next group.
        QCOMPARE(list.currentRow(), model->findEntry("H", "C"));
        QVERIFY(view(list)->isExpanded(model->index(1, 0)));
        QVERIFY(!view(list)->isExpanded(model->index(0, 0)));
        QTest::mouseClick(button(list, "&Remove"), Qt::LeftButton);
        // Group H is gone; K stays collapsed.
        QCOMPARE(model->rowCount(), 2);
        QVERIFY(!view(list)->isExpanded(model->index(1, 0)));
        QCOMPARE(list.currentRow(), model->findEntry("K", "D"));
        QTest::mouseClick(button(list, "&Remove"), Qt::LeftButton);
        QCOMPARE(list.currentRow(), model->findEntry("G", "A"));
        QTest::mouseClick(button(list, "&Remove"), Qt::LeftButton);
        QCOMPARE(list.value(), QJsonValue(QJsonArray()));
        QCOMPARE(list.currentRow(), -1);
        QVERIFY(!button(list, "&Remove")->isEnabled());
    }

    void checkingThroughTheView()
    {
        ClassList list;
        list.addButtons();
        list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B", false)}}}, true);
        QAbstractItemModel *model = view(list)->model();
        QCOMPARE(model->data(model->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));
        QVERIFY(model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        const QJsonArray entries = list.value().toArray();
        QVERIFY(entries.at(0).toObject().value(Key::enable).toBool());
        QVERIFY(entries.at(1).toObject().value(Key::enable).toBool());
    }
};

QTEST_MAIN(TestListWidgets)
#include "tst_listwidgets.moc"
