#pragma once

// A paint device whose engine (a test's own QPaintEngine) records or counts
// what a paint pass draws.

#include <QPaintDevice>
#include <QPaintEngine>

template<typename Engine>
class TestPaintDevice : public QPaintDevice
{
public:
    QPaintEngine *paintEngine() const override { return &engine; }
    mutable Engine engine;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 2000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 1000;
        }
    }
};
