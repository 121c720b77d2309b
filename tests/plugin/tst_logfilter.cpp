// The debugger-log filter on a real log view: what it removes, what it
// reads (type definitions, error reports) and what it leaves alone, also
// when the log grows in several appends.

#include "common/testenvironment.h"
#include "configuration/pythoncode.h"
#include "plugin/logfilter.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace KorvanDebugger;
using namespace KorvanDebugger::Internal;
using Configuration::PythonError;

namespace {

QStringList report(const QString &api, const QString &prefix = QStringLiteral("&"))
{
    QStringList lines;
    for (const QString &entry : QStringList{QStringLiteral("API:") + api, QStringLiteral("VAR:1"), QStringLiteral("VARTYPE:int"),
                                 QStringLiteral("VAR*:"), QStringLiteral("ERRORTYPE:<class 'KeyError'>"),
                                 QStringLiteral("ERRORDESC:bad")})
        lines << prefix + QStringLiteral("XXX: KORVANDEBUG") + entry;
    return lines;
}

} // namespace

class TestLogFilter : public QObject
{
    Q_OBJECT
private:
    QMap<QString, QString> m_typedefs;
    QList<PythonError> m_shown;

    // A fresh view watched by a fresh filter; lines are set in one change.
    struct Log
    {
        QPlainTextEdit view;
        LogFilter filter;
        QSignalSpy changed;
        Log(TestLogFilter *test)
            : filter(&test->m_typedefs)
            , changed(&filter, &LogFilter::typedefMapChanged)
        {
            test->m_typedefs.clear();
            test->m_shown.clear();
            filter.watch(&view);
            QObject::connect(&filter, &LogFilter::pythonErrorReported, test,
                             [test](const PythonError &error) { test->m_shown.append(error); });
        }
        void append(const QStringList &lines) { view.appendPlainText(lines.join(QLatin1Char('\n'))); }
        QStringList lines() const { return view.toPlainText().split(QLatin1Char('\n')); }
    };

private slots:
    void echoOfThePrivateBlockGoes()
    {
        Log log(this);
        log.append({"before", ">python", ">#PRIVATESTART", ">def f():", ">  pass", ">#PRIVATEEND", ">end", "after"});
        QCOMPARE(log.lines(), (QStringList{"before", ">python", ">end", "after"}));
        // A block still being written stays until its end arrives.
        log.append({">#PRIVATESTART", ">x = 1"});
        QCOMPARE(log.lines().size(), 6);
        log.append({">#PRIVATEEND", "tail"});
        QCOMPARE(log.lines(), (QStringList{"before", ">python", ">end", "after", "tail"}));
        // A cleared log is scanned from its start again.
        log.view.clear();
        log.append({">#PRIVATESTART", ">#PRIVATEEND", "again"});
        QCOMPARE(log.lines(), (QStringList{"again"}));
    }

    void promptEchoRuns()
    {
        Log log(this);
        log.append({"a", ">~\">\"", ">~\"\\n\"", ">~\">\"", "<~\"XXX: KORVANDEBUGAPI:x\"", "<~\"XXX: KORVANDEBUGVAR:y\"",
                    "XXX: KORVANTYPEDEF;T;int;", "b"});
        // the ordinary line after the run is examined again: here it is a
        // raw report run, then a type definition
        QCOMPARE(log.lines(), (QStringList{"a", "b"}));
        QCOMPARE(m_typedefs.value("T"), QStringLiteral("int"));
    }

    void typedefMap()
    {
        Log log(this);
        log.append({"XXX: KORVANTYPEDEF;Id;unsigned int;", "&XXX: KORVANTYPEDEF;Id;unsigned int;", "x"});
        QCOMPARE(m_typedefs, (QMap<QString, QString>{{"Id", "unsigned int"}}));
        QCOMPARE(log.changed.count(), 1);
        QCOMPARE(log.lines(), (QStringList{"x"}));
        log.append({"&XXX: KORVANTYPEDEF;Id;long;", "&XXX: KORVANTYPEDEF;short", "<~\"XXX: KORVANTYPEDEF;Id;char;\"", "y"});
        QCOMPARE(m_typedefs.value("Id"), QStringLiteral("long")); // the raw form is removed unread
        QCOMPARE(log.changed.count(), 2);
        QCOMPARE(log.lines(), (QStringList{"x", "y"}));

        // As the last line it is read at once and removed once a line follows.
        log.append({"&XXX: KORVANTYPEDEF;Size;unsigned long;"});
        QCOMPARE(m_typedefs.value("Size"), QStringLiteral("unsigned long"));
        QCOMPARE(log.changed.count(), 3);
        QCOMPARE(log.lines().last(), QStringLiteral("&XXX: KORVANTYPEDEF;Size;unsigned long;"));
        log.append({"z"});
        QCOMPARE(log.lines(), (QStringList{"x", "y", "z"}));
        QCOMPARE(log.changed.count(), 3);

        // A new debugger run empties the map, once.
        log.append({"&Starting debugger \"GdbEngine\"", "w"});
        QVERIFY(m_typedefs.isEmpty());
        QCOMPARE(log.lines(), (QStringList{"x", "y", "z", "&Starting Debugger \"GdbEngine\"", "w"}));
        m_typedefs.insert("kept", "int");
        log.append({"v"});
        QCOMPARE(m_typedefs.size(), 1);
    }

