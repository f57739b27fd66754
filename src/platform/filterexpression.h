#pragma once

#include "record.h"
#include "tablelayout.h"
#include "values.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// Filter texts select the records of a view, e.g.
//   (PRE:RefillReminderDate < today()+30 and PRE:RefillReminderDate > '' and PRE:Active = 'Y')
//
// Names: a name carrying the view table's prefix ("BLO:DATE") is a field of
// the row; any other name is looked up among the bound names when the
// filter is bound ("personname", "FromDate", "BOD1:BODYSECTION"). Fields
// are known only with their prefix. Names, keywords and functions ignore case.
//
// Values: texts in single quotes ('' inside is one quote), numbers (12,
// 12.5), today(), UPPER(x), LOWER(x), unary "-", and "+"/"-" between values
// (a date plus a number is a date, a date minus a date is a number).
// Conditions: = <> < <= > >= between two values, AND, OR, NOT, parentheses;
// a value standing alone is true when it is a non-blank text or non-zero.
//
// Comparing: two texts compare by characters, ignoring trailing blanks but
// not case; any other pair compares as numbers, a text read as the number
// it starts with (a blank text is 0) and a date as its day number, so
// "PRE:RefillReminderDate > ''" means "has a date".
namespace tavimo {

struct FilterValue
{
    enum class Kind : unsigned char { Text, Number, Date };

    Kind kind = Kind::Number;
    QString text;      // Text only
    double number = 0; // Number; for Date, the day number (0 = no date)

    static FilterValue fromText(const QString &text);
    static FilterValue fromNumber(double number);
    static FilterValue fromDate(Date date);

    bool operator==(const FilterValue &other) const = default;
};

// The names a filter may use besides the fields of its own table: variables
// that procedures bind and fields of other tables' current records. They
// are read once, when the filter is bound.
class FilterNames
{
public:
    virtual ~FilterNames() = default;
    virtual std::optional<FilterValue> value(const QString &name) const = 0;
};

// A plain set of bound names, looked up without case.
class FilterNameList : public FilterNames
{
public:
    void set(const QString &name, const FilterValue &value);
    void remove(const QString &name);
    std::optional<FilterValue> value(const QString &name) const override;

private:
    QHash<QString, FilterValue> m_values; // keyed by upper-case name
};

class BoundFilter;

// A parsed filter text; immutable, so one parse can be shared by every view
// and thread that binds it.
class FilterExpression
{
public:
    static constexpr int MaxLength = 5000; // characters
    static constexpr int MaxDepth = 200;   // nested parentheses, NOTs, signs and function calls

    // nullptr, with the reason in *error, when the text is refused.
    static std::shared_ptr<const FilterExpression> parse(const QString &text, QString *error);

    ~FilterExpression();
    FilterExpression(const FilterExpression &) = delete;
    FilterExpression &operator=(const FilterExpression &) = delete;

    const QString &text() const { return m_text; }

    // Resolves the names against `layout` (which must outlive the result)
    // and `names`; every name other than the table's fields is read now.
    // today() is `today`, or the current date when that is null.
    // nullptr, with the reason in *error, when a name is unknown.
    std::unique_ptr<BoundFilter> bind(const TableLayout &layout, const FilterNames &names, QString *error,
                                      Date today = Date()) const;

    struct Syntax; // the parsed tree, private to the implementation

private:
    FilterExpression(const QString &text, std::unique_ptr<const Syntax> root);

    QString m_text;
    std::unique_ptr<const Syntax> m_root;
};

// A filter bound to one table and to the values its names had at binding.
class BoundFilter
{
public:
    static constexpr int MaxDisjuncts = 16;

    // One comparison "field op constant"; for text fields `upper` or `lower`
    // tells that the field was compared through UPPER( ) or LOWER( ).
    // `value` is a trimmed Text for text fields; for date fields a Date
    // (a blank text compared with a date gives day number 0); otherwise a Number.
    struct Constraint
    {
        enum class Op : unsigned char { Eq, Lt, Le, Gt, Ge };
        int field = -1;
        Op op = Op::Eq;
        FilterValue value;
        bool upper = false;
        bool lower = false;
    };
    struct Disjunct
    {
        std::vector<Constraint> constraints; // all must hold; none = any row
    };

    ~BoundFilter();
    BoundFilter(const BoundFilter &) = delete;
    BoundFilter &operator=(const BoundFilter &) = delete;

    const TableLayout &layout() const { return *m_layout; }

    // The row must be a record of the bound layout; a record of another
    // size never matches.
    bool matches(const Record &row) const;

    // The filter as an OR of ANDs of comparisons a key can serve. Every row
    // that matches() satisfies all constraints of at least one disjunct;
    // the reverse need not hold, so matches() still decides. Never empty.
    const std::vector<Disjunct> &disjuncts() const { return m_disjuncts; }

    struct Node; // private to the implementation

private:
    friend class FilterExpression;
    BoundFilter(const TableLayout &layout, std::unique_ptr<const Node> root);

    const TableLayout *m_layout;
    std::unique_ptr<const Node> m_root;
    std::vector<Disjunct> m_disjuncts;
};

} // namespace tavimo
