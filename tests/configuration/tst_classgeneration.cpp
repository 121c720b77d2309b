// Class and field emitters and the load-time normalisation, through the
// plug-in's generation of a whole document and through single definition
// generators: the exact script of a small document, the special class
// forms, and the expansion of fields that reuse other class models.

#include "common/pythonrunner.h"
#include "common/scriptgeneration.h"
#include "common/testenvironment.h"
#include "common/jsontext.h"

#include "configuration/configurationwizardgenerator.h"
#include "configuration/document.h"
#include "configuration/keys.h"
#include "configuration/normalisation.h"
#include "configuration/pythoncode.h"
#include "editor/configurationlist.h"
#include "plugin/korvandebuggerplugin.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

using namespace KorvanDebugger::Configuration;
using KorvanDebugger::Internal::KorvanDebuggerPlugin;

namespace {

// JSON texts are written with single quotes (moc misreads some raw strings).
QByteArray json(const char *text)
{
    QByteArray bytes(text);
    bytes.replace('\'', '"');
    return bytes;
}

const char smallDocument[] = ("{'classes': [ "
         "{'className': {'TemplateType': 'geo::Vec<int, char*>'}, 'group': 'Geo', 'feature': 'Container', "
         "'fields': [{'type': 'Array', 'displayedName': '#', 'dimension': '1D', 'accessor': {'accessor': {'Field': '.'}}, "
         "'arrayBase': {'Field': '.data'}, 'arraySize': {'Field': '.size'}, 'cellDefinition': {'CppType': 'int'}}]}, "
         "{'className': {'TemplateType': 'Point'}, 'group': 'Geo', 'feature': 'Class', "
         "'fields': [{'type': 'Standard', 'displayedName': 'x', 'accessor': {'accessor': {'Field': '.x'}}}, "
         "{'type': 'Boolean', 'displayedName': 'on', 'accessor': {'accessor': {'Field': '.on'}}, "
         "'trueValue': 'Yes', 'falseValue': 'No'}, "
         "{'type': 'Array', 'displayedName': 'cells', 'dimension': '1D', 'accessor': {'accessor': {'Field': '.cells'}}, "
         "'arrayBase': {'Field': '.data'}, 'arraySize': {'Field': '.n'}, 'cellDefinition': {'CppType': 'int'}}]}, "
         "{'className': {'TemplateType': 'Off'}, 'group': 'Geo', 'feature': 'Class', 'enable': false, 'fields': []} "
         "]}");

const char smallDocumentScript[] = R"(def _Id_3(value):
  global _Id_3
  valueT = "int"
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Id_3 = lambda value : resolvedType
    return resolvedType
try: #--
  _Id_2 = GenericAccessor(accessor = lambda value : value)
  _Id_4 = GenericArrayContainerHelper(accessor = _Id_2,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"],cellDefinition = _Id_3)
  def qform__geo__Vec_a_int_c_char_z_():
      return [AutomaticFormat]
  def qdump__geo__Vec_a_int_c_char_z_(d,value,dumpMode=DefaultMode):
      return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_4],dumpMode = dumpMode)
except Exception as korvanError: #--
  reportDefinitionFailure("classes.Geo.geo::Vec<int, char*>",korvanError,False) #--
try: #--
  _Id_5 = GenericAccessor(accessor = lambda value : value["x"])
  _Id_6 = GenericFieldHelper(accessor = _Id_5,displayedName = "x")
  _Id_7 = GenericAccessor(accessor = lambda value : value["on"])
  _Id_8 = BooleanHelper(accessor = _Id_7,displayedName = "on",trueValue = "Yes",falseValue = "No")
  _Id_9 = GenericAccessor(accessor = lambda value : value["cells"])
  _Id_a = GenericArrayContainerHelper(accessor = _Id_9,displayedName = "cells",arrayBase = lambda value : value["data"],arraySize = lambda value : value["n"],cellDefinition = _Id_3)
  def qform__Point():
      return [AutomaticFormat]
  def qdump__Point(d,value,dumpMode=DefaultMode):
      return GenericDumpClassHelper(d = d,value = value,fields = [_Id_6,_Id_8,_Id_a],dumpMode = dumpMode)
