#include "CppDocument.h"

namespace CPlusPlus {

Symbol::Symbol(const QByteArray &name, int line, int column)
    : m_name(name.isEmpty() ? nullptr : new Name(name)), m_line(line), m_column(column)
{
}

Symbol::~Symbol() = default;

Scope::~Scope()
{
    for (Symbol *member : m_members)
        delete member;
}

void Scope::addMember(Symbol *member)
{
    member->m_enclosingScope = this;
    m_members.push_back(member);
}

Document::Document(const QString &fileName)
    : m_fileName(fileName), m_globalNamespace(new Namespace(QByteArray(), 0, 0))
{
}

namespace {

bool before(const Symbol *s, int line, int column)
{
    return s->line() < line || (s->line() == line && s->column() <= column);
}

bool later(const Symbol *a, const Symbol *b)
{
    return !b || a->line() > b->line() || (a->line() == b->line() && a->column() > b->column());
}

void findLast(const Scope *scope, int line, int column, Symbol *&best)
{
    for (auto it = scope->memberBegin(); it != scope->memberEnd(); ++it) {
        Symbol *s = *it;
        if (before(s, line, column) && later(s, best))
            best = s;
        if (Scope *inner = s->asScope())
            findLast(inner, line, column, best);
    }
}

} // namespace

Symbol *Document::lastVisibleSymbolAt(int line, int column) const
{
    Symbol *best = nullptr;
    findLast(m_globalNamespace.get(), line, column, best);
    return best;
}

} // namespace CPlusPlus
