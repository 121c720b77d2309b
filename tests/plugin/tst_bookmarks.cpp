// Entries of the bookmark box (validation, order, the commands they send,
// the typed-entry detection through a real combo box) and the choice of
// reverse command and debugger.

#include "plugin/bookmarks.h"
#include "plugin/reverse.h"
#include "protocol/debuggerresponse.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace KorvanDebugger::Internal;
using Debugger::Internal::DebuggerResponse;

Q_DECLARE_METATYPE(QValidator::State)
Q_DECLARE_METATYPE(KorvanDebugger::Internal::BookmarkAction)

class TestBookmarks : public QObject
{
    Q_OBJECT

private slots:
    void validation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QValidator::State>("state");
        const auto row = [](const char *text, QValidator::State state) {
            QTest::newRow(*text ? text : "empty") << QString::fromUtf8(text) << state;
        };
        for (const char *ok : {"abc", "_", "Mark_two", "1s", "7ps", "2ms", "5ns", "+3s", "-5ns", "10ps"})
            row(ok, QValidator::Acceptable);
        for (const char *bad : {"0s", "05ns", "0", "$x", " abc", "%"})
            row(bad, QValidator::Invalid);
        for (const char *partial : {"", "1 s", "1us", "a1", "+", "-", "12", "12x", "abc def", "3m", "+4n", "1", "-0s", "+05ps"})
            row(partial, QValidator::Intermediate);
        // 64 bits hold 9223372036854775807: such times cannot be sent.
        row("9223372036s", QValidator::Acceptable);
        row("9223372037s", QValidator::Intermediate);
        row("9223372036854776ns", QValidator::Intermediate);
        row("9223372036854775807ps", QValidator::Acceptable);
        row("9223372036854775808ps", QValidator::Intermediate);
        row("-9223372037s", QValidator::Intermediate);
    }

    void validation()
    {
        QFETCH(QString, text);
        QFETCH(QValidator::State, state);
        BookmarkValidator validator;
        for (int pos : {0, text.size()}) {
            QString edited = text;
            QCOMPARE(validator.validate(edited, pos), state);
            QCOMPARE(edited, text);
        }
    }

    void order()
    {
        QStringList entries{QStringLiteral("Record Mode"), QStringLiteral("zeta"), QStringLiteral("alpha"),
                            QStringLiteral("5ns"), QStringLiteral("1s"), QStringLiteral("-2ms"),
                            QStringLiteral("+1ns")};
        std::sort(entries.begin(), entries.end(), bookmarkLessThan);
        QCOMPARE(entries, QStringList({"-2ms", "+1ns", "5ns", "1s", "alpha", "zeta", "Record Mode"}));

        // Counts, not texts: 1ms and 1000ns are the same position.
        QVERIFY(!bookmarkLessThan(QStringLiteral("1000ns"), QStringLiteral("1ms")));
        QVERIFY(!bookmarkLessThan(QStringLiteral("1ms"), QStringLiteral("1000ns")));
        QVERIFY(bookmarkLessThan(QStringLiteral("999ns"), QStringLiteral("1ms")));
        QVERIFY(bookmarkLessThan(QStringLiteral("9ps"), QStringLiteral("10ps")));
        QVERIFY(bookmarkLessThan(QStringLiteral("-3s"), QStringLiteral("-2s")));
        QVERIFY(bookmarkLessThan(QStringLiteral("+1ps"), QStringLiteral("1ps")));
        QVERIFY(bookmarkLessThan(QStringLiteral("Zeta"), QStringLiteral("alpha"))); // code units
        QVERIFY(bookmarkLessThan(QStringLiteral("_a"), QStringLiteral("a")) == (QChar('_') < QChar('a')));
        QVERIFY(!bookmarkLessThan(QStringLiteral("Record Mode"), QStringLiteral("other entry")));
        QVERIFY(!bookmarkLessThan(QStringLiteral("other entry"), QStringLiteral("Record Mode")));
        QVERIFY(!bookmarkLessThan(QStringLiteral("abc"), QStringLiteral("abc")));
    }

    void commands_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("newlyAdded");
        QTest::addColumn<BookmarkAction>("action");
        QTest::addColumn<QString>("text");
        QTest::newRow("typed name") << "abc" << true << BookmarkAction::SetBookmark << "undodb-set-bookmark abc";
        QTest::newRow("chosen name") << "abc" << false << BookmarkAction::GotoBookmark << "undodb-goto-bookmark abc";
        QTest::newRow("ms") << "2ms" << true << BookmarkAction::GotoTime << "undodb-goto-n 2000000";
        QTest::newRow("s forward") << "+3s" << false << BookmarkAction::GotoTime << "undodb-goto-n +3000000000";
        QTest::newRow("ps") << "7ps" << false << BookmarkAction::GotoTime << "undodb-goto-n 7";
        QTest::newRow("ns back") << "-5ns" << true << BookmarkAction::GotoTime << "undodb-goto-n -5000";
        QTest::newRow("big s") << "9000000000s" << false << BookmarkAction::GotoTime
                               << "undodb-goto-n 9000000000000000000";
        QTest::newRow("record mode") << "Record Mode" << false << BookmarkAction::RecordMode
                                     << "undodb-goto-record-mode";
        QTest::newRow("too big") << "9223372037s" << true << BookmarkAction::None << QString();
        QTest::newRow("too far back") << "-99999999999999999999ps" << false << BookmarkAction::None << QString();
    }

    void commands()
    {
        QFETCH(QString, entry);
        QFETCH(bool, newlyAdded);
        const BookmarkCommand command = bookmarkCommand(entry, newlyAdded);
        QTEST(command.action, "action");
        QTEST(command.text, "text");
    }

    void creationError()
    {
        DebuggerResponse response;
        response.resultClass = Debugger::Internal::ResultDone;
        QVERIFY(bookmarkCreationError(response).isEmpty());
        response.resultClass = Debugger::Internal::ResultError;
        response.data.fromStringMultiple("msg=\"The program is not being run.\\000ignored\"");
        QCOMPARE(bookmarkCreationError(response), QStringLiteral("Cannot create Bookmark:\nThe program is not being run."));
        QCOMPARE(bookmarkCreationErrorTitle(), QStringLiteral("Bookmark Creation Error"));
        response.resultClass = Debugger::Internal::ResultUnknown;
        response.data = {};
        QCOMPARE(bookmarkCreationError(response), QStringLiteral("Cannot create Bookmark:\n"));
    }

    void modelSortsAndFindsTheAddedEntry()
    {
        BookmarkModel model;
        QCOMPARE(model.stringList(), QStringList{"Record Mode"});
        QCOMPARE(model.knownEntries, QStringList{"Record Mode"});
        QVERIFY(model.addedEntry.isEmpty());

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setStringList({"zeta", "alpha", "Record Mode", "-2ms", "1s"});
        model.knownEntries = QStringList{"Record Mode", "zeta", "1s"};
        model.sort();
        QCOMPARE(model.stringList(), QStringList({"-2ms", "1s", "alpha", "zeta", "Record Mode"}));
        QCOMPARE(model.addedEntry, QStringLiteral("-2ms")); // the first new one in sorted order
        QCOMPARE(model.knownEntries, model.stringList());
        QCOMPARE(changed.count(), 0);
        model.sort();
        QVERIFY(model.addedEntry.isEmpty());
        QCOMPARE(model.stringList(), QStringList({"-2ms", "1s", "alpha", "zeta", "Record Mode"}));
    }

    // The box as the tool bar sets it up: typing puts the entry at the top
    // and the sort moves it into place; the sort tells typed from chosen.
    void comboBoxTyping()
    {
        QComboBox combo;
        combo.setEditable(true);
        auto model = new BookmarkModel(&combo);
        connect(model, &QAbstractItemModel::dataChanged, model, qOverload<>(&BookmarkModel::sort));
        combo.setModel(model);
        BookmarkValidator validator;
        combo.setValidator(&validator);
        combo.setInsertPolicy(QComboBox::InsertAtTop);
        QObject::disconnect(combo.lineEdit(), SIGNAL(editingFinished()), &combo, nullptr);
        QStringList activated;
        connect(&combo, &QComboBox::textActivated, this, [&](const QString &text) {
            activated << text + QLatin1Char('|') + model->addedEntry;
            model->addedEntry.clear();
        });

        // Qt activates an editable box more than once per return (the line
        // edit's returnPressed and the box's own key handling); only the
        // first activation finds the typed entry as new.
        const auto type = [&](const QString &text) {
            activated.clear();
            combo.lineEdit()->clear();
            QTest::keyClicks(combo.lineEdit(), text);
            QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
            return activated.value(0);
        };
        QCOMPARE(type(QStringLiteral("beta")), QStringLiteral("beta|beta"));
        QVERIFY(activated.size() > 1);
        for (const QString &again : activated.mid(1))
            QCOMPARE(again, QStringLiteral("beta|"));
        QCOMPARE(type(QStringLiteral("5ns")), QStringLiteral("5ns|5ns"));
        QCOMPARE(type(QStringLiteral("0")), QString()); // refused by the validator: nothing to activate
        QCOMPARE(type(QStringLiteral("12")), QString()); // not acceptable: return does nothing
        QCOMPARE(type(QStringLiteral("beta")), QStringLiteral("beta|")); // known: goes to the bookmark
        QCOMPARE(model->stringList(), QStringList({"5ns", "beta", "Record Mode"}));
        QCOMPARE(model->knownEntries, model->stringList());
    }

    void reverseCommands()
    {
        QCOMPARE(reverseCommand(ReverseMove::Continue, false), "reverse-continue");
        QCOMPARE(reverseCommand(ReverseMove::Continue, true), "reverse-continue");
        QCOMPARE(reverseCommand(ReverseMove::StepOver, false), "reverse-next");
        QCOMPARE(reverseCommand(ReverseMove::StepOver, true), "reverse-nexti");
        QCOMPARE(reverseCommand(ReverseMove::StepIn, false), "reverse-step");
        QCOMPARE(reverseCommand(ReverseMove::StepIn, true), "reverse-stepi");
        QCOMPARE(reverseCommand(ReverseMove::StepOut, false), "reverse-finish");
        QCOMPARE(reverseCommand(ReverseMove::StepOut, true), "reverse-finish");
    }

    void undoDbDetection()
    {
        QVERIFY(isUndoDbPath(QStringLiteral("/opt/undodb/undodb-gdb")));
        QVERIFY(isUndoDbPath(QStringLiteral("undodb-gdb")));
        QVERIFY(!isUndoDbPath(QStringLiteral("/opt/undodb/undodb-gdb.exe")));
        QVERIFY(!isUndoDbPath(QStringLiteral("/opt/undodb-gdb/gdb")));
        QVERIFY(!isUndoDbPath(QStringLiteral("/opt/UndoDB-GDB")));
        QVERIFY(!isUndoDbPath(QString()));

        const QString gdb = QStringLiteral("/usr/bin/gdb");
        const QString undo = QStringLiteral("/opt/undodb/undodb-gdb");
        QCOMPARE(debuggerPathForDetection(QByteArray("/x/undodb-gdb"), gdb), QStringLiteral("/x/undodb-gdb"));
        QCOMPARE(debuggerPathForDetection(QByteArray(), undo), undo);
        QCOMPARE(debuggerPathForDetection(QByteArray("/x/undodb-gdb\0tail", 17), gdb), QStringLiteral("/x/undodb-gdb"));
        QCOMPARE(debuggerPathForDetection(QByteArray("\0/x/undodb-gdb", 14), gdb), gdb);

        const QByteArray saved = qgetenv("QTC_DEBUGGER_PATH");
        qputenv("QTC_DEBUGGER_PATH", "/opt/undodb/undodb-gdb");
        QVERIFY(debuggerIsUndoDb(gdb)); // the environment wins over the engine
        qputenv("QTC_DEBUGGER_PATH", "/usr/bin/gdb");
        QVERIFY(!debuggerIsUndoDb(undo));
        qunsetenv("QTC_DEBUGGER_PATH");
        QVERIFY(debuggerIsUndoDb(undo)); // read anew on every call
        QVERIFY(!debuggerIsUndoDb(undo + QStringLiteral(".sh")));
        QVERIFY(!debuggerIsUndoDb(QString())); // no engine
        if (!saved.isNull())
            qputenv("QTC_DEBUGGER_PATH", saved);
    }
};

QTEST_MAIN(TestBookmarks)
#include "tst_bookmarks.moc"