except Exception as korvanError: #--
  reportDefinitionFailure("classes.Geo.Point",korvanError,False) #--
)";

// The record of one definition loaded into its own generator, at the start
// of a generation in the given mode.
PythonCode generated(const QJsonObject &definition, int kind, bool debug = false)
{
    TestEnvironment::setDebugMode(debug);
    deleteHelpersCode();
    ConfigurationWizardGenerator generator(Key::tmp, kind);
    generator.setValue(definition, false);
    return generator.generate();
}

// The normalised fields of a class definition.
QJsonArray normalisedFields(const QJsonObject &definition)
{
    ConfigurationWizardGenerator generator(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
    generator.setValue(definition, false);
    return generator.fields->value().toArray();
}

// A plug-in object over a stored document whose class models the
// normalisation and the field emitter look up.
class StoredModels
{
public:
    explicit StoredModels(const QByteArray &document)
    {
        saveConfigurationFile(jsonObject(document), Key::prettyPrintersDocument);
        m_plugin.reset(new KorvanDebuggerPlugin);
    }

private:
    QScopedPointer<KorvanDebuggerPlugin> m_plugin;
};

// Models that reuse each other: A takes B's fields, B takes A's, and Self
// takes its own.
const char cyclicModels[] = ("{'classes': [ "
         "{'className': {'TemplateType': 'A'}, 'group': 'G', 'feature': 'Class', "
         "'fields': [{'type': 'FromBaseClass', 'model': 'B', 'accessor': {'accessor': {'Field': '.b'}}}, "
         "{'type': 'Standard', 'displayedName': 'a', 'accessor': {'accessor': {'Field': '.a'}}}]}, "
         "{'className': {'TemplateType': 'B'}, 'group': 'G', 'feature': 'Class', "
         "'fields': [{'type': 'FromBaseClass', 'model': 'A', 'accessor': {'accessor': {'Field': '.a'}}}, "
         "{'type': 'Standard', 'displayedName': 'b', 'accessor': {'accessor': {'Field': '.b'}}}]}, "
         "{'className': {'TemplateType': 'Self'}, 'group': 'G', 'feature': 'Class', "
         "'fields': [{'type': 'Standard', 'displayedName': 's', 'accessor': {'accessor': {'Field': '.s'}}}, "
         "{'type': 'FromBaseClass', 'model': 'Self', 'accessor': {'accessor': {'Field': '.next'}}}]} "
         "]}");

QString compiled(const QString &script)
{
    return runPython(compileScript(script)).output.trimmed();
}

} // namespace

class TestClassGeneration : public QObject
{
    Q_OBJECT

private slots:
    void exactScriptOfASmallDocument()
    {
        TestEnvironment env;
        const QJsonObject document = jsonObject(json(smallDocument));
        // Ids in base 36 from _Id_2, one shared function for the two "int"
        // cells, mangled names, a guard per class, nothing for the disabled one.
        const QString first = generateScript(document);
        QCOMPARE(first, QString::fromUtf8(smallDocumentScript));
        QCOMPARE(compiled(first), QStringLiteral("compiled"));

        // The next generation first deletes every name of this one and
        // unregisters the dropped custom dumper; then the same text again.
        registerCustomDumper(QStringLiteral("main"), QStringLiteral("pv"));
        const QString second = generateScript(document);
        QString deletions;
        for (const char *name : {"_Id_2", "_Id_3", "_Id_4", "qform__geo__Vec_a_int_c_char_z_",
                                 "qdump__geo__Vec_a_int_c_char_z_", "_Id_5", "_Id_6", "_Id_7", "_Id_8", "_Id_9",
                                 "_Id_a", "qform__Point", "qdump__Point"})
            deletions += QStringLiteral("try: #--\n  del %1 #--\nexcept: #--\n  pass #--\n").arg(QLatin1String(name));
        QCOMPARE(second, deletions + QStringLiteral("theDumper.unregisterCustom (\"main\",\"pv\")\n") + first);
        QCOMPARE(compiled(second), QStringLiteral("compiled"));
        // Consumed: a further script has neither.
        PythonCode empty;
        QVERIFY(!empty.unregisterCustomsCode(true).contains(QLatin1String("del ")));
        QVERIFY(!PythonCode().unregisterCustomsCode(true).contains(QLatin1String("unregisterCustom")));
    }

