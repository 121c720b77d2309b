#include "common/testenvironment.h"

#include <coreplugin/icore.h>
#include "common/unexpecteddialogs.h"

#include <dialogs/dialogs.h>

#include <QSignalSpy>
#include <QtTest>

class TestHost : public QObject
{
    Q_OBJECT

private slots:
    void unscriptedDialogsFailTheTest()
    {
        // Every test starts with the presenter that fails on any box.
        QVERIFY(dynamic_cast<UnexpectedDialogs *>(Host::dialogPresenter()));
        {
            Host::ScriptedDialogs scripted;
            QCOMPARE(Host::dialogPresenter(), &scripted);
        }
        QVERIFY(dynamic_cast<UnexpectedDialogs *>(Host::dialogPresenter()));
    }

    void scriptedDialogsRecordAndAnswer()
    {
        Host::DialogPresenter *original = Host::dialogPresenter();
        {
            Host::ScriptedDialogs outer;
            {
                Host::ScriptedDialogs inner;
                QCOMPARE(Host::dialogPresenter(), &inner);
                inner.buttonAnswers << QMessageBox::No;
                inner.fileAnswers << QStringLiteral("/tmp/a.conf");
                QCOMPARE(Host::question(nullptr, "T", "Sure?"), QMessageBox::No);
                // Unscripted: the default button, else Ok, else the lowest button.
                QCOMPARE(Host::question(nullptr, "T", "Again?", QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
                         QMessageBox::No);
                QCOMPARE(Host::critical(nullptr, "C", "bad"), QMessageBox::Ok);
                QCOMPARE(Host::warning(nullptr, "W", "hm", QMessageBox::Save | QMessageBox::Cancel),
                         QMessageBox::Save);
                QCOMPARE(Host::getOpenFileName(nullptr, "Open", "/dir", "Conf (*.conf)"), QStringLiteral("/tmp/a.conf"));
                QCOMPARE(Host::getSaveFileName(nullptr, "Save"), QString()); // as if cancelled

                QCOMPARE(inner.messages.size(), 4);
                QCOMPARE(inner.messages.at(2).icon, QMessageBox::Critical);
                QCOMPARE(inner.messages.at(2).title, QStringLiteral("C"));
                QCOMPARE(inner.messages.at(2).text, QStringLiteral("bad"));
                QCOMPARE(inner.fileRequests.size(), 2);
                QCOMPARE(inner.fileRequests.at(0).kind, Host::FileDialogKind::Open);
                QCOMPARE(inner.fileRequests.at(0).filter, QStringLiteral("Conf (*.conf)"));
                QCOMPARE(inner.fileRequests.at(1).kind, Host::FileDialogKind::Save);
                QVERIFY(outer.messages.isEmpty());
            }
            QCOMPARE(Host::dialogPresenter(), &outer);
        }
        QCOMPARE(Host::dialogPresenter(), original);
    }

    void settingsLiveWhereTheTestSaysAndPersist()
    {
        TestEnvironment env;
        QVERIFY(Core::ICore::settingsFile().startsWith(env.path()));
        Core::ICore::settings()->setValue(QStringLiteral("Group/Key"), 42);
        QSignalSpy saved(Core::ICore::instance(), &Core::ICore::saveSettingsRequested);
        Core::ICore::saveSettings();
        QCOMPARE(saved.count(), 1);
        QSettings reread(Core::ICore::settingsFile(), QSettings::IniFormat);
        QCOMPARE(reread.value(QStringLiteral("Group/Key")).toInt(), 42);

        QSignalSpy requested(Core::ICore::instance(), &Core::ICore::optionsDialogRequested);
        QVERIFY(Core::ICore::showOptionsDialog("ZZ.Page"));
        QCOMPARE(requested.count(), 1);
        QCOMPARE(Core::ICore::lastOptionsPageRequested(), QByteArray("ZZ.Page"));
    }
};

QTEST_MAIN(TestHost)
#include "tst_host.moc"
