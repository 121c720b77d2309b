// The printers in a running debugger, end to end: the plug-in in the
// stand-in IDE with real GDB on the dumper fixture program. The block the
// plug-in stores at start-up gives the watch view its printers; models
// changed while the program is stopped reach the same GDB; what the
// printers report through the debugger log comes back to the user.

#include "common/enginewaits.h"
#include "common/gdblimits.h"
#include "common/scriptgeneration.h"
#include "common/testenvironment.h"
#include "configuration/document.h"
#include "configuration/keys.h"
#include "configuration/pythoncode.h"
#include "hostwindow.h"
#include "pluginsession.h"
#include "plugin/containercustomizationwizard.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/icore.h>
#include <debugger/debuggerconstants.h>
#include <debugger/gdbengine.h>

#include <QJsonArray>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger;
using Debugger::Internal::GdbEngine;
using KorvanDebugger::Configuration::PythonError;
using KorvanDebugger::Internal::ContainerCustomizationRequest;
using KorvanDebugger::Internal::ContainerCustomizationResult;
using KorvanDebugger::Internal::KorvanDebuggerPlugin;


namespace {

QString sourceRoot()
{
    return PluginSession::sourceRoot();
}

// The 1-based line of the fixture source that holds the text.
int fixtureLine(const QString &text)
{
    return PluginSession::lineOf(sourceRoot() + QStringLiteral("/tests/fixtures/dumpertypes.cpp"), text);
}

// Sets a member of the class model of a type in a model document.
void setClassMember(QJsonObject &document, const QString &type, const QString &key, const QJsonValue &value)
{
    QJsonArray classes = document.value(Configuration::Key::classes).toArray();
    for (int i = 0; i < classes.size(); ++i) {
        QJsonObject definition = classes.at(i).toObject();
        if (definition.value(Configuration::Key::className).toObject().value(Configuration::Key::TemplateType)
            == type) {
            definition.insert(key, value);
            classes[i] = definition;
        }
    }
    document.insert(Configuration::Key::classes, classes);
}

// The first field of the Point model shown as a boolean ("visible").
void setPointTrueText(QJsonObject &document, const QString &text)
{
    QJsonArray classes = document.value(Configuration::Key::classes).toArray();
    for (int i = 0; i < classes.size(); ++i) {
        QJsonObject definition = classes.at(i).toObject();
        if (definition.value(Configuration::Key::className).toObject().value(Configuration::Key::TemplateType)
            != QLatin1String("Point"))
            continue;
        QJsonArray fields = definition.value(Configuration::Key::fields).toArray();
        for (int f = 0; f < fields.size(); ++f) {
            QJsonObject field = fields.at(f).toObject();
            if (field.value(QStringLiteral("displayedName")) == QLatin1String("visible")) {
                field.insert(QStringLiteral("trueValue"), text);
                fields[f] = field;
            }
        }
        definition.insert(Configuration::Key::fields, fields);
        classes[i] = definition;
    }
    document.insert(Configuration::Key::classes, classes);
}

// The document without the fields whose accessor calls a function of the
// program: for a GDB that cannot call them on this machine.
QJsonObject withoutCallingFields(QJsonObject document)
{
    QJsonArray classes = document.value(Configuration::Key::classes).toArray();
    for (int i = 0; i < classes.size(); ++i) {
        QJsonObject definition = classes.at(i).toObject();
        QJsonArray kept;
        for (const QJsonValue &field : definition.value(Configuration::Key::fields).toArray()) {
            const QJsonObject accessor = field.toObject()
                                             .value(Configuration::Key::accessor)
                                             .toObject()
                                             .value(Configuration::Key::accessor)
                                             .toObject();
            if (!accessor.contains(Configuration::Key::InferiorMethod)
                && !accessor.contains(Configuration::Key::InferiorFunction))
                kept.append(field);
        }
        definition.insert(Configuration::Key::fields, kept);
        classes[i] = definition;
    }
    document.insert(Configuration::Key::classes, classes);
    return document;
}

// The lines of one local and its children in the watch tree text.
QStringList localRows(const QString &tree, const QString &name)
{
    QStringList rows;
    bool inside = false;
    for (const QString &line : tree.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char(' ')))
            inside = line.startsWith(name + QStringLiteral(" = "));
        if (inside)
            rows << line;
    }
    return rows;
}

