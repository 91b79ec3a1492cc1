#include "FilterExpression.h"

#include "Error.h"
#include "ValueCompare.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

// The text is read once into a tree whose leaves already hold the field index or the
// literal in every form a comparison may need (text without trailing blanks, number,
// date). Evaluating a row then only looks at the cells' types and compares; it neither
// reads text again nor allocates, except for the rare comparison of dates with text.

namespace {

// Deepest nesting of parentheses and NOTs accepted: keeps the recursion of parsing and
// evaluation far from the stack's limit whatever the input.
constexpr int MaxDepth = 100;

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

QString opText(Op op)
{
    switch (op) {
    case Op::Eq: return QStringLiteral("=");
    case Op::Ne: return QStringLiteral("<>");
    case Op::Lt: return QStringLiteral("<");
    case Op::Gt: return QStringLiteral(">");
    case Op::Le: return QStringLiteral("<=");
    case Op::Ge: return QStringLiteral(">=");
    }
    return QString();
}

// A number read from text: an exact integer when it has neither decimals nor exponent
// and fits 64 bits, else a double.
struct Number
{
    bool valid = false;
    bool integral = false;
    qint64 i = 0;
    double d = 0;
};

// Reads `text` as a number, blanks around it ignored: [+|-] digits [. digits] [e [+|-] digits]
// (digits before or after the point). Anything else, and values out of the double's
// range, give an invalid Number.
Number readNumber(QStringView text)
{
    Number n;
    text = text.trimmed();
    constexpr qsizetype Capacity = 128;
    if (text.isEmpty() || text.size() >= Capacity)
        return n;
    char buffer[Capacity];
    qsizetype len = 0;
    qsizetype i = 0;
    const qsizetype size = text.size();
    auto ch = [&](qsizetype k) -> char16_t { return k < size ? text.at(k).unicode() : u'\0'; };
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };

