#include "enuminput.h"

#include "enumcodemodel.h"
#include "enummodel.h"
#include "fieldinput.h"
#include "objectwithlink.h"

#include "configuration/enuminputgenerator.h"
#include "configuration/keys.h"

#include <coreplugin/editormanager.h>
#include <projectexplorer/kit.h>
#include <cplusplus/Icons.h>
#include <cpptools/builtineditordocumentprocessor.h>
#include <texteditor/textdocument.h>
#include <texteditor/texteditor.h>
#include <texteditor/textmark.h>
#include <utils/mimedatabase.h>

#include <QJsonArray>
#include <QMenu>
#include <QStyle>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeView>

namespace KorvanDebugger {
namespace Configuration {

namespace {

CppTools::BuiltinEditorDocumentParser *parserOf(const TextEditor::BaseTextEditor *editor)
{
    CppTools::BuiltinEditorDocumentProcessor *processor
        = editor ? CppTools::BuiltinEditorDocumentProcessor::get(editor->textDocument()) : nullptr;
    return processor ? processor->parser() : nullptr;
}

// The underline of a compiler message: the character at its column, or,
// for a column past the end of the line, the line from its first
// non-blank character.
QTextCursor messageCursor(const QTextBlock &block, int column)
{
    QTextCursor cursor(block);
    const QString text = block.text();
    column = qMax(column, 1);
    if (column <= text.size()) {
        cursor.setPosition(block.position() + column - 1);
        cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor);
        return cursor;
    }
    int first = 0;
    while (first < text.size() && text.at(first).isSpace())
        ++first;
    if (first == text.size())
        first = 0;
    cursor.setPosition(block.position() + first);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    return cursor;
}

} // namespace

EnumInput::EnumInput(const QString &key, QWidget *parent)
    : QTabWidget(parent)
    , BaseInput(key)
    , m_extractor(new EnumExtractor(this))
{
    setWidget(this);
    m_prerequisiteEditor = createCppEditor();
    m_definitionEditor = createCppEditor();

    m_treeView = new QTreeView;
    m_treeView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_treeView, &QWidget::customContextMenuRequested, this, &EnumInput::mergeMenu);

    m_model.reset(new EnumModel);
    m_model->setHeader({tr("value/Mask"), tr("Formal Value")});
    m_model->setHeaderToolTip({tr("Either the actual value (for individual entry) or the Mask value for regrouped values"),
                               tr("The user meaningfull name used to represent the value")});
    m_treeView->setModel(m_model.get());
    m_extractor->setModel(m_model.get());
    connect(m_extractor, &EnumExtractor::compiled, this, &EnumInput::cppCompilerFinished);
    connect(m_extractor, &EnumExtractor::failed, this, &EnumInput::computationFailed);
    connect(m_extractor, &EnumExtractor::changed, this, &EnumInput::executionFinished);
    connect(m_model.get(), &EnumModel::staleChanged, this, &EnumInput::showStaleState);

    m_retry.setSingleShot(true);
    m_retry.setInterval(100);
    connect(&m_retry, &QTimer::timeout, this, &EnumInput::extractEnum);

    setTabBar(new ObjectWithLink<QTabBar>());
    addTab(m_prerequisiteEditor->widget(), tr("Prerequisite"));
    addTab(m_definitionEditor->widget(), CPlusPlus::Icons::iconForType(CPlusPlus::Icons::EnumIconType),
           tr("Definition"));
    addTab(m_treeView, tr("Parsed Definition"));
    setCurrentIndex(DefinitionTab);
    setupHelp();
    // The editors may be made before the kits are known (the include
    // folders of "#include <Qt>" come from the default kit).
    connect(ProjectExplorer::KitManager::instance(), &ProjectExplorer::KitManager::defaultkitChanged, this,
            &EnumInput::includeFoldersChanged);
}

EnumInput::~EnumInput()
{
    // The compiler or program goes first, then the marks that only this
    // input knows of.
    delete m_extractor;
    m_extractor = nullptr;
    setupCodeModel(m_prerequisiteEditor);
    setupCodeModel(m_definitionEditor);
    // The view shows the model: it goes before the model.
    delete m_treeView;
}

