#pragma once

// The window that turns one value of the debugged program (an instance, an
// instance terminal, a net, a module, a module port, or an instance's
// definition) into a drawn netlist. It walks the value's named child fields
// down to the module the value lies in, asks the debugger for every level
// not fetched yet, and on each answer posts itself an event and walks again
// from the start value, found anew by its internal name. Once the module's
// ports and instances are there it builds the module, lays it out, shows it
// and selects the element the user started from.

#include "netlist/graphrecords.h"
#include "views/inspector.h"

#include "graphengine/model/baseenum.h"
#include "graphengine/viewer/mainwindow.h"

#include <coreplugin/id.h>
#include <debugger/debuggerconstants.h>

#include <QFutureInterface>
#include <QModelIndex>
#include <QPointer>
#include <QVariant>

class TestGraphEditor;

#include <QTreeView>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
class QAction;
QT_END_NAMESPACE

namespace GraphEngine {
class Module;
}

namespace KorvanDebugger {
namespace Internal {

// One child row of an inspected value: its name (column 0), its value text
// (column 1, edit role) and the row's column-0 item.
struct InspectedField
{
    InspectedField(const QString &name, const QString &value, const QModelIndex &index);

    // The row's pointer type: its type text, or the "(type)" in front of
    // its display text, with "*" added when it has none.
    QString pointerType() const;
    // The row's address in the debugged program; 0 without one.
    quint64 address() const;

    QString name;
    QString value;
    QModelIndex index;
};

// {no name, the value text of the index's row, the index}.
InspectedField fieldOf(const QModelIndex &index);

// How the start element is found in the drawn graph: the scene item type
// and name to search, the sub-gate to mark, and whether the selection is
// cleared first. Invalid (type 0) when nothing is to be selected.
struct StartSelection
{
    int type = 0;
    GraphEngine::Name name;
    GraphEngine::Name subGate;
    bool clearSelection = true;
    // An instance terminal also selects its net (0x10004) first; empty for none.
    GraphEngine::Name net;
    // When the gate is not found, any port gate of this name instead.
    int fallbackType = 0;
};
StartSelection startSelection(int kind, const QString &valueText);

class KorvanDebuggerGraphEditor : public MainWindow, public GraphEngine::BaseEnum
{
    Q_OBJECT
public:
    enum StartKind {
        InstanceStart = 0,
        InstanceTerminalStart = 1,
        NetStart = 2,
        ModuleStart = 3,
        ModulePortStart = 4,
        InstanceDefinitionStart = 5,
    };

    // The window on a value of the host's watch model; the step of the kind
    // runs before the constructor returns. view may be null.
    KorvanDebuggerGraphEditor(QTreeView *view, int kind, const QModelIndex &value);
    // The window without a value ("Stack Path"): its owner puts the graph in
    // and calls showGraph().
    explicit KorvanDebuggerGraphEditor(const QString &title);
    ~KorvanDebuggerGraphEditor() override;

    UndoFramework::GraphUndoState &graphState() { return m_graphState; }
    // The module shown, or null before the graph is drawn.
    GraphEngine::Module *module() const { return m_module; }
    // Whether a drawn graph is shown (the viewer holds a module).
    bool hostsViewer() const;
    QTreeView *view() const { return m_view; }
    QAction *windowAction() const { return m_windowAction; }
    Core::Id windowId() const { return m_windowId; }
    bool isCancelled() const { return m_cancelled; }
    bool isFetching() const { return m_returnKey.isValid(); }
    // Set up or waiting for its graph: not drawn, not cancelled.
    bool isDrawing() const { return !m_progress.isFinished(); }
    const QFutureInterface<void> &progress() const { return m_progress; }
    // What the walk selects in the drawn graph.
    const StartSelection &startElement() const { return m_startSelection; }

    // Empties the data base entry of the window's own key.
    void clearLocalDB();
    // Empties the program-wide graph data base.
    static void clearAllDB();
    // Closes every graph window without a word (the plug-in shuts down).
    static void closeAllWindows();
    // The number of graph windows with an entry in the Window menu.
    static int openWindowCount();

    bool event(QEvent *event) override;

public slots:
    bool prepareGraph(GraphEngine::Module *module, bool render);
    // Registers the item actions (watch, open definition, open source) with
    // the viewer and ties the dialog's end to closeGraph().
    void connectMenu();
    void showGraph(GraphEngine::Module *module, bool render = true);
    void showGraph();
    void closeGraph();
    void progressing();
    void updateEditorState(Debugger::Internal::DebuggerState state);
    void cancelOperation(QString reason);
    void toggleWindow(bool checked);
    // A graph the viewer could not build (from its state, on a load, an
    // undo or a redo): the user is told, the window stays.
    void reportRenderingError(const QString &errorMessage);

protected:
    void hideEvent(QHideEvent *event) override;

private slots:
    void instanceExpanding();
    void instanceTerminalExpanding();
    void netExpanding();
    void moduleExpanding();
    void modulePortExpanding();
    void instanceDefinitionExpanding();

private:
    friend class ::TestGraphEditor;
    using ExpansionSlot = void (KorvanDebuggerGraphEditor::*)();

    void setupWindow(const QString &title);
    void runStep(int kind, const QModelIndex &index);
    void postExpansion(int eventType);
    int startFetching(const QModelIndex &returnIndex, const QModelIndex &index, ExpansionSlot slot);
    int findSubField(const QModelIndex &parent, const QString &name, QModelIndex &result, ExpansionSlot slot);
    bool expandBase(const QModelIndex &index, const QString &field, ExpansionSlot slot);
    QModelIndex fetchedIndex();
    bool showModule(const QModelIndex &index, ExpansionSlot slot = &KorvanDebuggerGraphEditor::moduleExpanding);
    bool showFromInstance(const QModelIndex &index);
    bool showFromInstanceTerminal(const QModelIndex &index);
    bool showFromNet(const QModelIndex &index);
    bool showFromModulePort(const QModelIndex &index);
    bool showInstanceDefinition(const QModelIndex &index);
    // The steps of the kinds other than the module: walk to the field's
    // module, then select the start element (or drop a definition's value).
    bool showFromValue(int kind, const QModelIndex &index);
    void selectStart(int kind, const QModelIndex &index);
    void applySelection(const StartSelection &selection);
    GraphEngine::Module *buildModule(const QString &moduleName, const QList<InspectedField> &ports,
                                     const QList<InspectedField> &instances);
    void registerWindowActions(const QString &moduleName);
    void releaseWindowEntry();
    void collapseInView(const QModelIndex &index);

    // The internal name of the start value while a fetch is pending.
    QVariant m_returnKey;
    // The internal name of the value the window was opened on.
    QVariant m_rootKey;
    QPointer<QAbstractItemModel> m_pendingModel;
    bool m_pending = false;
    QFutureInterface<void> m_progress;
    UndoFramework::GraphUndoState m_graphState;
    Inspector m_inspector;
    QPointer<QTreeView> m_view;
    bool m_cancelled = false;
    bool m_closing = false;
    QAction *m_windowAction = nullptr;
    Core::Id m_windowId;
    GraphEngine::Module *m_module = nullptr;
    UndoFramework::ModuleRegistry m_registry;
    StartSelection m_startSelection;
};

// Lists the child rows of parent: mode 1 name and value, 2 value only,
// 0 name only; other modes nothing.
QList<InspectedField> childFields(const QModelIndex &parent, int mode);

} // namespace Internal
} // namespace KorvanDebugger
