#pragma once

// Stand-in for the IDE's editor manager: opens a file in a plain text editor
// (one per file), moves it to a line, and hands out its document.

#include "id.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

QT_BEGIN_NAMESPACE
class QPlainTextEdit;
class QWidget;
QT_END_NAMESPACE

namespace Core {

class IDocument : public QObject
{
    Q_OBJECT
public:
    explicit IDocument(const QString &filePath, QObject *parent = nullptr)
        : QObject(parent), m_filePath(filePath) {}
    QString filePath() const { return m_filePath; }

private:
    QString m_filePath;
};

class IEditor : public QObject
{
    Q_OBJECT
public:
    IEditor(const QString &filePath, const QString &text);
    ~IEditor() override;

    IDocument *document() const { return m_document; }
    QWidget *widget() const;
    // Lines count from 1, columns from 0.
    void gotoLine(int line, int column = 0, bool centerLine = true);
    int currentLine() const;
    int currentColumn() const;

private:
    IDocument *m_document;
    QPointer<QPlainTextEdit> m_widget;
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

    // The editor of the file, opened when needed; null when the file cannot
    // be read. `newEditor` tells whether this call opened it.
    static IEditor *openEditor(const QString &fileName, Id editorId = Id(),
                               OpenEditorFlags flags = NoFlags, bool *newEditor = nullptr);
    static QList<IEditor *> openedEditors();
    static IEditor *currentEditor();
    static void closeAllEditors();

signals:
    void editorOpened(Core::IEditor *editor);
    void currentEditorChanged(Core::IEditor *editor);

private:
    EditorManager() = default;
    QList<QPointer<IEditor>> m_editors;
    QPointer<IEditor> m_current;
};

} // namespace Core

Q_DECLARE_OPERATORS_FOR_FLAGS(Core::EditorManager::OpenEditorFlags)
