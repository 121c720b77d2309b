// The enumeration editor: values of Qt and user enumerations computed through
// the widget (host C++ editors, libclang parse, real g++ and Qt headers),
// the "Parsed Definition" tree and its context menu, compiler messages on
// the right line of the right editor, a failed recompute that keeps the
// stored table, the round trip through the type-model document, and help.

#include "common/testenvironment.h"
#include "enumrows.h"

#include "configuration/enuminputgenerator.h"
#include "configuration/keys.h"
#include "editor/enumfield.h"
#include "editor/enuminput.h"
#include "editor/enummodel.h"
#include "editor/objectwithlink.h"

#include <cpptools/builtineditordocumentprocessor.h>
#include <projectexplorer/kit.h>
#include <qtsupport/qtkitinformation.h>
#include <texteditor/textdocument.h>
#include <texteditor/texteditor.h>
#include <texteditor/textmark.h>

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

using EnumTest::noVersionTagging;
using EnumTest::rows;

QJsonObject enumeration(const QString &prerequisite, const QString &definition, const QStringList &masks = {},
                        const QStringList &enums = {})
{
    QJsonObject object;
    object.insert(Key::prerequisite, prerequisite);
    object.insert(Key::definition, definition);
    object.insert(Key::masks, QJsonArray::fromStringList(masks));
    object.insert(Key::enums, QJsonArray::fromStringList(enums));
    return object;
}

// Waits for the computations that the last change started (each editor's
// parse starts one): at least one ends, and no other follows within a second.
bool settle(EnumInput &input, QSignalSpy &changed)
{
    if (changed.isEmpty() && !changed.wait(120000))
        return false;
    for (;;) {
        const int seen = changed.count();
        QTest::qWait(1000);
        if (input.extractor()->isBusy()) {
            if (!changed.wait(120000))
                return false;
            continue;
        }
        if (changed.count() == seen)
            return true;
    }
}

// Loads a definition and waits for the parses and computations it starts.
bool loadAndCompute(EnumInput &input, const QJsonObject &object)
{
    QSignalSpy changed(&input, &EnumInput::changed);
    input.setValue(object, false);
    return settle(input, changed);
}

// Replaces an editor's text as the user would and waits for the result.
bool edit(EnumInput &input, TextEditor::BaseTextEditor *editor, const QString &text)
{
    QSignalSpy changed(&input, &EnumInput::changed);
    editor->textDocument()->setPlainText(text);
    return settle(input, changed);
}

struct Underline
{
    int line;   // 1-based
    QString text;
    QString tip;
};

QList<Underline> underlines(TextEditor::BaseTextEditor *editor)
{
    QList<Underline> out;
    for (const QTextEdit::ExtraSelection &s :
         editor->editorWidget()->extraSelections(TextEditor::TextEditorWidget::CodeWarningsSelection)) {
        if (s.format.underlineColor() != QColor(Qt::red) || !s.format.fontUnderline())
            continue;
        out.append({s.cursor.block().blockNumber() + 1, s.cursor.selectedText(), s.format.toolTip()});
    }
    return out;
}

QList<int> markedLines(TextEditor::BaseTextEditor *editor)
{
    QList<int> lines;
    for (TextEditor::TextMark *mark : editor->textDocument()->marks())
        lines << mark->lineNumber();
    return lines;
}

// Answers the context menu that the next call opens: records its entries and
// picks the one named `choice` (none when empty).
struct MenuScript
{
    QStringList entries;
    void answerNext(const QString &choice)
    {
        QTimer::singleShot(0, [this, choice] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QAction *pick = nullptr;
            for (QAction *action : menu->actions()) {
                entries << action->text();
                if (action->text() == choice)
                    pick = action;
            }
            if (pick) {
                menu->setActiveAction(pick);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                QTest::keyClick(menu, Qt::Key_Escape);
            }
        });
    }
};

} // namespace

