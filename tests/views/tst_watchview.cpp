// The decorated watch view: the HTML of marked value texts and its painting,
// the value-cell proxy with the graph icon, editing netlist and plain values,
// the value-format menu with its customized-container entry, and the wizard
// run behind it (scripted through its seam).

#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "configuration/pythoncode.h"
#include "netlist/netlisttypes.h"
#include "plugin/containercustomizationwizard.h"
#include "plugin/customregistrations.h"
#include "plugin/korvandebuggerplugin.h"
#include "views/colouredvalue.h"
#include "views/korvandebuggerwatchdelegate.h"

#include <debugger/debuggerconstants.h>
#include <dialogs/dialogs.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodQueryEvent>
#include <QJsonArray>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStandardItemModel>
#include <QTextDocument>
#include <QTreeView>
#include <QtTest>

using namespace KorvanDebugger::Internal;
using namespace Debugger::Internal;
namespace Key = KorvanDebugger::Configuration::Key;

namespace {
const QChar mark(0x200A);
const QChar item(0x2009);
const QChar hideStart(0x226A);
const QChar hideEnd(0x226B);
const QChar in(0x21E5);
const QChar out(0x21A6);
const QChar inout(0x21F9);
const QChar dot(0x00B7);

// An instance "u1" as the Verific printers write it: each parameter is a
// direction mark (or a middle dot), the formal with a hidden pointer, and
// its net in parentheses.
QString instanceText()
{
    return QStringLiteral("u1") + mark + QStringLiteral("(") + in + QStringLiteral("a") + hideStart
        + QStringLiteral("0x1234") + hideEnd + mark + QStringLiteral("(n1),") + item + out + QStringLiteral("y") + mark
        + QStringLiteral("(n2),") + item + dot + QStringLiteral("z") + mark + QStringLiteral("(n3))");
}

QList<QStandardItem *> watchRow(const QString &iname, const QString &name, const QString &value, const QString &type)
{
    QList<QStandardItem *> cells{new QStandardItem(name), new QStandardItem(value), new QStandardItem(type)};
    for (QStandardItem *cell : cells)
        cell->setData(iname, LocalsINameRole);
    return cells;
}

int countColour(const QImage &image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return n;
}

QImage paintCell(const QAbstractItemDelegate &delegate, const QModelIndex &index, QStyle::State state,
                 const QSize &size = QSize(300, 24))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(QPoint(0, 0), size);
    option.state = state;
    option.palette.setColor(QPalette::Text, Qt::black);
    option.palette.setColor(QPalette::Highlight, QColor(0x10, 0x20, 0x30));
    option.palette.setColor(QPalette::HighlightedText, Qt::white);
    option.font.setPixelSize(14);
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    delegate.paint(&painter, option, index);
    painter.end();
    return image;
}

QJsonObject containerClassDefinition()
{
    return QJsonObject{
    {Key::className, QJsonObject{{Key::TemplateType, "IntArray"}}},
    {Key::group, "Test"},
    {Key::feature, "Container"},
    {Key::fields, QJsonArray{QJsonObject{{"type", "Array"}, {"displayedName", "#"}, {"dimension", "1D"},
                                         {"accessor", QJsonObject{{"accessor", QJsonObject{{"Field", "."}}}}},
                                         {"arrayBase", QJsonObject{{"Field", ".data"}}},
                                         {"arraySize", QJsonObject{{"Field", ".size"}}},
                                         {"cellDefinition", QJsonObject{{"CppType", "int"}}}}}}};
}
QJsonObject plainClassDefinition()
{
    return QJsonObject{{Key::className, QJsonObject{{Key::TemplateType, "Point"}}},
                             {Key::group, "Test"},
                             {Key::feature, "Class"},
                             {Key::fields, QJsonArray{QJsonObject{{"type", "Standard"}, {"displayedName", "x"},
                                                                  {"accessor", QJsonObject{{"accessor", QJsonObject{{"Field", ".x"}}}}}}}}};
}
} // namespace

class TestWatchView : public QObject
{
    Q_OBJECT

private:
    TestEnvironment m_environment;

private slots:
    void initTestCase() { registerBuiltinNetlistTypes(); }

