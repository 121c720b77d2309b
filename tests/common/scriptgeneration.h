#pragma once

// The script the plug-in makes of a type-model document: the document is
// saved as "Debugger/PrettyPrinters", a plug-in object loads it, every
// enabled class model is generated and the record becomes script text (with
// the previous generation's deletions). Needs a TestEnvironment; the debug
// mode is the one set there.

#include <QJsonObject>
#include <QString>

QString generateScript(const QJsonObject &document);

// The JSON object of a file; empty when it cannot be read or is no object.
QJsonObject readJsonFile(const QString &path);
