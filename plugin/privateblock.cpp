#include "privateblock.h"

#include "instrumentation.h"
#include "korvandebuggerplugin.h"

#include "editor/configurationlist.h"
#include "graphengine/logging.h"

namespace KorvanDebugger {
namespace Internal {

const QLatin1String privateBlockStart("\npython\n#PRIVATESTART\n");
const QLatin1String privateBlockEnd("\n#PRIVATEEND\nend\n");

namespace {

void recordStartLine(const char *part, const QString &textBefore)
{
    GraphEngine::logWarning(QStringLiteral("Python start line %1: %2")
                                .arg(QLatin1String(part))
                                .arg(textBefore.count(QLatin1Char('\n'))));
}

void appendInstrumented(QString &target, QString code, const char *part, bool logFirstPass)
{
    const QString instrumented = instrumentPython(std::move(code), part, logFirstPass);
    recordStartLine(part, target);
    target += instrumented;
}

} // namespace

QString removePrivateBlock(const QString &text)
{
    const int start = text.indexOf(privateBlockStart);
    if (start < 0)
        return text;
    // The block's own end: an end marker in front of it is the user's text.
    const int end = text.indexOf(privateBlockEnd, start + privateBlockStart.size());
    if (end < 0)
        return text;
    QString out = text;
    out.remove(start, end + privateBlockEnd.size() - start);
    return out;
}

QString buildCommonCode()
{
    static const struct
    {
        const char *resource;
        const char *part;
    } plain[] = {{":KorvanDumper.py", "commonCode"},
                 {":VerificBase.py", "verificCodeBase"},
                 {":VerificNetlist.py", "verificCodeNetlist"},
                 {":VerificVhdl.py", "verificCodeVhdl"},
                 {":VerificVerilog.py", "verificCodeVerilog"},
                 {":Korvan.py", "KorvanGraphEngineCode"}};
    QString out;
    for (const auto &script : plain) {
        recordStartLine(script.part, out);
        out += KorvanDebuggerPlugin::getResourceCodeAsQstring(script.resource);
    }
    appendInstrumented(out, KorvanDebuggerPlugin::getResourceCodeAsQstring(":DynamicPrettyPrinters.py"),
                       "dynamicPrettyPrintersCode", false);
    return out;
}

Configuration::PythonCode generateClassesCode(const QJsonObject &prettyPrinters)
{
    Configuration::ClassList list;
    list.setValue(prettyPrinters, true);
    Configuration::deleteHelpersCode();
    return list.generate();
}

QString settingWithPrivateBlock(const QString &setting, const QString &commonCode, Configuration::PythonCode &code)
{
    QString text = removePrivateBlock(setting);
    text += privateBlockStart;
    text += commonCode;
    appendInstrumented(text, code.unregisterCustomsCode(true), "userCode.getOutput(true)", true);
    text += privateBlockEnd;
    return text;
}

QString runningDebuggerBlock(Configuration::PythonCode &code, bool withCommonCode)
{
    QString block = privateBlockStart;
    if (withCommonCode)
        appendInstrumented(block, KorvanDebuggerPlugin::getResourceCodeAsQstring(":DynamicPrettyPrinters.py"),
                           "commonCode", false);
    appendInstrumented(block, code.unregisterCustomsCode(true), "userCode.getOutput(true)", true);
    block += privateBlockEnd;
    return block;
}

} // namespace Internal
} // namespace KorvanDebugger