TextEditor::BaseTextEditor *EnumInput::createCppEditor()
{
    const Utils::MimeType cpp = Utils::MimeDatabase().mimeTypeForName(QStringLiteral("text/x-c++src"));
    const QList<Core::IEditorFactory *> factories = Core::EditorManager::editorFactories(cpp, true);
    auto *editor = factories.isEmpty() ? nullptr
                                       : qobject_cast<TextEditor::BaseTextEditor *>(factories.last()->createEditor());
    if (!editor) {
        // Without the host's C++ editor the texts can still be edited and
        // stored; no values are computed.
        editor = new TextEditor::BaseTextEditor(QStringLiteral("text/x-c++src"));
    }
    editor->setParent(this);
    {
        // Only a unique name: the parser reads the text from the editor,
        // and nothing is written to either path.
        QTemporaryFile file;
        if (file.open())
            editor->document()->setFilePath(file.fileName() + QStringLiteral(".cpp"));
    }
    if (CppTools::BuiltinEditorDocumentParser *parser = parserOf(editor))
        connect(parser, &CppTools::BuiltinEditorDocumentParser::finished, this, &EnumInput::extractEnum);
    setupCodeModel(editor);
    return editor;
}

void EnumInput::setupCodeModel(TextEditor::BaseTextEditor *editor)
{
    if (!editor)
        return;
    TextEditor::TextDocument *document = editor->textDocument();
    for (TextEditor::TextMark *mark : document->marks()) {
        document->removeMark(mark);
        delete mark;
    }
    editor->editorWidget()->setExtraSelections(TextEditor::TextEditorWidget::CodeWarningsSelection, {});
    if (CppTools::BuiltinEditorDocumentParser *parser = parserOf(editor))
        configureEnumParser(parser);
}

// ---- BaseInput -------------------------------------------------------------

QJsonValue EnumInput::value() const
{
    QStringList masks;
    QStringList enums;
    m_model->toText(masks, enums, false);
    QJsonObject object = m_loaded;
    object.insert(Key::prerequisite, m_prerequisiteEditor->textDocument()->plainText());
    object.insert(Key::definition, m_definitionEditor->textDocument()->plainText());
    // An empty table is written as such, except for a definition stored in
    // the older form without a table, which stays as it was until values
    // are computed for it.
    const bool olderForm = m_loaded.contains(Key::definition) && !m_loaded.contains(Key::masks)
                           && !m_loaded.contains(Key::enums);
    if (!olderForm || !m_model->isEmpty()) {
        object.insert(Key::masks, QJsonArray::fromStringList(masks));
        object.insert(Key::enums, QJsonArray::fromStringList(enums));
    }
    return object;
}

bool EnumInput::textsChangedSinceLoad() const
{
    return m_prerequisiteEditor->textDocument()->plainText() != m_loaded.value(Key::prerequisite).toString()
           || m_definitionEditor->textDocument()->plainText() != m_loaded.value(Key::definition).toString();
}

void EnumInput::setValue(const QJsonObject &object, bool byKey)
{
    const QJsonObject enumeration = selectValue(object, byKey).toObject();
    m_loaded = enumeration;
    m_failure.clear();
    m_generatedMessages.clear();
    // A computation of the texts being replaced must not overwrite the
    // table being loaded.
    if (m_extractor->isBusy()) {
        m_extractor->setModel(nullptr);
        m_discardRunning = true;
    }
    m_prerequisiteEditor->textDocument()->setPlainText(enumeration.value(Key::prerequisite).toString());
    m_definitionEditor->textDocument()->setPlainText(enumeration.value(Key::definition).toString());
    EnumInputGenerator::loadTable(m_model.get(), enumeration);
}

PythonCode EnumInput::generate()
{
    return m_model->pythonArguments();
}

bool EnumInput::isValid() const
{
    if (!m_visible)
        return true;
    if (m_model->rowCount() > 0)
        return true;
    QString message = tr("The enumeration has no values: enter a definition whose values can be computed.");
    if (!m_failure.isEmpty())
        message += QLatin1Char('\n') + m_failure;
    setErrorMessage(message);
    return false;
}

