#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "editor/configurationwizard.h"
#include "editor/enumfield.h"
#include "editor/enuminput.h"
#include "plugin/korvandebuggerplugin.h"

#include <projectexplorer/kit.h>
#include <qtsupport/qtkitinformation.h>
#include <QJsonArray>
#include <QtTest>

using namespace KorvanDebugger::Configuration;
using Wizard = ConfigurationWizard;

namespace {

constexpr int Class = 14;

// The built-in definition of a class, by its type name.
QJsonObject builtInClass(const QString &type)
{
    QJsonObject document;
    if (!parseConfiguration(document,
                            KorvanDebugger::Internal::KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf")))
        return QJsonObject();
    for (const QJsonValue &entry : document.value(Key::classes).toArray()) {
        if (entry.toObject().value(Key::className).toObject().value(Key::TemplateType).toString() == type)
            return entry.toObject();
    }
    return QJsonObject();
}

// The computed table of the class being edited, its groups joined by blanks.
QString enums(const Wizard &wizard)
{
    QStringList groups;
    for (const QJsonValue &group :
         wizard.value().toObject().value(Key::enumeration).toObject().value(Key::enums).toArray())
        groups.append(group.toString());
    return groups.join(' ');
}

} // namespace

// A built-in enumeration stored without a table (only the older computed
// form, which is not read) gets its values from its definition once loaded
// into the wizard.
class tst_WizardEnumeration : public QObject
{
    Q_OBJECT

private slots:
    // The wizard's editors are made (and parse) before the host knows its
    // kits: the Qt headers of the kit that comes later are used then.
    void kitAfterTheEditors()
    {
        QVERIFY(ProjectExplorer::KitManager::kits().isEmpty());
        Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
        wizard.show();
        wizard.setValue(QJsonObject{{Key::tmp, builtInClass("Qt::UIEffect")}}, true);
        QTest::qWait(500);
        ProjectExplorer::KitManager::restoreKits();
        QVERIFY(QtSupport::QtKitInformation::qtVersion(ProjectExplorer::KitManager::defaultKit()));
        QTRY_VERIFY_WITH_TIMEOUT(wizard.enumerationRow(Class)->isValid() && !enums(wizard).isEmpty(), 60000);
        QVERIFY2(enums(wizard).contains("::Qt::UI_AnimateToolBox"), qPrintable(enums(wizard)));
    }

    void builtInEnumerationIsComputed()
    {
        const QJsonObject definition = builtInClass("Qt::UIEffect");
        QVERIFY(!definition.isEmpty());
        QVERIFY(!definition.value(Key::enumeration).toObject().contains(Key::enums));

        Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
        wizard.show();
        // Another enumeration loaded first is replaced while it computes.
        wizard.setValue(QJsonObject{{Key::tmp, builtInClass("QEvent::Type")}}, true);
        wizard.setValue(QJsonObject{{Key::tmp, definition}}, true);
        EnumField *row = wizard.enumerationRow(Class);
        QVERIFY(row);
        QVERIFY(!row->isValid());
        QTRY_VERIFY_WITH_TIMEOUT(row->isValid() && !enums(wizard).isEmpty(), 60000);
        QCOMPARE(enums(wizard),
                 QString("{ 0x0;::Qt::UI_General } { 0x1;::Qt::UI_AnimateMenu,0x2;::Qt::UI_FadeMenu,"
                         "0x3;::Qt::UI_AnimateCombo,0x4;::Qt::UI_AnimateTooltip,0x5;::Qt::UI_FadeTooltip,"
                         "0x6;::Qt::UI_AnimateToolBox }"));
        QCOMPARE(wizard.value().toObject().value(Key::enumeration).toObject().value(Key::definition).toString(),
                 QString("#include <Qt>\nQt::UIEffect f;"));
    }
};

QTEST_MAIN(tst_WizardEnumeration)
#include "tst_wizardenumeration.moc"
