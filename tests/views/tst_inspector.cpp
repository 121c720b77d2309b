// The Inspector without a debugger: queuing, expansion of inspected items,
// the fetch command it builds, the readers over a watch model, and the
// pointer and address texts.

#include "common/testenvironment.h"
#include "views/inspector.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/watchhandler.h>
#include <protocol/debuggercommand.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

using namespace Debugger::Internal;
using KorvanDebugger::Internal::Inspector;

namespace {
// A watch item (name, value, type) with its iname and expression on every cell.
QList<QStandardItem *> row(const QString &iname, const QString &expression, const QString &name,
                           const QString &value = QString(), const QString &type = QString())
{
    QList<QStandardItem *> cells{new QStandardItem(name), new QStandardItem(value), new QStandardItem(type)};
    for (QStandardItem *cell : cells) {
        cell->setData(iname, LocalsINameRole);
        cell->setData(expression, LocalsExpressionRole);
        cell->setData(type, LocalsTypeRole);
    }
    return cells;
}

QStringList inames(const QMap<QByteArray, bool> &set)
{
    QStringList names;
    for (auto it = set.constBegin(); it != set.constEnd(); ++it)
        names << QString::fromLatin1(it.key());
    return names;
}
} // namespace

class TestInspector : public QObject
{
    Q_OBJECT

private:
    TestEnvironment m_environment;

private slots:
    void addWatchNumbersInamesAcrossInspectors()
    {
        Inspector first;
        QVERIFY(first.addWatch("a"));
        // The count is shared by all inspectors and never reset.
        const QByteArray firstName = first.requests().value("a").firstKey();
        QVERIFY(firstName.startsWith("inspect."));
        const int n = firstName.mid(8).toInt();
        QVERIFY(n >= 1);
        Inspector second;
        QVERIFY(second.addWatch("b"));
        QCOMPARE(second.requests().value("b").firstKey(), "inspect." + QByteArray::number(n + 1));
        // A repeated expression is no new request, but its iname is kept.
        QVERIFY(!second.addWatch("b"));
        QCOMPARE(second.requests().value("b").size(), 2);
        QVERIFY(!second.addWatch("b", "inspect.given"));
        QVERIFY(second.requests().value("b").contains("inspect.given"));
        QVERIFY(second.addWatch("c", "inspect.own"));
        QCOMPARE(inames(second.requests().value("c")), QStringList{"inspect.own"});
        second.reset();
        QVERIFY(second.requests().isEmpty());
    }

    void fetchMoreCollectsTheInamesUpToTheInspectedExpression()
    {
        WatchHandler handler;
        WatchModel *model = handler.model();
        QStandardItem *section = model->rootItem("inspect");
        QList<QStandardItem *> top = row("inspect.7", "list", "list", "{...}", "Node");
        section->appendRow(top);
        QList<QStandardItem *> next = row("inspect.7.next", "", "next", "0x10", "Node *");
        top.first()->appendRow(next);
        QList<QStandardItem *> star = row("inspect.7.next.*", "", "*", "{...}", "Node");
        next.first()->appendRow(star);

        Inspector inspector;
        QVERIFY(inspector.addWatch("list", "inspect.7"));
        QVERIFY(inspector.fetchMore(star.first()->index()));
        QCOMPARE(inames(inspector.requests().value("list")),
                 (QStringList{"inspect.7", "inspect.7.next", "inspect.7.next.*"}));
        // The same item twice adds nothing.
        QVERIFY(!inspector.fetchMore(star.first()->index()));
        QVERIFY(!inspector.fetchMore(next.first()->index()));
        // Invalid indexes are refused.
        QVERIFY(!inspector.fetchMore(QModelIndex()));
        // The section itself: an empty entry under the empty expression.
        QVERIFY(!inspector.fetchMore(section->index()));
        QVERIFY(inspector.requests().contains(QByteArray()));
        QVERIFY(inspector.requests().value(QByteArray()).isEmpty());
    }

    void fetchMoreOfAnotherItemLetsTheHostFetch()
    {
        WatchHandler handler;
        WatchModel *model = handler.model();
        QList<QStandardItem *> local = row("local.list", "list", "list", "{...}", "Node");
        local.first()->setData(2, Qt::UserRole + 1); // the host's child count
        model->rootItem("local")->appendRow(local);
        QSignalSpy fetches(model, &WatchModel::fetchRequested);
        Inspector inspector;
        QSignalSpy received(&inspector, &Inspector::dataReceived);
        QVERIFY(inspector.fetchMore(local.first()->index()));
        QCOMPARE(fetches.count(), 1);
        QVERIFY(inspector.isPending());
        QVERIFY(inspector.requests().isEmpty());
        // The host's update ends the wait, once.
        handler.notifyUpdateFinished();
        handler.notifyUpdateFinished();
        QVERIFY(received.wait(1000));
        QTest::qWait(20);
        QCOMPARE(received.count(), 1);

        // An item the host has nothing more to give for (no children, or
        // its children already there) is refused: no answer would come.
        QList<QStandardItem *> leaf = row("local.count", "count", "count", "3", "int");
        model->rootItem("local")->appendRow(leaf);
        Inspector other;
        QVERIFY(!other.fetchMore(leaf.first()->index()));
        local.first()->appendRow(row("local.list.id", "list.id", "id", "1", "int"));
        QVERIFY(!other.fetchMore(local.first()->index()));
        QCOMPARE(fetches.count(), 1);
        QVERIFY(!other.isPending());
    }

