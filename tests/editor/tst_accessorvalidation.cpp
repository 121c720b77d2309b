// Validation of the accessor input for each option: local checks with the
// error position, the red italic part, tooltips and validity; the Python
// syntax check against the real python3 (error report, editor mark, checks
// that never run the entry, failures of the interpreter itself).

#include "common/testenvironment.h"

#include "configuration/keys.h"
#include "editor/accessorinput.h"
#include "editor/pythoneditor.h"

#include <texteditor/textdocument.h>
#include <texteditor/textmark.h>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

constexpr quint64 allAccessorOptions = 0x00bfffff;

void pick(AccessorInput &input, AccessorKind kind)
{
    for (int i = 0; i < input.optionCombo()->count(); ++i) {
        if (input.typeFlags(i) == qint64(kind)) {
            input.optionCombo()->setCurrentIndex(i);
            return;
        }
    }
    QFAIL("option not offered");
}

// Waits until no Python check runs any more (re-runs included).
bool settle(AccessorInput &input)
{
    return QTest::qWaitFor([&] { return !input.isChecking(); }, 20000);
}

QString wrapped(const AccessorInput &input, const QString &message)
{
    return input.savedToolTip() + QStringLiteral("<br><b>") + message + QStringLiteral("</b>");
}

// Puts PATH at a folder of its own while it lives.
class SearchPath
{
public:
    SearchPath() : m_saved(qgetenv("PATH")) { qputenv("PATH", m_dir.path().toLocal8Bit()); }
    ~SearchPath() { qputenv("PATH", m_saved); }
    // A stand-in "python3" made of a shell script.
    void addPython(const QByteArray &script)
    {
        QFile file(m_dir.filePath("python3"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + script);
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
};

} // namespace

class tst_AccessorValidation : public QObject
{
    Q_OBJECT
private slots:
    void localChecks_data();
    void localChecks();
    void faultyPartIsRedAndItalic();
    void refreshDoesNotWrapTwice();
    void loadedFaultyFieldIsJudged();
    void lambdaCheck_data();
    void lambdaCheck();
    void bodyCheckMarksTheLine();
    void checkNeverRunsTheEntry();
    void changedTextIsCheckedAgain();
    void switchedOptionIgnoresOldOutcome();
    void loadedEntryIsChecked();
    void interpreterFailures();
    void reportIsEscaped();

private:
    TestEnvironment m_environment;
};

void tst_AccessorValidation::localChecks_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("position"); // -1: the message has no position
    QTest::addColumn<QString>("message");

    const auto row = [](const char *name, AccessorKind kind, const char *text, bool valid, int position = -1,
                        const char *message = "", int first = 0, int second = 0) {
        QTest::newRow(name) << int(kind) << QString::fromLatin1(text) << first << second << valid << position
                            << QString::fromLatin1(message);
    };
    row("type qualified", AccessorKind::CppType, "ns::Name", true);
    row("type single colon", AccessorKind::CppType, "ns:Name", false, 4,
        "Invalid namespace separator. Only one ':' character.");
    row("type with arguments", AccessorKind::CppType, "ns::Name<int>", false, 8, "Trailing characters after the type.");
    row("template type", AccessorKind::TemplateType, "QList<QPair<int,char> >", true);
    row("template type refuses references", AccessorKind::TemplateType, "QList<\\0>", false, 6, "");
    row("param type", AccessorKind::ParamType, "QList<\\0>", true);
    row("field", AccessorKind::Field, ".d.size + 1", true);
    row("field faulty", AccessorKind::Field, ".a +", false, 4, "Invalid constant expression.");
    row("field empty", AccessorKind::Field, "", false, 0, "");
    row("key filter", AccessorKind::FilterKey, ".first", true);
    row("key filter faulty", AccessorKind::FilterKey, ".first ==", false, 9, "");
    row("value filter faulty", AccessorKind::FilterValue, "(.x", false, 3, "");
    row("method underscores", AccessorKind::InferiorMethod, "__size", true);
    row("method digits", AccessorKind::InferiorMethod, "a12", true);
    row("method starts with digit", AccessorKind::InferiorMethod, "1abc", false, 0, "Invalid API Name: '1abc'");
    row("function with blank", AccessorKind::InferiorFunction, "do it", false, 0, "Invalid API Name: 'do it'");
    row("function underscores only", AccessorKind::InferiorFunction, "__", false, 0, "Invalid API Name: '__'");
    row("size zero", AccessorKind::Size, "", false, -1,
        "Size can not be 0. You must enter at least 1 Integer or 1 Pointer");
    row("size one pointer", AccessorKind::Size, "", true, -1, "", 0, 1);
    row("size one int", AccessorKind::Size, "", true, -1, "", 1, 0);
    row("offset zero", AccessorKind::Offset, "", true);
    row("text empty", AccessorKind::Text, "", true);
    row("mandatory blanks", AccessorKind::TextAlternative, " \t ", false, -1,
        "This entry is mandatory. You need to enter a non-empty text.");
    row("mandatory text", AccessorKind::TextAlternative, " x ", true);
    row("class name unknown", AccessorKind::ClassName, "NoSuchClass", false, -1,
        "The entry is not the name of a configured class.");
    row("container unknown", AccessorKind::ContainerClassName, "NoSuchClass", false, -1,
        "The entry is not the name of a configured container class.");
    row("base class", AccessorKind::AsBaseClass, "", true);
    row("template index", AccessorKind::TemplateArgumentType, "", true);
}