    void markedTextBecomesColouredHtml()
    {
        const QString html = markedValueHtml(instanceText(), false);
        QCOMPARE(html, QStringLiteral("<font color=\"#D80\">u1</font>(<font color=\"#00F\">") + in
                           + QStringLiteral("a</font>(<font color=\"#808\">n1</font>),<font color=\"#00F\">") + out
                           + QStringLiteral("y</font>(<font color=\"#808\">n2</font>),<font color=\"#00F\">.z</font>"
                                            "(<font color=\"#808\">n3))"));
        // Selected rows show the leading part in "#FD0".
        QVERIFY(markedValueHtml(instanceText(), true).startsWith(QStringLiteral("<font color=\"#FD0\">u1</font>")));
        // Every hidden segment goes, an unmatched opening stays.
        const QString hidden = QStringLiteral("a") + hideStart + "p" + hideEnd + hideStart + hideEnd + hideStart + "q"
            + hideEnd + mark + QStringLiteral("b") + hideStart + QStringLiteral("open");
        QCOMPARE(markedValueHtml(hidden, false),
                 QStringLiteral("<font color=\"#D80\">a</font>b") + hideStart + QStringLiteral("open"));
        // The list closes before a closing parenthesis and quote at the end,
        // before the first of two.
        const QString terminal = QStringLiteral("\"i") + mark + QStringLiteral(".p") + mark;
        QCOMPARE(markedValueHtml(terminal + QStringLiteral("(x)\""), false),
                 QStringLiteral("<font color=\"#D80\">\"i</font>.p</font>(<font color=\"#808\">x</font>)\""));
        QCOMPARE(markedValueHtml(terminal + QStringLiteral("(f(x))\""), false),
                 QStringLiteral("<font color=\"#D80\">\"i</font>.p</font>(<font color=\"#808\">f(x</font>))\""));
        // The debuggee's text is never markup.
        const QString markup = markedValueHtml(QStringLiteral("std::vector<int> & <b>") + mark + QStringLiteral("(x)"),
                                               false);
        QVERIFY2(markup.startsWith(QStringLiteral("<font color=\"#D80\">std::vector&lt;int&gt; &amp; &lt;b&gt;</font>")),
                 qPrintable(markup));
        QTextDocument document;
        document.setHtml(markup);
        QCOMPARE(document.toPlainText(), QStringLiteral("std::vector<int> & <b>(x)"));
        QVERIFY(hasValueMarks(instanceText()));
        QVERIFY(!hasValueMarks(QStringLiteral("42")));
    }

    void paintingUsesTheColoursAndLeavesPlainValuesAlone()
    {
        QTreeView view;
        auto delegate = new KorvanDebuggerWatchDelegate(&view);
        QStandardItemModel model(0, 3);
        model.appendRow(watchRow("local.u", "u", instanceText(), "Cell"));
        model.appendRow(watchRow("local.n", "n", "42", "int"));
        model.appendRow(watchRow("local.s", "s", "\"text\"", "char *"));
        const QStyle::State enabled = QStyle::State_Enabled | QStyle::State_Active;

        const QImage marked = paintCell(*delegate, model.index(0, 1), enabled);
        QVERIFY(countColour(marked, qRgb(0xDD, 0x88, 0x00)) > 5);
        QVERIFY(countColour(marked, qRgb(0x88, 0x00, 0x88)) > 5);
        QVERIFY(countColour(marked, qRgb(0x00, 0x00, 0xFF)) > 5);
        // The hidden pointer is not drawn: the same text without it paints the same.
        QStandardItemModel bare(0, 3);
        QString withoutHidden = instanceText();
        withoutHidden.remove(QStringLiteral("0x1234")).remove(hideStart).remove(hideEnd);
        bare.appendRow(watchRow("local.u", "u", withoutHidden, "Cell"));
        QCOMPARE(paintCell(*delegate, bare.index(0, 1), enabled), marked);

        const QImage selected = paintCell(*delegate, model.index(0, 1), enabled | QStyle::State_Selected);
        QVERIFY(countColour(selected, qRgb(0xFF, 0xDD, 0x00)) > 5);
        QVERIFY(countColour(selected, qRgb(0xDD, 0x88, 0x00)) == 0);
        QVERIFY(countColour(selected, qRgb(0x10, 0x20, 0x30)) > 100);

        // Plain values: exactly what the item delegate paints.
        QItemDelegate plain;
        for (int row : {1, 2})
            QCOMPARE(paintCell(*delegate, model.index(row, 1), enabled), paintCell(plain, model.index(row, 1), enabled));
    }

