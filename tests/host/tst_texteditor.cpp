// The IDE's editors as plug-ins meet them: MIME types, editor factories by
// type, the text editor's highlighting, marks and extra selections.

#include <coreplugin/editormanager.h>
#include <coreplugin/idocument.h>
#include <coreplugin/ieditor.h>
#include <texteditor/textdocument.h>
#include <texteditor/texteditor.h>
#include <texteditor/textmark.h>
#include <utils/mimedatabase.h>

#include <QScopedPointer>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using namespace TextEditor;

namespace {

BaseTextEditor *createEditor(const char *mimeType)
{
    const Utils::MimeType type = Utils::MimeDatabase().mimeTypeForName(QString::fromLatin1(mimeType));
    const QList<Core::IEditorFactory *> factories = Core::EditorManager::editorFactories(type, true);
    return factories.isEmpty() ? nullptr : qobject_cast<BaseTextEditor *>(factories.last()->createEditor());
}

QList<int> markedLines(TextEditorWidget *widget)
{
    QList<int> lines;
    for (const QTextEdit::ExtraSelection &s : widget->extraSelections(TextEditorWidget::markSelectionKind()))
        lines << s.cursor.blockNumber() + 1;
    return lines;
}

} // namespace

class tst_TextEditor : public QObject
{
    Q_OBJECT
private slots:
    void mimeTypesAndFactories()
    {
        Utils::MimeDatabase database;
        QVERIFY(database.mimeTypeForName("text/x-python").isValid());
        QVERIFY(database.mimeTypeForName("text/x-c++src").isValid());
        QVERIFY(!database.mimeTypeForName("text/x-cobol").isValid());

        // Best matches are the editors made for the type; all matches add the
        // plain-text editor that opens any text.
        const Utils::MimeType python = database.mimeTypeForName("text/x-python");
        const QList<Core::IEditorFactory *> best = Core::EditorManager::editorFactories(python, true);
        QCOMPARE(best.size(), 1);
        QCOMPARE(best.first()->id().name(), QByteArray("PythonEditor.PythonEditor"));
        const QList<Core::IEditorFactory *> all = Core::EditorManager::editorFactories(python, false);
        QCOMPARE(all.size(), 2);
        QCOMPARE(all.last()->id().name(), QByteArray("Core.PlainTextEditor"));
        QVERIFY(Core::EditorManager::editorFactories(Utils::MimeType(), true).isEmpty());
    }

    void editorsHighlightTheirLanguage()
    {
        const struct
        {
            const char *mimeType;
            const char *syntax;
            const char *text;
        } cases[] = {
            {"text/x-python", "Python", "def f(value):\n    return value"},
            {"text/x-c++src", "C++", "int main() { return 0; }"},
        };
        for (const auto &c : cases) {
            QScopedPointer<BaseTextEditor> editor(createEditor(c.mimeType));
            QVERIFY(editor);
            QCOMPARE(editor->document(), static_cast<Core::IDocument *>(editor->textDocument()));
            QCOMPARE(editor->textDocument()->mimeType(), QString::fromLatin1(c.mimeType));
            QCOMPARE(editor->editorWidget()->highlightingName(), QString::fromLatin1(c.syntax));

            editor->textDocument()->setPlainText(QString::fromLatin1(c.text));
            editor->widget()->resize(300, 100);
            editor->widget()->show();
            QVERIFY(QTest::qWaitForWindowExposed(editor->widget()));
            // The keyword at the start of the first line carries a format.
            const QTextBlock first = editor->textDocument()->document()->firstBlock();
            const QVector<QTextLayout::FormatRange> formats = first.layout()->formats();
            QVERIFY2(!formats.isEmpty(), c.mimeType);
            QCOMPARE(formats.first().start, 0);
            QVERIFY(formats.first().format.foreground().color() != QColor(Qt::black)
                    || formats.first().format.fontWeight() > QFont::Normal);
        }
    }

    void marksFollowTheirLines()
    {
        QScopedPointer<BaseTextEditor> editor(createEditor("text/x-python"));
        TextDocument *document = editor->textDocument();
        TextEditorWidget *widget = editor->editorWidget();
        document->setPlainText("a = 1\nb = 2\nc = 3\nd = 4");
        QSignalSpy changes(document, &TextDocument::marksChanged);

        auto mark = new TextMark(QString(), 2, Core::Id("Bookmarks.EditNote"));
        QVERIFY(document->addMark(mark));
        QVERIFY(!document->addMark(mark)); // once per document
        QCOMPARE(mark->baseTextDocument(), document);
        QCOMPARE(markedLines(widget), QList<int>{2});

        mark->move(4);
        QCOMPARE(mark->lineNumber(), 4);
        QCOMPARE(markedLines(widget), QList<int>{4});

        delete mark; // removes itself
        QVERIFY(document->marks().isEmpty());
        QVERIFY(markedLines(widget).isEmpty());
        QCOMPARE(changes.count(), 3);
    }

    void extraSelectionKindsAreIndependent()
    {
        TextEditorWidget widget;
        TextDocument document;
        widget.setTextDocument(&document);
        document.setPlainText("one\ntwo");
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(document.document());
        widget.setExtraSelections(Core::Id("Search"), {selection, selection});
        widget.setExtraSelections(Core::Id("Other"), {selection});
        QCOMPARE(widget.QPlainTextEdit::extraSelections().size(), 3);
        widget.setExtraSelections(Core::Id("Search"), {});
        QCOMPARE(widget.extraSelections(Core::Id("Search")).size(), 0);
        QCOMPARE(widget.extraSelections(Core::Id("Other")).size(), 1);
        QCOMPARE(widget.QPlainTextEdit::extraSelections().size(), 1);
    }

