// korvan_enumtables DOCUMENT: computes the value tables of every enumeration
// model of a type-model document from its C++ definition and writes the
// document back. See tools/README.md.

#include "enumprogram.h"

#include "configuration/document.h"
#include "configuration/keys.h"

#include <QGuiApplication>
#include <QFile>
#include <QJsonArray>
#include <QSaveFile>
#include <QTextStream>

using namespace KorvanDebugger;

int main(int argc, char *argv[])
{
    // The definitions are laid out as editor texts: a GUI application, shown nowhere.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << QCoreApplication::translate("main", "Usage: %1 DOCUMENT.conf").arg(args.value(0)) << '\n';
        return 2;
    }
    QFile input(args.at(1));
    QJsonObject root;
    if (!input.open(QIODevice::ReadOnly) || !Configuration::parseConfiguration(root, input.readAll())) {
        err << QCoreApplication::translate("main", "Cannot read %1").arg(args.at(1)) << '\n';
        return 1;
    }
    input.close();

    Tools::EnumProgram program;
    QJsonArray classes = root.value(Configuration::Key::classes).toArray();
    int failures = 0;
    for (int i = 0; i < classes.size(); ++i) {
        QJsonObject definition = classes.at(i).toObject();
        QJsonObject enumeration = definition.value(Configuration::Key::enumeration).toObject();
        if (!enumeration.contains(Configuration::Key::definition))
            continue;
        const QString name = definition.value(Configuration::Key::className).toObject()
                                 .value(Configuration::Key::TemplateType).toString();
        const Tools::EnumTable table = program.compute(enumeration);
        if (!table.error.isEmpty()) {
            err << name << ": " << table.error << '\n';
            ++failures;
            continue;
        }
        // A model stored in the older form keeps that form.
        if (enumeration.contains(Configuration::Key::compiledValue)) {
            enumeration.insert(Configuration::Key::compiledValue, QJsonArray::fromStringList(table.outputLines));
        } else {
            enumeration.insert(Configuration::Key::enums, QJsonArray::fromStringList(table.enums));
            enumeration.insert(Configuration::Key::masks, QJsonArray::fromStringList(table.masks));
        }
        definition.insert(Configuration::Key::enumeration, enumeration);
        classes.replace(i, definition);
        err << name << ": " << table.enums.size() << " rows\n";
    }
    root.insert(Configuration::Key::classes, classes);
    QSaveFile output(args.at(1));
    if (!Configuration::writeConfiguration(root, output)) {
        err << QCoreApplication::translate("main", "Cannot write %1").arg(args.at(1)) << '\n';
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
