#pragma once

#include <QPen>
#include <QString>
#include <QVector>

class QPainter;

namespace GraphEngine {

struct OutlineElement;

// 215 solid pens of width 1 over the web-safe colour cube without white:
// entry i has red 51*(i%6), blue 51*((i/6)%6), green 51*(i/36).
const QVector<QPen> &penPalette();
// The fixed, scrambled order in which nextPen() visits the palette.
const QVector<int> &penVisitingOrder();

// The next readable pen of the visiting order (pens with a channel at 255
// are too light on white and are skipped: 125 of 215 pass). The cycle index
// advances before use, so after resetPenCycle() the first pen is order[1].
const QPen &nextPen();
// One pen per name text for the life of the process; a new name takes
// nextPen().
const QPen &penForName(const QString &name);

// Draws a gate body with the caller's pen and brush; the painter transform is
// left as it was found.
void paintGateShape(const OutlineElement &shape, QPainter *painter);

} // namespace GraphEngine
