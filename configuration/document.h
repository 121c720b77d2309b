#pragma once

// Type-model documents: reading with a format-version check, writing through
// an atomic save, and their place on disk.

#include <QByteArray>
#include <QJsonObject>
#include <QSet>
#include <QString>

QT_BEGIN_NAMESPACE
class QIODevice;
class QSaveFile;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

// Errors name the file (a QFileDevice's name) and the place or the reason.
bool readConfiguration(QJsonObject &root, QIODevice &device);
// origin: the file or resource the data comes from, named in the messages.
bool parseConfiguration(QJsonObject &root, const QByteArray &data, const QString &origin = QString());
bool writeConfiguration(const QJsonObject &root, QSaveFile &file);

QString configurationFilePath(const QString &documentName);
bool loadConfigurationFile(QJsonObject &root, const QString &documentName);
bool saveConfigurationFile(const QJsonObject &root, const QString &documentName);

QString displayGroupName(const QString &group);
QSet<QString> classGroupNames(const QJsonObject &root, bool includeDisabled);

// The copy that saveConfigurationFile keeps of a document file which could
// not be read when it was loaded, before writing over it.
QString unreadableDocumentBackupPath(const QString &filePath);

} // namespace Configuration
} // namespace KorvanDebugger
