#pragma once

// The presenter every test starts with: a message box, file dialog or modal
// dialog that the test did not script (with Host::ScriptedDialogs) fails the
// running test at once and answers as if cancelled, instead of waiting for a
// human.

#include <dialogs/dialogs.h>

class UnexpectedDialogs : public Host::DialogPresenter
{
public:
    QMessageBox::StandardButton message(QWidget *parent, const Host::MessageRequest &request) override;
    QString fileName(QWidget *parent, const Host::FileRequest &request) override;
    int exec(QDialog *dialog) override;
};
