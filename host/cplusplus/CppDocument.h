#pragma once

// Stand-in for the IDE's C++ code model: the parsed symbols of one file
// (namespaces, classes, enumerations with their enumerators, variables) and
// the macros it defines. The stand-in parser fills it from libclang.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSharedPointer>
#include <QString>

#include <memory>
#include <vector>

namespace CPlusPlus {

class Scope;
class Enum;
class Declaration;
class Namespace;
class Class;

class Identifier
{
public:
    explicit Identifier(const QByteArray &chars) : m_chars(chars) {}
    const char *chars() const { return m_chars.constData(); }
    int size() const { return m_chars.size(); }

private:
    QByteArray m_chars;
};

class Name
{
public:
    explicit Name(const QByteArray &chars) : m_identifier(chars) {}
    const Identifier *identifier() const { return &m_identifier; }

private:
    Identifier m_identifier;
};

class Symbol
{
public:
    Symbol(const QByteArray &name, int line, int column);
    virtual ~Symbol();
    Symbol(const Symbol &) = delete;
    Symbol &operator=(const Symbol &) = delete;

    // Null for anonymous symbols (an unnamed enum, the global namespace).
    const Name *name() const { return m_name.get(); }
    const Identifier *identifier() const { return m_name ? m_name->identifier() : nullptr; }
    // Position of the symbol's name, 1-based.
    int line() const { return m_line; }
    int column() const { return m_column; }
    Scope *enclosingScope() const { return m_enclosingScope; }

    virtual Scope *asScope() { return nullptr; }
    virtual Enum *asEnum() { return nullptr; }
    virtual Declaration *asDeclaration() { return nullptr; }
    virtual Namespace *asNamespace() { return nullptr; }
    virtual Class *asClass() { return nullptr; }
    bool isScope() { return asScope(); }
    bool isEnum() { return asEnum(); }
    bool isDeclaration() { return asDeclaration(); }
    bool isNamespace() { return asNamespace(); }
    bool isClass() { return asClass(); }

private:
    friend class Scope;
    std::unique_ptr<Name> m_name;
    int m_line;
    int m_column;
    Scope *m_enclosingScope = nullptr;
};

class Scope : public Symbol
{
public:
    using Symbol::Symbol;
    ~Scope() override;

    using iterator = Symbol *const *;
    int memberCount() const { return int(m_members.size()); }
    Symbol *memberAt(int index) const { return m_members.at(size_t(index)); }
    iterator memberBegin() const { return m_members.data(); }
    iterator memberEnd() const { return m_members.data() + m_members.size(); }
    // Takes ownership.
    void addMember(Symbol *member);

    Scope *asScope() override { return this; }

private:
    std::vector<Symbol *> m_members;
};

class Namespace : public Scope
{
public:
    using Scope::Scope;
    Namespace *asNamespace() override { return this; }
};

class Class : public Scope
{
public:
    using Scope::Scope;
    Class *asClass() override { return this; }
};

class Enum : public Scope
{
public:
    Enum(const QByteArray &name, int line, int column, bool scoped)
        : Scope(name, line, column), m_scoped(scoped)
    {
    }
    // "enum class": its enumerators are named through the enumeration.
    bool isScoped() const { return m_scoped; }
    Enum *asEnum() override { return this; }

private:
    bool m_scoped;
};

// A variable, a data member or an enumerator.
class Declaration : public Symbol
{
public:
    using Symbol::Symbol;
    Declaration *asDeclaration() override { return this; }
};

class Macro
{
public:
    Macro() = default;
    Macro(const QByteArray &name, bool functionLike, int line)
        : m_name(name), m_functionLike(functionLike), m_line(line)
    {
    }
    QByteArray name() const { return m_name; }
    bool isFunctionLike() const { return m_functionLike; }
    int line() const { return m_line; }

private:
    QByteArray m_name;
    bool m_functionLike = false;
    int m_line = 0;
};

class Document
{
public:
    using Ptr = QSharedPointer<Document>;

    explicit Document(const QString &fileName);
    static Ptr create(const QString &fileName) { return Ptr(new Document(fileName)); }

    QString fileName() const { return m_fileName; }
    Namespace *globalNamespace() const { return m_globalNamespace.get(); }
    int globalSymbolCount() const { return m_globalNamespace->memberCount(); }
    Symbol *globalSymbolAt(int index) const { return m_globalNamespace->memberAt(index); }

    // The symbol declared last at or before (line, column), both 1-based,
    // searched through every scope of the document; null if none.
    Symbol *lastVisibleSymbolAt(int line, int column) const;

    QList<Macro> definedMacros() const { return m_definedMacros; }
    void appendMacro(const Macro &macro) { m_definedMacros.append(macro); }

    // Error messages of the parse ("line:column: text").
    QStringList diagnosticMessages() const { return m_diagnostics; }
    void addDiagnosticMessage(const QString &message) { m_diagnostics.append(message); }

private:
    QString m_fileName;
    std::unique_ptr<Namespace> m_globalNamespace;
    QList<Macro> m_definedMacros;
    QStringList m_diagnostics;
};

// The parsed documents known at one moment, by file name.
class Snapshot
{
public:
    void insert(const Document::Ptr &document) { m_documents.insert(document->fileName(), document); }
    Document::Ptr document(const QString &fileName) const { return m_documents.value(fileName); }
    bool contains(const QString &fileName) const { return m_documents.contains(fileName); }
    int size() const { return m_documents.size(); }

private:
    QHash<QString, Document::Ptr> m_documents;
};

} // namespace CPlusPlus

Q_DECLARE_METATYPE(CPlusPlus::Document::Ptr)
Q_DECLARE_METATYPE(CPlusPlus::Snapshot)
