#include "gdbmi.h"

#include <QDebug>

#include <cstring>
#include <utility>

namespace Debugger {
namespace Internal {

namespace {

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QByteArray ind(int indent)
{
    return QByteArray(2 * indent, ' ');
}

// Nesting depth of the values being parsed on this thread.
thread_local int parseDepth = 0;

class DepthGuard
{
public:
    DepthGuard() { ++parseDepth; }
    ~DepthGuard() { --parseDepth; }
    bool tooDeep() const { return parseDepth > GdbMi::maxNestingDepth; }
};

} // namespace

uchar fromhex(uchar c)
{
    // Only real hexadecimal digits: GDB and C never use letters past 'f' as
    // digits, and taking them would swallow ordinary text after "\x4".
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return 10 + c - 'a';
    if (c >= 'A' && c <= 'F')
        return 10 + c - 'A';
    return 255;
}

void skipCommas(const char *&from, const char *to)
{
    while (from < to && *from == ',')
        ++from;
}

QByteArray escapeCString(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(2 * bytes.size());
    for (const char ch : bytes) {
        const uchar c = uchar(ch);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"': out += "\\\""; break;
        default:
            if (c < 0x20 || c == 0x7f) {
                out += '\\';
                out += char('0' + (c >> 6));
                out += char('0' + ((c >> 3) & 7));
                out += char('0' + (c & 7));
            } else {
                out += ch;
            }
        }
    }
    return out;
}

QByteArray GdbMi::parseCString(const char *&from, const char *to)
{
    if (from >= to || *from != '"') {
        qDebug("MI Parse Error, double quote expected");
        if (from < to)
            ++from;
        return QByteArray();
    }

    const char *ptr = from + 1;
    const char *closingQuote = nullptr;
    while (ptr < to) {
        if (*ptr == '"') {
            closingQuote = ptr;
            ++ptr;
            break;
        }
        if (*ptr == '\\') {
            if (ptr + 1 == to) {
                qDebug("MI Parse Error, unterminated backslash escape");
                from = to;
                return QByteArray();
            }
            ptr += 2;
        } else {
            ++ptr;
        }
    }
    const char *begin = from + 1;
    from = ptr;
    if (!closingQuote)
        return QByteArray();

    QByteArray result(begin, int(closingQuote - begin));
    const int firstEscape = result.indexOf('\\');
    if (firstEscape < 0)
        return result;

    // Decode in place: every escape is at least as long as the byte it gives.
    char *dst = result.data() + firstEscape;
    const char *src = dst;
    const char *const end = result.constData() + result.size();
    while (src < end) {
        const char c = *src++;
        if (c != '\\') {
            *dst++ = c;
            continue;
        }
        // The scan above never lets a string end in a lone backslash.
        const char e = *src++;
        switch (e) {
        case 'a': *dst++ = '\a'; break;
        case 'b': *dst++ = '\b'; break;
        case 'f': *dst++ = '\f'; break;
        case 'n': *dst++ = '\n'; break;
        case 'r': *dst++ = '\r'; break;
        case 't': *dst++ = '\t'; break;
        case 'v': *dst++ = '\v'; break;
        case '"': *dst++ = '"'; break;
        case '\\': *dst++ = '\\'; break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 3 && src < end) {
                const uchar digit = fromhex(uchar(*src));
                if (digit == 255)
                    break;
                value = value * 16 + digit;
                ++src;
                ++digits;
            }
            if (digits == 0) {
                qDebug("MI Parse Error, unrecognized hex escape");
                return QByteArray();
            }
            *dst++ = char(value & 0xff);
            break;
        }
        case '0': case '1': case '2': case '3':
        case '4': case '5': case '6': case '7': {
            int value = e - '0';
            for (int digits = 1; digits < 3 && src < end && *src >= '0' && *src <= '7'; ++digits)
                value = value * 8 + (*src++ - '0');
            *dst++ = char(value & 0xff);
            break;
        }
        default:
            qDebug("MI Parse Error, unrecognized backslash escape");
            return QByteArray();
        }
    }
    result.truncate(int(dst - result.constData()));
    return result;
}

