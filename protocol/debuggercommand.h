#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <functional>

namespace Debugger {
namespace Internal {

class DebuggerResponse;

// One request to GDB: a command text or dumper function name with its
// arguments, sent through the engine, which calls `callback` with the answer.
// Member order follows the host's record.
class DebuggerCommand
{
public:
    using Callback = std::function<void(const DebuggerResponse &)>;

    DebuggerCommand() = default;
    explicit DebuggerCommand(const QByteArray &function) : function(function) {}

    // Named arguments make `args` an object, positional ones an array; the
    // two kinds do not mix (the refused call leaves `args` as it was).
    void arg(const char *name, int value);
    void arg(const char *name, qlonglong value);
    void arg(const char *name, qulonglong value);
    void arg(const char *name, bool value);
    void arg(const char *name, const QString &value);
    void arg(const char *name, const QByteArray &value);
    void arg(const char *name, const char *value);
    void arg(const char *name, const QList<int> &list);
    void arg(const char *name, const QJsonValue &value);
    void arg(const char *value);

    // Compact JSON with booleans as 1 and 0, for the Python dumper.
    QByteArray argsToPython() const;
    QByteArray argsToString() const;

    QByteArray function;
    QJsonValue args;
    Callback callback;
    uint postTime = 0; // the engine's bookkeeping
    int flags = 0;
};

// `args` with `name` set to `value`, or `args` unchanged when it holds
// positional arguments.
QJsonValue addToJsonObject(const QJsonValue &args, const char *name, const QJsonValue &value);

} // namespace Internal
} // namespace Debugger