void EnumInput::setVisible(bool visible)
{
    QTabWidget::setVisible(visible);
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit changed();
}

// ---- Values from the compiler ----------------------------------------------

void EnumInput::extractEnum()
{
    if (m_extractor->isBusy()) {
        m_retry.start();
        return;
    }
    setupCodeModel(m_prerequisiteEditor);
    setupCodeModel(m_definitionEditor);

    const CppTools::BuiltinEditorDocumentParser *parser = parserOf(m_definitionEditor);
    const CPlusPlus::Document::Ptr document = parser ? parser->document() : CPlusPlus::Document::Ptr();
    if (!document)
        return;
    const TextEditor::TextEditorWidget *widget = m_definitionEditor->editorWidget();
    const QByteArrayList symbols = EnumExtractor::collectSymbols(
        document, m_definitionEditor->textDocument()->document(),
        [widget](const QTextCursor &cursor) { return widget->findLinkAt(cursor, true); });
    if (symbols.isEmpty())
        return;
    m_extractor->start(m_prerequisiteEditor->textDocument()->plainText(),
                       m_definitionEditor->textDocument()->plainText(), symbols);
}

void EnumInput::cppCompilerFinished(const QList<CompilerMessage> &messages)
{
    if (m_discardRunning)
        return;
    TextEditor::BaseTextEditor *editors[] = {m_prerequisiteEditor, m_definitionEditor};
    QList<QTextEdit::ExtraSelection> selections[2];
    QHash<int, TextEditor::TextMark *> marks[2];
    m_generatedMessages.clear();
    for (const CompilerMessage &message : messages) {
        if (message.editor == CompilerMessage::Generated) {
            // Not the user's text: named by its line in the helper program.
            m_generatedMessages.append(tr("Line %1 of the generated helper program: %2")
                                           .arg(message.line)
                                           .arg(message.text));
            continue;
        }
        const int e = message.editor == CompilerMessage::Prerequisite ? 0 : 1;
        TextEditor::TextDocument *document = editors[e]->textDocument();
        const int line = qBound(1, message.line, document->document()->blockCount());
        const QTextBlock block = document->document()->findBlockByNumber(line - 1);

        QTextEdit::ExtraSelection selection;
        selection.format.setFontUnderline(true);
        selection.format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        selection.format.setUnderlineColor(Qt::red);
        selection.format.setToolTip(message.text);
        selection.cursor = messageCursor(block, message.column);
        selections[e].append(selection);

        // One mark per line, however many messages name it.
        TextEditor::TextMark *mark = marks[e].value(line);
        if (!mark) {
            mark = new TextEditor::TextMark(QString(), line, Core::Id("Bookmarks.EditNote"));
            mark->setIcon(QIcon(QStringLiteral(":/core/images/error.png")));
            mark->setToolTip(message.text);
            document->addMark(mark);
            marks[e].insert(line, mark);
        } else {
            mark->setToolTip(mark->toolTip() + QLatin1Char('\n') + message.text);
        }
    }
    for (int e = 0; e < 2; ++e)
        editors[e]->editorWidget()->setExtraSelections(TextEditor::TextEditorWidget::CodeWarningsSelection,
                                                       selections[e]);
}

void EnumInput::executionFinished()
{
    if (m_discardRunning) {
        m_discardRunning = false;
        m_extractor->setModel(m_model.get());
    }
    if (!m_model->isStale()) {
        m_failure.clear();
        m_generatedMessages.clear();
    } else if (textsChangedSinceLoad()) {
        // The values no longer follow from the texts the user changed: none
        // are shown, and the entry is invalid, until the texts compile again.
        // (The loaded table stays while the loaded texts cannot be computed
        // on this machine: it is what the printers use.)
        m_model->reset(true);
    }
    showStaleState();
    emit changed();
}

void EnumInput::computationFailed(const QString &message)
{
    if (m_discardRunning)
        return;
    // Shown with the stale table when the computation's end is reported.
    m_failure = message;
}

