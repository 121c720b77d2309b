// The accessor input: its option menu, the editors each option shows with
// their fixed texts, its JSON value and loading, and the shared group list.

#include "common/jsontext.h"
#include "common/testenvironment.h"

#include "configuration/keys.h"
#include "editor/accessorinput.h"
#include "editor/pythoneditor.h"
#include "editor/savedcombobox.h"

#include <texteditor/textdocument.h>

#include <QComboBox>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

// Every accessor option (the low half without "no option").
constexpr quint64 allAccessorOptions = 0x00bfffff;
constexpr quint64 classKinds = quint64(0x3f) << 32;
constexpr quint64 fieldKinds = quint64(0x3ff000) << 32;

QString jsonText(const QJsonValue &value)
{
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isNull())
        return QStringLiteral("null");
    if (value.isString())
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    return QStringLiteral("?");
}

// Selects the menu entry of a flag as the user does.
void pick(AccessorInput &input, qint64 flag)
{
    for (int i = 0; i < input.optionCombo()->count(); ++i) {
        if (input.typeFlags(i) == flag) {
            input.optionCombo()->setCurrentIndex(i);
            return;
        }
    }
    QFAIL("option not offered");
}

} // namespace

class tst_AccessorInput : public QObject
{
    Q_OBJECT
private slots:
    // first: the shared group list fills once per process
    void groupListFillsOnceAndGrows();
    void emptyMenu();
    void menuVisibilityAndOrder();
    void sameMaskChangesNothing();
    void constructorPrefersField();
    void optionEditors_data();
    void optionEditors();
    void switchingKeepsAndResetsCounts();
    void pythonOptions();
    void values_data();
    void values();
    void kindWords();
    void loadFallsBackToCurrentOption();
    void loadDoesNotNotify();
    void loadGivesValueBack_data();
    void loadGivesValueBack();
    void optionHelp();
    void optionMenuHelp();

private:
    TestEnvironment m_environment;
};

void tst_AccessorInput::groupListFillsOnceAndGrows()
{
    auto document = QSharedPointer<QJsonObject>::create(jsonObject(R"({"classes": [
        {"className": {"TemplateType": "A"}, "group": "Qt"},
        {"className": {"TemplateType": "B"}, "group": "Boost", "enable": false},
        {"className": {"TemplateType": "C"}},
        {"className": {"TemplateType": "D"}, "group": "Qt"}]})"));
    SavedComboBox first;
    QVERIFY(first.isEditable());
    first.refresh(QString(), document);
    QCOMPARE(SavedComboBox::sharedGroupNames(), (QStringList{"<Default>", "Boost", "Qt"}));
    QCOMPARE(first.currentText(), QStringLiteral("<Default>"));

    // Filled once: a later document adds nothing.
    SavedComboBox second;
    second.refresh("Qt", QSharedPointer<QJsonObject>::create(jsonObject(R"({"classes": [{"group": "Other"}]})")));
    QCOMPARE(second.count(), 3);
    QCOMPARE(second.currentText(), QStringLiteral("Qt"));

    // A group typed in one row joins every later list once its value is read.
    AccessorInput row(Key::group, kindWord(AccessorKind::GroupName), nullptr);
    row.groupCombo()->setCurrentText("Alpha");
    QCOMPARE(row.value(), QJsonValue("Alpha"));
    AccessorInput other(Key::group, kindWord(AccessorKind::GroupName), nullptr);
    QStringList offered;
    for (int i = 0; i < other.groupCombo()->count(); ++i)
        offered << other.groupCombo()->itemText(i);
    QCOMPARE(offered, (QStringList{"<Default>", "Alpha", "Boost", "Qt"}));

    // "<Default>" and an empty group read as no group.
    other.groupCombo()->setCurrentText("<Default>");
    QCOMPARE(other.value(), QJsonValue());
    other.groupCombo()->setCurrentText(QString());
    QCOMPARE(other.value(), QJsonValue());
    QCOMPARE(other.groupCombo()->currentText(), QStringLiteral("<Default>"));

    // Dots are not allowed in a group name.
    QSignalSpy changed(&other, &AccessorInput::changed);
    other.groupCombo()->setCurrentText("a.b.c");
    QCOMPARE(other.groupCombo()->currentText(), QStringLiteral("a_b_c"));
    QVERIFY(other.isValid());
    QVERIFY(changed.count() >= 1);
}

