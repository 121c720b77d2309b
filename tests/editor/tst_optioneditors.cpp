// The editors of a general accessor and of the "string" and "bitArray"
// objects, and every such object of the built-in model set loaded into them.

#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/generalaccessorgenerator.h"
#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "editor/accessorinput.h"
#include "editor/generalaccessor.h"
#include "editor/optionseditors.h"
#include "editor/pythoneditor.h"
#include "editor/tipbutton.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

QStringList menuOf(const AccessorField *row)
{
    QStringList entries;
    for (int i = 0; i < row->input()->optionCombo()->count(); ++i)
        entries << row->input()->optionCombo()->itemText(i);
    return entries;
}

bool offers(const AccessorField *row, qint64 option)
{
    for (int i = 0; i < row->input()->optionCombo()->count(); ++i) {
        if (row->input()->typeFlags(i) == option)
            return true;
    }
    return false;
}

void pick(AccessorField *row, qint64 option)
{
    for (int i = 0; i < row->input()->optionCombo()->count(); ++i) {
        if (row->input()->typeFlags(i) == option) {
            row->input()->optionCombo()->setCurrentIndex(i);
            return;
        }
    }
    QFAIL("option not offered");
}

PythonError errorAt(const QString &path)
{
    PythonError error;
    error.flags = PythonError::FlagApi | PythonError::FlagErrorDesc;
    error.api = path.split(QLatin1Char('.'));
    error.errorDesc = QStringLiteral("failed");
    return error;
}

const QStringList accessorMenu{"Field", "Lambda", "Python Call", "Inferior Call: Method", "Inferior Call: Function",
                               "Offset"};

QJsonArray builtinClasses()
{
    QFile file(qEnvironmentVariable("KORVAN_SOURCE_DIR") + QStringLiteral("/resources/PrettyPrinters.conf"));
    QJsonObject root;
    if (!readConfiguration(root, file))
        return QJsonArray();
    return root.value(Key::classes).toArray();
}

} // namespace

class tst_OptionEditors : public QObject
{
    Q_OBJECT
private slots:
    // GeneralAccessor
    void generalAccessorRows();
    void generalAccessorDirection();
    void generalAccessorValidityAndShownState();
    void generalAccessorErrors();
    void generalAccessorHelp();
    // StringOptions
    void stringOptionsRows();
    void stringOptionsShownStateAndErrors();
    // BitArrayOptions
    void bitArrayOptionsRows();
    void bitArrayOptionsLoadingAndErrors();
    // Every built-in header, string and bitArray object
    void builtinObjects_data();
    void builtinObjects();

private:
    TestEnvironment m_environment;
};

void tst_OptionEditors::generalAccessorRows()
{
    GeneralAccessor plain(QStringLiteral("Header"), Key::header, nullptr, false);
    QCOMPARE(plain.title(), QStringLiteral("Header"));
    QCOMPARE(plain.widget(), &plain);
    QCOMPARE(plain.accessorRow()->label()->text(), QStringLiteral("Accessor"));
    QCOMPARE(plain.postProcessRow()->label()->text(), QStringLiteral("Post-Process"));
    QCOMPARE(menuOf(plain.accessorRow()), accessorMenu);
    QCOMPARE(menuOf(plain.typeRow()), (QStringList{"None", "C++ Type (With Argument)",
                                                   "Template Argument Index (Type)", "Base Class Index"}));
    QCOMPARE(menuOf(plain.postProcessRow()), QStringList{"None"} + accessorMenu);
    QCOMPARE(plain.accessorRow()->input()->optionCombo()->currentText(), QStringLiteral("Field"));
    QCOMPARE(plain.typeRow()->input()->optionCombo()->currentText(), QStringLiteral("None"));
    // A fresh editor: the accessor at most.
    QCOMPARE(plain.value().toObject().keys(), QStringList{Key::accessor});

    // The forms differ in the Python call the entries offer.
    GeneralAccessor container(QStringLiteral("Key"), Key::key, nullptr, true);
    for (const GeneralAccessor *editor : {&plain, &container}) {
        const bool withContainer = editor == &container;
        for (const AccessorField *row : {editor->accessorRow(), editor->postProcessRow(), editor->directionFieldRow()}) {
            QCOMPARE(offers(row, 0x80), withContainer);
            QCOMPARE(offers(row, 0x40), !withContainer);
        }
    }
}

