#include "common/testenvironment.h"
#include "wizardsupport.h"

#include "configuration/document.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "editor/configurationlist.h"
#include "editor/enumfield.h"
#include "editor/exclusivechoice.h"
#include "editor/generalaccessor.h"
#include "editor/objectwithlink.h"
#include "editor/optionseditors.h"
#include "editor/tipbutton.h"
#include "plugin/korvandebuggerplugin.h"

#include <QGridLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace KorvanDebugger::Configuration;
using namespace WizardSupport;
using Wizard = ConfigurationWizard;

namespace {

constexpr int Field = 9, Boolean = 1, Enumeration = 2, Array = 3, Linked = 4, Options = 10, Naming = 11,
              KeyPage = 12, Class = 14, Custom = 15;

QJsonObject accessor(const QString &field)
{
    return QJsonObject{{Key::accessor, QJsonObject{{Key::Field, field}}}};
}

QJsonObject fieldAccess(const QString &field)
{
    return QJsonObject{{Key::Field, field}};
}

QJsonValue roundTrip(Wizard::OperatingMode mode, const QJsonObject &definition)
{
    Wizard wizard(Key::tmp, mode, nullptr);
    wizard.setValue(QJsonObject{{Key::tmp, definition}}, true);
    return wizard.value();
}

QString text(const QJsonValue &value)
{
    return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
}

// The members on which two definitions differ, as "key: actual / expected".
QString difference(const QJsonObject &actual, const QJsonObject &expected)
{
    QStringList keys = actual.keys() + expected.keys();
    keys.removeDuplicates();
    QString result;
    for (const QString &key : qAsConst(keys)) {
        if (actual.value(key) != expected.value(key))
            result += key + QStringLiteral(": ") + QString::fromUtf8(QJsonDocument(QJsonArray{actual.value(key)}).toJson(QJsonDocument::Compact)).left(300)
                      + QStringLiteral(" / ") + QString::fromUtf8(QJsonDocument(QJsonArray{expected.value(key)}).toJson(QJsonDocument::Compact)).left(300) + QLatin1Char('\n');
    }
    return result;
}

// As the enumeration editor writes it: both texts and the stored table.
QJsonObject enumerationObject()
{
    return QJsonObject{{Key::definition, QStringLiteral("enum Color { Red, Green };")},
                       {Key::prerequisite, QStringLiteral("#include <cstdint>")},
                       {Key::masks, QJsonArray()},
                       {Key::enums, QJsonArray()}};
}

} // namespace

class tst_ConfigurationWizard : public QObject
{
    Q_OBJECT

private slots:
    void pages();
    void startState_data();
    void startState();
    void fieldReactions();
    void classReactions_data();
    void classReactions();
    void customizationReactions();
    void flowPaths_data();
    void flowPaths();
    void historyAndToolTips();
    void completenessGatesButtons();
    void deleteAndCancel();
    void fieldRoundTrip_data();
    void fieldRoundTrip();
    void fieldValueRules();
    void builtInRoundTrip();
    void enableFlag();
    void loadingIsQuiet();
    void otherKinds();
    void itemNames();
    void loadedItemNamesStay();
    void showErrorWalk();
    void help();
    void customizationChoices();
    void generate();

private:
    TestEnvironment m_environment;
};

void tst_ConfigurationWizard::pages()
{
    MyWizardPage empty(nullptr);
    QVERIFY(empty.isComplete());
    QCOMPARE(empty.findRow(QStringLiteral("x")), nullptr);
    QCOMPARE(qobject_cast<QGridLayout *>(empty.layout())->alignment(), Qt::AlignTop);

    // A row without a widget is registered but not placed.
    struct Bare : BaseInput {
        Bare() : BaseInput(QStringLiteral("bare")) {}
        QJsonValue value() const override { return QJsonValue(); }
        void setValue(const QJsonObject &, bool) override {}
        PythonCode generate() override { return PythonCode(); }
        bool isValid() const override { return valid; }
        bool valid = true;
    } bare;
    const int before = empty.layout()->count();
    empty.addRow(&bare, "2changed()", true);
    QCOMPARE(empty.layout()->count(), before);
    QCOMPARE(empty.findRow(QStringLiteral("bare")), &bare);
    bare.valid = false;
    QVERIFY(!empty.isComplete());

    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    QCOMPARE(wizard.pageIds(), (QList<int>{1, 2, 3, 4, 9, 10, 11, 12, 13, 14, 15}));
    QCOMPARE(wizard.page(Field)->title, QStringLiteral("Field General Definition"));
    QCOMPARE(wizard.page(Naming)->subtitle,
             QStringLiteral("Please enter the wording used to design the entry of the container.\n"
                            "You may enter singular and plurial forms:"));
    // The two "nbElement" rows: each page finds its own.
    QVERIFY(wizard.row(Array, Key::nbElement));
    QVERIFY(wizard.row(Linked, Key::nbElement));
    QVERIFY(wizard.row(Array, Key::nbElement) != wizard.row(Linked, Key::nbElement));
    QCOMPARE(wizard.row(Boolean, Key::nbElement), nullptr);

    // An enumeration row's change reaches its page through the editor.
    QSignalSpy updates(wizard.page(Enumeration), &MyWizardPage::updateWidget);
    EnumInput *enumeration = wizard.enumerationRow(Enumeration)->input();
    enumeration->setVisible(!enumeration->shown());
    QCOMPARE(updates.count(), 1);
}

