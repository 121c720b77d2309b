#include "pythoneditor.h"

#include <coreplugin/editormanager.h>
#include <coreplugin/ieditor.h>
#include <texteditor/textdocument.h>
#include <texteditor/textmark.h>
#include <utils/mimedatabase.h>

#include <QLabel>
#include <QMenu>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace KorvanDebugger {
namespace Configuration {

namespace {

const QString indentUnit = QStringLiteral("    ");

int leadingSpaces(const QString &line)
{
    int n = 0;
    while (n < line.size() && line.at(n) == QLatin1Char(' '))
        ++n;
    return n;
}

} // namespace

PythonEditor::PythonEditor(QWidget *parent)
    : QDialog(parent)
    , m_signatureLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("PythonEditor"));
    auto layout = new QVBoxLayout(this);
    layout->setMargin(1);
    layout->addWidget(m_signatureLabel);

    const Utils::MimeType python = Utils::MimeDatabase().mimeTypeForName(QStringLiteral("text/x-python"));
    const QList<Core::IEditorFactory *> factories = Core::EditorManager::editorFactories(python, true);
    if (!factories.isEmpty())
        m_editor = factories.last()->createEditor();
    if (m_editor) {
        m_editor->setParent(this);
        QWidget *editorWidget = m_editor->widget();
        editorWidget->setMinimumSize(600, 200);
        editorWidget->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
        layout->addWidget(editorWidget);
    } else {
        // Without the IDE's Python editor the body cannot be edited; say so
        // instead of showing an empty dialog.
        layout->addWidget(new QLabel(tr("No Python editor is available."), this));
    }
    m_signatureLabel->setText(QStringLiteral("def myFunction():"));
}

PythonEditor::~PythonEditor()
{
    setErrorLine(-1);
}

void PythonEditor::setSignature(const QString &name, const QStringList &parameters)
{
    m_signatureLabel->setText(QStringLiteral("def %1(%2):")
                                  .arg(name.isEmpty() ? QStringLiteral("myFunction") : name,
                                       parameters.join(QLatin1String(", "))));
}

void PythonEditor::setSignatureText(const QString &text)
{
    m_signatureLabel->setText(text);
}

QString PythonEditor::signatureText() const
{
    return m_signatureLabel->text();
}

QString PythonEditor::callSignature() const
{
    return signatureText().mid(4);
}

TextEditor::TextDocument *PythonEditor::textDocument() const
{
    return m_editor ? qobject_cast<TextEditor::TextDocument *>(m_editor->document()) : nullptr;
}

QString PythonEditor::bodyText(int indent) const
{
    const TextEditor::TextDocument *document = textDocument();
    if (!document)
        return QString();
    const QString text = document->plainText();
    if (indent <= 0)
        return text;
    const QString pad(indent, QLatin1Char(' '));
    return pad + text.split(QLatin1Char('\n')).join(QLatin1Char('\n') + pad);
}

void PythonEditor::setBodyText(const QString &text)
{
    TextEditor::TextDocument *document = textDocument();
    if (!document)
        return;
    int common = text.size();
    for (const QString &line : text.split(QLatin1Char('\n')))
        common = qMin(common, leadingSpaces(line));
    QString body = text;
    if (common > 0) {
        body.remove(0, common);
        body.replace(QLatin1Char('\n') + QString(common, QLatin1Char(' ')), QStringLiteral("\n"));
    }
    document->setPlainText(body);
}

QString PythonEditor::code() const
{
    const TextEditor::TextDocument *document = textDocument();
    QString body = document ? document->plainText() : QString();
    body.replace(QLatin1Char('\n'), QLatin1Char('\n') + indentUnit);
    return signatureText() + QLatin1Char('\n') + indentUnit + body;
}

void PythonEditor::setErrorLine(int line)
{
    if (line == -1) {
        delete m_errorMark; // removes it from the document
        m_errorMark = nullptr;
        return;
    }
    if (m_errorMark) {
        m_errorMark->move(line);
        return;
    }
    TextEditor::TextDocument *document = textDocument();
    if (!document)
        return;
    m_errorMark = new TextEditor::TextMark(QString(), line, Core::Id("Bookmarks.EditNote"));
    m_errorMark->setIcon(QIcon(QStringLiteral(":/core/images/error.png")));
    document->addMark(m_errorMark);
}

int PythonEditor::errorLine() const
{
    return m_errorMark ? m_errorMark->lineNumber() : -1;
}

bool installEditorPopup(QToolButton *button, PythonEditor *&editor)
{
    if (button->menu())
        return false;
    button->setPopupMode(QToolButton::InstantPopup);
    editor = new PythonEditor(button->parentWidget());
    auto menu = new QMenu(button);
    auto action = new QWidgetAction(menu);
    action->setDefaultWidget(editor);
    menu->addAction(action);
    QObject::connect(menu, &QMenu::aboutToShow, editor, &QWidget::show);
    QObject::connect(editor, &QDialog::finished, menu, &QWidget::hide);
    button->setMenu(menu);
    return true;
}

} // namespace Configuration
} // namespace KorvanDebugger
