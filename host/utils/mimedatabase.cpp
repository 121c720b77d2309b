#include "mimedatabase.h"

#include <QFileInfo>

namespace Utils {

namespace {

struct Entry
{
    const char *name;
    const char *comment;
    const char *suffixes;
};

// Every source type is also plain text.
const Entry entries[] = {
    {"text/plain", "Plain text", "txt"},
    {"text/x-python", "Python source", "py pyw"},
    {"text/x-csrc", "C source", "c"},
    {"text/x-chdr", "C header", "h"},
    {"text/x-c++src", "C++ source", "cpp cxx cc C c++"},
    {"text/x-c++hdr", "C++ header", "hpp hxx hh h++"},
};

MimeType typeOf(const Entry &entry)
{
    return MimeType(QString::fromLatin1(entry.name), QString::fromLatin1(entry.comment),
                    QString::fromLatin1(entry.suffixes).split(QLatin1Char(' ')));
}

} // namespace

bool MimeType::inherits(const QString &name) const
{
    return isValid() && (name == m_name || name == QLatin1String("text/plain"));
}

MimeType MimeDatabase::mimeTypeForName(const QString &name) const
{
    for (const Entry &entry : entries) {
        if (name == QLatin1String(entry.name))
            return typeOf(entry);
    }
    return MimeType();
}

MimeType MimeDatabase::mimeTypeForFile(const QString &fileName) const
{
    // Suffixes are case sensitive: "C" is C++, "c" is C.
    const QString suffix = QFileInfo(fileName).suffix();
    for (const Entry &entry : entries) {
        const MimeType type = typeOf(entry);
        if (type.suffixes().contains(suffix))
            return type;
    }
    return MimeType();
}

} // namespace Utils