void tst_ConfigurationWizard::startState_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("finish");
    QTest::newRow("field") << int(Wizard::FieldDefinition) << Field << true;
    QTest::newRow("class") << int(Wizard::ClassDefinition) << Class << true;
    QTest::newRow("1-D customization") << int(Wizard::Container1DCustomization) << Custom << true;
    QTest::newRow("2-D customization") << int(Wizard::Container2DCustomization) << Custom << true;
    QTest::newRow("other") << 3 << 0 << true;
}

void tst_ConfigurationWizard::startState()
{
    QFETCH(int, mode);
    QFETCH(int, page);
    QFETCH(bool, finish);
    Wizard wizard(Key::tmp, Wizard::OperatingMode(mode), nullptr);
    QCOMPARE(wizard.currentPageId(), page);
    QCOMPARE(wizard.firstPageId(), page);
    QCOMPARE(wizard.history(), page ? QVector<int>{0} : QVector<int>{});
    QCOMPARE(wizard.finishButton()->isVisibleTo(&wizard), finish);
    QVERIFY(!wizard.nextButton()->isVisibleTo(&wizard));
    QVERIFY(!wizard.deleteButton()->isVisibleTo(&wizard));
    QVERIFY(!wizard.backButton()->isEnabled());
    QCOMPARE(wizard.backButton()->toolTip(),
             QStringLiteral("Option is not available: You are already on the first page of the wizard."));
    if (page) {
        QCOMPARE(wizard.shownPage(), wizard.page(page));
        QCOMPARE(wizard.titleLabel()->text(), QStringLiteral("<b>%1</b>").arg(wizard.page(page)->title));
    } else {
        QCOMPARE(wizard.shownPage(), wizard.page(Field)); // the first page built
    }
}

void tst_ConfigurationWizard::fieldReactions()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    AccessorField *type = field(wizard, Field, Key::type);
    QCOMPARE(type->input()->typeFlags(-1), qint64(kindWord(AccessorKind::TypeStandard)));
    QVERIFY(!field(wizard, Field, Key::model)->visible());
    QVERIFY(field(wizard, Field, Key::displayedName)->visible());
    QVERIFY(!wizard.choiceRow(Key::scope)->isVisibleTo(&wizard));
    QVERIFY(wizard.choiceRow(Key::customization)->choiceNames().isEmpty());

    choose(type, AccessorKind::TypeFromBaseClass);
    QVERIFY(field(wizard, Field, Key::model)->visible());
    QVERIFY(!field(wizard, Field, Key::displayedName)->visible());
    QCOMPARE(field(wizard, Field, Key::model)->input()->optionMask(), kindWord(AccessorKind::ClassName));
    choose(type, AccessorKind::TypeCustomizedContainer);
    QCOMPARE(field(wizard, Field, Key::model)->input()->optionMask(), kindWord(AccessorKind::ContainerClassName));
    choose(type, AccessorKind::TypeBoolean);
    QVERIFY(!field(wizard, Field, Key::model)->visible());

    // Defaults of the pages the flow may visit.
    QCOMPARE(field(wizard, Boolean, Key::trueValue)->value().toString(), QStringLiteral("True"));
    QCOMPARE(field(wizard, Boolean, Key::falseValue)->value().toString(), QStringLiteral("False"));
    QCOMPARE(field(wizard, Naming, Key::itemName)->value().toString(), QStringLiteral("item"));
    QCOMPARE(field(wizard, Naming, Key::itemsName)->value().toString(), QStringLiteral("items"));
    QCOMPARE(wizard.choiceRow(Key::dimension)->currentId(), 1);
    QCOMPARE(field(wizard, Array, Key::arrayBase)->input()->typeFlags(-1), qint64(kindWord(AccessorKind::Field)));
    QCOMPARE(field(wizard, Array, Key::cellDefinition)->input()->typeFlags(-1),
             qint64(kindWord(AccessorKind::KindNone)));

    // "Nb Elements" of the array page follows the two optional rules.
    AccessorField *nb = field(wizard, Array, Key::nbElement);
    QVERIFY(!nb->visible());
    choose(field(wizard, Array, Key::overflowSpace), AccessorKind::Field);
    QVERIFY(nb->visible());
    choose(field(wizard, Array, Key::overflowSpace), AccessorKind::KindNone);
    QVERIFY(!nb->visible());
    choose(field(wizard, Array, Key::invalidCondition), AccessorKind::LambdaExpression);
    QVERIFY(nb->visible());
}

void tst_ConfigurationWizard::classReactions_data()
{
    QTest::addColumn<int>("feature");
    QTest::addColumn<QString>("shown"); // header, string, bitArray, fields, enumeration
    QTest::newRow("class") << int(highHalf(AccessorKind::FeatureClass)) << "10010";
    QTest::newRow("container") << int(highHalf(AccessorKind::FeatureContainer)) << "00010";
    QTest::newRow("string") << int(highHalf(AccessorKind::FeatureString)) << "01010";
    QTest::newRow("bit stream") << int(highHalf(AccessorKind::FeatureBitArray)) << "00100";
    QTest::newRow("wrapper") << int(highHalf(AccessorKind::FeatureWrapper)) << "10000";
    QTest::newRow("enum") << int(highHalf(AccessorKind::FeatureEnumeration)) << "10001";
}

