#pragma once

// Reads the small expression language of field accessors and turns it into
// the Python body of "lambda value : ..."; also checks C++ type names typed
// by the user. A backtracking recursive-descent reader without a syntax
// tree: every rule returns its Python text and a success flag, puts the
// cursor back when it fails, and only the error furthest into the text is
// kept for the user.

#include "pythoncode.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>

#include <initializer_list>

namespace KorvanDebugger {
namespace Configuration {

struct TranslationResult
{
    QString text;
    bool success = false;
};

class ExpressionTranslator
{
    Q_DECLARE_TR_FUNCTIONS(KorvanDebugger::Configuration::ExpressionTranslator)
public:
    explicit ExpressionTranslator(const QString &text);

    QString errorMessage() const { return m_errorMessage; }
    int errorPosition() const { return m_errorPosition; }

    TranslationResult parseQualifiedName(bool withTemplateArguments, bool wholeText);
    TranslationResult parseWholeType();
    TranslationResult translateExpressionList();
    // "lambda value : <translation>". A text that does not translate yields
    // a helper that raises the translation error when called, so a bad
    // accessor is reported by the printers instead of breaking the script.
    PythonCode translateLambda();

    // Template-parameter references "\0".."\9" and empty lists "<>" in types.
    bool allowTemplateParameters = true;

private:
    // A postfix element: the object it applies to goes between the parts.
    struct Element
    {
        QString before;
        QString after;
        bool present = false;
    };
    struct Memo
    {
        TranslationResult result;
        int end = 0;
        bool setsComparison = false;
    };

    QChar at(int position) const;
    QChar current() const { return at(m_cursor); }
    bool atEnd() const;
    void skipBlanks();
    QChar nextChar();
    bool matchKeyword(const char *keyword);
    void recordError(const QString &message);
    TranslationResult fail(int start);
    static TranslationResult succeed(const QString &text);
    QString matchPattern(int pattern);
    using Rule = TranslationResult (ExpressionTranslator::*)();
    // The first alternative that succeeds; when none does, the message (if
    // any) is recorded after the blanks.
    TranslationResult firstOf(std::initializer_list<Rule> alternatives, const char *message);

    // types
    TranslationResult parseIdentifier(bool allowDigits);
    TranslationResult parseTemplateIndex();
    TranslationResult parseTypeSuffix();
    TranslationResult parseConstTest(int start);
    TranslationResult parseCastConstant();
    TranslationResult parseTemplateList();
    TranslationResult parseType();

    // expressions
    TranslationResult parseIntegerConstant();
    TranslationResult parseFloatConstant();
    TranslationResult parseStringLiteral();
    bool parseFunctor(Element &element);
    bool parseMemberStep(Element &element);
    TranslationResult parsePostfixChain();
    TranslationResult parseFieldAccess();
    TranslationResult parseAddressOrFormat();
    TranslationResult parseOperand();
    TranslationResult parseLeaf();
    TranslationResult parseLeafUncached();
    TranslationResult parseParenthesis();
    TranslationResult parseExpression();
    TranslationResult parseExpressionUncached();
    TranslationResult parseBinary();
    TranslationResult parseUnary();
    bool isWholeStringLiteral(int start, int end);
    TranslationResult memoized(QHash<int, Memo> &table, Rule rule);

    int m_cursor = 0;
    const QString m_text;
    int m_errorPosition = -1;
    QString m_errorMessage;
    bool m_comparison = false;
    // Inside an item that holds a comparison, texts are compared unquoted.
    bool m_unquoteFormat = false;
    // Leaves and expressions are re-tried at the same place by the
    // alternatives; remembering them keeps nested parentheses linear.
    QHash<int, Memo> m_leafMemo;
    QHash<int, Memo> m_expressionMemo;
};

} // namespace Configuration
} // namespace KorvanDebugger