    void markOutlivesItsDocument()
    {
        auto document = new TextDocument;
        TextMark mark(QString(), 1, Core::Id("X"));
        document->addMark(&mark);
        delete document;
        QCOMPARE(mark.baseTextDocument(), nullptr);
        mark.move(2); // no document left to tell
        QCOMPARE(mark.lineNumber(), 2);
    }
    void openedFilesShowTheirMarksAtTheirLines()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString py = dir.filePath("a.py");
        const QString hdl = dir.filePath("b.v");
        for (const QString &name : {py, hdl}) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("one\ntwo\nthree\n");
        }
        // A mark made before its file opens shows once it does.
        TextMark early(py, 3, Core::Id("X"));
        QCOMPARE(early.baseTextDocument(), nullptr);
        bool newEditor = false;
        Core::IEditor *editor = Core::EditorManager::openEditor(py, Core::Id(), Core::EditorManager::NoFlags, &newEditor);
        QVERIFY(editor && newEditor);
        auto text = qobject_cast<BaseTextEditor *>(editor);
        QVERIFY(text);
        QCOMPARE(text->editorWidget()->highlightingName(), QStringLiteral("Python"));
        QCOMPARE(text->textDocument()->plainText(), QStringLiteral("one\ntwo\nthree\n"));
        QCOMPARE(early.baseTextDocument(), text->textDocument());
        QCOMPARE(markedLines(text->editorWidget()), QList<int>{3});
        // One made while it is open joins it; the same file gives the same editor.
        {
            TextMark late(py, 1, Core::Id("X"));
            QCOMPARE(late.baseTextDocument(), text->textDocument());
            QCOMPARE(TextMark::marksOf(py).size(), 2);
            QCOMPARE(Core::EditorManager::openEditor(py, Core::Id(), Core::EditorManager::NoFlags, &newEditor), editor);
            QVERIFY(!newEditor);
        }
        QCOMPARE(markedLines(text->editorWidget()), QList<int>{3});

        editor->gotoLine(2, 2, false);
        QCOMPARE(editor->currentLine(), 2);
        QCOMPARE(editor->currentColumn(), 2);
        editor->gotoLine(99, 99); // clamped to the text
        QCOMPARE(editor->currentLine(), 4);
        QCOMPARE(editor->currentColumn(), 0);

        // A type without an editor of its own opens as plain text; the
        // current editor stays when asked to.
        Core::IEditor *plain = Core::EditorManager::openEditor(hdl, Core::Id(), Core::EditorManager::DoNotChangeCurrentEditor);
        QVERIFY(plain);
        QCOMPARE(plain->document()->filePath(), QFileInfo(hdl).absoluteFilePath());
        QCOMPARE(plain->document()->mimeType(), QStringLiteral("text/plain"));
        QCOMPARE(Core::EditorManager::currentEditor(), editor);
        QCOMPARE(Core::EditorManager::openedEditors().size(), 2);
        QVERIFY(!Core::EditorManager::openEditor(dir.filePath("missing.py")));

        Core::EditorManager::closeAllEditors();
        QVERIFY(Core::EditorManager::openedEditors().isEmpty());
        QCOMPARE(early.baseTextDocument(), nullptr); // the mark lives on
        QCOMPARE(TextMark::liveMarkCount(), 1);
    }
    // Editors on contents: a new one each time, titled as asked, until a
    // file name is given; an unknown kind opens as plain text.
    void editorsWithContents()
    {
        QString title = QStringLiteral("Dump");
        const QByteArray text = QStringLiteral("caf\u00e9\nline\n").toUtf8();
        Core::IEditor *first = Core::EditorManager::openEditorWithContents(Core::Id("Core.PlainTextEditor"), &title,
                                                                           text);
        QVERIFY(first);
        QCOMPARE(Core::EditorManager::currentEditor(), first);
        auto *document = qobject_cast<TextDocument *>(first->document());
        QVERIFY(document);
        QCOMPARE(document->plainText(), QString::fromUtf8(text));
        QCOMPARE(document->displayName(), title);
        QVERIFY(document->filePath().isEmpty());

        QSignalSpy changed(document, &Core::IDocument::changed);
        document->setFilePath(Utils::FileName::fromString(QStringLiteral("out.v")));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(document->filePath(), QStringLiteral("out.v"));
        QCOMPARE(document->displayName(), title);

        Core::IEditor *second = Core::EditorManager::openEditorWithContents(
            Core::Id("No.Such.Editor"), nullptr, text, QString(), Core::EditorManager::DoNotChangeCurrentEditor);
        QVERIFY(second);
        QVERIFY(second != first);
        QCOMPARE(second->document()->mimeType(), QStringLiteral("text/plain"));
        QCOMPARE(Core::EditorManager::currentEditor(), first);
        QCOMPARE(Core::EditorManager::openedEditors().size(), 2);
        // Untitled, the document is called by its file name.
        second->document()->setFilePath(Utils::FileName::fromString(QStringLiteral("/tmp/SourceDump.v")));
        QCOMPARE(second->document()->displayName(), QStringLiteral("SourceDump.v"));
        Core::EditorManager::closeAllEditors();
    }
};

QTEST_MAIN(tst_TextEditor)
#include "tst_texteditor.moc"
