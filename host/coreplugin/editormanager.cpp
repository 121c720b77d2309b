#include "editormanager.h"

#include "idocument.h"
#include "ieditor.h"

#include <texteditor/texteditor.h>

#include <QFileInfo>
#include <QLoggingCategory>

// The IDE core's images (":/core/images/...").
static void initCoreResources()
{
    Q_INIT_RESOURCE(core);
}

namespace Core {

namespace {

Q_LOGGING_CATEGORY(editorLog, "korvan.host.editormanager")

QList<IEditorFactory *> &factories()
{
    static QList<IEditorFactory *> list;
    return list;
}

IEditorFactory *factoryFor(const QString &fileName, Id editorId)
{
    const QList<IEditorFactory *> all = EditorManager::allEditorFactories();
    if (editorId.isValid()) {
        for (IEditorFactory *factory : all)
            if (factory->id() == editorId)
                return factory;
    }
    const Utils::MimeDatabase database;
    QList<IEditorFactory *> candidates = EditorManager::editorFactories(database.mimeTypeForFile(fileName));
    if (candidates.isEmpty())
        candidates = EditorManager::editorFactories(database.mimeTypeForName(QStringLiteral("text/plain")));
    return candidates.value(0);
}

} // namespace

EditorManager *EditorManager::instance()
{
    static EditorManager *manager = new EditorManager;
    return manager;
}

void EditorManager::addEditorFactory(IEditorFactory *factory)
{
    factory->setParent(instance());
    factories().append(factory);
}

QList<IEditorFactory *> EditorManager::allEditorFactories()
{
    // The IDE's text editor plug-in registers its editors before any other
    // plug-in asks for one.
    static const bool textEditors = (initCoreResources(), TextEditor::registerTextEditorFactories(), true);
    Q_UNUSED(textEditors)
    return factories();
}

QList<IEditorFactory *> EditorManager::editorFactories(const Utils::MimeType &mimeType, bool bestMatchOnly)
{
    QList<IEditorFactory *> exact;
    QList<IEditorFactory *> inherited;
    if (!mimeType.isValid())
        return exact;
    for (IEditorFactory *factory : allEditorFactories()) {
        const QStringList types = factory->mimeTypes();
        if (types.contains(mimeType.name())) {
            exact.append(factory);
            continue;
        }
        for (const QString &type : types) {
            if (mimeType.inherits(type)) {
                inherited.append(factory);
                break;
            }
        }
    }
    if (bestMatchOnly)
        return exact.isEmpty() ? inherited : exact;
    return exact + inherited;
}

IEditor *EditorManager::openEditor(const QString &fileName, Id editorId, OpenEditorFlags flags, bool *newEditor)
{
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
        IEditorFactory *factory = factoryFor(path, editorId);
        if (!factory)
            return nullptr;
        editor = factory->createEditor();
        QString error;
        if (!editor->document()->open(path, &error)) {
            qCWarning(editorLog) << error;
            delete editor;
            return nullptr;
        }
        if (newEditor)
            *newEditor = true;
        manager->addOpenedEditor(editor, flags);
        return editor;
    }
    if (!(flags & DoNotChangeCurrentEditor) && manager->m_current != editor) {
        manager->m_current = editor;
        emit manager->currentEditorChanged(editor);
    }
    return editor;
}

IEditor *EditorManager::openEditorWithContents(Id editorId, QString *titlePattern, const QByteArray &contents,
                                               const QString &uniqueId, OpenEditorFlags flags)
{
    Q_UNUSED(uniqueId)
    IEditorFactory *factory = factoryFor(QString(), editorId);
    if (!factory)
        return nullptr;
    IEditor *editor = factory->createEditor();
    if (!editor->document()->setContents(contents)) {
        qCWarning(editorLog) << "The editor" << editorId.name() << "cannot hold the contents";
        delete editor;
        return nullptr;
    }
    if (titlePattern)
        editor->document()->setPreferredDisplayName(*titlePattern);
    instance()->addOpenedEditor(editor, flags);
    return editor;
}

void EditorManager::addOpenedEditor(IEditor *editor, OpenEditorFlags flags)
{
    editor->setParent(this);
    m_editors.append(editor);
    emit editorOpened(editor);
    if (!(flags & DoNotChangeCurrentEditor)) {
        m_current = editor;
        emit currentEditorChanged(editor);
    }
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
