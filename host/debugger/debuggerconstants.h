#pragma once

// Numbers of the IDE's debugger that the plug-in passes or compares: engine
// states, command flags, watch roles and setting codes.

namespace Debugger {
namespace Internal {

enum DebuggerState {
    DebuggerNotReady = 0,
    EngineSetupRequested = 1,
    EngineSetupFailed = 2,
    EngineSetupOk = 3,
    InferiorSetupRequested = 4,
    InferiorSetupFailed = 5,
    InferiorSetupOk = 6,
    EngineRunRequested = 7,
    EngineRunFailed = 8,
    InferiorUnrunnable = 9,
    // 10 to 15: a GDB with an inferior that takes commands.
    InferiorRunRequested = 10,
    InferiorRunOk = 11,
    InferiorRunFailed = 12,
    InferiorStopRequested = 13,
    InferiorStopOk = 14,
    InferiorStopFailed = 15,
    InferiorExitOk = 16,
    // The end of a session: the program is taken down (17 to 19), then GDB
    // (20 to 22); 23 when all is over.
    InferiorShutdownRequested = 17,
    InferiorShutdownFailed = 18,
    InferiorShutdownOk = 19,
    EngineShutdownRequested = 20,
    EngineShutdownFailed = 21,
    EngineShutdownOk = 22,
    DebuggerFinished = 23,
};

const char *stateName(int state);

// How a DebuggerCommand is sent. A command without PythonCommand is GDB
// input: an MI command when it begins with "-", else console input (several
// lines are run as one script).
enum DebuggerCommandFlag {
    NoFlags = 0,
    NeedsStop = 1,          // sent only while the inferior is stopped
    Discardable = 2,        // dropped when GDB goes away before the answer
    RunRequest = 16,        // moves the inferior; the answer is "running"
    ConsoleCommand = 512,   // plain console command, answer checked by the caller
    InUpdateLocals = 0x400, // part of a locals or inspector update
    PythonCommand = 0x800,  // a call of the dumper: theDumper.<function>(<args>)
};

// Item roles of the watch model (columns: 0 name, 1 value, 2 type).
enum WatchRole {
    LocalsINameRole = 37,
    LocalsExpressionRole = 41,
    LocalsRawExpressionRole = 42,
    LocalsTypeRole = 44,
    LocalsAddressRole = 49,
};

// Codes of the debugger settings (action(n), boolSetting(n)).
enum DebuggerSettingsCode {
    SettingsDialog = 0,
    AlwaysAdjustColumnWidths = 21,
    UseDebuggingHelpers = 15,
    UseDynamicType = 43,
    SortStructMembers = 54,
    AutoDerefPointers = 55,
    MaximalStringLength = 56,
    DisplayStringLimit = 57,
    GdbStartupCommands = 27,
};

} // namespace Internal
} // namespace Debugger
