#include "editormanager.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace Core {

IEditor::IEditor(const QString &filePath, const QString &text)
    : m_document(new IDocument(filePath, this))
    , m_widget(new QPlainTextEdit)
{
    m_widget->setReadOnly(true);
    m_widget->setPlainText(text);
    m_widget->setObjectName(QStringLiteral("Editor:") + filePath);
}

IEditor::~IEditor()
{
    delete m_widget.data();
}

QWidget *IEditor::widget() const
{
    return m_widget;
}

void IEditor::gotoLine(int line, int column, bool centerLine)
{
    if (!m_widget)
        return;
    QTextBlock block = m_widget->document()->findBlockByNumber(qMax(0, line - 1));
    if (!block.isValid())
        block = m_widget->document()->lastBlock();
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, qBound(0, column, block.length() - 1));
    m_widget->setTextCursor(cursor);
    if (centerLine)
        m_widget->centerCursor();
    else
        m_widget->ensureCursorVisible();
}

int IEditor::currentLine() const
{
    return m_widget ? m_widget->textCursor().blockNumber() + 1 : 0;
}

int IEditor::currentColumn() const
{
    return m_widget ? m_widget->textCursor().positionInBlock() : 0;
}

EditorManager *EditorManager::instance()
{
    static EditorManager *manager = new EditorManager;
    return manager;
}

IEditor *EditorManager::openEditor(const QString &fileName, Id editorId, OpenEditorFlags flags, bool *newEditor)
{
    Q_UNUSED(editorId)
    if (newEditor)
        *newEditor = false;
    EditorManager *manager = instance();
    const QString path = QFileInfo(fileName).absoluteFilePath();
    IEditor *editor = nullptr;
    for (const QPointer<IEditor> &open : qAsConst(manager->m_editors)) {
        if (open && open->document()->filePath() == path)
            editor = open;
    }
    if (!editor) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return nullptr;
        editor = new IEditor(path, QString::fromUtf8(file.readAll()));
        editor->setParent(manager);
        manager->m_editors.append(editor);
        if (newEditor)
            *newEditor = true;
        emit manager->editorOpened(editor);
    }
    if (!(flags & DoNotChangeCurrentEditor) && manager->m_current != editor) {
        manager->m_current = editor;
        emit manager->currentEditorChanged(editor);
    }
    return editor;
}

QList<IEditor *> EditorManager::openedEditors()
{
    QList<IEditor *> editors;
    for (const QPointer<IEditor> &editor : qAsConst(instance()->m_editors))
        if (editor)
            editors.append(editor);
    return editors;
}

IEditor *EditorManager::currentEditor()
{
    return instance()->m_current;
}

void EditorManager::closeAllEditors()
{
    EditorManager *manager = instance();
    const QList<IEditor *> editors = openedEditors();
    manager->m_editors.clear();
    manager->m_current = nullptr;
    qDeleteAll(editors);
}

} // namespace Core
