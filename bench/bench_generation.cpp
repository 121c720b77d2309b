// Generates the printers of a document of 1,000 class models and of the
// built-in set, the way the plug-in does after every model change, and
// reports the time it takes: the generation alone, and the whole
// regeneration of the private block (with the instrumentation).

#include "configuration/document.h"
#include "configuration/keys.h"
#include "configuration/pythoncode.h"
#include "plugin/korvandebuggerplugin.h"
#include "plugin/privateblock.h"

#include <coreplugin/icore.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

using namespace KorvanDebugger;

namespace {

QJsonObject field(const QString &type, const QString &name, const QString &access)
{
    return QJsonObject{{Configuration::Key::type, type},
                       {Configuration::Key::displayedName, name},
                       {Configuration::Key::accessor,
                        QJsonObject{{Configuration::Key::accessor, QJsonObject{{Configuration::Key::Field, access}}}}}};
}

QJsonObject classModel(int i)
{
    QJsonArray fields;
    fields.append(field(QStringLiteral("Standard"), QStringLiteral("size"), QStringLiteral(".d.size")));
    fields.append(field(QStringLiteral("Standard"), QStringLiteral("first"), QStringLiteral(".d.begin[0]")));
    QJsonObject flag = field(QStringLiteral("Boolean"), QStringLiteral("shared"), QStringLiteral(".d.ref > 1"));
    flag.insert(Configuration::Key::trueValue, QStringLiteral("yes"));
    flag.insert(Configuration::Key::falseValue, QStringLiteral("no"));
    fields.append(flag);
    QJsonObject array{{Configuration::Key::type, QStringLiteral("Array")},
                      {Configuration::Key::displayedName, QStringLiteral("items")},
                      {Configuration::Key::dimension, QStringLiteral("1D")},
                      {Configuration::Key::arrayBase, QJsonObject{{Configuration::Key::Field, QStringLiteral(".d.begin")}}},
                      {Configuration::Key::arraySize, QJsonObject{{Configuration::Key::Field, QStringLiteral(".d.size")}}}};
    fields.append(array);
    return QJsonObject{{Configuration::Key::className,
                        QJsonObject{{Configuration::Key::TemplateType, QStringLiteral("ns%1::Model%2").arg(i % 17).arg(i)}}},
                       {Configuration::Key::group, QStringLiteral("Group %1").arg(i % 10)},
                       {Configuration::Key::feature, i % 3 ? QStringLiteral("Class") : QStringLiteral("Container")},
                       {Configuration::Key::fields, fields}};
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    Core::ICore::setSettingsFile(dir.filePath(QStringLiteral("host.ini")));

    QJsonArray classes;
    for (int i = 0; i < 1000; ++i)
        classes.append(classModel(i));
    QJsonObject builtin;
    Configuration::parseConfiguration(builtin, Internal::KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf"));

    const struct
    {
        const char *name;
        QJsonObject document;
    } documents[] = {{"1000 class models", QJsonObject{{Configuration::Key::classes, classes}}},
                     {"built-in set", builtin}};
    for (const auto &document : documents) {
        Configuration::saveConfigurationFile(document.document, Configuration::Key::prettyPrintersDocument);
        Internal::KorvanDebuggerPlugin plugin;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            Configuration::PythonCode code = plugin.generateAllClassModels();
            const QString script = code.unregisterCustomsCode(true);
            const qint64 generation = timer.elapsed();
            code = plugin.generateAllClassModels();
            const QString setting = Internal::settingWithPrivateBlock(QString(), QString(), code);
            // The checksum shows that a faster generator still writes the same text.
            std::printf("%s, run %d: generated in %lld ms (%d lines of Python, checksum %08x); "
                        "whole regeneration with the private block %lld ms\n",
                        document.name, run + 1, static_cast<long long>(generation),
                        int(script.count(QLatin1Char('\n')) + 1), qHash(script, 0),
                        static_cast<long long>(timer.elapsed() - generation));
        }
    }
    return 0;
}
