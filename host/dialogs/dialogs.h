#pragma once

// The one place through which the plug-in shows modal message boxes and file
// dialogs. The default presenter opens real Qt dialogs; tests install a
// ScriptedDialogs that records every request and answers from a script, so no
// test ever waits on a human.

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

QT_BEGIN_NAMESPACE
class QDialog;
QT_END_NAMESPACE

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
    // Runs a dialog modally and returns its result code.
    virtual int exec(QDialog *dialog);
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

// Runs a modal dialog of the plug-in's own (a wizard, an editor).
int execDialog(QDialog *dialog);

// A presenter for tests: installs itself on construction and restores the
// previous presenter on destruction. Answers are taken from the queues in
// order; when a queue is empty, a message box answers with its default
// button (or Ok/first button) and a file dialog with an empty name, as if
// the user cancelled. A dialog is shown without a modal loop, pending
// zero-delay work runs as it would once the loop starts, and the next
// script drives it like a user (pressing its buttons); the result is the
// dialog's once the script returns, and a dialog still open then is closed
// (rejected). Without a script, a dialog is rejected at once.
class ScriptedDialogs : public DialogPresenter
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    QList<MessageRequest> messages;
    QList<FileRequest> fileRequests;
    QList<QMessageBox::StandardButton> buttonAnswers;
    QList<QString> fileAnswers;
    // The class names of the dialogs run, in order.
    QList<QString> dialogs;
    QList<std::function<void(QDialog *)>> dialogScripts;

    QMessageBox::StandardButton message(QWidget *parent, const MessageRequest &request) override;
    QString fileName(QWidget *parent, const FileRequest &request) override;
    int exec(QDialog *dialog) override;

private:
    DialogPresenter *m_previous;
};

} // namespace Host
