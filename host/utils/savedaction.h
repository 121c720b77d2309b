#pragma once

// Stand-in for the IDE's persistent setting: an action holding a value that
// is read from and written to the IDE settings under one key.

#include <QAction>
#include <QSettings>
#include <QVariant>

namespace Utils {

class SavedAction : public QAction
{
    Q_OBJECT
public:
    explicit SavedAction(QObject *parent = nullptr) : QAction(parent) {}

    QVariant value() const { return m_value; }
    // notify: emit valueChanged() when the value changes.
    void setValue(const QVariant &value, bool notify = true)
    {
        if (value == m_value)
            return;
        m_value = value;
        if (isCheckable())
            setChecked(m_value.toBool());
        if (notify)
            emit valueChanged(m_value);
    }

    QVariant defaultValue() const { return m_defaultValue; }
    void setDefaultValue(const QVariant &value) { m_defaultValue = value; }
    QString settingsKey() const { return m_settingsKey; }
    void setSettingsKey(const QString &key) { m_settingsKey = key; }

    void readSettings(const QSettings *settings)
    {
        if (!m_settingsKey.isEmpty())
            setValue(settings->value(m_settingsKey, m_defaultValue), false);
    }
    void writeSettings(QSettings *settings) const
    {
        if (!m_settingsKey.isEmpty())
            settings->setValue(m_settingsKey, m_value);
    }

signals:
    void valueChanged(const QVariant &value);

private:
    QVariant m_value;
    QVariant m_defaultValue;
    QString m_settingsKey;
};

} // namespace Utils