void tst_ConfigurationWizard::classReactions()
{
    QFETCH(int, feature);
    QFETCH(QString, shown);
    Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
    choose(field(wizard, Class, Key::feature), AccessorKind(quint64(feature) << 32));
    const QString actual = QString::number(static_cast<GeneralAccessor *>(wizard.row(Class, Key::header))->shown())
                           + QString::number(static_cast<StringOptions *>(wizard.row(Class, Key::string))->shown())
                           + QString::number(static_cast<BitArrayOptions *>(wizard.row(Class, Key::bitArray))->shown())
                           + QString::number(static_cast<FieldInputBase *>(wizard.row(Class, Key::fields))->visible())
                           + QString::number(wizard.enumerationRow(Class)->input()->shown());
    QCOMPARE(actual, shown);
}

void tst_ConfigurationWizard::customizationReactions()
{
    Wizard twoD(Key::tmp, Wizard::Container2DCustomization, nullptr);
    ExclusiveChoice *choice = twoD.choiceRow(Key::customization);
    auto keyCustom = static_cast<GeneralAccessor *>(twoD.row(Custom, Key::keyCustom));
    auto valueCustom = static_cast<GeneralAccessor *>(twoD.row(Custom, Key::valueCustom));
    QCOMPARE(choice->currentId(), 2);
    QVERIFY(keyCustom->shown() && valueCustom->shown());
    choice->setCurrentId(32);
    QVERIFY(keyCustom->shown() && !valueCustom->shown());
    choice->setCurrentId(64);
    QVERIFY(!keyCustom->shown() && valueCustom->shown());
    QVERIFY(twoD.choiceRow(Key::scope)->isVisibleTo(&twoD));

    Wizard oneD(Key::tmp, Wizard::Container1DCustomization, nullptr);
    QCOMPARE(oneD.choiceRow(Key::customization)->currentId(), 1);
    QVERIFY(!static_cast<GeneralAccessor *>(oneD.row(Custom, Key::keyCustom))->shown());
    oneD.choiceRow(Key::customization)->setCurrentId(2);
    QVERIFY(static_cast<GeneralAccessor *>(oneD.row(Custom, Key::keyCustom))->shown());
    // The local scope has no text until a definition names its API.
    QCOMPARE(oneD.choiceRow(Key::scope)->findChildren<QRadioButton *>().at(1)->text(), QString());
    oneD.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::className, QJsonObject{{Key::api, "main"}}}}}}, true);
    QCOMPARE(oneD.choiceRow(Key::scope)->findChildren<QRadioButton *>().at(1)->text(), QStringLiteral("main"));
}

void tst_ConfigurationWizard::flowPaths_data()
{
    QTest::addColumn<quint64>("type");
    QTest::addColumn<int>("dimension");
    QTest::addColumn<QVector<int>>("path");
    const auto kind = [](AccessorKind k) { return kindWord(k); };
    QTest::newRow("basic") << kind(AccessorKind::TypeStandard) << 1 << QVector<int>{9};
    QTest::newRow("from model") << kind(AccessorKind::TypeFromBaseClass) << 1 << QVector<int>{9};
    QTest::newRow("boolean") << kind(AccessorKind::TypeBoolean) << 1 << QVector<int>{9, 1};
    QTest::newRow("enumeration") << kind(AccessorKind::TypeEnum) << 1 << QVector<int>{9, 2};
    QTest::newRow("customized") << kind(AccessorKind::TypeCustomizedContainer) << 1 << QVector<int>{9, 15};
    QTest::newRow("array 1-D") << kind(AccessorKind::TypeArray) << 1 << QVector<int>{9, 3, 10, 11, 13};
    QTest::newRow("array 2-D") << kind(AccessorKind::TypeArray) << 2 << QVector<int>{9, 3, 10, 11, 12, 13};
    QTest::newRow("linked 1-D") << kind(AccessorKind::TypeLinked) << 1 << QVector<int>{9, 4, 10, 11, 13};
    QTest::newRow("linked 2-D") << kind(AccessorKind::TypeLinked) << 2 << QVector<int>{9, 4, 10, 11, 12, 13};
}

void tst_ConfigurationWizard::flowPaths()
{
    QFETCH(quint64, type);
    QFETCH(int, dimension);
    QFETCH(QVector<int>, path);
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    choose(field(wizard, Field, Key::type), AccessorKind(type));
    wizard.choiceRow(Key::dimension)->setCurrentId(dimension);
    QVector<int> visited{wizard.currentPageId()};
    while (visited.size() < 12 && wizard.goToNext())
        visited.append(wizard.currentPageId());
    QCOMPARE(visited, path);
    QCOMPARE(wizard.shownPage(), wizard.page(path.last()));
    QVERIFY(wizard.finishButton()->isVisibleTo(&wizard));
    QVERIFY(!wizard.nextButton()->isVisibleTo(&wizard));
    QCOMPARE(wizard.nextButton()->toolTip(),
             QStringLiteral("Option is not available: You are already on the last page of the wizard."));
    // Back retraces the path in reverse order, down to the start page.
    QVector<int> back;
    while (back.size() < 12 && wizard.goToPrevious())
        back.prepend(wizard.currentPageId());
    back.append(path.last());
    QCOMPARE(back, path);
    QVERIFY(!wizard.goToPrevious());
}

