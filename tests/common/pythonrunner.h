#pragma once

// Runs a Python 3 script in a child process (the generated code is only ever
// compiled or called against stand-ins, never against a debugger).

#include <QString>

struct PythonRun
{
    bool started = false;
    int exitCode = -1;
    QString output; // stdout and stderr merged
};

PythonRun runPython(const QString &script);

// A script that compiles the given source as a module and prints "compiled".
QString compileScript(const QString &source);
