#pragma once

#include <QString>
#include <QStringView>

namespace GraphEngine {

// The small vocabularies of the netlist: gate kinds, flip-flop pin roles and
// port directions. Netlist classes derive from BaseEnum (no data, no virtual
// functions) so that they can use the names unqualified.
class BaseEnum
{
public:
    enum GateKind {
        NoKind = 0,
        UnnamedKind = 1,
        AND = 2,
        NAND = 3,
        OR = 4,
        NOR = 5,
        XOR = 6,
        XNOR = 7,
        BUFFER = 8,
        INVERTER = 9,
        TRISTATE = 10,
        MUX2 = 11,
        GENERIC = 12,
        MUX = 13,
        FLOP = 14,
        INPUTPORT = 15,
        OUTPUTPORT = 16,
        INOUTPORT = 17,
        COLPASSTHROUGH = 18,
        VCC = 19,
        GND = 20,
        X = 21,
        Z = 22,
        OPENINPUT = 23,
        LOOPBACKOPENINPUT = 24,
        LOOPBACKOPENOUTPUT = 25,
        // Added to a kind: the gate stands for several folded copies.
        ClusterFlag = 0x1000
    };

    // One flag per flip-flop pin; the negated form is the flag shifted left
    // by NegatedShift.
    enum PortRole {
        NoRole = 0,
        D = 0x2,
        SD = 0x4,
        SE = 0x8,
        S = 0x10,
        R = 0x20,
        PRE = 0x40,
        CLR = 0x80,
        LD = 0x100,
        VAL = 0x200,
        E = 0x400,
        CLK = 0x800,
        Q = 0x1000,
        DN = D << 16,
        SDN = SD << 16,
        SEN = SE << 16,
        SN = S << 16,
        RN = R << 16,
        PREN = PRE << 16,
        CLRN = CLR << 16,
        LDN = LD << 16,
        VALN = VAL << 16,
        EN = E << 16,
        CLKN = CLK << 16,
        QN = Q << 16
    };
    static constexpr int NegatedShift = 16;

    enum PortDirection { Input = 0, Output = 1, InOut = 2, NoDirection = 3 };
};

// Keyword of a gate kind; empty for 0, 1 and anything outside 2..25.
QString gateKindToString(int kind);
// Exact, case-sensitive match of a keyword; 0 for any other text.
int gateKindFromString(const QString &text);

// Keyword of one role flag; empty for 0, for several flags and for flags
// without a keyword.
QString portRoleToString(int role);
int portRoleFromString(const QString &text);

// One-character arrow of a port direction; empty for 3 and anything else.
QString directionSymbol(int direction);
// Direction whose arrow is the first character of the text; 3 when the text
// is empty or starts with something else.
int directionFromSymbol(QStringView text);

} // namespace GraphEngine
