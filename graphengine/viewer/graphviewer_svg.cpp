// The whole scene of a viewer written as one SVG file.

#include "graphviewer.h"

#include "graphengine/scene/guiedgeelement.h"

#include <dialogs/dialogs.h>

#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>

namespace GraphEngine {

QString svgFileName(const QString &chosen)
{
    const QString suffix = QStringLiteral(".svg");
    if (chosen.isEmpty() || chosen.endsWith(suffix))
        return chosen;
    // Only a dot inside the file's own name starts a suffix; a leading dot
    // names a hidden file.
    const int nameStart = chosen.lastIndexOf(QLatin1Char('/')) + 1;
    const int dot = chosen.lastIndexOf(QLatin1Char('.'));
    if (dot > nameStart)
        return chosen.left(dot) + suffix;
    return chosen + suffix;
}

void GraphViewer::svgDump()
{
    const QString chosen = Host::getSaveFileName(this, tr("Select Svg Dump File"), QStringLiteral("~/"),
                                                 tr("Svg File (*.svg)"));
    // A cancelled dialog writes nothing.
    if (chosen.isEmpty())
        return;
    toSvg(svgFileName(chosen));
}

void GraphViewer::toSvg(QString filename)
{
    QSvgGenerator generator;
    generator.setFileName(filename);
    const QRectF rect = m_scene->sceneRect();
    generator.setSize(rect.size().toSize());
    generator.setViewBox(rect);
    generator.setTitle(tr("Korvan GraphEngine Generated Graph"));
    generator.setDescription(tr("Graph Generated using Korvan GraphEngine"));
    QPainter painter(&generator);
    // The painter works in the view box's units: the scene goes where the
    // view box shows it, not at the origin of the device's pixels.
    renderScene(m_scene, &painter, rect, rect, Qt::KeepAspectRatio);
    painter.end();
}

} // namespace GraphEngine