class tst_EnumInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ProjectExplorer::KitManager::restoreKits();
        QVERIFY(QtSupport::QtKitInformation::qtVersion(ProjectExplorer::KitManager::defaultKit()));
    }

    void tabsEditorsAndTheirCodeModel()
    {
        EnumInput input(Key::enumeration);
        QCOMPARE(input.key(), Key::enumeration);
        QCOMPARE(input.widget(), &input);
        QCOMPARE(input.count(), 3);
        QCOMPARE(input.tabText(0), QStringLiteral("Prerequisite"));
        QCOMPARE(input.tabText(1), QStringLiteral("Definition"));
        QCOMPARE(input.tabText(2), QStringLiteral("Parsed Definition"));
        QVERIFY(input.tabIcon(0).isNull());
        QVERIFY(!input.tabIcon(1).isNull());
        QCOMPARE(input.currentIndex(), 1);
        QCOMPARE(input.widget(0), input.prerequisiteEditor()->widget());
        QCOMPARE(input.widget(1), input.definitionEditor()->widget());
        QCOMPARE(input.widget(2), input.treeView());
        QVERIFY(dynamic_cast<ObjectWithLink<QTabBar> *>(input.tabBar()));
        QCOMPARE(input.treeView()->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(input.model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("value/Mask"));
        QCOMPARE(input.model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QStringLiteral("The user meaningfull name used to represent the value"));

        // Both editors are the host's C++ editors, on distinct unique
        // ".cpp" paths, parsed with the kit's Qt folders.
        for (TextEditor::BaseTextEditor *editor : {input.prerequisiteEditor(), input.definitionEditor()}) {
            QCOMPARE(editor->document()->mimeType(), QStringLiteral("text/x-c++src"));
            QVERIFY(editor->document()->filePath().endsWith(".cpp"));
            QVERIFY(!QFile::exists(editor->document()->filePath()));
            auto *processor = CppTools::BuiltinEditorDocumentProcessor::get(editor->textDocument());
            QVERIFY(processor);
            const CppTools::ProjectPart::Ptr part = processor->parser()->configuration().manuallySetProjectPart;
            QVERIFY(part);
            QVERIFY(!part->headerPaths.isEmpty());
            QVERIFY(part->headerPaths.first().path.endsWith("/."));
        }
        QVERIFY(input.prerequisiteEditor()->document()->filePath() != input.definitionEditor()->document()->filePath());

        // Set-up clears every mark and underline but keeps the project part.
        TextEditor::BaseTextEditor *editor = input.definitionEditor();
        editor->textDocument()->setPlainText("a\nb\n");
        auto *mark = new TextEditor::TextMark(QString(), 1, Core::Id("Other"));
        editor->textDocument()->addMark(mark);
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(editor->textDocument()->document());
        editor->editorWidget()->setExtraSelections(TextEditor::TextEditorWidget::CodeWarningsSelection, {selection});
        const CppTools::ProjectPart::Ptr part = CppTools::BuiltinEditorDocumentProcessor::get(editor->textDocument())
                                                    ->parser()->configuration().manuallySetProjectPart;
        EnumInput::setupCodeModel(editor);
        QVERIFY(editor->textDocument()->marks().isEmpty());
        QVERIFY(editor->editorWidget()->extraSelections(TextEditor::TextEditorWidget::CodeWarningsSelection).isEmpty());
        QCOMPARE(CppTools::BuiltinEditorDocumentProcessor::get(editor->textDocument())
                     ->parser()->configuration().manuallySetProjectPart,
                 part);
    }

    void qtEnumerationThroughTheWidget()
    {
        EnumInput input(Key::enumeration);
        QVERIFY(loadAndCompute(input, enumeration(noVersionTagging, "#include <Qt>\nQt::AlignmentFlag f;\n")));
        QVERIFY(!input.model()->isStale());
        QCOMPARE(rows(*input.model()),
                 (QStringList{"0x1ff ::Qt::AlignHorizontal_Mask,::Qt::AlignCenter,::Qt::AlignVertical_Mask",
                              "  0x1f ::Qt::AlignHorizontal_Mask", "  0x84 ::Qt::AlignCenter",
                              "  0x1e0 ::Qt::AlignVertical_Mask", "0x1 ::Qt::AlignLeft=::Qt::AlignLeading",
                              "0x2 ::Qt::AlignRight=::Qt::AlignTrailing", "0x4 ::Qt::AlignHCenter",
                              "0x8 ::Qt::AlignJustify", "0x10 ::Qt::AlignAbsolute", "0x20 ::Qt::AlignTop",
                              "0x40 ::Qt::AlignBottom", "0x80 ::Qt::AlignVCenter", "0x100 ::Qt::AlignBaseline"}));
        QVERIFY(input.isValid());
        QVERIFY(underlines(input.definitionEditor()).isEmpty());
        QVERIFY(input.generate().expression.contains("AlignBaseline"));
    }

    void userEnumerationWithMasksAndMacros()
    {
        EnumInput input(Key::enumeration);
        QVERIFY(loadAndCompute(
            input, enumeration("#define BASE (1 << 2)",
                               "#define Light 0x0000\n#define Medium 0x0001\n#define Dark 0x0002\n"
                               "#define VeryDark 0x0003\n\n#define UnknownColor 0x0000\n"
                               "#define Blue BASE\n#define Red 0x0008\n#define Green 0x000c\n"
                               "#define TWICE(x) (2 * (x))\n")));
        QCOMPARE(rows(*input.model()),
                 (QStringList{"0x3 Light,Medium,Dark,VeryDark", "  0x0 Light", "  0x1 Medium", "  0x2 Dark",
                              "  0x3 VeryDark", "0xc UnknownColor,Blue,Red,Green", "  0x0 UnknownColor",
                              "  0x4 Blue", "  0x8 Red", "  0xc Green"}));

        // Typing in an editor recomputes, and a negative value keeps its name.
        QVERIFY(edit(input, input.definitionEditor(), "enum State { None = 0, Invalid = -1 };\n"));
        QStringList masks;
        QStringList enums;
        input.model()->toText(masks, enums, false);
        QVERIFY2(enums.join(' ').contains("-1;::Invalid") && enums.join(' ').contains("::None"),
                 qPrintable(enums.join(' ')));

        // A change while the compiler runs is computed after it, not dropped.
        QSignalSpy changed(&input, &EnumInput::changed);
        TextEditor::TextDocument *definition = input.definitionEditor()->textDocument();
        definition->setPlainText("enum First { F = 3 };\n");
        CppTools::BuiltinEditorDocumentProcessor::get(definition)->run();
        QTRY_VERIFY_WITH_TIMEOUT(input.extractor()->isBusy(), 10000);
        definition->setPlainText("enum Second { S = 5 };\n");
        CppTools::BuiltinEditorDocumentProcessor::get(definition)->run();
        QVERIFY(input.extractor()->isBusy());
        QVERIFY(settle(input, changed));
        QCOMPARE(rows(*input.model()), QStringList{"0x5 ::S"});
    }

    void contextMenuMergesSplitsAndRecomputes()
    {
        EnumInput input(Key::enumeration);
        input.resize(400, 300);
        input.setCurrentIndex(EnumInput::ParsedDefinitionTab);
        input.show();
        QVERIFY(QTest::qWaitForWindowExposed(&input));
        QVERIFY(loadAndCompute(input, enumeration({}, "enum E { A = 1, B = 2, C = 4 };\n")));
        QCOMPARE(rows(*input.model()), (QStringList{"0x1 ::A", "0x2 ::B", "0x4 ::C"}));
        QTreeView *view = input.treeView();
        // The entries of the menu opened at an index (or a point), picking one.
        const auto menu = [&](const QVariant &at, const QString &choice) {
            MenuScript script;
            script.answerNext(choice);
            input.mergeMenu(at.type() == QVariant::Point ? at.toPoint() : view->visualRect(at.toModelIndex()).center());
            return script.entries;
        };
        const QString merge = "Merge with next group", split = "Split group", recompute = "Recompute Values from definition";

        QCOMPARE(menu(input.model()->index(0, 1), merge), (QStringList{merge, recompute}));
        QCOMPARE(input.model()->rowCount(), 2);
        QVERIFY(input.model()->hasChildren(input.model()->index(0, 0)));
        // The last row: split (it is no group: nothing) and recompute only.
        QCOMPARE(menu(input.model()->index(1, 0), QString()), QStringList{recompute});
        view->expandAll();
        QCOMPARE(menu(input.model()->index(0, 0, input.model()->index(0, 0)), QString()), QStringList{recompute});
        QCOMPARE(menu(input.model()->index(0, 0), split), (QStringList{merge, split, recompute}));
        QCOMPARE(input.model()->rowCount(), 3);
        menu(input.model()->index(1, 0), merge);
        QCOMPARE(input.model()->rowCount(), 2);
        QSignalSpy changed(&input, &EnumInput::changed);
        QCOMPARE(menu(QPoint(-10, -10), recompute), QStringList{recompute});
        QVERIFY(settle(input, changed));
        QCOMPARE(rows(*input.model()), (QStringList{"0x1 ::A", "0x2 ::B", "0x4 ::C"}));
    }

    void compileErrorsOnTheRightLineOfTheRightEditor()
    {
        EnumInput input(Key::enumeration);
        QVERIFY(loadAndCompute(input, enumeration("#define ONE 1\nint x = ;\n\n\n",
                                                  "enum E { A = ONE,\n  B = undefined_thing,\n"
                                                  "  C = undefined_too };")));
        const QList<Underline> prerequisite = underlines(input.prerequisiteEditor());
        QCOMPARE(prerequisite.size(), 1);
        QCOMPARE(prerequisite.first().line, 2);
        QCOMPARE(prerequisite.first().text, QStringLiteral(";"));
        QVERIFY(!prerequisite.first().tip.isEmpty());
        QCOMPARE(markedLines(input.prerequisiteEditor()), QList<int>{2});

        const QList<Underline> definition = underlines(input.definitionEditor());
        QCOMPARE(definition.size(), 2);
        QCOMPARE(definition.at(0).line, 2);
        QCOMPARE(definition.at(0).text, QStringLiteral("u"));
        QVERIFY(definition.at(0).tip.contains("undefined_thing"));
        QCOMPARE(definition.at(1).line, 3);
        QVERIFY(definition.at(1).tip.contains("undefined_too"));
        QCOMPARE(markedLines(input.definitionEditor()), (QList<int>{2, 3}));
        const TextEditor::TextMark *mark = input.definitionEditor()->textDocument()->marks().first();
        QCOMPARE(mark->category(), Core::Id("Bookmarks.EditNote"));
        QVERIFY(!mark->icon().isNull());
        QVERIFY(mark->toolTip().contains("undefined_thing"));
        // Nothing computed: an empty table is invalid while shown.
        QCOMPARE(input.model()->rowCount(), 0);
        QVERIFY(!input.isValid());
        QVERIFY(!input.errorMessage().isEmpty());

        // The next computation clears the messages that no longer hold.
        QVERIFY(edit(input, input.prerequisiteEditor(), "#define ONE 1\n"));
        QVERIFY(underlines(input.prerequisiteEditor()).isEmpty());
        QVERIFY(markedLines(input.prerequisiteEditor()).isEmpty());
        QCOMPARE(markedLines(input.definitionEditor()), (QList<int>{2, 3}));
        QVERIFY(edit(input, input.definitionEditor(), "enum E { A = ONE };"));
        QVERIFY(underlines(input.definitionEditor()).isEmpty());
        QVERIFY(markedLines(input.definitionEditor()).isEmpty());
        QCOMPARE(rows(*input.model()), QStringList{"0x1 ::A"});
        QVERIFY(!input.model()->isStale());
    }

    void underlinePlacement()
    {
        EnumInput input(Key::enumeration);
        input.prerequisiteEditor()->textDocument()->setPlainText("#define A 1\n");
        input.definitionEditor()->textDocument()->setPlainText("enum E {\n    Red = A,\n};");
        using M = CompilerMessage;
        input.cppCompilerFinished({M{M::Definition, 2, 0, "column 0"}, M{M::Definition, 2, 20, "past the end"},
                                   M{M::Definition, 2, 5, "at Red"}, M{M::Definition, 40, 1, "generated line"},
                                   M{M::Prerequisite, 1, 9, "in the prerequisite"}});
        const QList<Underline> definition = underlines(input.definitionEditor());
        QCOMPARE(definition.size(), 4);
        QCOMPARE(definition.at(0).text, QStringLiteral(" ")); // the first character of the line
        QCOMPARE(definition.at(0).tip, QStringLiteral("column 0"));
        QCOMPARE(definition.at(1).text, QStringLiteral("Red = A,")); // from the first non-blank on
        QCOMPARE(definition.at(2).text, QStringLiteral("R"));
        // A line after the definition is shown on its last line.
        QCOMPARE(definition.at(3).line, 3);
        QCOMPARE(definition.at(3).text, QStringLiteral("}"));
        // One mark per line, with every message of the line.
        QCOMPARE(markedLines(input.definitionEditor()), (QList<int>{2, 3}));
        QCOMPARE(input.definitionEditor()->textDocument()->marks().first()->toolTip(),
                 QStringLiteral("column 0\npast the end\nat Red"));
        const QList<Underline> prerequisite = underlines(input.prerequisiteEditor());
        QCOMPARE(prerequisite.size(), 1);
        QCOMPARE(prerequisite.first().line, 1);
        QCOMPARE(prerequisite.first().text, QStringLiteral("A"));
        QCOMPARE(markedLines(input.prerequisiteEditor()), QList<int>{1});

        // An empty line gets the whole (empty) block; no messages clear all.
        input.cppCompilerFinished({M{M::Prerequisite, 2, 4, "empty line"}});
        QCOMPARE(underlines(input.prerequisiteEditor()).size(), 1);
        QCOMPARE(underlines(input.prerequisiteEditor()).first().line, 2);
        QVERIFY(underlines(input.definitionEditor()).isEmpty());
        input.cppCompilerFinished({});
        QVERIFY(underlines(input.prerequisiteEditor()).isEmpty());
    }

    void missingHeaderKeepsTheStoredTable()
    {
        EnumInput input(Key::enumeration);
        const QStringList masks{"0x3"};
        const QStringList enums{"{ 0x1;::Red,0x2;::Black }"};
        QVERIFY(loadAndCompute(input, enumeration({}, "#include <korvan_missing_colours.h>\nColour c;\n"
                                                       "enum Local { Red = 1, Black = 2 };\n",
                                                  masks, enums)));
        // The header is reported where it is named, and the table stays,
        // marked as not recomputed.
        const QList<Underline> definition = underlines(input.definitionEditor());
        QCOMPARE(definition.size(), 1);
        QCOMPARE(definition.first().line, 1);
        QVERIFY(definition.first().tip.contains("korvan_missing_colours.h"));
        QCOMPARE(rows(*input.model()), (QStringList{"0x3 ::Red,::Black", "  0x1 ::Red", "  0x2 ::Black"}));
        QVERIFY(input.model()->isStale());
        QVERIFY(!input.tabIcon(EnumInput::ParsedDefinitionTab).isNull());
        QVERIFY(input.tabToolTip(EnumInput::ParsedDefinitionTab).contains("korvan_missing_colours.h"));
        QVERIFY(input.isValid());
        const QJsonObject stored = input.value().toObject();
        QCOMPARE(stored.value(Key::masks).toArray(), QJsonArray::fromStringList(masks));
        QCOMPARE(stored.value(Key::enums).toArray(), QJsonArray::fromStringList(enums));

        // Once the definition compiles, the mark goes.
        QVERIFY(edit(input, input.definitionEditor(), "enum Local { Red = 1, Black = 2 };\n"));
        QVERIFY(!input.model()->isStale());
        QVERIFY(input.tabIcon(EnumInput::ParsedDefinitionTab).isNull());
        QCOMPARE(input.tabToolTip(EnumInput::ParsedDefinitionTab),
                 QStringLiteral("The <i>Parsed Definition</i> is showing the interpretation of the enum by Korvan debugger."));
    }

    void valueRoundTripThroughTheDocument()
    {
        // As the wizard stores it, with a key that the editor does not show
        // and carries through unchanged.
        QJsonObject object = enumeration("#define BASE 4", "#define A 1\n#define B BASE\n#define C 8\n",
                                         {"0x5", "0x8"}, {"{ 0x1;A,0x4;B }", "{ 0x8;C }"});
        object.insert("compiledValue", "stale text");
        QJsonObject field;
        field.insert(Key::enumeration, object);

        EnumInput input(Key::enumeration);
        input.setValue(field, true);
        const QJsonObject value = input.value().toObject();
        QCOMPARE(value.keys(), (QStringList{"compiledValue", "definition", "enums", "masks", "prerequisite"}));
        QCOMPARE(value, object);

        // The same Python as the generator of the stored object.
        EnumInputGenerator generator(Key::enumeration);
        generator.setValue(field, true);
        QCOMPARE(input.generate().expression, generator.generate().expression);
        QVERIFY(input.generate().expression.contains("0x5"));

        // The loaded grouping survives the recompute that loading starts,
        // and a load while a computation runs is not overwritten by it.
        QSignalSpy changed(&input, &EnumInput::changed);
        QVERIFY(settle(input, changed));
        QCOMPARE(input.value().toObject(), object);

        input.definitionEditor()->textDocument()->setPlainText("enum Other { X = 16 };\n");
        CppTools::BuiltinEditorDocumentProcessor::get(input.definitionEditor()->textDocument())->run();
        QTRY_VERIFY_WITH_TIMEOUT(input.extractor()->isBusy(), 10000);
        changed.clear();
        input.setValue(field, true);
        QVERIFY(settle(input, changed));
        QCOMPARE(input.value().toObject(), object);

        // A load from an object without texts or table.
        input.setValue(QJsonObject(), false);
        QCOMPARE(input.value().toObject(), enumeration({}, {}));
        QCOMPARE(input.model()->rowCount(), 0);
    }

    void visibilityAndValidity()
    {
        EnumInput input(Key::enumeration);
        QSignalSpy changed(&input, &EnumInput::changed);
        QVERIFY(!input.isValid());
        input.setVisible(false);
        input.setVisible(false);
        QCOMPARE(changed.count(), 1);
        QVERIFY(input.isValid());
        input.setVisible(true);
        QCOMPARE(changed.count(), 2);
        QVERIFY(!input.isValid());

        // The field row hands the input's changes on.
        QWidget page;
        auto *layout = new QVBoxLayout(&page);
        Q_UNUSED(layout)
        EnumField row(QStringLiteral("Enumeration"), Key::enumeration, &page);
        QSignalSpy rowChanged(&row, &EnumField::changed);
        row.input()->setVisible(false);
        QCOMPARE(rowChanged.count(), 1);
        QCOMPARE(row.key(), Key::enumeration);
    }

    void destroyedWhileComputing()
    {
        // Other processes use /tmp too (this test among them, run from
        // another build): the program is found by its text, which names
        // this process.
        const QByteArray text = "enum KorvanDestroyedWhileComputing"
                                + QByteArray::number(QCoreApplication::applicationPid()) + " { KorvanDwc = 1 };\n";
        const auto programs = [&text] {
            QStringList found;
            const QDir tmp(QStringLiteral("/tmp"));
            for (const QString &name : tmp.entryList({"KorvanSymbol_*.cpp"}, QDir::Files)) {
                QFile file(tmp.filePath(name));
                if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text))
                    found << name;
            }
            return found;
        };
        auto *input = new EnumInput(Key::enumeration);
        TextEditor::TextDocument *definition = input->definitionEditor()->textDocument();
        definition->setPlainText(QString::fromLatin1(text));
        CppTools::BuiltinEditorDocumentProcessor::get(definition)->run();
        QTRY_VERIFY_WITH_TIMEOUT(input->extractor()->isBusy(), 10000);
        QCOMPARE(programs().size(), 1);
        delete input;
        QVERIFY(programs().isEmpty());
    }

    void tabBarHelpEntries()
    {
        EnumInput input(Key::enumeration);
        const QMap<QString, QString> &links = ObjectWithLink<QTabBar>::links;
        for (const char *name : {"ENUMDEFINITION", "ENUMDEFINITION.Ex1", "ENUMDEFINITION.Ex2", "ENUMDEFINITION.Ex3"})
            QVERIFY2(links.contains(QLatin1String(name)), name);
        QVERIFY(links.value("ENUMDEFINITION").contains("<a href='ENUMDEFINITION.Ex1'>"));
        QVERIFY(links.value("ENUMDEFINITION.Ex1").startsWith("Macros from Legacy C code"));
        QVERIFY(links.value("ENUMDEFINITION.Ex3").contains("#include &lt;Qt&gt;"));

        QCOMPARE(input.tabToolTip(0), QStringLiteral("The <i>Prerequisite</i> is used to define constant that are not "
                                                     "part of the enum, but that are used to define the enum."));
        QVERIFY(input.tabWhatsThis(0).startsWith("<b>The <i>Prerequisite</i> is used"));
        QVERIFY(input.tabWhatsThis(0).contains("</b><br><br>The <i>Prerequisite</i> can be defined"));
        QVERIFY(input.tabWhatsThis(1).contains("<a href='ENUMDEFINITION'>"));
        QVERIFY(input.tabWhatsThis(2).startsWith("From the <i>Parsed Definition</i>"));

        // A second input rewrites the entries, it does not add to them.
        const int size = links.size();
        EnumInput second(Key::enumeration);
        QCOMPARE(links.size(), size);
    }

private:
    TestEnvironment m_environment;
};

QTEST_MAIN(tst_EnumInput)
#include "tst_enuminput.moc"
