#pragma once

// The registrations of single customized watched values (the document
// "Debugger/CustomPrettyPrinters"): the printers generated for them, and
// finding and removing their entries.

#include "configuration/pythoncode.h"

#include <QJsonObject>
#include <QString>
#include <functional>

namespace KorvanDebugger {
namespace Internal {

using ClassDefinitionLookup = std::function<QJsonObject(const QString &typeName)>;

// A printer per entry whose type has a stored class model, registered for
// the entry's api and path; an unregistration for every other entry.
Configuration::PythonCode generateCustomCode(const QJsonObject &customDocument,
                                             const ClassDefinitionLookup &findStoredClassDefinition);

// The entry under the full key, else under the key without api; empty when
// there is none.
QJsonObject findCustomDefinition(const QJsonObject &customDocument, const QString &api, const QString &path,
                                 const QString &className);

// Erases the entry (full key first, then the key without api), saves the
// document when one was erased, and queues the unregistration of the path
// for the next script in every case. False when the save failed.
bool removeCustomDefinition(QJsonObject &customDocument, const QString &api, const QString &path,
                            const QString &className);

} // namespace Internal
} // namespace KorvanDebugger
