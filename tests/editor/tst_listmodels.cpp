#include "common/testenvironment.h"

#include "configuration/keys.h"
#include "editor/configurationlistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

QJsonObject cls(const QString &group, const QString &type, const QJsonValue &enable = QJsonValue::Undefined)
{
    QJsonObject o{{Key::className, QJsonObject{{Key::TemplateType, type}}}};
    if (!group.isNull())
        o.insert(Key::group, group);
    if (!enable.isUndefined())
        o.insert(Key::enable, enable);
    return o;
}

// "group: class class ..." per group row, in row order.
QStringList tree(const ClassModel &model)
{
    QStringList out;
    for (int g = 0; g < model.rowCount(); ++g) {
        const QModelIndex group = model.index(g, 0);
        QString line = model.data(group, Qt::DisplayRole).toString() + QLatin1Char(':');
        for (int c = 0; c < model.rowCount(group); ++c)
            line += QLatin1Char(' ') + model.data(model.index(c, 0, group), Qt::DisplayRole).toString();
        out << line;
    }
    return out;
}

bool enabledAt(const ClassModel &model, int row)
{
    return model.entryAt(row).value(Key::enable).toBool(true);
}

} // namespace

class TestListModels : public QObject
{
    Q_OBJECT

private slots:
    void classTreeOrder()
    {
        ClassModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setEntries({cls("Qt (Common)", "QMap"), cls("boost (1_60)", "shared_ptr"), cls("Qt (Common)", "qlist"),
                          cls(QString(), "Mine"), cls("", "Other")});
        // Group rows: exact code-unit order; classes: case-insensitive.
        QCOMPARE(tree(model), (QStringList{"<Default>: Mine Other", "Qt (Common): qlist QMap",
                                           "boost (1_60): shared_ptr"}));
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Class Name"));
        // Array rows and tree addresses agree.
        for (int row = 0; row < model.rowCount(model.index(1, 0)); ++row) {
            const QModelIndex index = model.index(row, 0, model.index(1, 0));
            QCOMPARE(model.entryIndex(model.entryRow(index)), index);
        }
        QCOMPARE(model.entryRow(model.index(0, 0)), -1);
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    }

    void duplicatesAndEnabledConflicts()
    {
        ClassModel model;
        QSignalSpy duplicates(&model, &ClassModel::duplicateEntry);
        QSignalSpy disabled(&model, &ClassModel::disableEntry);
        model.setEntries({cls("A", "QList"), cls("B", "QList", false)});
        QCOMPARE(disabled.count(), 0);

        // Loading a document: a later enabled class of the same name
        // disables the earlier one, once per conflict; a duplicate is refused.
        ClassModel loaded;
        QSignalSpy loadedDuplicates(&loaded, &ClassModel::duplicateEntry);
        QSignalSpy loadedDisabled(&loaded, &ClassModel::disableEntry);
        loaded.setEntries({cls("B", "QList"), cls("A", "QMap"), cls("A", "QList"), cls("C", "QList", false),
                           cls("B", "QList"), cls("D", "QMap", false)});
        QCOMPARE(loadedDuplicates.count(), 1);
        QCOMPARE(loadedDisabled.count(), 1);
        QCOMPARE(loadedDisabled.first().first().value<QJsonObject>().value(Key::group).toString(), QStringLiteral("B"));
        QCOMPARE(loaded.size(), 5);
        QVERIFY(enabledAt(loaded, 0) && enabledAt(loaded, 1) && !enabledAt(loaded, 2) && !enabledAt(loaded, 3));

        model.beginResetModel();
        QCOMPARE(model.insertEntry(0, cls("A", "QList")), -1); // same class, same group
        QCOMPARE(duplicates.count(), 1);
        // Same class in another group: accepted; the enabled one elsewhere is disabled.
        const int row = model.insertEntry(0, cls("C", "QList"));
        model.entriesChanged();
        model.endResetModel();
        QCOMPARE(row, 2);
        QCOMPARE(disabled.count(), 1);
        QCOMPARE(disabled.first().first().value<QJsonObject>().value(Key::group).toString(), QStringLiteral("A"));
        QVERIFY(!enabledAt(model, 0) && !enabledAt(model, 1) && enabledAt(model, 2));

        // A refused replacement keeps the old class in place.
        model.beginResetModel();
        QCOMPARE(model.replaceEntry(0, cls("C", "QList")), -1);
        model.endResetModel();
        QCOMPARE(model.entryAt(0).value(Key::group).toString(), QStringLiteral("A"));
        QCOMPARE(model.size(), 3);

        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        ClassModel empty;
        QSignalSpy emptyResets(&empty, &QAbstractItemModel::modelReset);
        empty.setEntries({});
        QCOMPARE(emptyResets.count(), 0);
    }

