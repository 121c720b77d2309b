#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace Core {

// Identifier of IDE objects (pages, commands, contexts), built from Latin-1.
class Id
{
public:
    Id() = default;
    Id(const char *name) : m_name(name) {}
    explicit Id(const QByteArray &name) : m_name(name) {}

    // The id a setting's text names (a stored id read back).
    static Id fromSetting(const QVariant &setting) { return Id(setting.toString().toUtf8()); }

    QByteArray name() const { return m_name; }
    QString toString() const { return QString::fromLatin1(m_name); }
    bool isValid() const { return !m_name.isEmpty(); }
    bool operator==(const Id &other) const { return m_name == other.m_name; }
    bool operator!=(const Id &other) const { return m_name != other.m_name; }

private:
    QByteArray m_name;
};

} // namespace Core
