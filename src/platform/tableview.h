#pragma once

#include "driverstatus.h"
#include "filterexpression.h"
#include "tablelayout.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace tavimo {

class StoredTable;

// A filtered, ordered view of one table, read into the table's record
// buffer. The filter is parsed once and bound again at each restart; the
// view reads through the key that gives its order and, where the filter
// pins that key's leading fields, only through those stretches of it.
// Alternatives of the filter that another key serves (a name OR a social
// security number) are read through that key and merged in order, so a
// filtered list never scans the whole table to show its first page.
class TableView
{
public:
    explicit TableView(StoredTable &table);
    ~TableView();
    TableView(const TableView &) = delete;
    TableView &operator=(const TableView &) = delete;

    StoredTable &table() const { return m_table; }

    // Fields with their directions; empty means the order records were added in.
    void setOrder(const std::vector<KeyComponent> &order);
    const std::vector<KeyComponent> &order() const { return m_order; }
    // Parses the filter text (empty: none). A text that cannot be parsed
    // leaves the view without a filter and returns BadFilter.
    int setFilter(const QString &text);
    QString filterText() const;

    // Binds the filter with the names' present values, plans the reading
    // and positions before the first record. With positionComponents >= 0
    // the view starts at the buffer's values of that many order fields.
    int restart(const FilterNames &names, int positionComponents = -1);
    int next();
    int previous();
    QString position() const;              // of the record read last
    int reset(const QString &position);    // next reads that record or the one after it

    // How the last restart reads: the key giving the order (-1: record
    // order, or none when the rows are sorted in memory), and whether the
    // filter narrowed it down.
    int orderKey() const { return m_key; }
    bool sortsInMemory() const { return m_sorted; }
    bool readsStretches() const { return !m_intervals.empty() && !m_wholeKey; }
    std::size_t mergedRows() const { return m_extra.size(); }

    const DriverStatus &status() const { return m_status; }

private:
    struct Interval
    {
        QByteArray lo; // inclusive
        QByteArray hi; // exclusive; empty with open = no end
        bool open = false;
    };
    struct Row;

    int finish(int code);
    void plan();
    bool intervalFor(const BoundFilter::Disjunct &disjunct, int key, Interval &out) const;
    bool idsIn(int key, const Interval &interval, std::vector<std::int64_t> &into, DriverStatus &status) const;
    int materialise(const std::vector<std::pair<int, Interval>> &ranges, bool allRows);
    int fetchPrimary(bool forward);
    bool inPrimary(const QByteArray &key) const;
    int move(bool forward);
    bool matches(const std::vector<std::uint8_t> &data) const;
    QByteArray orderKeyOf(const std::vector<std::uint8_t> &data) const;

    StoredTable &m_table;
    std::vector<KeyComponent> m_order;
    std::shared_ptr<const FilterExpression> m_filter;
    std::unique_ptr<BoundFilter> m_bound;
    DriverStatus m_status;

    int m_key = -1;
    bool m_sorted = false;
    KeyDef m_sortKey; // the order as a key, for sorting in memory
    std::vector<Interval> m_intervals; // disjoint, ascending
    bool m_wholeKey = true;
    std::vector<std::unique_ptr<Row>> m_extra; // sorted by (key, id)

    // The cursor: the last record handed out, or a boundary. Before the
    // first read both ways are open: next reads the first, previous the last.
    enum class At { Both, Start, End, Row } m_at = At::Both;
    QByteArray m_curKey;
    std::int64_t m_curId = 0;
    bool m_curInclusive = false; // next may return the cursor's own record (after reset)

    std::deque<std::unique_ptr<Row>> m_ahead;
    bool m_aheadForward = true;
    bool m_aheadExhausted = false;
    bool m_resume = false; // the next fetch goes on from the scan's stop
    QByteArray m_scanKey;
    std::int64_t m_scanId = 0;
    std::uint64_t m_aheadGeneration = 0;
    int m_batch = 8;
};

} // namespace tavimo
