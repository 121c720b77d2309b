// The orders by which the layout steps sort gate lists.
#include "layoutsupport.h"

#include <cmath>

namespace GraphEngine {

namespace {

bool reportNull(const Gate *a, const Gate *b)
{
    if (a && b)
        return false;
    logCritical(QStringLiteral("invalid programming: shall not call with null pointer"));
    return true;
}

} // namespace

bool gateYLessThan(Gate *const &a, Gate *const &b)
{
    if (reportNull(a, b))
        return true;
    return a->y < b->y;
}

bool gateRowLessThan(const Gate *a, const Gate *b)
{
    if (reportNull(a, b))
        return true;
    return a->row < b->row;
}

} // namespace GraphEngine
