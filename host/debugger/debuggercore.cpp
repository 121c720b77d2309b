#include "debuggercore.h"

#include "debuggerconstants.h"
#include "debuggerengine.h"

#include <coreplugin/icore.h>
#include <utils/savedaction.h>

#include <QHash>
#include <QPointer>

namespace Debugger {
namespace Internal {

namespace {
QPointer<QWidget> &theMainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QPointer<DebuggerEngine> &theEngine()
{
    static QPointer<DebuggerEngine> engine;
    return engine;
}

QHash<int, Utils::SavedAction *> createSettings()
{
    QHash<int, Utils::SavedAction *> settings;
    const auto add = [&](int code, const char *key, const QString &text, const QVariant &defaultValue,
                         bool checkable) {
        auto item = new Utils::SavedAction;
        item->setText(text);
        item->setCheckable(checkable);
        // An entry without a key of its own (the settings dialog's) holds no
        // value to keep.
        if (*key)
            item->setSettingsKey(QStringLiteral("DebugMode/") + QLatin1String(key));
        item->setDefaultValue(defaultValue);
        item->setValue(defaultValue, false);
        if (checkable)
            QObject::connect(item, &QAction::toggled, item, [item](bool on) { item->setValue(on); });
        settings.insert(code, item);
    };
    add(SettingsDialog, "", QObject::tr("Debugger Settings..."), QVariant(), false);
    add(AlwaysAdjustColumnWidths, "AlwaysAdjustColumnWidths",
        QObject::tr("Always Adjust Column Widths to Contents"), true, true);
    add(UseDebuggingHelpers, "UseDebuggingHelper", QObject::tr("Use Debugging Helpers"), true, true);
    add(UseDynamicType, "UseDynamicType", QObject::tr("Use Dynamic Object Type for Display"), true, true);
    add(SortStructMembers, "SortStructMembers", QObject::tr("Sort Members of Classes and Structs Alphabetically"),
        false, true);
    add(AutoDerefPointers, "AutoDerefPointers", QObject::tr("Dereference Pointers Automatically"), true, true);
    add(MaximalStringLength, "MaximalStringLength", QObject::tr("Maximum String Length"), 10000, false);
    add(DisplayStringLimit, "DisplayStringLimit", QObject::tr("Display String Length"), 100, false);
    add(GdbStartupCommands, "GdbStartupCommands", QObject::tr("GDB Start-up Commands"), QString(), false);
    return settings;
}

// The settings live as long as the program.
struct Settings
{
    QHash<int, Utils::SavedAction *> actions = createSettings();
    ~Settings() { qDeleteAll(actions); }
};

QHash<int, Utils::SavedAction *> &settings()
{
    static Settings all;
    return all.actions;
}
} // namespace

QWidget *mainWindow()
{
    return theMainWindow();
}

void setMainWindow(QWidget *window)
{
    theMainWindow() = window;
}

DebuggerEngine *currentEngine()
{
    return theEngine();
}

void setCurrentEngine(DebuggerEngine *engine)
{
    theEngine() = engine;
}

Utils::SavedAction *action(int code)
{
    return settings().value(code);
}

bool boolSetting(int code)
{
    Utils::SavedAction *item = action(code);
    return item && item->value().toBool();
}

void readDebuggerSettings()
{
    for (Utils::SavedAction *item : qAsConst(settings()))
        item->readSettings(Core::ICore::settings());
}

void writeDebuggerSettings()
{
    QSettings *stored = Core::ICore::settings();
    // Earlier versions saved the settings dialog's entry, which holds no
    // value, under the group's own name ("DebugMode=@Invalid()"). Removing
    // that key takes the group with it: its keys are put back.
    const QString group = QStringLiteral("DebugMode");
    if (stored->contains(group) && !stored->value(group).isValid()) {
        QVariantMap kept;
        stored->beginGroup(group);
        for (const QString &key : stored->allKeys())
            kept.insert(key, stored->value(key));
        stored->endGroup();
        stored->remove(group);
        for (auto it = kept.constBegin(); it != kept.constEnd(); ++it)
            stored->setValue(group + QLatin1Char('/') + it.key(), it.value());
    }
    for (Utils::SavedAction *item : qAsConst(settings()))
        item->writeSettings(stored);
}

} // namespace Internal
} // namespace Debugger
