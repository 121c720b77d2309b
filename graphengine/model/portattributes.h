#pragma once

#include <QtGlobal>

namespace GraphEngine {

// The two attribute words of a gate port (and of a module-port gate, whose
// instances copy them onto their ports).
// First word, bit 0 lowest: 0-1 declared direction, 2-3 working direction,
// 4-6 sort group (0 outputs on the right, 1 bottom, 2 inputs on the left,
// 3 top), 7 control flag, 8-11 marker (0 plain, 1 negated, 2 clock,
// 3 negated clock), 12-16 role bit number; 17-31 belong to the port.
// Second word: the position within the sort group, compared as a signed
// 16-bit number.
struct PortAttributes
{
    quint32 word = 0;
    qint32 position = 0;

    int direction() const { return int(word & 0x3); }
    int portDirection() const { return int((word >> 2) & 0x3); }
    int sortGroup() const { return int((word >> 4) & 0x7); }
    bool isControl() const { return (word >> 7) & 0x1; }
    int marker() const { return int((word >> 8) & 0xF); }
    int roleBit() const { return int((word >> 12) & 0x1F); }
    // The role flag of the pin (1 << roleBit), 0 without a role.
    int role() const { return roleBit() ? int(1u << roleBit()) : 0; }
    qint16 position16() const { return qint16(position & 0xFFFF); }

    // Rewrites bits 0-16 (both directions from direction) and the position
    // word; every value is masked to its width and bits 17-31 stay.
    void set(int direction, int sortGroup, int position, int marker, bool control, int roleBit)
    {
        const quint32 d = quint32(direction) & 0x3;
        word = (word & ~quint32(0x1FFFF)) | d | (d << 2) | ((quint32(sortGroup) & 0x7) << 4)
            | (quint32(control ? 1 : 0) << 7) | ((quint32(marker) & 0xF) << 8)
            | ((quint32(roleBit) & 0x1F) << 12);
        this->position = position;
    }
    // The working direction alone, as the in/out solving settles it.
    void setPortDirection(int direction)
    {
        word = (word & ~quint32(0xC)) | ((quint32(direction) & 0x3) << 2);
    }

    static PortAttributes make(int direction, int sortGroup, int position, int marker, bool control,
                               int roleBit)
    {
        PortAttributes a;
        a.set(direction, sortGroup, position, marker, control, roleBit);
        return a;
    }
};

} // namespace GraphEngine