    void checkBoxes()
    {
        ClassModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setEntries({cls("G", "A"), cls("G", "B", false), cls("H", "C")});
        const QModelIndex g = model.index(0, 0);
        QCOMPARE(model.data(g, Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));
        QVERIFY(model.setData(g, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(enabledAt(model, 0) && enabledAt(model, 1));
        QVERIFY(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        // A class row takes the state sent: sending the state it has changes nothing.
        const QModelIndex c = model.index(0, 0, model.index(1, 0));
        QVERIFY(model.setData(c, Qt::Checked, Qt::CheckStateRole));
        QVERIFY(enabledAt(model, 2));
        QVERIFY(model.setData(model.index(0, 0, model.index(1, 0)), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!enabledAt(model, 2));
        QVERIFY(model.setData(model.index(0, 0, model.index(1, 0)), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!enabledAt(model, 2));
        QCOMPARE(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!model.setData(model.index(0, 0, model.index(1, 0)), QStringLiteral("x"), Qt::DisplayRole));
        QVERIFY(!model.setData(QModelIndex(), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!enabledAt(model, 2));
    }

    void indicesStayInRange()
    {
        ClassModel model;
        model.setEntries({cls("G", "A"), cls("G", "B"), cls("H", "C")});
        const QModelIndex g = model.index(0, 0);
        QVERIFY(g.isValid());
        QVERIFY(!model.index(2, 0).isValid()); // two groups
        QVERIFY(!model.index(-1, 0).isValid());
        QVERIFY(!model.index(0, 1).isValid()); // one column
        QVERIFY(model.index(1, 0, g).isValid());
        QVERIFY(!model.index(2, 0, g).isValid()); // group G holds two classes
        QVERIFY(!model.index(0, 0, model.index(0, 0, g)).isValid()); // classes have no children
        QVERIFY(!model.data(model.index(5, 0), Qt::DisplayRole).isValid());
        QCOMPARE(model.entryRow(model.index(0, 0, model.index(1, 0))), 2);
        QVERIFY(!model.entryIndex(3).isValid());
    }

    // Groups "G" and "g" sort equal but are different groups: the classes
    // of both interleave in one run under classLessThan.
    void duplicatesInAnEqualRun()
    {
        ClassModel model;
        QSignalSpy duplicates(&model, &ClassModel::duplicateEntry);
        // Groups told apart by letter case only are distinct groups, each its
        // own run, ordered by code unit: the array reads G/Foo, g/foo.
        model.setEntries({cls("g", "foo"), cls("G", "Foo")});
        QCOMPARE(model.entryAt(0).value(Key::group).toString(), QStringLiteral("G"));

        model.beginResetModel();
        QCOMPARE(model.insertEntry(0, cls("G", "Foo")), -1);
        QCOMPARE(duplicates.count(), 1);
        QCOMPARE(model.size(), 2);
        // Merging replaces the class it collides with, wherever in the run.
        model.mergeEntry(cls("G", "Foo", false));
        model.entriesChanged();
        model.endResetModel();
        QCOMPARE(model.size(), 2);
        QCOMPARE(duplicates.count(), 1);
        QCOMPARE(model.findEntry("G", "Foo"), model.findEntry("G", "Foo")); // stable
        const int row = model.findEntry("G", "Foo");
        QVERIFY(row != -1);
        QVERIFY(!enabledAt(model, row));
        QCOMPARE(model.findEntry("g", "foo"), row == 0 ? 1 : 0);
        QCOMPARE(model.findEntry("G", "foo"), -1);

        // A refused replacement is announced once and leaves the class in place.
        duplicates.clear();
        const int other = model.findEntry("g", "foo");
        model.beginResetModel();
        QJsonObject renamed = cls("G", "Foo");
        QCOMPARE(model.replaceEntry(other, renamed), -1);
        model.endResetModel();
        QCOMPARE(duplicates.count(), 1);
        QCOMPARE(model.findEntry("g", "foo"), other);
        QCOMPARE(model.size(), 2);
    }

    void insertReturnsTheRowOfTheInsertedClass()
    {
        // Same className, groups differing only in letter case: disabling the
        // older class puts it back in the same run as the new one.
        ClassModel model;
        QSignalSpy disabled(&model, &ClassModel::disableEntry);
        model.setEntries({cls("a", "T"), cls("B", "U")});
        model.beginResetModel();
        const QJsonObject added = cls("A", "T");
        const int row = model.insertEntry(0, added);
        model.entriesChanged();
        model.endResetModel();
        QCOMPARE(disabled.count(), 1);
        QCOMPARE(model.entryAt(row), added);
    }

    // Every change is a model reset; the tester checks the tree after each.
    void testerThroughEdits()
    {
        ClassModel classes;
        QAbstractItemModelTester classTester(&classes, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTreeView classView;
        classView.setModel(&classes);
        classes.view = &classView;
        classes.setEntries({cls("G", "A"), cls("G", "B", false), cls("H", "C"), cls("", "D")});
        classes.expandGroup(QStringLiteral("G"));
        {
            // Nothing current: Remove does nothing, not even a reset.
            QSignalSpy resets(&classes, &QAbstractItemModel::modelReset);
            classes.removeAction();
            QCOMPARE(resets.count(), 0);
            QCOMPARE(classes.size(), 4);
        }
        classes.setCurrentRow(classes.findEntry("G", "B"));
        classes.removeAction();
        QCOMPARE(tree(classes), (QStringList{"<Default>: D", "G: A", "H: C"}));
        QVERIFY(classView.isExpanded(classes.index(1, 0)));
        QVERIFY(classes.setData(classes.index(2, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(classes.setData(classes.index(0, 0, classes.index(1, 0)), Qt::Unchecked, Qt::CheckStateRole));
        classes.setCurrentRow(0);
        classes.removeAction();
        QCOMPARE(tree(classes), (QStringList{"G: A", "H: C"}));
        classes.setEntries({cls("X", "Y")});
        classes.setEntries({});
        QCOMPARE(classes.rowCount(), 0);

        FieldModel fields;
        QAbstractItemModelTester fieldTester(&fields, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTreeView fieldView;
        fieldView.setModel(&fields);
        fields.view = &fieldView;
        fields.setEntries({QJsonObject{{Key::displayedName, "a"}}, QJsonObject{{Key::displayedName, "b"}},
                           QJsonObject{{Key::displayedName, "c"}}});
        fields.setCurrentRow(0);
        fields.downAction();
        fields.downAction();
        QCOMPARE(fields.findField("a"), 2);
        fields.upAction();
        fields.beginResetModel();
        fields.insertEntry(1, QJsonObject{{Key::displayedName, "d"}});
        fields.replaceEntry(0, QJsonObject{{Key::displayedName, "e"}});
        fields.endResetModel();
        fields.setCurrentRow(3);
        fields.removeAction();
        QCOMPARE(fields.currentRow(), 2); // the new last one
        QCOMPARE(fields.size(), 3);
        QVERIFY(!fields.index(3, 0).isValid());
        QVERIFY(!fields.index(0, 2).isValid());
    }

    void typeLookup_data()
    {
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QString>("found");
        QTest::newRow("exact") << "ns::Foo<int>" << "ns::Foo<int>";
        QTest::newRow("template base") << "ns::Foo<char>" << "ns::Foo";
        QTest::newRow("anonymous scope") << "(anonymous namespace)::Bar<int>" << "Bar";
        QTest::newRow("disabled never") << "Off" << "";
        QTest::newRow("unknown") << "Nothing" << "";
        QTest::newRow("plain anonymous") << "(anonymous namespace)::Bar" << "Bar";
        QTest::newRow("scope inside arguments") << "ns::Foo<(anonymous namespace)::X>" << "ns::Foo";
        QTest::newRow("qualified arguments") << "std::map<int, a::b>" << "std::map";
        QTest::newRow("case matters") << "ns::foo<int>" << "";
    }
    void typeLookup()
    {
        QFETCH(QString, typeName);
        QFETCH(QString, found);
        ClassModel model;
        model.setEntries({cls("", "ns::Foo<int>"), cls("", "ns::Foo"), cls("", "Bar"), cls("", "Off", false),
                          cls("std", "std::map")});
        QCOMPARE(model.findClassForType(typeName).value(Key::className).toObject().value(Key::TemplateType).toString(),
                 found);
    }

    void findEntryOnlyFindsTheClass()
    {
        ClassModel model;
        model.setEntries({cls("G", "A"), cls("G", "C"), cls("", "Z")});
        QCOMPARE(model.findEntry("G", "C"), 2);
        QCOMPARE(model.findEntry("", "Z"), 0);
        QCOMPARE(model.findEntry("G", "B"), -1); // the neighbour is not the class
        QCOMPARE(model.findEntry("H", "A"), -1);
    }

    void mergeReplacesDuplicates()
    {
        ClassModel model;
        model.setEntries({cls("G", "A"), cls("G", "B")});
        QJsonObject changed = cls("G", "A", false);
        changed.insert(QStringLiteral("feature"), QStringLiteral("Container"));
        model.beginResetModel();
        model.mergeEntry(changed);
        model.entriesChanged();
        model.endResetModel();
        QCOMPARE(model.size(), 2);
        QCOMPARE(model.entryAt(0).value(QStringLiteral("feature")).toString(), QStringLiteral("Container"));
    }

    void viewStateSurvivesResets()
    {
        ClassModel model;
        QTreeView view;
        view.setModel(&model);
        model.view = &view;
        model.setEntries({cls("G", "A"), cls("H", "B")});
        model.expandGroup(QStringLiteral("H"));
        QVERIFY(view.isExpanded(model.index(1, 0)));
        QVERIFY(!view.isExpanded(model.index(0, 0)));
        model.saveViewState();
        model.beginResetModel();
        model.insertEntry(0, cls("G", "C"));
        model.insertEntry(0, cls("J", "D")); // a group the view has never shown
        model.entriesChanged();
        model.endResetModel();
        model.restoreViewState();
        QVERIFY(view.isExpanded(model.index(1, 0)));
        QVERIFY(!view.isExpanded(model.index(2, 0)));
        view.setCurrentIndex(model.index(1, 0, model.index(0, 0)));
        QCOMPARE(model.currentRow(), 1);
        model.setCurrentRow(2);
        QCOMPARE(view.currentIndex(), model.index(0, 0, model.index(1, 0)));
    }

    void fieldModel()
    {
        FieldModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setEntries({QJsonObject{{Key::type, "Standard"}, {Key::displayedName, "size"}},
                          QJsonObject{{Key::type, "FromBaseClass"}, {Key::model, "Base"}}});
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("Standard"));
        QCOMPARE(model.data(model.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("Base"));
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Member name"));
        QCOMPARE(model.findField("size"), 0);
        QCOMPARE(model.findField("<Default>"), -1);
        QCOMPARE(model.findField("missing"), -1);

        QTreeView view;
        view.setModel(&model);
        model.view = &view;
        model.upAction(); // no current row: nothing
        view.setCurrentIndex(model.index(1, 0));
        model.upAction();
        QCOMPARE(model.entryAt(0).value(Key::model).toString(), QStringLiteral("Base"));
        QCOMPARE(model.currentRow(), 0);
        model.upAction(); // first row: nothing
        QCOMPARE(model.entryAt(0).value(Key::model).toString(), QStringLiteral("Base"));
        model.downAction();
        QCOMPARE(model.entryAt(1).value(Key::model).toString(), QStringLiteral("Base"));
        model.downAction(); // last row: nothing
        QCOMPARE(model.currentRow(), 1);

        FieldModel one;
        one.setEntries({QJsonObject{{Key::displayedName, "x"}}});
        QCOMPARE(one.findField("<Default>"), 0);
    }
};

QTEST_MAIN(TestListModels)
#include "tst_listmodels.moc"
