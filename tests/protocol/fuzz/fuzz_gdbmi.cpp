#include "fuzzsupport.h"

#include "protocol/gdbmi.h"

#include <cstdint>

using namespace Debugger::Internal;

namespace {

void walk(const GdbMi &node, int depth)
{
    FUZZ_CHECK(depth <= GdbMi::maxNestingDepth + 1);
    node.toAddress();
    (void)node[node.name().constData()];
    for (const GdbMi &child : node)
        walk(child, depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::unique_ptr<char[]> buffer = exactCopy(data, size);
    const char *const begin = buffer.get();
    const char *const end = begin + size;

    GdbMi single;
    const char *from = begin;
    single.parseResultOrValue(from, end);
    FUZZ_CHECK(from >= begin && from <= end);
    walk(single, 0);
    single.toString(true, 1);

    GdbMi multiple;
    from = begin;
    multiple.parseTupleBody(from, end);
    FUZZ_CHECK(from >= begin && from <= end);
    FUZZ_CHECK(multiple.type() == GdbMi::Tuple);
    walk(multiple, 0);
    const QByteArray printed = multiple.toString();

    // Whatever the bytes, escaping and parsing give them back.
    const QByteArray bytes = QByteArray::fromRawData(begin, int(size));
    const QByteArray quoted = '"' + escapeCString(bytes) + '"';
    const char *q = quoted.constData();
    FUZZ_CHECK(GdbMi::parseCString(q, q + quoted.size()) == bytes);
    FUZZ_CHECK(q == quoted.constData() + quoted.size());

    from = begin;
    while (from < end)
        GdbMi::parseCString(from, end);
    return 0;
}