void tst_AccessorInput::emptyMenu()
{
    AccessorInput input(Key::accessor, nullptr);
    QCOMPARE(input.optionMask(), quint64(0));
    QCOMPARE(input.typeFlags(), qint64(0));
    QVERIFY(!input.isValid());
    QCOMPARE(input.errorMessage(), QStringLiteral("This field entry is not valid."));
    QCOMPARE(input.value(), QJsonValue());
    QVERIFY(input.optionPanel()->isHidden());
    QVERIFY(input.pythonButton()->isHidden());
    QCOMPARE(input.widget(), &input);
    // An empty menu validates as valid: there is nothing to check.
    QSignalSpy changed(&input, &AccessorInput::changed);
    input.validate();
    QVERIFY(input.isValid());
    QVERIFY(changed.count() >= 1);
}

void tst_AccessorInput::menuVisibilityAndOrder()
{
    AccessorInput single(Key::accessor, kindWord(AccessorKind::Size), nullptr);
    QVERIFY(single.optionCombo()->isHidden());
    QCOMPARE(single.typeFlags(), qint64(AccessorKind::Size));

    const quint64 mask = kindWord(AccessorKind::TemplateArgumentType) | kindWord(AccessorKind::TemplateArgumentInt)
                         | kindWord(AccessorKind::AsBaseClass) | kindWord(AccessorKind::ContainerClassName);
    AccessorInput input(Key::accessor, mask, nullptr);
    QVERIFY(!input.optionCombo()->isHidden());
    QStringList texts;
    for (int i = 0; i < input.optionCombo()->count(); ++i)
        texts << input.optionCombo()->itemText(i);
    // The two template-argument options sit together.
    QCOMPARE(texts, (QStringList{"Template Argument Index (Type)", "Template Argument Index (Int)",
                                 "Base Class Index", "Container Class Name"}));
    QCOMPARE(input.typeFlags(1), qint64(AccessorKind::TemplateArgumentInt));
    QCOMPARE(input.typeFlags(7), qint64(0));
}

void tst_AccessorInput::sameMaskChangesNothing()
{
    AccessorInput input(Key::accessor, nullptr);
    input.buildOptionMenu(allAccessorOptions);
    pick(input, qint64(AccessorKind::Offset));
    const int index = input.optionCombo()->currentIndex();
    QSignalSpy changed(&input, &AccessorInput::changed);
    input.buildOptionMenu(allAccessorOptions);
    QCOMPARE(input.optionCombo()->currentIndex(), index);
    QCOMPARE(changed.count(), 0);

    // Another mask shows its first entry without telling the owner.
    input.buildOptionMenu(kindWord(AccessorKind::Text) | kindWord(AccessorKind::ClassName));
    QCOMPARE(input.typeFlags(), qint64(AccessorKind::Text));
    QCOMPARE(changed.count(), 0);
}

void tst_AccessorInput::constructorPrefersField()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    QCOMPARE(input.typeFlags(), qint64(AccessorKind::Field));
    QCOMPARE(input.optionLabel()->text(), QStringLiteral("Field expression:"));
}