    void htmlDisplayFillsSelectionAndFollowsDirection()
    {
        QTextDocument empty;
        QImage image(100, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | QStyle::State_Selected;
        option.palette.setColor(QPalette::Highlight, QColor(0x10, 0x20, 0x30));
        {
            QPainter painter(&image);
            drawHtmlDisplay(&painter, option, image.rect(), &empty);
        }
        QCOMPARE(countColour(image, qRgb(0x10, 0x20, 0x30)), 100 * 20);

        // A short document lands at the right of the cell for right-to-left.
        QTextDocument text;
        text.setHtml(QStringLiteral("<font color=\"#00F\">x</font>"));
        const auto paintWith = [&](Qt::LayoutDirection direction) {
            QImage cell(300, 20, QImage::Format_RGB32);
            cell.fill(Qt::white);
            QStyleOptionViewItem o;
            o.rect = cell.rect();
            o.state = QStyle::State_Enabled;
            o.direction = direction;
            o.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
            QPainter painter(&cell);
            drawHtmlDisplay(&painter, o, cell.rect(), &text);
            painter.end();
            int first = -1;
            for (int x = 0; x < cell.width() && first < 0; ++x)
                for (int y = 0; y < cell.height(); ++y)
                    if ((cell.pixel(x, y) & 0xffffff) == 0x0000ff) {
                        first = x;
                        break;
                    }
            return first;
        };
        const int leftToRight = paintWith(Qt::LeftToRight);
        const int rightToLeft = paintWith(Qt::RightToLeft);
        QVERIFY(leftToRight >= 0 && leftToRight < 50);
        QVERIFY2(rightToLeft > 250, qPrintable(QString::number(rightToLeft)));

        // A document wider than its cell stays inside it: the column to the
        // right keeps its pixels.
        QTextDocument wide;
        wide.setHtml(QStringLiteral("<font color=\"#00F\">") + QString(60, QLatin1Char('W')) + QStringLiteral("</font>"));
        QImage row(300, 20, QImage::Format_RGB32);
        row.fill(Qt::white);
        QStyleOptionViewItem cellOption;
        cellOption.rect = QRect(0, 0, 100, 20);
        cellOption.state = QStyle::State_Enabled;
        cellOption.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        {
            QPainter painter(&row);
            drawHtmlDisplay(&painter, cellOption, cellOption.rect, &wide);
        }
        QVERIFY(countColour(row.copy(0, 0, 100, 20), qRgb(0, 0, 0xff)) > 0);
        QCOMPARE(countColour(row.copy(100, 0, 200, 20), qRgb(0xff, 0xff, 0xff)), 200 * 20);
    }

    void proxyAddsTheGraphIconOnlyWhereAGraphCanOpen()
    {
        QTreeView view;
        auto delegate = new KorvanDebuggerWatchDelegate(&view);
        QObject owner;
        auto model = new QStandardItemModel(0, 3, &owner);
        model->appendRow(watchRow("local.i", "i", "{...}", "Verific::Instance *"));
        model->appendRow(watchRow("inspect.3", "i", "{...}", "Verific::Instance *"));
        model->appendRow(watchRow("local.k", "Nb instances", "{...}", "Verific::Instance *"));
        model->appendRow(watchRow("local.m", "m", "12", "Verific::Instance *"));
        model->appendRow(watchRow("local.p", "p", "{...}", "Point"));

        QImage image(10, 10, QImage::Format_RGB32);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        delegate->paint(&painter, option, model->index(0, 0));
        QVERIFY(!delegate->proxy()); // only value cells build it
        delegate->paint(&painter, option, model->index(0, 1));
        QPointer<KorvanWatchProxyModel> proxy = delegate->proxy();
        QVERIFY(proxy);
        QCOMPARE(proxy->sourceModel(), model);
        QCOMPARE(proxy->parent(), &owner);
        QVERIFY(view.model() != proxy); // the view keeps the host's model

        const auto icon = [&](int row, int column) { return proxy->index(row, column).data(Qt::DecorationRole); };
        // Graph actions stay hidden while no graph window can open.
        setWatchGraphOpener(nullptr);
        QVERIFY(!icon(0, 1).isValid());
        QList<QPair<int, QModelIndex>> opened;
        setWatchGraphOpener([&](QTreeView *parentView, int kind, const QModelIndex &index) {
            QCOMPARE(parentView, &view); // the window's parent: the delegate's view
            opened.append({kind, index});
        });
        QCOMPARE(icon(0, 1).type(), QVariant::Pixmap);
        QVERIFY(!icon(0, 0).isValid() && !icon(0, 2).isValid());
        for (int row : {1, 2, 3, 4})
            QVERIFY2(!icon(row, 1).isValid(), qPrintable(QString::number(row)));
        QCOMPARE(proxy->index(4, 1).data().toString(), QStringLiteral("{...}"));

        // Editing a netlist value opens its graph with the first matching kind.
        QWidget parent;
        QVERIFY(!delegate->createEditor(&parent, option, model->index(0, 1)));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().first, 0);
        QCOMPARE(opened.first().second, model->index(0, 1));
        // A plain value without source information gets the ordinary editor.
        QWidget *editor = delegate->createEditor(&parent, option, model->index(4, 1));
        QVERIFY(editor);
        QCOMPARE(opened.size(), 1);
        setWatchGraphOpener(nullptr);
        QWidget *netlistEditor = delegate->createEditor(&parent, option, model->index(0, 1));
        QVERIFY(netlistEditor);
        QCOMPARE(opened.size(), 1);

        // Another model: a new proxy, the old one deleted.
        QStandardItemModel other(1, 3);
        delegate->paint(&painter, option, other.index(0, 1));
        QVERIFY(!proxy);
        QCOMPARE(delegate->proxy()->sourceModel(), &other);
        // A model without a parent owns its proxy: it goes with the model.
        QCOMPARE(delegate->proxy()->parent(), &other);
    }

