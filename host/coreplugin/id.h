#pragma once

#include <QByteArray>
#include <QString>

namespace Core {

// Identifier of IDE objects (pages, commands, contexts), built from Latin-1.
class Id
{
public:
    Id() = default;
    Id(const char *name) : m_name(name) {}
    explicit Id(const QByteArray &name) : m_name(name) {}

    QByteArray name() const { return m_name; }
    QString toString() const { return QString::fromLatin1(m_name); }
    bool isValid() const { return !m_name.isEmpty(); }
    bool operator==(const Id &other) const { return m_name == other.m_name; }
    bool operator!=(const Id &other) const { return m_name != other.m_name; }

private:
    QByteArray m_name;
};

} // namespace Core