void tst_AccessorInput::optionEditors_data()
{
    QTest::addColumn<qint64>("flag");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown"); // t text, 1 first, 2 second, g group, o template option, p Python
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("message"); // null: kept
    QTest::addColumn<QString>("toolTipStart");

    const auto row = [](AccessorKind kind, const char *caption, const char *shown, bool valid, const char *message,
                        const char *toolTip) {
        QTest::newRow(qPrintable(QString::number(qint64(kind), 16)))
            << qint64(kind) << QString::fromLatin1(caption) << QString::fromLatin1(shown) << valid
            << (message ? QString::fromLatin1(message) : QString()) << QString::fromLatin1(toolTip);
    };
    row(AccessorKind::KindNone, "", "", true, nullptr, "");
    row(AccessorKind::CppType, "Type:", "t", false, "Invalid Identifier Name: ''",
        "You can enter C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class name.<br>Using template is not allowed.");
    row(AccessorKind::TemplateType, "Type:", "t", false, "Invalid Identifier Name: ''",
        "You can enter C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class name.<br>You can use template");
    row(AccessorKind::ParamType, "Type:", "t", false, "Invalid Identifier Name: ''", "You can enter C&#x2060;");
    row(AccessorKind::Field, "Field expression:", "t", false, "Invalid Field Name: ''",
        "This is used to define the formula used to extract a sub-field.");
    row(AccessorKind::LambdaExpression, "lambda value: ", "t", false, "Python code is empty",
        "Enter the body of the lambda function using Python syntax.");
    row(AccessorKind::InferiorMethod, "Method Name", "t", false, "Invalid API Name: ''",
        "Enter the class member accessor name. The API signature is <samp>myAPI(void)</samp>.");
    row(AccessorKind::InferiorFunction, "Function Name", "t", false, "Invalid API Name: ''",
        "Enter the function accessor name.");
    row(AccessorKind::TemplateArgumentType, "Index:", "1o", true, nullptr,
        "You can enter index of the template argument of the object.");
    row(AccessorKind::TemplateArgumentInt, "Index:", "1", true, nullptr,
        "You can enter index of the template argument of the object.\n");
    row(AccessorKind::AsBaseClass, "Index:", "1", true, nullptr,
        "You can enter index of the base object starting from 0.");
    row(AccessorKind::Size, "Size:", "12", false,
        "Size can not be 0. You must enter at least 1 Integer or 1 Pointer", "You can enter C&#x2060;");
    row(AccessorKind::Offset, "Offset:", "12", true, nullptr, "You can enter data offset from class start position.");
    row(AccessorKind::Text, "Text", "t", true, nullptr, "Enter Text");
    row(AccessorKind::TextAlternative, "Text", "t", false,
        "This entry is mandatory. You need to enter a non-empty text.", "Enter Text");
    row(AccessorKind::GroupName, "Group", "g", true, nullptr, "Enter a Group name. Each class is clasified into a group.");
    row(AccessorKind::FilterKey, "Key Filter:", "t", false, "Invalid Field Name: ''",
        "This is used to define a filter base on the key.");
    row(AccessorKind::FilterValue, "Value Filter:", "t", false, "Invalid Field Name: ''",
        "This is used to define a filter base on the value.");
    row(AccessorKind::ClassName, "(Any Class)", "t", false,
        "This entry is mandatory. You need to enter a valid Class model name.",
        "Enter the name of a class that is configured through Korvan plugin engine.");
    row(AccessorKind::ContainerClassName, "(Container Only)", "t", false,
        "This entry is mandatory. You need to enter a valid Container Class model name.",
        "Enter the name of a container class that is configured through Korvan plugin engine.");
}

