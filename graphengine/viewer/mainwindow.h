#pragma once

#include <QDialog>
#include <QString>

namespace GraphEngine {
class GraphViewer;
class Module;
} // namespace GraphEngine

namespace UndoFramework {
class GraphUndoState;
}

// The top-level window of one graph: a non-modal dialog whose whole client
// area is a viewer, titled with a summary of the graph. A new graph replaces
// the viewer whole, with its tools and undo history.
class MainWindow : public QDialog
{
    Q_OBJECT

public:
    MainWindow(QWidget *parent, GraphEngine::Module *module, const QString &title);
    ~MainWindow() override;

    // Shows a laid-out module; a null module changes nothing.
    void setGraph(GraphEngine::Module *module, const QString &title);
    // Shows the graph the state describes (built and laid out by the viewer).
    void setGraph(const UndoFramework::GraphUndoState &state, const QString &title);

    GraphEngine::GraphViewer *viewer() const { return m_viewer; }

protected:
    // Lays the viewer into the window and sets the title, its placeholders
    // %n %f %g %G %p %e filled from the viewer's module.
    void updateTitle(QString title);

private:
    void dropViewer();

    GraphEngine::GraphViewer *m_viewer = nullptr;
};