void GdbMi::parseResultOrValue(const char *&from, const char *to)
{
    while (from < to && isAsciiSpace(*from))
        ++from;

    parseValue(from, to);
    if (isValid())
        return;
    if (from >= to || *from == '(')
        return;

    const char *nameStart = from;
    while (from < to && *from != '=' && *from != ':')
        ++from;
    m_name = QByteArray(nameStart, int(from - nameStart));
    if (from < to && *from == '=') {
        ++from;
        parseValue(from, to);
    }
}

void GdbMi::parseValue(const char *&from, const char *to)
{
    if (from >= to)
        return;
    const DepthGuard guard;
    if (guard.tooDeep()) {
        qDebug("MI Parse Error, values nested too deep");
        from = to;
        return;
    }
    switch (*from) {
    case '{':
        parseTuple(from, to);
        break;
    case '[':
        parseList(from, to);
        break;
    case '"':
        m_type = Const;
        m_data = parseCString(from, to);
        break;
    default:
        break;
    }
}

void GdbMi::parseTuple(const char *&from, const char *to)
{
    ++from; // the '{'
    parseTupleBody(from, to);
}

void GdbMi::parseTupleBody(const char *&from, const char *to)
{
    skipCommas(from, to);
    m_type = Tuple;
    while (from < to) {
        if (*from == '}') {
            ++from;
            return;
        }
        GdbMi child;
        child.parseResultOrValue(from, to);
        if (!child.isValid())
            return;
        m_children.append(std::move(child));
        skipCommas(from, to);
    }
}

void GdbMi::parseList(const char *&from, const char *to)
{
    ++from; // the '['
    m_type = List;
    skipCommas(from, to);
    while (from < to) {
        if (*from == ']') {
            ++from;
            return;
        }
        const char *elementStart = from;
        GdbMi child;
        child.parseResultOrValue(from, to);
        if (child.isValid())
            m_children.append(std::move(child));
        else if (from == elementStart)
            return; // an element that takes no input ends the list, as in a tuple
        skipCommas(from, to);
    }
}

void GdbMi::fromString(const QByteArray &text)
{
    const char *from = text.constData();
    parseResultOrValue(from, from + text.size());
}

void GdbMi::fromStringMultiple(const QByteArray &text)
{
    const char *from = text.constData();
    parseTupleBody(from, from + text.size());
}

const GdbMi &GdbMi::operator[](const char *name) const
{
    static const GdbMi invalid;
    const int length = name ? int(std::strlen(name)) : 0;
    for (const GdbMi &child : m_children) {
        if (child.m_name.size() == length
                && (length == 0 || std::memcmp(child.m_name.constData(), name, size_t(length)) == 0))
            return child;
    }
    return invalid;
}

void GdbMi::dumpChildren(QByteArray *out, bool multiline, int indent) const
{
    for (int i = 0; i < m_children.size(); ++i) {
        if (i > 0) {
            *out += ',';
            if (multiline)
                *out += '\n';
        }
        if (multiline)
            *out += ind(indent);
        *out += m_children.at(i).toString(multiline, indent);
    }
}

QByteArray GdbMi::toString(bool multiline, int indent) const
{
    QByteArray result;
    if (m_type == Invalid) {
        if (multiline)
            result += ind(indent) + "Invalid\n";
        else
            result += "Invalid";
        return result;
    }
    if (!m_name.isEmpty())
        result += m_name + '=';
    if (m_type == Const) {
        result += '"' + escapeCString(m_data) + '"';
        return result;
    }
    const char open = m_type == Tuple ? '{' : '[';
    const char close = m_type == Tuple ? '}' : ']';
    result += open;
    if (multiline) {
        result += '\n';
        dumpChildren(&result, multiline, indent + 1);
        result += '\n' + ind(indent);
    } else {
        dumpChildren(&result, multiline, indent);
    }
    result += close;
    return result;
}

quint64 GdbMi::toAddress() const
{
    QByteArray text = m_data;
    if (text.endsWith('L'))
        text.chop(1);
    if (text.startsWith('*') || text.startsWith('@'))
        text.remove(0, 1);
    bool ok = false;
    const quint64 address = text.toULongLong(&ok, 0);
    return ok ? address : 0;
}

} // namespace Internal
} // namespace Debugger