    void debugModeNamesEveryHelper()
    {
        TestEnvironment env;
        TestEnvironment::setDebugMode(true);
        const QString script = generateScript(jsonObject(json(smallDocument)));
        QCOMPARE(compiled(script), QStringLiteral("compiled"));
        for (const char *line : {
                 "  _Id_5 = GenericAccessor(accessor = lambda value : getMemberD(value,\"x\"),"
                 "debugContext = \"classes.Geo.Point.fields.x.accessor\")\n",
                 "  _Id_8 = BooleanHelper(accessor = _Id_7,displayedName = \"on\",trueValue = \"Yes\","
                 "falseValue = \"No\",debugContext = \"classes.Geo.Point.fields.on\")\n",
                 "      return GenericDumpClassHelper(d = d,value = value,fields = [_Id_6,_Id_8,_Id_a],"
                 "dumpMode = dumpMode,debugContext = \"classes.Geo.Point\")\n",
                 "  reportDefinitionFailure(\"classes.Geo.Point\",korvanError,True) #--\n"})
            QVERIFY2(script.contains(QLatin1String(line)), line);
    }

    void classForms_data()
    {
        QTest::addColumn<QByteArray>("definition");
        QTest::addColumn<bool>("debug");
        QTest::addColumn<QString>("expected"); // a part of the definitions; empty: no code at all

        QTest::newRow("disabled class") << QByteArray(json("{'className': {'TemplateType': 'P'}, 'enable': false}"))
                                        << false << QString();
        QTest::newRow("feature that is no word")
            << QByteArray(json("{'className': {'TemplateType': 'P'}, 'feature': {'Container': 1}}")) << false << QString();
        QTest::newRow("no group, no fields, template type mangled")
            << QByteArray(json("{'className': {'TemplateType': 'QList<int>'}, 'feature': 'Class'}")) << true
            << QStringLiteral("  def qform__QList_a_int_z_():\n      return [AutomaticFormat]\n"
                              "  def qdump__QList_a_int_z_(d,value,dumpMode=DefaultMode):\n"
                              "      return GenericDumpClassHelper(d = d,value = value,fields = [],dumpMode = dumpMode,"
                              "debugContext = \"<Default>.QList<int>\")\n");
        QTest::newRow("wrapper, identity header left out")
            << QByteArray(json("{'className': {'TemplateType': 'W'}, 'feature': 'Wrapper', "
         "'header': {'accessor': {'Field': ' . '}}}"))
            << false
            << QStringLiteral("\n      return GenericDumpWrapperHelper(d = d,value = value,fields = [],dumpMode = dumpMode)\n");
        QTest::newRow("header with a type is passed")
            << QByteArray(json("{'className': {'TemplateType': 'H'}, 'feature': 'Class', "
         "'header': {'accessor': {'Field': '.'}, 'type': {'CppType': 'int'}}}"))
            << false << QStringLiteral("(d = d,value = value,header = _Id_3,fields = [],dumpMode = dumpMode)\n");
        QTest::newRow("custom path and api, no type name")
            << QByteArray(json("{'className': {'path': 'a.b', 'api': 'x'}, 'group': 'G', 'feature': 'Container'}")) << true
            << QStringLiteral("  def qdump___Id_2(d,value,dumpMode=DefaultMode):\n"
                              "      return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [],"
                              "dumpMode = dumpMode,debugContext = \"custom.x;a_db;\")\n"
                              "except Exception as korvanError: #--\n"
                              "  reportDefinitionFailure(\"custom.x;a_db;\",korvanError,True) #--");
        QTest::newRow("enumeration")
            << QByteArray(json("{'className': {'TemplateType': 'E'}, 'feature': 'Enumeration', "
         "'enumeration': {'enums': ['{ 0x1;::A,0x2;::B }'], 'masks': ['0x3']}}"))
            << false
            << QStringLiteral("  _Id_2 = GenericEnumHelper(enums = ({ 0x1:\"::A\",0x2:\"::B\" }),masks = (0x3))\n"
                              "  def qform__E():\n      return [AutomaticFormat]\n"
                              "  def qdump__E(d,value,dumpMode=DefaultMode):\n"
                              "      return GenericDumpFieldAsParentHelper(fields = [_Id_2],d = d,value = value,"
                              "dumpMode = dumpMode)\n");
    }

