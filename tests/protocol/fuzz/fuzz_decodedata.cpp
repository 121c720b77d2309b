#include "fuzzsupport.h"

#include "protocol/gdbversion.h"
#include "protocol/valuedecoding.h"

#include <cstdint>

using namespace Debugger::Internal;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

// The first byte picks the encoding (-2 to 45, so the unknown codes on both
// sides are reached too); the rest is the value text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int encoding = int(data[0] % 48) - 2;
    const std::unique_ptr<char[]> buffer = exactCopy(data + 1, size - 1);
    const QByteArray value = QByteArray::fromRawData(buffer.get(), int(size - 1));

    decodeData(value, encoding);
    encodingFromName(value);
    FUZZ_CHECK(quoteUnprintableLatin1(value).size() >= value.size());

    int version = 0;
    int build = 0;
    bool mac = false;
    bool qnx = false;
    extractGdbVersion(QString::fromUtf8(value), &version, &build, &mac, &qnx);
    return 0;
}
