#include "gdblimits.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace GdbLimits {

namespace {

// Waits until GDB attaches; "ready" once the values are set.
const char probeProgram[] = "#include <cstdio>\n"
                            "#include <unistd.h>\n"
                            "static volatile int seed = 21;\n"
                            "int twice(int value) { return value * 2; }\n"
                            "int main() { std::puts(\"ready\"); std::fflush(stdout); for (;;) pause(); return twice(seed); }\n";

// GDB starts the program as its own child and attaches to it, so that the
// limit commands (given before, as GDB refuses some of them once a program
// runs) hold for a program that has run. Each attempt prints one line:
// "KORVAN-PROBE <what> ok" or "KORVAN-PROBE <what> refused <why>", where
// why is GDB's own message.
const char probeScript[] = R"py(import os
import subprocess

import gdb

def report(what, outcome, detail=""):
    gdb.write("KORVAN-PROBE %s %s %s\n" % (what, outcome, detail))
    gdb.flush()

def attempt(what, action):
    try:
        detail = action()
    except gdb.error as error:
        report(what, "refused", str(error))
        return
    report(what, "ok" if detail is None else "refused", detail or "")

def write_vector_register():
    # A changed value: GDB skips writes of the value a register holds.
    wanted = int(gdb.parse_and_eval("$xmm0.v4_int32[0]")) ^ 1
    gdb.execute("set var $xmm0.v4_int32[0] = %d" % wanted, to_string=True)
    got = int(gdb.parse_and_eval("$xmm0.v4_int32[0]"))
    return None if got == wanted else "the register read %d after %d was written" % (got, wanted)

def call_function():
    got = int(gdb.parse_and_eval("twice(seed)"))
    return None if got == 42 else "twice(21) returned %d" % got

program = subprocess.Popen([os.environ["KORVAN_PROBE_PROGRAM"]], stdout=subprocess.PIPE)
try:
    if program.stdout.readline().strip() != b"ready":
        report("stopped", "refused", "the probe program did not start")
    else:
        try:
            gdb.execute("attach %d" % program.pid, to_string=True)
            stopped = int(gdb.parse_and_eval("seed")) == 21
        except gdb.error as error:
            report("stopped", "refused", "GDB could not attach to the probe program: %s" % error)
        else:
            report("stopped", "ok" if stopped else "refused", "" if stopped else "the probe program's value is wrong")
            if stopped:
                attempt("write", write_vector_register)
                attempt("call", call_function)
            gdb.execute("kill", to_string=True)
finally:
    if program.poll() is None:
        program.kill()
    program.wait()
)py";

struct Probe
{
    Ability calls;
    Ability writes;
};

void failBoth(Probe *probe, const QString &why)
{
    probe->calls.reason = probe->writes.reason = QStringLiteral("GDB's abilities could not be probed: ") + why;
}

Probe runProbe()
{
    Probe probe;
    const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
    const QString gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
    if (gxx.isEmpty() || gdb.isEmpty()) {
        failBoth(&probe, QStringLiteral("g++ and gdb are needed"));
        return probe;
    }
    QTemporaryDir dir;
    QFile source(dir.filePath(QStringLiteral("probe.cpp")));
    QFile script(dir.filePath(QStringLiteral("probe.py")));
    if (!dir.isValid() || !source.open(QIODevice::WriteOnly) || source.write(probeProgram) < 0
        || !script.open(QIODevice::WriteOnly) || script.write(probeScript) < 0) {
        failBoth(&probe, QStringLiteral("its files could not be written"));
        return probe;
    }
    source.close();
    script.close();

    const QString program = dir.filePath(QStringLiteral("probe"));
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(gxx, {QStringLiteral("-g"), QStringLiteral("-O0"), source.fileName(), QStringLiteral("-o"), program});
    if (!compiler.waitForFinished(120000) || compiler.exitStatus() != QProcess::NormalExit || compiler.exitCode() != 0) {
        failBoth(&probe, QStringLiteral("g++ failed: ") + QString::fromLocal8Bit(compiler.readAll()));
        return probe;
    }

    QStringList arguments{QStringLiteral("-batch"), QStringLiteral("-nx")};
    for (const QString &command : limitCommands())
        arguments << QStringLiteral("-ex") << command;
    arguments << QStringLiteral("-x") << script.fileName();
    QProcess debugger;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KORVAN_PROBE_PROGRAM"), program);
    debugger.setProcessEnvironment(environment);
    debugger.start(gdb, arguments);
    if (!debugger.waitForFinished(120000)) {
        debugger.kill();
        debugger.waitForFinished();
        failBoth(&probe, QStringLiteral("gdb did not finish"));
        return probe;
    }
    const QString output = QString::fromLocal8Bit(debugger.readAllStandardOutput());
    QMap<QString, QString> outcomes; // what -> "ok" or "refused <why>"
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("KORVAN-PROBE "))) {
            const QString rest = line.mid(13);
            const int space = rest.indexOf(QLatin1Char(' '));
            outcomes.insert(rest.left(space), rest.mid(space + 1).trimmed());
        }
    }
    if (outcomes.value(QStringLiteral("stopped")) != QLatin1String("ok")) {
        failBoth(&probe, outcomes.value(QStringLiteral("stopped"), QStringLiteral("no answer from gdb"))
                             + QLatin1Char('\n') + output + QString::fromLocal8Bit(debugger.readAllStandardError()));
        return probe;
    }
    const auto take = [&outcomes](const QString &what, const QString &cannot, Ability *ability) {
        const QString outcome = outcomes.value(what);
        ability->probed = outcome == QLatin1String("ok") || outcome.startsWith(QLatin1String("refused "));
        ability->able = outcome == QLatin1String("ok");
        if (!ability->probed)
            ability->reason = QStringLiteral("GDB's abilities could not be probed: no answer for ") + what;
        if (ability->probed && !ability->able) {
            ability->message = outcome.mid(8);
            ability->reason = cannot + ability->message;
        }
    };
    take(QStringLiteral("call"), QStringLiteral("GDB cannot call a function of the program on this machine: "),
         &probe.calls);
    take(QStringLiteral("write"),
         QStringLiteral("GDB cannot write the processor's extended register state on this machine: "), &probe.writes);
    return probe;
}

const Probe &probe()
{
    static const Probe once = runProbe();
    return once;
}

} // namespace

const Ability &functionCalls()
{
    return probe().calls;
}

const Ability &registerWrites()
{
    return probe().writes;
}

QStringList limitCommands()
{
    QStringList commands;
    for (const QString &command : qEnvironmentVariable("KORVAN_TEST_GDB_LIMITS").split(QLatin1Char(';'))) {
        if (!command.trimmed().isEmpty())
            commands << command.trimmed();
    }
    return commands;
}

} // namespace GdbLimits
