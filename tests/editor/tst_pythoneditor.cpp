// The Python editor dialog (signature, body indentation, the composed
// function, the error mark), its popup on a tool button and the error tip
// button. Linked What's This help has its own test.

#include "editor/pythoneditor.h"
#include "editor/tipbutton.h"

#include <coreplugin/ieditor.h>
#include <texteditor/textdocument.h>
#include <texteditor/textmark.h>

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTextEdit>
#include <QWidgetAction>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

class tst_PythonEditor : public QObject
{
    Q_OBJECT
private slots:
    void construction();
    void signatures();
    void bodyIndentation_data();
    void bodyIndentation();
    void bodyRoundTrip();
    void composedCode();
    void errorMark();
    void markRemovedWithDialog();
    void editorPopup();
    void tipButton();
    void tipButtonWideText();
};

void tst_PythonEditor::construction()
{
    QWidget parent;
    PythonEditor editor(&parent);
    QCOMPARE(editor.objectName(), QStringLiteral("PythonEditor"));
    QCOMPARE(editor.signatureText(), QStringLiteral("def myFunction():"));
    QVERIFY(editor.textDocument());
    QCOMPARE(editor.textDocument()->mimeType(), QStringLiteral("text/x-python"));
    QCOMPARE(editor.editor()->widget()->parentWidget(), &editor);
    QCOMPARE(editor.editor()->widget()->minimumSize(), QSize(600, 200));
    QCOMPARE(editor.errorLine(), -1);
}

void tst_PythonEditor::signatures()
{
    PythonEditor editor(nullptr);
    editor.setSignature(QString(), {"d", "value"});
    QCOMPARE(editor.signatureText(), QStringLiteral("def myFunction(d, value):"));
    editor.setSignature("myAccessor", {});
    QCOMPARE(editor.signatureText(), QStringLiteral("def myAccessor():"));
    QCOMPARE(editor.callSignature(), QStringLiteral("myAccessor():"));
    editor.setSignatureText("def stored(d, key, value):");
    QCOMPARE(editor.signatureText(), QStringLiteral("def stored(d, key, value):"));
    QCOMPARE(editor.callSignature(), QStringLiteral("stored(d, key, value):"));
}

void tst_PythonEditor::bodyIndentation_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");
    QTest::newRow("all four") << "    a = 1\n    return a" << "a = 1\nreturn a";
    QTest::newRow("two and four") << "  if x:\n    return 1" << "if x:\n  return 1";
    QTest::newRow("empty line keeps all") << "    a = 1\n\n    return a" << "    a = 1\n\n    return a";
    QTest::newRow("tab first") << "\t a\n    b" << "\t a\n    b";
    QTest::newRow("unindented") << "return value" << "return value";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blanks only") << "   " << "";
}

void tst_PythonEditor::bodyIndentation()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    PythonEditor editor(nullptr);
    editor.setBodyText(given);
    QCOMPARE(editor.bodyText(0), stored);
    QCOMPARE(editor.textDocument()->plainText(), stored);
}

void tst_PythonEditor::bodyRoundTrip()
{
    PythonEditor editor(nullptr);
    editor.setBodyText("a = value\n\nreturn a");
    // Every line carries the pad, the empty one too.
    const QString indented = editor.bodyText(4);
    QCOMPARE(indented, QStringLiteral("    a = value\n    \n    return a"));

    // Generated (indented) text read back gives the stored body again.
    PythonEditor other(nullptr);
    other.setBodyText(indented);
    QCOMPARE(other.bodyText(0), editor.bodyText(0));
    QCOMPARE(other.bodyText(8), QStringLiteral("        a = value\n        \n        return a"));
}

void tst_PythonEditor::composedCode()
{
    PythonEditor editor(nullptr);
    editor.setSignature("myAccessor", {"d", "value"});
    QCOMPARE(editor.code(), QStringLiteral("def myAccessor(d, value):\n    "));
    editor.setBodyText("x = value\nreturn x");
    QCOMPARE(editor.code(), QStringLiteral("def myAccessor(d, value):\n    x = value\n    return x"));
}