void tst_AccessorInput::optionEditors()
{
    QFETCH(qint64, flag);
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QFETCH(bool, valid);
    QFETCH(QString, message);
    QFETCH(QString, toolTipStart);

    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    input.textEdit()->setText("left over");
    input.buildOptionEditors(qint64(AccessorKind::KindNone), false); // a known message to keep
    const QString before = input.errorMessage();
    QSignalSpy changed(&input, &AccessorInput::changed);
    input.buildOptionEditors(flag, true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(input.typeFlags(), flag);
    QCOMPARE(input.optionLabel()->text(), caption);
    QCOMPARE(!input.textEdit()->isHidden(), shown.contains('t'));
    QCOMPARE(!input.firstSpin()->isHidden(), shown.contains('1'));
    QCOMPARE(!input.secondSpin()->isHidden(), shown.contains('2'));
    QCOMPARE(!input.groupCombo()->isHidden(), shown.contains('g'));
    QCOMPARE(!input.templateOptionCombo()->isHidden(), shown.contains('o'));
    QCOMPARE(input.pythonButton()->isHidden(), true);
    QCOMPARE(input.optionPanel()->isHidden(), shown.isEmpty());
    if (shown.contains('t'))
        QCOMPARE(input.textEdit()->text(), QString()); // every option that shows the text clears it
    QCOMPARE(input.isValid(), valid);
    QCOMPARE(input.errorMessage(), message.isNull() ? before : message);

    if (toolTipStart.isEmpty())
        QCOMPARE(input.savedToolTip(), QString());
    else
        QVERIFY2(input.savedToolTip().startsWith(toolTipStart), qPrintable(input.savedToolTip()));
    if (!toolTipStart.endsWith('\n'))
        QVERIFY(!input.savedToolTip().endsWith('\n'));
    // Caption help goes to every control.
    QCOMPARE(input.textEdit()->toolTip(), input.savedToolTip());
    QCOMPARE(input.firstSpin()->whatsThis(), input.optionLabel()->whatsThis());
    QCOMPARE(input.groupCombo()->toolTip(), input.savedToolTip());
}

void tst_AccessorInput::switchingKeepsAndResetsCounts()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, qint64(AccessorKind::Offset));
    input.firstSpin()->setValue(-5);
    input.secondSpin()->setValue(3);
    pick(input, qint64(AccessorKind::Size));
    // Kept, clamped to the new range.
    QCOMPARE(input.firstSpin()->value(), 0);
    QCOMPARE(input.secondSpin()->value(), 3);
    QCOMPARE(input.firstSpin()->suffix(), QStringLiteral(" Int"));
    QCOMPARE(input.secondSpin()->suffix(), QStringLiteral(" Ptr"));
    QCOMPARE(input.firstSpin()->minimum(), 0);
    QCOMPARE(input.firstSpin()->maximum(), 100);
    pick(input, qint64(AccessorKind::Offset));
    QCOMPARE(input.firstSpin()->value(), 0);
    QCOMPARE(input.secondSpin()->value(), 0);
    QCOMPARE(input.firstSpin()->minimum(), -100);

    pick(input, qint64(AccessorKind::TemplateArgumentType));
    QCOMPARE(input.firstSpin()->suffix(), QString());
    input.templateOptionCombo()->setCurrentIndex(2);
    pick(input, qint64(AccessorKind::Field));
    pick(input, qint64(AccessorKind::TemplateArgumentType));
    QCOMPARE(input.templateOptionCombo()->currentText(), QStringLiteral("<No Option>"));

    // The kinds show nothing but the menu and count as valid.
    AccessorInput kinds(Key::type, fieldKinds, nullptr);
    pick(kinds, qint64(AccessorKind::TypeArray));
    QVERIFY(kinds.isValid());
    QVERIFY(kinds.optionPanel()->isHidden());
    QVERIFY(!kinds.optionCombo()->isHidden());

    // A word with several bits falls back to the current entry; a single
    // option that is not offered shows its own editors over the first entry
    // and gives their value, until an entry is picked.
    AccessorInput few(Key::accessor, kindWord(AccessorKind::Text) | kindWord(AccessorKind::Size), nullptr);
    pick(few, qint64(AccessorKind::Text));
    few.buildOptionEditors(qint64(AccessorKind::Text) | qint64(AccessorKind::Size), false);
    QCOMPARE(few.typeFlags(), qint64(AccessorKind::Text));
    QCOMPARE(few.currentOption(), qint64(AccessorKind::Text));
    few.buildOptionEditors(qint64(AccessorKind::Field), false);
    QCOMPARE(few.typeFlags(), qint64(AccessorKind::Size)); // the first entry
    QCOMPARE(few.currentOption(), qint64(AccessorKind::Field));
    QCOMPARE(few.optionLabel()->text(), QStringLiteral("Field expression:"));
    few.textEdit()->setText(QStringLiteral(".d"));
    QCOMPARE(few.value(), QJsonValue(QJsonObject{{QStringLiteral("Field"), QStringLiteral(".d")}}));
    pick(few, qint64(AccessorKind::Text));
    QCOMPARE(few.currentOption(), qint64(AccessorKind::Text));
    QCOMPARE(few.optionLabel()->text(), QStringLiteral("Text"));
}

