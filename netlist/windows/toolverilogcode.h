#pragma once

#include "graphengine/viewer/toolbase.h"

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Internal {

// The button of a graph viewer that writes the shown module as Verilog and
// opens the text in a new editor of the IDE. It never stays the viewer's
// active tool: a press produces the text at once and leaves no tool active.
class ToolVerilogCode : public GraphEngine::ToolBase
{
    Q_OBJECT

public:
    // The parent is the viewer the tool is added to.
    explicit ToolVerilogCode(QWidget *parent);

    int itemType() const override;
    void apply(ActionTriggeredBy how, const GraphEngine::GraphItem &item) override;
    bool acceptsViewer(bool hasGraphState) const override;

public slots:
    void openCode();
};

} // namespace Internal
} // namespace KorvanDebugger