void tst_AccessorValidation::localChecks()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(bool, valid);
    QFETCH(int, position);
    QFETCH(QString, message);

    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, AccessorKind(kind));
    QSignalSpy changed(&input, &AccessorInput::changed);
    input.textEdit()->setText(text);
    input.firstSpin()->setValue(first);
    input.secondSpin()->setValue(second);
    input.validate();
    QVERIFY(changed.count() >= 1);
    QVERIFY(!input.isChecking());
    QCOMPARE(input.isValid(), valid);

    const QList<QTextLayout::FormatRange> formats = input.textFormats();
    if (valid) {
        QVERIFY(formats.isEmpty());
        QCOMPARE(input.errorMessage(), input.savedToolTip());
        QCOMPARE(input.textEdit()->toolTip(), input.savedToolTip());
        return;
    }
    if (position < 0) {
        // Shown in the tooltips only.
        QVERIFY(formats.isEmpty());
        QCOMPARE(input.errorMessage(), wrapped(input, message));
    } else {
        QCOMPARE(formats.size(), 2);
        QCOMPARE(formats.at(0).start, 0);
        QCOMPARE(formats.at(0).length, position);
        QVERIFY(!formats.at(0).format.fontItalic());
        QCOMPARE(formats.at(1).start, position);
        QCOMPARE(formats.at(1).length, text.size() - position);
        QVERIFY(formats.at(1).format.fontItalic());
        QCOMPARE(formats.at(1).format.foreground().color(), QColor(Qt::red));
        QVERIFY2(input.errorMessage().startsWith(input.savedToolTip() + "<br><b><pre>"),
                 qPrintable(input.errorMessage()));
        QVERIFY(input.errorMessage().endsWith("</pre></b>"));
        if (!message.isEmpty())
            QVERIFY2(input.errorMessage().contains(message.toHtmlEscaped()), qPrintable(input.errorMessage()));
    }
    QCOMPARE(input.textEdit()->toolTip(), input.errorMessage());
}

void tst_AccessorValidation::faultyPartIsRedAndItalic()
{
    AccessorInput input(Key::accessor, kindWord(AccessorKind::CppType), nullptr);
    input.resize(500, input.sizeHint().height());
    input.show();
    QVERIFY(QTest::qWaitForWindowExposed(&input));
    const auto redPixels = [&](int fromX) {
        const QImage image = input.textEdit()->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = fromX; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 150 && c.green() < 100 && c.blue() < 100;
            }
        }
        return count;
    };
    input.textEdit()->setText("WWWW:Name");
    QVERIFY(!input.isValid());
    QVERIFY(redPixels(0) > 0);
    input.textEdit()->setText("WWWW::Name");
    QVERIFY(input.isValid());
    QCOMPARE(redPixels(0), 0); // a valid entry clears the highlighting
}

void tst_AccessorValidation::refreshDoesNotWrapTwice()
{
    AccessorInput input(Key::accessor, kindWord(AccessorKind::Size), nullptr);
    input.validate();
    const QString shown = input.errorMessage();
    QCOMPARE(shown, wrapped(input, "Size can not be 0. You must enter at least 1 Integer or 1 Pointer"));
    input.handleSyntaxError();
    input.handleSyntaxError();
    QCOMPARE(input.errorMessage(), shown);
    QCOMPARE(input.textEdit()->toolTip(), shown);

    // The same holds for a positioned report refreshed afterwards.
    AccessorInput type(Key::accessor, kindWord(AccessorKind::CppType), nullptr);
    type.textEdit()->setText("a:b");
    const QString report = type.errorMessage();
    type.handleSyntaxError();
    QCOMPARE(type.errorMessage(), report);

    // Without a message of its own a position makes one.
    type.handleSyntaxError(-1, 4);
    QCOMPARE(type.errorMessage(), wrapped(type, "<pre>Syntax Error near column 4</pre>"));
    type.handleSyntaxError(2, 4);
    QCOMPARE(type.errorMessage(), wrapped(type, "<pre>Syntax Error near line 2, column 4</pre>"));
}

