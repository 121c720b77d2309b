#include "document.h"

#include "keys.h"

#include "graphengine/logging.h"

#include <dialogs/dialogs.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <QSettings>

#include <cerrno>

namespace KorvanDebugger {
namespace Configuration {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("QObject", text);
}

void readError(const QString &text)
{
    Host::critical(nullptr, tr("Korvan Configuration loader."), text);
}

void writeError(const QString &text)
{
    Host::critical(nullptr, tr("Korvan Configuration write."), text);
}

// Files that exist but could not be read at their last load. Writing over
// one would replace the user's models with whatever is left in memory (an
// empty list, or a document without its classes), so the next save first
// keeps a copy.
QSet<QString> &unreadableFiles()
{
    static QSet<QString> files;
    return files;
}

QString canonicalKey(const QString &filePath)
{
    return QFileInfo(filePath).absoluteFilePath();
}

bool keepUnreadableCopy(const QString &filePath)
{
    const QString key = canonicalKey(filePath);
    if (!unreadableFiles().contains(key))
        return true;
    if (!QFile::exists(filePath)) {
        unreadableFiles().remove(key);
        return true;
    }
    const QString backup = unreadableDocumentBackupPath(filePath);
    QFile::remove(backup);
    if (!QFile::copy(filePath, backup)) {
        writeError(tr("Korvan configuration save error: Can't keep a copy of the unreadable document %1")
                       .arg(QDir::toNativeSeparators(filePath)));
        return false;
    }
    GraphEngine::logWarning(tr("Korvan configuration: the unreadable document %1 was kept as %2")
                                .arg(QDir::toNativeSeparators(filePath),
                                     QDir::toNativeSeparators(backup)));
    unreadableFiles().remove(key);
    return true;
}

// Writes all bytes and flushes them, so that a full disk is found here and
// not while the file is committed. A short write is retried: only the next
// attempt tells why the system took less.
bool writeFully(QSaveFile &file, const QByteArray &bytes)
{
    errno = 0;
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0)
            return false;
        written += count;
    }
    // A short flush keeps the rest buffered; so does the next one, with the reason.
    qint64 pending = file.bytesToWrite();
    while (!file.flush()) {
        const qint64 left = file.bytesToWrite();
        if (left == 0 || left >= pending)
            return false;
        pending = left;
    }
    return true;
}

// Why the last operation on the file failed: Qt's text where it has one,
// else the system's (a failed link of the temporary file carries no text).
QString failureReason(const QFileDevice &file)
{
    const int systemError = errno;
    if (file.error() != QFileDevice::NoError && file.error() != QFileDevice::UnspecifiedError)
        return file.errorString();
    return systemError != 0 ? qt_error_string(systemError) : file.errorString();
}

} // namespace

QString unreadableDocumentBackupPath(const QString &filePath)
{
    return filePath + QStringLiteral(".unreadable");
}

bool readConfiguration(QJsonObject &root, QIODevice &device)
{
    auto file = qobject_cast<QFileDevice *>(&device);
    const QString name = file ? QDir::toNativeSeparators(file->fileName()) : QString();
    if ((!device.isOpen() && !device.open(QIODevice::ReadOnly | QIODevice::Text)) || !device.isReadable()) {
        const QString reason = device.errorString().isEmpty() ? tr("not readable") : device.errorString();
        readError(tr("Korvan configuration read error: %1")
                      .arg(name.isEmpty() ? reason : tr("Can't open %1: %2").arg(name, reason)));
        return false;
    }
    return parseConfiguration(root, device.readAll(), name);
}

bool parseConfiguration(QJsonObject &root, const QByteArray &data, const QString &origin)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        // The parser gives a byte offset; the user looks for a line and a column.
        const QByteArray before = data.left(qBound(0, error.offset, data.size()));
        const int line = before.count('\n') + 1;
        const int column = QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size() + 1;
        const QString place = origin.isEmpty() ? tr("line %1, column %2").arg(line).arg(column)
                                                : tr("%1, line %2, column %3").arg(origin).arg(line).arg(column);
        readError(tr("Korvan configuration read error: %1").arg(tr("%1 (%2)").arg(error.errorString(), place)));
        return false;
    }
    if (!document.isObject()) {
        // Taking the (empty) object of an array document would later save an
        // empty document over the user's file.
        const QString reason = tr("the document is not a JSON object");
        readError(tr("Korvan configuration read error: %1")
                      .arg(origin.isEmpty() ? reason : tr("%1: %2").arg(origin, reason)));
        return false;
    }
    root = document.object();
    if (root.value(Key::configVersion).toInt(1) > 1) {
        readError(tr("Korvan configuration read error: Invalid File format (version)"));
        root.remove(Key::classes);
        return false;
    }
    return true;
}

bool writeConfiguration(const QJsonObject &root, QSaveFile &file)
{
    // Everything goes to a temporary file first: whatever fails below, the
    // previous document stays as it was, and the user is told.
    const QString path = QDir::toNativeSeparators(file.fileName());
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        writeError(tr("Korvan configuration save error: Can't open document %1: %2").arg(path, failureReason(file)));
        return false;
    }
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (!writeFully(file, bytes)) {
        const QString reason = failureReason(file);
        file.cancelWriting();
        file.commit();
        writeError(tr("Korvan configuration save error: Can't write document %1: %2. The previous file is kept.")
                       .arg(path, reason));
        return false;
    }
    errno = 0;
    if (!file.commit()) {
        writeError(tr("Korvan configuration save error: Can't replace document %1: %2. The previous file is kept.")
                       .arg(path, failureReason(file)));
        return false;
    }
    return true;
}

QString configurationFilePath(const QString &documentName)
{
    const QSettings locator(QSettings::IniFormat, QSettings::UserScope, Key::organization, documentName);
    const QFileInfo info(locator.fileName());
    if (!QDir().mkpath(info.absolutePath()))
        GraphEngine::logWarning(tr("Korvan configuration access error: Can't create save file directory"));
    return info.absoluteFilePath();
}

bool loadConfigurationFile(QJsonObject &root, const QString &documentName)
{
    const QString path = configurationFilePath(documentName);
    QFile file(path);
    if (!file.exists()) {
        unreadableFiles().remove(canonicalKey(path));
        return false;
    }
    const bool ok = readConfiguration(root, file);
    if (ok)
        unreadableFiles().remove(canonicalKey(path));
    else
        unreadableFiles().insert(canonicalKey(path));
    return ok;
}

bool saveConfigurationFile(const QJsonObject &root, const QString &documentName)
{
    const QString path = configurationFilePath(documentName);
    if (!keepUnreadableCopy(path))
        return false;
    QSaveFile file(path);
    return writeConfiguration(root, file);
}

QString displayGroupName(const QString &group)
{
    return group.isEmpty() ? tr("<Default>") : group;
}

QSet<QString> classGroupNames(const QJsonObject &root, bool includeDisabled)
{
    QSet<QString> groups;
    const QJsonArray classes = root.value(Key::classes).toArray();
    for (const QJsonValue &entry : classes) {
        const QJsonObject definition = entry.toObject();
        if (!includeDisabled && !definition.value(Key::enable).toBool(true))
            continue;
        const QString group = definition.value(Key::group).toString();
        if (!group.isEmpty())
            groups.insert(group);
    }
    return groups;
}

} // namespace Configuration
} // namespace KorvanDebugger
