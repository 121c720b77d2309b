#include "common/fileaccess.h"
#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/keys.h"

#include <dialogs/dialogs.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>

using namespace KorvanDebugger::Configuration;

namespace {

const QString loaderTitle = QStringLiteral("Korvan Configuration loader.");
const QString writeTitle = QStringLiteral("Korvan Configuration write.");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QJsonObject sampleDocument()
{
    QJsonObject field{{QStringLiteral("type"), QStringLiteral("Standard")},
                      {QStringLiteral("displayedName"), QStringLiteral("size")},
                      {QStringLiteral("tip"), QStringLiteral("kept although nobody reads it")}};
    QJsonObject cls{{QStringLiteral("className"), QJsonObject{{QStringLiteral("TemplateType"), QStringLiteral("QList")}}},
                    {QStringLiteral("group"), QStringLiteral("Qt (Common)")},
                    {QStringLiteral("feature"), QStringLiteral("Container")},
                    {QStringLiteral("fields"), QJsonArray{field}}};
    return QJsonObject{{QStringLiteral("classes"), QJsonArray{cls}},
                       {QStringLiteral("vendorNote"), QStringLiteral("unknown top-level key")}};
}

// Lowers the file size limit of this process while it lives, so that writes
// beyond it fail with an error instead of a signal.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void versionCheck_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("absent") << QByteArray(R"({"classes":[{}],"x":1})") << true;
        QTest::newRow("one") << QByteArray(R"({"classes":[{}],"configVersion":1,"x":1})") << true;
        QTest::newRow("zero") << QByteArray(R"({"classes":[{}],"configVersion":0,"x":1})") << true;
        QTest::newRow("negative") << QByteArray(R"({"classes":[{}],"configVersion":-3,"x":1})") << true;
        QTest::newRow("text counts as one") << QByteArray(R"({"classes":[{}],"configVersion":"7","x":1})") << true;
        QTest::newRow("fraction counts as one") << QByteArray(R"({"classes":[{}],"configVersion":2.5,"x":1})") << true;
        QTest::newRow("two") << QByteArray(R"({"classes":[{}],"configVersion":2,"x":1})") << false;
    }
    void versionCheck()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, accepted);
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        QJsonObject root{{QStringLiteral("old"), true}};
        QCOMPARE(parseConfiguration(root, json), accepted);
        // Either way the root is the read object; a too-new one loses only its classes.
        QVERIFY(!root.contains(QStringLiteral("old")));
        QCOMPARE(root.value(QStringLiteral("x")).toInt(), 1);
        QCOMPARE(root.contains(Key::classes), accepted);
        if (accepted) {
            QVERIFY(dialogs.messages.isEmpty());
        } else {
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(dialogs.messages.first().icon, QMessageBox::Critical);
            QCOMPARE(dialogs.messages.first().title, loaderTitle);
            QCOMPARE(dialogs.messages.first().text,
                     QStringLiteral("Korvan configuration read error: Invalid File format (version)"));
            QCOMPARE(dialogs.messages.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }

    void unreadableDataLeavesRootAlone_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        // The parser's reason and the place (no file named: the data has none).
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("illegal value (line 1, column 1)");
        QTest::newRow("truncated") << QByteArray(R"({"classes":[)") << QString();
        // Columns count characters, not bytes: "ü" takes two.
        QTest::newRow("after non-ASCII text")
                << QByteArray("{\"a\": 1,\n  \"b\": \"\xc3\xbc\", x }")
                << QStringLiteral("unterminated object (line 2, column 14)");
        QTest::newRow("array document") << QByteArray("[1,2]") << QStringLiteral("the document is not a JSON object");
    }
    void unreadableDataLeavesRootAlone()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        QJsonObject root{{QStringLiteral("old"), true}};
        QVERIFY(!parseConfiguration(root, data));
        QCOMPARE(root, (QJsonObject{{QStringLiteral("old"), true}}));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, loaderTitle);
        QVERIFY(dialogs.messages.first().text.startsWith(QStringLiteral("Korvan configuration read error: ")));
        if (!reason.isEmpty())
            QCOMPARE(dialogs.messages.first().text, QStringLiteral("Korvan configuration read error: ") + reason);
    }

    void deviceThatCannotBeOpenedIsTold()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        QFile missing(env.filePath(QStringLiteral("nowhere/none.conf")));
        QJsonObject root{{QStringLiteral("old"), true}};
        QVERIFY(!readConfiguration(root, missing));
        QCOMPARE(root.size(), 1);
        // The file and the system's reason.
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("Korvan configuration read error: Can't open %1: No such file or directory")
                     .arg(QDir::toNativeSeparators(missing.fileName())));
        dialogs.messages.clear();

        QBuffer buffer;
        buffer.setData(QJsonDocument(sampleDocument()).toJson());
        QVERIFY(readConfiguration(root, buffer));
        QCOMPARE(root, sampleDocument());
    }

    void saveAndLoadRoundTrip()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        QVERIFY(saveConfigurationFile(sampleDocument(), Key::prettyPrintersDocument));
        const QString path = configurationFilePath(Key::prettyPrintersDocument);
        const QByteArray bytes = readAll(path);
        // Indented with four blanks, no version added.
        QVERIFY(bytes.contains("\n    \"classes\": ["));
        QVERIFY(!bytes.contains("configVersion"));

        QJsonObject loaded;
        QVERIFY(loadConfigurationFile(loaded, Key::prettyPrintersDocument));
        QCOMPARE(loaded, sampleDocument());
        QVERIFY(dialogs.messages.isEmpty());
    }

    void documentLocation()
    {
        TestEnvironment env;
        const QString mine = configurationFilePath(Key::prettyPrintersDocument);
        const QString custom = configurationFilePath(Key::customPrettyPrintersDocument);
        QCOMPARE(QFileInfo(mine).absolutePath(), QFileInfo(custom).absolutePath());
        QCOMPARE(QFileInfo(mine).dir().dirName(), QStringLiteral("Debugger"));
        QCOMPARE(QFileInfo(mine).fileName(), QStringLiteral("PrettyPrinters.ini"));
        QCOMPARE(QFileInfo(custom).fileName(), QStringLiteral("CustomPrettyPrinters.ini"));
        QVERIFY(mine.startsWith(env.path()));
        QVERIFY(QFileInfo(mine).dir().exists());
        QVERIFY(QFileInfo(mine).isAbsolute());
    }

    void missingFileIsAnEmptyFirstStart()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        QJsonObject root;
        QVERIFY(!loadConfigurationFile(root, Key::prettyPrintersDocument));
        QVERIFY(root.isEmpty());
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(saveConfigurationFile(QJsonObject{{Key::classes, QJsonArray()}}, Key::prettyPrintersDocument));
        QVERIFY(!QFile::exists(unreadableDocumentBackupPath(configurationFilePath(Key::prettyPrintersDocument))));
    }

    // A file that could not be read is the user's data: the next save keeps it.
    void failedLoadIsNeverSilentlyOverwritten_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::newRow("parse error") << QByteArray("{\"classes\": [ {\"className\": ");
        QTest::newRow("newer version") << QByteArray(R"({"configVersion": 2, "classes": [{"group": "g"}]})");
    }
    void failedLoadIsNeverSilentlyOverwritten()
    {
        QFETCH(QByteArray, original);
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        const QString path = configurationFilePath(Key::prettyPrintersDocument);
        writeFile(path, original);

        QJsonObject root;
        QVERIFY(!loadConfigurationFile(root, Key::prettyPrintersDocument));
        QCOMPARE(dialogs.messages.size(), 1);

        QVERIFY(saveConfigurationFile(root, Key::prettyPrintersDocument));
        QCOMPARE(readAll(unreadableDocumentBackupPath(path)), original);
        QCOMPARE(QJsonDocument::fromJson(readAll(path)).object(), root);

        // Once kept, later saves write normally and keep the copy as it was.
        QVERIFY(saveConfigurationFile(sampleDocument(), Key::prettyPrintersDocument));
        QCOMPARE(readAll(unreadableDocumentBackupPath(path)), original);
        QCOMPARE(QJsonDocument::fromJson(readAll(path)).object(), sampleDocument());
    }

    void saveFailuresAreReported()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        // The document's path taken by a folder: the save file cannot open.
        const QString path = configurationFilePath(Key::customPrettyPrintersDocument);
        QVERIFY(QDir().mkpath(path));
        QVERIFY(!saveConfigurationFile(sampleDocument(), Key::customPrettyPrintersDocument));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, writeTitle);
        QVERIFY(dialogs.messages.first().text.startsWith(QStringLiteral("Korvan configuration save error: ")));
        QVERIFY(QFileInfo(path).isDir());

        // A write that fails on the way (the file size limit) is reported too,
        // and the earlier file stays.
        dialogs.messages.clear();
        QVERIFY(saveConfigurationFile(QJsonObject{{Key::classes, QJsonArray()}}, Key::prettyPrintersDocument));
        const QString good = configurationFilePath(Key::prettyPrintersDocument);
        const QByteArray before = readAll(good);
        QJsonObject big = sampleDocument();
        big.insert(QStringLiteral("padding"), QString(200000, QLatin1Char('x')));
        {
            FileSizeLimit limit(4096);
            QVERIFY(!saveConfigurationFile(big, Key::prettyPrintersDocument));
        }
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().icon, QMessageBox::Critical);
        QCOMPARE(dialogs.messages.first().title, writeTitle);
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("Korvan configuration save error: Can't write document %1: File too large. The "
                                "previous file is kept.")
                     .arg(QDir::toNativeSeparators(good)));
        QCOMPARE(readAll(good), before);
        QCOMPARE(QDir(QFileInfo(good).absolutePath()).entryList(QDir::Files).size(), 1);
    }

    // Every way a save can fail after the document was there keeps that
    // document as it was and says so in a critical box.
    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder not writable") << "read-only folder"
                                             << "Korvan configuration save error: Can't open document %1: Permission denied";
        QTest::newRow("rename refused") << "folder made read-only while writing"
                                        << "Korvan configuration save error: Can't replace document %1: Permission "
                                           "denied. The previous file is kept.";
        QTest::newRow("disk full, buffered") << "file size limit reached before writing"
                                             << "Korvan configuration save error: Can't write document %1: File too "
                                                "large. The previous file is kept.";
        QTest::newRow("disk full") << "file size limit reached while writing"
                                   << "Korvan configuration save error: Can't write document %1: File too large. "
                                      "The previous file is kept.";
    }
    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        const QString folder = env.filePath(QStringLiteral("documents"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = QDir(folder).filePath(QStringLiteral("models.conf"));
        const QByteArray previous = QJsonDocument(sampleDocument()).toJson();
        writeFile(path, previous);
        QJsonObject replacement{{Key::classes, QJsonArray()}};
        replacement.insert(QStringLiteral("padding"), QString(100000, QLatin1Char('x')));

        FileModesEnforced enforced;
        std::optional<ReadOnlyFolder> readOnly;
        std::optional<FileSizeLimit> limit;
        bool ok = true;
        if (failure == QLatin1String("read-only folder")) {
            readOnly.emplace(folder);
            if (!readOnly->isEnforced())
                QSKIP("this process can write into read-only folders");
            QSaveFile file(path);
            ok = writeConfiguration(replacement, file);
        } else if (failure == QLatin1String("folder made read-only while writing")) {
            InterruptedSaveFile file(path, [&] { readOnly.emplace(folder); });
            ok = writeConfiguration(replacement, file);
            if (!readOnly->isEnforced())
                QSKIP("this process can write into read-only folders");
        } else if (failure == QLatin1String("file size limit reached before writing")) {
            // A small document sits in the write buffer until it is flushed.
            limit.emplace(64);
            QSaveFile file(path);
            ok = writeConfiguration(QJsonObject{{Key::classes, QJsonArray{sampleDocument()}}}, file);
        } else {
            InterruptedSaveFile file(path, [&] { limit.emplace(4096); });
            ok = writeConfiguration(replacement, file);
        }
        readOnly.reset();
        limit.reset();

        QVERIFY(!ok);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().icon, QMessageBox::Critical);
        QCOMPARE(dialogs.messages.first().title, writeTitle);
        if (message.contains(QLatin1String("%1")))
            message = message.arg(QDir::toNativeSeparators(path));
        QCOMPARE(dialogs.messages.first().text, message);
        QCOMPARE(readAll(path), previous);
        // No half-written document stands in its place, and no temporary
        // file is left (a refused rename may leave one the folder won't let go).
        QVERIFY(QFileInfo(path).isFile());
        if (!failure.contains(QLatin1String("read-only while writing")))
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("models.conf")});
    }

    // The document's place taken by a folder between opening and committing:
    // the rename fails and is reported; the folder and its content stay.
    void targetTurnedIntoFolder()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        const QString path = env.filePath(QStringLiteral("models.conf"));
        writeFile(path, "{}");
        InterruptedSaveFile file(path, [&] {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkpath(path));
            writeFile(QDir(path).filePath(QStringLiteral("inside")), "kept");
        });
        QVERIFY(!writeConfiguration(sampleDocument(), file));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, writeTitle);
        QVERIFY(dialogs.messages.first().text.startsWith(
            QStringLiteral("Korvan configuration save error: Can't replace document %1: ")
                .arg(QDir::toNativeSeparators(path))));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(readAll(QDir(path).filePath(QStringLiteral("inside"))), QByteArray("kept"));
        // The temporary file is gone.
        QCOMPARE(QDir(env.path()).entryList(QStringList{QStringLiteral("models.conf*")}, QDir::Files), QStringList());
    }

    void groupNames()
    {
        QCOMPARE(displayGroupName(QString()), QStringLiteral("<Default>"));
        QCOMPARE(displayGroupName(QStringLiteral(" Qt ")), QStringLiteral(" Qt "));

        const auto cls = [](const QString &group, const QJsonValue &enable) {
            QJsonObject o{{Key::group, group}};
            if (!enable.isUndefined())
                o.insert(Key::enable, enable);
            return o;
        };
        QJsonObject root{{Key::classes, QJsonArray{cls(QString(), QJsonValue()), cls(QStringLiteral("A"), false),
                                                   cls(QStringLiteral("B"), QJsonValue()),
                                                   cls(QStringLiteral("C"), true), cls(QStringLiteral("B"), true)}}};
        QCOMPARE(classGroupNames(root, false), (QSet<QString>{QStringLiteral("B"), QStringLiteral("C")}));
        QCOMPARE(classGroupNames(root, true),
                 (QSet<QString>{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        QJsonObject onlyDefault{{Key::classes, QJsonArray{cls(QString(), true), cls(QString(), false)}}};
        QVERIFY(classGroupNames(onlyDefault, true).isEmpty());
    }

    void keysAreDistinct()
    {
        QSet<QString> distinct;
        for (const QString *k : Key::all())
            distinct.insert(*k);
        QCOMPARE(distinct.size(), Key::all().size());
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
