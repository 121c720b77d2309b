#include "unexpecteddialogs.h"

#include <QDialog>
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
} // namespace
