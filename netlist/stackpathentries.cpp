#include "stackpathentries.h"
#include "netlisttypes.h"

#include "graphengine/model/baseenum.h"

namespace KorvanDebugger {
namespace Internal {

namespace {

const QChar hairSpace(0x200A);

// The level becomes the name's index, so that a NameList shows the levels
// of one object as a compact run.
GraphEngine::Name sightingName(int level)
{
    return GraphEngine::Name(QStringLiteral(" %1").arg(level), true);
}

QString sightingText(int level, const QString &displayText)
{
    return QStringLiteral("%1:").arg(level) + QChar(0x00A0) + displayText;
}

QString beforeHairSpace(const QString &text)
{
    const int hair = text.indexOf(hairSpace);
    return hair < 0 ? text : text.left(hair);
}

} // namespace

bool classifyStackValue(QMap<QString, UndoFramework::StackPathEntry> &stackPath, const QString &displayText,
                        const QString &objectKey, const QString &typeName, int level,
                        const QString &valueText)
{
    const auto found = stackPath.find(objectKey);
    if (found != stackPath.end()) {
        found->values.append(sightingName(level));
        found->valueTexts.append(sightingText(level, displayText));
        return false;
    }
    UndoFramework::StackPathEntry entry;
    entry.values.append(sightingName(level));
    entry.valueTexts.append(sightingText(level, displayText));
    if (isNetType(typeName)) {
        entry.elementName = GraphEngine::Name(valueText);
        entry.elementType = GraphEngine::GuiNetItem;
    } else if (isInstanceType(typeName) || isModulePortType(typeName)) {
        if (GraphEngine::directionFromSymbol(valueText) != GraphEngine::BaseEnum::NoDirection) {
            entry.elementName = GraphEngine::Name(beforeHairSpace(valueText.mid(1)));
            entry.elementType = GraphEngine::GuiAnyPortGateItem;
        } else {
            entry.elementName = GraphEngine::Name(beforeHairSpace(valueText));
            entry.elementType = GraphEngine::GuiGateItem;
        }
    } else if (isInstanceTerminalType(typeName)) {
        QStringRef text(&valueText);
        QStringRef instance, port, net;
        UndoFramework::splitTerminalText(text, instance, port, net);
        entry.elementName = GraphEngine::Name(instance.toString());
        entry.portName = port.toString();
        entry.elementType = GraphEngine::GuiGatePortItem;
    } else {
        return false;
    }
    stackPath.insert(objectKey, entry);
    return true;
}

} // namespace Internal
} // namespace KorvanDebugger