    void classForms()
    {
        QFETCH(QByteArray, definition);
        QFETCH(bool, debug);
        QFETCH(QString, expected);
        TestEnvironment env;
        const PythonCode code = generated(jsonObject(definition), ConfigurationWizardGenerator::ClassDefinition, debug);
        QCOMPARE(debugContextDepth(), 0);
        if (expected.isEmpty()) {
            QCOMPARE(code, PythonCode());
            return;
        }
        QVERIFY2(code.definitions.contains(expected), qPrintable(code.definitions));
        QVERIFY(code.expression.isEmpty());
        QCOMPARE(compiled(code.definitions), QStringLiteral("compiled"));
    }

    void generatorQueries()
    {
        TestEnvironment env;
        ConfigurationWizardGenerator g(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
        g.setValue(jsonObject(json("{'className': {'TemplateType': 'P'}}")), false);
        QCOMPARE(g.customApiKey(), QStringLiteral(";"));
        g.setValue(jsonObject(json("{'className': {'path': 'a.b', 'api': 'x@y'}}")), false);
        QCOMPARE(g.customApiKey(), QStringLiteral("x@y;a_db;"));
        g.setValue(jsonObject(json("{'feature': 'Container', 'fields': [{'type': 'Array', 'dimension': '2D'}]}")), false);
        QCOMPARE(g.containerDimension(), 2);
        QVERIFY(g.isContainer(false));

        ConfigurationWizardGenerator f(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
        f.setValue(jsonObject(json("{'type': 'Array', 'dimension': '3D', 'model': 'M'}")), false);
        QCOMPARE(f.containerDimension(), -2);
        QCOMPARE(f.modelName(), QString());
        QVERIFY(f.isContainer(false));
        f.setValue(jsonObject(json("{'type': 'Standard'}")), false);
        QVERIFY(!f.isContainer(false));
        f.setValue(jsonObject(json("{'type': 'Linked'}")), false);
        QVERIFY(f.isContainer(false));
        f.setValue(jsonObject(json("{'type': 'FromBaseClass', 'model': 'M'}")), false);
        QCOMPARE(f.modelName(), QStringLiteral("M"));
        QVERIFY(!f.isContainer(false)); // no stored model M
    }

    void fieldForms_data()
    {
        QTest::addColumn<QByteArray>("definition");
        QTest::addColumn<bool>("debug");
        QTest::addColumn<QString>("instance"); // the last definition line; empty: none
        QTest::addColumn<QString>("expression");

        QTest::newRow("standard without name")
            << QByteArray(json("{'type': 'Standard', 'accessor': {'accessor': {'Field': '.x'}}}")) << true
            << "_Id_3 = GenericFieldHelper(accessor = _Id_2,debugContext = \"<Default>\")" << "_Id_3";
        QTest::newRow("nothing to show")
            << QByteArray(json("{'type': 'Standard'}")) << false << QString() << QString();
        QTest::newRow("1-D array, helper's item names")
            << QByteArray(json("{'type': 'Array', 'dimension': '1D', 'arrayBase': {'Field': '.d'}, "
         "'key': {'accessor': {'Field': '.k'}}, 'value': {'accessor': {'Field': '.v'}}}"))
            << false << "_Id_3 = GenericArrayContainerHelper(arrayBase = lambda value : value[\"d\"],value = _Id_2)"
            << "_Id_3";
        QTest::newRow("2-D array passes the key first")
            << QByteArray(json("{'type': 'Array', 'dimension': '2D', 'itemName': 'e', "
         "'key': {'accessor': {'Field': '.k'}}, 'value': {'accessor': {'Field': '.v'}}}"))
            << false << "_Id_4 = GenericArrayContainerHelper(itemName = \"e\",key = _Id_2,value = _Id_3)" << "_Id_4";
        // No instance of the accessor's helper class either.
        QTest::newRow("field type without helper")
            << QByteArray(json("{'type': 'Combined', 'displayedName': 'c', 'accessor': {'accessor': {'Field': '.c'}}}"))
            << false << "_Id_2 = GenericAccessor(accessor = lambda value : value[\"c\"])"
            << "accessor = _Id_2\ndisplayedName = \"c\"";
    }

    void fieldForms()
    {
        QFETCH(QByteArray, definition);
        QFETCH(bool, debug);
        QFETCH(QString, instance);
        QFETCH(QString, expression);
        TestEnvironment env;
        const PythonCode code = generated(jsonObject(definition), ConfigurationWizardGenerator::FieldDefinition, debug);
        QCOMPARE(code.definitions.split(QLatin1Char('\n')).last(), instance);
        QCOMPARE(code.expression, expression);
        QCOMPARE(debugContextDepth(), 0);
    }

    void twoCallsGiveTwoInstances()
    {
        TestEnvironment env;
        ConfigurationWizardGenerator f(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
        f.setValue(jsonObject(json("{'type': 'Boolean', 'displayedName': 'on'}")), false);
        QCOMPARE(f.generate().expression, QStringLiteral("_Id_2"));
        QCOMPARE(f.generate().expression, QStringLiteral("_Id_3"));
    }

    void contextPathsOfPlainFields()
    {
        TestEnvironment env;
        const QJsonArray fields = normalisedFields(jsonObject(json("{'className': {'TemplateType': 'QString'}, "
         "'group': 'Qt (Common)', 'fields': [ "
         "{'type': 'Standard', 'displayedName': 'size', 'accessor': {'accessor': {'Field': '.d.size'}}}, "
         "{'type': 'Array', 'key': {'accessor': {'Field': '.k'}}, 'accessor': {'accessor': {'Field': '.'}}}, "
         "{'displayedName': 'kept', 'accessor': {'context': 'mine'}, 'value': {'context': 'mine too'}}]}")));
        QCOMPARE(fields.size(), 3);
        const QString path = QStringLiteral("classes.Qt (Common).QString.fields.");
        QCOMPARE(fields.at(0).toObject(), jsonObject(json("{'type': 'Standard', 'displayedName': 'size', "
         "'accessor': {'accessor': {'Field': '.d.size'}, 'context': 'classes.Qt (Common).QString.fields.size.accessor'}, "
         "'value': {'context': 'classes.Qt (Common).QString.fields.size.value'}}")));
        const QJsonObject unnamed = fields.at(1).toObject();
        QCOMPARE(unnamed.value("accessor").toObject().value("context").toString(), path + "<Default>.accessor");
        QCOMPARE(unnamed.value("key").toObject().value("context").toString(), path + "<Default>.key");
        QCOMPARE(fields.at(2).toObject().value("value").toObject().value("context").toString(),
                 QStringLiteral("mine too"));

        // Steps written as lists are the user's data: they stay as written.
        const QJsonArray listed = normalisedFields(jsonObject(json("{'className': {'TemplateType': 'M'}, 'fields': [ "
         "{'type': 'Array', 'displayedName': 'm', 'accessor': {'accessor': {'Field': '.'}}, "
         "'key': [{'accessor': {'Field': '.first'}}, {'postProcess': {'Field': '.x'}}], "
         "'value': [{'accessor': {'Field': '.second'}}]}]}")));
        QCOMPARE(listed.at(0).toObject().value("key").toArray().size(), 2);
        QCOMPARE(listed.at(0).toObject().value("value").toArray(),
                 QJsonDocument::fromJson(json("[{'accessor': {'Field': '.second'}}]")).array());
    }

    void fieldsOfModelsReplaceTheField_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("expected"); // the fields of class C after normalisation

        QTest::newRow("from base class, three fields in place")
            << QByteArray(json("{'type': 'FromBaseClass', 'model': 'Three', 'accessor': {'accessor': {'Field': '.t'}}}"))
            << QByteArray(json("[{'displayedName': 'first', 'accessor': {'context': 'classes.G.C.fields.first.accessor'}, "
         "'value': {'context': 'classes.G.C.fields.first.value'}}, "
         "{'displayedName': '1', 'accessor': [{'accessor': {'Field': '.t'}, 'context': 'classes.G.C.fields.<Default>.accessor'}, "
         "{'accessor': {'Field': '.one'}, 'context': 'classes.G.Three.fields.1.accessor'}], "
         "'value': {'context': 'classes.G.Three.fields.1.value'}}, "
         "{'displayedName': '2', 'accessor': [{'accessor': {'Field': '.t'}, 'context': 'classes.G.C.fields.<Default>.accessor'}, "
         "{'accessor': {'Field': '.two'}, 'context': 'classes.G.Three.fields.2.accessor'}], "
         "'value': {'context': 'classes.G.Three.fields.2.value'}}, "
         "{'displayedName': '3', 'accessor': [{'accessor': {'Field': '.t'}, 'context': 'classes.G.C.fields.<Default>.accessor'}, "
         "{'accessor': {'Field': '.three'}, 'context': 'classes.G.Three.fields.3.accessor'}], "
         "'value': {'context': 'classes.G.Three.fields.3.value'}}, "
         "{'displayedName': 'last', 'accessor': {'context': 'classes.G.C.fields.last.accessor'}, "
         "'value': {'context': 'classes.G.C.fields.last.value'}}]"));
        const QByteArray vec = json("{'type': 'CustomizedContainer', 'model': 'Vec', 'accessor': {'accessor': {'Field': '.v'}}, "
         "'keyCustom': {'accessor': {'Field': '.first'}}, 'valueCustom': {'accessor': {'Field': '.second'}}, "
         "'customization': '");
        const QByteArray head = json("[{'displayedName': 'first', 'accessor': {'context': 'classes.G.C.fields.first.accessor'}, "
         "'value': {'context': 'classes.G.C.fields.first.value'}}, "
         "{'type': 'Array', 'displayedName': '#', 'arrayBase': {'Field': '.d'}, "
         "'accessor': [{'accessor': {'Field': '.v'}, 'context': 'classes.G.C.fields.<Default>.accessor'}, "
         "{'accessor': {'Field': '.'}, 'context': 'classes.G.Vec.fields.#.accessor'}],");
        const QByteArray tail = json("}, "
         "{'displayedName': 'last', 'accessor': {'context': 'classes.G.C.fields.last.accessor'}, "
         "'value': {'context': 'classes.G.C.fields.last.value'}}]");
        QTest::newRow("customized 2D, the flat-map form")
            << QByteArray(vec + json("2D'}"))
            << QByteArray(head + json("'dimension': '2D', "
         "'key': [{'context': 'classes.G.Vec.fields.#.value'}, "
         "{'accessor': {'Field': '.first'}, 'context': 'classes.G.C.fields.<Default>.keyCustom'}], "
         "'value': [{'context': 'classes.G.Vec.fields.#.value'}, "
         "{'accessor': {'Field': '.second'}, 'context': 'classes.G.C.fields.<Default>.valueCustom'}]") + tail);
        QTest::newRow("customized Value drops the key")
            << QByteArray(vec + json("Value'}"))
            << QByteArray(head + json("'dimension': '1D', "
         "'value': [{'context': 'classes.G.Vec.fields.#.value'}, "
         "{'accessor': {'Field': '.second'}, 'context': 'classes.G.C.fields.<Default>.valueCustom'}]") + tail);
        QTest::newRow("customized Swap without a key")
            << QByteArray(vec + json("Swap'}"))
            << QByteArray(head + json("'dimension': '1D', "
         "'key': [{'context': 'classes.G.Vec.fields.#.value'}, "
         "{'accessor': {'Field': '.first'}, 'context': 'classes.G.C.fields.<Default>.keyCustom'}], "
         "'value': [{}, {'accessor': {'Field': '.second'}, 'context': 'classes.G.C.fields.<Default>.valueCustom'}]") + tail);
        QTest::newRow("model not stored")
            << QByteArray(json("{'type': 'FromBaseClass', 'model': 'Nowhere'}"))
            << QByteArray(json("[{'displayedName': 'first', 'accessor': {'context': 'classes.G.C.fields.first.accessor'}, "
         "'value': {'context': 'classes.G.C.fields.first.value'}}, "
         "{'displayedName': 'last', 'accessor': {'context': 'classes.G.C.fields.last.accessor'}, "
         "'value': {'context': 'classes.G.C.fields.last.value'}}]"));
    }

    void fieldsOfModelsReplaceTheField()
    {
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, expected);
        TestEnvironment env;
        const StoredModels models(json("{'classes': [ "
         "{'className': {'TemplateType': 'Three'}, 'group': 'G', 'fields': [ "
         "{'displayedName': '1', 'accessor': {'accessor': {'Field': '.one'}}}, "
         "{'displayedName': '2', 'accessor': {'accessor': {'Field': '.two'}}}, "
         "{'displayedName': '3', 'accessor': {'accessor': {'Field': '.three'}}}]}, "
         "{'className': {'TemplateType': 'Vec'}, 'group': 'G', 'feature': 'Container', 'fields': [ "
         "{'type': 'Array', 'displayedName': '#', 'dimension': '1D', 'arrayBase': {'Field': '.d'}, "
         "'accessor': {'accessor': {'Field': '.'}}}]}]}"));
        const QJsonObject definition{
            {"className", QJsonObject{{"TemplateType", "C"}}}, {"group", "G"},
            {"fields", QJsonArray{QJsonObject{{"displayedName", "first"}, {"accessor", QJsonObject()}},
                                  jsonObject(field),
                                  QJsonObject{{"displayedName", "last"}, {"accessor", QJsonObject()}}}}};
        const QJsonArray fields = normalisedFields(definition);
        const QJsonArray wanted = QJsonDocument::fromJson(expected).array();
        QVERIFY(!wanted.isEmpty());
        QCOMPARE(fields, wanted);
    }

    void modelsThatReachThemselvesAreCut()
    {
        TestEnvironment env;
        const StoredModels models(json(cyclicModels));
        // A's list: B's fields in place of the B field, without B's way back to A.
        QJsonArray fields = normalisedFields(jsonObject(json("{'className': {'TemplateType': 'A'}, 'group': 'G', "
         "'fields': [{'type': 'FromBaseClass', 'model': 'B', 'accessor': {'accessor': {'Field': '.b'}}}, "
         "{'type': 'Standard', 'displayedName': 'a', 'accessor': {'accessor': {'Field': '.a'}}}]}")));
        QStringList names;
        for (const QJsonValue &field : fields)
            names << field.toObject().value("displayedName").toString();
        QCOMPARE(names, (QStringList{"b", "a"}));
        // A class that takes its own fields loses that field.
        fields = normalisedFields(jsonObject(json("{'className': {'TemplateType': 'Self'}, 'group': 'G', "
         "'fields': [{'type': 'Standard', 'displayedName': 's'}, "
         "{'type': 'FromBaseClass', 'model': 'Self', 'accessor': {'accessor': {'Field': '.next'}}}]}")));
        QCOMPARE(fields.size(), 1);
        // The same for the first field that a custom printer of Self takes.
        const QJsonObject first = fieldListOfClass(QJsonObject(), jsonObject(json(
            "{'className': {'TemplateType': 'Self'}, 'group': 'G', 'fields': ["
            "{'type': 'FromBaseClass', 'model': 'Self'}, {'displayedName': 's', 'accessor': {}}]}")), QStringLiteral("c"));
        QCOMPARE(first.value("displayedName").toString(), QStringLiteral("s"));
        QVERIFY(first.value("accessor").isObject()); // not prefixed by an expansion of Self
    }

    void fieldOfAModelOutsideAClass()
    {
        // A field definition generated on its own (as the definition editor
        // does) is not normalised beforehand: its model's fields reuse B,
        // whose fields reuse A again.
        TestEnvironment env;
        const StoredModels models(json(cyclicModels));
        const PythonCode code = generated(
            jsonObject(json("{'type': 'FromBaseClass', 'model': 'A', 'displayedName': 'f', "
         "'accessor': {'accessor': {'Field': '.f'}}}")),
            ConfigurationWizardGenerator::FieldDefinition);
        QCOMPARE(debugContextDepth(), 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^fields = \\[_Id_\\w+,_Id_\\w+\\]$")).match(code.expression).hasMatch(),
                 qPrintable(code.expression));
        QCOMPARE(code.definitions.count(QLatin1String("GenericFieldHelper(")), 2); // b and a, once each
        QCOMPARE(compiled(code.definitions + QStringLiteral("\nf(") + code.expression + QLatin1Char(')')),
                 QStringLiteral("compiled"));
    }

    void everyScriptCompiles_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::newRow("field type without helper")
            << QByteArray(json("[{'type': 'Combined', 'displayedName': 'c', 'accessor': {'accessor': {'Field': '.c'}}}, "
         "{'type': 'Standard', 'displayedName': 's', 'accessor': {'accessor': {'Field': '.s'}}}]"));
        QTest::newRow("models in a cycle")
            << QByteArray(json("[{'type': 'FromBaseClass', 'model': 'A'}, {'type': 'CustomizedContainer', 'model': 'B'}]"));
        QTest::newRow("quotes and backslashes in names")
            << QByteArray(json("[{'type': 'Boolean', 'displayedName': 'a\\'b\\\\', 'trueValue': '\\'', 'falseValue': '\\\\', "
         "'accessor': {'accessor': {'LambdaExpression': 'value'}}}]"));
    }

    void everyScriptCompiles()
    {
        QFETCH(QByteArray, fields);
        for (const bool debug : {false, true}) {
            TestEnvironment env;
            TestEnvironment::setDebugMode(debug);
            QJsonObject document = jsonObject(json(cyclicModels));
            QJsonArray classes = document.value(Key::classes).toArray();
            classes.append(QJsonObject{{"className", QJsonObject{{"TemplateType", "Odd<(int)-1, 'q'>"}}},
                                       {"group", "G \"quoted\""}, {"feature", "Class"},
                                       {"fields", QJsonDocument::fromJson(fields).array()}});
            document.insert(Key::classes, classes);
            const QString script = generateScript(document);
            QCOMPARE(debugContextDepth(), 0);
            QVERIFY2(script.contains(QLatin1String("def qdump__Odd")), qPrintable(script));
            QCOMPARE(compiled(script), QStringLiteral("compiled"));
        }
    }
};

QTEST_MAIN(TestClassGeneration)
#include "tst_classgeneration.moc"
