#include "unexpecteddialogs.h"

#include <QDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

QMessageBox::StandardButton UnexpectedDialogs::message(QWidget *, const Host::MessageRequest &request)
{
    const QByteArray text = QStringLiteral("Unexpected message box \"%1\": %2").arg(request.title, request.text).toUtf8();
    QTest::qFail(text.constData(), __FILE__, __LINE__);
    return request.buttons & QMessageBox::Cancel ? QMessageBox::Cancel : QMessageBox::NoButton;
}

QString UnexpectedDialogs::fileName(QWidget *, const Host::FileRequest &request)
{
    const QByteArray text = QStringLiteral("Unexpected file dialog \"%1\"").arg(request.caption).toUtf8();
    QTest::qFail(text.constData(), __FILE__, __LINE__);
    return QString();
}

int UnexpectedDialogs::exec(QDialog *dialog)
{
    const QByteArray text = QStringLiteral("Unexpected dialog %1 \"%2\"")
                                .arg(QString::fromLatin1(dialog->metaObject()->className()), dialog->windowTitle())
                                .toUtf8();
    QTest::qFail(text.constData(), __FILE__, __LINE__);
    dialog->setResult(QDialog::Rejected);
    return QDialog::Rejected;
}

namespace {
// Installed before main(), so it is in place for every test function.
UnexpectedDialogs unexpectedDialogs;
const bool installed = (Host::setDialogPresenter(&unexpectedDialogs), true);

// Settings that the code under test keeps where the user's are (the host's
// own file when a test names none) go to this process's own folder: never
// into the user's, never shared with a test running beside it.
QTemporaryDir processSettings;
const bool settingsPlaced = (QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, processSettings.path()),
                             QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, processSettings.path()),
                             true);
} // namespace
