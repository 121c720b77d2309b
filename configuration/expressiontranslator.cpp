#include "expressiontranslator.h"

#include "editor/korvandebuggeroptions.h"

#include <QRegularExpression>

namespace KorvanDebugger {
namespace Configuration {

namespace {

enum Pattern { IdentifierPattern, DigitsPattern, IntegerPattern, FloatPattern, BuiltinTypePattern };

const QRegularExpression &pattern(Pattern which)
{
    // Compiled once and shared by every translator.
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("_*([a-zA-Z][_a-zA-Z0-9]*)")),
        QRegularExpression(QStringLiteral("([0-9]+)")),
        QRegularExpression(QStringLiteral("[-+]*([0-9]+)")),
        QRegularExpression(QStringLiteral("[-+]*([0-9]+\\.?[0-9]*)")),
        // A builtin type of several words ("unsigned short", "long long int");
        // one word alone reads as a plain name.
        QRegularExpression(QStringLiteral("(?:unsigned|signed|short|long)(?:[ \t\n]+(?:unsigned|signed|short|long|int|char|double))+(?![_a-zA-Z0-9])")),
    };
    return patterns[which];
}

bool isBlank(QChar c)
{
    return c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char(' ');
}

// The end of the text reads as NUL; a message shows it as nothing.
QString characterText(QChar c)
{
    return c.isNull() ? QString() : QString(c);
}

// Python 3 rejects leading zeros in decimal literals ("007"); the value the
// user means is the decimal one.
QString pythonNumber(const QString &constant)
{
    int digits = 0;
    while (digits < constant.size() && (constant.at(digits) == QLatin1Char('-') || constant.at(digits) == QLatin1Char('+')))
        ++digits;
    int zeros = 0;
    while (digits + zeros + 1 < constant.size() && constant.at(digits + zeros) == QLatin1Char('0')
           && constant.at(digits + zeros + 1).isDigit()) {
        ++zeros;
    }
    return zeros == 0 ? constant : constant.left(digits) + constant.mid(digits + zeros);
}

bool isHexDigits(const QString &text, int from, int count)
{
    if (from + count > text.size())
        return false;
    for (int i = from; i < from + count; ++i) {
        const ushort c = text.at(i).unicode();
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// Python 3 refuses a string literal with a malformed \x, \u or \U escape,
// and one with \N{name} whose name it does not know, and warns about unknown
// escapes; such a backslash is doubled, so it stands for itself as it did in
// Python 2 text literals.
QString withSafeEscapes(const QString &literal)
{
    QString out;
    out.reserve(literal.size());
    for (int i = 0; i < literal.size(); ++i) {
        const QChar c = literal.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= literal.size()) {
            out += c;
            continue;
        }
        const QChar escape = literal.at(i + 1);
        bool valid = QByteArrayLiteral("\\'\"abfnrtv01234567").contains(char(escape.unicode()))
                     && escape.unicode() < 0x80;
        if (escape == QLatin1Char('x'))
            valid = isHexDigits(literal, i + 2, 2);
        else if (escape == QLatin1Char('u'))
            valid = isHexDigits(literal, i + 2, 4);
        else if (escape == QLatin1Char('U'))
            valid = isHexDigits(literal, i + 2, 8) && literal.midRef(i + 2, 8).toUInt(nullptr, 16) <= 0x10ffff;
        else if (escape == QLatin1Char('N'))
            valid = false;
        if (valid) {
            out += c;
            out += escape;
            ++i;
        } else {
            out += QLatin1String("\\\\");
        }
    }
    return out;
}

bool debugMode()
{
    return KorvanDebugger::Internal::KorvanDebuggerOptions::debugModeEnabled();
}

} // namespace

ExpressionTranslator::ExpressionTranslator(const QString &text)
    : m_text(text)
{
}

QChar ExpressionTranslator::at(int position) const
{
    return position >= 0 && position < m_text.size() ? m_text.at(position) : QChar();
}

bool ExpressionTranslator::atEnd() const
{
    return current().isNull();
}

void ExpressionTranslator::skipBlanks()
{
    while (m_cursor < m_text.size() && isBlank(m_text.at(m_cursor)))
        ++m_cursor;
}

QChar ExpressionTranslator::nextChar()
{
    skipBlanks();
    if (m_cursor >= m_text.size())
        return QChar();
    return m_text.at(m_cursor++);
}

bool ExpressionTranslator::matchKeyword(const char *keyword)
{
    skipBlanks();
    const QLatin1String word(keyword);
    if (!m_text.midRef(m_cursor).startsWith(word))
        return false;
    m_cursor += word.size();
    return true;
}

void ExpressionTranslator::recordError(const QString &message)
{
    if (m_cursor > m_errorPosition) {
        m_errorPosition = m_cursor;
        m_errorMessage = message;
    }
}

TranslationResult ExpressionTranslator::fail(int start)
{
    m_cursor = start;
    return TranslationResult();
}

TranslationResult ExpressionTranslator::succeed(const QString &text)
{
    return TranslationResult{text, true};
}

QString ExpressionTranslator::matchPattern(int which)
{
    const QRegularExpressionMatch match = pattern(Pattern(which)).match(
        m_text, m_cursor, QRegularExpression::NormalMatch, QRegularExpression::AnchoredMatchOption);
    if (!match.hasMatch() || match.capturedLength(0) == 0)
        return QString();
    m_cursor += match.capturedLength(0);
    return match.captured(0);
}

// ---- C++ types -------------------------------------------------------------

TranslationResult ExpressionTranslator::parseIdentifier(bool allowDigits)
{
    const int start = m_cursor;
    skipBlanks();
    const QString identifier = matchPattern(IdentifierPattern);
    if (!identifier.isNull())
        return succeed(QLatin1Char('"') + identifier + QLatin1Char('"'));
    int underscores = 0;
    while (at(m_cursor + underscores) == QLatin1Char('_'))
        ++underscores;
    if (underscores == 0 && allowDigits) {
        const QString digits = matchPattern(DigitsPattern);
        return digits.isNull() ? fail(start) : succeed(digits);
    }
    recordError(tr("Invalid field expression '%1'.").arg(QString(underscores, QLatin1Char('_'))));
    return fail(start);
}

TranslationResult ExpressionTranslator::parseTemplateIndex()
{
    const int start = m_cursor;
    skipBlanks();
    if (current() != QLatin1Char('\\')) {
        recordError(tr("Unexpected character: '%1'.").arg(characterText(current())));
        return fail(start);
    }
    ++m_cursor;
    for (;;) {
        const QChar digit = nextChar();
        if (digit < QLatin1Char('0') || digit > QLatin1Char('9')) {
            recordError(tr("Template index ('%1') is not a number between 0 and 9.").arg(characterText(digit)));
            return fail(start);
        }
        if (current() != QLatin1Char('.'))
            return succeed(QString());
        ++m_cursor;
    }
}

TranslationResult ExpressionTranslator::parseTypeSuffix()
{
    const int start = m_cursor;
    skipBlanks();
    const auto endsType = [](QChar c) {
        return c.isNull() || c == QLatin1Char(',') || c == QLatin1Char('<') || c == QLatin1Char('>');
    };
    QChar c = current();
    if (endsType(c))
        return succeed(QString());
    if (c == QLatin1Char('&') || c == QLatin1Char('*')) {
        ++m_cursor;
        skipBlanks();
        if (c == QLatin1Char('*')) {
            while (current() == QLatin1Char('*')) {
                ++m_cursor;
                skipBlanks();
            }
        }
        c = current();
        if (endsType(c))
            return succeed(QString());
    }
    if (c == QLatin1Char('c'))
        return parseConstTest(start);
    recordError(tr("Unexpected character: '%1'.").arg(characterText(c)));
    return fail(start);
}

TranslationResult ExpressionTranslator::parseConstTest(int start)
{
    skipBlanks();
    if (!m_text.midRef(m_cursor).startsWith(QLatin1String("const"))) {
        recordError(tr("Unexpected character: '%1'.").arg(QLatin1Char('c')));
        return fail(start);
    }
    const QChar before = at(m_cursor - 1);
    if (before != QLatin1Char(' ') && before != QLatin1Char('&') && before != QLatin1Char('*')) {
        --m_cursor; // the error belongs to the character glued to "const"
        recordError(tr("Unexpected character: '%1'.").arg(QLatin1Char('c')));
        return fail(start);
    }
    m_cursor += 5;
    return succeed(QString());
}

TranslationResult ExpressionTranslator::parseQualifiedName(bool withTemplateArguments, bool wholeText)
{
    const int start = m_cursor;
    for (;;) {
        skipBlanks();
        if (!parseIdentifier(false).success)
            return fail(start);
        skipBlanks();
        if (withTemplateArguments && !parseTemplateList().success)
            return fail(start);
        skipBlanks();
        if (atEnd())
            return succeed(QString());
        if (current() == QLatin1Char(':')) {
            ++m_cursor;
            if (nextChar() != QLatin1Char(':')) {
                recordError(tr("Invalid namespace separator. Only one ':' character."));
                return fail(start);
            }
            continue;
        }
        if (wholeText) {
            recordError(tr("Trailing characters after the type."));
            return fail(start);
        }
        return succeed(QString());
    }
}

TranslationResult ExpressionTranslator::parseCastConstant()
{
    const int start = m_cursor;
    if (current() != QLatin1Char('(')) {
        recordError(tr("Unexpected character: '%1'.").arg(characterText(current())));
        return fail(start);
    }
    ++m_cursor;
    if (!parseQualifiedName(false, false).success)
        return fail(start);
    if (nextChar() != QLatin1Char(')')) {
        recordError(tr("Missing ')' in cast expression."));
        return fail(start);
    }
    const TranslationResult constant = parseIntegerConstant();
    return constant.success ? constant : fail(start);
}

TranslationResult ExpressionTranslator::parseTemplateList()
{
    const int start = m_cursor;
    skipBlanks();
    if (current() != QLatin1Char('<'))
        return succeed(QString());
    ++m_cursor;
    if (current() == QLatin1Char('>')) {
        if (allowTemplateParameters) {
            ++m_cursor;
            return succeed(QString());
        }
        recordError(tr("Template argument is missing."));
        return fail(start);
    }
    for (;;) {
        skipBlanks();
        if (!parseType().success && !parseCastConstant().success)
            return fail(start);
        skipBlanks();
        const QChar c = current();
        if (c.isNull()) {
            recordError(tr("Unexpected end of type. Template list is not terminated."));
            return fail(start);
        }
        if (c == QLatin1Char(',')) {
            ++m_cursor;
            continue;
        }
        if (c == QLatin1Char('>')) {
            ++m_cursor;
            return succeed(QString());
        }
        recordError(tr("Unexpected character: '%1'.").arg(c));
        return fail(start);
    }
}

TranslationResult ExpressionTranslator::parseType()
{
    const int start = m_cursor;
    skipBlanks();
    const bool builtin = !matchPattern(BuiltinTypePattern).isNull();
    if (builtin || parseQualifiedName(true, false).success
        || (allowTemplateParameters && parseTemplateIndex().success)) {
        const TranslationResult suffix = parseTypeSuffix();
        return suffix.success ? suffix : fail(start);
    }
    skipBlanks();
    recordError(tr("Can't parse expression."));
    return fail(start);
}

TranslationResult ExpressionTranslator::parseWholeType()
{
    if (m_text.isEmpty())
        return succeed(QString());
    const int start = m_cursor;
    if (!parseType().success)
        return fail(start);
    skipBlanks();
    if (!atEnd()) {
        recordError(tr("Trailing characters after the type."));
        return fail(start);
    }
    return succeed(QString());
}

// ---- expressions -------------------------------------------------------------

TranslationResult ExpressionTranslator::parseIntegerConstant()
{
    const int start = m_cursor;
    skipBlanks();
    const QString constant = matchPattern(IntegerPattern);
    if (constant.isNull()) {
        recordError(tr("Invalid constant expression."));
        return fail(start);
    }
    return succeed(constant);
}

TranslationResult ExpressionTranslator::parseFloatConstant()
{
    const int start = m_cursor;
    skipBlanks();
    const QString constant = matchPattern(FloatPattern);
    if (constant.isNull()) {
        recordError(tr("Invalid constant expression."));
        return fail(start);
    }
    return succeed(pythonNumber(constant));
}

TranslationResult ExpressionTranslator::parseStringLiteral()
{
    const int start = m_cursor;
    skipBlanks();
    if (current() != QLatin1Char('"')) {
        recordError(tr("Invalid string expression."));
        return fail(start);
    }
    QString literal(QLatin1Char('"'));
    int backslashes = 0;
    for (int i = m_cursor + 1; i < m_text.size() && !m_text.at(i).isNull(); ++i) {
        const QChar c = m_text.at(i);
        if (c == QLatin1Char('"') && backslashes % 2 == 0) {
            m_cursor = i + 1;
            return succeed(withSafeEscapes(literal + c));
        }
        backslashes = c == QLatin1Char('\\') ? backslashes + 1 : 0;
        // A raw line break would end the Python literal (and the argument
        // lists split at newlines); the escape keeps the same text.
        if (c == QLatin1Char('\n'))
            literal += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            literal += QLatin1String("\\r");
        else
            literal += c;
    }
    m_cursor = m_text.size();
    recordError(tr("Constant expression is not terminated with '\"'."));
    return fail(start);
}

bool ExpressionTranslator::parseFunctor(Element &element)
{
    const int start = m_cursor;
    element = Element();
    if (nextChar() != QLatin1Char('{')) {
        m_cursor = start;
        return false;
    }
    const bool debug = debugMode();
    const auto close = [this](const QString &message) {
        skipBlanks();
        if (current() == QLatin1Char('}')) {
            ++m_cursor;
            return true;
        }
        recordError(message);
        return false;
    };
    // An optional ":" followed by a forced type literal; false on a ":"
    // without the literal.
    const auto forcedType = [this](QString &type, const QString &message) {
        skipBlanks();
        if (current() != QLatin1Char(':'))
            return true;
        ++m_cursor;
        skipBlanks();
        const TranslationResult literal = parseStringLiteral();
        if (!literal.success) {
            recordError(message);
            return false;
        }
        type = literal.text;
        return true;
    };
    const auto failed = [this, start]() {
        m_cursor = start;
        return false;
    };

    if (matchKeyword("Member:") || matchKeyword("M:")) {
        skipBlanks();
        const TranslationResult name = parseIdentifier(true);
        if (!name.success) {
            recordError(tr("Identifier is missing for 'Member' operator."));
            return failed();
        }
        if (!close(tr("'Member' operator not completed. '}' missing.")))
            return failed();
        element.before = debug ? QStringLiteral("getMemberD(") : QString();
        element.after = debug ? QLatin1Char(',') + name.text + QLatin1Char(')')
                              : QLatin1Char('[') + name.text + QLatin1Char(']');
    } else if (matchKeyword("Field:") || matchKeyword("F:")) {
        skipBlanks();
        const TranslationResult name = parseStringLiteral();
        if (!name.success) {
            recordError(tr("Identifier is missing for 'Field' operator."));
            return failed();
        }
        QString type;
        if (!forcedType(type, tr("forced type is missing for 'Field' operator."))
            || !close(tr("'Field' operator not completed. '}' missing."))) {
            return failed();
        }
        if (type.isEmpty()) {
            element.before = debug ? QStringLiteral("getFieldD(") : QStringLiteral("getField(");
            element.after = QLatin1Char(',') + name.text + QLatin1Char(')');
        } else {
            element.before = debug ? QStringLiteral("getFieldForceD(") : QStringLiteral("getFieldForce(");
            element.after = QLatin1Char(',') + name.text + QLatin1Char(',') + type + QLatin1Char(')');
        }
    } else if (matchKeyword("Header") || matchKeyword("H")) {
        QString type;
        if (!forcedType(type, tr("forced type is missing for 'Header' operator."))
            || !close(tr("'Header' operator not completed. '}' missing."))) {
            return failed();
        }
        if (type.isEmpty()) {
            element.before = debug ? QStringLiteral("getHeaderD(") : QStringLiteral("getHeader(");
            element.after = QStringLiteral(")");
        } else {
            element.before = debug ? QStringLiteral("getHeaderForceD(") : QStringLiteral("getHeaderForce(");
            element.after = QLatin1Char(',') + type + QLatin1Char(')');
        }
    } else if (matchKeyword("Size") || matchKeyword("S")) {
        if (!close(tr("'Size' operator not completed. '}' missing.")))
            return failed();
        element.before = debug ? QStringLiteral("getSizeD(") : QStringLiteral("getSize(");
        element.after = QStringLiteral(")");
    } else if (matchKeyword("Lambda ") || matchKeyword("L ")) {
        skipBlanks();
        const int argumentStart = m_cursor;
        const TranslationResult argument = parseIdentifier(true);
        // Bare digits are no Python parameter name.
        if (!argument.success || !argument.text.startsWith(QLatin1Char('"'))) {
            m_cursor = argumentStart;
            recordError(tr("Lambda expression error. Invalid argument."));
            return failed();
        }
        skipBlanks();
        if (current() != QLatin1Char(':')) {
            recordError(tr("Lambda expression error. ':' missing."));
            return failed();
        }
        ++m_cursor;
        int end = m_cursor;
        while (end < m_text.size() && !m_text.at(end).isNull() && m_text.at(end) != QLatin1Char('}'))
            ++end;
        if (at(end) != QLatin1Char('}')) {
            m_cursor = end;
            recordError(tr("Lambda expression not terminated. '}' missing."));
            return failed();
        }
        QString body = m_text.mid(m_cursor, end - m_cursor);
        // The expression must stay on one line: argument lists are split at
        // newlines.
        body.replace(QLatin1Char('\n'), QLatin1Char(' '));
        body.replace(QLatin1Char('\r'), QLatin1Char(' '));
        m_cursor = end + 1;
        element.before = QLatin1String("(lambda ") + argument.text.mid(1, argument.text.size() - 2)
                         + QLatin1Char(':') + body + QLatin1String(")(");
        element.after = QStringLiteral(")");
    } else {
        recordError(tr("Invalid functor name."));
        return failed();
    }
    element.present = true;
    return true;
}

bool ExpressionTranslator::parseMemberStep(Element &element)
{
    const int start = m_cursor;
    element = Element();
    if (nextChar() != QLatin1Char('.')) {
        m_cursor = start;
        return false;
    }
    skipBlanks();
    const TranslationResult name = parseIdentifier(true);
    if (!name.success) {
        recordError(tr("Field identifier is missing after '.' separator."));
        m_cursor = start;
        return false;
    }
    if (debugMode()) {
        element.before = QStringLiteral("getMemberD(");
        element.after = QLatin1Char(',') + name.text + QLatin1Char(')');
    } else {
        element.after = QLatin1Char('[') + name.text + QLatin1Char(']');
    }
    element.present = true;
    return true;
}

TranslationResult ExpressionTranslator::parsePostfixChain()
{
    QString text = QStringLiteral("value");
    bool any = false;
    Element element;
    while (parseFunctor(element) || parseMemberStep(element)) {
        text = element.before + text + element.after;
        any = true;
    }
    return any ? succeed(text) : TranslationResult();
}

TranslationResult ExpressionTranslator::parseFieldAccess()
{
    const int start = m_cursor;
    const TranslationResult chain = parsePostfixChain();
    if (chain.success)
        return chain;
    if (nextChar() == QLatin1Char('.'))
        return succeed(QStringLiteral("value"));
    return fail(start);
}

TranslationResult ExpressionTranslator::parseAddressOrFormat()
{
    const int start = m_cursor;
    const QChar op = nextChar();
    if (op != QLatin1Char('&') && op != QLatin1Char(':'))
        return fail(start);
    skipBlanks();
    const TranslationResult field = parseFieldAccess();
    if (!field.success) {
        recordError(op == QLatin1Char('&') ? tr("Invalid usage of unary operator '&': Field requested.")
                                           : tr("Invalid usage of unary operator ':': Field requested."));
        return fail(start);
    }
    if (op == QLatin1Char('&'))
        return succeed(field.text + QLatin1String(".address"));
    return succeed((m_unquoteFormat ? QLatin1String("formatAsStringUnquote(") : QLatin1String("formatAsString("))
                   + field.text + QLatin1Char(')'));
}

TranslationResult ExpressionTranslator::parseOperand()
{
    return firstOf({&ExpressionTranslator::parseAddressOrFormat, &ExpressionTranslator::parseFieldAccess,
                    &ExpressionTranslator::parseFloatConstant},
                   nullptr);
}

TranslationResult ExpressionTranslator::firstOf(std::initializer_list<Rule> alternatives, const char *message)
{
    const int start = m_cursor;
    for (const Rule rule : alternatives) {
        const TranslationResult result = (this->*rule)();
        if (result.success)
            return result;
    }
    if (message) {
        skipBlanks();
        recordError(tr(message));
    }
    return fail(start);
}

TranslationResult ExpressionTranslator::parseParenthesis()
{
    const int start = m_cursor;
    if (nextChar() != QLatin1Char('('))
        return fail(start);
    const TranslationResult inner = parseExpression();
    if (!inner.success || nextChar() != QLatin1Char(')')) {
        recordError(tr("'(' has no matching ')'."));
        return fail(start);
    }
    return succeed(QLatin1Char('(') + inner.text + QLatin1Char(')'));
}

TranslationResult ExpressionTranslator::parseLeaf()
{
    return memoized(m_leafMemo, &ExpressionTranslator::parseLeafUncached);
}

TranslationResult ExpressionTranslator::parseLeafUncached()
{
    return firstOf({&ExpressionTranslator::parseOperand, &ExpressionTranslator::parseStringLiteral,
                    &ExpressionTranslator::parseParenthesis},
                   QT_TR_NOOP("Can't parse leaf expression."));
}

TranslationResult ExpressionTranslator::parseExpression()
{
    return memoized(m_expressionMemo, &ExpressionTranslator::parseExpressionUncached);
}

TranslationResult ExpressionTranslator::parseExpressionUncached()
{
    return firstOf({&ExpressionTranslator::parseBinary, &ExpressionTranslator::parseUnary,
                    &ExpressionTranslator::parseLeaf},
                   QT_TR_NOOP("Can't parse expression."));
}

TranslationResult ExpressionTranslator::parseBinary()
{
    enum Form { Infix, Comparison, LogicalAnd, LogicalOr, BitwiseAnd, BitwiseOr };
    const int start = m_cursor;
    const TranslationResult left = parseLeaf();
    if (!left.success)
        return fail(start);
    const QChar first = nextChar();
    QString op(first);
    Form form = Infix;
    // The second character of a two-character operator follows directly.
    const bool equalFollows = current() == QLatin1Char('=');
    switch (first.unicode()) {
    case '=':
    case '!':
        if (!equalFollows)
            return fail(start);
        ++m_cursor;
        op += QLatin1Char('=');
        form = Comparison;
        break;
    case '<':
    case '>':
        if (equalFollows) {
            ++m_cursor;
            op += QLatin1Char('=');
        }
        form = Comparison;
        break;
    case '+':
    case '-':
    case '*':
    case '/':
        break;
    case '&':
    case '|': {
        const bool doubled = current() == first;
        if (doubled)
            ++m_cursor;
        if (first == QLatin1Char('&'))
            form = doubled ? LogicalAnd : BitwiseAnd;
        else
            form = doubled ? LogicalOr : BitwiseOr;
        break;
    }
    default:
        return fail(start);
    }
    const TranslationResult right = parseExpression();
    if (!right.success)
        return fail(start);
    switch (form) {
    case Comparison:
        m_comparison = true;
        return succeed(left.text + QLatin1Char(' ') + op + QLatin1Char(' ') + right.text);
    case Infix:
        return succeed(left.text + QLatin1Char(' ') + op + QLatin1Char(' ') + right.text);
    case LogicalAnd:
        return succeed(left.text + QLatin1String(" and ") + right.text);
    case LogicalOr:
        return succeed(left.text + QLatin1String(" or ") + right.text);
    case BitwiseAnd:
        return succeed(QLatin1String("toInteger(") + left.text + QLatin1String(") & toInteger(") + right.text
                       + QLatin1Char(')'));
    case BitwiseOr:
        return succeed(QLatin1String("toInteger(") + left.text + QLatin1String(") | toInteger(") + right.text
                       + QLatin1Char(')'));
    }
    return fail(start);
}

TranslationResult ExpressionTranslator::parseUnary()
{
    const int start = m_cursor;
    const QChar op = nextChar();
    QString message;
    switch (op.unicode()) {
    case '+':
    case '-':
        message = tr("Invalid usage of unary operator '+' or '-'.");
        break;
    case '~':
        message = tr("Invalid usage of unary operator '~'.");
        break;
    case '!':
        message = tr("Invalid usage of unary operator '!'.");
        break;
    default:
        return fail(start);
    }
    const TranslationResult operand = parseExpression();
    if (!operand.success) {
        recordError(message);
        return fail(start);
    }
    if (op == QLatin1Char('~'))
        return succeed(QLatin1String("~toInteger(") + operand.text + QLatin1Char(')'));
    if (op == QLatin1Char('!'))
        return succeed(QLatin1String("not ") + operand.text);
    return succeed(op + QLatin1Char(' ') + operand.text);
}

TranslationResult ExpressionTranslator::memoized(QHash<int, Memo> &table, Rule rule)
{
    const int start = m_cursor;
    const auto it = table.constFind(start);
    if (it != table.constEnd()) {
        // A repeated attempt records only errors that the first one already
        // recorded, so skipping it leaves the error state as it would be.
        m_cursor = it->end;
        m_comparison = m_comparison || it->setsComparison;
        return it->result;
    }
    const bool comparisonBefore = m_comparison;
    m_comparison = false;
    const TranslationResult result = (this->*rule)();
    table.insert(start, Memo{result, m_cursor, m_comparison});
    m_comparison = comparisonBefore || m_comparison;
    return result;
}

bool ExpressionTranslator::isWholeStringLiteral(int start, int end)
{
    const int cursor = m_cursor;
    const int errorPosition = m_errorPosition;
    const QString errorMessage = m_errorMessage;
    m_cursor = start;
    const bool literal = parseStringLiteral().success && m_cursor == end;
    m_cursor = cursor;
    m_errorPosition = errorPosition;
    m_errorMessage = errorMessage;
    return literal;
}

TranslationResult ExpressionTranslator::translateExpressionList()
{
    m_comparison = false;
    if (m_text.isEmpty()) {
        recordError(tr("Expression is empty."));
        return TranslationResult();
    }
    const int start = m_cursor;
    // One list item; an item holding a comparison is read a second time so
    // that its string formats compare unquoted.
    const auto translateItem = [this]() {
        const int itemStart = m_cursor;
        m_comparison = false;
        TranslationResult item = parseExpression();
        if (item.success && m_comparison) {
            m_cursor = itemStart;
            m_unquoteFormat = true;
            m_leafMemo.clear();
            m_expressionMemo.clear();
            item = parseExpression();
            m_unquoteFormat = false;
            m_leafMemo.clear();
            m_expressionMemo.clear();
        }
        m_comparison = false;
        return item;
    };

    const TranslationResult first = translateItem();
    if (!first.success)
        return fail(start);
    QStringList arguments{first.text};
    QString format = QStringLiteral("%s");
    int items = 1;
    for (;;) {
        skipBlanks();
        const QChar separator = nextChar();
        if (separator == QLatin1Char(',') || separator == QLatin1Char(';')) {
            skipBlanks();
            const int itemStart = m_cursor;
            const TranslationResult item = translateItem();
            if (!item.success)
                return fail(start);
            ++items;
            if (separator == QLatin1Char(','))
                format += QLatin1Char(' ');
            // Only an item that is one string literal is text of the format,
            // taken as written (escapes are not interpreted there).
            if (isWholeStringLiteral(itemStart, m_cursor)) {
                QString inner = m_text.mid(itemStart + 1, m_cursor - itemStart - 2);
                inner.replace(QLatin1Char('%'), QLatin1String("%%"));
                format += inner;
            } else {
                format += QLatin1String("%s");
                arguments.append(item.text);
            }
        } else if (separator.isNull()) {
            if (items == 1)
                return first;
            // The format travels as hexadecimal UTF-8, so no user text can
            // break the literal; a lone argument still makes a tuple.
            QString argumentList = arguments.join(QLatin1Char(','));
            if (arguments.size() == 1)
                argumentList += QLatin1Char(',');
            return succeed(QLatin1String("bytes.fromhex(\"") + QString::fromLatin1(format.toUtf8().toHex())
                           + QLatin1String("\").decode('utf8')%(") + argumentList + QLatin1Char(')'));
        } else {
            recordError(tr("Can't parse expression."));
            return fail(start);
        }
    }
}

PythonCode ExpressionTranslator::translateLambda()
{
    PythonCode code;
    const TranslationResult result = translateExpressionList();
    if (result.success) {
        appendCodeLine(code.expression, QLatin1String("lambda value : ") + result.text);
        return code;
    }
    const QString message = tr("Expression error at position %1 in '%2': %3")
                                .arg(QString::number(m_errorPosition), m_text, m_errorMessage);
    const QString name = uniqueHelperId();
    appendCodeLine(code.definitions, QLatin1String("def ") + name + QLatin1String("(value): #--\n  raise RuntimeError(")
                                         + pythonStringLiteral(message) + QLatin1String(") #--"));
    appendCodeLine(code.expression, QLatin1String("lambda value : ") + name + QLatin1String("(value)"));
    return code;
}

} // namespace Configuration
} // namespace KorvanDebugger
