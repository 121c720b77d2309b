#pragma once

// Stand-in for the IDE's editor manager: the editor factories by MIME type
// (the IDE's own text editors, plain text, Python, C and C++, are registered
// on first use), and the open editors, one per file, with the current one.

#include "id.h"

#include <utils/mimedatabase.h>

#include <QList>
#include <QObject>
#include <QPointer>
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

class EditorManager : public QObject
{
    Q_OBJECT
public:
    enum OpenEditorFlag {
        NoFlags = 0,
        DoNotChangeCurrentEditor = 1,
        IgnoreNavigationHistory = 2,
        DoNotMakeVisible = 4,
    };
    Q_DECLARE_FLAGS(OpenEditorFlags, OpenEditorFlag)

    static EditorManager *instance();

    // The factories that open the type: with bestMatchOnly, those made for
    // exactly this type (or, when there are none, those of the nearest
    // type it inherits); otherwise every factory that can open it, exact
    // ones first. Empty for an invalid type.
    static QList<IEditorFactory *> editorFactories(const Utils::MimeType &mimeType,
                                                    bool bestMatchOnly = true);

    // Registers a factory for the rest of the process (the manager owns it).
    static void addEditorFactory(IEditorFactory *factory);
    static QList<IEditorFactory *> allEditorFactories();

    // The editor of the file, opened when needed (by the factory editorId,
    // else by the file's type, else as plain text); null when the file
    // cannot be read. `newEditor` tells whether this call opened it.
    static IEditor *openEditor(const QString &fileName, Id editorId = Id(),
                               OpenEditorFlags flags = NoFlags, bool *newEditor = nullptr);
    // A new editor of the kind editorId (plain text when the kind is
    // unknown) on a document without file, titled *titlePattern when given,
    // holding the contents; null when the editor cannot hold them. Every
    // call opens a new editor; uniqueId is kept for callers of the IDE's
    // interface and unused here.
    static IEditor *openEditorWithContents(Id editorId, QString *titlePattern = nullptr,
                                           const QByteArray &contents = QByteArray(),
                                           const QString &uniqueId = QString(), OpenEditorFlags flags = NoFlags);
    static QList<IEditor *> openedEditors();
    static IEditor *currentEditor();
    static void closeAllEditors();

signals:
    void editorOpened(Core::IEditor *editor);
    void currentEditorChanged(Core::IEditor *editor);

private:
    EditorManager() = default;
    void addOpenedEditor(IEditor *editor, OpenEditorFlags flags);
    QList<QPointer<IEditor>> m_editors;
    QPointer<IEditor> m_current;
};

} // namespace Core

Q_DECLARE_OPERATORS_FOR_FLAGS(Core::EditorManager::OpenEditorFlags)
