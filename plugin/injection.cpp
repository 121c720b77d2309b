// The plug-in's side of the printers in GDB: regenerating the private block
// when models or settings change, sending it to a GDB that is already
// running, and what the debugger log reports back.

#include "korvandebuggerplugin.h"

#include "customregistrations.h"
#include "logfilter.h"
#include "privateblock.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>
#include <protocol/debuggercommand.h>
#include <protocol/debuggerresponse.h>
#include <protocol/gdbmi.h>
#include <utils/savedaction.h>

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

namespace KorvanDebugger {
namespace Internal {

Q_LOGGING_CATEGORY(modelErrorLog, "korvan.plugin.errors", QtWarningMsg)

using Debugger::Internal::DebuggerCommand;
using Debugger::Internal::DebuggerResponse;
using Debugger::Internal::GdbEngine;

void KorvanDebuggerPlugin::parametersChanged()
{
    // A burst of change notifications (settings save, options page apply)
    // yields one regeneration.
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(1, this, [this] { parametersChangedInternal(true); });
}

void KorvanDebuggerPlugin::parametersChangedInternal(bool updateDebugger)
{
    m_updatePending = false;
    Utils::SavedAction *startup = Debugger::Internal::action(Debugger::Internal::GdbStartupCommands);
    const QString commonCode = buildCommonCode();
    Configuration::PythonCode code = generateClassesCode(*m_prettyPrinters);
    code.merge(generateCustomCode());
    const QByteArray fingerprint = generationFingerprint(commonCode, code);
    // A session started from the stored block has that block's printers.
    auto *engine = qobject_cast<GdbEngine *>(Debugger::Internal::currentEngine());
    if (engine && m_loadedEngine != engine) {
        m_loadedEngine = engine;
        m_loadedFingerprint = m_storedFingerprint;
    }
    // A running GDB takes the deletions of the previous generation; the
    // stored block then needs only the definitions. A GDB that has these
    // printers already is left alone: each send makes the host fetch every
    // local again.
    if (updateDebugger && engine && fingerprint != m_loadedFingerprint && updateRunningDebugger(code, true))
        m_loadedFingerprint = fingerprint;
    if (startup) {
        startup->setValue(settingWithPrivateBlock(startup->value().toString(), commonCode, code), true);
        m_storedFingerprint = fingerprint;
    }
}

QByteArray KorvanDebuggerPlugin::generationFingerprint(const QString &commonCode,
                                                       const Configuration::PythonCode &code)
{
    // What the printers of a generation are; the deletions of the previous
    // generation are bookkeeping and differ from one generation to the next.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(commonCode.toUtf8());
    for (const QString &part : {Configuration::sharedHelpersCode(), code.definitions, code.expression}) {
        hash.addData("\0", 1);
        hash.addData(part.toUtf8());
    }
    return hash.result();
}

bool KorvanDebuggerPlugin::isGdbReady()
{
    const Debugger::Internal::DebuggerEngine *engine = Debugger::Internal::currentEngine();
    return engine && engine->state() >= Debugger::Internal::InferiorRunRequested
           && engine->state() <= Debugger::Internal::InferiorStopFailed;
}

bool KorvanDebuggerPlugin::updateRunningDebugger(Configuration::PythonCode &code, bool withCommonCode)
{
    if (!isGdbReady())
        return false;
    // Checked before the block is made: making it takes the pending
    // deletions, which must then stay for the stored block.
    auto engine = qobject_cast<GdbEngine *>(Debugger::Internal::currentEngine());
    if (!engine)
        return false;
    const QString block = runningDebuggerBlock(code, withCommonCode);
    engine->runCommand(DebuggerCommand(block.toLocal8Bit()));
    ++m_runningDebuggerSends;

    DebuggerCommand load("loadDumpers");
    load.flags = Debugger::Internal::PythonCommand | Debugger::Internal::Discardable;
    const QPointer<GdbEngine> target(engine);
    load.callback = [target](const DebuggerResponse &response) { handleLoadDumpers(target, response); };
    engine->runCommand(load);
    return true;
}

void KorvanDebuggerPlugin::handleLoadDumpers(Debugger::Internal::GdbEngine *engine, const DebuggerResponse &response)
{
    if (!engine)
        return;
    if (response.resultClass == Debugger::Internal::ResultDone) {
        Debugger::Internal::GdbMi all;
        all.fromStringMultiple(response.consoleStreamOutput.trimmed());
        engine->watchHandler()->addDumpers(all["dumpers"]);
    }
    // The watch view is filled again through the new printers.
    engine->reloadLocals();
}

Configuration::PythonCode KorvanDebuggerPlugin::generateCustomCode() const
{
    return Internal::generateCustomCode(*m_customPrettyPrinters,
                                        [this](const QString &typeName) { return findStoredClassDefinition(typeName); });
}

QJsonObject KorvanDebuggerPlugin::findCustomDefinition(const QString &api, const QString &path,
                                                      const QString &className) const
{
    return Internal::findCustomDefinition(*m_customPrettyPrinters, api, path, className);
}

bool KorvanDebuggerPlugin::removeCustomDefinition(const QString &api, const QString &path, const QString &className)
{
    return Internal::removeCustomDefinition(*m_customPrettyPrinters, api, path, className);
}

void KorvanDebuggerPlugin::watchDebuggerLog()
{
    if (!m_logFilter) {
        m_logFilter = new LogFilter(&m_typedefMap, this);
        // Through the same debounce as every other change: one fetch can
        // report many type definitions.
        connect(m_logFilter, &LogFilter::typedefMapChanged, this, &KorvanDebuggerPlugin::parametersChanged);
        connect(m_logFilter, &LogFilter::pythonErrorReported, this,
                [this](const Configuration::PythonError &reported) {
                    Configuration::PythonError error = reported;
                    showPythonError(error);
                });
    }
    for (QPlainTextEdit *editor : debuggerLogEditors())
        m_logFilter->watch(editor);
}

void KorvanDebuggerPlugin::showPythonError(Configuration::PythonError &error)
{
    if (error.isInternal()) {
        Host::critical(nullptr, tr("Internal Python Error"), error.toHtml());
    } else if (error.isCustomApi()) {
        // The printer of one customized value: its entry in the custom
        // document names the value; the report itself says what failed.
        CustomErrorTarget target;
        Configuration::PythonError report = error;
        if (takeCustomErrorTarget(report, &target)) {
            const QJsonObject entry = findCustomDefinition(target.api, target.path, target.className);
            if (!entry.isEmpty()) {
                // The customized-container editor opens on the entry, with
                // the report shown at its faulty row.
                editCustomizedContainer(entry, target.api, target.path, target.className, false, &report);
            } else {
                Host::critical(nullptr, tr("Python Error"),
                               QStringLiteral("<p>%1</p>")
                                       .arg(tr("The customized value %1 (%2) has no stored definition any more.")
                                                    .arg(target.path.toHtmlEscaped(), target.className.toHtmlEscaped()))
                                       + report.toHtml());
            }
        } else {
            // An entry for every function has a two-part key that does not
            // name its function: the report is all there is to show.
            Host::critical(nullptr, tr("Python Error"), error.toHtml());
        }
    } else {
        // Closing the options dialog regenerates the printers, and GDB then
        // reports the same error again: without this the dialog would come
        // back for ever. An error is handed over again once the models change.
        QCryptographicHash seen(QCryptographicHash::Sha1);
        seen.addData(error.api.join(QLatin1Char('.')).toUtf8());
        for (const QString *part : {&error.varType, &error.errorType, &error.errorDesc}) {
            seen.addData("\n", 1);
            seen.addData(part->toUtf8());
        }
        if (m_prettyPrinters)
            seen.addData(QJsonDocument(*m_prettyPrinters).toJson(QJsonDocument::Compact));
        const QByteArray fingerprint = seen.result();
        if (fingerprint == m_shownModelError) {
            qCInfo(modelErrorLog).noquote() << "Printer error at" << error.api.join(QLatin1Char('.'))
                                            << "already shown for the present models";
        } else {
            m_shownModelError = fingerprint;
            scheduleConfigurationError(error);
        }
    }
    error.flags = 0;
    error.line.clear();
}

} // namespace Internal
} // namespace KorvanDebugger
