#pragma once

// The record in which generators hand Python to each other, and the
// program-wide emission state of one generation run (helper names and ids,
// shared helper definitions, custom dumper registrations, the debug-context
// stack). GUI thread only.

#include <QString>

namespace KorvanDebugger {
namespace Configuration {

class PythonCode
{
public:
    QString definitions; // complete statements, newline-separated
    QString expression;  // keyword arguments one per line, or a helper variable
    QString helperName;  // the callable the expression is meant for
    QString dumperName;  // "qdump__" function of a class model

    PythonCode &merge(const PythonCode &other);
    void setHelperName(const QString &name);
    void joinExpressionLines();
    void makeKeywordArgument(const QString &keyword);
    void emitFunctionHeader();
    void instantiateHelper();
    QString makeDumperHeader(QString &typeName);
    // Puts the definitions into a try block, so that a class model whose
    // Python fails while the script defines it is reported under the
    // current debug-context path and the script goes on with the next model.
    void guardDefinitions();
    // The whole script of the record: the previous generation's deletions
    // (with withDeletes set), the custom unregistrations, the shared helper
    // definitions, then definitions and expression. Pending deletions and
    // unregistrations are consumed.
    QString unregisterCustomsCode(bool withDeletes);

    bool operator==(const PythonCode &other) const
    {
        return definitions == other.definitions && expression == other.expression
               && helperName == other.helperName && dumperName == other.dumperName;
    }
};

void appendCodeLine(QString &target, const QString &text, bool newlineSeparated = true);

// A Python string literal (double-quoted) holding exactly the given text.
QString pythonStringLiteral(const QString &text);

QString uniqueHelperId();
QString helperDefinitionId(const QString &helperTemplate);
void registerCustomDumper(const QString &first, const QString &second);
void deleteHelpersCode();
// The shared helper definitions of the present generation, as the script
// carries them (nothing is consumed).
QString sharedHelpersCode();

QString debugContextArgument();
void pushDebugContext(const QString &name, const QString &contextOverride = QString());
void popDebugContext();
int debugContextDepth();

// Pushes on construction, pops on destruction: every way out pops.
class DebugContextScope
{
public:
    explicit DebugContextScope(const QString &name, const QString &contextOverride = QString())
    {
        pushDebugContext(name, contextOverride);
    }
    ~DebugContextScope() { popDebugContext(); }
    DebugContextScope(const DebugContextScope &) = delete;
    DebugContextScope &operator=(const DebugContextScope &) = delete;
};

QString customKey(const QString &first, const QString &second);
QString customApiKey(const QString &prefix, const QString &first, const QString &second);
// A watch path as it stands in a custom key: "." (which separates the
// components of a debug context) and ";" (which separates the parts of the
// key) are written as "_d" and "_s", and a real "_" as "__", so that the
// path can be decoded again.
QString encodeCustomPath(const QString &path);
QString decodeCustomPath(const QString &encoded);
QString customApiName(const QString &prefix, const QString &classPath, const QString &name);

namespace Internal {
// Puts the emission state back to its start-up values (tests only).
void resetEmissionState();
}

} // namespace Configuration
} // namespace KorvanDebugger
