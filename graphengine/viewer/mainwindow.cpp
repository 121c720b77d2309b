#include "mainwindow.h"

#include "graphviewer.h"

#include "graphengine/model/gates.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/module.h"

#include <QHBoxLayout>
#include <QHash>

namespace {

// Replaces each "%x" of the table in one left-to-right pass, so a replaced
// text (a module named "a%gb") is never read for placeholders again. Other
// "%" sequences stay as they are.
QString fillPlaceholders(const QString &text, const QHash<QChar, QString> &values)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('%') && i + 1 < text.size()) {
            const auto value = values.constFind(text.at(i + 1));
            if (value != values.constEnd()) {
                out += *value;
                ++i;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

} // namespace

MainWindow::MainWindow(QWidget *parent, GraphEngine::Module *module, const QString &title)
    : QDialog(parent)
{
    setWindowModality(Qt::NonModal);
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::WindowFullscreenButtonHint);
    setGraph(module, title);
}

MainWindow::~MainWindow()
{
    delete m_viewer;
}

void MainWindow::dropViewer()
{
    if (!m_viewer)
        return;
    delete m_viewer;
    m_viewer = nullptr;
    delete layout();
}

void MainWindow::setGraph(GraphEngine::Module *module, const QString &title)
{
    if (!module)
        return;
    dropViewer();
    m_viewer = new GraphEngine::GraphViewer(module, this);
    updateTitle(title);
}

void MainWindow::setGraph(const UndoFramework::GraphUndoState &state, const QString &title)
{
    dropViewer();
    m_viewer = new GraphEngine::GraphViewer(state, this);
    updateTitle(title);
}

void MainWindow::updateTitle(QString title)
{
    delete layout();
    auto *box = new QHBoxLayout;
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(m_viewer);
    setLayout(box);

    if (title.isEmpty())
        title = tr("Netlist Sample:%n (%f) %g/%G gates - %p ports - %e edges");
    QHash<QChar, QString> values;
    if (const GraphEngine::Module *module = m_viewer ? m_viewer->module() : nullptr) {
        values.insert(QLatin1Char('n'), module->name);
        values.insert(QLatin1Char('f'), module->secondName);
        values.insert(QLatin1Char('g'), QString::number(module->gateCount()));
        values.insert(QLatin1Char('G'), QString::number(module->countGatesWithProperty()));
        values.insert(QLatin1Char('p'), QString::number(module->portGates->count()));
        values.insert(QLatin1Char('e'), QString::number(module->edges->count()));
    } else {
        const QString none = tr("N/A");
        values.insert(QLatin1Char('n'), tr("Unamed Graph"));
        values.insert(QLatin1Char('f'), tr("Unknown file"));
        values.insert(QLatin1Char('g'), none);
        values.insert(QLatin1Char('G'), none);
        values.insert(QLatin1Char('p'), none);
        values.insert(QLatin1Char('e'), none);
    }
    setWindowTitle(fillPlaceholders(title, values));
}
