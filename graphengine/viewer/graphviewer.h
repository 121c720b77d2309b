#pragma once

#include "toolbase.h"

#include "graphengine/model/graphitem.h"
#include "graphengine/model/name.h"
#include "graphengine/scene/guielementtype.h"
#include "netlist/graphrecords.h"

#include <QFrame>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVariant>

QT_BEGIN_NAMESPACE
class QHBoxLayout;
class QSlider;
class QToolButton;
class QUndoStack;
QT_END_NAMESPACE

namespace GraphEngine {

class GraphItemAction;
class GraphViewer;
class Module;
class NetlistItem;
class UndoBaseCommand;

// The zoomable view of a viewer's scene: Ctrl + wheel zooms by one step
// around the pointer.
class GraphView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit GraphView(GraphViewer *viewer);

    GraphViewer *viewer() const { return m_viewer; }

protected:
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    GraphViewer *m_viewer;
};

// The scene of one module's gate and net items.
class GraphScene : public QGraphicsScene
{
    Q_OBJECT

public:
    explicit GraphScene(QObject *parent = nullptr);
    ~GraphScene() override;

    // Replaces the items by one per gate, then one per net of the module;
    // a null module leaves the scene empty of netlist items.
    void populate(Module *module);
    Module *module() const { return m_module; }

protected slots:
    // A selection not extended with Ctrl is a fresh one for the gate items.
    void increaseNewSelectionCounter();

private:
    Module *m_module = nullptr;
    bool m_selectionConnected = false;
};

// The widget that shows one laid-out module as an interactive schematic:
// view, tool bar (zoom, undo and redo, SVG export, tools, a label naming the
// element under the pointer) and the undo history of every change.
class GraphViewer : public QFrame
{
    Q_OBJECT

public:
    // A label whose size hints are its current size, so it never makes the
    // tool bar grow or shrink.
    class FixedSizeLabel : public QLabel
    {
    public:
        using QLabel::QLabel;
        QSize sizeHint() const override;
        QSize minimumSizeHint() const override;
    };

    // Shows a module that is already laid out.
    GraphViewer(Module *module, QWidget *parent);
    // Builds, lays out and shows the module the state describes.
    GraphViewer(const UndoFramework::GraphUndoState &state, QWidget *parent);
    ~GraphViewer() override;

    // Builds the module anew from the stored graph state, lays it out and
    // shows it; nothing for a viewer without a graph state. False when the
    // state yields no module: renderingError() told why, and the scene is
    // empty.
    bool loadModule();
    // The builder's text of the last load that failed; empty after one that
    // worked. A failure inside the constructor is seen only here.
    QString renderingErrorText() const { return m_renderingError; }
    // Takes the tool (a child of this viewer) into the tool bar, or deletes
    // it when it declines this viewer.
    void addTool(ToolBase *tool);
    // Takes the command, records its before-state and pushes it.
    void pushCommand(UndoBaseCommand *command);

    Module *module() const { return m_module; }
    GraphView *view() const { return m_view; }
    GraphScene *scene() const { return m_scene; }
    QUndoStack *undoStack() const { return m_undoStack; }
    QSlider *zoomSlider() const { return m_slider; }
    FixedSizeLabel *selectionLabel() const { return m_label; }
    QHBoxLayout *toolBarLayout() const { return m_toolBar; }
    // The undoable state: "GraphViewer::activatedTool",
    // "GraphViewer::GraphState" and the tools' own entries.
    QMap<QString, QVariant> &stateMap() { return m_state; }
    const QMap<QString, QVariant> &stateMap() const { return m_state; }
    SceneItemRegistry &sceneItemRegistry() { return m_sceneItems; }
    const QSet<ToolBase *> &tools() const { return m_tools; }
    const QList<GraphItemAction *> &registeredActions(GraphItem::ActionableItem type) const;
    // Set by whoever emits outdated() on the viewer; the viewer never reads it.
    int outdatedFlag() const { return m_outdated; }
    void setOutdatedFlag(int flag) { m_outdated = flag; }

signals:
    void renderingError(QString errorMessage);
    void renderingProgressing();
    void designChanged();
    void outdated();

public slots:
    virtual void showContextMenu(GraphEngine::GraphItem graphItem, QPoint position);
    virtual void clicked(GraphEngine::GraphItem graphItem);
    virtual void doubleClicked(GraphEngine::GraphItem graphItem);
    virtual void hoverEnterEvent(GraphEngine::GraphItem graphItem);
    virtual void hoverLeaveEvent();
    virtual void updateToolTip(GraphEngine::GraphItem graphItem, QString &tip);
    virtual void keyPressed(GraphEngine::GraphItem graphItem, Qt::Key key, Qt::KeyboardModifiers modifier);

