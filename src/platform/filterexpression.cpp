#include "filterexpression.h"

#include "filtersyntax.h"
#include "storedform.h"

#include <QByteArray>

#include <cmath>
#include <cstring>
#include <limits>

namespace tavimo {

using filter::Comparison;
using Kind = FilterValue::Kind;

FilterValue FilterValue::fromText(const QString &text)
{
    FilterValue v;
    v.kind = Kind::Text;
    v.text = text;
    return v;
}

FilterValue FilterValue::fromNumber(double number)
{
    FilterValue v;
    v.kind = Kind::Number;
    v.number = number;
    return v;
}

FilterValue FilterValue::fromDate(Date date)
{
    FilterValue v;
    v.kind = Kind::Date;
    v.number = date.dayNumber();
    return v;
}

void FilterNameList::set(const QString &name, const FilterValue &value)
{
    m_values.insert(name.toUpper(), value);
}

void FilterNameList::remove(const QString &name)
{
    m_values.remove(name.toUpper());
}

std::optional<FilterValue> FilterNameList::value(const QString &name) const
{
    const auto it = m_values.constFind(name.toUpper());
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

namespace filter {

enum class Fold : unsigned char { None, Upper, Lower };

// A value of a bound filter. Everything that does not depend on the row is
// folded into a Constant when binding, so a row only pays for its fields.
struct Value
{
    enum class Op : unsigned char { Constant, Field, Sum, Negate, Fold };

    Op op = Op::Constant;
    Kind kind = Kind::Number;

    FilterValue constant; // Constant; a text without trailing blanks
    QByteArray utf8;      // Constant text, without trailing blanks
    double number = 0;    // Constant, read as a number

    int field = -1; // Field
    FieldType type = FieldType::Text;
    int offset = 0;
    int size = 0;
    Fold fold = Fold::None; // Field (text fields only) and Fold

    std::vector<std::unique_ptr<Value>> terms; // Sum, Negate, Fold
    std::vector<bool> negative;                // Sum
};

} // namespace filter

struct BoundFilter::Node
{
    enum class Op : unsigned char { True, False, Or, And, Not, Truth, Compare };

    Op op = Op::True;
    Comparison comparison = Comparison::Eq;
    bool textMode = false; // Compare: both sides are texts
    std::vector<std::unique_ptr<const Node>> children;
    std::unique_ptr<filter::Value> left;  // Compare, Truth
    std::unique_ptr<filter::Value> right; // Compare
};

namespace filter {

namespace {

using Node = BoundFilter::Node;
using NodePtr = std::unique_ptr<Node>;
using ValuePtr = std::unique_ptr<Value>;

qsizetype withoutTrailingBlanks(const char *p, qsizetype n)
{
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0'))
        --n;
    return n;
}

bool isAscii(const char *p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

QString folded(const QString &s, Fold fold)
{
    switch (fold) {
    case Fold::Upper: return s.toUpper();
    case Fold::Lower: return s.toLower();
    case Fold::None: break;
    }
    return s;
}

unsigned char foldByte(unsigned char c, Fold fold)
{
    if (fold == Fold::Upper && c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 'a' + 'A');
    if (fold == Fold::Lower && c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c - 'A' + 'a');
    return c;
}

// A text as compared: bytes without trailing blanks, and an ASCII case
// fold still to be applied byte by byte. `holder` is only filled when the
// text had to be built (a case fold of non-ASCII text).
struct TextView
{
    const char *p = "";
    qsizetype n = 0;
    Fold fold = Fold::None;
    QByteArray holder;
};

void fieldBytes(const Value &v, const std::uint8_t *row, const char *&p, qsizetype &n)
{
    p = reinterpret_cast<const char *>(row + v.offset);
    if (v.type == FieldType::CString) {
        n = 0;
        while (n < v.size - 1 && p[n] != '\0')
            ++n;
    } else {
        n = v.size;
    }
    n = withoutTrailingBlanks(p, n);
}

void hold(TextView &out, const QString &text)
{
    out.holder = text.toUtf8();
    out.p = out.holder.constData();
    out.n = withoutTrailingBlanks(out.p, out.holder.size());
    out.fold = Fold::None;
}

QString toQString(const TextView &t)
{
    return folded(QString::fromUtf8(t.p, t.n), t.fold);
}

void textOf(const Value &v, const std::uint8_t *row, TextView &out)
{
    switch (v.op) {
    case Value::Op::Constant:
        out.p = v.utf8.constData();
        out.n = v.utf8.size();
        out.fold = Fold::None;
        return;
    case Value::Op::Field:
        fieldBytes(v, row, out.p, out.n);
        out.fold = v.fold;
        if (out.fold != Fold::None && !isAscii(out.p, out.n))
            hold(out, folded(QString::fromUtf8(out.p, out.n), v.fold));
        return;
    case Value::Op::Fold: {
        TextView inner;
        textOf(*v.terms.front(), row, inner);
        hold(out, folded(toQString(inner), v.fold));
        return;
    }
    case Value::Op::Sum:
    case Value::Op::Negate:
        break; // never texts
    }
    out = TextView();
}

double fieldNumber(const Value &v, const std::uint8_t *row)
{
    const std::uint8_t *p = row + v.offset;
    switch (v.type) {
    case FieldType::Text:
    case FieldType::CString: {
        const char *s;
        qsizetype n;
        fieldBytes(v, row, s, n);
        return leadingNumber(s, n);
    }
    case FieldType::Date: return stored::getDate(p).dayNumber();
    case FieldType::Time: return stored::getTime(p).value();
    case FieldType::Real: return stored::getReal(p);
    case FieldType::Short: return stored::getShort(p);
    case FieldType::Byte: return *p;
    case FieldType::Decimal: return double(stored::getDecimal(p).cents()) / 100.0;
    }
    return 0.0;
}

double numberOf(const Value &v, const std::uint8_t *row)
{
    switch (v.op) {
    case Value::Op::Constant: return v.number;
    case Value::Op::Field: return fieldNumber(v, row);
    case Value::Op::Sum: {
        double sum = 0.0;
        for (std::size_t i = 0; i < v.terms.size(); ++i) {
            const double term = numberOf(*v.terms[i], row);
            sum = v.negative[i] ? sum - term : sum + term;
        }
        return sum;
    }
    case Value::Op::Negate: return -numberOf(*v.terms.front(), row);
    case Value::Op::Fold: {
        TextView t;
        textOf(v, row, t);
        return leadingNumber(t.p, t.n);
    }
    }
    return 0.0;
}

int compareTexts(const TextView &a, const TextView &b)
{
    const qsizetype common = std::min(a.n, b.n);
    if (a.fold == Fold::None && b.fold == Fold::None) {
        if (common > 0) {
            const int c = std::memcmp(a.p, b.p, std::size_t(common));
            if (c != 0)
                return c;
        }
    } else {
        for (qsizetype i = 0; i < common; ++i) {
            const unsigned char x = foldByte(static_cast<unsigned char>(a.p[i]), a.fold);
            const unsigned char y = foldByte(static_cast<unsigned char>(b.p[i]), b.fold);
            if (x != y)
                return x < y ? -1 : 1;
        }
    }
    return a.n < b.n ? -1 : (a.n > b.n ? 1 : 0);
}

bool holds(Comparison op, int order)
{
    switch (op) {
    case Comparison::Eq: return order == 0;
    case Comparison::Ne: return order != 0;
    case Comparison::Lt: return order < 0;
    case Comparison::Le: return order <= 0;
    case Comparison::Gt: return order > 0;
    case Comparison::Ge: return order >= 0;
    }
    return false;
}

bool holds(Comparison op, double a, double b)
{
    switch (op) {
    case Comparison::Eq: return a == b;
    case Comparison::Ne: return a != b;
    case Comparison::Lt: return a < b;
    case Comparison::Le: return a <= b;
    case Comparison::Gt: return a > b;
    case Comparison::Ge: return a >= b;
    }
    return false;
}

bool truthy(const Value &v, const std::uint8_t *row)
{
    if (v.kind == Kind::Text) {
        TextView t;
        textOf(v, row, t);
        return t.n > 0;
    }
    return numberOf(v, row) != 0.0;
}

bool compare(const Node &n, const std::uint8_t *row)
{
    if (!n.textMode)
        return holds(n.comparison, numberOf(*n.left, row), numberOf(*n.right, row));
    TextView a;
    TextView b;
    textOf(*n.left, row, a);
    textOf(*n.right, row, b);
    // Case folds here are ASCII only and keep the length.
    if ((n.comparison == Comparison::Eq || n.comparison == Comparison::Ne) && a.n != b.n)
        return n.comparison == Comparison::Ne;
    return holds(n.comparison, compareTexts(a, b));
}

bool evaluate(const Node &n, const std::uint8_t *row)
{
    switch (n.op) {
    case Node::Op::True: return true;
    case Node::Op::False: return false;
    case Node::Op::Or:
        for (const auto &c : n.children)
            if (evaluate(*c, row))
                return true;
        return false;
    case Node::Op::And:
        for (const auto &c : n.children)
            if (!evaluate(*c, row))
                return false;
        return true;
    case Node::Op::Not: return !evaluate(*n.children.front(), row);
    case Node::Op::Truth: return truthy(*n.left, row);
    case Node::Op::Compare: return compare(n, row);
    }
    return false;
}

ValuePtr constantValue(const FilterValue &value)
{
    auto v = std::make_unique<Value>();
    v->op = Value::Op::Constant;
    v->kind = value.kind;
    if (value.kind == Kind::Text) {
        const QByteArray utf8 = value.text.toUtf8();
        v->utf8 = utf8.left(withoutTrailingBlanks(utf8.constData(), utf8.size()));
        v->number = leadingNumber(v->utf8.constData(), v->utf8.size());
        v->constant = FilterValue::fromText(QString::fromUtf8(v->utf8));
    } else {
        v->number = value.number;
        v->constant = value;
    }
    return v;
}

NodePtr constantNode(bool value)
{
    auto n = std::make_unique<Node>();
    n->op = value ? Node::Op::True : Node::Op::False;
    return n;
}

class Binder
{
public:
    Binder(const TableLayout &layout, const FilterNames &names, Date today)
        : m_layout(layout), m_names(names), m_today(today)
    {
    }

    const QString &error() const { return m_error; }

    NodePtr condition(const FilterExpression::Syntax &s)
    {
        using Type = FilterExpression::Syntax::Type;
        switch (s.type) {
        case Type::Or:
        case Type::And: return list(s);
        case Type::Not: {
            NodePtr operand = condition(*s.children.front());
            if (!operand)
                return nullptr;
            if (operand->op == Node::Op::True || operand->op == Node::Op::False)
                return constantNode(operand->op == Node::Op::False);
            auto n = std::make_unique<Node>();
            n->op = Node::Op::Not;
            n->children.push_back(std::move(operand));
            return n;
        }
        case Type::Compare: {
            ValuePtr left = value(*s.children[0]);
            ValuePtr right = left ? value(*s.children[1]) : nullptr;
            if (!right)
                return nullptr;
            auto n = std::make_unique<Node>();
            n->op = Node::Op::Compare;
            n->comparison = s.comparison;
            n->textMode = left->kind == Kind::Text && right->kind == Kind::Text;
            n->left = std::move(left);
            n->right = std::move(right);
            if (n->left->op == Value::Op::Constant && n->right->op == Value::Op::Constant)
                return constantNode(compare(*n, nullptr));
            return n;
        }
        default: {
            ValuePtr v = value(s);
            if (!v)
                return nullptr;
            if (v->op == Value::Op::Constant)
                return constantNode(truthy(*v, nullptr));
            auto n = std::make_unique<Node>();
            n->op = Node::Op::Truth;
            n->left = std::move(v);
            return n;
        }
        }
    }

private:
    NodePtr list(const FilterExpression::Syntax &s)
    {
        const bool isOr = s.type == FilterExpression::Syntax::Type::Or;
        // A constant that decides the list on its own ("x OR 1=1").
        const Node::Op decisive = isOr ? Node::Op::True : Node::Op::False;
        bool decided = false;
        std::vector<NodePtr> kept;
        // Every part is bound, even after a decisive one, so that unknown
        // names are reported wherever they are.
        for (const auto &child : s.children) {
            NodePtr c = condition(*child);
            if (!c)
                return nullptr;
            if (c->op == decisive)
                decided = true;
            else if (c->op != Node::Op::True && c->op != Node::Op::False)
                kept.push_back(std::move(c));
        }
        if (decided || kept.empty())
            return constantNode(decided ? isOr : !isOr);
        if (kept.size() == 1)
            return std::move(kept.front());
        auto n = std::make_unique<Node>();
        n->op = isOr ? Node::Op::Or : Node::Op::And;
        for (auto &c : kept)
            n->children.push_back(std::move(c));
        return n;
    }

    ValuePtr value(const FilterExpression::Syntax &s)
    {
        using Type = FilterExpression::Syntax::Type;
        switch (s.type) {
        case Type::Text: return constantValue(FilterValue::fromText(s.text));
        case Type::Number: return constantValue(FilterValue::fromNumber(s.number));
        case Type::Today: return constantValue(FilterValue::fromDate(m_today));
        case Type::Name: return name(s);
        case Type::Negate: {
            ValuePtr operand = value(*s.children.front());
            if (!operand)
                return nullptr;
            if (operand->op == Value::Op::Constant)
                return constantValue(FilterValue::fromNumber(-operand->number));
            auto v = std::make_unique<Value>();
            v->op = Value::Op::Negate;
            v->kind = Kind::Number;
            v->terms.push_back(std::move(operand));
            return v;
        }
        case Type::Sum: {
            auto v = std::make_unique<Value>();
            v->op = Value::Op::Sum;
            bool constant = true;
            int dates = 0; // date terms added minus date terms subtracted
            for (std::size_t i = 0; i < s.children.size(); ++i) {
                ValuePtr term = value(*s.children[i]);
                if (!term)
                    return nullptr;
                const bool minus = s.negative[i];
                if (term->kind == Kind::Date)
                    dates += minus ? -1 : 1;
                constant = constant && term->op == Value::Op::Constant;
                v->terms.push_back(std::move(term));
                v->negative.push_back(minus);
            }
            // A date moved by a number stays a date; a difference of dates is a number.
            v->kind = dates == 1 ? Kind::Date : Kind::Number;
            if (!constant)
                return v;
            FilterValue result;
            result.kind = v->kind;
            result.number = numberOf(*v, nullptr);
            return constantValue(result);
        }
        case Type::Upper:
        case Type::Lower: {
            const Fold fold = s.type == Type::Upper ? Fold::Upper : Fold::Lower;
            ValuePtr operand = value(*s.children.front());
            if (!operand || operand->kind != Kind::Text)
                return operand; // only texts have case
            if (operand->op == Value::Op::Constant)
                return constantValue(FilterValue::fromText(folded(operand->constant.text, fold)));
            if (operand->op == Value::Op::Field && operand->fold == Fold::None) {
                operand->fold = fold;
                return operand;
            }
            auto v = std::make_unique<Value>();
            v->op = Value::Op::Fold;
            v->kind = Kind::Text;
            v->fold = fold;
            v->terms.push_back(std::move(operand));
            return v;
        }
        case Type::Or:
        case Type::And:
        case Type::Not:
        case Type::Compare: break;
        }
        m_error = QStringLiteral("Filter refused at character %1: a condition cannot be used as a value")
                      .arg(s.position + 1);
        return nullptr;
    }

    ValuePtr field(int index)
    {
        const FieldDef &f = m_layout.field(index);
        auto v = std::make_unique<Value>();
        v->op = Value::Op::Field;
        v->field = index;
        v->type = f.type;
        v->offset = f.offset;
        v->size = f.size;
        switch (f.type) {
        case FieldType::Text:
        case FieldType::CString: v->kind = Kind::Text; break;
        case FieldType::Date: v->kind = Kind::Date; break;
        default: v->kind = Kind::Number; break;
        }
        return v;
    }

    // Fields are known by their prefixed names only: a bare "personname"
    // must never quietly become a table's PERSONNAME field when nothing is
    // bound under it. The table's own fields come before bound names.
    ValuePtr name(const FilterExpression::Syntax &s)
    {
        const QString &name = s.text;
        const qsizetype colon = name.indexOf(QLatin1Char(':'));
        if (colon > 0 && QStringView(name).left(colon).compare(m_layout.prefix(), Qt::CaseInsensitive) == 0) {
            const int index = m_layout.fieldIndex(name);
            if (index >= 0)
                return field(index);
        }
        if (const std::optional<FilterValue> bound = m_names.value(name))
            return constantValue(*bound);
        m_error = QStringLiteral("Filter refused at character %1: '%2' is neither a field of %3 nor a bound name")
                      .arg(s.position + 1)
                      .arg(name, m_layout.label());
        return nullptr;
    }

    const TableLayout &m_layout;
    const FilterNames &m_names;
    const Date m_today;
    QString m_error;
};

// Converting to an OR of ANDs. An empty list means "no row"; a list holding
// one empty disjunct means "any row".
using Disjunct = BoundFilter::Disjunct;
using Constraint = BoundFilter::Constraint;
using Dnf = std::vector<Disjunct>;

Dnf anyRow()
{
    return Dnf(1);
}

bool simpleConstraint(const Node &n, Constraint &out)
{
    if (n.op != Node::Op::Compare)
        return false;
    const Value *field = n.left.get();
    const Value *constant = n.right.get();
    bool turned = false;
    if (field->op != Value::Op::Field || constant->op != Value::Op::Constant) {
        std::swap(field, constant);
        turned = true;
        if (field->op != Value::Op::Field || constant->op != Value::Op::Constant)
            return false;
    }
    switch (n.comparison) {
    case Comparison::Eq: out.op = Constraint::Op::Eq; break;
    case Comparison::Ne: return false;
    case Comparison::Lt: out.op = turned ? Constraint::Op::Gt : Constraint::Op::Lt; break;
    case Comparison::Le: out.op = turned ? Constraint::Op::Ge : Constraint::Op::Le; break;
    case Comparison::Gt: out.op = turned ? Constraint::Op::Lt : Constraint::Op::Gt; break;
    case Comparison::Ge: out.op = turned ? Constraint::Op::Le : Constraint::Op::Ge; break;
    }
    out.field = field->field;
    if (n.textMode) {
        out.value = constant->constant;
        out.upper = field->fold == Fold::Upper;
        out.lower = field->fold == Fold::Lower;
        return true;
    }
    // A text field read as a number is not in the order of its text key.
    if (field->kind == Kind::Text || !std::isfinite(constant->number))
        return false;
    if (field->kind == Kind::Date) {
        // Keys hold whole day numbers; leave odd bounds to matches().
        if (constant->number != std::floor(constant->number) || std::fabs(constant->number) > 2.0e9)
            return false;
        out.value.kind = Kind::Date;
        out.value.number = constant->number;
    } else {
        out.value = FilterValue::fromNumber(constant->number);
    }
    return true;
}

Dnf disjunctsOf(const Node &n)
{
    const std::size_t cap = BoundFilter::MaxDisjuncts;
    switch (n.op) {
    case Node::Op::True:
    case Node::Op::Not:
    case Node::Op::Truth: return anyRow();
    case Node::Op::False: return Dnf();
    case Node::Op::Compare: {
        Constraint c;
        if (!simpleConstraint(n, c))
            return anyRow();
        Dnf d(1);
        d.front().constraints.push_back(c);
        return d;
    }
    case Node::Op::Or: {
        Dnf out;
        for (const auto &child : n.children) {
            for (Disjunct &d : disjunctsOf(*child)) {
                if (d.constraints.empty())
                    return anyRow();
                out.push_back(std::move(d));
            }
            if (out.size() > cap)
                return anyRow();
        }
        return out;
    }
    case Node::Op::And: {
        std::vector<Dnf> parts;
        for (const auto &child : n.children) {
            parts.push_back(disjunctsOf(*child));
            if (parts.back().empty())
                return Dnf();
        }
        Dnf product = anyRow();
        for (const Dnf &part : parts) {
            if (product.size() * part.size() > cap) {
                // Too many combinations: keep what every matching row must
                // satisfy, the parts that are one disjunct.
                Disjunct common;
                for (const Dnf &p : parts)
                    if (p.size() == 1)
                        common.constraints.insert(common.constraints.end(), p.front().constraints.begin(),
                                                  p.front().constraints.end());
                return Dnf{common};
            }
            Dnf next;
            for (const Disjunct &a : product) {
                for (const Disjunct &b : part) {
                    Disjunct d = a;
                    d.constraints.insert(d.constraints.end(), b.constraints.begin(), b.constraints.end());
                    next.push_back(std::move(d));
                }
            }
            product = std::move(next);
        }
        return product;
    }
    }
    return anyRow();
}

} // namespace

} // namespace filter

FilterExpression::FilterExpression(const QString &text, std::unique_ptr<const Syntax> root)
    : m_text(text), m_root(std::move(root))
{
}

FilterExpression::~FilterExpression() = default;

std::shared_ptr<const FilterExpression> FilterExpression::parse(const QString &text, QString *error)
{
    std::unique_ptr<const Syntax> root = Syntax::parse(text, error);
    if (!root)
        return nullptr;
    if (error)
        error->clear();
    return std::shared_ptr<const FilterExpression>(new FilterExpression(text, std::move(root)));
}

std::unique_ptr<BoundFilter> FilterExpression::bind(const TableLayout &layout, const FilterNames &names,
                                                    QString *error, Date today) const
{
    filter::Binder binder(layout, names, today.isNull() ? Date::today() : today);
    std::unique_ptr<const BoundFilter::Node> root = binder.condition(*m_root);
    if (!root) {
        if (error)
            *error = binder.error();
        return nullptr;
    }
    if (error)
        error->clear();
    return std::unique_ptr<BoundFilter>(new BoundFilter(layout, std::move(root)));
}

BoundFilter::BoundFilter(const TableLayout &layout, std::unique_ptr<const Node> root)
    : m_layout(&layout), m_root(std::move(root)), m_disjuncts(filter::disjunctsOf(*m_root))
{
    if (m_disjuncts.empty())
        m_disjuncts = filter::anyRow();
}

BoundFilter::~BoundFilter() = default;

bool BoundFilter::matches(const Record &row) const
{
    if (row.size() != m_layout->recordSize())
        return false;
    return filter::evaluate(*m_root, row.data());
}

} // namespace tavimo
