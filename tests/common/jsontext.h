#pragma once

// Definitions written as JSON text in the tests.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtGlobal>

// The object of a JSON text; a test whose own JSON is malformed stops at
// once instead of running on an empty definition.
inline QJsonObject jsonObject(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (!document.isObject())
        qFatal("Malformed test JSON (%s): %s", qPrintable(error.errorString()), text.constData());
    return document.object();
}