void tst_ConfigurationWizard::historyAndToolTips()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    AccessorField *type = field(wizard, Field, Key::type);
    choose(type, AccessorKind::TypeBoolean);
    QVERIFY(wizard.nextButton()->isVisibleTo(&wizard));
    QVERIFY(!wizard.finishButton()->isVisibleTo(&wizard));
    QCOMPARE(wizard.nextButton()->toolTip(), QStringLiteral("Move forward to the <i>Boolean</i> page"));
    QCOMPARE(wizard.finishButton()->toolTip(),
             QStringLiteral("Option is not available: You have not completed the wizard."));
    choose(type, AccessorKind::TypeStandard);
    QVERIFY(!wizard.nextButton()->isVisibleTo(&wizard));
    QVERIFY(wizard.finishButton()->isVisibleTo(&wizard));
    QCOMPARE(wizard.finishButton()->toolTip(),
             QStringLiteral("Use this option to complete the operation and validate your choices."));

    choose(type, AccessorKind::TypeArray);
    QVERIFY(wizard.goToNext());
    QVERIFY(wizard.goToNext());
    QVERIFY(wizard.goToNext());
    QCOMPARE(wizard.currentPageId(), Naming);
    QCOMPARE(wizard.history(), (QVector<int>{0, Field, Array, Options}));
    QVERIFY(wizard.backButton()->isEnabled());
    QCOMPARE(wizard.backButton()->toolTip(), QStringLiteral("Move back to the <i>Container Options</i> page"));
    QVERIFY(wizard.goToPrevious());
    QCOMPARE(wizard.backButton()->toolTip(), QStringLiteral("Move back to the <i>Array Definition</i> page"));
    // Changing the dimension on page 10 changes the path forward at once.
    wizard.choiceRow(Key::dimension)->setCurrentId(2);
    QVERIFY(wizard.goToNext());
    QCOMPARE(wizard.nextButton()->toolTip(), QStringLiteral("Move forward to the <i>Key Decoding rule</i> page"));
    QVERIFY(wizard.goToNext());
    QCOMPARE(wizard.currentPageId(), KeyPage);
    for (int page : {Naming, Options, Array, Field}) {
        QVERIFY(wizard.goToPrevious());
        QCOMPARE(wizard.currentPageId(), page);
    }
    QVERIFY(!wizard.backButton()->isEnabled());
    QVERIFY(!wizard.goToPrevious());

    // A loaded dimension naming neither choice keeps the checked one.
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Array"}, {Key::dimension, "3D"}}}}, true);
    QCOMPARE(wizard.choiceRow(Key::dimension)->currentId(), 2);
}

void tst_ConfigurationWizard::completenessGatesButtons()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    AccessorField *name = field(wizard, Field, Key::displayedName);
    type(name, QStringLiteral("size"));
    QVERIFY(!wizard.finishButton()->isEnabled()); // the accessor is still empty
    type(static_cast<GeneralAccessor *>(wizard.row(Field, Key::accessor))->accessorRow(), QStringLiteral(".size"));
    QVERIFY(wizard.finishButton()->isEnabled());
    type(name, QString()); // a mandatory text
    QVERIFY(!wizard.finishButton()->isEnabled());
    choose(field(wizard, Field, Key::type), AccessorKind::TypeBoolean);
    QVERIFY(!wizard.nextButton()->isEnabled());
    // A disabled Next still names its page.
    QCOMPARE(wizard.nextButton()->toolTip(), QStringLiteral("Move forward to the <i>Boolean</i> page"));
    type(name, QStringLiteral("flag"));
    QVERIFY(wizard.nextButton()->isEnabled());
    QVERIFY(wizard.goToNext());
    type(field(wizard, Boolean, Key::trueValue), QString());
    QVERIFY(!wizard.finishButton()->isEnabled());

    // A required choice left empty: Finish stays off once the dialog shows.
    Wizard custom(Key::tmp, Wizard::Container2DCustomization, nullptr);
    for (const QString &key : {Key::keyCustom, Key::valueCustom})
        type(static_cast<GeneralAccessor *>(custom.row(Custom, key))->accessorRow(), QStringLiteral(".x"));
    custom.show();
    QVERIFY(QTest::qWaitForWindowExposed(&custom));
    QVERIFY(!custom.finishButton()->isEnabled()); // no scope chosen
    custom.choiceRow(Key::scope)->findChildren<QRadioButton *>().first()->click();
    QVERIFY(custom.finishButton()->isEnabled());
}

void tst_ConfigurationWizard::deleteAndCancel()
{
    Wizard wizard(Key::tmp, Wizard::Container1DCustomization, nullptr);
    QVERIFY(!wizard.deleteButton()->isVisibleTo(&wizard));
    wizard.showDeleteButton(true);
    QVERIFY(wizard.deleteButton()->isVisibleTo(&wizard));
    QCOMPARE(wizard.deleteButton()->toolTip(), QStringLiteral("Delete the current customization."));
    wizard.show();
    wizard.deleteButton()->click();
    QCOMPARE(wizard.result(), int(Wizard::Deleted));
    wizard.show();
    wizard.cancelButton()->click();
    QCOMPARE(wizard.result(), int(Wizard::Cancelled));
}

