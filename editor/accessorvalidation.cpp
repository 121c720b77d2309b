#include "accessorinput.h"

#include "pythoneditor.h"
#include "savedcombobox.h"

#include "configuration/expressiontranslator.h"
#include "configuration/storedclasses.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>

// Checking the entry of the accessor input for its option and showing the
// outcome in place. Python entries are compiled by a Python interpreter in a
// child process; the entry is passed as data and never run.

namespace KorvanDebugger {
namespace Configuration {

namespace {

// Compiles standard input and, on a syntax error, reports it the way the
// interpreter's own traceback does: the file-and-line line, the faulty line
// after 4 spaces (its leading spaces removed) and a caret line under the
// error position. Only spaces are removed, so that the column arithmetic of
// the reader holds for lines that start with a tab.
const char syntaxCheckScript[] = R"(import sys
source = sys.stdin.buffer.read().decode('utf-8')
try:
    compile(source, '<accessor>', 'exec', dont_inherit=True)
except SyntaxError as error:
    number = error.lineno or 1
    lines = source.split('\n')
    text = lines[number - 1] if 0 < number <= len(lines) else (error.text or '').rstrip('\n')
    stripped = text.lstrip(' ')
    column = max((error.offset or 1) - (len(text) - len(stripped)), 1)
    report = '  File "<accessor>", line %d\n    %s\n    %s^\n%s: %s\n' % (
        number, stripped, ' ' * (column - 1), type(error).__name__, error.msg)
    sys.stderr.buffer.write(report.encode('utf-8'))
    sys.exit(1)
)";

// "lambda value: " in front of the user's text, plus the 4 spaces and the
// 1-based caret of the report.
constexpr int lambdaPrefixLength = 19;
// The 4 spaces of the report; the body lines carry 4 more, corrected per line.
constexpr int bodyPrefixLength = 4;

struct HelpItem
{
    qint64 flags;
    const char *text;
};

const HelpItem helpItems[] = {
    {0x1, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: The option is not mandatory and you may omit it.")},
    {0x2, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter a C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ Object type. Using template is not allowed.")},
    {0x4, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter a C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ Object type. Using template is allowed.")},
    {0x8, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter a C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ Object type. Templates and parameterized types are allowed.")},
    {0x10, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define the formula used to extract a sub-field.")},
    {0x20, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define the Python Lambda code used to extract a sub-field.")},
    {0x40, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define the Python code used to extract a sub-field.")},
    {0x80, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define the Python code used to extract a sub-field.")},
    {0x100, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define the class method used to extract a sub-field.")},
    {0x200, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define the C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ function used to extract a sub-field.")},
    {0x400, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter a C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ Object type that is defined from one of the current object template parameters.")},
    {0x800, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter the index of the base object starting from 0.")},
    {0x1000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter a C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class size.")},
    {0x2000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter an object address as an offset from the current object.")},
    {0x4000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter any free text.")},
    {0x8000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter any mandatory free text.")},
    {0x10000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to set the Group name.")},
    {0x20000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define a filter base on the key.")},
    {0x40000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define a filter base on the value.")},
    {0x80000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to define a filter base on key or value or both. It has to be written using Python syntax.")},
    {0x100000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to refer to an existing C&#x2060;/&#x2060;C&#x2060;+&#x2060;+  model name.")},
    {0x200000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is used to refer to an existing C&#x2060;/&#x2060;C&#x2060;+&#x2060;+  model name. The model must implements a container.")},
    {0x800000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: You can enter an integer constant that is defined from one of the current object template parameters.")},
    {0x100000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is the default basic model that describes a class with sub-fields.")},
    {0x200000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is a holder object that stores a collection of other objects (its elements).")},
    {0x400000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is a string object (Text representation as an array of characters).")},
    {0x800000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is a special container object defined as an array of bits.")},
    {0x1000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is a class that stores a single field and behaves exactly as its sub-field. It can be used in particular to implement class synonym in derivation.")},
    {0x2000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: This is a enum object.")},
    {0x100000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: The field is a basic sub-field.")},
    {0x200000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: The field is modeled as a boolean.")},
    {0x400000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: The field is modeled as an enumeration.")},
    {0x800000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: The field is modeled as an array container.")},
    {0x1000000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: The field is modeled as an linked container (list or b-tree).")},
    {0x2000000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: Re-use the fields defined in a base class.")},
    {0x4000000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: The container field is based on a customization rules of an existing container model.")},
    {0x8000000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: Not used")},
    {0x10000000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: Not used")},
    {0x20000000000000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>%1</b>: Not used")},
};

} // namespace

QString AccessorInput::pythonProgram()
{
    return QStringLiteral("python3");
}

bool AccessorInput::isPythonBodyOption() const
{
    const AccessorKind kind = AccessorKind(m_option);
    return kind == AccessorKind::PythonCall || kind == AccessorKind::PythonContainerCall
           || kind == AccessorKind::FilterAPI;
}

QString AccessorInput::currentPythonCode() const
{
    if (AccessorKind(m_option) == AccessorKind::LambdaExpression)
        return m_optionLabel->text() + m_textEdit->text();
    if (isPythonBodyOption() && m_pythonEditor)
        return m_pythonEditor->code();
    return QString();
}

void AccessorInput::setFailure(const QString &message)
{
    m_failure = message;
    setErrorMessage(message);
}

void AccessorInput::validate(bool notify)
{
    m_valid = false;
    if (!isPythonBodyOption() && AccessorKind(m_option) != AccessorKind::LambdaExpression)
        m_checkNotice.clear();
    const QString text = m_textEdit->text();
    const auto translated = [&](ExpressionTranslator &translator, bool success) {
        if (success) {
            m_valid = true;
            return false;
        }
        handleSyntaxError(1, translator.errorPosition(), translator.errorMessage());
        if (notify)
            emit changed();
        return true;
    };

    switch (AccessorKind(m_option)) {
    case AccessorKind::CppType: {
        ExpressionTranslator translator(text);
        if (translated(translator, translator.parseQualifiedName(false, true).success))
            return;
        break;
    }
    case AccessorKind::TemplateType:
    case AccessorKind::ParamType: {
        ExpressionTranslator translator(text);
        translator.allowTemplateParameters = AccessorKind(m_option) == AccessorKind::ParamType;
        if (translated(translator, translator.parseWholeType().success))
            return;
        break;
    }
    case AccessorKind::Field:
    case AccessorKind::FilterKey:
    case AccessorKind::FilterValue: {
        ExpressionTranslator translator(text);
        if (translated(translator, translator.translateExpressionList().success))
            return;
        break;
    }
    case AccessorKind::LambdaExpression:
        m_checkNotice.clear();
        startPythonCheck(currentPythonCode(), lambdaPrefixLength);
        break;
    case AccessorKind::PythonCall:
    case AccessorKind::PythonContainerCall:
    case AccessorKind::FilterAPI:
        m_checkNotice.clear();
        startPythonCheck(currentPythonCode(), bodyPrefixLength);
        break;
    case AccessorKind::InferiorMethod:
    case AccessorKind::InferiorFunction: {
        static const QRegularExpression apiName(QStringLiteral("\\A(?:_*[a-zA-Z][_a-zA-Z0-9]*)\\z"));
        if (apiName.match(text).hasMatch()) {
            m_valid = true;
            break;
        }
        handleSyntaxError(1, 0, tr("Invalid API Name: '%1'").arg(text));
        if (notify)
            emit changed();
        return;
    }
    case AccessorKind::Size:
        m_valid = m_firstSpin->value() + m_secondSpin->value() > 0;
        if (!m_valid)
            setFailure(tr("Size can not be 0. You must enter at least 1 Integer or 1 Pointer"));
        break;
    case AccessorKind::TextAlternative:
        m_valid = !text.simplified().isEmpty();
        if (!m_valid)
            setFailure(tr("This entry is mandatory. You need to enter a non-empty text."));
        break;
    case AccessorKind::ClassName:
        m_valid = !editedClassDefinition(text).isEmpty();
        if (!m_valid)
            setFailure(tr("The entry is not the name of a configured class."));
        break;
    case AccessorKind::ContainerClassName:
        m_valid = editedClassIsContainer(text);
        if (!m_valid)
            setFailure(tr("The entry is not the name of a configured container class."));
        break;
    case AccessorKind::GroupName: {
        const QString group = m_groupCombo->currentText();
        if (group.contains(QLatin1Char('.'))) {
            // Setting the text validates again, with the new text.
            m_groupCombo->setCurrentText(QString(group).replace(QLatin1Char('.'), QLatin1Char('_')));
        }
        m_valid = true;
        break;
    }
    default:
        m_valid = true;
        break;
    }

    handleSyntaxError();
    if (notify)
        emit changed();
}

void AccessorInput::startPythonCheck(const QString &code, int prefixLength)
{
    // A check that is running is compared with the current text when it
    // ends, and run again if the text changed meanwhile.
    if (m_checkProcess)
        return;
    auto process = new QProcess;
    m_checkProcess = process;
    m_checkPrefixLength = prefixLength;
    m_checkedCode = code;
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &AccessorInput::pythonFinished);
    connect(process, &QProcess::errorOccurred, this, &AccessorInput::pythonFinished);
    // Isolated and without site packages: nothing of the user's environment
    // is imported into the checker.
    process->start(pythonProgram(),
                   {QStringLiteral("-I"), QStringLiteral("-S"), QStringLiteral("-c"),
                    QString::fromLatin1(syntaxCheckScript)},
                   QIODevice::ReadWrite);
    if (m_checkProcess == process) { // a failed start may have been handled already
        process->write(code.toUtf8());
        process->closeWriteChannel();
    }
}

void AccessorInput::releaseCheck()
{
    if (!m_checkProcess)
        return;
    m_checkProcess->disconnect(this);
    m_checkProcess->deleteLater();
    m_checkProcess = nullptr;
}

void AccessorInput::pythonFinished()
{
    QProcess *process = m_checkProcess;
    if (!process || sender() != process)
        return;
    // Errors other than a failed start are followed by finished().
    if (process->state() != QProcess::NotRunning && process->error() != QProcess::FailedToStart)
        return;

    const QProcess::ProcessError error = process->error();
    const bool normalExit = process->exitStatus() == QProcess::NormalExit;
    const int exitCode = process->exitCode();
    const QString report = error == QProcess::FailedToStart
                               ? QString()
                               : QString::fromUtf8(process->readAllStandardError());
    const QString checkedCode = m_checkedCode;
    const int prefixLength = m_checkPrefixLength;
    releaseCheck();

    // The outcome of an older text, or of another option (whose code is
    // composed differently, or is none), says nothing about the current
    // entry: check the current one instead.
    const QString currentCode = currentPythonCode();
    if (currentCode != checkedCode) {
        const AccessorKind kind = AccessorKind(m_option);
        if (kind == AccessorKind::LambdaExpression)
            startPythonCheck(currentCode, lambdaPrefixLength);
        else if (isPythonBodyOption())
            startPythonCheck(currentCode, bodyPrefixLength);
        return;
    }

    // A check that cannot run says nothing about the entry: it is shown as
    // not checked, with the reason, and blocks nothing.
    const auto notChecked = [this](const QString &reason) {
        m_valid = true;
        m_checkNotice = tr("Python syntax not checked: %1").arg(reason);
    };
    m_checkNotice.clear();
    if (error == QProcess::FailedToStart) {
        notChecked(tr("%1 not found.").arg(pythonProgram()));
    } else if (!normalExit) {
        notChecked(tr("%1 crashed.").arg(pythonProgram()));
    } else if (exitCode == 0) {
        m_valid = true;
    } else {
        QStringList lines = report.split(QLatin1Char('\n'));
        static const QRegularExpression fileLine(QStringLiteral("\\A(?:.*\", line ([0-9]+))\\z"));
        int line = 0;
        int caret = -1;
        for (int i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch match = fileLine.match(lines.at(i));
            if (match.hasMatch()) {
                line = match.captured(1).toInt() - 1;
                lines[i] = QStringLiteral("line %1").arg(line);
            } else if (lines.at(i).trimmed() == QLatin1String("^")) {
                caret = i;
                break;
            }
        }
        if (caret < 0) {
            // Not a syntax report: the check itself failed.
            notChecked(tr("%1 exited with code %2.\n%3").arg(pythonProgram()).arg(exitCode).arg(report.trimmed()));
        } else {
            int column = lines.at(caret).size() - prefixLength;
            if (isPythonBodyOption()) {
                const QStringList codeLines = checkedCode.split(QLatin1Char('\n'));
                if (line >= 0 && line < codeLines.size()) {
                    const QString &codeLine = codeLines.at(line);
                    int indent = 0;
                    while (indent < codeLine.size() && codeLine.at(indent) == QLatin1Char(' '))
                        ++indent;
                    column += indent - bodyPrefixLength;
                }
            }
            handleSyntaxError(line, column, lines.join(QLatin1Char('\n')));
            emit changed();
            return;
        }
    }
    handleSyntaxError();
    emit changed();
}

void AccessorInput::handleSyntaxError(int line, int column, const QString &message)
{
    QList<QTextLayout::FormatRange> ranges;
    QString text;
    if (column == -1) {
        // The plain message, so that refreshing never wraps it twice.
        text = m_valid ? m_checkNotice.toHtmlEscaped() : m_failure;
    } else {
        text = message;
        if (text.isEmpty()) {
            text = line == -1 ? tr("Syntax Error near column %1").arg(column)
                              : tr("Syntax Error near line %1, column %2").arg(line).arg(column);
        }
        // Reports echo the user's text: escaped, it cannot turn into markup.
        text = QStringLiteral("<pre>%1</pre>").arg(text.toHtmlEscaped());
        m_failure = text;
        if (!isPythonBodyOption()) {
            const int length = m_textEdit->text().size();
            const int start = qBound(0, column, length);
            QTextCharFormat plain;
            QTextCharFormat faulty;
            faulty.setFontItalic(true);
            faulty.setForeground(Qt::red);
            ranges.append({0, start, plain});
            ranges.append({start, length - start, faulty});
        }
    }
    text = text.isEmpty() ? m_savedToolTip : QStringLiteral("%1<br><b>%2</b>").arg(m_savedToolTip, text);

    m_textEdit->setToolTip(text);
    if (m_pythonEditor) {
        m_pythonEditor->setToolTip(text);
        // The mark belongs to Python bodies only; other options never leave
        // one behind, nor does an error in the signature (line 0). While a
        // check runs the last report's mark stays, so that it moves to the
        // next faulty line instead of blinking.
        if (!isPythonBodyOption() || line == 0)
            m_pythonEditor->setErrorLine(-1);
        else if (line > 0 || !isChecking())
            m_pythonEditor->setErrorLine(line);
    }
    setErrorMessage(text);
    setTextFormats(ranges);
}

void AccessorInput::setTextFormats(const QList<QTextLayout::FormatRange> &ranges)
{
    m_textFormats = ranges;
    if (!m_textEdit)
        return;
    QList<QInputMethodEvent::Attribute> attributes;
    for (const QTextLayout::FormatRange &range : ranges) {
        attributes.append(QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat,
                                                       range.start - m_textEdit->cursorPosition(),
                                                       range.length, range.format));
    }
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(m_textEdit, &event);
}

QString AccessorInput::optionHelpList() const
{
    QString help;
    for (auto it = m_optionIndex.constBegin(); it != m_optionIndex.constEnd(); ++it) {
        for (const HelpItem &item : helpItems) {
            if (item.flags == it.key()) {
                help += tr(item.text).arg(m_optionCombo->itemText(it.value()));
                break;
            }
        }
    }
    return help;
}

} // namespace Configuration
} // namespace KorvanDebugger
