#include "optionsgenerators.h"

#include "keys.h"

namespace KorvanDebugger {
namespace Configuration {

namespace {

// %1 name, %2-%4 the base, length and format keyword lines, %5-%7 their
// keys, %8 the decode line. The dumper side gives: BaseHelper.callAPI,
// decodeCharacterType(type) -> (bytes per character, decoder of the bytes
// to str), theDumper.readMemory -> bytes, theDumper.stringCutOff and
// elideCharacter.
const char stringFunctionTemplate[] = "def %1(value):\n"
                                      "  dummy = BaseHelper()\n"
                                      "  %2\n"
                                      "  %3\n"
                                      "  %4\n"
                                      "  base = dummy.callAPI(%5,value) # DEBUG string.%5,value\n"
                                      "  length = dummy.callAPI(%6,value) # DEBUG string.%6,value\n"
                                      "  if base==0 or length==0:\n"
                                      "    return True,\"\"\n"
                                      "  type = dummy.callAPI(%7,value) # DEBUG string.%7,value\n"
                                      "  charLength,charFormat = decodeCharacterType(type) # DEBUG string.format,value\n"
                                      "  suffix = ''\n"
                                      "  if length > theDumper.stringCutOff:\n"
                                      "    length = theDumper.stringCutOff\n"
                                      "    suffix = elideCharacter\n"
                                      "  if length<0:\n"
                                      "    return False,\"<not accessible>\"\n"
                                      "  stream = theDumper.readMemory(base,length*charLength)\n"
                                      "  string = charFormat(stream) # DEBUG string.%7,stream\n"
                                      "  %8\n"
                                      "  return True,string+suffix";

// With an encoding option the raw bytes are decoded with that encoding
// instead of the character type's own. Under Python 3, charFormat already
// hands back a str (which has no decode()), so the bytes read from the
// inferior are decoded again; bytes() also takes a memoryview. A wrong
// encoding fails on this line, which names the "encoding" option.
const char stringDecodeTemplate[] = "string = bytes(stream).decode(%1) # DEBUG string.%2,string";

// %1 name, %2-%3 the base and length keyword lines, %4-%5 their keys.
const char bitArrayFunctionTemplate[] = "def %1(value):\n"
                                        "  dummy = BaseHelper()\n"
                                        "  %2\n"
                                        "  %3\n"
                                        "  base = dummy.callAPI(%4,value) # DEBUG bitArray.%4,value\n"
                                        "  length = dummy.callAPI(%5,value) # DEBUG bitArray.%5,value\n"
                                        "  return base,length\n";

// Reloads a member as a fresh one would load: a reused member must not keep
// the kind of the previous definition for a bare string.
void reload(AccessorInputGenerator &member, AccessorKind expected, const QJsonObject &options)
{
    member.setExpectedKind(expected);
    member.setValue(options, true);
}

} // namespace

// ---- StringOptionsGenerator ------------------------------------------------

StringOptionsGenerator::StringOptionsGenerator()
    : BaseInput(Key::string)
    , base(Key::base)
    , length(Key::length)
    , format(Key::format)
    , encoding(Key::encoding, int(lowHalf(AccessorKind::Text)), 0)
{
}

QJsonValue StringOptionsGenerator::value() const
{
    return QJsonValue();
}

void StringOptionsGenerator::setValue(const QJsonObject &object, bool byKey)
{
    const QJsonObject options = selectValue(object, byKey).toObject();
    reload(base, AccessorKind::NoKind, options);
    reload(length, AccessorKind::NoKind, options);
    reload(format, AccessorKind::NoKind, options);
    // Every load takes a bare string as the encoding name, also after a
    // definition without "encoding".
    reload(encoding, AccessorKind::Text, options);
}

QString StringOptionsGenerator::encodingName() const
{
    return encoding.kind == AccessorKind::Text ? encoding.text : QString();
}

PythonCode StringOptionsGenerator::generate()
{
    const PythonCode b = base.generate();
    const PythonCode l = length.generate();
    const PythonCode f = format.generate();
    const QString name = uniqueHelperId();

    const QString encodingText = encodingName();
    QString decodeLine;
    if (!encodingText.isEmpty())
        decodeLine = QString::fromLatin1(stringDecodeTemplate).arg(pythonStringLiteral(encodingText), encoding.key());

    PythonCode code;
    appendCodeLine(code.definitions, b.definitions);
    appendCodeLine(code.definitions, l.definitions);
    // The function calls the format accessor too: a Python API function of
    // it must be defined as well.
    appendCodeLine(code.definitions, f.definitions);
    // One pass over the template: accessor texts holding "%<digit>" are not
    // taken for placeholders.
    appendCodeLine(code.definitions, QString::fromLatin1(stringFunctionTemplate)
                                         .arg(name, b.expression, l.expression, f.expression, base.key(),
                                              length.key(), format.key(), decodeLine));
    appendCodeLine(code.expression, name);
    code.makeKeywordArgument(key());
    return code;
}

// ---- BitArrayOptionsGenerator ----------------------------------------------

BitArrayOptionsGenerator::BitArrayOptionsGenerator()
    : BaseInput(Key::bitArray)
    , base(Key::base)
    , length(Key::length)
{
}

QJsonValue BitArrayOptionsGenerator::value() const
{
    return QJsonValue();
}

void BitArrayOptionsGenerator::setValue(const QJsonObject &object, bool byKey)
{
    const QJsonObject options = selectValue(object, byKey).toObject();
    reload(base, AccessorKind::NoKind, options);
    reload(length, AccessorKind::NoKind, options);
}

PythonCode BitArrayOptionsGenerator::generate()
{
    const PythonCode b = base.generate();
    const PythonCode l = length.generate();
    const QString name = uniqueHelperId();

    PythonCode code;
    appendCodeLine(code.definitions, b.definitions);
    appendCodeLine(code.definitions, l.definitions);
    appendCodeLine(code.definitions, QString::fromLatin1(bitArrayFunctionTemplate)
                                         .arg(name, b.expression, l.expression, base.key(), length.key()));
    appendCodeLine(code.expression, name);
    code.makeKeywordArgument(key());
    return code;
}

} // namespace Configuration
} // namespace KorvanDebugger