void tst_OptionEditors::generalAccessorDirection()
{
    GeneralAccessor editor(QStringLiteral("Value"), Key::value, nullptr, true);
    QVERIFY(!editor.directionFieldRow()->visible());
    QVERIFY(!editor.directionTypeRow()->visible());

    // A loaded direction field does not show the direction type: loading
    // is silent.
    QSignalSpy changed(&editor, &GeneralAccessor::changed);
    editor.setValue(QJsonObject{{Key::value, QJsonObject{{Key::directionField,
                                                          QJsonObject{{Key::Field, QStringLiteral(".dir")}}}}}},
                    true);
    QVERIFY(!editor.directionTypeRow()->visible());
    QCOMPARE(editor.value().toObject().value(Key::directionField),
             QJsonValue(QJsonObject{{Key::Field, QStringLiteral(".dir")}}));

    // A change of the direction field does.
    pick(editor.directionFieldRow(), 0x1);
    QVERIFY(!editor.directionTypeRow()->visible());
    pick(editor.directionFieldRow(), 0x20);
    QVERIFY(editor.directionTypeRow()->visible());
    pick(editor.directionFieldRow(), 0x1);
    QVERIFY(!editor.directionTypeRow()->visible());
    QVERIFY(changed.count() >= 2);

    // A non-object entry loads every row from nothing and writes no key:
    // the rows that offer "None" show it, the accessor row waits on its
    // menu's entry for a value.
    editor.setValue(QJsonObject{{Key::value, QStringLiteral("text")}}, true);
    QCOMPARE(editor.value().toObject(), QJsonObject());
    QCOMPARE(editor.accessorRow()->input()->currentOption(), qint64(0x10));
    QVERIFY(!editor.accessorRow()->input()->isValid());
    QCOMPARE(editor.postProcessRow()->input()->currentOption(), qint64(0x1));
    QVERIFY(!editor.value().toObject().contains(Key::directionField));
}

void tst_OptionEditors::generalAccessorValidityAndShownState()
{
    GeneralAccessor editor(QStringLiteral("Accessor"), Key::accessor, nullptr, false);
    // An empty field expression is no accessor.
    QVERIFY(!editor.accessorRow()->input()->isValid());
    QVERIFY(!editor.isValid());
    QVERIFY(!editor.accessorRow()->statusLabel()->text().isEmpty());

    // Every row is marked, not only the first invalid one.
    pick(editor.typeRow(), 0x8);
    QVERIFY(!editor.typeRow()->input()->isValid());
    QVERIFY(!editor.isValid());
    QVERIFY(!editor.typeRow()->statusLabel()->text().isEmpty());

    editor.accessorRow()->input()->textEdit()->setText(QStringLiteral(".d"));
    pick(editor.typeRow(), 0x1);
    QVERIFY(editor.isValid());
    QVERIFY(editor.accessorRow()->statusLabel()->text().isEmpty());

    // A hidden row with an invalid entry does not count.
    pick(editor.directionFieldRow(), 0x10);
    QVERIFY(!editor.directionFieldRow()->input()->isValid());
    QVERIFY(editor.isValid());

    // Hidden, the editor is valid and makes no code.
    QSignalSpy changed(&editor, &GeneralAccessor::changed);
    editor.setVisible(true); // already shown: nothing
    QCOMPARE(changed.count(), 0);
    editor.accessorRow()->input()->textEdit()->setText(QString());
    changed.clear();
    editor.setVisible(false);
    QCOMPARE(changed.count(), 1);
    QVERIFY(!editor.shown());
    QVERIFY(editor.isValid());
    QCOMPARE(editor.generate(), PythonCode());

    // Shown again: the inputs re-check themselves without notices of their
    // own, and the editor notifies once.
    QSignalSpy inputChanged(editor.accessorRow()->input(), &AccessorInput::changed);
    editor.setVisible(true);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(inputChanged.count(), 0);
    QVERIFY(!editor.isValid());
    editor.setVisible(true);
    QCOMPARE(changed.count(), 2);
}

