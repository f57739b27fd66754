#pragma once

#include <vector>

namespace tavimo {

// A list window as data: its tabs with their orders, filters and ranges,
// its columns, locator, buttons, the form it runs and its help topic.

struct ListOrder
{
    const char *tabCaption;
    const char *key;        // the table's key; empty: the order the view reads in
    const char *extra = ""; // added after the key's fields
    const char *filter = "";
    const char *range = ""; // a field limited to the value in the buffer
};

struct ListColumn
{
    const char *heading;
    const char *field;
    const char *picture = ""; // empty: the field's own
    int width = 0;            // characters; 0: the field's
};

struct ListSpec
{
    const char *procedure;
    const char *title;
    const char *table; // its label
    std::vector<ListOrder> orders;
    bool locator = false;
    int stepFlags = 0; // the thumb's steps (BrowseStep flags); 0: none
    std::vector<ListColumn> columns;
    std::vector<int> buttons; // BrowseManager controls, in their order
    const char *form = "";    // the entry form's procedure
    const char *helpTopic = "";
    int rows = 14;            // rows shown when the window opens
};

} // namespace tavimo
