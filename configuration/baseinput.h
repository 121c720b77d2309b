#pragma once

// The interface shared by every code generator and every definition editor:
// an object bound to one JSON key that loads from JSON, reports its value,
// checks itself, locates error reports, and produces Python.

#include "pythoncode.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class PythonError;

class BaseInput
{
public:
    explicit BaseInput(const QString &key) : m_key(key) {}
    virtual ~BaseInput();

    BaseInput(const BaseInput &) = default;
    BaseInput &operator=(const BaseInput &) = default;

    // The widget that implements this input; null in a generator.
    QWidget *widget() const { return m_widget; }
    const QString &key() const { return m_key; }
    const QString &errorMessage() const { return m_errorMessage; }

    virtual QJsonValue value() const = 0;
    // byKey: read object[key()]; otherwise the object itself is the value.
    virtual void setValue(const QJsonObject &object, bool byKey) = 0;
    virtual PythonCode generate() = 0;
    virtual bool isValid() const { return true; }
    // Returns true when this input recognised the error as its own and
    // showed it; callers then stop offering it to other inputs.
    virtual bool showError(PythonError *error) { return false; }

protected:
    void setWidget(QWidget *widget) { m_widget = widget; }
    // Validation is a const operation that still records its message.
    void setErrorMessage(const QString &message) const { m_errorMessage = message; }

    // The input's value read the byKey way (undefined when the key is absent).
    QJsonValue selectValue(const QJsonObject &object, bool byKey) const
    {
        return byKey ? object.value(m_key) : QJsonValue(object);
    }

private:
    QWidget *m_widget = nullptr;
    QString m_key;
    mutable QString m_errorMessage;
};

} // namespace Configuration
} // namespace KorvanDebugger