void tst_OptionEditors::generalAccessorErrors()
{
    GeneralAccessor editor(QStringLiteral("Key"), Key::key, nullptr, true);
    PythonError typeError = errorAt(QStringLiteral("type.inner.rest"));
    QVERIFY(editor.showError(&typeError));
    QCOMPARE(typeError.api, (QStringList{"inner", "rest"}));
    QVERIFY(editor.typeRow()->tipButton()->menu());
    QVERIFY(!editor.accessorRow()->tipButton()->menu());

    // A hidden row still takes its error.
    PythonError directionError = errorAt(QStringLiteral("directionType"));
    QVERIFY(editor.showError(&directionError));
    QVERIFY(editor.directionTypeRow()->tipButton()->menu());

    PythonError other = errorAt(QStringLiteral("bogus.accessor"));
    QVERIFY(!editor.showError(&other));
    QCOMPARE(other.api, QStringList{"accessor"}); // consumed all the same
    QVERIFY(!editor.showError(nullptr));
}

void tst_OptionEditors::generalAccessorHelp()
{
    GeneralAccessor editor(QStringLiteral("Key"), Key::key, nullptr, true);
    editor.installHelp(QStringLiteral("The Key"), QStringLiteral("Preface."), QStringLiteral("The box"));
    QCOMPARE(editor.toolTip(), QStringLiteral("The box"));

    const QLabel *accessor = editor.accessorRow()->label();
    const QString accessorTip = QStringLiteral("The Key's <i>accessor</i> is used to define the access mechanism to the key.");
    QCOMPARE(accessor->toolTip(), accessorTip);
    const QString accessorText = accessor->whatsThis();
    QVERIFY(accessorText.startsWith(QStringLiteral("<b>") + accessorTip + QStringLiteral("</b><br><br>Preface.<br>The Key's <i>Accessor</i> is the 1<sup>st</sup> step")));
    QVERIFY(accessorText.contains(QStringLiteral("</ul>The Key's <i>Accessor</i> can be defined")));
    QVERIFY(accessorText.contains(editor.accessorRow()->input()->optionHelpList()));

    const QLabel *type = editor.typeRow()->label();
    QCOMPARE(type->toolTip(), QStringLiteral("The Key's <i>Type</i> is used to define the real data type of the key."));
    QVERIFY(type->whatsThis().contains(QStringLiteral("</b><br><br>Preface.Normal behavior is that the key's type")));
    QVERIFY(type->whatsThis().endsWith(QStringLiteral("cast operation is silently ignored.")));

    const QLabel *postProcess = editor.postProcessRow()->label();
    QCOMPARE(postProcess->toolTip(), QStringLiteral("The Key <i>Post-Process</i> is used to optionally format the key."));
    QVERIFY(postProcess->whatsThis().contains(QStringLiteral("Preface.The formating of the data")));

    QVERIFY(editor.directionFieldRow()->label()->toolTip().isEmpty());
    QVERIFY(editor.directionTypeRow()->label()->whatsThis().isEmpty());

    // Without a preface, no break before the accessor text.
    GeneralAccessor plain(QStringLiteral("Header"), Key::header, nullptr, false);
    plain.installHelp(QStringLiteral("The Header"), QString(), QString());
    QVERIFY(plain.accessorRow()->label()->whatsThis().contains(QStringLiteral("</b><br><br>The Header's <i>Accessor</i>")));
}