void EnumInput::showStaleState()
{
    // A table that could not be recomputed stays, and says so.
    if (m_model->isStale()) {
        setTabIcon(ParsedDefinitionTab, style()->standardIcon(QStyle::SP_MessageBoxWarning));
        QString tip = tr("The values could not be recomputed from the definition; the table shows the values "
                         "loaded before.");
        if (!m_failure.isEmpty())
            tip += QStringLiteral("<br>") + m_failure.toHtmlEscaped();
        for (const QString &message : qAsConst(m_generatedMessages))
            tip += QStringLiteral("<br>") + message.toHtmlEscaped();
        setTabToolTip(ParsedDefinitionTab, tip);
    } else if (!m_failure.isEmpty()) {
        setTabIcon(ParsedDefinitionTab, style()->standardIcon(QStyle::SP_MessageBoxCritical));
        QString tip = tr("The definition does not compile; no values until it does.") + QStringLiteral("<br>")
                      + m_failure.toHtmlEscaped();
        for (const QString &message : qAsConst(m_generatedMessages))
            tip += QStringLiteral("<br>") + message.toHtmlEscaped();
        setTabToolTip(ParsedDefinitionTab, tip);
    } else {
        setTabIcon(ParsedDefinitionTab, QIcon());
        setTabToolTip(ParsedDefinitionTab, m_parsedDefinitionToolTip);
    }
}

void EnumInput::includeFoldersChanged()
{
    for (TextEditor::BaseTextEditor *editor : {m_prerequisiteEditor, m_definitionEditor}) {
        CppTools::BuiltinEditorDocumentProcessor *processor
            = CppTools::BuiltinEditorDocumentProcessor::get(editor->textDocument());
        if (processor && configureEnumParser(processor->parser()))
            processor->run();
    }
}

// ---- Context menu ----------------------------------------------------------

void EnumInput::mergeMenu(const QPoint &position)
{
    QMenu menu(this);
    QAction *merge = new QAction(tr("Merge with next group"), &menu);
    merge->setToolTip(tr("The merge operation is used to edit the computed Enum model. It can group together this entry with the immediatly following one."));
    QAction *split = new QAction(tr("Split group"), &menu);
    split->setToolTip(tr("The split operation is used to edit the computed Enum model. It can break a group in pieces."));
    QAction *recompute = new QAction(tr("Recompute Values from definition"), &menu);
    recompute->setToolTip(tr("In case the Enum defnition changes in external files, or you want to cancel and edit operation, the recompute is reseting the entire definition to its original status."));

    const QModelIndex index = m_treeView->indexAt(position);
    const QModelIndex row = index.sibling(index.row(), 0);
    if (row.isValid() && !row.parent().isValid()) {
        if (row.row() < m_model->rowCount() - 1)
            menu.addAction(merge);
        if (m_model->hasChildren(row))
            menu.addAction(split);
    }
    menu.addAction(recompute);

    QAction *chosen = menu.exec(m_treeView->mapToGlobal(position));
    if (chosen == merge) {
        m_model->merge(row);
    } else if (chosen == split) {
        m_model->split(row);
    } else if (chosen == recompute) {
        m_model->reset(true);
        extractEnum();
    }
}

// ---- Help ------------------------------------------------------------------

