#include "dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>

namespace Host {

namespace {
DialogPresenter *&current()
{
    static DialogPresenter *presenter = nullptr;
    return presenter;
}

DialogPresenter &defaultPresenter()
{
    static DialogPresenter presenter;
    return presenter;
}

QMessageBox::StandardButton show(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    MessageRequest request;
    request.icon = icon;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    return dialogPresenter()->message(parent, request);
}

QString askFile(FileDialogKind kind, QWidget *parent, const QString &caption,
                const QString &directory, const QString &filter)
{
    FileRequest request;
    request.kind = kind;
    request.caption = caption;
    request.directory = directory;
    request.filter = filter;
    return dialogPresenter()->fileName(parent, request);
}
} // namespace

QMessageBox::StandardButton DialogPresenter::message(QWidget *parent, const MessageRequest &request)
{
    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString DialogPresenter::fileName(QWidget *parent, const FileRequest &request)
{
    switch (request.kind) {
    case FileDialogKind::Open:
        return QFileDialog::getOpenFileName(parent, request.caption, request.directory, request.filter);
    case FileDialogKind::Save:
        return QFileDialog::getSaveFileName(parent, request.caption, request.directory, request.filter);
    case FileDialogKind::Directory:
        return QFileDialog::getExistingDirectory(parent, request.caption, request.directory);
    }
    return QString();
}

int DialogPresenter::exec(QDialog *dialog)
{
    return dialog->exec();
}

DialogPresenter *dialogPresenter()
{
    DialogPresenter *p = current();
    return p ? p : &defaultPresenter();
}

void setDialogPresenter(DialogPresenter *presenter)
{
    current() = presenter;
}

QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons)
{
    return show(QMessageBox::Critical, parent, title, text, buttons);
}

QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons)
{
    return show(QMessageBox::Warning, parent, title, text, buttons);
}

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons)
{
    return show(QMessageBox::Information, parent, title, text, buttons);
}

QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton)
{
    return show(QMessageBox::Question, parent, title, text, buttons, defaultButton);
}

QString getOpenFileName(QWidget *parent, const QString &caption, const QString &directory,
                        const QString &filter)
{
    return askFile(FileDialogKind::Open, parent, caption, directory, filter);
}

QString getSaveFileName(QWidget *parent, const QString &caption, const QString &directory,
                        const QString &filter)
{
    return askFile(FileDialogKind::Save, parent, caption, directory, filter);
}

QString getExistingDirectory(QWidget *parent, const QString &caption, const QString &directory)
{
    return askFile(FileDialogKind::Directory, parent, caption, directory, QString());
}

int execDialog(QDialog *dialog)
{
    return dialogPresenter()->exec(dialog);
}

ScriptedDialogs::ScriptedDialogs()
    : m_previous(current())
{
    setDialogPresenter(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    setDialogPresenter(m_previous);
}

QMessageBox::StandardButton ScriptedDialogs::message(QWidget *, const MessageRequest &request)
{
    messages.append(request);
    if (!buttonAnswers.isEmpty())
        return buttonAnswers.takeFirst();
    if (request.defaultButton != QMessageBox::NoButton)
        return request.defaultButton;
    if (request.buttons & QMessageBox::Ok)
        return QMessageBox::Ok;
    // The lowest button value present.
    for (uint bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1) {
        if (request.buttons & bit)
            return static_cast<QMessageBox::StandardButton>(bit);
    }
    return QMessageBox::NoButton;
}

QString ScriptedDialogs::fileName(QWidget *, const FileRequest &request)
{
    fileRequests.append(request);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

int ScriptedDialogs::exec(QDialog *dialog)
{
    dialogs.append(QString::fromLatin1(dialog->metaObject()->className()));
    dialog->setResult(QDialog::Rejected);
    if (dialogScripts.isEmpty())
        return QDialog::Rejected;
    const std::function<void(QDialog *)> script = dialogScripts.takeFirst();
    dialog->show();
    QCoreApplication::processEvents();
    script(dialog);
    if (dialog->isVisible())
        dialog->reject();
    return dialog->result();
}

} // namespace Host