void tst_ConfigurationWizard::fieldRoundTrip_data()
{
    QTest::addColumn<QJsonObject>("definition");
    const QJsonObject value{{Key::accessor, fieldAccess(QStringLiteral(".value"))}};
    QTest::newRow("standard") << QJsonObject{{Key::type, "Standard"}, {Key::displayedName, "size"},
                                             {Key::userNode, "note"}, {Key::accessor, accessor(".d.size")}};
    QTest::newRow("boolean") << QJsonObject{{Key::type, "Boolean"}, {Key::displayedName, "on"},
                                            {Key::accessor, accessor(".on")}, {Key::trueValue, "yes"},
                                            {Key::falseValue, "no"}};
    QTest::newRow("enumeration") << QJsonObject{{Key::type, "Enum"}, {Key::displayedName, "color"},
                                                {Key::accessor, accessor(".c")}, {Key::enumeration, enumerationObject()}};
    QTest::newRow("array") << QJsonObject{{Key::type, "Array"},
                                          {Key::displayedName, "items"},
                                          {Key::accessor, accessor(".")},
                                          {Key::arrayBase, fieldAccess(".d")},
                                          {Key::arraySize, fieldAccess(".size")},
                                          {Key::cellDefinition, QJsonObject{{Key::ParamType, "int"}}},
                                          {Key::invalidCondition, QJsonObject{{Key::LambdaExpression, "value == 0"}}},
                                          {Key::overflowSpace, fieldAccess(".next")},
                                          {Key::nbElement, fieldAccess(".count")},
                                          {Key::dimension, "1D"},
                                          {Key::itemName, "cell"},
                                          {Key::itemsName, "cells"},
                                          {Key::value, value}};
    QTest::newRow("linked 2-D") << QJsonObject{{Key::type, "Linked"},
                                               {Key::displayedName, "map"},
                                               {Key::accessor, accessor(".")},
                                               {Key::linkedBase, fieldAccess(".root")},
                                               {Key::left, fieldAccess(".left")},
                                               {Key::right, fieldAccess(".right")},
                                               {Key::nodeDefinition, QJsonObject{{Key::ParamType, "Node<\\0>"}}},
                                               {Key::endCondition, fieldAccess(".end")},
                                               {Key::nbElement, fieldAccess(".size")},
                                               {Key::dimension, "2D"},
                                               {Key::key, QJsonObject{{Key::accessor, fieldAccess(".key")}}},
                                               {Key::itemName, "child"},
                                               {Key::itemsName, "items"},
                                               {Key::value, value}};
    QTest::newRow("from model") << QJsonObject{{Key::type, "FromBaseClass"}, {Key::accessor, accessor(".")},
                                               {Key::model, "QMap"}};
    QTest::newRow("customized") << QJsonObject{{Key::type, "CustomizedContainer"},
                                               {Key::accessor, accessor(".q_hash")},
                                               {Key::model, "QHash"},
                                               {Key::customization, "Key"},
                                               {Key::keyCustom, QJsonObject{{Key::accessor, fieldAccess(".")}}},
                                               {Key::filter, QJsonObject{{Key::key, "x"}}}};
}

void tst_ConfigurationWizard::fieldRoundTrip()
{
    QFETCH(QJsonObject, definition);
    // The customized model is a 2-D container on the options page being edited.
    const QJsonValue result = roundTrip(Wizard::FieldDefinition, definition);
    QVERIFY2(result.toObject() == definition, qPrintable(difference(result.toObject(), definition)));
}

void tst_ConfigurationWizard::fieldValueRules()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    // A Basic Field: only its own rows, no "enable".
    type(field(wizard, Field, Key::displayedName), QStringLiteral("x"));
    QCOMPARE(wizard.value().toObject().keys(), (QStringList{Key::accessor, Key::displayedName, Key::type, Key::userNode}));
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Standard"}, {Key::displayedName, "x"}}}}, true);
    QCOMPARE(wizard.value().toObject().keys(), (QStringList{Key::displayedName, Key::type}));

    // An array reads its six rows and the container rows without a visit.
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Array"}}}}, true);
    for (const QString &key : {Key::arrayBase, Key::arraySize}) {
        choose(field(wizard, Array, key), AccessorKind::Field);
        type(field(wizard, Array, key), QStringLiteral(".d"));
    }
    // Item names the definition lacks show the printers' defaults and stay
    // absent until changed.
    QCOMPARE(field(wizard, Naming, Key::itemName)->input()->textEdit()->text(), QStringLiteral("item"));
    QVERIFY(!wizard.value().toObject().contains(Key::itemName));
    type(field(wizard, Naming, Key::itemName), QStringLiteral("entry"));
    QJsonObject array = wizard.value().toObject();
    QVERIFY(array.contains(Key::arrayBase) && array.contains(Key::arraySize));
    // An absent dimension is 1-D to the printers: shown checked, not written.
    QCOMPARE(wizard.choiceRow(Key::dimension)->currentId(), 1);
    QVERIFY(!array.contains(Key::dimension));
    QCOMPARE(array.value(Key::itemName).toString(), QStringLiteral("entry"));
    QCOMPARE(array.value(Key::itemsName).toString(), QStringLiteral("entrys"));
    QVERIFY(!array.contains(Key::key));
    wizard.choiceRow(Key::dimension)->setCurrentId(2);
    choose(static_cast<GeneralAccessor *>(wizard.row(KeyPage, Key::key))->accessorRow(), AccessorKind::Field);
    type(static_cast<GeneralAccessor *>(wizard.row(KeyPage, Key::key))->accessorRow(), QStringLiteral(".k"));
    QVERIFY(wizard.value().toObject().contains(Key::key));

    // Boolean defaults count without a visit; no array rows any more.
    Wizard fresh(Key::tmp, Wizard::FieldDefinition, nullptr);
    choose(field(fresh, Field, Key::type), AccessorKind::TypeArray);
    QVERIFY(fresh.value().toObject().contains(Key::arrayBase));
    choose(field(fresh, Field, Key::type), AccessorKind::TypeBoolean);
    const QJsonObject boolean = fresh.value().toObject();
    QCOMPARE(boolean.value(Key::trueValue).toString(), QStringLiteral("True"));
    QCOMPARE(boolean.value(Key::falseValue).toString(), QStringLiteral("False"));
    QVERIFY(!boolean.contains(Key::arrayBase) && !boolean.contains(Key::dimension));

    // A customized container: no names, no dimension; the choice decides.
    choose(field(fresh, Field, Key::type), AccessorKind::TypeCustomizedContainer);
    QJsonObject custom = fresh.value().toObject();
    QVERIFY(!custom.contains(Key::displayedName) && !custom.contains(Key::dimension));
    QVERIFY(!custom.contains(Key::keyCustom) && !custom.contains(Key::valueCustom)); // no choice set yet
}