// The rows under one local, without the local's own row and name: what the
// watch view shows as its items.
QStringList itemRows(const QString &tree, const QString &name)
{
    QStringList rows = localRows(tree, name);
    if (!rows.isEmpty())
        rows.removeFirst();
    return rows;
}

} // namespace

class TestRunningDebugger : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PluginSession> m_session;
    QList<QByteArray> m_optionsPages;
    QList<PythonError> m_configErrors;

    KorvanDebuggerPlugin *plugin() const { return m_session->plugin(); }
    GdbEngine *engine() const { return m_session->engine(); }
    QString locals() const { return m_session->locals(); }
    QString log() const
    {
        QWidget *dock = m_session->window()->findChild<QWidget *>(QStringLiteral("Debugger.Docks.Output"));
        QPlainTextEdit *edit = dock ? dock->findChild<QPlainTextEdit *>() : nullptr;
        return edit ? edit->toPlainText() : QString();
    }
    // The commands sent to GDB so far whose text mentions the name.
    int sentCommands(const QString &name) const
    {
        int count = 0;
        for (const QString &line : log().split(QLatin1Char('\n')))
            count += line.startsWith(QLatin1Char('>')) && line.contains(name) ? 1 : 0;
        return count;
    }
    static QString startupCommands() { return PluginSession::startupCommands(); }

    // Waits for the watch view to be filled again; true when it was.
    bool waitForLocals(const std::function<void()> &trigger) { return waitForEngineStop(engine(), trigger); }
    // The user applies a changed model document: the printers are
    // regenerated and reach the running GDB, which shows the locals again.
    bool applyModels(const std::function<void(QJsonObject &)> &change)
    {
        QJsonObject &document = *KorvanDebuggerPlugin::getConfiguration();
        change(document);
        return waitForLocals([this] {
            plugin()->parametersChanged();
            plugin()->parametersChanged(); // folded into one regeneration
        });
    }
    bool pointShows(const QString &row) const { return localRows(locals(), QStringLiteral("point")).contains(row); }
    bool next()
    {
        return waitForLocals([this] { engine()->executeNext(); });
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<PythonError>();
        const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
        QVERIFY2(!gxx.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty(),
                 "g++ and gdb are needed");
        m_session.reset(new PluginSession);
        QString error;
        QVERIFY2(PluginSession::compile(sourceRoot() + QStringLiteral("/tests/fixtures/dumpertypes.cpp"),
                                        m_session->buildPath(QStringLiteral("dumpertypes")), &error),
                 qPrintable(error));

        // The user's models as saved: the fixture's, the broken one off.
        TestEnvironment::setDebugMode(true);
        QJsonObject models = readJsonFile(sourceRoot() + QStringLiteral("/tests/fixtures/dumpertypes.conf"));
        QVERIFY(!models.isEmpty());
        setClassMember(models, QStringLiteral("Broken"), Configuration::Key::enable, false);
        // A printer's failed call would reach the error road at every stop.
        const GdbLimits::Ability &calls = GdbLimits::functionCalls();
        QVERIFY2(calls.probed, qPrintable(calls.reason));
        if (!calls.able)
            models = withoutCallingFields(models);
        QVERIFY(Configuration::saveConfigurationFile(models, Configuration::Key::prettyPrintersDocument));

        QVERIFY2(m_session->loadPlugin(&error), qPrintable(error));
        // The host's own options dialog gives way to the test's.
        Core::ICore::setOptionsDialogHandler([this](const QByteArray &pageId, QWidget *) {
            m_optionsPages << pageId;
            return true;
        });
        connect(plugin(), &KorvanDebuggerPlugin::configError, this,
                [this](const PythonError &reported) { m_configErrors << reported; });
        QVERIFY(!startupCommands().contains(QLatin1String("#PRIVATESTART")));
        // The plug-in stores its block before any session starts.
        QVERIFY2(m_session->storePrinters(&error), qPrintable(error));

        const int line = fixtureLine(QStringLiteral("Holder holder = "));
        QVERIFY(line > 0);
        QVERIFY2(m_session->startDebugging(m_session->buildPath(QStringLiteral("dumpertypes")),
                                           QStringLiteral("dumpertypes.cpp:%1").arg(line), &error),
                 qPrintable(error));
        QSignalSpy filled(engine(), &Debugger::Internal::DebuggerEngine::stackFrameCompleted);
        QVERIFY2(filled.wait(120000), qPrintable(log()));
        QCOMPARE(engine()->state(), int(Debugger::Internal::InferiorStopOk));
        // A check run's refusals (common/gdblimits.h) hold from here on.
        for (const QString &command : GdbLimits::limitCommands())
            QVERIFY(engineResponse(engine(), command.toUtf8()));
        // The debugger window as the user sees it: the stack view, painted,
        // knows the current frame.
        m_session->window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_session->window()));
        QTRY_VERIFY(plugin()->stackDelegate() && plugin()->stackDelegate()->proxy());
    }

    void theWatchViewShowsValuesThroughTheStoredPrinters()
    {
        const QString tree = locals();
        const QStringList point = localRows(tree, QStringLiteral("point"));
        QVERIFY2(point.contains(QLatin1String("  visible = Yes  [bool]")), qPrintable(tree));
        QVERIFY2(point.contains(QLatin1String("  color = ::Green  [Color]")), qPrintable(tree));
        // One block, after the user's own commands, and never echoed in the log.
        QCOMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);
        QVERIFY(!log().contains(QLatin1String("#PRIVATE")));
    }

    void valuesTheProgramComputesShowWhereGdbCanCallIt()
    {
        KORVAN_REQUIRE_GDB_ABILITY(GdbLimits::functionCalls());
        const QStringList counter = localRows(locals(), QStringLiteral("counter"));
        QVERIFY2(counter.contains(QLatin1String("  twice = 12  [int]")), qPrintable(counter.join('\n')));
        QVERIFY2(counter.contains(QLatin1String("  square = 36  [int]")), qPrintable(counter.join('\n')));
    }

    void aTypedefReportFillsTheTypedefMap()
    {
        QTRY_COMPARE(plugin()->typedefMap().value(QStringLiteral("Point2D")), QStringLiteral("Point"));
        QCOMPARE(plugin()->resolveTypedef(QStringLiteral("Point2D")), QStringLiteral("Point"));
        // Taken out of the log, raw and decoded.
        QVERIFY2(!log().contains(QLatin1String("KORVANTYPEDEF;Point2D")), qPrintable(log()));
    }

    void thePrintersReachGdbOncePerChange()
    {
        // The session has the stored block from its start; the type
        // definitions its fetch reported change no printer, so nothing more
        // was sent, and no fetch of the locals was repeated.
        QTest::qWait(100);
        QCOMPARE(sentCommands(QStringLiteral("loadDumpers")), 1);
        QCOMPARE(plugin()->runningDebuggerSends(), 0);
        const int fetches = sentCommands(QStringLiteral("fetchVariable"));
        QCOMPARE(fetches, 1);
        // A settings save with the same models sends nothing either.
        plugin()->parametersChanged();
        QTest::qWait(100);
        QCOMPARE(sentCommands(QStringLiteral("loadDumpers")), 1);

        // A model edit: one send, one fetch through the new printers.
        QVERIFY(applyModels([](QJsonObject &document) { setPointTrueText(document, QStringLiteral("Shown")); }));
        QTest::qWait(100);
        QCOMPARE(plugin()->runningDebuggerSends(), 1);
        QCOMPARE(sentCommands(QStringLiteral("loadDumpers")), 2);
        QCOMPARE(sentCommands(QStringLiteral("fetchVariable")), fetches + 1);
        QVERIFY2(pointShows(QStringLiteral("  visible = Shown  [bool]")), qPrintable(locals()));
        QVERIFY(applyModels([](QJsonObject &document) { setPointTrueText(document, QStringLiteral("Yes")); }));
        QCOMPARE(plugin()->runningDebuggerSends(), 2);
    }

    void aCustomRegistrationShowsOneValueItsOwnWay()
    {
        const QString before = locals();
        QVERIFY2(localRows(before, QStringLiteral("pv")).contains(QLatin1String("  [0] = {...}  [Pair]")),
                 qPrintable(before));
        // One customized value: each pair of pv shows its member "second".
        QJsonObject entry{
            {Configuration::Key::className,
             QJsonObject{{Configuration::Key::className, QStringLiteral("PairVec")},
                         {Configuration::Key::path, QStringLiteral("pv")},
                         {Configuration::Key::api, QString()}}},
            {Configuration::Key::fields,
             QJsonArray{QJsonObject{
                 {Configuration::Key::customization, QStringLiteral("Value")},
                 {Configuration::Key::valueCustom,
                  QJsonObject{{Configuration::Key::accessor,
                               QJsonObject{{Configuration::Key::Field, QStringLiteral(".second")}}}}}}}}};
        plugin()->customConfiguration()->insert(Configuration::customKey(QStringLiteral("pv"), QStringLiteral("PairVec")),
                                                entry);
        QVERIFY(applyModels([](QJsonObject &) {}));
        // A reload already under way may end first: the view settles.
        QTRY_VERIFY_WITH_TIMEOUT(localRows(locals(), QStringLiteral("pv")).contains(QLatin1String("  [0] = 1.5  [double]")),
                                 30000);
        const QString after = locals();
        // Another value of the same type is shown as before.
        QVERIFY2(localRows(after, QStringLiteral("pairMap")) == localRows(before, QStringLiteral("pairMap")),
                 qPrintable(after));

        // Removed again: the queued unregistration reaches the same GDB.
        QVERIFY(plugin()->removeCustomDefinition(QString(), QStringLiteral("pv"), QStringLiteral("PairVec")));
        QVERIFY(applyModels([](QJsonObject &) {}));
        QTRY_COMPARE_WITH_TIMEOUT(localRows(locals(), QStringLiteral("pv")), localRows(before, QStringLiteral("pv")),
                                  30000);
    }

    void aContainerCustomizedInTheWizardShowsItsNewWayAtTheNextStop()
    {
        const QString before = locals();
        const QStringList plain = itemRows(before, QStringLiteral("pv"));
        QVERIFY2(plain.contains(QLatin1String("  [0] = {...}  [Pair]")), qPrintable(before));
        // The same pairs shown as a map: what pv should look like once
        // customized with a key and a value.
        const QStringList asMap = itemRows(before, QStringLiteral("pairMap"));
        QCOMPARE(asMap, (QStringList{QStringLiteral("  1 = 1.5  [double]"), QStringLiteral("  2 = 2.5  [double]")}));

        // The user customizes pv through the watch view's entry: the
        // wizard shows the container's field and finishes with the pairs
        // keyed by "first", valued by "second", for this function only.
        QList<ContainerCustomizationRequest> requests;
        ContainerCustomizationResult answer;
        const auto chooseEntry = [this] {
            QMenu menu;
            menu.addAction(QStringLiteral("Automatic"));
            plugin()->addCustomizedContainerAction(&menu, QStringLiteral("PairVec"), QStringLiteral("pv"));
            QAction *entry = menu.actions().value(0);
            if (!entry || entry->text() != QLatin1String("Korvan: Customized container"))
                return false;
            return waitForLocals([entry] { entry->trigger(); });
        };
        const auto keyed = [](QJsonObject field) {
            field.insert(Configuration::Key::scope, QStringLiteral("Local"));
            field.insert(Configuration::Key::customization, QStringLiteral("2D"));
            field.insert(Configuration::Key::keyCustom,
                         QJsonObject{{Configuration::Key::accessor,
                                      QJsonObject{{Configuration::Key::Field, QStringLiteral(".first")}}}});
            field.insert(Configuration::Key::valueCustom,
                         QJsonObject{{Configuration::Key::accessor,
                                      QJsonObject{{Configuration::Key::Field, QStringLiteral(".second")}}}});
            return field;
        };
        KorvanDebugger::Internal::setContainerCustomizationRunner([&](const ContainerCustomizationRequest &request) {
            requests.append(request);
            ContainerCustomizationResult result = answer;
            if (result.choice == ContainerCustomizationResult::Finished)
                result.field = keyed(request.field);
            return result;
        });
        const auto restoreWizard = qScopeGuard([] { KorvanDebugger::Internal::setContainerCustomizationRunner(nullptr); });

        answer.choice = ContainerCustomizationResult::Finished;
        QVERIFY2(chooseEntry(), qPrintable(log()));
        QCOMPARE(requests.size(), 1);
        QVERIFY(!requests.first().showDelete); // a new customization
        QCOMPARE(requests.first().field.value(QStringLiteral("arrayBase")).toObject().value(Configuration::Key::Field),
                 QJsonValue(QStringLiteral(".data")));
        const QString api = requests.first().api;
        QVERIFY2(api.startsWith(QLatin1String("main")), qPrintable(api));
        const QString key = Configuration::customApiKey(api, QStringLiteral("pv"), QStringLiteral("PairVec"));
        QVERIFY2(plugin()->customConfiguration()->contains(key), qPrintable(plugin()->customConfiguration()->keys().join(',')));
        // The regenerated printers reach the stopped GDB, and hold at the next stop.
        QVERIFY(next());
        QTRY_COMPARE_WITH_TIMEOUT(itemRows(locals(), QStringLiteral("pv")), asMap, 30000);
        // pairMap keeps its own printer, unchanged.
        QCOMPARE(itemRows(locals(), QStringLiteral("pairMap")), asMap);

        // Opened again on the stored customization, the user deletes it:
        // pv is a plain array again.
        answer.choice = ContainerCustomizationResult::Deleted;
        QVERIFY2(chooseEntry(), qPrintable(log()));
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests.last().showDelete);
        QCOMPARE(requests.last().field.value(Configuration::Key::customization), QJsonValue(QStringLiteral("2D")));
        QVERIFY(!plugin()->customConfiguration()->contains(key));
        QTRY_COMPARE_WITH_TIMEOUT(itemRows(locals(), QStringLiteral("pv")), plain, 30000);
    }

    void editingDisablingAndEnablingAModelChangesTheNextStop()
    {
        QVERIFY(applyModels([](QJsonObject &document) { setPointTrueText(document, QStringLiteral("Oui")); }));
        QVERIFY(next());
        QTRY_VERIFY_WITH_TIMEOUT(pointShows(QStringLiteral("  visible = Oui  [bool]")), 30000);

        QVERIFY(applyModels([](QJsonObject &document) {
            setClassMember(document, QStringLiteral("Point"), Configuration::Key::enable, false);
        }));
        QVERIFY(next());
        QTRY_VERIFY_WITH_TIMEOUT(pointShows(QStringLiteral("  visible = true  [bool]")), 30000);
        QVERIFY(!localRows(locals(), QStringLiteral("point")).join('\n').contains(QLatin1String("Oui")));

        QVERIFY(applyModels([](QJsonObject &document) {
            setClassMember(document, QStringLiteral("Point"), Configuration::Key::enable, true);
        }));
        QVERIFY(next());
        QTRY_VERIFY_WITH_TIMEOUT(pointShows(QStringLiteral("  visible = Oui  [bool]")), 30000);
        // The same GDB all along, and one block in the setting.
        QCOMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);
    }

    void aBrokenModelsReportOpensTheOptionsPageAtItsClass()
    {
        QVERIFY(m_configErrors.isEmpty());
        QVERIFY(applyModels([](QJsonObject &document) {
            setClassMember(document, QStringLiteral("Broken"), Configuration::Key::enable, true);
        }));
        QTRY_VERIFY2(!m_configErrors.isEmpty(), qPrintable(log()));
        QCOMPARE(m_optionsPages.first(), QByteArray("ZZ.Korvan.Debugger.Classes"));
        // The page is closed again (this test's host saves nothing on
        // closing it): the printers are back in the start-up commands.
        QTRY_COMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);
        const PythonError error = m_configErrors.first();
        QVERIFY2(error.api.contains(QStringLiteral("Broken")), qPrintable(error.api.join('.')));
        QVERIFY(!error.isInternal());
        QVERIFY(!error.errorDesc.isEmpty());
        // The report is gone from the log (the trace lines of debug mode stay).
        // A later report of the same stop may still be arriving in pieces; it
        // goes as soon as it is complete.
        QTRY_VERIFY2_WITH_TIMEOUT(!log().contains(QLatin1String("KORVANDEBUG")), qPrintable(log()), 10000);
    }

    void cleanupTestCase()
    {
        m_session.reset();
    }
};

QTEST_MAIN(TestRunningDebugger)
#include "tst_runningdebugger.moc"