    void customizationPathOfWatchedAndOtherItems()
    {
        QStandardItemModel model(0, 3);
        QList<QStandardItem *> watchSection = watchRow("watch", "Expressions", "", "");
        model.appendRow(watchSection);
        QList<QStandardItem *> watched = watchRow("watch.1", "obj.list", "{...}", "List");
        watched.first()->setData("obj.list", LocalsRawExpressionRole);
        watchSection.first()->appendRow(watched);
        QList<QStandardItem *> child = watchRow("watch.1.m_d", "m_d", "{...}", "Data");
        watched.first()->appendRow(child);
        QList<QStandardItem *> grandChild = watchRow("watch.1.m_d.items", "items", "{...}", "IntArray");
        child.first()->appendRow(grandChild);
        QList<QStandardItem *> local = watchRow("local.v.items", "items", "{...}", "IntArray");
        model.appendRow(local);

        QCOMPARE(customizationPath(watched.at(1)->index()), QStringLiteral("obj.list"));
        QCOMPARE(customizationPath(grandChild.at(2)->index()), QStringLiteral("obj.list.m_d.items"));
        QCOMPARE(customizationPath(local.at(1)->index()), QStringLiteral("local.v.items"));
    }

    void formatMenuIsShortenedAndGetsTheEntryForContainers()
    {
        Host::ScriptedDialogs dialogs;
        QVERIFY(KorvanDebugger::Configuration::saveConfigurationFile(
            QJsonObject{{Key::classes, QJsonArray{containerClassDefinition(), plainClassDefinition()}}}, Key::prettyPrintersDocument));
        KorvanDebuggerPlugin plugin;
        QTreeView view;
        view.setObjectName("WatchWindow");
        QStandardItemModel model(0, 3);
        model.appendRow(watchRow("local.a", "a", "<3 items>", "IntArray"));
        model.appendRow(watchRow("local.p", "p", "{...}", "Point"));
        view.setModel(&model);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto delegate = new KorvanDebuggerWatchDelegate(&view);
        view.setItemDelegate(delegate);
        // Only the first delegate ever installed filters events; in this
        // program that is the one of the earlier test, which is gone. This
        // one is therefore driven directly.
        const auto rightClick = [&](int row) {
            QInputMethodQueryEvent query(Qt::ImEnabled);
            delegate->eventFilter(&view, &query);
            const QPoint at = view.visualRect(model.index(row, 1)).center();
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
            delegate->eventFilter(view.viewport(), &event);
        };
        const auto polish = [&](QMenu *menu) {
            QEvent event(QEvent::Polish);
            delegate->eventFilter(menu, &event);
        };
        const QString longText = QStringLiteral("Change Display for ") + QString(51, QLatin1Char('x')); // 70
        const auto formatMenu = [&](QWidget *parent) {
            auto menu = new QMenu(QStringLiteral("Change Value Display Format"), parent);
            menu->addAction(longText);
            menu->addAction(longText + QLatin1Char('y'));
            menu->addAction(QStringLiteral("Other ") + QString(80, QLatin1Char('z')));
            return menu;
        };

        rightClick(0);
        QCOMPARE(KorvanDebuggerWatchDelegate::rememberedContextIndex(), model.index(0, 1));
        QScopedPointer<QMenu> menu(formatMenu(nullptr));
        polish(menu.data());
        QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 5);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("Korvan: Customized container"));
        QVERIFY(actions.at(1)->isSeparator());
        QCOMPARE(actions.at(2)->text(), longText);
        QCOMPARE(actions.at(3)->text(), longText.left(67) + QStringLiteral("..."));
        QCOMPARE(actions.at(4)->text().size(), 86);

        // Not a container: shortened, no entry.
        rightClick(1);
        QScopedPointer<QMenu> second(formatMenu(nullptr));
        polish(second.data());
        QCOMPARE(second->actions().size(), 3);
        QCOMPARE(second->actions().at(1)->text().size(), 70);
        // A menu with a parent, or with another title, is left alone.
        rightClick(0);
        QWidget owner;
        QMenu *owned = formatMenu(&owner);
        polish(owned);
        QCOMPARE(owned->actions().size(), 3);
        QCOMPARE(owned->actions().at(1)->text().size(), 71);
        QScopedPointer<QMenu> titled(formatMenu(nullptr));
        titled->setTitle(QStringLiteral("Other"));
        polish(titled.data());
        QCOMPARE(titled->actions().size(), 3);
        // Empty space: no index, no type, no entry.
        QInputMethodQueryEvent query(Qt::ImEnabled);
        delegate->eventFilter(&view, &query);
        const QPoint below(5, view.viewport()->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, below, view.viewport()->mapToGlobal(below));
        delegate->eventFilter(view.viewport(), &event);
        QVERIFY(!KorvanDebuggerWatchDelegate::rememberedContextIndex().isValid());
        // A context menu on a widget that is no tree view keeps the index.
        rightClick(0);
        QLineEdit edit;
        delegate->eventFilter(&edit, &query);
        delegate->eventFilter(&edit, &event);
        QCOMPARE(KorvanDebuggerWatchDelegate::rememberedContextIndex(), model.index(0, 1));
        // A model reset leaves no stale row behind.
        model.clear();
        QVERIFY(!KorvanDebuggerWatchDelegate::rememberedContextIndex().isValid());

        // The entry opens the wizard on the container's field, as new.
        QList<ContainerCustomizationRequest> requests;
        setContainerCustomizationRunner([&](const ContainerCustomizationRequest &request) {
            requests.append(request);
            return ContainerCustomizationResult();
        });
        menu->actions().first()->trigger();
        setContainerCustomizationRunner(nullptr);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().operatingMode, 15);
        QVERIFY(!requests.first().showDelete);
        QCOMPARE(requests.first().field.value("arrayBase").toObject().value("Field").toString(), QStringLiteral(".data"));
        QVERIFY(plugin.customConfiguration()->isEmpty()); // cancelled
    }

    void savingDeletingAndRescopingCustomizedContainers()
    {
        Host::ScriptedDialogs dialogs;
        const QJsonObject containerClass = containerClassDefinition();
        QVERIFY(KorvanDebugger::Configuration::saveConfigurationFile(QJsonObject{{Key::classes, QJsonArray{containerClass}}},
                                                                     Key::prettyPrintersDocument));
        KorvanDebuggerPlugin plugin;
        QJsonObject &document = *plugin.customConfiguration();
        const QString path = QStringLiteral("obj.items");
        const QString type = QStringLiteral("IntArray");
        const QString localKey = KorvanDebugger::Configuration::customApiKey("run", path, type);
        const QString generalKey = KorvanDebugger::Configuration::customKey(path, type);
        const auto stored = [] {
            QJsonObject saved;
            KorvanDebugger::Configuration::loadConfigurationFile(saved, Key::customPrettyPrintersDocument);
            return saved;
        };

        QList<ContainerCustomizationRequest> requests;
        ContainerCustomizationResult answer;
        setContainerCustomizationRunner([&](const ContainerCustomizationRequest &request) {
            requests.append(request);
            return answer;
        });

        // A new "General" customization.
        answer.choice = ContainerCustomizationResult::Finished;
        answer.field = containerClass.value(Key::fields).toArray().at(0).toObject();
        answer.field.insert(Key::scope, "General");
        answer.field.insert("itemName", "cell");
        plugin.editCustomizedContainer(containerClass, "run", path, type, true, nullptr);
        QCOMPARE(document.keys(), QStringList{generalKey});
        QJsonObject entry = document.value(generalKey).toObject();
        QCOMPARE(entry.value(Key::fields).toArray(), QJsonArray{answer.field});
        QCOMPARE(entry.value(Key::className).toObject(),
                 (QJsonObject{{Key::path, path}, {Key::scope, "General"}, {Key::className, type}}));
        QCOMPARE(entry.value(Key::enable).toBool(), true);
        QCOMPARE(entry.value(Key::feature).toString(), QStringLiteral("Container")); // the class's own keys stay
        QCOMPARE(stored(), document);

        // Found again, edited as "Local": the "General" entry goes.
        QCOMPARE(findCustomDefinition(document, "run", path, type), entry);
        answer.field.insert(Key::scope, "Local");
        plugin.editCustomizedContainer(entry, "run", path, type, false, nullptr);
        QVERIFY(requests.last().showDelete);
        QCOMPARE(document.keys(), QStringList{localKey});
        QCOMPARE(document.value(localKey).toObject().value(Key::className).toObject().value(Key::api).toString(),
                 QStringLiteral("run"));
        QCOMPARE(stored(), document);
        // The regenerated printers register the path for this function only.
        const auto lookup = [&](const QString &name) { return name == type ? containerClass : QJsonObject(); };
        const QString script = generateCustomCode(document, lookup).expression;
        QVERIFY2(script.contains(QStringLiteral("theDumper.registerCustom(\"run\",\"obj.items\",")), qPrintable(script));
        QVERIFY(!script.contains(QStringLiteral("theDumper.registerCustom(\"\",\"obj.items\",")));

        // Cancelled: nothing changes.
        answer.choice = ContainerCustomizationResult::Cancelled;
        plugin.editCustomizedContainer(document.value(localKey).toObject(), "run", path, type, false, nullptr);
        QCOMPARE(document.keys(), QStringList{localKey});

        // "Local" without a function: the key has no api part, "api" is empty.
        answer.choice = ContainerCustomizationResult::Finished;
        plugin.editCustomizedContainer(containerClass, QString(), "other", type, true, nullptr);
        const QString noApiKey = KorvanDebugger::Configuration::customApiKey(QString(), "other", type);
        QCOMPARE(noApiKey, KorvanDebugger::Configuration::customKey("other", type));
        QVERIFY(document.contains(noApiKey));
        QCOMPARE(document.value(noApiKey).toObject().value(Key::className).toObject().value(Key::api),
                 QJsonValue(QString()));

        // Deleted: the entry of this function goes, and is saved.
        answer.choice = ContainerCustomizationResult::Deleted;
        plugin.editCustomizedContainer(document.value(localKey).toObject(), "run", path, type, false, nullptr);
        QVERIFY(!document.contains(localKey));
        QCOMPARE(stored(), document);

        // The error to mend reaches the wizard.
        KorvanDebugger::Configuration::PythonError error;
        answer.choice = ContainerCustomizationResult::Cancelled;
        plugin.editCustomizedContainer(containerClass, "run", path, type, true, &error);
        QCOMPARE(requests.last().error, &error);
        setContainerCustomizationRunner(nullptr);
    }
};

QTEST_MAIN(TestWatchView)
#include "tst_watchview.moc"
