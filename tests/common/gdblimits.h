#pragma once

// What GDB can do on this machine. GDB 13.1 cannot write the extended
// register state of processors with AMX ("Couldn't write extended state
// status: Bad address."): there every call of a function in the program and
// every write of a vector register fails, whichever program it debugs, and
// so does reverse execution over code that uses those registers. Tests that
// need either ask here and skip only what needs it, with GDB's own message.
//
// The probe runs once per test process, at its first question: a tiny
// program compiled with g++, one `gdb -batch` that attaches to it, writes a
// vector register and calls one of its functions.
//
// Checking the skips on a machine whose GDB can do both: set
// KORVAN_TEST_GDB_LIMITS to GDB commands, separated by ';', that make GDB
// refuse with its own messages:
//     KORVAN_TEST_GDB_LIMITS='set may-call-functions off;set may-write-registers off'
// The probe's GDB runs them before it attaches. The tests' own GDB runs
// give them to GDB where they can once the program has stopped (GDB then
// takes the first and refuses the second, which would stop any program from
// starting), so that calls fail in those runs too. Never set it in CI.

#include <QString>
#include <QStringList>

namespace GdbLimits {

struct Ability
{
    bool probed = false; // false: the probe itself failed (reason says why)
    bool able = false;
    QString message;     // when not able: GDB's own message
    QString reason;      // when not able: what GDB cannot do, and its message
};

// Calling a function of the program (`print f(x)`, a printer's inferior call).
const Ability &functionCalls();
// Writing the extended register state (vector registers), which reverse
// execution needs wherever the program used those registers.
const Ability &registerWrites();

// The commands of KORVAN_TEST_GDB_LIMITS (none unless a check run sets it).
QStringList limitCommands();

} // namespace GdbLimits

// Fails the test when the probe could not run, skips it with GDB's message
// when GDB cannot do it here; goes on otherwise.
#define KORVAN_REQUIRE_GDB_ABILITY(ability)                                                                            \
    do {                                                                                                               \
        const GdbLimits::Ability &korvanAbility = (ability);                                                           \
        if (!korvanAbility.probed)                                                                                     \
            QFAIL(qPrintable(korvanAbility.reason));                                                                   \
        if (!korvanAbility.able)                                                                                       \
            QSKIP(qPrintable(korvanAbility.reason));                                                                   \
    } while (false)
