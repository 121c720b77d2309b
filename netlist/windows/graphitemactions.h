#pragma once

// Context-menu actions of a graph drawn from the debugger: watch the object
// behind a gate or net, open its HDL source, open the graph of an instance's
// definition. The window registers one set per viewer; the viewer prepares
// them for the item under the pointer before each menu.

#include "views/inspector.h"

#include "graphengine/model/graphitem.h"
#include "graphengine/viewer/graphitemaction.h"

#include <QByteArray>
#include <QPointer>

namespace KorvanDebugger {
namespace Internal {

class KorvanDebuggerGraphEditor;

class GraphItemWatcher : public GraphEngine::GraphItemAction
{
    Q_OBJECT
public:
    // text holds "%1" for the item's name. The action is the editor's child.
    GraphItemWatcher(const QString &text, KorvanDebuggerGraphEditor *editor);

    bool prepareFor(const GraphEngine::GraphItem &item) override;
    // A new action of the same class for a member of a cluster gate.
    virtual GraphItemWatcher *createFor(const QString &text, KorvanDebuggerGraphEditor *editor);

    const GraphEngine::GraphItem &item() const { return m_item; }
    void setItem(const GraphEngine::GraphItem &item) { m_item = item; }
    int portIndex() const { return m_portIndex; }
    // "(type) reference" of the item's object; null when a cluster member
    // cannot be matched (the user is told).
    QString itemObject() const;

public slots:
    virtual void performAction();

protected:
    KorvanDebuggerGraphEditor *editor() const;

private:
    QString m_textFormat;
    GraphEngine::GraphItem m_item;
    int m_portIndex = -1;
};

class GraphItemOpenSource : public GraphItemWatcher
{
    Q_OBJECT
public:
    GraphItemOpenSource(const QString &text, KorvanDebuggerGraphEditor *editor);

    bool prepareFor(const GraphEngine::GraphItem &item) override;
    GraphItemWatcher *createFor(const QString &text, KorvanDebuggerGraphEditor *editor) override;
    bool isFetchPending() const { return m_fetchPending; }
    Inspector &inspector() { return m_inspector; }

public slots:
    void performAction() override;

protected:
    // The item's object in the watch model once fetched: the expression is
    // asked for once per menu, and the answer comes back here.
    QModelIndex fetchedObject(bool resetFirst);

    Inspector m_inspector;
    QByteArray m_expression;
    bool m_fetchPending = false;
};

class GraphItemOpenDefinition : public GraphItemOpenSource
{
    Q_OBJECT
public:
    GraphItemOpenDefinition(const QString &text, KorvanDebuggerGraphEditor *editor);

    bool prepareFor(const GraphEngine::GraphItem &item) override;
    GraphItemWatcher *createFor(const QString &text, KorvanDebuggerGraphEditor *editor) override;

public slots:
    void performAction() override;
};

} // namespace Internal
} // namespace KorvanDebugger