    void errorReports()
    {
        Log log(this);
        // Three complete reports in one change: the first is shown, each is
        // cut at its own last line.
        log.append(QStringList{"a"} + report("classes.G.First") + QStringList{"b"} + report("classes.G.Second")
                   + report("classes.G.Third") + QStringList{"c"});
        QCOMPARE(log.lines(), (QStringList{"a", "b", "c"}));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().api, (QStringList{"classes", "G", "First"}));
        QCOMPARE(m_shown.first().errorDesc, QStringLiteral("bad"));

        // A report that ends the log goes whole, so its last line cannot
        // start a report of its own; one still being written stays; the
        // junk text is passed over.
        log.append(report("classes.G.Fourth"));
        QCOMPARE(log.lines(), (QStringList{"a", "b", "c"}));
        QCOMPARE(m_shown.size(), 2);
        QStringList half = report("classes.H.Late");
        log.append(half.mid(0, 2));
        QCOMPARE(log.lines().size(), 5);
        log.append({QStringLiteral("DISCARDING JUNK AT BEGIN OF RESPONSE:") + half.at(2)});
        log.append(half.mid(3));
        QCOMPARE(log.lines(), (QStringList{"a", "b", "c"}));
        QCOMPARE(m_shown.size(), 3);
        QCOMPARE(m_shown.last().api, (QStringList{"classes", "H", "Late"}));

        // The junk text after a direction character, alone and after a
        // leading one, is passed over the same way.
        const QString junk = QStringLiteral("DISCARDING JUNK AT BEGIN OF RESPONSE:");
        QStringList directed = report("classes.H.Directed");
        log.append(directed.mid(0, 1));
        log.append({QLatin1Char('<') + junk + directed.at(1)});
        log.append({junk + QLatin1Char('<') + junk + directed.at(2)});
        log.append(directed.mid(3));
        QCOMPARE(log.lines(), (QStringList{"a", "b", "c"}));
        QCOMPARE(m_shown.size(), 4);
        QCOMPARE(m_shown.last().api, (QStringList{"classes", "H", "Directed"}));
    }

    void reportsAfterTheShownOne()
    {
        // Reports after the first of a scan are not shown, yet each starts
        // from an empty record: a third one still being written stays whole
        // and is read whole once complete.
        Log log(this);
        const QStringList third = report("classes.G.Third");
        log.append(report("classes.G.First") + report("classes.G.Second") + third.mid(0, 3));
        QCOMPARE(log.lines(), third.mid(0, 3));
        QCOMPARE(m_shown.size(), 1);
        log.append(third.mid(3) + QStringList{"next"});
        QCOMPARE(log.lines(), QStringList{"next"});
        QCOMPARE(m_shown.size(), 2);
        QCOMPARE(m_shown.last().api, (QStringList{"classes", "G", "Third"}));
    }

    void showClearsTheRecord()
    {
        QMap<QString, QString> typedefs;
        LogFilter filter(&typedefs);
        QSignalSpy shown(&filter, &LogFilter::pythonErrorReported);
        PythonError error;
        error.parseLine("API:classes.G.C");
        error.parseLine("LINE:12");
        filter.showPythonError(error);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.first().first().value<PythonError>().api, (QStringList{"classes", "G", "C"}));
        QCOMPARE(error.flags, 0u);
        QVERIFY(error.line.isEmpty());
        QCOMPARE(error.api, (QStringList{"classes", "G", "C"})); // the other fields stay
    }

    void customErrorTarget()
    {
        PythonError error;
        error.parseLine(QStringLiteral("API:") + Configuration::customApiName("main", "v.m_data;x", "Vec") + ".fields.#");
        QVERIFY(error.isCustomApi());
        CustomErrorTarget target;
        QVERIFY(takeCustomErrorTarget(error, &target));
        QCOMPARE(target.api, QStringLiteral("main"));
        QCOMPARE(target.path, QStringLiteral("v.m_data;x"));
        QCOMPARE(target.className, QStringLiteral("Vec"));
        QCOMPARE(error.api, (QStringList{"#"}));

        PythonError everyFunction;
        everyFunction.parseLine(QStringLiteral("API:custom.v;Vec.fields"));
        QVERIFY(!takeCustomErrorTarget(everyFunction, &target));
    }

    void otherLinesStay()
    {
        Log log(this);
        const QStringList lines{"<123-exec-run", ">=thread-group-started", "XXX: something else", "  #PRIVATEEND later",
                                "~\"XXX: KORVANDEBUG\"", ""};
        log.append(lines);
        QCOMPARE(log.lines(), lines);
    }
};

QTEST_MAIN(TestLogFilter)
#include "tst_logfilter.moc"
