// Throughput of the GDB/MI parser, its printer and the value decoders on
// answers shaped like the stack argument query and the dumper's values.
// Run by hand: bench_protocol [iterations]

#include "protocol/gdbmi.h"
#include "protocol/valuedecoding.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QtGlobal>

#include <cstdio>

using namespace Debugger::Internal;

namespace {

QByteArray stackArguments(int frames)
{
    QByteArray text = "stack-args=[";
    for (int i = 0; i < frames; ++i) {
        if (i)
            text += ',';
        text += "frame={level=\"" + QByteArray::number(i) + "\",args=["
                "{name=\"p\",type=\"const Point &\",value=\"@0x7fffffffe658: {x = 4, y = 5}\"},"
                "{name=\"scale\",type=\"int\",value=\"" + QByteArray::number(i * 7) + "\"},"
                "{name=\"label\",type=\"const char *\",value=\"0x555555556020 <escapes> "
                "\\\"tab\\\\tquote\\\\\\\"back\\\\\\\\slash\\\\001\\\\177 nl\\\\n \\303\\244 end\\\"\"}]}";
    }
    return text + ']';
}

void report(const char *what, qint64 nsecs, int iterations, qint64 bytes)
{
    const double seconds = nsecs / 1e9;
    std::printf("%-34s %9.3f ms/iter  %8.1f MB/s\n", what, seconds * 1e3 / iterations,
                bytes * double(iterations) / seconds / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    const int iterations = argc > 1 ? qMax(1, atoi(argv[1])) : 50;
    const QByteArray text = stackArguments(5000);
    std::printf("input: %d bytes, %d iterations\n", text.size(), iterations);

    QElapsedTimer timer;
    timer.start();
    int children = 0;
    for (int i = 0; i < iterations; ++i) {
        GdbMi mi;
        mi.fromStringMultiple(text);
        children += mi["stack-args"].childCount();
    }
    report("parse stack-args (5000 frames)", timer.nsecsElapsed(), iterations, text.size());

    GdbMi parsed;
    parsed.fromStringMultiple(text);
    timer.restart();
    qint64 printed = 0;
    for (int i = 0; i < iterations; ++i)
        printed += parsed.toString().size();
    report("toString (one line)", timer.nsecsElapsed(), iterations, printed / iterations);

    const QString sample = QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e, netlist gate U1/Q ").repeated(40);
    const QByteArray utf16Hex = QByteArray(reinterpret_cast<const char *>(sample.utf16()),
                                           sample.size() * 2).toHex();
    const QByteArray utf8Hex = sample.toUtf8().toHex();
    const int decodes = iterations * 2000;
    std::printf("values: %d hex bytes (utf16), %d hex bytes (utf8)\n", utf16Hex.size(), utf8Hex.size());
    timer.restart();
    int length = 0;
    for (int i = 0; i < decodes; ++i)
        length += decodeData(utf16Hex, Hex4EncodedLittleEndian).size();
    report("decodeData utf16 hex", timer.nsecsElapsed(), decodes, utf16Hex.size());
    timer.restart();
    for (int i = 0; i < decodes; ++i)
        length += decodeData(utf8Hex, Hex2EncodedUtf8).size();
    report("decodeData utf8 hex", timer.nsecsElapsed(), decodes, utf8Hex.size());

    // Keeps the work from being optimised away.
    return children + length == 0 ? 1 : 0;
}
