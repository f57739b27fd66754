#pragma once

#include <utility>
#include <vector>

namespace tavimo {

// An entry form as data: its tabs and, on each, its rows in tab order.
// The names are the table's own field names, so one test can resolve them.

enum class RowKind {
    Text,      // a line of text through the row's picture (or the field's own width)
    Memo,      // the record's memo, several lines
    Number,    // a number through its picture, aligned right
    Date,      // a date with a calendar button
    Time,      // a time of day
    Check,     // a check box storing `on` or `off`
    Radio,     // a group of radio buttons, one per choice
    Spin,      // a whole number between `low` and `high`
    DropCombo, // an entry completed from a reference table, adding unknown values
    DropList,  // a fixed choice of the rows of a reference table
    Note,      // a fixed text, no field
};

// A drop-down list over a reference table and what it copies.
struct DropSpec
{
    const char *table;       // the reference table's label
    const char *key;         // its order
    const char *display;     // the field the rows show
    const char *filter = ""; // over its fields and the program's bound names
    std::vector<std::pair<const char *, const char *>> copies = {}; // its field -> the edited record's
    const char *entryForm = ""; // the procedure that adds a value; empty: none
    bool defaultFill = false;   // a record without a match gets the first row
};

struct RadioChoice
{
    const char *label;
    const char *value;
};

struct FormRow
{
    const char *prompt;  // with its "&" mnemonic; a check box's own caption
    const char *field;   // the table's field, or its memo's name; empty for a note
    RowKind kind = RowKind::Text;
    const char *picture = "";
    const char *tip = "";
    bool readOnly = false;
    bool history = true; // Ctrl+H recalls it from the last record saved
    const char *calendar = ""; // a date's calendar caption; empty: the default
    const char *on = "Y";      // check box values
    const char *off = "";
    std::vector<RadioChoice> choices = {};
    int low = 0; // spin box range
    int high = 0;
    const DropSpec *drop = nullptr;
    const char *beside = "";    // a "..." button beside the control starts this list
    const char *besideTip = "";
    const char *help = "";      // F1 on the control shows this topic instead of the form's
};

struct FormTab
{
    const char *caption; // empty: the rows stand without a tab
    std::vector<FormRow> rows;
};

struct FormSpec
{
    const char *procedure;
    const char *title; // the caption when the request gives none; may be empty
    const char *table; // the primary table's label
    const char *helpTopic;
    std::vector<FormTab> tabs;
};

} // namespace tavimo