void tst_OptionEditors::stringOptionsRows()
{
    StringOptions editor;
    QCOMPARE(editor.key(), Key::string);
    QCOMPARE(editor.widget(), &editor);
    const auto rows = editor.rows();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.at(0)->label()->text(), QStringLiteral("Base Address"));
    QCOMPARE(rows.at(3)->key(), Key::encoding);
    QCOMPARE(menuOf(rows.at(0)), accessorMenu);
    QCOMPARE(menuOf(rows.at(2)), (QStringList{"C++ Type (With Argument)", "Template Argument Index (Type)"}));
    QCOMPARE(menuOf(rows.at(3)), QStringList{"Text"});

    // Base and length start on the Python function with the container,
    // over the first menu entry; loading replaces it.
    for (int i : {0, 1}) {
        QCOMPARE(rows.at(i)->input()->currentOption(), qint64(0x80));
        QVERIFY(!rows.at(i)->input()->pythonButton()->isHidden());
        QCOMPARE(rows.at(i)->input()->pythonEditor()->callSignature(),
                 QStringLiteral("myAccessor(d, value, container):"));
        QCOMPARE(rows.at(i)->input()->optionCombo()->currentText(), QStringLiteral("Field"));
    }
    QCOMPARE(rows.at(2)->input()->currentOption(), qint64(0x8));
    // An empty encoding is stored, not left out.
    QCOMPARE(editor.value().toObject().value(Key::encoding), QJsonValue(QString()));

    editor.setValue(QJsonObject{{Key::string, QJsonObject{{Key::base, QJsonObject{{Key::Field, ".d"}}}}}}, true);
    QCOMPARE(rows.at(0)->input()->currentOption(), qint64(0x10));
    QCOMPARE(editor.value().toObject().value(Key::base), QJsonValue(QJsonObject{{Key::Field, ".d"}}));

    // Help: each sentence over the common text.
    QCOMPARE(rows.at(1)->label()->toolTip(),
             QStringLiteral("The <i>Length</i> is used to access to the exact lenght of the string."));
    QVERIFY(rows.at(1)->label()->whatsThis().startsWith(
        QStringLiteral("<b>The <i>Length</i> is used to access to the exact lenght of the string.</b><br><br>A String object is an array")));
    QCOMPARE(editor.generate(), PythonCode());
}

void tst_OptionEditors::stringOptionsShownStateAndErrors()
{
    StringOptions editor;
    // The Python functions are still empty.
    QVERIFY(!editor.isValid());
    QSignalSpy changed(&editor, &StringOptions::changed);
    editor.setVisible(false);
    QCOMPARE(changed.count(), 1);
    QVERIFY(editor.isValid());
    QCOMPARE(editor.generate(), PythonCode());
    editor.setVisible(true);
    QCOMPARE(changed.count(), 2);
    QVERIFY(!editor.isValid());
    editor.setVisible(true);
    QCOMPARE(changed.count(), 2);

    PythonError length = errorAt(QStringLiteral("length.x"));
    QVERIFY(editor.showError(&length));
    QVERIFY(editor.rows().at(1)->tipButton()->menu());
    QCOMPARE(length.api, QStringList{"x"});
    PythonError other = errorAt(QStringLiteral("size"));
    QVERIFY(!editor.showError(&other));
    QVERIFY(other.api.isEmpty());
}

void tst_OptionEditors::bitArrayOptionsRows()
{
    BitArrayOptions editor;
    QCOMPARE(editor.key(), Key::bitArray);
    const auto rows = editor.rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0)->key(), Key::base);
    QCOMPARE(rows.at(1)->key(), Key::length);
    for (const AccessorField *row : rows) {
        QCOMPARE(menuOf(row), accessorMenu);
        QCOMPARE(row->input()->optionCombo()->currentText(), QStringLiteral("Field"));
        QCOMPARE(row->input()->currentOption(), qint64(0x80));
    }
    QCOMPARE(rows.at(0)->label()->toolTip(),
             QStringLiteral("The <i>Base Address</i> is used to refer to the memory location where the first bit is stored."));
    QVERIFY(rows.at(0)->label()->whatsThis().endsWith(
        QStringLiteral("<li><b>The length</b>: the length of the array.</li></ul>")));
    QCOMPARE(editor.generate(), PythonCode());
    editor.setVisible(false);
    QCOMPARE(editor.generate(), PythonCode());
}

