#pragma once

#include <QString>

namespace GraphEngine {

class Gate;
class Name;

// How netlist names are spelled in written Verilog. Names that are not plain
// identifiers (blanks, "::", "<>", "=", keywords) become escaped identifiers;
// only a name with one index in square brackets is a bit of a bus.

// The identifier for a text: unchanged when it is a plain identifier, else
// "\text " with every blank or character outside printable ASCII (which an
// escaped identifier cannot hold) turned into "_". Empty for an empty text.
QString verilogIdentifier(const QString &text);
// A module name: "Stack Path" is written "StackPath", then as an identifier.
QString verilogModuleName(const QString &name);
// True for a bus bit: one index in square brackets and no "=" mark.
bool isVerilogBusBit(const Name &name);
// A net or port as an operand: "base[3]" for a bus bit, else the identifier
// of the name's normal text.
QString verilogSignal(const Name &name);
// The cell a sub-module instance names: its type name (a cluster gate's cut
// before the copy count), or for a generic gate without type name one made
// from its own name, so that no instance is written without a cell.
QString verilogCellName(const Gate *gate);

} // namespace GraphEngine
