#include "editormanager.h"

#include <texteditor/texteditor.h>

// The IDE core's images (":/core/images/..."), linked in from a static library.
static void initCoreResources()
{
    Q_INIT_RESOURCE(core);
}

namespace Core {

namespace {

QList<IEditorFactory *> &factories()
{
    static QList<IEditorFactory *> list;
    return list;
}

QObject *factoryOwner()
{
    static QObject owner;
    return &owner;
}

} // namespace

void EditorManager::addEditorFactory(IEditorFactory *factory)
{
    factory->setParent(factoryOwner());
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

} // namespace Core