void tst_AccessorInput::pythonOptions()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    QVERIFY(!input.pythonEditor());
    const struct
    {
        AccessorKind kind;
        const char *signature;
        const char *parameterHelp;
    } options[] = {
        {AccessorKind::PythonCall, "def myAccessor(d, value):", "<li><b>value</b>: This holds the currently"},
        {AccessorKind::PythonContainerCall, "def myAccessor(d, value, container):", "<li><b>container</b>: the container"},
        {AccessorKind::FilterAPI, "def myAccessor(d, key, value):", "<li><b>key</b>: This holds the current key"},
    };
    PythonEditor *editor = nullptr;
    for (const auto &option : options) {
        input.buildOptionEditors(qint64(option.kind), true);
        QVERIFY(input.pythonEditor());
        if (!editor)
            editor = input.pythonEditor();
        QCOMPARE(input.pythonEditor(), editor); // one editor per input
        QCOMPARE(editor->signatureText(), QString::fromLatin1(option.signature));
        QVERIFY(!input.pythonButton()->isHidden());
        QVERIFY(input.optionPanel()->isHidden());
        QCOMPARE(input.pythonButton()->text(),
                 QStringLiteral("Enter the Python code: ") + QString::fromLatin1(option.signature).mid(4));
        QCOMPARE(input.pythonButton()->toolTip(),
                 QStringLiteral("Enter the body of the Python function that can be used to access to the right field."));
        const QString help = input.pythonButton()->whatsThis();
        QVERIFY(help.startsWith("Enter the body of the Python function that can be used to access to the right "
                                "field.The following parameters are passed to the Python callback:<ul><li><b>d</b>"));
        QVERIFY(help.contains("<a href='SPECIALPYTHON'>here</a>"));
        QVERIFY(help.contains(QString::fromLatin1(option.parameterHelp)));
        QVERIFY(!input.isValid());
        QCOMPARE(input.errorMessage(), QStringLiteral("Python code is empty"));
        if (editor->bodyText(0).isEmpty())
            editor->setBodyText("return value.x");
        QCOMPARE(editor->bodyText(0), QStringLiteral("return value.x")); // kept across switches
    }
    const QString extra = ObjectWithLink<QToolButton>::links.value("SPECIALPYTHON");
    QVERIFY(extra.startsWith("The following extra convinience API are provided:<ul><li><b>d.directBaseType"));
    QVERIFY(extra.endsWith("<li> </li></ul>"));

    // The editor's document is connected once: one edit, one validation.
    QSignalSpy changed(&input, &AccessorInput::changed);
    editor->setBodyText("return value.y");
    QCOMPARE(changed.count(), 1);

    // Another option hides the button but keeps the editor.
    pick(input, qint64(AccessorKind::Field));
    QVERIFY(input.pythonButton()->isHidden());
    QCOMPARE(input.pythonEditor(), editor);
}

