#pragma once

#include <QByteArray>
#include <QVector>

namespace Debugger {
namespace Internal {

// One node of a GDB/MI value: a named constant, tuple or list. The members
// keep the host debugger's order and widths, because host functions take
// these trees by reference.
class GdbMi
{
public:
    enum Type { Invalid, Const, Tuple, List };

    QByteArray m_name;
    QByteArray m_data;
    QVector<GdbMi> m_children;
    Type m_type = Invalid;

    const QByteArray &name() const { return m_name; }
    const QByteArray &data() const { return m_data; }
    const QVector<GdbMi> &children() const { return m_children; }
    int childCount() const { return m_children.size(); }
    const GdbMi &childAt(int index) const { return m_children.at(index); }
    Type type() const { return m_type; }
    bool isValid() const { return m_type != Invalid; }

    QVector<GdbMi>::const_iterator begin() const { return m_children.begin(); }
    QVector<GdbMi>::const_iterator end() const { return m_children.end(); }

    // First child of that name, or a shared Invalid node, so that chains of
    // lookups through missing children stay safe. A null name matches the
    // first anonymous child.
    const GdbMi &operator[](const char *name) const;

    void fromString(const QByteArray &text);
    // The whole text as the inside of a tuple: `a="1",b=[]`.
    void fromStringMultiple(const QByteArray &text);

    QByteArray toString(bool multiline = false, int indent = 0) const;
    quint64 toAddress() const;

    // Parser steps over [from, to); each advances `from` past what it used.
    void parseResultOrValue(const char *&from, const char *to);
    void parseValue(const char *&from, const char *to);
    void parseTuple(const char *&from, const char *to);
    void parseTupleBody(const char *&from, const char *to);
    void parseList(const char *&from, const char *to);
    static QByteArray parseCString(const char *&from, const char *to);

    void dumpChildren(QByteArray *out, bool multiline, int indent) const;

    // Values nested deeper than this are not parsed: the rest of the text is
    // dropped, so hostile input cannot exhaust the stack.
    static constexpr int maxNestingDepth = 256;
};

// C escapes for `bytes`, the inverse of GdbMi::parseCString without quotes.
QByteArray escapeCString(const QByteArray &bytes);
// Value of one hexadecimal digit, or 255 for any other byte.
uchar fromhex(uchar c);
void skipCommas(const char *&from, const char *to);

} // namespace Internal
} // namespace Debugger