    if (ch(i) == u'+')
        ++i; // std::from_chars does not take a plus sign
    else if (ch(i) == u'-')
        buffer[len++] = char(text.at(i++).unicode());
    int digits = 0;
    bool integral = true;
    while (isDigit(ch(i))) {
        buffer[len++] = char(text.at(i++).unicode());
        ++digits;
    }
    if (ch(i) == u'.') {
        integral = false;
        buffer[len++] = '.';
        ++i;
        while (isDigit(ch(i))) {
            buffer[len++] = char(text.at(i++).unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return n;
    if (ch(i) == u'e' || ch(i) == u'E') {
        integral = false;
        buffer[len++] = 'e';
        ++i;
        if (ch(i) == u'+' || ch(i) == u'-')
            buffer[len++] = char(text.at(i++).unicode());
        if (!isDigit(ch(i)))
            return n;
        while (isDigit(ch(i)))
            buffer[len++] = char(text.at(i++).unicode());
    }
    if (i != size)
        return n;

    if (integral) {
        const auto [end, ec] = std::from_chars(buffer, buffer + len, n.i);
        if (ec == std::errc() && end == buffer + len) {
            n.valid = true;
            n.integral = true;
            n.d = double(n.i);
            return n;
        }
        // Too long for 64 bits: read it as a double below.
    }
    const auto [end, ec] = std::from_chars(buffer, buffer + len, n.d);
    if (ec != std::errc() || end != buffer + len || !std::isfinite(n.d))
        return n;
    n.valid = true;
    return n;
}

// The kind of value one side of a comparison holds for the row at hand.
enum class Kind { Null, Text, Number, Other };

// One side of a comparison as the evaluation sees it; refers to data it does not own.
struct Value
{
    Kind kind = Kind::Null;
    QStringView text;            // Text: trailing blanks removed
    Number number;               // Number; Text when numberKnown
    bool numberKnown = false;
    const QVariant *variant = nullptr; // the value itself (Other, and for fallbacks)
};

// A field name, a literal or NULL, as parsed.
struct Operand
{
    int field = -1;         // >= 0: a field
    Kind kind = Kind::Null; // of the literal
    QString text;           // text literal without trailing blanks
    Number number;          // number literal, or the text literal read as a number
    QVariant variant;       // the literal as a value
    QVariant dateTime;      // a text literal read as an ISO date and time (null if not one)
    QVariant time;          // a text literal read as an ISO time (null if not one)
    QString display;        // as written, for messages

    const Operand *literalOrNull() const { return field < 0 ? this : nullptr; }
};

Value valueOf(const QVariant &v)
{
    Value out;
    out.variant = &v;
    if (v.isNull())
        return out;
    switch (v.typeId()) {
    case QMetaType::QString:
        out.kind = Kind::Text;
        out.text = withoutTrailingBlanks(QStringView(*static_cast<const QString *>(v.constData())));
        return out;
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        out.kind = Kind::Number;
        out.number.valid = true;
        out.number.integral = true;
        out.number.i = v.toLongLong();
        out.number.d = double(out.number.i);
        return out;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = v.toULongLong();
        out.kind = Kind::Number;
        out.number.valid = true;
        if (u <= qulonglong(std::numeric_limits<qint64>::max())) {
            out.number.integral = true;
            out.number.i = qint64(u);
        }
        out.number.d = double(u);
        return out;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        out.kind = Kind::Number;
        out.number.d = v.toDouble();
        out.number.valid = !std::isnan(out.number.d);
        return out;
    default:
        out.kind = Kind::Other;
        return out;
    }
}

Value valueOf(const Operand &literal)
{
    Value out;
    out.kind = literal.kind;
    out.variant = &literal.variant;
    out.number = literal.number;
    out.numberKnown = true;
    if (literal.kind == Kind::Text)
        out.text = literal.text;
    return out;
}

// Result of comparing two values: <0, 0, >0, or Unordered when the comparison cannot
// hold for any operator (NULL involved, a text that is not a number, ...).
constexpr int Unordered = std::numeric_limits<int>::min();

int sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

int compareNumbers(const Number &a, const Number &b)
{
    if (!a.valid || !b.valid)
        return Unordered;
    if (a.integral && b.integral)
        return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
    return a.d < b.d ? -1 : (a.d > b.d ? 1 : 0);
}

const Number &numberOf(Value &v)
{
    if (!v.numberKnown) {
        v.number = readNumber(v.text);
        v.numberKnown = true;
    }
    return v.number;
}

bool isDateLike(const QVariant &v)
{
    return v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime;
}

// Dates, times and anything else that is neither text nor number.
int compareOther(const Value &a, const Value &b, const Operand *aLiteral, const Operand *bLiteral)
{
    const QVariant &x = *a.variant;
    const QVariant &y = *b.variant;
    // A date compared with a text: the text as an ISO date (and time).
    auto temporalAgainstText = [](const QVariant &temporal, const Value &text, const Operand *literal,
                                  bool temporalFirst) -> int {
        QVariant other;
        if (temporal.typeId() == QMetaType::QTime) {
            other = literal ? literal->time
                            : QVariant(QTime::fromString(text.text.trimmed().toString(), Qt::ISODateWithMs));
        } else {
            other = literal ? literal->dateTime
                            : QVariant(QDateTime::fromString(text.text.trimmed().toString(), Qt::ISODateWithMs));
        }
        if (other.isNull() || (other.typeId() == QMetaType::QTime && !other.toTime().isValid())
            || (other.typeId() == QMetaType::QDateTime && !other.toDateTime().isValid()))
            return Unordered;
        if (temporal.typeId() == QMetaType::QTime) {
            const QTime p = temporal.toTime();
            const QTime q = other.toTime();
            const int c = p < q ? -1 : (p > q ? 1 : 0);
            return temporalFirst ? c : -c;
        }
        const int c = compareValues(temporal, other);
        return temporalFirst ? c : -c;
    };
    const bool xTemporal = isDateLike(x) || x.typeId() == QMetaType::QTime;
    const bool yTemporal = isDateLike(y) || y.typeId() == QMetaType::QTime;
    if (xTemporal && b.kind == Kind::Text)
        return temporalAgainstText(x, b, bLiteral, true);
    if (yTemporal && a.kind == Kind::Text)
        return temporalAgainstText(y, a, aLiteral, false);
    if (x.typeId() == QMetaType::QTime && y.typeId() == QMetaType::QTime) {
        const QTime p = x.toTime();
        const QTime q = y.toTime();
        return p < q ? -1 : (p > q ? 1 : 0);
    }
    if (xTemporal != yTemporal && (a.kind == Kind::Number || b.kind == Kind::Number))
        return Unordered;
    return sign(compareValues(x, y));
}

int compare(Value &a, Value &b, const Operand *aLiteral, const Operand *bLiteral)
{
    if (a.kind == Kind::Null || b.kind == Kind::Null)
        return Unordered;
    if (a.kind == Kind::Text && b.kind == Kind::Text)
        return sign(a.text.compare(b.text, Qt::CaseSensitive));
    if (a.kind == Kind::Number && b.kind == Kind::Number)
        return compareNumbers(a.number, b.number);
    if (a.kind == Kind::Text && b.kind == Kind::Number)
        return compareNumbers(numberOf(a), b.number);
    if (a.kind == Kind::Number && b.kind == Kind::Text)
        return compareNumbers(a.number, numberOf(b));
    return compareOther(a, b, aLiteral, bLiteral);
}

bool holds(Op op, int c)
{
    if (c == Unordered)
        return false;
    switch (op) {
    case Op::Eq: return c == 0;
    case Op::Ne: return c != 0;
    case Op::Lt: return c < 0;
    case Op::Gt: return c > 0;
    case Op::Le: return c <= 0;
    case Op::Ge: return c >= 0;
    }
    return false;
}

} // namespace

struct FilterExpression::Node
{
    enum class Type { And, Or, Not, Compare, IsNull, IsNotNull };
    Type type = Type::Compare;
    std::vector<Node> children; // And, Or: two or more; Not: one
    Op op = Op::Eq;
    Operand lhs;
    Operand rhs;
};

namespace {

using Node = FilterExpression::Node;

const QVariant &nullVariant()
{
    static const QVariant null;
    return null;
}

struct Row
{
    const QVariant *cells;
    int fieldCount;

    const QVariant &cell(int field) const { return field < fieldCount ? cells[field] : nullVariant(); }
};

Value valueOf(const Operand &operand, const Row &row)
{
    return operand.field >= 0 ? valueOf(row.cell(operand.field)) : valueOf(operand);
}

bool evaluate(const Node &node, const Row &row)
{
    switch (node.type) {
    case Node::Type::And:
        for (const Node &child : node.children)
            if (!evaluate(child, row))
                return false;
        return true;
    case Node::Type::Or:
        for (const Node &child : node.children)
            if (evaluate(child, row))
                return true;
        return false;
    case Node::Type::Not:
        return !evaluate(node.children.front(), row);
    case Node::Type::IsNull:
    case Node::Type::IsNotNull: {
        const bool isNull = node.lhs.field >= 0 ? row.cell(node.lhs.field).isNull() : node.lhs.kind == Kind::Null;
        return isNull == (node.type == Node::Type::IsNull);
    }
    case Node::Type::Compare: {
        Value a = valueOf(node.lhs, row);
        Value b = valueOf(node.rhs, row);
        return holds(node.op, compare(a, b, node.lhs.literalOrNull(), node.rhs.literalOrNull()));
    }
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// Reading the text

struct Token
{
    enum class Type { End, Name, BracketName, Text, Number, LParen, RParen, Op, And, Or, Not, Is, Null };
    Type type = Type::End;
    qsizetype pos = 0; // in the filter text, 0-based
    QString text;      // name, text literal (quotes resolved) or the token as written
    Op op = Op::Eq;
};

class Parser
{
public:
    Parser(const QString &text, const QVector<FieldDef> &fields) : m_text(text), m_fields(fields)
    {
        tokenize();
    }

    Node parse()
    {
        Node root = parseOr();
        const Token &t = peek();
        if (t.type == Token::Type::RParen)
            fail(QStringLiteral("')' sem '(' correspondente"), t.pos);
        if (t.type != Token::Type::End)
            fail(QStringLiteral("texto inesperado %1").arg(quoted(t)), t.pos);
        return root;
    }

private:
    [[noreturn]] void fail(const QString &problem, qsizetype pos) const
    {
        throw KvoError(QStringLiteral("Filtro inválido: %1 (posição %2).").arg(problem).arg(pos + 1));
    }

    static QString shortened(const QString &s)
    {
        constexpr int Max = 30;
        return s.size() > Max ? s.left(Max) + QStringLiteral("...") : s;
    }

    QString quoted(const Token &t) const
    {
        switch (t.type) {
        case Token::Type::End: return QStringLiteral("o fim do filtro");
        case Token::Type::BracketName: return QStringLiteral("'[%1]'").arg(shortened(t.text));
        case Token::Type::Text: return QStringLiteral("o texto '%1'").arg(shortened(t.text));
        default: return QStringLiteral("'%1'").arg(shortened(t.text));
        }
    }

    // --- tokens

    static bool isNameStart(QChar c) { return c.isLetter() || c == u'_'; }
    static bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#'; }
    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

    void tokenize()
    {
        const qsizetype n = m_text.size();
        qsizetype i = 0;
        auto at = [&](qsizetype k) { return k < n ? m_text.at(k) : QChar(); };
        while (true) {
            while (i < n && m_text.at(i).isSpace())
                ++i;
            Token t;
            t.pos = i;
            if (i >= n) {
                m_tokens.push_back(t);
                return;
            }
            const QChar c = m_text.at(i);
            if (c == u'(' || c == u')') {
                t.type = c == u'(' ? Token::Type::LParen : Token::Type::RParen;
                t.text = c;
                ++i;
            } else if (c == u'=' || c == u'<' || c == u'>') {
                t.type = Token::Type::Op;
                const QChar d = at(i + 1);
                if (c == u'<' && d == u'>') {
                    t.op = Op::Ne;
                    i += 2;
                } else if (c == u'<' && d == u'=') {
                    t.op = Op::Le;
                    i += 2;
                } else if (c == u'>' && d == u'=') {
                    t.op = Op::Ge;
                    i += 2;
                } else {
                    t.op = c == u'=' ? Op::Eq : (c == u'<' ? Op::Lt : Op::Gt);
                    ++i;
                }
                t.text = opText(t.op);
            } else if (c == u'\'') {
                t.type = Token::Type::Text;
                ++i;
                while (true) {
                    if (i >= n)
                        fail(QStringLiteral("texto sem o apóstrofo de fechamento"), t.pos);
                    if (m_text.at(i) == u'\'') {
                        if (at(i + 1) == u'\'') {
                            t.text += u'\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    t.text += m_text.at(i++);
                }
            } else if (c == u'[') {
                t.type = Token::Type::BracketName;
                const qsizetype close = m_text.indexOf(u']', i + 1);
                if (close < 0)
                    fail(QStringLiteral("'[' sem o ']' de fechamento"), t.pos);
                t.text = m_text.mid(i + 1, close - i - 1);
                if (t.text.trimmed().isEmpty())
                    fail(QStringLiteral("nome de campo vazio entre colchetes"), t.pos);
                i = close + 1;
            } else if (isDigit(c) || (c == u'.' && isDigit(at(i + 1)))
                       || ((c == u'-' || c == u'+')
                           && (isDigit(at(i + 1)) || (at(i + 1) == u'.' && isDigit(at(i + 2)))))) {
                t.type = Token::Type::Number;
                qsizetype j = i + 1;
                while (j < n && (isDigit(m_text.at(j)) || m_text.at(j) == u'.'))
                    ++j;
                if (j < n && (m_text.at(j) == u'e' || m_text.at(j) == u'E')) {
                    qsizetype k = j + 1;
                    if (at(k) == u'+' || at(k) == u'-')
                        ++k;
                    if (isDigit(at(k))) {
                        while (isDigit(at(k)))
                            ++k;
                        j = k;
                    }
                }
                while (j < n && (isNameChar(m_text.at(j)) || m_text.at(j) == u'.'))
                    ++j; // swallow what is glued to it, to name it in the message
                t.text = m_text.mid(i, j - i);
                i = j;
            } else if (isNameStart(c)) {
                qsizetype j = i + 1;
                while (j < n && isNameChar(m_text.at(j)))
                    ++j;
                t.text = m_text.mid(i, j - i);
                i = j;
                t.type = keyword(t.text);
            } else {
                const QString shown = c.isPrint() ? QString(c) : QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QChar(u'0'));
                fail(QStringLiteral("caractere inesperado '%1'").arg(shown), t.pos);
            }
            m_tokens.push_back(t);
        }
    }

    static Token::Type keyword(const QString &word)
    {
        if (word.compare(u"AND", Qt::CaseInsensitive) == 0)
            return Token::Type::And;
        if (word.compare(u"OR", Qt::CaseInsensitive) == 0)
            return Token::Type::Or;
        if (word.compare(u"NOT", Qt::CaseInsensitive) == 0)
            return Token::Type::Not;
        if (word.compare(u"IS", Qt::CaseInsensitive) == 0)
            return Token::Type::Is;
        if (word.compare(u"NULL", Qt::CaseInsensitive) == 0)
            return Token::Type::Null;
        return Token::Type::Name;
    }

    const Token &peek() const { return m_tokens.at(m_next); }
    const Token &take()
    {
        const Token &t = m_tokens.at(m_next);
        if (t.type != Token::Type::End)
            ++m_next;
        return t;
    }

    // --- grammar

    void enter(qsizetype pos)
    {
        if (++m_depth > MaxDepth)
            fail(QStringLiteral("parênteses ou NOT aninhados demais"), pos);
    }
    void leave() { --m_depth; }

    Node parseOr()
    {
        Node first = parseAnd();
        if (peek().type != Token::Type::Or)
            return first;
        Node node;
        node.type = Node::Type::Or;
        node.children.push_back(std::move(first));
        while (peek().type == Token::Type::Or) {
            take();
            node.children.push_back(parseAnd());
        }
        return node;
    }

    Node parseAnd()
    {
        Node first = parseNot();
        if (peek().type != Token::Type::And)
            return first;
        Node node;
        node.type = Node::Type::And;
        node.children.push_back(std::move(first));
        while (peek().type == Token::Type::And) {
            take();
            node.children.push_back(parseNot());
        }
        return node;
    }

    Node parseNot()
    {
        if (peek().type != Token::Type::Not)
            return parsePrimary();
        const Token &notToken = take();
        enter(notToken.pos);
        Node node;
        node.type = Node::Type::Not;
        node.children.push_back(parseNot());
        leave();
        return node;
    }

    Node parsePrimary()
    {
        const Token &first = peek();
        if (first.type == Token::Type::LParen) {
            const qsizetype open = first.pos;
            take();
            enter(open);
            Node inner = parseOr();
            leave();
            const Token &t = peek();
            if (t.type != Token::Type::RParen) {
                if (t.type == Token::Type::End)
                    fail(QStringLiteral("falta o ')' que fecha o '(' da posição %1").arg(open + 1), t.pos);
                fail(QStringLiteral("esperado ')' para fechar o '(' da posição %1, encontrado %2")
                         .arg(open + 1)
                         .arg(quoted(t)),
                     t.pos);
            }
            take();
            return inner;
        }

        Node node;
        node.lhs = parseOperand(QStringLiteral("esperado um campo, um valor ou '('"));
        const Token &t = peek();
        if (t.type == Token::Type::Is) {
            take();
            const bool negated = peek().type == Token::Type::Not;
            if (negated)
                take();
            const Token &null = peek();
            if (null.type != Token::Type::Null)
                fail(QStringLiteral("esperado NULL depois de IS%1, encontrado %2")
                         .arg(negated ? QStringLiteral(" NOT") : QString(), quoted(null)),
                     null.pos);
            take();
            node.type = negated ? Node::Type::IsNotNull : Node::Type::IsNull;
            return node;
        }
        if (t.type != Token::Type::Op)
            fail(QStringLiteral("esperado um operador de comparação (=, <>, <, >, <=, >=) depois de '%1', encontrado %2")
                     .arg(shortened(node.lhs.display), quoted(t)),
                 t.pos);
        take();
        node.type = Node::Type::Compare;
        node.op = t.op;
        node.rhs = parseOperand(QStringLiteral("falta o valor a comparar depois de '%1'").arg(opText(node.op)));
        return node;
    }

    Operand parseOperand(const QString &problem)
    {
        const Token &t = peek();
        Operand operand;
        operand.display = t.text;
        switch (t.type) {
        case Token::Type::Name:
        case Token::Type::BracketName:
            operand.field = fieldIndex(t.text);
            if (operand.field < 0)
                fail(QStringLiteral("campo '%1' não encontrado").arg(shortened(t.text)), t.pos);
            operand.display = m_fields.at(operand.field).name;
            break;
        case Token::Type::Text:
            operand.kind = Kind::Text;
            operand.variant = t.text;
            operand.text = withoutTrailingBlanks(t.text);
            operand.number = readNumber(t.text);
            if (const QDateTime dt = QDateTime::fromString(t.text.trimmed(), Qt::ISODateWithMs); dt.isValid())
                operand.dateTime = dt;
            if (const QTime tm = QTime::fromString(t.text.trimmed(), Qt::ISODateWithMs); tm.isValid())
                operand.time = tm;
            operand.display = QLatin1Char('\'') + t.text + QLatin1Char('\'');
            break;
        case Token::Type::Number:
            operand.kind = Kind::Number;
            operand.number = readNumber(t.text);
            if (!operand.number.valid)
                fail(QStringLiteral("número inválido '%1'").arg(shortened(t.text)), t.pos);
            operand.variant = operand.number.integral ? QVariant(qlonglong(operand.number.i))
                                                      : QVariant(operand.number.d);
            break;
        case Token::Type::Null:
            operand.kind = Kind::Null;
            break;
        default:
            if (t.type == Token::Type::End)
                fail(problem + QStringLiteral(" antes do fim do filtro"), t.pos);
            fail(QStringLiteral("%1, encontrado %2").arg(problem, quoted(t)), t.pos);
        }
        take();
        return operand;
    }

    int fieldIndex(const QString &name) const
    {
        for (int i = 0; i < m_fields.size(); ++i)
            if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    const QString &m_text;
    const QVector<FieldDef> &m_fields;
    std::vector<Token> m_tokens;
    size_t m_next = 0;
    int m_depth = 0;
};

} // namespace

FilterExpression::FilterExpression() = default;

FilterExpression FilterExpression::parse(const QString &text, const QVector<FieldDef> &fields)
{
    FilterExpression expression;
    if (text.trimmed().isEmpty())
        return expression;
    Parser parser(text, fields);
    expression.m_root = QSharedPointer<const Node>(new Node(parser.parse()));
    return expression;
}

bool FilterExpression::isEmpty() const
{
    return !m_root;
}

bool FilterExpression::matches(const RecordData &data, int row) const
{
    if (!m_root)
        return true;
    if (row < 0 || row >= data.rowCount())
        return false;
    const int fieldCount = data.fieldCount();
    return evaluate(*m_root, Row{data.cells.constData() + qsizetype(row) * fieldCount, fieldCount});
}