void tst_OptionEditors::bitArrayOptionsLoadingAndErrors()
{
    BitArrayOptions editor;
    QSignalSpy changed(&editor, &BitArrayOptions::changed);
    const QJsonObject object{{Key::base, QJsonObject{{Key::Field, "._M_p"}}},
                             {Key::length, QJsonObject{{Key::LambdaExpression, "int(value['n'])"}}}};
    editor.setValue(QJsonObject{{Key::bitArray, object}}, true);
    QCOMPARE(changed.count(), 0); // loading is silent
    QCOMPARE(editor.value(), QJsonValue(object));
    // The rows' signals are open again afterwards.
    editor.rows().at(0)->input()->textEdit()->setText(QStringLiteral("._M_q"));
    QVERIFY(changed.count() >= 1);

    // Each row's own blocking state comes back after a load.
    editor.rows().at(0)->blockSignals(true);
    editor.setValue(QJsonObject{{Key::bitArray, object}}, true);
    QVERIFY(editor.rows().at(0)->signalsBlocked());
    QVERIFY(!editor.rows().at(1)->signalsBlocked());
    editor.rows().at(0)->blockSignals(false);

    // Not under its key: both rows from nothing, "None", no key written.
    editor.setValue(QJsonObject{{Key::string, object}}, true);
    QCOMPARE(editor.value().toObject(), QJsonObject());

    // Read as the whole object when not by key.
    editor.setValue(object, false);
    QCOMPARE(editor.value(), QJsonValue(object));

    PythonError length = errorAt(QStringLiteral("length"));
    QVERIFY(editor.showError(&length));
    QVERIFY(editor.rows().at(1)->tipButton()->menu());
    QVERIFY(!editor.rows().at(0)->tipButton()->menu());
    PythonError other = errorAt(QStringLiteral("format.base"));
    QVERIFY(!editor.showError(&other));
    QCOMPARE(other.api, QStringList{"base"});
}

void tst_OptionEditors::builtinObjects_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonObject>("object");
    const QJsonArray classes = builtinClasses();
    QVERIFY(!classes.isEmpty());
    for (const QString &key : {Key::header, Key::string, Key::bitArray}) {
        int rows = 0;
        for (const QJsonValue &entry : classes) {
            const QJsonObject definition = entry.toObject();
            if (!definition.value(key).isObject())
                continue;
            const QString name = definition.value(Key::className).toObject().value(Key::TemplateType).toString();
            QTest::newRow(qPrintable(key + ' ' + name + ' ' + QString::number(rows++)))
                << key << definition.value(key).toObject();
        }
        QVERIFY(rows > 0);
    }
}

// The editor gives the object back, also once its Python entries have been
// checked in the background; a header makes its generator's Python.
void tst_OptionEditors::builtinObjects()
{
    QFETCH(QString, key);
    QFETCH(QJsonObject, object);
    GeneralAccessor header(QStringLiteral("Header"), Key::header, nullptr, false);
    StringOptions string;
    BitArrayOptions bitArray;
    BaseInput *editor = key == Key::header ? static_cast<BaseInput *>(&header)
                        : key == Key::string ? static_cast<BaseInput *>(&string) : &bitArray;
    const QList<AccessorField *> rows =
        key == Key::header ? QList<AccessorField *>{header.accessorRow(), header.postProcessRow(), header.directionFieldRow()}
        : key == Key::string ? string.rows() : bitArray.rows();
    editor->setValue(QJsonObject{{key, object}}, true);
    QCOMPARE(editor->value(), QJsonValue(object));
    const auto checking = [](AccessorField *row) { return row->input()->isChecking(); };
    QTRY_VERIFY_WITH_TIMEOUT(std::none_of(rows.begin(), rows.end(), checking), 15000);
    QCOMPARE(editor->value(), QJsonValue(object));
    if (key == Key::header) {
        Internal::resetEmissionState();
        GeneralAccessorGenerator generator(Key::header);
        generator.setValue(QJsonObject{{Key::header, object}}, true);
        const PythonCode expected = generator.generate();
        QVERIFY(expected.expression.startsWith(QStringLiteral("header = _Id_")));
        Internal::resetEmissionState();
        QCOMPARE(editor->generate(), expected);
    }
}

QTEST_MAIN(tst_OptionEditors)
#include "tst_optioneditors.moc"
