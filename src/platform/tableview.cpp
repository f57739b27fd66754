#include "tableview.h"

#include "keycodec.h"
#include "record.h"
#include "sqlconnection.h"
#include "storedform.h"
#include "storedtable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <iterator>

namespace tavimo {

struct TableView::Row : StoredTable::Row
{
};

namespace {

constexpr std::int64_t kMinId = std::numeric_limits<std::int64_t>::min();
constexpr int kMaxBatch = 256;

// The smallest byte string greater than every string starting with `prefix`;
// empty when there is none.
QByteArray prefixEnd(QByteArray prefix)
{
    while (!prefix.isEmpty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.chop(1);
    if (!prefix.isEmpty())
        prefix.back() = char(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

void bindBlob(sqlite3_stmt *stmt, int index, const QByteArray &bytes)
{
    sqlite3_bind_blob(stmt, index, bytes.isEmpty() ? "" : bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

// Puts a constraint's constant into a field of a scratch record, when the
// field can hold it exactly; a key range built from anything else could
// leave out rows the filter wants.
bool putExactly(Record &record, int field, const FilterValue &value)
{
    const FieldDef &f = record.layout().field(field);
    const double n = value.number;
    const bool whole = std::isfinite(n) && n == std::floor(n);
    switch (f.type) {
    case FieldType::Text:
    case FieldType::CString: {
        if (value.kind != FilterValue::Kind::Text)
            return false;
        const int room = f.type == FieldType::Text ? f.size : f.size - 1;
        if (value.text.toUtf8().size() > room)
            return false;
        record.setText(field, value.text);
        return true;
    }
    case FieldType::Date:
        if (value.kind == FilterValue::Kind::Text || !whole || n < 0 || n > 3000000)
            return false;
        record.setDate(field, Date(std::int32_t(n)));
        return record.date(field).dayNumber() == std::int32_t(n);
    case FieldType::Time:
        if (value.kind == FilterValue::Kind::Text || !whole || n < 0 || n > 8640000)
            return false;
        record.setTime(field, Time(std::int32_t(n)));
        return true;
    case FieldType::Short:
        if (value.kind == FilterValue::Kind::Text || !whole || n < -32768 || n > 32767)
            return false;
        record.setInteger(field, int(n));
        return true;
    case FieldType::Byte:
        if (value.kind == FilterValue::Kind::Text || !whole || n < 0 || n > 255)
            return false;
        record.setInteger(field, int(n));
        return true;
    case FieldType::Real:
        if (value.kind == FilterValue::Kind::Text || !std::isfinite(n))
            return false;
        record.setReal(field, n);
        return true;
    case FieldType::Decimal: {
        if (value.kind == FilterValue::Kind::Text || !std::isfinite(n))
            return false;
        const double cents = n * 100.0;
        if (cents != std::floor(cents) || std::fabs(cents) > double(Decimal::MaxCents))
            return false;
        record.setDecimal(field, Decimal::fromCents(std::int64_t(cents)));
        return true;
    }
    }
    return false;
}

} // namespace

TableView::TableView(StoredTable &table)
    : m_table(table)
{
}

TableView::~TableView() = default;

int TableView::finish(int code)
{
    m_status = DriverStatus::make(code);
    return code;
}

void TableView::setOrder(const std::vector<KeyComponent> &order)
{
    // A field already ordered on adds nothing the second time.
    m_order.clear();
    for (const KeyComponent &c : order)
        if (std::none_of(m_order.begin(), m_order.end(), [&](const KeyComponent &o) { return o.field == c.field; }))
            m_order.push_back(c);
}

int TableView::setFilter(const QString &text)
{
    m_filter.reset();
    m_bound.reset();
    if (text.trimmed().isEmpty())
        return finish(DriverCode::Ok);
    QString error;
    m_filter = FilterExpression::parse(text, &error);
    if (!m_filter) {
        finish(DriverCode::BadFilter);
        m_status.fileError = error;
        return m_status.code;
    }
    return finish(DriverCode::Ok);
}

QString TableView::filterText() const
{
    return m_filter ? m_filter->text() : QString();
}

bool TableView::matches(const std::vector<std::uint8_t> &data) const
{
    if (!m_bound)
        return true;
    Record row(m_table.layout());
    std::memcpy(row.data(), data.data(), data.size());
    return m_bound->matches(row);
}

QByteArray TableView::orderKeyOf(const std::vector<std::uint8_t> &data) const
{
    Record row(m_table.layout());
    std::memcpy(row.data(), data.data(), data.size());
    if (m_sorted)
        return encodeKey(row, m_sortKey);
    if (m_key >= 0)
        return encodeKey(row, m_table.layout().key(m_key));
    return QByteArray();
}

// ---- planning ------------------------------------------------------------------

bool TableView::intervalFor(const BoundFilter::Disjunct &disjunct, int key, Interval &out) const
{
    const TableLayout &layout = m_table.layout();
    const KeyDef &def = layout.key(key);
    Record scratch(layout);
    QByteArray prefix;
    QByteArray lo;
    QByteArray hi;
    bool haveLo = false;
    bool haveHi = false;
    bool any = false;

    auto usable = [&](const BoundFilter::Constraint &c, bool ordering) {
        if (!isTextType(layout.field(c.field).type))
            return true;
        // Equality serves a case-insensitive key either way; ordering on
        // text only where the key and the filter fold case alike.
        if (!ordering)
            return def.noCase || (!c.upper && !c.lower);
        return (def.noCase && c.upper) || (!def.noCase && !c.upper && !c.lower);
    };

    for (const KeyComponent &component : def.components) {
        const BoundFilter::Constraint *equal = nullptr;
        for (const auto &c : disjunct.constraints)
            if (c.field == component.field && c.op == BoundFilter::Constraint::Op::Eq && usable(c, false)
                && putExactly(scratch, c.field, c.value)) {
                equal = &c;
                break;
            }
        if (equal) {
            prefix += encodeKeyComponent(scratch, component, def.noCase);
            any = true;
            continue;
        }
        for (const auto &c : disjunct.constraints) {
            if (c.field != component.field || c.op == BoundFilter::Constraint::Op::Eq || !usable(c, true)
                || !putExactly(scratch, c.field, c.value))
                continue;
            const QByteArray at = prefix + encodeKeyComponent(scratch, component, def.noCase);
            using Op = BoundFilter::Constraint::Op;
            // In key bytes a descending field runs the other way.
            const bool greater = component.ascending ? (c.op == Op::Gt || c.op == Op::Ge) : (c.op == Op::Lt || c.op == Op::Le);
            const bool inclusive = c.op == Op::Ge || c.op == Op::Le;
            if (greater) {
                const QByteArray bound = inclusive ? at : prefixEnd(at);
                if (!haveLo || bound > lo)
                    lo = bound;
                haveLo = true;
            } else {
                const QByteArray bound = inclusive ? prefixEnd(at) : at;
                if (!bound.isEmpty() && (!haveHi || bound < hi)) {
                    hi = bound;
                    haveHi = true;
                }
            }
            any = true;
        }
        break;
    }
    if (!any)
        return false;
    out.lo = haveLo ? lo : prefix;
    if (haveHi) {
        out.hi = hi;
        out.open = false;
    } else {
        out.hi = prefixEnd(prefix);
        out.open = out.hi.isEmpty();
    }
    return true;
}

void TableView::plan()
{
    const TableLayout &layout = m_table.layout();
    m_key = -1;
    m_sorted = false;
    m_intervals.clear();
    m_wholeKey = true;
    m_extra.clear();

    if (!m_order.empty()) {
        int best = -1;
        for (int k = 0; k < layout.keyCount(); ++k) {
            const auto &comps = layout.key(k).components;
            if (comps.size() < m_order.size())
                continue;
            bool fits = true;
            for (std::size_t i = 0; i < m_order.size() && fits; ++i)
                fits = comps[i].field == m_order[i].field && comps[i].ascending == m_order[i].ascending;
            if (fits && (best < 0 || comps.size() < layout.key(best).components.size()))
                best = k;
        }
        if (best >= 0) {
            m_key = best;
        } else {
            m_sorted = true;
            m_sortKey = KeyDef();
            m_sortKey.components = m_order;
            m_sortKey.noCase = true;
        }
    }

    std::vector<std::pair<int, Interval>> primaries;
    std::vector<std::pair<int, Interval>> others;
    bool anyFull = !m_bound;
    if (m_bound) {
        for (const auto &d : m_bound->disjuncts()) {
            Interval iv;
            if (m_key >= 0 && intervalFor(d, m_key, iv)) {
                primaries.emplace_back(m_key, iv);
                continue;
            }
            bool found = false;
            for (int k = 0; k < layout.keyCount() && !found; ++k)
                if (k != m_key && intervalFor(d, k, iv)) {
                    others.emplace_back(k, iv);
                    found = true;
                }
            if (!found)
                anyFull = true;
        }
    }

    if (m_sorted || m_key < 0) {
        // Record order or an order no key gives: either scan in record order,
        // or gather the rows the keys point at and sort them here.
        std::vector<std::pair<int, Interval>> all = primaries;
        all.insert(all.end(), others.begin(), others.end());
        if (m_sorted || !anyFull) {
            m_wholeKey = false;
            materialise(all, anyFull);
        }
        return;
    }
    if (anyFull)
        return; // the whole key, every row tried against the filter

    std::sort(primaries.begin(), primaries.end(), [](const auto &a, const auto &b) { return a.second.lo < b.second.lo; });
    for (const auto &p : primaries) {
        const Interval &iv = p.second;
        if (!m_intervals.empty()) {
            Interval &last = m_intervals.back();
            if (last.open || iv.lo <= last.hi) {
                if (!last.open && (iv.open || iv.hi > last.hi)) {
                    last.hi = iv.hi;
                    last.open = iv.open;
                }
                continue;
            }
        }
        m_intervals.push_back(iv);
    }
    m_wholeKey = false;
    if (!others.empty())
        materialise(others, false);
}

bool TableView::inPrimary(const QByteArray &key) const
{
    if (m_key < 0 || m_sorted)
        return false;
    if (m_wholeKey)
        return true;
    auto it = std::upper_bound(m_intervals.begin(), m_intervals.end(), key,
                               [](const QByteArray &k, const Interval &iv) { return k < iv.lo; });
    if (it == m_intervals.begin())
        return false;
    --it;
    return it->open || key < it->hi;
}

bool TableView::idsIn(int key, const Interval &iv, std::vector<std::int64_t> &into, DriverStatus &status) const
{
    const auto &o = m_table.m_sql.orders[key + 1];
    sqlite3_stmt *stmt = m_table.m_connection->statement(iv.open ? o.idsFrom : o.idsBetween, status);
    if (!stmt)
        return false;
    StatementUse use(stmt);
    bindBlob(stmt, 1, iv.lo);
    if (!iv.open)
        bindBlob(stmt, 2, iv.hi);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        into.push_back(sqlite3_column_int64(stmt, 0));
    return true;
}

int TableView::materialise(const std::vector<std::pair<int, Interval>> &ranges, bool allRows)
{
    const auto &sql = m_table.m_sql;
    SqlConnection *connection = m_table.m_connection;
    DriverStatus st;

    // Ids first, from the indexes alone; whole rows only for the ids left.
    // Sorted vectors rather than hash sets: tens of thousands of ids go
    // through here for one page of a list.
    std::vector<std::int64_t> ids;
    auto collect = [](sqlite3_stmt *stmt, std::vector<std::int64_t> &into) {
        StatementUse use(stmt);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            into.push_back(sqlite3_column_int64(stmt, 0));
    };
    auto normalise = [](std::vector<std::int64_t> &v) {
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
    };
    if (allRows) {
        sqlite3_stmt *stmt = connection->statement("SELECT \"_id\" FROM " + sqlschema::quoted(QString::fromUtf8(m_table.m_schema)) + '.'
                                                       + sqlschema::quoted(m_table.layout().tableName()),
                                                   st);
        if (!stmt)
            return finish(st.code);
        collect(stmt, ids);
    } else {
        for (const auto &[key, iv] : ranges)
            if (!idsIn(key, iv, ids, st))
                return finish(st.code);
    }
    normalise(ids);

    // Rows the ordered key already reaches are read there, not twice.
    if (m_key >= 0 && !m_sorted && !m_intervals.empty() && ids.size() > 64) {
        std::vector<std::int64_t> covered;
        for (const Interval &iv : m_intervals)
            if (!idsIn(m_key, iv, covered, st))
                return finish(st.code);
        normalise(covered);
        std::vector<std::int64_t> rest;
        std::set_difference(ids.begin(), ids.end(), covered.begin(), covered.end(), std::back_inserter(rest));
        ids.swap(rest);
    }

    const bool withKey = m_key >= 0 && !m_sorted;
    sqlite3_stmt *byId = connection->statement(withKey ? sql.orders[m_key + 1].byId : sql.selectById, st);
    if (!byId)
        return finish(st.code);
    for (std::int64_t id : ids) {
        StatementUse use(byId);
        sqlite3_bind_int64(byId, 1, id);
        if (sqlite3_step(byId) != SQLITE_ROW)
            continue;
        auto row = std::make_unique<Row>();
        m_table.readRow(byId, *row, withKey);
        if (!matches(row->data))
            continue;
        if (withKey && inPrimary(row->key))
            continue;
        if (!withKey)
            row->key = orderKeyOf(row->data);
        m_extra.push_back(std::move(row));
    }
    std::sort(m_extra.begin(), m_extra.end(), [](const auto &a, const auto &b) {
        return a->key != b->key ? a->key < b->key : a->current.id < b->current.id;
    });
    return finish(DriverCode::Ok);
}

// ---- reading -----------------------------------------------------------------

int TableView::restart(const FilterNames &names, int positionComponents)
{
    if (!m_table.isOpen())
        return finish(DriverCode::FileNotOpen);
    int code = DriverCode::Ok;
    QString error;
    m_bound.reset();
    if (m_filter) {
        m_bound = m_filter->bind(m_table.layout(), names, &error);
        if (!m_bound)
            code = DriverCode::BadFilter;
    }
    m_table.dropReadAhead();
    m_ahead.clear();
    m_aheadExhausted = false;
    m_aheadForward = true;
    m_resume = false;
    m_batch = 8;
    plan();
    m_table.m_order = m_sorted ? StoredTable::ByTable : m_key;

    m_at = At::Both;
    m_curId = 0;
    m_curKey.clear();
    m_curInclusive = false;
    if (positionComponents >= 0 && (m_key >= 0 || m_sorted)) {
        KeyDef leading = m_sorted ? m_sortKey : m_table.layout().key(m_key);
        if (positionComponents < int(leading.components.size()))
            leading.components.resize(std::size_t(positionComponents));
        m_at = At::Row;
        m_curKey = encodeKey(m_table.record(), leading);
        m_curId = kMinId;
        m_curInclusive = true;
    }
    finish(code);
    if (code != DriverCode::Ok)
        m_status.fileError = error;
    return code;
}

int TableView::fetchPrimary(bool forward)
{
    m_ahead.clear();
    m_aheadForward = forward;
    m_aheadExhausted = false;
    m_aheadGeneration = m_table.m_generation ? m_table.m_generation->load() : 0;
    if (m_sorted || (m_key < 0 && !m_wholeKey)) {
        m_aheadExhausted = true;
        return DriverCode::Ok;
    }
    const auto &o = m_table.m_sql.orders[m_key + 1];
    const bool byKey = m_key >= 0;

    // Where the scan resumes: the cursor, or a boundary.
    bool fromBoundary = m_at == At::Both || (forward && m_at == At::Start) || (!forward && m_at == At::End);
    QByteArray key = m_curKey;
    std::int64_t id = m_curId;
    // A reset cursor lets next read its own record; previous never does.
    if (!fromBoundary && m_curInclusive && forward && id != kMinId)
        id -= 1;
    if ((forward && m_at == At::End) || (!forward && m_at == At::Start)) {
        m_aheadExhausted = true;
        return DriverCode::Ok;
    }
    // A boundary of a stretched key starts at its first or last stretch.
    if (fromBoundary && byKey && !m_wholeKey) {
        if (m_intervals.empty()) {
            m_aheadExhausted = true;
            return DriverCode::Ok;
        }
        fromBoundary = false;
        if (forward) {
            key = m_intervals.front().lo;
            id = kMinId;
        } else if (m_intervals.back().open) {
            fromBoundary = true;
        } else {
            key = m_intervals.back().hi;
            id = kMinId;
        }
    }

    for (int rounds = 0; rounds < 64 && int(m_ahead.size()) < m_batch; ++rounds) {
        std::vector<std::unique_ptr<Row>> raw;
        auto run = [&](sqlite3_stmt *stmt) {
            StatementUse use(stmt);
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
                auto row = std::make_unique<Row>();
                m_table.readRow(stmt, *row, byKey);
                raw.push_back(std::move(row));
            }
            return rc == SQLITE_DONE;
        };
        DriverStatus st;
        const int want = m_batch;
        if (fromBoundary) {
            sqlite3_stmt *stmt = m_table.m_connection->statement(forward ? o.first : o.last, st);
            if (!stmt)
                return finish(st.code);
            sqlite3_bind_int(stmt, 1, want);
            if (!run(stmt))
                return finish(DriverCode::RecordHeld);
        } else {
            if (byKey) {
                sqlite3_stmt *same = m_table.m_connection->statement(forward ? o.sameAfter : o.sameBefore, st);
                if (!same)
                    return finish(st.code);
                bindBlob(same, 1, key);
                sqlite3_bind_int64(same, 2, id);
                sqlite3_bind_int(same, 3, want);
                if (!run(same))
                    return finish(DriverCode::RecordHeld);
            }
            if (int(raw.size()) < want) {
                sqlite3_stmt *beyond = m_table.m_connection->statement(forward ? o.after : o.before, st);
                if (!beyond)
                    return finish(st.code);
                if (byKey)
                    bindBlob(beyond, 1, key);
                else
                    sqlite3_bind_int64(beyond, 1, id);
                sqlite3_bind_int(beyond, 2, want - int(raw.size()));
                if (!run(beyond))
                    return finish(DriverCode::RecordHeld);
            }
        }
        if (raw.empty()) {
            m_aheadExhausted = true;
            break;
        }
        fromBoundary = false;
        bool jumped = false;
        for (auto &row : raw) {
            key = row->key;
            id = row->current.id;
            if (byKey && !m_wholeKey) {
                // Outside every stretch: skip the gap to the next one.
                auto it = std::upper_bound(m_intervals.begin(), m_intervals.end(), row->key,
                                           [](const QByteArray &k, const Interval &iv) { return k < iv.lo; });
                const bool inside = it != m_intervals.begin()
                    && (std::prev(it)->open || row->key < std::prev(it)->hi);
                if (!inside) {
                    if (forward) {
                        if (it == m_intervals.end()) {
                            m_aheadExhausted = true;
                        } else {
                            key = it->lo;
                            id = kMinId;
                        }
                    } else {
                        if (it == m_intervals.begin()) {
                            m_aheadExhausted = true;
                        } else {
                            key = std::prev(it)->hi;
                            id = kMinId;
                        }
                    }
                    jumped = true;
                    break;
                }
            }
            if (matches(row->data))
                m_ahead.push_back(std::move(row));
        }
        if (m_aheadExhausted)
            break;
        if (!jumped && int(raw.size()) < want) {
            m_aheadExhausted = true;
            break;
        }
    }
    if (m_batch < kMaxBatch)
        m_batch *= 2;
    // Remember where the scan stopped so that the next fetch goes on from there.
    m_scanKey = key;
    m_scanId = id;
    return DriverCode::Ok;
}

int TableView::move(bool forward)
{
    if (!m_table.isOpen())
        return finish(DriverCode::FileNotOpen);
    const bool stale = m_table.m_generation && m_table.m_generation->load() != m_aheadGeneration;
    if (m_aheadForward != forward || stale) {
        m_ahead.clear();
        m_aheadExhausted = false;
        m_aheadForward = forward;
        m_resume = false;
    }
    if (m_ahead.empty() && !m_aheadExhausted) {
        if (m_resume) {
            // Go on from where the last fetch stopped, not from the cursor.
            const At at = m_at;
            const QByteArray key = m_curKey;
            const std::int64_t id = m_curId;
            const bool inclusive = m_curInclusive;
            m_at = At::Row;
            m_curKey = m_scanKey;
            m_curId = m_scanId;
            m_curInclusive = false;
            const int code = fetchPrimary(forward);
            m_at = at;
            m_curKey = key;
            m_curId = id;
            m_curInclusive = inclusive;
            if (code != DriverCode::Ok)
                return code;
        } else if (int code = fetchPrimary(forward); code != DriverCode::Ok) {
            return code;
        }
        m_resume = true;
    }

    // The next merged row after the cursor, if any.
    const Row *extra = nullptr;
    if (!m_extra.empty() && !(forward && m_at == At::End) && !(!forward && m_at == At::Start)) {
        auto less = [](const std::unique_ptr<Row> &r, const std::pair<QByteArray, std::int64_t> &k) {
            return r->key != k.first ? r->key < k.first : r->current.id < k.second;
        };
        if (forward) {
            auto it = m_at != At::Row ? m_extra.begin()
                                        : std::lower_bound(m_extra.begin(), m_extra.end(),
                                                           std::make_pair(m_curKey, m_curId), less);
            if (it != m_extra.end() && m_at == At::Row && !m_curInclusive && (*it)->key == m_curKey
                && (*it)->current.id == m_curId)
                ++it;
            if (it != m_extra.end())
                extra = it->get();
        } else {
            auto it = m_at != At::Row ? m_extra.end()
                                      : std::lower_bound(m_extra.begin(), m_extra.end(),
                                                         std::make_pair(m_curKey, m_curId), less);
            if (it != m_extra.begin())
                extra = std::prev(it)->get();
        }
    }
    const Row *primary = m_ahead.empty() ? nullptr : m_ahead.front().get();
    const Row *chosen = nullptr;
    if (primary && extra) {
        const bool primaryFirst = primary->key != extra->key ? (primary->key < extra->key) == forward
                                                             : (primary->current.id < extra->current.id) == forward;
        chosen = primaryFirst ? primary : extra;
    } else {
        chosen = primary ? primary : extra;
    }
    if (!chosen) {
        m_at = forward ? At::End : At::Start;
        m_ahead.clear();
        m_aheadExhausted = false;
        m_resume = false;
        return finish(DriverCode::NoRecord);
    }
    // A read-ahead row is handed over, not copied; a merged one stays for
    // reading back.
    Row copy = chosen == primary ? std::move(*m_ahead.front()) : *chosen;
    if (chosen == primary)
        m_ahead.pop_front();
    m_at = At::Row;
    m_curKey = copy.key;
    m_curId = copy.current.id;
    m_curInclusive = false;
    m_table.takeRow(copy);
    return finish(DriverCode::Ok);
}

int TableView::next()
{
    return move(true);
}

int TableView::previous()
{
    return move(false);
}

QString TableView::position() const
{
    if (m_at != At::Row || m_curId <= 0)
        return QString();
    if (m_key < 0 || m_sorted)
        return QStringLiteral("T:%1").arg(m_curId);
    return QStringLiteral("K%1:%2:%3").arg(m_key).arg(QString::fromLatin1(m_curKey.toHex())).arg(m_curId);
}

int TableView::reset(const QString &position)
{
    const QStringList parts = position.split(QLatin1Char(':'));
    bool ok = false;
    std::int64_t id = 0;
    QByteArray key;
    if (parts.size() == 2 && parts[0] == QLatin1String("T")) {
        id = parts[1].toLongLong(&ok);
        if (ok && (m_sorted || m_key >= 0)) {
            // Only the record itself knows where it stands in this order.
            const int state = m_table.saveState();
            if (m_table.reget(position) == DriverCode::Ok) {
                std::vector<std::uint8_t> data(m_table.record().data(),
                                               m_table.record().data() + m_table.record().size());
                key = orderKeyOf(data);
            }
            m_table.restoreState(state);
            m_table.freeState(state);
        }
    } else if (parts.size() == 3 && parts[0] == QStringLiteral("K%1").arg(m_key)) {
        key = QByteArray::fromHex(parts[1].toLatin1());
        id = parts[2].toLongLong(&ok);
    }
    if (!ok || id <= 0)
        return finish(DriverCode::RecordNotFound);
    m_at = At::Row;
    m_curKey = key;
    m_curId = id;
    m_curInclusive = true;
    m_ahead.clear();
    m_aheadExhausted = false;
    m_resume = false;
    return finish(DriverCode::Ok);
}

} // namespace tavimo