void tst_AccessorInput::values_data()
{
    QTest::addColumn<qint64>("flag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("templateOption");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, AccessorKind kind, const char *text, int first, int second, int option,
                        const char *expected) {
        QTest::newRow(name) << qint64(kind) << QString::fromLatin1(text) << first << second << option
                            << QString::fromLatin1(expected);
    };
    row("none", AccessorKind::KindNone, "", 0, 0, 0, "null");
    row("cpp type", AccessorKind::CppType, "std::string", 0, 0, 0, R"({"CppType":"std::string"})");
    row("template type", AccessorKind::TemplateType, "QList<int>", 0, 0, 0, R"({"TemplateType":"QList<int>"})");
    row("param type", AccessorKind::ParamType, "QList<\\0>", 0, 0, 0, R"({"ParamType":"QList<\\0>"})");
    row("field", AccessorKind::Field, ".d.size", 0, 0, 0, R"({"Field":".d.size"})");
    row("lambda", AccessorKind::LambdaExpression, "value['x']", 0, 0, 0, R"({"LambdaExpression":"value['x']"})");
    row("method", AccessorKind::InferiorMethod, "size", 0, 0, 0, R"({"InferiorMethod":"size"})");
    row("function", AccessorKind::InferiorFunction, "dump", 0, 0, 0, R"({"InferiorFunction":"dump"})");
    row("template no option", AccessorKind::TemplateArgumentType, "", 2, 0, 0,
        R"({"TemplateArgument":2,"TemplateOption":""})");
    row("template pointer", AccessorKind::TemplateArgumentType, "", 0, 0, 1,
        R"({"TemplateArgument":0,"TemplateOption":"Pointer"})");
    row("template large", AccessorKind::TemplateArgumentType, "", 1, 0, 2,
        R"({"TemplateArgument":1,"TemplateOption":"PointerIfLarge"})");
    row("template int", AccessorKind::TemplateArgumentInt, "", 3, 0, 0, R"({"TemplateArgument":3})");
    row("base class", AccessorKind::AsBaseClass, "", 1, 0, 0, R"({"AsBaseClass":1})");
    row("size", AccessorKind::Size, "", 2, 1, 0, R"({"Size":{"Int":2,"Ptr":1}})");
    row("offset negative", AccessorKind::Offset, "", -2, 3, 0, R"({"Offset":{"Int":-2,"Ptr":3}})");
    row("text", AccessorKind::Text, "shown", 0, 0, 0, "\"shown\"");
    row("text empty", AccessorKind::Text, "", 0, 0, 0, "\"\"");
    row("mandatory text", AccessorKind::TextAlternative, "shown", 0, 0, 0, "\"shown\"");
    row("key filter", AccessorKind::FilterKey, ".k", 0, 0, 0, R"({"key":".k"})");
    row("value filter", AccessorKind::FilterValue, ".v", 0, 0, 0, R"({"value":".v"})");
    row("class name", AccessorKind::ClassName, "QString", 0, 0, 0, "\"QString\"");
    row("container class name", AccessorKind::ContainerClassName, "QList", 0, 0, 0, "\"QList\"");
}

void tst_AccessorInput::values()
{
    QFETCH(qint64, flag);
    QFETCH(QString, text);
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, templateOption);
    QFETCH(QString, expected);

    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    pick(input, flag);
    input.textEdit()->setText(text);
    input.firstSpin()->setValue(first);
    input.secondSpin()->setValue(second);
    input.templateOptionCombo()->setCurrentIndex(templateOption);
    const QJsonValue value = input.value();
    QCOMPARE(jsonText(value), expected);

    // Loading the value into a fresh input of the same option gives it back.
    AccessorInput loaded(Key::accessor, allAccessorOptions, nullptr);
    pick(loaded, flag); // plain strings are read by the current option
    loaded.setValue(QJsonObject{{Key::accessor, value}}, true);
    QCOMPARE(loaded.typeFlags(), flag);
    QCOMPARE(jsonText(loaded.value()), expected);
}

