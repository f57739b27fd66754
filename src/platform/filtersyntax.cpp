#include "filtersyntax.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tavimo {

namespace filter {

double leadingNumber(const char *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (p[i] == '+' || p[i] == '-')) {
        negative = p[i] == '-';
        ++i;
    }
    const qsizetype start = i;
    qsizetype digits = 0;
    bool nonZeroWhole = false;
    while (i < n && p[i] >= '0' && p[i] <= '9') {
        nonZeroWhole = nonZeroWhole || p[i] != '0';
        ++i;
        ++digits;
    }
    qsizetype end = i;
    if (i < n && p[i] == '.') {
        ++i;
        while (i < n && p[i] >= '0' && p[i] <= '9') {
            ++i;
            ++digits;
        }
        end = i;
    }
    if (digits == 0)
        return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(p + start, p + end, value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range)
        value = nonZeroWhole ? std::numeric_limits<double>::infinity() : 0.0;
    else if (result.ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

} // namespace filter

namespace {

using Syntax = FilterExpression::Syntax;
using SyntaxPtr = std::unique_ptr<Syntax>;
using filter::Comparison;

enum class Tok : unsigned char { End, Name, Number, Text, Open, Close, Comma, Compare, Plus, Minus, And, Or, Not };

struct Token
{
    Tok kind = Tok::End;
    int position = 0;
    QString text; // Name, Text
    double number = 0;
    Comparison comparison = Comparison::Eq;
};

bool isNameStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c.unicode() >= '0' && c.unicode() <= '9');
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

QString describeChar(QChar c)
{
    if (c.isPrint() && !c.isSpace())
        return QStringLiteral("'%1'").arg(c);
    return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

QString failure(int position, const QString &reason)
{
    return QStringLiteral("Filter refused at character %1: %2").arg(position + 1).arg(reason);
}

bool tokenize(const QString &s, std::vector<Token> &out, QString &error)
{
    const int n = int(s.size());
    int i = 0;
    while (true) {
        while (i < n && s[i].isSpace())
            ++i;
        Token t;
        t.position = i;
        if (i == n) {
            out.push_back(t);
            return true;
        }
        const QChar c = s[i];
        switch (c.unicode()) {
        case '(': t.kind = Tok::Open; ++i; break;
        case ')': t.kind = Tok::Close; ++i; break;
        case ',': t.kind = Tok::Comma; ++i; break;
        case '+': t.kind = Tok::Plus; ++i; break;
        case '-': t.kind = Tok::Minus; ++i; break;
        case '=':
            t.kind = Tok::Compare;
            ++i;
            break;
        case '<':
            t.kind = Tok::Compare;
            ++i;
            if (i < n && s[i] == QLatin1Char('=')) {
                t.comparison = Comparison::Le;
                ++i;
            } else if (i < n && s[i] == QLatin1Char('>')) {
                t.comparison = Comparison::Ne;
                ++i;
            } else {
                t.comparison = Comparison::Lt;
            }
            break;
        case '>':
            t.kind = Tok::Compare;
            ++i;
            if (i < n && s[i] == QLatin1Char('=')) {
                t.comparison = Comparison::Ge;
                ++i;
            } else {
                t.comparison = Comparison::Gt;
            }
            break;
        case '\'': {
            t.kind = Tok::Text;
            ++i;
            while (true) {
                if (i == n) {
                    error = failure(t.position, QStringLiteral("the text in quotes is not closed"));
                    return false;
                }
                if (s[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('\'')) {
                        t.text += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.text += s[i];
                ++i;
            }
            break;
        }
        default:
            if (isDigit(c) || (c == QLatin1Char('.') && i + 1 < n && isDigit(s[i + 1]))) {
                t.kind = Tok::Number;
                const int start = i;
                while (i < n && isDigit(s[i]))
                    ++i;
                if (i < n && s[i] == QLatin1Char('.')) {
                    ++i;
                    while (i < n && isDigit(s[i]))
                        ++i;
                }
                const QByteArray digits = s.mid(start, i - start).toLatin1();
                t.number = filter::leadingNumber(digits.constData(), digits.size());
                if (!std::isfinite(t.number)) {
                    error = failure(start, QStringLiteral("the number is too large"));
                    return false;
                }
            } else if (isNameStart(c)) {
                const int start = i;
                while (i < n && isNameChar(s[i]))
                    ++i;
                bool prefixed = false;
                if (i < n && s[i] == QLatin1Char(':')) {
                    if (i + 1 < n && isNameChar(s[i + 1])) {
                        prefixed = true;
                        i += 1;
                        while (i < n && isNameChar(s[i]))
                            ++i;
                    } else {
                        error = failure(i, QStringLiteral("a field name must follow the ':'"));
                        return false;
                    }
                }
                t.text = s.mid(start, i - start);
                t.kind = Tok::Name;
                if (!prefixed) {
                    if (t.text.compare(QLatin1String("AND"), Qt::CaseInsensitive) == 0)
                        t.kind = Tok::And;
                    else if (t.text.compare(QLatin1String("OR"), Qt::CaseInsensitive) == 0)
                        t.kind = Tok::Or;
                    else if (t.text.compare(QLatin1String("NOT"), Qt::CaseInsensitive) == 0)
                        t.kind = Tok::Not;
                }
            } else {
                error = failure(i, QStringLiteral("unexpected character %1").arg(describeChar(c)));
                return false;
            }
        }
        out.push_back(std::move(t));
    }
}

QString describeToken(const Token &t)
{
    switch (t.kind) {
    case Tok::End: return QStringLiteral("the end of the text");
    case Tok::Name: return QStringLiteral("'%1'").arg(t.text);
    case Tok::Number: return QStringLiteral("the number %1").arg(t.number);
    case Tok::Text: return QStringLiteral("a quoted text");
    case Tok::Open: return QStringLiteral("'('");
    case Tok::Close: return QStringLiteral("')'");
    case Tok::Comma: return QStringLiteral("','");
    case Tok::Compare: return QStringLiteral("a comparison");
    case Tok::Plus: return QStringLiteral("'+'");
    case Tok::Minus: return QStringLiteral("'-'");
    case Tok::And: return QStringLiteral("AND");
    case Tok::Or: return QStringLiteral("OR");
    case Tok::Not: return QStringLiteral("NOT");
    }
    return QString();
}

// Recursive descent, lowest precedence first: OR, AND, NOT, comparison,
// "+"/"-", sign, operand. AND and OR lists and sums are kept flat, so the
// tree is only as deep as the text nests.
class Parser
{
public:
    explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    SyntaxPtr run()
    {
        if (peek().kind == Tok::End)
            return fail(peek().position, QStringLiteral("the filter is empty"));
        SyntaxPtr root = condition();
        if (!root)
            return nullptr;
        if (peek().kind == Tok::Close)
            return fail(peek().position, QStringLiteral("')' has no matching '('"));
        if (peek().kind != Tok::End)
            return fail(peek().position, QStringLiteral("unexpected %1").arg(describeToken(peek())));
        return root;
    }

    const QString &error() const { return m_error; }

private:
    class Deeper
    {
    public:
        explicit Deeper(Parser &p) : m_p(p) { ++m_p.m_depth; }
        ~Deeper() { --m_p.m_depth; }
        bool tooDeep() const { return m_p.m_depth > FilterExpression::MaxDepth; }

    private:
        Parser &m_p;
    };

    const Token &peek() const { return m_tokens[m_next]; }
    const Token &take() { return m_tokens[m_next < m_tokens.size() - 1 ? m_next++ : m_next]; }

    SyntaxPtr fail(int position, const QString &reason)
    {
        if (m_error.isEmpty())
            m_error = failure(position, reason);
        return nullptr;
    }

    SyntaxPtr tooDeep(int position)
    {
        return fail(position, QStringLiteral("nested deeper than %1 levels").arg(FilterExpression::MaxDepth));
    }

    static SyntaxPtr node(Syntax::Type type, int position)
    {
        auto s = std::make_unique<Syntax>();
        s->type = type;
        s->position = position;
        return s;
    }

    SyntaxPtr list(Tok separator, Syntax::Type type, SyntaxPtr (Parser::*operand)())
    {
        SyntaxPtr first = (this->*operand)();
        if (!first || peek().kind != separator)
            return first;
        SyntaxPtr result = node(type, first->position);
        result->children.push_back(std::move(first));
        while (peek().kind == separator) {
            take();
            SyntaxPtr next = (this->*operand)();
            if (!next)
                return nullptr;
            result->children.push_back(std::move(next));
        }
        return result;
    }

    SyntaxPtr condition() { return list(Tok::Or, Syntax::Type::Or, &Parser::conjunction); }
    SyntaxPtr conjunction() { return list(Tok::And, Syntax::Type::And, &Parser::negation); }

    SyntaxPtr negation()
    {
        if (peek().kind != Tok::Not)
            return comparison();
        const int position = take().position;
        Deeper deeper(*this);
        if (deeper.tooDeep())
            return tooDeep(position);
        SyntaxPtr operand = negation();
        if (!operand)
            return nullptr;
        SyntaxPtr result = node(Syntax::Type::Not, position);
        result->children.push_back(std::move(operand));
        return result;
    }

    SyntaxPtr requireValue(SyntaxPtr s, const QString &where)
    {
        if (s && s->isCondition())
            return fail(s->position, QStringLiteral("a condition cannot stand %1").arg(where));
        return s;
    }

    SyntaxPtr comparison()
    {
        SyntaxPtr left = sum();
        if (!left || peek().kind != Tok::Compare)
            return left;
        const Comparison comparison = take().comparison;
        left = requireValue(std::move(left), QStringLiteral("on the left of a comparison"));
        if (!left)
            return nullptr;
        SyntaxPtr right = requireValue(sum(), QStringLiteral("on the right of a comparison"));
        if (!right)
            return nullptr;
        if (peek().kind == Tok::Compare)
            return fail(peek().position, QStringLiteral("comparisons cannot be chained; join them with AND"));
        SyntaxPtr result = node(Syntax::Type::Compare, left->position);
        result->comparison = comparison;
        result->children.push_back(std::move(left));
        result->children.push_back(std::move(right));
        return result;
    }

    SyntaxPtr sum()
    {
        SyntaxPtr first = signedOperand();
        if (!first || (peek().kind != Tok::Plus && peek().kind != Tok::Minus))
            return first;
        first = requireValue(std::move(first), QStringLiteral("in a sum"));
        if (!first)
            return nullptr;
        SyntaxPtr result = node(Syntax::Type::Sum, first->position);
        result->children.push_back(std::move(first));
        result->negative.push_back(false);
        while (peek().kind == Tok::Plus || peek().kind == Tok::Minus) {
            const bool minus = take().kind == Tok::Minus;
            SyntaxPtr next = requireValue(signedOperand(), QStringLiteral("in a sum"));
            if (!next)
                return nullptr;
            result->children.push_back(std::move(next));
            result->negative.push_back(minus);
        }
        return result;
    }

    SyntaxPtr signedOperand()
    {
        if (peek().kind != Tok::Minus && peek().kind != Tok::Plus)
            return operand();
        const Token &sign = take();
        const bool minus = sign.kind == Tok::Minus;
        const int position = sign.position;
        Deeper deeper(*this);
        if (deeper.tooDeep())
            return tooDeep(position);
        SyntaxPtr value = requireValue(signedOperand(), QStringLiteral("after a sign"));
        if (!value || !minus)
            return value;
        SyntaxPtr result = node(Syntax::Type::Negate, position);
        result->children.push_back(std::move(value));
        return result;
    }

    SyntaxPtr operand()
    {
        const Token &t = take();
        switch (t.kind) {
        case Tok::Number: {
            SyntaxPtr s = node(Syntax::Type::Number, t.position);
            s->number = t.number;
            return s;
        }
        case Tok::Text: {
            SyntaxPtr s = node(Syntax::Type::Text, t.position);
            s->text = t.text;
            return s;
        }
        case Tok::Name:
            if (peek().kind == Tok::Open)
                return call(t);
            {
                SyntaxPtr s = node(Syntax::Type::Name, t.position);
                s->text = t.text;
                return s;
            }
        case Tok::Open: {
            Deeper deeper(*this);
            if (deeper.tooDeep())
                return tooDeep(t.position);
            SyntaxPtr inner = condition();
            if (!inner)
                return nullptr;
            if (peek().kind != Tok::Close)
                return fail(peek().position, QStringLiteral("expected ')' to close the '(' at character %1, found %2")
                                                 .arg(t.position + 1)
                                                 .arg(describeToken(peek())));
            take();
            return inner;
        }
        case Tok::End:
            return fail(t.position, QStringLiteral("the filter ends where a value was expected"));
        default:
            return fail(t.position, QStringLiteral("expected a value, found %1").arg(describeToken(t)));
        }
    }

    SyntaxPtr call(const Token &name)
    {
        const QString upper = name.text.toUpper();
        Syntax::Type type;
        if (upper == QLatin1String("UPPER"))
            type = Syntax::Type::Upper;
        else if (upper == QLatin1String("LOWER"))
            type = Syntax::Type::Lower;
        else if (upper == QLatin1String("TODAY"))
            type = Syntax::Type::Today;
        else
            return fail(name.position, QStringLiteral("unknown function %1( )").arg(name.text));
        take(); // '('
        Deeper deeper(*this);
        if (deeper.tooDeep())
            return tooDeep(name.position);
        SyntaxPtr result = node(type, name.position);
        if (type != Syntax::Type::Today) {
            SyntaxPtr argument = requireValue(sum(), QStringLiteral("as the argument of %1( )").arg(upper));
            if (!argument)
                return nullptr;
            result->children.push_back(std::move(argument));
        }
        if (peek().kind != Tok::Close)
            return fail(peek().position, type == Syntax::Type::Today
                                             ? QStringLiteral("today( ) takes no argument")
                                             : QStringLiteral("%1( ) takes one argument; expected ')', found %2")
                                                   .arg(upper, describeToken(peek())));
        take();
        return result;
    }

    std::vector<Token> m_tokens;
    std::size_t m_next = 0;
    int m_depth = 0;
    QString m_error;
};

} // namespace

std::unique_ptr<const FilterExpression::Syntax> FilterExpression::Syntax::parse(const QString &text, QString *error)
{
    QString reason;
    std::unique_ptr<const Syntax> root;
    if (text.size() > FilterExpression::MaxLength) {
        reason = QStringLiteral("Filter refused: it is longer than %1 characters").arg(FilterExpression::MaxLength);
    } else {
        std::vector<Token> tokens;
        if (tokenize(text, tokens, reason)) {
            Parser parser(std::move(tokens));
            root = parser.run();
            if (!root)
                reason = parser.error();
        }
    }
    if (!root && error)
        *error = reason;
    return root;
}

} // namespace tavimo