void tst_PythonEditor::errorMark()
{
    PythonEditor editor(nullptr);
    editor.setBodyText("a\nb\nc\nd\ne");
    TextEditor::TextDocument *document = editor.textDocument();

    editor.setErrorLine(-1); // nothing to remove
    QVERIFY(document->marks().isEmpty());

    editor.setErrorLine(3);
    editor.setErrorLine(3);
    QCOMPARE(document->marks().size(), 1);
    TextEditor::TextMark *mark = document->marks().first();
    QCOMPARE(mark->lineNumber(), 3);
    QCOMPARE(mark->category().name(), QByteArray("Bookmarks.EditNote"));
    QVERIFY(!mark->icon().isNull()); // the IDE's error image

    editor.setErrorLine(5);
    QCOMPARE(document->marks().size(), 1);
    QCOMPARE(document->marks().first(), mark);
    QCOMPARE(editor.errorLine(), 5);

    editor.setErrorLine(-1);
    QVERIFY(document->marks().isEmpty());
    QCOMPARE(editor.errorLine(), -1);
}

void tst_PythonEditor::markRemovedWithDialog()
{
    auto editor = new PythonEditor(nullptr);
    editor->setBodyText("a\nb");
    editor->setErrorLine(2);
    QPointer<TextEditor::TextDocument> document = editor->textDocument();
    QCOMPARE(document->marks().size(), 1);
    delete editor; // removes the mark before the document goes
    QVERIFY(!document);
}

void tst_PythonEditor::editorPopup()
{
    QWidget owner;
    auto button = new QToolButton(&owner);
    PythonEditor *editor = nullptr;
    QVERIFY(installEditorPopup(button, editor));
    QVERIFY(editor);
    QCOMPARE(button->popupMode(), QToolButton::InstantPopup);
    QMenu *menu = button->menu();
    QVERIFY(menu);
    auto action = qobject_cast<QWidgetAction *>(menu->actions().value(0));
    QVERIFY(action);
    QCOMPARE(action->defaultWidget(), editor);

    // A button that has a menu keeps it.
    PythonEditor *second = nullptr;
    QVERIFY(!installEditorPopup(button, second));
    QCOMPARE(second, nullptr);
    QCOMPARE(button->menu(), menu);

    // Showing the menu shows the editor; closing the editor closes the menu.
    owner.show();
    menu->popup(QPoint(0, 0));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(editor->isVisible());
    editor->done(0);
    QTRY_VERIFY(!menu->isVisible());

    // The editor lives with the button.
    QPointer<PythonEditor> guard = editor;
    delete button;
    QVERIFY(!guard);
}

void tst_PythonEditor::tipButton()
{
    QWidget owner;
    TipButton tip(&owner);
    owner.show();
    QVERIFY(tip.isHidden());
    QCOMPARE(tip.text(), QString(QChar(0x2620)));
    QCOMPARE(tip.toolButtonStyle(), Qt::ToolButtonTextOnly);
    QCOMPARE(tip.popupMode(), QToolButton::InstantPopup);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(tip.palette().color(group, QPalette::ButtonText), QColor(Qt::red));

    tip.setTip("<b>first</b> report");
    QVERIFY(tip.isVisible());
    QMenu *firstMenu = tip.menu();
    tip.setTip("<table><tr><td>API</td><td>classes.x</td></tr></table>");
    QVERIFY(tip.menu() != firstMenu);
    // Opening the button shows only the latest text.
    QMenu *menu = tip.menu();
    auto text = qobject_cast<QTextEdit *>(qobject_cast<QWidgetAction *>(menu->actions().value(0))->defaultWidget());
    QVERIFY(text);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(text->toPlainText().trimmed(), QStringLiteral("API\nclasses.x"));
    QCOMPARE(text->lineWrapMode(), QTextEdit::NoWrap);
    QVERIFY(text->isReadOnly());
    menu->popup(QPoint(0, 0));
    QTRY_VERIFY(text->isVisible());
    menu->hide();
}

void tst_PythonEditor::tipButtonWideText()
{
    TipButton tip(nullptr);
    const QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    tip.setTip(QString(2000, QLatin1Char('w')));
    auto text = qobject_cast<QTextEdit *>(qobject_cast<QWidgetAction *>(tip.menu()->actions().value(0))->defaultWidget());
    QCOMPARE(text->minimumWidth(), screen->geometry().width() / 2);
    QCOMPARE(text->maximumHeight(), 200);

    tip.setTip("ab");
    text = qobject_cast<QTextEdit *>(qobject_cast<QWidgetAction *>(tip.menu()->actions().value(0))->defaultWidget());
    QVERIFY(text->minimumWidth() > 0);
    QVERIFY(text->minimumWidth() < 100);
}

QTEST_MAIN(tst_PythonEditor)
#include "tst_pythoneditor.moc"