// Every class of the built-in set, each feature among them, loads and reads back.
void tst_ConfigurationWizard::builtInRoundTrip()
{
    QJsonObject document;
    QVERIFY(parseConfiguration(
        document, KorvanDebugger::Internal::KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf")));
    const QJsonArray classes = document.value(Key::classes).toArray();
    QVERIFY(classes.size() > 100);
    Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
    wizard.show();
    int invalid = 0;
    for (const QJsonValue &entry : classes) {
        // Written back as stored: "enable" as it was, an enumeration in the
        // older form without a table as it was.
        const QJsonObject expected = entry.toObject();
        wizard.setValue(QJsonObject{{Key::tmp, entry.toObject()}}, true);
        const QJsonObject result = wizard.value().toObject();
        QVERIFY2(result == expected, qPrintable(expected.value(Key::className).toObject().value(Key::TemplateType).toString() + "\n" + difference(result, expected)));
        // Python entries are checked by a compiler run in the background.
        const QList<AccessorInput *> inputs = wizard.page(Class)->findChildren<AccessorInput *>();
        QTRY_VERIFY(std::none_of(inputs.begin(), inputs.end(), [](AccessorInput *input) { return input->isChecking(); }));
        // A container whose field reuses another model is judged against the
        // options page being edited, which these tests do not open.
        for (BaseInput *row : wizard.page(Class)->rows()) {
            // An enumeration loaded without a table (the older "compiledValue"
            // form) has no values until the helper program computes them.
            if (row->key() == Key::enumeration
                && !entry.toObject().value(Key::enumeration).toObject().contains(Key::enums))
                continue;
            if (row->key() != Key::fields && !row->isValid()) {
                qWarning() << expected.value(Key::className) << row->key();
                ++invalid;
            }
        }
    }
    QCOMPARE(invalid, 0);
}

void tst_ConfigurationWizard::enableFlag()
{
    const QJsonObject disabled{{Key::className, QJsonObject{{Key::TemplateType, "A"}}}, {Key::feature, "Class"},
                               {Key::enable, false}};
    QJsonObject absent = disabled;
    absent.remove(Key::enable);
    QVERIFY(!roundTrip(Wizard::ClassDefinition, absent).toObject().contains(Key::enable));
    // A later definition without the key is enabled again.
    Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
    wizard.setValue(QJsonObject{{Key::tmp, disabled}}, true);
    wizard.setValue(QJsonObject{{Key::tmp, absent}}, true);
    QVERIFY(!wizard.value().toObject().contains(Key::enable));
    // A field keeps its flag too.
    const QJsonObject field{{Key::type, "Standard"}, {Key::displayedName, "x"}, {Key::enable, false}};
    QCOMPARE(roundTrip(Wizard::FieldDefinition, field).toObject(), field);
}

void tst_ConfigurationWizard::loadingIsQuiet()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    QSignalSpy fieldPage(wizard.page(Field), &MyWizardPage::updateWidget);
    QSignalSpy arrayPage(wizard.page(Array), &MyWizardPage::updateWidget);
    QSignalSpy optionsPage(wizard.page(Options), &MyWizardPage::updateWidget);
    // A row blocked by its owner stays blocked; the others are open again.
    QWidget *userNote = field(wizard, Field, Key::userNode)->widget();
    userNote->blockSignals(true);
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Array"}, {Key::displayedName, "a"}}}}, true);
    // Each page reacts once, after every row is loaded.
    QCOMPARE(fieldPage.count(), 1);
    QCOMPARE(arrayPage.count(), 1);
    QCOMPARE(optionsPage.count(), 1); // the dimension choice announces its load otherwise
    QVERIFY(userNote->signalsBlocked());
    QVERIFY(!field(wizard, Field, Key::displayedName)->widget()->signalsBlocked());
    type(field(wizard, Field, Key::displayedName), QStringLiteral("b"));
    QCOMPARE(fieldPage.count(), 2);
    // Loading leaves the page shown alone.
    QVERIFY(wizard.goToNext());
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Boolean"}}}}, true);
    QCOMPARE(wizard.currentPageId(), Array);
}

void tst_ConfigurationWizard::otherKinds()
{
    Wizard wizard(Key::tmp, Wizard::OperatingMode(3), nullptr);
    QCOMPARE(wizard.value().toObject(), QJsonObject());
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::enable, false}, {Key::type, "Boolean"}}}}, true);
    QCOMPARE(wizard.value().toObject(), (QJsonObject{{Key::enable, false}}));
    QCOMPARE(wizard.currentPageId(), 0);
    // Not by key: the object itself is the definition; a non-object member is none.
    Wizard field(Key::tmp, Wizard::FieldDefinition, nullptr);
    field.setValue(QJsonObject{{Key::type, "Boolean"}, {Key::displayedName, "b"}}, false);
    QCOMPARE(field.value().toObject().value(Key::type).toString(), QStringLiteral("Boolean"));
    field.setValue(QJsonObject{{Key::tmp, 3}}, true);
    QCOMPARE(field.value().toObject(), QJsonObject());
}

