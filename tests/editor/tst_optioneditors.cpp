// The editors of a general accessor and of the "string" and "bitArray"
// objects: their rows and starting editors, validity and shown state,
// loading without notices, error location, help, and the round trip of every
// such object of the built-in model set through the editor and a stored
// document into the same Python as its generator makes of the original.

#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/generalaccessorgenerator.h"
#include "configuration/keys.h"
#include "configuration/optionsgenerators.h"
#include "configuration/pythonerror.h"
#include "editor/accessorinput.h"
#include "editor/generalaccessor.h"
#include "editor/optionseditors.h"
#include "editor/pythoneditor.h"
#include "editor/tipbutton.h"

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSaveFile>
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

// Stores the object as part of a class definition and reads it back.
QJsonObject throughDocument(const TestEnvironment &environment, const QString &key, const QJsonValue &value)
{
    const QJsonObject root{{Key::classes, QJsonArray{QJsonObject{
                                              {Key::className, QJsonObject{{Key::TemplateType, "T"}}},
                                              {key, value}}}}};
    const QString path = environment.filePath(QStringLiteral("editor.conf"));
    {
        QSaveFile file(path);
        if (!writeConfiguration(root, file))
            return QJsonObject();
    }
    QFile file(path);
    QJsonObject read;
    if (!readConfiguration(read, file))
        return QJsonObject();
    return read.value(Key::classes).toArray().first().toObject();
}

template<class Generator>
PythonCode generated(Generator &generator, const QJsonObject &definition)
{
    Internal::resetEmissionState();
    generator.setValue(definition, true);
    return generator.generate();
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
    void generalAccessorRoundTrip_data();
    void generalAccessorRoundTrip();
    // StringOptions
    void stringOptionsRows();
    void stringOptionsShownStateAndErrors();
    void stringOptionsRoundTrip_data();
    void stringOptionsRoundTrip();
    // BitArrayOptions
    void bitArrayOptionsRows();
    void bitArrayOptionsLoadingAndErrors();
    void bitArrayOptionsRoundTrip_data();
    void bitArrayOptionsRoundTrip();

private:
    void builtinObjects(const QString &key);
    // Loads the object into the editor, waits for its checks, stores the
    // editor's value in a document and compares the generator's Python of
    // what was read back with that of the original.
    template<class Editor, class Generator>
    void roundTrip(Editor &editor, Generator &generator, const QJsonObject &object);

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

    // A non-object entry loads every row from nothing: each is "None" and
    // writes no key.
    editor.setValue(QJsonObject{{Key::value, QStringLiteral("text")}}, true);
    QCOMPARE(editor.value().toObject(), QJsonObject());
    QCOMPARE(editor.accessorRow()->input()->currentOption(), qint64(0x1));
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

void tst_OptionEditors::builtinObjects(const QString &key)
{
    QTest::addColumn<QJsonObject>("object");
    const QJsonArray classes = builtinClasses();
    QVERIFY(!classes.isEmpty());
    int rows = 0;
    for (const QJsonValue &entry : classes) {
        const QJsonObject definition = entry.toObject();
        if (!definition.value(key).isObject())
            continue;
        const QString name = definition.value(Key::className).toObject().value(Key::TemplateType).toString();
        QTest::newRow(qPrintable(name + QLatin1Char(' ') + QString::number(rows++))) << definition.value(key).toObject();
    }
    QVERIFY(rows > 0);
}

void tst_OptionEditors::generalAccessorRoundTrip_data()
{
    builtinObjects(Key::header);
}

void tst_OptionEditors::generalAccessorRoundTrip()
{
    QFETCH(QJsonObject, object);
    GeneralAccessor editor(QStringLiteral("Header"), Key::header, nullptr, false);
    editor.setValue(QJsonObject{{Key::header, object}}, true);
    QCOMPARE(editor.value(), QJsonValue(object));

    const QJsonObject stored = throughDocument(m_environment, Key::header, editor.value());
    QCOMPARE(stored.value(Key::header), QJsonValue(object));

    GeneralAccessorGenerator fromOriginal(Key::header);
    const PythonCode expected = generated(fromOriginal, QJsonObject{{Key::header, object}});
    QVERIFY(expected.expression.startsWith(QStringLiteral("header = _Id_")));
    GeneralAccessorGenerator fromStored(Key::header);
    QCOMPARE(generated(fromStored, stored), expected);
    Internal::resetEmissionState();
    QCOMPARE(editor.generate(), expected);
}

template<class Editor, class Generator>
void tst_OptionEditors::roundTrip(Editor &editor, Generator &generator, const QJsonObject &object)
{
    const QString key = editor.key();
    editor.setValue(QJsonObject{{key, object}}, true);
    QCOMPARE(editor.value(), QJsonValue(object));
    // Python entries are checked by the interpreter in the background; the
    // value does not wait for them.
    const auto checking = [&editor] {
        for (const AccessorField *row : editor.rows()) {
            if (row->input()->isChecking())
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!checking(), 15000);
    QCOMPARE(editor.value(), QJsonValue(object));

    const QJsonObject stored = throughDocument(m_environment, key, editor.value());
    const PythonCode expected = generated(generator, QJsonObject{{key, object}});
    QVERIFY(expected.expression.startsWith(key + QStringLiteral(" = ")));
    QCOMPARE(generated(generator, stored), expected);
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

void tst_OptionEditors::stringOptionsRoundTrip_data()
{
    builtinObjects(Key::string);
}

void tst_OptionEditors::stringOptionsRoundTrip()
{
    QFETCH(QJsonObject, object);
    StringOptions editor;
    StringOptionsGenerator generator;
    roundTrip(editor, generator, object);
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

void tst_OptionEditors::bitArrayOptionsRoundTrip_data()
{
    builtinObjects(Key::bitArray);
}

void tst_OptionEditors::bitArrayOptionsRoundTrip()
{
    QFETCH(QJsonObject, object);
    BitArrayOptions editor;
    BitArrayOptionsGenerator generator;
    roundTrip(editor, generator, object);
}

QTEST_MAIN(tst_OptionEditors)
#include "tst_optioneditors.moc"