void tst_AccessorInput::kindWords()
{
    AccessorInput fieldKind(Key::type, fieldKinds, nullptr);
    pick(fieldKind, qint64(AccessorKind::TypeEnum));
    QCOMPARE(fieldKind.optionCombo()->currentText(), QStringLiteral("Enumeration"));
    QCOMPARE(fieldKind.value(), QJsonValue("Enum"));
    pick(fieldKind, qint64(AccessorKind::TypeStandard));
    QCOMPARE(fieldKind.value(), QJsonValue("Standard"));

    AccessorInput classKind(Key::feature, classKinds, nullptr);
    pick(classKind, qint64(AccessorKind::FeatureEnumeration));
    QCOMPARE(classKind.optionCombo()->currentText(), QStringLiteral("Enum Mode"));
    QCOMPARE(classKind.value(), QJsonValue("Enumeration"));

    // Every kind word reads back as its own option.
    for (quint64 mask : {fieldKinds, classKinds}) {
        AccessorInput input(Key::type, mask, nullptr);
        AccessorInput loaded(Key::type, mask, nullptr);
        for (int i = 0; i < input.optionCombo()->count(); ++i) {
            input.optionCombo()->setCurrentIndex(i);
            loaded.setValue(QJsonObject{{Key::type, input.value()}}, true);
            QCOMPARE(loaded.typeFlags(), input.typeFlags());
            QVERIFY(loaded.isValid());
        }
    }
}

void tst_AccessorInput::loadFallsBackToCurrentOption()
{
    AccessorInput input(Key::accessor, kindWord(AccessorKind::Field) | kindWord(AccessorKind::Size), nullptr);
    pick(input, qint64(AccessorKind::Size));
    input.setValue(jsonObject(R"({"accessor": {"CppType": "std::string"}})"), true);
    // Not offered: the stored kind keeps its editor (over the menu's first
    // entry), filled and judged, so that opening it loses nothing.
    QCOMPARE(input.typeFlags(), qint64(AccessorKind::Field));
    QCOMPARE(input.currentOption(), qint64(AccessorKind::CppType));
    QCOMPARE(input.textEdit()->text(), QStringLiteral("std::string"));
    QVERIFY(input.isValid());
    QCOMPARE(input.value().toObject(), jsonObject(R"({"CppType": "std::string"})"));
    // An unreadable object is judged in the current entry's editor.
    pick(input, qint64(AccessorKind::Size));
    input.setValue(jsonObject(R"({"accessor": {"nosuch": 1}})"), true);
    QCOMPARE(input.currentOption(), qint64(AccessorKind::Size));
    QVERIFY(!input.isValid());

    input.setValue(jsonObject(R"({"Size": {"Int": 1, "Ptr": 2}})"), false);
    QCOMPARE(input.firstSpin()->value(), 1);
    QCOMPARE(input.secondSpin()->value(), 2);
    QVERIFY(input.isValid());
}

void tst_AccessorInput::loadDoesNotNotify()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    QSignalSpy changed(&input, &AccessorInput::changed);
    input.setValue(jsonObject(R"({"accessor": {"Field": ".a + .b"}})"), true);
    input.setValue(jsonObject(R"({"accessor": {"TemplateArgument": 1, "TemplateOption": "PointerIfLarge"}})"), true);
    QCOMPARE(input.templateOptionCombo()->currentText(), QStringLiteral("Pointer If Large"));
    input.setValue(jsonObject(R"({"accessor": {"PythonAPIHeader": "def myAccessor(d, value):",
                                         "PythonAPIBody": "return value"}})"), true);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(input.typeFlags(), qint64(AccessorKind::PythonCall));
    QCOMPARE(input.pythonEditor()->bodyText(0), QStringLiteral("return value"));
}

// The forms the menu rows of values() do not make.
void tst_AccessorInput::loadGivesValueBack_data()
{
    QTest::addColumn<QByteArray>("accessor");
    QTest::newRow("field faulty") << QByteArray(R"({"Field": ".a +"})");
    QTest::newRow("python") << QByteArray(R"({"PythonAPIHeader": "def myAccessor(d, value):",
        "PythonAPIBody": "x = value['d']\n\nreturn x"})");
    QTest::newRow("python container") << QByteArray(R"({"PythonAPIHeader": "def myAccessor(d, value, container):",
        "PythonAPIBody": "return container"})");
    QTest::newRow("filter api") << QByteArray(R"({"PythonAPIHeader": "def myAccessor(d, key, value):",
        "PythonAPIBody": "if key:\n    return True\nreturn False"})");
}

