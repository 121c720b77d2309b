#pragma once

// The private block of GDB commands that carries all of this plug-in's
// Python: "python", "#PRIVATESTART", the code, "#PRIVATEEND", "end",
// always at the end of the host's GDB start-up commands.

#include "configuration/pythoncode.h"

#include <QJsonObject>
#include <QLatin1String>
#include <QString>

namespace KorvanDebugger {
namespace Internal {

extern const QLatin1String privateBlockStart; // "\npython\n#PRIVATESTART\n"
extern const QLatin1String privateBlockEnd;   // "\n#PRIVATEEND\nend\n"

// The text without its private block; unchanged when a marker is missing.
QString removePrivateBlock(const QString &text);

// The dumper-side scripts in their fixed order; only the last,
// ":DynamicPrettyPrinters.py", is instrumented.
QString buildCommonCode();

// The Python of all enabled class models of a "Debugger/PrettyPrinters"
// document. Starts a new generation: the names of the previous one become
// pending deletions.
Configuration::PythonCode generateClassesCode(const QJsonObject &prettyPrinters);

// The start-up commands with a fresh block: setting without its old block,
// then the common code and the instrumented script of code (which takes the
// pending deletions and unregistrations not yet sent).
QString settingWithPrivateBlock(const QString &setting, const QString &commonCode, Configuration::PythonCode &code);

// The block sent to a GDB that is already running: the instrumented
// ":DynamicPrettyPrinters.py" when withCommonCode, then the instrumented
// script of code. It takes the pending deletions and unregistrations, so
// it is made only once a GDB engine is there to receive it.
QString runningDebuggerBlock(Configuration::PythonCode &code, bool withCommonCode);

} // namespace Internal
} // namespace KorvanDebugger
