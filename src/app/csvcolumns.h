#pragma once

#include "picture.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace tavimo {

class Record;
class TableLayout;

namespace csv {

// What the columns of an imported file fill: each heading is a field of
// the table by its name without the prefix (any case), the memo by its
// name, or what --map makes of it; and how each value is checked and put
// into the record.
class ColumnPlan
{
public:
    // False with the problem when a heading is no field, two columns fill
    // one field, or a --map names a heading the file lacks.
    bool build(const TableLayout &table, const std::vector<QString> &header,
               const std::vector<std::pair<QString, QString>> &map, QString &problem);

    int size() const { return int(m_columns.size()); }
    int columnOf(int field) const; // the column that fills the field, or -1
    // "column SYSTOLIC", or "column \"Sys\" (SYSTOLIC)" for a heading of its own.
    QString describe(int column) const;

    // Puts the row's values into the record; false with "column X: ..."
    // for a value that does not fit its field or the entry form's picture.
    bool apply(const std::vector<QString> &values, Record &record, QString &problem) const;

private:
    enum class Kind { Field, Memo, Left, Unnamed };
    struct Column
    {
        QString heading;
        Kind kind = Kind::Field;
        int field = -1;
        int timeField = -1;    // a date's time, when the value may carry it
        bool takesTime = false; // the date has a time beside it in the table
        std::optional<Picture> picture; // the entry form's, when it has one
        int low = 0;           // a spin box's range, when high > low
        int high = 0;
    };

    QString putValue(const Column &column, const QString &value, Record &record) const;
    QString putNumber(const Column &column, const QString &value, Record &record) const;
    QString putText(const Column &column, const QString &value, Record &record) const;
    QString putDate(const Column &column, const QString &value, Record &record) const;
    void addFormRules(const TableLayout &table);

    const TableLayout *m_table = nullptr;
    std::vector<Column> m_columns;
    std::vector<int> m_columnOfField;
};

// A value as a message shows it: on one line, and not too long.
QString quoted(const QString &value);

} // namespace csv
} // namespace tavimo