void EnumInput::setupHelp()
{
    QMap<QString, QString> &links = ObjectWithLink<QTabBar>::links;
    links.insert(QStringLiteral("ENUMDEFINITION.Ex1"), tr("Macros from Legacy C code can be used to define a Enumeration. This enable Korvan to properly display those values using the Macros instead of the integer constant. Please note that it applies only to macros defining integer constants.<br>Ex:<br><samp>#define Red 1<br>#define Black 2<br>#define NotNavigated 0<br></samp>"));
    links.insert(QStringLiteral("ENUMDEFINITION.Ex2"), tr("You may enter directly the Enum code in the editor.<br>Ex:<br><samp>enum State {<br>  Red = 1,<br>  Black = 2,<br>  NotNavigated  = 0<br>};</samp>"));
    links.insert(QStringLiteral("ENUMDEFINITION.Ex3"), tr("You may enter the declaration of a variable of type enum with the corresponding #include statement so that it is possible to retrieve the right definition.<br>Ex:<br><samp>#include &lt;Qt&gt;<br>Qt::ApplicationAttribute a;<br></samp><br>The variable name it not important. The significant part is that it tells the engine that among all the definitions available in the included files, the one of the variable type is considered. "));
    links.insert(QStringLiteral("ENUMDEFINITION"), tr("The Enum Model is used to enter the definition of an enum object.<br>Here the enum notion is extended to Macros as well. Thus in order to define an enum the user can:<ul> <li>Enter a set a #define directive. (<a href='ENUMDEFINITION.Ex1'><b>Ex #define</b></a>)</li> <li>Enter the enumeration definition in the editor. (<a href='ENUMDEFINITION.Ex2'><b>Ex Enum{...}</b></a>)</li> <li>Create any variable of type enum. (<a href='ENUMDEFINITION.Ex3'><b>Ex MyEnum varName;</b></a>)</li></ul>Korvan debugger analyse the intent of the Enum Model and is able to rebuild ORed values automatically.<br>Ex: In the following case:<br><samp>&nbsp;#define Ligh         0x0000<br>&nbsp;#define Medium       0x0001<br>&nbsp;#define Dark         0x0002<br>&nbsp;#define VeryDark     0x0003<br><br>&nbsp;#define UnknownColor 0x0000<br>&nbsp;#define Blue         0x0004<br>&nbsp;#define Red          0x0008<br>&nbsp;#define Green        0x000c<br></samp>The value x08 is decoded into <samp>Light|Red</samp>. Please note that constant 0 is defined multiple times. It is interpreted as a 0 constant within the group defined by the immediatly following values. Here the enum is split into 2 groups of respective masks 0x03 and x0c (2 bits eached).<br>However, is some case it is not possible to guess the correct intent, as many interpretations are possible. In that case, the computed definition can be edited to suit the exact need."));

    setTabHelp(PrerequisiteTab, tr("The <i>Prerequisite</i> is used to define constant that are not part of the enum, but that are used to define the enum."), tr("The <i>Prerequisite</i> can be defined using any valid C++ code. You may define enums, macros, or anything that is suitable to build constants that are needed in the <a href='ENUMDEFINITION'><b>enumeration definition</b></a>.<br>Please note that if any <samp>#include</samp> statement are needed, these one must be entered in the <i>Definition</i> part. Place here only the <samp>#include</samp> that are required for the <i>Prerequisite</i> definition."));
    setTabHelp(DefinitionTab, tr("The <i>Definition</i> is used to enter the Enumeration definition using C/C++ syntax."), tr("The <i>Definition</i> can be defined using any valid C++ code. You may define enums, macros, or anything that is suitable to build constants that are needed in the <a href='ENUMDEFINITION'><b>enumeration definition</b></a>.<br>You may re-use any constant defined in the <i>Prerequisite</i> section."));
    m_parsedDefinitionToolTip = tr("The <i>Parsed Definition</i> is showing the interpretation of the enum by Korvan debugger.");
    setTabToolTip(ParsedDefinitionTab, m_parsedDefinitionToolTip);
    setTabWhatsThis(ParsedDefinitionTab, tr("From the <i>Parsed Definition</i> you can understand how Korvan debugger is going to interpret the enum you have defined in the <i>Definition</i> section.<br>The result is visible only if there is no syntax error.<br>The <i>mask</i> shows how enum are split into sub-field. Within a sub-field, only one <i>value</i> can be interpreted by the debugger. However it is possible to ORed together <i>values</i> from multiples sub-fields.<br>If the computed definition is not correct, it is possible to correct it using the following feature:<ul>  <li><b>Merge Groups</b>: it is possible to merge two groups together.</li>  <li><b>Split Group</b>: it is possible to break a group into its individual component.</li>  <li><b>Reset Definition</b>: recompute the entire definition by re-applying the definition. All changes are lost.</li></ul>The above feature are accessible through a context menu."));
}

void EnumInput::setTabHelp(int index, const QString &tip, const QString &details)
{
    setTabToolTip(index, tip);
    setTabWhatsThis(index, formatWhatsThis(tip, details));
}

} // namespace Configuration
} // namespace KorvanDebugger
