#include "graphitemactions.h"

#include "korvandebuggergrapheditor.h"

#include "plugin/korvandebuggerplugin.h"

#include "graphengine/model/baseenum.h"
#include "graphengine/model/gate.h"
#include "graphengine/viewer/graphviewer.h"

#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>

#include <QMenu>

namespace KorvanDebugger {
namespace Internal {

using GraphEngine::BaseEnum;
using GraphEngine::Gate;
using GraphEngine::GraphItem;

namespace {
// Gates that stand for no object of the program: constants and open inputs.
bool isUnwatchable(int kind)
{
    return kind == BaseEnum::VCC || kind == BaseEnum::GND || kind == BaseEnum::OPENINPUT
        || kind == BaseEnum::LOOPBACKOPENINPUT || kind == (BaseEnum::ClusterFlag | BaseEnum::OPENINPUT);
}

bool isCluster(const Gate *gate)
{
    return gate && (gate->kind & BaseEnum::ClusterFlag);
}
} // namespace

GraphItemWatcher::GraphItemWatcher(const QString &text, KorvanDebuggerGraphEditor *editor)
    : GraphItemAction(text, editor)
    , m_textFormat(text)
{
    connect(this, &QAction::triggered, this, [this] { performAction(); });
    // A graph that no longer matches the program offers no way back to it.
    if (editor && editor->viewer()) {
        QPointer<GraphEngine::GraphViewer> viewer = editor->viewer();
        connect(viewer, &GraphEngine::GraphViewer::outdated, this, [this, viewer] {
            if (viewer)
                viewer->unregisterAction(this);
        });
    }
}

KorvanDebuggerGraphEditor *GraphItemWatcher::editor() const
{
    return qobject_cast<KorvanDebuggerGraphEditor *>(parent());
}

GraphItemWatcher *GraphItemWatcher::createFor(const QString &text, KorvanDebuggerGraphEditor *editor)
{
    return new GraphItemWatcher(text, editor);
}

bool GraphItemWatcher::prepareFor(const GraphItem &item)
{
    m_item = item;
    m_portIndex = -1;
    if (QMenu *old = menu()) {
        setMenu(nullptr);
        delete old;
    }
    Gate *gate = item.kind() == GraphItem::GateItem ? item.gate() : nullptr;
    if (gate && isUnwatchable(gate->kind))
        return false;
    if (isCluster(gate)) {
        const GraphEngine::Name member = gate->selectedSubGateName();
        if (!member.isNull()) {
            m_portIndex = gate->isSubGateSelected() ? gate->selectedSubGate() : -1;
            setText(m_textFormat.arg(member.toString(false)));
            return true;
        }
        // Not selected through one of its members: one entry per member.
        auto members = new QMenu(qobject_cast<QWidget *>(parent()));
        for (int i = 0; i < gate->nativeNameCount(); ++i) {
            GraphItemWatcher *entry = createFor(gate->nativeName(i).toString(false), editor());
            entry->setItem(item);
            members->addAction(entry);
        }
        setMenu(members);
        setText(m_textFormat.arg(QString()));
        return true;
    }
    setText(m_textFormat.arg(item.name().toString(false)));
    return true;
}

QString GraphItemWatcher::itemObject() const
{
    const QVariant type = m_item.property(tr("Object Type"));
    const QVariant reference = m_item.property(tr("Reference"));
    Gate *gate = (m_item.kind() == GraphItem::GateItem || m_item.kind() == GraphItem::PortRangeItem)
        ? m_item.gate()
        : nullptr;
    if (isCluster(gate)) {
        int index = m_portIndex;
        if (index == -1)
            index = gate->subGateIndexOf(GraphEngine::Name(text()));
        const QVariantList types = type.toList();
        const QVariantList references = reference.toList();
        if (index < 0 || index >= types.size() || index >= references.size()) {
            Host::information(QWidget::mouseGrabber(), tr("Korvan Debugger"),
                              tr("Internal consistancy error detected. Action can't be executed. "
                                 "Sub gate name is not coherent with Aggrgated."));
            return QString();
        }
        return QStringLiteral("(%1) %2").arg(types.at(index).toString(), references.at(index).toString());
    }
    return QStringLiteral("(%1) %2").arg(type.toString(), reference.toString());
}

void GraphItemWatcher::performAction()
{
    const QString expression = itemObject();
    if (expression.isNull())
        return;
    if (Debugger::Internal::DebuggerEngine *engine = Debugger::Internal::currentEngine())
        engine->watchHandler()->watchExpression(expression, m_item.name().toString(false));
}

GraphItemOpenSource::GraphItemOpenSource(const QString &text, KorvanDebuggerGraphEditor *editor)
    : GraphItemWatcher(text, editor)
{
}

GraphItemWatcher *GraphItemOpenSource::createFor(const QString &text, KorvanDebuggerGraphEditor *editor)
{
    return new GraphItemOpenSource(text, editor);
}

bool GraphItemOpenSource::prepareFor(const GraphItem &item)
{
    m_expression = QByteArray();
    m_fetchPending = false;
    return GraphItemWatcher::prepareFor(item);
}

QModelIndex GraphItemOpenSource::fetchedObject(bool resetFirst)
{
    if (m_expression.isNull()) {
        const QString object = itemObject();
        if (object.isNull())
            return QModelIndex(); // the user was told; nothing to ask for
        m_expression = object.toLocal8Bit();
    }
    const QModelIndex index = m_inspector.valueOf(m_expression);
    if (index.isValid() || m_fetchPending)
        return index;
    if (resetFirst)
        m_inspector.reset();
    m_inspector.addWatch(m_expression, QByteArray());
    // Connected once, however often the action is used: one answer, one
    // opening.
    connect(&m_inspector, &Inspector::dataReceived, this, &GraphItemOpenSource::performAction, Qt::UniqueConnection);
    m_inspector.flushRequests();
    m_fetchPending = true;
    return QModelIndex();
}

void GraphItemOpenSource::performAction()
{
    const QModelIndex index = fetchedObject(true);
    if (index.isValid())
        KorvanDebuggerPlugin::openSource(index, true);
}

GraphItemOpenDefinition::GraphItemOpenDefinition(const QString &text, KorvanDebuggerGraphEditor *editor)
    : GraphItemOpenSource(text, editor)
{
}

GraphItemWatcher *GraphItemOpenDefinition::createFor(const QString &text, KorvanDebuggerGraphEditor *editor)
{
    return new GraphItemOpenDefinition(text, editor);
}

bool GraphItemOpenDefinition::prepareFor(const GraphItem &item)
{
    m_expression = QByteArray();
    m_fetchPending = false;
    Gate *gate = item.kind() == GraphItem::GateItem ? item.gate() : nullptr;
    if (gate && gate->kind != BaseEnum::GENERIC)
        return false;
    return GraphItemWatcher::prepareFor(item);
}

void GraphItemOpenDefinition::performAction()
{
    const QModelIndex index = fetchedObject(false);
    if (!index.isValid())
        return;
    m_inspector.reset();
    KorvanDebuggerGraphEditor *owner = editor();
    new KorvanDebuggerGraphEditor(owner ? owner->view() : nullptr, KorvanDebuggerGraphEditor::InstanceDefinitionStart,
                                  index);
}

} // namespace Internal
} // namespace KorvanDebugger