void tst_AccessorValidation::loadedFaultyFieldIsJudged()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    input.setValue(QJsonObject{{Key::accessor, QJsonObject{{Key::Field, ".a +"}}}}, true);
    QVERIFY(!input.isValid());
    QVERIFY(input.errorMessage().contains("Invalid constant expression."));
    QCOMPARE(input.textFormats().size(), 2);
}

void tst_AccessorValidation::lambdaCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("report");
    QTest::newRow("valid") << "value['x'] * 2" << true << 0 << QString();
    QTest::newRow("unclosed") << "(value" << false << 0 << "'(' was never closed";
    QTest::newRow("dangling operator") << "value.x +" << false << 9 << "invalid syntax";
    QTest::newRow("empty") << "" << false << 0 << "invalid syntax";
}

void tst_AccessorValidation::lambdaCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, column);
    QFETCH(QString, report);

    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, AccessorKind::LambdaExpression);
    QSignalSpy changed(&input, &AccessorInput::changed);
    input.textEdit()->setText(text);
    if (text.isEmpty())
        input.validate();
    QVERIFY(input.isChecking());
    QVERIFY(!input.isValid()); // undecided while the interpreter runs
    QVERIFY(settle(input));
    QCOMPARE(input.isValid(), valid);
    QVERIFY(changed.count() >= 2);
    if (valid) {
        QVERIFY(input.textFormats().isEmpty());
        QCOMPARE(input.errorMessage(), input.savedToolTip());
        return;
    }
    const QList<QTextLayout::FormatRange> formats = input.textFormats();
    QCOMPARE(formats.size(), 2);
    QCOMPARE(formats.at(1).start, column);
    QCOMPARE(formats.at(1).length, text.size() - column);
    // The report's file-and-line line becomes "line 0".
    const QString message = input.errorMessage();
    QVERIFY2(message.startsWith(input.savedToolTip() + "<br><b><pre>line 0\n    lambda value: "), qPrintable(message));
    QVERIFY(message.contains("^\nSyntaxError: " + report.toHtmlEscaped()));
    QCOMPARE(input.textEdit()->toolTip(), message);
}

void tst_AccessorValidation::bodyCheckMarksTheLine()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, AccessorKind::PythonCall);
    PythonEditor *editor = input.pythonEditor();
    QVERIFY(editor);
    TextEditor::TextDocument *document = editor->textDocument();

    editor->setBodyText("x = value\nreturn x +\ny = 1");
    QVERIFY(input.isChecking());
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QCOMPARE(document->marks().size(), 1);
    TextEditor::TextMark *mark = document->marks().first();
    QCOMPARE(mark->lineNumber(), 2);
    QVERIFY(input.textFormats().isEmpty()); // the line edit is not involved
    QVERIFY(input.errorMessage().contains("<pre>line 2\n    return x +\n"));
    QCOMPARE(editor->toolTip(), input.errorMessage());

    // Another faulty line moves the same mark.
    editor->setBodyText("x = value\nreturn x\nif x\n    pass");
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QCOMPARE(document->marks().size(), 1);
    QCOMPARE(document->marks().first(), mark);
    QCOMPARE(mark->lineNumber(), 3);

    // A valid body removes it.
    editor->setBodyText("x = value\nreturn x");
    QVERIFY(settle(input));
    QVERIFY(input.isValid());
    QVERIFY(document->marks().isEmpty());
    QCOMPARE(input.errorMessage(), input.savedToolTip());

    // An empty body is refused by the interpreter, not for being empty.
    editor->setBodyText(QString());
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QVERIFY(input.errorMessage().contains("IndentationError: expected an indented block"));
}

void tst_AccessorValidation::checkNeverRunsTheEntry()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("ran");
    const QString command = QStringLiteral("__import__('os').system('touch %1')").arg(marker);

    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, AccessorKind::LambdaExpression);
    input.textEdit()->setText("0, " + command);
    QVERIFY(settle(input));
    QVERIFY(input.isValid()); // it compiles
    pick(input, AccessorKind::PythonCall);
    input.pythonEditor()->setBodyText(command + "\nreturn value");
    QVERIFY(settle(input));
    QVERIFY(input.isValid());
    // Module-level code after the function would run if the text were executed.
    input.pythonEditor()->setBodyText("return value\n" + command + "\nx = (");
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QVERIFY(!QFile::exists(marker));
}