void tst_AccessorInput::loadGivesValueBack()
{
    QFETCH(QByteArray, accessor);
    const QJsonObject original{{Key::accessor, QJsonDocument::fromJson(accessor).object()}};
    QVERIFY(!original.value(Key::accessor).toObject().isEmpty());
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    input.setValue(original, true);
    QCOMPARE(input.value(), original.value(Key::accessor));
}

void tst_AccessorInput::optionHelp()
{
    AccessorInput input(Key::accessor, allAccessorOptions, nullptr);
    const QString help = input.optionHelpList();
    // Ascending words: the item of 0x800000 after the one of 0x200000,
    // though the menu lists it beside the other template option.
    const int containerClass = help.indexOf("<li><b>Container Class Name</b>: This is used to refer to an existing "
                                            "C&#x2060;/&#x2060;C&#x2060;+&#x2060;+  model name. The model must "
                                            "implements a container.");
    const int templateInt = help.indexOf("<li><b>Template Argument Index (Int)</b>: You can enter an integer "
                                         "constant that is defined from one of the current object template "
                                         "parameters.");
    QVERIFY(containerClass > 0);
    QVERIFY(templateInt > containerClass);
    QVERIFY(help.startsWith("<li><b>None</b>: The option is not mandatory and you may omit it.<li><b>C++ Type</b>"));
    QCOMPARE(help.count("<li><b>Python Call</b>: This is used to define the Python code used to extract a sub-field."), 2);
    QCOMPARE(help.count("<li><b>Text</b>: You can enter"), 2);
    QCOMPARE(help.count("<li>"), 23);

    AccessorInput kinds(Key::type, fieldKinds, nullptr);
    QVERIFY(kinds.optionHelpList().endsWith("<li><b>Speudo Container</b>: Not used"));
    QCOMPARE(AccessorInput(Key::type, nullptr).optionHelpList(), QString());
}

void tst_AccessorInput::optionMenuHelp()
{
    AccessorInput input(Key::accessor, kindWord(AccessorKind::Size) | kindWord(AccessorKind::Offset), nullptr);
    QCOMPARE(input.optionCombo()->toolTip(), QStringLiteral("Select the right option to enter the parameter value."));
    QCOMPARE(input.optionCombo()->whatsThis(),
             QStringLiteral("The following options are available:<ul><li><b>Size</b>: You can enter a "
                            "C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class size.<li><b>Offset</b>: You can "
                            "enter an object address as an offset from the current object.</ul>"));

    // The expression help joins its pieces with double quotes.
    pick(input, qint64(AccessorKind::Size));
    AccessorInput field(Key::accessor, kindWord(AccessorKind::Field), nullptr);
    const QString help = field.optionLabel()->whatsThis();
    QCOMPARE(help.count('"'), 7);
    QVERIFY(help.contains("<li><b>{Field:\"<i>my field</i>[:\"<i>real type</i>\"]}</b>"));
    QVERIFY(help.contains("<li><b>\"A String\"</b>: A string.</li>"));
    QVERIFY(help.endsWith("All the above arithmetic is performed on Python Object, not gdb.Value Object"));
    QCOMPARE(field.textEdit()->whatsThis(), help);

    AccessorInput param(Key::accessor, kindWord(AccessorKind::ParamType), nullptr);
    QVERIFY(param.optionLabel()->whatsThis().contains("<li><b>\\n</b>: (with n between 0 and 9)"));
    QVERIFY(param.optionLabel()->whatsThis().contains("Ex: \\0.1.1 refer to int"));
}

QTEST_MAIN(tst_AccessorInput)
#include "tst_accessorinput.moc"
