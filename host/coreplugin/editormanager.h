#pragma once

// Stand-in for the IDE's editor manager, as far as plug-ins create editors
// of their own: the editor factories by MIME type. The IDE's own text
// editors (plain text, Python, C and C++) are registered on first use.

#include "id.h"

#include <utils/mimedatabase.h>

#include <QList>
#include <QObject>
#include <QStringList>

namespace Core {

class IEditor;

class IEditorFactory : public QObject
{
    Q_OBJECT
public:
    IEditorFactory(const Id &id, const QString &displayName, const QStringList &mimeTypes,
                   QObject *parent = nullptr)
        : QObject(parent), m_id(id), m_displayName(displayName), m_mimeTypes(mimeTypes) {}

    Id id() const { return m_id; }
    QString displayName() const { return m_displayName; }
    QStringList mimeTypes() const { return m_mimeTypes; }

    // A new editor; the caller owns it.
    virtual IEditor *createEditor() = 0;

private:
    Id m_id;
    QString m_displayName;
    QStringList m_mimeTypes;
};

class EditorManager
{
public:
    // The factories that open the type: with bestMatchOnly, those made for
    // exactly this type (or, when there are none, those of the nearest
    // type it inherits); otherwise every factory that can open it, exact
    // ones first. Empty for an invalid type.
    static QList<IEditorFactory *> editorFactories(const Utils::MimeType &mimeType,
                                                    bool bestMatchOnly = true);

    // Registers a factory for the rest of the process (the manager owns it).
    static void addEditorFactory(IEditorFactory *factory);
    static QList<IEditorFactory *> allEditorFactories();
};

} // namespace Core
