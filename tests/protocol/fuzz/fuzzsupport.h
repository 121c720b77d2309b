#pragma once

#include <QtGlobal>

#include <cstdlib>
#include <cstring>
#include <memory>

// The parsers report bad input on the debug channel; millions of those
// lines would only slow the fuzzer down.
inline void silenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

// A heap copy of exactly `size` bytes: a read one past the end is then
// caught, which the terminating zero of a QByteArray would hide.
inline std::unique_ptr<char[]> exactCopy(const uint8_t *data, size_t size)
{
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size)
        std::memcpy(copy.get(), data, size);
    return copy;
}

// A broken invariant must stop the fuzzer like a crash does.
#define FUZZ_CHECK(cond) \
    do { \
        if (!(cond)) \
            std::abort(); \
    } while (false)
