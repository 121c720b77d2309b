#pragma once

// Free functions of the IDE's debugger: its window, the current engine and
// its settings.

#include <QWidget>

namespace Utils { class SavedAction; }

namespace Debugger {
namespace Internal {

class DebuggerEngine;

// The debugger's window (tool bar, views, log) or null.
QWidget *mainWindow();
void setMainWindow(QWidget *window);

// The engine of the running session or null.
DebuggerEngine *currentEngine();
void setCurrentEngine(DebuggerEngine *engine);

// The setting of a code (DebuggerSettingsCode); null for an unknown code.
Utils::SavedAction *action(int code);
bool boolSetting(int code);
// Reads every setting from, or writes it to, the IDE settings.
void readDebuggerSettings();
void writeDebuggerSettings();

} // namespace Internal
} // namespace Debugger
