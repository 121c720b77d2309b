// korvan-host as users run it: in batch mode on the demo with the built-in
// printers in GDB's start-up commands, on a fixture program, and with
// programs or debuggers that cannot start. Nothing is left running.

#include "hostfixture.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "common/testenvironment.h"
#include "plugin/korvandebuggerplugin.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QSettings>
#include <QtTest>

using KorvanDebugger::Internal::KorvanDebuggerPlugin;

namespace {
struct HostRun
{
    int exitCode = -1;
    QString out;
    QString err;
};
} // namespace

class TestKorvanHost : public QObject
{
    Q_OBJECT

private:
    HostFixture m_fixture;
    QTemporaryDir m_home;

    // A settings folder whose model document holds no models: the user's
    // own choice, which no run replaces. Returns the document's path.
    static QString writeEmptyModels(const QString &configHome)
    {
        TestEnvironment env;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome);
        const QJsonObject none{{KorvanDebugger::Configuration::Key::classes, QJsonArray()}};
        if (!KorvanDebugger::Configuration::saveConfigurationFile(
                none, KorvanDebugger::Configuration::Key::prettyPrintersDocument))
            return QString();
        return KorvanDebugger::Configuration::configurationFilePath(
            KorvanDebugger::Configuration::Key::prettyPrintersDocument);
    }

    // platform: the window's platform (none: --batch picks its own); a
    // window that opens is not waited for long.
    HostRun runHost(const QStringList &arguments, const QString &configHome, const QString &loggingRules = QString(),
                    const QString &debuggerPath = QString(), const QStringList &unset = {}, int guardSeconds = 0,
                    const QString &platform = QString())
    {
        QProcess host;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), configHome + QStringLiteral("/cache"));
        for (const QString &name : unset)
            environment.remove(name);
        if (!loggingRules.isEmpty())
            environment.insert(QStringLiteral("QT_LOGGING_RULES"), loggingRules);
        environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // --batch chooses offscreen itself
        if (!platform.isEmpty())
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        environment.remove(QStringLiteral("QTC_DEBUGGER_PATH"));
        if (!debuggerPath.isEmpty())
            environment.insert(QStringLiteral("QTC_DEBUGGER_PATH"), debuggerPath);
        if (guardSeconds > 0)
            environment.insert(QStringLiteral("KORVAN_BATCH_GUARD_SECONDS"), QString::number(guardSeconds));
        host.setProcessEnvironment(environment);
        host.start(QStringLiteral(KORVAN_HOST_PROGRAM), arguments);
        HostRun run;
        if (!host.waitForFinished(platform.isEmpty() ? 300000 : 60000)) {
            host.kill();
            host.waitForFinished();
            run.err = QStringLiteral("korvan-host did not finish");
            return run;
        }
        run.exitCode = host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1;
        run.out = QString::fromLocal8Bit(host.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(host.readAllStandardError());
        return run;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_fixture.prepare(&error), qPrintable(error));
        QVERIFY(m_home.isValid());
        // The runs on the engine fixture show GDB's plain view of its values.
        QVERIFY(!writeEmptyModels(m_home.path()).isEmpty());
    }

    void batchPrintsTheDemoThroughTheBuiltInPrinters()
    {
        // A user without models of their own: the demo starts with the
        // built-in set. Nobody stores the private block: the plug-in does
        // when the host saves its settings at start-up, before the session.
        const QString configHome = m_home.filePath(QStringLiteral("builtin"));
        const HostRun run = runHost({QStringLiteral("--batch")}, configHome);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split(QLatin1Char('\n'));
        for (const char *expected : {"greeting = \"Hello, Korvan\"  [QString]", "primes = <4 items>  [QList<int>]",
                                     "  [3] = 7  [int]", "name = \"demo\"  [std::string]",
                                     "colours = <3 items>  [QStringList]", "  [0] = \"red\"  [QString]"})
            QVERIFY2(lines.contains(QLatin1String(expected)), qPrintable(expected + QStringLiteral("\n") + run.out));
        QVERIFY2(!run.out.contains(QLatin1String("<error")), qPrintable(run.out));

        // The user's own models are never replaced.
        const QString ownHome = m_home.filePath(QStringLiteral("own"));
        const QString document = writeEmptyModels(ownHome);
        QVERIFY(!document.isEmpty());
        QFile before(document);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray saved = before.readAll();
        const HostRun own = runHost({QStringLiteral("--batch")}, ownHome);
        QVERIFY2(own.exitCode == 0, qPrintable(own.err));
        QVERIFY2(!own.out.contains(QLatin1String("greeting = \"Hello, Korvan\"  [QString]")), qPrintable(own.out));
        QFile after(document);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), saved);
    }

    void batchStopsAtMainOrTheFirstBreakpointAndLeavesNothingRunning()
    {
        // Diagnostics reach the terminal only when asked for.
        const HostRun atMain = runHost({QStringLiteral("--batch"), QStringLiteral("--verbose"), m_fixture.program()},
                                       m_home.path(), QStringLiteral("korvan.plugin.startup.debug=true"));
        QVERIFY2(atMain.exitCode == 0, qPrintable(atMain.err));
        QVERIFY(atMain.out.contains(QLatin1String("counter = ")));
        // The plug-in was loaded from the plug-in folder and went through
        // its delayed start-up, steps A to H in order, before the session.
        QStringList steps;
        for (const QString &line : atMain.err.split(QLatin1Char('\n'))) {
            const int at = line.indexOf(QLatin1String("korvan.plugin.startup: "));
            if (at >= 0)
                steps << line.mid(at + 23);
        }
        QCOMPARE(steps.size(), 8);
        for (int i = 0; i < steps.size(); ++i)
            QCOMPARE(steps.at(i).left(1), QString(QLatin1Char("ABCDEFGH"[i])));
        QCOMPARE(steps.at(1), QStringLiteral("B: 1 watch view(s)"));
        QCOMPARE(steps.at(2), QStringLiteral("C: 1 stack view(s)"));
        QCOMPARE(steps.at(3), QStringLiteral("D: 1 debugger log editor(s)"));

        const int line = HostFixture::lineOf(QStringLiteral("after twice"));
        const HostRun atLine = runHost({QStringLiteral("--batch"), QStringLiteral("--break"),
                                        QStringLiteral("hostprogram.cpp:%1").arg(line), m_fixture.program(),
                                        QStringLiteral("first argument"), QStringLiteral("it's")},
                                       m_home.path());
        QVERIFY2(atLine.exitCode == 0, qPrintable(atLine.err));
        QVERIFY2(atLine.out.contains(QLatin1String("counter = 82  [int]")), qPrintable(atLine.out));
        QVERIFY2(atLine.out.contains(QLatin1String("argc = 3  [int]")), qPrintable(atLine.out));
        // No GDB and no program of these runs is left over.
        QVERIFY(processesMentioning(m_fixture.program()).isEmpty());
    }

    void batchShowsANewUsersOwnProgramWhole()
    {
        // No model document: the built-in set, on a program that is not the
        // demo; what no model covers comes from GDB's own printers, else as
        // raw members. Strings show quotes, backslashes, line breaks and
        // zero bytes escaped.
        const QString configHome = m_home.filePath(QStringLiteral("newuser"));
        const QString source = QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/newuserprogram.cpp");
        const HostRun run = runHost({QStringLiteral("--batch"), QStringLiteral("--break"),
                                     QStringLiteral("newuserprogram.cpp:%1").arg(HostFixture::lineOf(source, QStringLiteral("break here"))),
                                     QStringLiteral(KORVAN_NEWUSER_PROGRAM)},
                                    configHome);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split(QLatin1Char('\n'));
        for (const char *expected : {"word = \"say \\\"hi\\\"\\n\"  [std::string]", "numbers = <3 items>  [std::vector<int, std::allocator<int> >]",
                                     "  [2] = 3  [int]", "title = \"C:\\\\dir \\\"x\\\"\"  [QString]",
                                     "bytes = \"bytes\\0in\"  [QByteArray]", "pair = std::tuple containing  [std::tuple<int, double>]",
                                     "  [1] = 1  [int]", "  [2] = 2.5  [double]", "point = {...}  [Point]", "  y = 4  [int]",
                                     "object = <incomplete type>  [QObject]"})
            QVERIFY2(lines.contains(QLatin1String(expected)), qPrintable(expected + QStringLiteral("\n") + run.out));
        // The built-in set was used, not written as the user's document.
        QVERIFY(!QFileInfo::exists(configHome + QStringLiteral("/Korvan/Debugger/PrettyPrinters.ini")));
    }

    void batchTellsWhatWentWrong()
    {
        // A crash before the break location: the locals where it happened,
        // and a failed run that names the signal.
        const int line = HostFixture::lineOf(QStringLiteral("after twice"));
        const HostRun crash = runHost({QStringLiteral("--batch"), QStringLiteral("--break"),
                                       QStringLiteral("hostprogram.cpp:%1").arg(line), m_fixture.program(),
                                       QStringLiteral("crash")},
                                      m_home.path());
        QCOMPARE(crash.exitCode, 1);
        QVERIFY2(crash.err.contains(QStringLiteral("the program received signal SIGSEGV, Segmentation fault before it "
                                                   "stopped at hostprogram.cpp:%1").arg(line)),
                 qPrintable(crash.err));
        QVERIFY2(crash.out.contains(QLatin1String("counter = 41  [int]")), qPrintable(crash.out));

        // A program that never reaches the location: the guard ends the
        // run and says how far it got.
        const HostRun waiting = runHost({QStringLiteral("--batch"), QStringLiteral("--break"),
                                         QStringLiteral("hostprogram.cpp:%1").arg(HostFixture::lineOf(QStringLiteral("the end"))),
                                         m_fixture.program(), QStringLiteral("wait")},
                                        m_home.path(), QString(), QString(), {}, 3);
        QCOMPARE(waiting.exitCode, 1);
        QVERIFY2(waiting.err.contains(QLatin1String("the program did not stop within 3 seconds")), qPrintable(waiting.err));
        QVERIFY(processesMentioning(m_fixture.program()).isEmpty());
    }

    void theCommandLineNeedsNoDisplay()
    {
        const QStringList noDisplay{QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY")};
        const HostRun help = runHost({QStringLiteral("--help")}, m_home.path(), QString(), QString(), noDisplay);
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith(QLatin1String("Usage: korvan-host")), qPrintable(help.out + help.err));
        QVERIFY2(help.err.isEmpty(), qPrintable(help.err));

        const HostRun bad = runHost({QStringLiteral("--depth"), QStringLiteral("2"), QStringLiteral("--bogus")},
                                    m_home.path(), QString(), QString(), noDisplay);
        QCOMPARE(bad.exitCode, 2);
        QVERIFY2(bad.err.startsWith(QLatin1String("korvan-host: unknown option --bogus\nUsage: korvan-host")),
                 qPrintable(bad.err));
        QVERIFY(bad.out.isEmpty());

        const HostRun missing = runHost({m_fixture.dir() + QStringLiteral("/missing")}, m_home.path(), QString(),
                                        QString(), noDisplay);
        QCOMPARE(missing.exitCode, 1);
        QVERIFY2(missing.err.contains(QLatin1String("/missing\" does not exist")), qPrintable(missing.err));

        // A window needs a display: said so, not Qt's abort.
        const HostRun window = runHost({m_fixture.program()}, m_home.path(), QString(), QString(), noDisplay);
        QCOMPARE(window.exitCode, 1);
        QVERIFY2(window.err.contains(QLatin1String("no display")), qPrintable(window.err));

        // --batch counts wherever it stands among the options.
        const HostRun late = runHost({QStringLiteral("--depth"), QStringLiteral("2"), QStringLiteral("--batch"),
                                      QStringLiteral("--break"), QStringLiteral("twice"), m_fixture.program()},
                                     m_home.path(), QString(), QString(), noDisplay);
        QVERIFY2(late.exitCode == 0, qPrintable(late.err));
        QVERIFY2(late.out.contains(QLatin1String("value = 41  [int]\n")), qPrintable(late.out));
    }

    void batchIsQuietAndSaysWhatItCannotDo()
    {
        // The demo with the built-in printers: the values on the terminal,
        // the diagnostics in the log file of the cache folder.
        const QString home = m_home.filePath(QStringLiteral("quiet"));
        const HostRun demo = runHost({QStringLiteral("--batch")}, home);
        QVERIFY2(demo.exitCode == 0, qPrintable(demo.err));
        QVERIFY2(demo.out.contains(QLatin1String("greeting = \"Hello, Korvan\"  [QString]")), qPrintable(demo.out));
        QVERIFY2(demo.err.count(QLatin1Char('\n')) <= 3, qPrintable(demo.err.left(2000)));
        const QString logPath = home + QStringLiteral("/cache/korvan-host/korvan-host.log");
        QByteArray written = readAll(logPath);
        QVERIFY(written.contains("Python start line commonCode: 0"));
        // What a user reads: neither the printers' source nor the plug-in's
        // start-up steps.
        for (const char *unasked : {"def qdump__", "A: debugger window"})
            QVERIFY2(!written.contains(unasked), unasked);
        QVERIFY2(written.count('\n') < 60, written.left(4000).constData());
        // --verbose adds the plug-in's own diagnostics; debug mode the
        // listing of the printers its reports point into.
        QVERIFY(runHost({QStringLiteral("--batch"), QStringLiteral("--verbose")}, home).exitCode == 0);
        written = readAll(logPath);
        QVERIFY(written.contains("A: debugger window found"));
        QVERIFY(!written.contains("def qdump__"));
        QSettings(home + QStringLiteral("/KorvanHost/Host.ini"), QSettings::IniFormat)
            .setValue(KorvanDebugger::Configuration::Key::debugEnabledSetting, int(Qt::Checked));
        QVERIFY(runHost({QStringLiteral("--batch")}, home).exitCode == 0);
        written = readAll(logPath);
        QVERIFY(written.contains("def qdump__"));
        QVERIFY(!written.contains("A: debugger window"));

        const HostRun badBreak = runHost({QStringLiteral("--batch"), QStringLiteral("--break"),
                                          QStringLiteral("nosuchfunction"), m_fixture.program()},
                                         m_home.path());
        QCOMPARE(badBreak.exitCode, 1);
        QVERIFY2(badBreak.err.contains(
                     QLatin1String("no breakpoint at nosuchfunction: Function \"nosuchfunction\" not defined.")),
                 qPrintable(badBreak.err));

        QTemporaryDir empty;
        const HostRun noPlugin = runHost({QStringLiteral("--batch"), QStringLiteral("--plugin-path"), empty.path(),
                                          m_fixture.program()},
                                         m_home.path());
        QVERIFY2(noPlugin.err.contains(QStringLiteral("No plug-in was loaded from %1.").arg(empty.path())),
                 qPrintable(noPlugin.err));
        QVERIFY(processesMentioning(m_fixture.program()).isEmpty());
    }

    void batchFailsClearlyWhenNothingCanStart()
    {
        const HostRun missing = runHost({QStringLiteral("--batch"), m_fixture.dir() + QStringLiteral("/missing")},
                                        m_home.path());
        QCOMPARE(missing.exitCode, 1);
        QVERIFY2(missing.err.contains(QLatin1String("does not exist")), qPrintable(missing.err));

        const HostRun noGdb = runHost({QStringLiteral("--batch"), QStringLiteral("--gdb"),
                                       m_fixture.dir() + QStringLiteral("/no-gdb"), m_fixture.program()},
                                      m_home.path());
        QCOMPARE(noGdb.exitCode, 1);
        QVERIFY2(noGdb.err.contains(QLatin1String("GDB could not be started")), qPrintable(noGdb.err));

        // QTC_DEBUGGER_PATH names the debugger to run; --gdb wins over it.
        const QString noUndoDb = m_fixture.dir() + QStringLiteral("/bin/undodb-gdb");
        const HostRun fromEnvironment = runHost({QStringLiteral("--batch"), m_fixture.program()}, m_home.path(),
                                                QString(), noUndoDb);
        QCOMPARE(fromEnvironment.exitCode, 1);
        QVERIFY2(fromEnvironment.err.contains(QStringLiteral("GDB could not be started (\"%1\")").arg(noUndoDb)),
                 qPrintable(fromEnvironment.err));
        // Stopped where the fixture has set its values: what main's first
        // line would show is whatever the stack held before.
        const QString setLine = QStringLiteral("hostprogram.cpp:%1").arg(HostFixture::lineOf(QStringLiteral("after twice")));
        const HostRun optionWins = runHost({QStringLiteral("--batch"), QStringLiteral("--gdb"), QStringLiteral("gdb"),
                                            QStringLiteral("--break"), setLine, m_fixture.program()},
                                           m_home.path(), QString(), noUndoDb);
        QCOMPARE(optionWins.exitCode, 0);
        // The reverse-debugging front end runs like any GDB.
        const HostRun undoDb = runHost({QStringLiteral("--batch"), QStringLiteral("--break"), setLine,
                                        m_fixture.program()},
                                       m_home.path(), QString(), QStringLiteral(UNDODB_GDB));
        QCOMPARE(undoDb.exitCode, 0);
        const QRegularExpression word(QStringLiteral("^word = .+  \\[std::string\\]$"),
                                      QRegularExpression::MultilineOption);
        for (const HostRun *run : {&optionWins, &undoDb}) {
            for (const char *line : {"counter = 82  [int]\n", "argc = 1  [int]\n"})
                QVERIFY2(run->out.contains(QLatin1String(line)), qPrintable(run->out + run->err));
            QVERIFY2(word.match(run->out).hasMatch(), qPrintable(run->out));
        }

        // A source file of this run's own, so that only this test's processes
        // can name it (others may run the same test meanwhile); it may run,
        // but it is no program: GDB refuses to load it.
        const QString source = m_fixture.dir() + QStringLiteral("/notaprogram.cpp");
        QVERIFY(QFile::copy(HostFixture::source(), source));
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const HostRun notAProgram = runHost({QStringLiteral("--batch"), source}, m_home.path());
        QCOMPARE(notAProgram.exitCode, 1);
        QVERIFY2(notAProgram.err.contains(QLatin1String("could not be")), qPrintable(notAProgram.err));

        // Named but not runnable: said at once, in both modes, before any
        // window or GDB.
        const QString notExecutable = m_fixture.dir() + QStringLiteral("/not-executable");
        QVERIFY(QFile::copy(m_fixture.program(), notExecutable) || QFile::exists(notExecutable));
        QVERIFY(QFile::setPermissions(notExecutable, QFile::ReadOwner | QFile::WriteOwner));
        const struct
        {
            QString program;
            const char *reason;
        } unrunnable[] = {{QString(), "No program was given: the program name is empty."},
                          {notExecutable, "cannot be run: permission denied (it is not executable)."},
                          {m_fixture.dir(), "is a folder, not a program."},
                          {m_fixture.dir() + QStringLiteral("/missing"), "does not exist."}};
        for (const auto &program : unrunnable) {
            for (const bool batch : {true, false}) {
                QStringList arguments{program.program};
                if (batch)
                    arguments.prepend(QStringLiteral("--batch"));
                const HostRun run = runHost(arguments, m_home.path(), QString(), QString(), {}, 0,
                                            batch ? QString() : QStringLiteral("offscreen"));
                QCOMPARE(run.exitCode, 1);
                QVERIFY2(run.err.contains(QLatin1String(program.reason)), qPrintable(run.err));
                QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
            }
        }

        const HostRun badOption = runHost({QStringLiteral("--batch"), QStringLiteral("--depth"), QStringLiteral("x")},
                                          m_home.path());
        QCOMPARE(badOption.exitCode, 2);
        QVERIFY(badOption.err.contains(QLatin1String("--depth needs a positive number")));
        // No GDB of these runs is left over.
        QVERIFY(processesMentioning(source).isEmpty());
    }

    void exitEndsTheProgramWithGraphWindowsOpen()
    {
        // The window on the offscreen platform, driven from the inside by a
        // plug-in of the test (a graph window from the watch view, the
        // stack analysis, File > Exit) loaded beside the real plug-in.
        QTemporaryDir plugins;
        QVERIFY(plugins.isValid());
        for (const char *library : {KORVAN_PLUGIN_FILE, KORVAN_EXIT_DRIVER})
            QVERIFY(QFile::link(QLatin1String(library), plugins.filePath(QFileInfo(QLatin1String(library)).fileName())));
        const QString shots = qEnvironmentVariable("KORVAN_SHOTS_DIR", m_home.filePath(QStringLiteral("shots")));
        QVERIFY(QDir().mkpath(shots));
        const QString configHome = m_home.filePath(QStringLiteral("exit"));
        QProcess host;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), configHome + QStringLiteral("/cache"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("KORVAN_DRIVER_SHOTS"), shots);
        environment.remove(QStringLiteral("QTC_DEBUGGER_PATH"));
        host.setProcessEnvironment(environment);
        QString driven;
        QElapsedTimer sinceExit;
        connect(&host, &QProcess::readyReadStandardError, this, [&] {
            driven += QString::fromLocal8Bit(host.readAllStandardError());
            if (!sinceExit.isValid() && driven.contains(QLatin1String("korvan-driver: exit (E&xit)\n")))
                sinceExit.start();
        });
        host.start(QStringLiteral(KORVAN_HOST_PROGRAM), {QStringLiteral("--plugin-path"), plugins.path()});
        QVERIFY(host.waitForStarted());
        const bool ended = QTest::qWaitFor([&] { return host.state() == QProcess::NotRunning; }, 180000);
        if (!ended) {
            host.kill();
            host.waitForFinished();
        }
        driven += QString::fromLocal8Bit(host.readAllStandardError());
        QVERIFY2(ended, qPrintable(QStringLiteral("korvan-host still runs:\n") + driven));
        QVERIFY2(driven.contains(QLatin1String("korvan-driver: windows open: \"Module: demo_counter\"")),
                 qPrintable(driven));
        QVERIFY2(driven.contains(QLatin1String("korvan-driver: exit (E&xit)\n")), qPrintable(driven));
        QCOMPARE(host.exitStatus(), QProcess::NormalExit);
        QVERIFY2(host.exitCode() == 0, qPrintable(QStringLiteral("exit code %1:\n%2").arg(host.exitCode()).arg(driven)));
        // GDB is given 5 s to end before it is killed.
        QVERIFY2(sinceExit.elapsed() < 15000, qPrintable(QString::number(sinceExit.elapsed())));
        // Nothing was drawing: no box tells of a cancelled drawing.
        QVERIFY2(!driven.contains(QLatin1String("korvan-driver: box")), qPrintable(driven));
        for (const char *picture : {"module.png", "stackpath.png"})
            QVERIFY(!QImage(QDir(shots).filePath(QLatin1String(picture))).isNull());
    }
};

QTEST_MAIN(TestKorvanHost)
#include "tst_korvanhost.moc"