void tst_ConfigurationWizard::itemNames()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    AccessorField *singular = field(wizard, Naming, Key::itemName);
    AccessorField *plural = field(wizard, Naming, Key::itemsName);
    QCOMPARE(wizard.rememberedSingular(), QStringLiteral("item"));
    type(singular, QStringLiteral("entry"));
    QCOMPARE(plural->value().toString(), QStringLiteral("entrys"));
    type(plural, QString());
    QCOMPARE(plural->value().toString(), QStringLiteral("entrys")); // an empty plural is made again
    type(plural, QStringLiteral("entries"));
    type(singular, QStringLiteral("node"));
    QCOMPARE(plural->value().toString(), QStringLiteral("entries")); // typed by hand: kept
    // Each wizard remembers its own singular.
    Wizard other(Key::tmp, Wizard::FieldDefinition, nullptr);
    QCOMPARE(other.rememberedSingular(), QStringLiteral("item"));
    type(field(other, Naming, Key::itemName), QStringLiteral("row"));
    QCOMPARE(field(other, Naming, Key::itemsName)->value().toString(), QStringLiteral("rows"));
}

void tst_ConfigurationWizard::loadedItemNamesStay()
{
    const QJsonObject definition{{Key::type, "Array"}, {Key::itemName, "child"}, {Key::itemsName, "items"}};
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    // The fresh wizard remembers "item", whose plural "items" the loaded pair has.
    wizard.setValue(QJsonObject{{Key::tmp, definition}}, true);
    QJsonObject value = wizard.value().toObject();
    QCOMPARE(value.value(Key::itemName).toString(), QStringLiteral("child"));
    QCOMPARE(value.value(Key::itemsName).toString(), QStringLiteral("items"));
    QCOMPARE(wizard.rememberedSingular(), QStringLiteral("child"));
    // Following the loaded singular when its plural was derived from it.
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Array"}, {Key::itemName, "leaf"},
                                                       {Key::itemsName, "leafs"}}}},
                    true);
    type(field(wizard, Naming, Key::itemName), QStringLiteral("node"));
    QCOMPARE(field(wizard, Naming, Key::itemsName)->value().toString(), QStringLiteral("nodes"));
}

void tst_ConfigurationWizard::showErrorWalk()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    QVERIFY(!wizard.showError(nullptr));
    PythonError empty;
    QVERIFY(!wizard.showError(&empty));

    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Standard"}, {Key::displayedName, "x"},
                                                       {Key::accessor, accessor(".x")}}}},
                    true);
    PythonError error;
    error.api = QStringList{Key::accessor, Key::accessor};
    QVERIFY(wizard.showError(&error));
    QVERIFY(error.api.isEmpty());
    QVERIFY(static_cast<GeneralAccessor *>(wizard.row(Field, Key::accessor))->accessorRow()->tipButton()->menu());

    // A row of a page the flow does not reach: refused, back on the start page.
    PythonError unreachable;
    unreachable.api = QStringList{Key::trueValue};
    QVERIFY(!wizard.showError(&unreachable));
    QCOMPARE(wizard.currentPageId(), Field);

    // The flow of a 2-D linked container leads to its key page.
    wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::type, "Linked"}, {Key::dimension, "2D"}}}}, true);
    PythonError key;
    key.api = QStringList{Key::key, Key::accessor};
    QVERIFY(wizard.showError(&key));
    QCOMPARE(wizard.currentPageId(), KeyPage);
    QCOMPARE(wizard.history(), (QVector<int>{0, Field, Linked, Options, Naming}));
    // The Map/List page's "nbElement" is found after the array page's is not reached.
    wizard.goToPrevious();
    PythonError count;
    count.api = QStringList{Key::nbElement};
    QVERIFY(wizard.showError(&count));
    QCOMPARE(wizard.currentPageId(), Linked);
}