void tst_AccessorValidation::changedTextIsCheckedAgain()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, AccessorKind::LambdaExpression);
    // Faulty, then mended while the first check runs: the outcome is the
    // mended text's.
    input.textEdit()->setText("(value");
    QVERIFY(input.isChecking());
    input.textEdit()->setText("value");
    QVERIFY(settle(input));
    QVERIFY(input.isValid());
    QVERIFY(input.textFormats().isEmpty());

    // Valid, then broken while it runs: never valid with the faulty text.
    input.textEdit()->setText("value.x");
    input.textEdit()->setText("value.x +");
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QCOMPARE(input.textFormats().value(1).start, 9);
}

void tst_AccessorValidation::switchedOptionIgnoresOldOutcome()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, AccessorKind::LambdaExpression);
    input.textEdit()->setText("value");
    QVERIFY(input.isChecking());
    pick(input, AccessorKind::Field);
    input.textEdit()->setText(".a +");
    QVERIFY(!input.isValid());
    const QString message = input.errorMessage();
    QVERIFY(settle(input));
    QVERIFY(!input.isValid()); // the lambda's pass is not the field's
    QCOMPARE(input.errorMessage(), message);

    // From one Python option to another: the new one is checked.
    pick(input, AccessorKind::LambdaExpression);
    input.textEdit()->setText("(value");
    pick(input, AccessorKind::PythonCall);
    input.pythonEditor()->setBodyText("return value");
    QVERIFY(settle(input));
    QVERIFY(input.isValid());
}

void tst_AccessorValidation::loadedEntryIsChecked()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    QSignalSpy changed(&input, &AccessorInput::changed);
    input.setValue(QJsonObject{{Key::accessor, QJsonObject{{Key::PythonAPIHeader, "def myAccessor(d, value):"},
                                                            {Key::PythonAPIBody, "return (value"}}}},
                   true);
    QVERIFY(input.isChecking());
    QCOMPARE(changed.count(), 0);
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QCOMPARE(input.pythonEditor()->errorLine(), 1);

    // An error in a stored signature is no body line: no mark is left
    // pointing at the body.
    input.setValue(QJsonObject{{Key::accessor, QJsonObject{{Key::PythonAPIHeader, "def myAccessor(d, value"},
                                                            {Key::PythonAPIBody, "return value"}}}},
                   true);
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QVERIFY(input.errorMessage().contains("<pre>line 0\n    def myAccessor(d, value\n"));
    QCOMPARE(input.pythonEditor()->errorLine(), -1);
}

void tst_AccessorValidation::interpreterFailures()
{
    const struct
    {
        const char *script; // null: no python3 at all
        const char *message;
    } cases[] = {
        {nullptr, "Python syntax not checked: python3 not found."},
        {"kill -SEGV $$\n", "Python syntax not checked: python3 crashed."},
        {"echo 'no such module' >&2\nexit 3\n", "Python syntax not checked: python3 exited with code 3.\nno such module"},
    };
    // A check that cannot run judges nothing: the entry is not checked, says
    // why, and does not block its owner.
    for (const auto &c : cases) {
        SearchPath path;
        if (c.script)
            path.addPython(c.script);
        AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
        pick(input, AccessorKind::LambdaExpression);
        input.textEdit()->setText("value");
        QVERIFY(settle(input));
        QVERIFY2(input.isValid(), c.message);
        QCOMPARE(input.checkNotice(), QString::fromLatin1(c.message));
        QCOMPARE(input.errorMessage(), wrapped(input, QString::fromLatin1(c.message).toHtmlEscaped()));
    }
}

void tst_AccessorValidation::reportIsEscaped()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, AccessorKind::LambdaExpression);
    input.textEdit()->setText("value <> 3 </pre><b>");
    QVERIFY(settle(input));
    QVERIFY(!input.isValid());
    QVERIFY2(input.errorMessage().contains("lambda value: value &lt;&gt; 3 &lt;/pre&gt;&lt;b&gt;"),
             qPrintable(input.errorMessage()));
    QCOMPARE(input.errorMessage().count("</pre>"), 1);

    pick(input, AccessorKind::InferiorMethod);
    input.textEdit()->setText("<i>x");
    QVERIFY(input.errorMessage().contains("Invalid API Name: '&lt;i&gt;x'"));
}

QTEST_MAIN(tst_AccessorValidation)
#include "tst_accessorvalidation.moc"