    void noEngineMeansNothingSentAndNothingAnnounced()
    {
        setCurrentEngine(nullptr);
        Inspector inspector;
        QSignalSpy received(&inspector, &Inspector::dataReceived);
        inspector.flushRequests(); // nothing requested
        inspector.addWatch("x");
        inspector.flushRequests();
        QVERIFY(!inspector.isPending());
        inspector.dataReady();
        QTest::qWait(20);
        QCOMPARE(received.count(), 0);
    }

    void appendArgsExtendsArraysAndRefusesPositionalArguments()
    {
        DebuggerCommand command("fetchVariable");
        Inspector::appendArgs(command, "watchers", QJsonArray{1});
        Inspector::appendArgs(command, "watchers", QJsonArray{2, 3});
        Inspector::appendArgs(command, "expanded", QJsonArray{});
        QCOMPARE(command.args.toObject().value("watchers").toArray(), (QJsonArray{1, 2, 3}));
        QCOMPARE(command.args.toObject().value("expanded").toArray(), QJsonArray());

        DebuggerCommand positional("x");
        positional.arg("first");
        const QJsonValue before = positional.args;
        QTest::ignoreMessage(QtDebugMsg,
                             "SOFT ASSERT: \"cmd.args.isObject() || cmd.args.isNull()\" in file "
                             "korvandebuggerinspector, line 140");
        Inspector::appendArgs(positional, "watchers", QJsonArray{1});
        QCOMPARE(positional.args, before);
    }

    void readersFindTheItemsOfTheirExpressions()
    {
        // The readers look into the current engine's model; without an
        // engine they find nothing.
        Inspector inspector;
        inspector.addWatch("a.b");
        QVERIFY(!inspector.valueOf("a.b").isValid());
        QVERIFY(!inspector.valueData("a.b", Qt::DisplayRole).isValid());
        QVERIFY(!inspector.childOfValue("a.b", "x").isValid());
        QVERIFY(inspector.collectResults().isEmpty());
    }

    void childValueTakesOnlyDirectChildren()
    {
        QStandardItemModel model;
        auto top = new QStandardItem("top");
        model.appendRow(top);
        auto deep = new QStandardItem("inner");
        top->appendRow(deep);
        deep->appendRow(new QStandardItem("Definition"));
        auto sibling = new QStandardItem("after");
        model.appendRow(sibling);
        sibling->appendRow(new QStandardItem("Definition"));
        QVERIFY(!Inspector::childValue(top->index(), "Definition").isValid());
        top->appendRow(new QStandardItem("Definition"));
        const QModelIndex hit = Inspector::childValue(top->index(), "Definition");
        QVERIFY(hit.isValid());
        QCOMPARE(hit.parent(), top->index());
        QVERIFY(!Inspector::childValue(QModelIndex(), "Definition").isValid());
    }

    void childValueNamesTheWholeTextExactly()
    {
        QStandardItemModel model;
        auto entry = new QStandardItem("[0]");
        model.appendRow(entry);
        for (const char *name : {"Parent Module", "parent instance", "Parent Instance", "Parent Instances"})
            entry->appendRow(new QStandardItem(name));
        QCOMPARE(Inspector::childValue(entry->index(), "Parent Instance").row(), 2);
        QCOMPARE(Inspector::childValue(entry->index(), "Parent Module").row(), 0);
        QVERIFY(!Inspector::childValue(entry->index(), "Parent").isValid());
        QVERIFY(!Inspector::childValue(entry->index(), "Parent Instance ").isValid());
    }

    void pointerTypeAndAddressText_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("expected");
        QTest::newRow("type") << "Foo" << "{...}" << "Foo*";
        QTest::newRow("pointer type") << "Foo *" << "0x10" << "Foo*";
        QTest::newRow("double pointer") << "Foo **" << "0x10" << "Foo **";
        QTest::newRow("display") << "" << "(Foo) 0x10" << "Foo*";
        QTest::newRow("display pointer") << "" << "(Foo*) 0x10" << "Foo*";
        QTest::newRow("display blank pointer") << "" << "(Foo *) 0x1234" << "Foo*";
        QTest::newRow("display padded") << "" << "( ns::Foo ) 0x1" << "ns::Foo*";
        QTest::newRow("empty parentheses") << "" << "() 0x1" << "";
        QTest::newRow("nothing") << "" << "" << "";
    }
    void pointerTypeAndAddressText()
    {
        QFETCH(QString, type);
        QFETCH(QString, display);
        QFETCH(QString, expected);
        QStandardItemModel model;
        auto item = new QStandardItem(display);
        item->setData(type, LocalsTypeRole);
        // Above 32 bits: addresses are never cut.
        item->setData(qulonglong(0x7ffe0000abcdULL), LocalsAddressRole);
        model.appendRow(item);
        QCOMPARE(Inspector::pointerType(item->index()), expected);
        QCOMPARE(Inspector::addressText(item->index()), QStringLiteral("(%1) 0x7ffe0000abcd").arg(expected));
    }
};

QTEST_MAIN(TestInspector)
#include "tst_inspector.moc"
