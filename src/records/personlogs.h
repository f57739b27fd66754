#pragma once

#include "browsemanager.h"
#include "values.h"

#include <QString>

#include <vector>

namespace tavimo {

class TableLayout;

// The person's logs as the profile form lists them, one declaration each:
// the table, the sort orders with their filters, the columns, the entry
// form, and the tab's print and help buttons.
struct PersonLogSpec
{
    // How a list with two orders picks one on every reset.
    enum class Choice {
        Fixed,       // one order
        NameSet,     // order 1 while the current person name is set
        BufferName,  // order 1 while the buffer's record carries the current person name
        // Always order 2: the first compares two process values, not a
        // field, and would list everyone's records or none.
        Second,
    };
    // What the tab's print button does before its report.
    enum class Print {
        None,
        AfterDates,     // the date range window, then the report on this context
        NewContext,     // the report in a context of its own
        Highlighted,    // the list's print procedure: the report for the highlighted record
    };
    struct Order
    {
        const char *key;   // nullptr: the order the view reads in
        const char *extra; // added after the key's fields; may be empty
        const char *filter;
    };
    struct Column
    {
        const char *heading;
        const char *field;
        const char *picture; // empty: the field's own
        int width;
    };

    int tab;                  // 6 .. 16
    const char *tabCaption;
    const TableLayout &(*table)();
    std::vector<Order> orders;
    Choice choice;
    const char *choiceField;  // the buffer field for Choice::BufferName
    std::vector<Column> columns;
    const char *entryForm;
    Print print;
    const char *printCaption;
    const char *report;
    const char *helpCaption;
    const char *helpTopic;
    // The field that holds the person's name, when it is shorter than the
    // current person name: the lists compare only what it can hold.
    const char *shortNameField = nullptr;

    static const std::vector<PersonLogSpec> &all(); // in tab order
    static const PersonLogSpec *byTab(int tab);
};

// A child list of the profile form: picks one of its two orders on every
// reset (by whether a name is set, or by the record in its buffer); the
// expenses list also keeps the total of what it lists.
class PersonLogList : public BrowseManager
{
    Q_OBJECT
public:
    explicit PersonLogList(const PersonLogSpec &spec);

    const PersonLogSpec &spec() const { return m_spec; }
    // Declares the orders and columns; the list must be set up.
    void declare();
    int chosenOrder();
    // Binds the person's name as the table holds it, before a fill.
    void bindPerson();

    // The sum of EXP:AMOUNTYOUPAID over every record the filter selects.
    Decimal total() const { return m_total; }
    Decimal sumSelected();

    void reset(bool force) override;
    // An entry form run from the list has closed: the order may have to
    // change and the total be added up again before the list is refilled.
    void formReturned();

signals:
    void totalChanged(const QString &text);

private:
    const PersonLogSpec &m_spec;
    Decimal m_total;
};

} // namespace tavimo