void tst_ConfigurationWizard::help()
{
    Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
    const auto &links = ObjectWithLink<QLabel>::links;
    QCOMPARE(links.value(QStringLiteral("ARRAY")), Wizard::arrayHelp());
    QCOMPARE(links.value(QStringLiteral("LINKED")), Wizard::linkedContainerHelp());
    QVERIFY(links.value(QStringLiteral("KEY")).startsWith(QStringLiteral("A Key is an element")));
    QVERIFY(links.value(QStringLiteral("VALUE")).contains(QStringLiteral("The display of the value is based")));

    // A tool tip without text is its own What's This, unbolded.
    QLabel *displayed = field(wizard, Field, Key::displayedName)->label();
    QCOMPARE(displayed->whatsThis(), displayed->toolTip());
    QVERIFY(!displayed->whatsThis().startsWith(QStringLiteral("<b>")));

    const QString overflow = field(wizard, Array, Key::overflowSpace)->label()->whatsThis();
    const int link = overflow.indexOf(QStringLiteral("href='ARRAY'"));
    const int chained = overflow.indexOf(QStringLiteral("modeled as a chained list"));
    const int menu = overflow.indexOf(QStringLiteral("<li><b>None</b>"));
    QVERIFY(link > 0 && chained > link && menu > chained);
    QVERIFY(field(wizard, Array, Key::arraySize)->label()->whatsThis().contains(QStringLiteral("Number of Elements")));
    QVERIFY(!overflow.contains(QStringLiteral("%1")));

    const QString typeHelp = field(wizard, Field, Key::type)->label()->whatsThis();
    for (const char *option : {"Basic Field", "Boolean", "Enumeration", "Array", "Linked Containers",
                               "Fields From Model", "Customized Container Field"})
        QVERIFY2(typeHelp.contains(QStringLiteral("<li><b>%1</b>").arg(QLatin1String(option))), option);

    ExclusiveChoice *dimension = wizard.choiceRow(Key::dimension);
    QCOMPARE(dimension->toolTip(), QStringLiteral("The <i>size</i> defines the dimension of the container."));
    QVERIFY(dimension->whatsThis().startsWith(QStringLiteral("The supported dimensions of the container are:<ul><li><b>1-D</b>")));
    QVERIFY(dimension->whatsThis().contains(QStringLiteral("<li><b>2-D</b>: The container is a 2-D")));

    wizard.customizationHelp(QStringLiteral("main"));
    const QString scope = wizard.choiceRow(Key::scope)->whatsThis();
    QVERIFY(scope.contains(QStringLiteral("<li><b>Everywhere</b>")));
    QVERIFY(scope.contains(QStringLiteral("<li><b>main</b>: The customization applies exclusively to this API.")));
}

void tst_ConfigurationWizard::customizationChoices()
{
    Wizard wizard(Key::tmp, Wizard::Container2DCustomization, nullptr);
    ExclusiveChoice *choice = wizard.choiceRow(Key::customization);
    QCOMPARE(choice->choiceNames().keys(), (QList<int>{2, 16, 32, 64, 128, 256}));
    choice->setCurrentId(128);
    wizard.setCustomizationKind(Wizard::Container2DCustomization);
    QCOMPARE(choice->currentId(), 128); // the same kind keeps the selection
    QVERIFY(choice->whatsThis().contains(QStringLiteral("<li><b>2-D from Key</b>")));
    wizard.setCustomizationKind(Wizard::Container1DCustomization);
    QCOMPARE(choice->choiceNames().keys(), (QList<int>{1, 2}));
    QCOMPARE(choice->currentId(), 1);

    // What each choice reads of the customized rows.
    Wizard custom(Key::tmp, Wizard::Container2DCustomization, nullptr);
    auto keyRow = static_cast<GeneralAccessor *>(custom.row(Custom, Key::keyCustom))->accessorRow();
    auto valueRow = static_cast<GeneralAccessor *>(custom.row(Custom, Key::valueCustom))->accessorRow();
    type(keyRow, QStringLiteral(".k"));
    type(valueRow, QStringLiteral(".v"));
    const auto keys = [&custom](int id) -> QString {
        custom.choiceRow(Key::customization)->setCurrentId(id);
        const QJsonObject value = custom.value().toObject();
        return QString::number(value.contains(Key::keyCustom)) + QString::number(value.contains(Key::valueCustom));
    };
    QCOMPARE(keys(32), QStringLiteral("10"));
    QCOMPARE(keys(64), QStringLiteral("01"));
    QCOMPARE(keys(2), QStringLiteral("11"));
    QCOMPARE(keys(16), QStringLiteral("11"));
    QCOMPARE(custom.value().toObject().value(Key::customization).toString(), QStringLiteral("Swap"));
}

void tst_ConfigurationWizard::generate()
{
    Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
    const QJsonObject definition{{Key::className, QJsonObject{{Key::TemplateType, "Point"}}}, {Key::feature, "Class"},
                                 {Key::fields, QJsonArray{QJsonObject{{Key::type, "Standard"},
                                                                      {Key::displayedName, "x"},
                                                                      {Key::accessor, accessor(".x")}}}}};
    wizard.setValue(QJsonObject{{Key::tmp, definition}}, true);
    ConfigurationWizardGenerator direct(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
    direct.setValue(definition, false);
    // The helper variables are numbered program-wide.
    static const QRegularExpression id(QStringLiteral("_Id_[0-9]+"));
    const PythonCode expected = direct.generate();
    const PythonCode code = wizard.generate();
    QVERIFY(code.definitions.contains(QStringLiteral("def qdump__Point(")));
    QCOMPARE(QString(code.definitions).replace(id, "_Id_"), QString(expected.definitions).replace(id, "_Id_"));
    QCOMPARE(QString(code.expression).replace(id, "_Id_"), QString(expected.expression).replace(id, "_Id_"));

    QJsonObject disabled = definition;
    disabled.insert(Key::enable, false);
    wizard.setValue(QJsonObject{{Key::tmp, disabled}}, true);
    QVERIFY(wizard.generate().definitions.isEmpty());
}

QTEST_MAIN(tst_ConfigurationWizard)
#include "tst_configurationwizard.moc"