    void zoomIn(int level = 1);
    void zoomOut(int level = 1);
    void zoomTo(double scale);
    void setSelectedItem(QString txt);

    GraphEngine::ToolBase *getActiveTool() const;
    void userActivateTool(GraphEngine::ToolBase *wantedTool);
    void activateTool(GraphEngine::ToolBase *wantedTool);
    void registerAction(GraphEngine::GraphItem::ActionableItem type, GraphEngine::GraphItemAction *action);
    void unregisterAction(GraphEngine::GraphItemAction *action);
    bool triggerTool(GraphEngine::ToolBase::ActionTriggeredBy eventType, GraphEngine::GraphItem graphItem);
    void deactivateTool(GraphEngine::ToolBase *wantedTool = nullptr);

    void centerOn(GraphEngine::NetlistItem *item, bool selected = true, GraphEngine::Name subGate = Name(),
                  bool clearSelection = true);
    GraphEngine::NetlistItem *search(GraphEngine::GuiElementType type, GraphEngine::Name name) const;

    void progressing();
    // Asks for a file name and writes the scene there as SVG.
    void svgDump();
    void toSvg(QString filename);

    // Grow the graph state by one port or instance as one undoable step.
    void addElement(UndoFramework::Port port, GraphEngine::Name edgeName = Name());
    void addElement(UndoFramework::Instance instance, GraphEngine::Name edgeName = Name());

private slots:
    void setupMatrix();

private:
    explicit GraphViewer(QWidget *parent);
    void setupUi();
    void connectModuleSignals();
    // Shows why no module is shown and emits renderingError.
    void showError(const QString &errorText);
    QToolButton *makeZoomButton(const QString &icon, const QString &toolTip);
    // A copy of the "GraphViewer::GraphState" entry (a default state when it
    // holds another type); false when there is none.
    bool storedGraphState(UndoFramework::GraphUndoState &state) const;
    // Stores the changed copy of the graph state as one "Graph Update Cmd".
    void pushGraphState(UndoFramework::GraphUndoState &state);
    // Undoable items leave the scene before it is emptied: their commands
    // own them.
    void releaseSceneItems();

    Module *m_module = nullptr;
    // Keeps a module built from the graph state alive while it is shown.
    UndoFramework::ModuleRegistry m_moduleRegistry;
    GraphView *m_view = nullptr;
    GraphScene *m_scene = nullptr;
    QUndoStack *m_undoStack = nullptr;
    QHBoxLayout *m_toolBar = nullptr;
    int m_searchToolAdded = 0;
    QSlider *m_slider = nullptr;
    FixedSizeLabel *m_label = nullptr;
    SceneItemRegistry m_sceneItems;
    QMap<QString, QVariant> m_state;
    QSet<ToolBase *> m_tools;
    QList<GraphItemAction *> m_actions[17];
    int m_outdated = 0;
    QString m_renderingError;
    QList<QMetaObject::Connection> m_moduleConnections;

    friend class UndoBaseCommand;
};

// A file name chosen in the save dialog, completed with ".svg": another
// suffix of the file (never of a folder) is replaced. Empty stays empty.
QString svgFileName(const QString &chosen);

} // namespace GraphEngine
