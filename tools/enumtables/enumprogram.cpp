#include "enumprogram.h"

#include "configuration/keys.h"
#include "editor/enumcodemodel.h"
#include "editor/enumextractor.h"
#include "editor/enummodel.h"

#include <cpptools/builtineditordocumentparser.h>
#include <projectexplorer/kit.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextCursor>
#include <QTextDocument>

namespace KorvanDebugger {
namespace Tools {

EnumProgram::EnumProgram()
{
    ProjectExplorer::KitManager::restoreKits();
}

EnumTable EnumProgram::compute(const QJsonObject &enumeration)
{
    EnumTable table;
    const QString prerequisite = enumeration.value(Configuration::Key::prerequisite).toString();
    const QString definition = enumeration.value(Configuration::Key::definition).toString();

    CppTools::BuiltinEditorDocumentParser parser(
        QStringLiteral("/tmp/korvan_enumtables_%1_%2.cpp").arg(QCoreApplication::applicationPid()).arg(++m_count));
    Configuration::configureEnumParser(&parser);
    parser.update(definition);
    QTextDocument text(definition);
    const QByteArrayList symbols = Configuration::EnumExtractor::collectSymbols(
        parser.document(), &text, [&parser](const QTextCursor &cursor) {
            return parser.findLinkAt(cursor.blockNumber() + 1, cursor.positionInBlock() + 1);
        });
    if (symbols.isEmpty()) {
        table.error = QCoreApplication::translate("EnumProgram", "The definition names no enumeration or macro.");
        return table;
    }

    Configuration::EnumModel model;
    Configuration::EnumExtractor extractor;
    extractor.setModel(&model);
    QEventLoop loop;
    QObject::connect(&extractor, &Configuration::EnumExtractor::failed,
                     [&table](const QString &message) { table.error = message; });
    QObject::connect(&extractor, &Configuration::EnumExtractor::changed, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    extractor.start(prerequisite, definition, symbols);
    loop.exec();
    if (!table.error.isEmpty())
        return table;
    table.outputLines = model.outputLines;
    model.toText(table.masks, table.enums, false);
    return table;
}

} // namespace Tools
} // namespace KorvanDebugger
