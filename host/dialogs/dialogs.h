#pragma once

// The one place through which the plug-in shows modal message boxes and file
// dialogs. The default presenter opens real Qt dialogs; tests install a
// ScriptedDialogs that records every request and answers from a script, so no
// test ever waits on a human.

#include <QList>
#include <QMessageBox>
#include <QString>

namespace Host {

struct MessageRequest
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

enum class FileDialogKind { Open, Save, Directory };

struct FileRequest
{
    FileDialogKind kind = FileDialogKind::Open;
    QString caption;
    QString directory;
    QString filter;
};

class DialogPresenter
{
public:
    virtual ~DialogPresenter() = default;
    virtual QMessageBox::StandardButton message(QWidget *parent, const MessageRequest &request);
    virtual QString fileName(QWidget *parent, const FileRequest &request);
};

// The presenter in use; never null. Passing null to setDialogPresenter
// restores the default one.
DialogPresenter *dialogPresenter();
void setDialogPresenter(DialogPresenter *presenter);

QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons
                                     = QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

QString getOpenFileName(QWidget *parent, const QString &caption, const QString &directory = QString(),
                        const QString &filter = QString());
QString getSaveFileName(QWidget *parent, const QString &caption, const QString &directory = QString(),
                        const QString &filter = QString());
QString getExistingDirectory(QWidget *parent, const QString &caption,
                             const QString &directory = QString());

// A presenter for tests: installs itself on construction and restores the
// previous presenter on destruction. Answers are taken from the queues in
// order; when a queue is empty, a message box answers with its default
// button (or Ok/first button) and a file dialog with an empty name, as if
// the user cancelled.
class ScriptedDialogs : public DialogPresenter
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    QList<MessageRequest> messages;
    QList<FileRequest> fileRequests;
    QList<QMessageBox::StandardButton> buttonAnswers;
    QList<QString> fileAnswers;

    QMessageBox::StandardButton message(QWidget *parent, const MessageRequest &request) override;
    QString fileName(QWidget *parent, const FileRequest &request) override;

private:
    DialogPresenter *m_previous;
};

} // namespace Host
