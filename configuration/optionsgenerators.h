#pragma once

// The "string" and "bitArray" objects of classes with the features
// "String" and "BitArray": each becomes one Python function that the
// dumper-side GenericDumpStringHelper / GenericDumpBitArrayHelper call with
// the dumped value.

#include "accessorinputgenerator.h"
#include "baseinput.h"

namespace KorvanDebugger {
namespace Configuration {

// {"base": accessor, "length": accessor, "format": accessor giving the C++
// character type, "encoding": text}
class StringOptionsGenerator : public BaseInput
{
public:
    StringOptionsGenerator();

    QJsonValue value() const override; // null
    void setValue(const QJsonObject &object, bool byKey) override;
    // The reading function, and the keyword argument "string = <name>".
    PythonCode generate() override;

    // The encoding the string's bytes are decoded with; empty for the
    // decoding that the character type implies.
    QString encodingName() const;

    AccessorInputGenerator base;
    AccessorInputGenerator length;
    AccessorInputGenerator format;
    AccessorInputGenerator encoding;
};

// {"base": accessor, "length": accessor (in bits)}
class BitArrayOptionsGenerator : public BaseInput
{
public:
    BitArrayOptionsGenerator();

    QJsonValue value() const override; // null
    void setValue(const QJsonObject &object, bool byKey) override;
    // The function returning (base, number of bits), and the keyword
    // argument "bitArray = <name>".
    PythonCode generate() override;

    AccessorInputGenerator base;
    AccessorInputGenerator length;
};

} // namespace Configuration
} // namespace KorvanDebugger
