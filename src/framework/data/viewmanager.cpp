#include "viewmanager.h"

#include "contextnames.h"
#include "driverstatus.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "relationmanager.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tableview.h"
#include "threadcontext.h"

#include <QStringList>

namespace tavimo {

namespace {

constexpr int kMaxFilter = 5000;

QString literal(const FilterValue &v)
{
    if (v.kind == FilterValue::Kind::Text) {
        QString s = v.text;
        s.replace(QLatin1Char('\''), QLatin1String("''"));
        return QLatin1Char('\'') + s + QLatin1Char('\'');
    }
    return QString::number(v.number, 'g', 15);
}

// A text value goes through the same function as the name it is compared with.
QString valueFor(const QString &name, const FilterValue &v)
{
    const QString text = literal(v);
    if (v.kind != FilterValue::Kind::Text)
        return text;
    if (name.startsWith(QLatin1String("UPPER("), Qt::CaseInsensitive))
        return QStringLiteral("UPPER(") + text + QLatin1Char(')');
    if (name.startsWith(QLatin1String("LOWER("), Qt::CaseInsensitive))
        return QStringLiteral("LOWER(") + text + QLatin1Char(')');
    return text;
}

} // namespace

ViewManager::ViewManager() = default;
ViewManager::~ViewManager()
{
    if (m_opened)
        close();
}

void ViewManager::setup(RelationManager &primary)
{
    m_primary = &primary;
    m_view = std::make_unique<TableView>(primary.file().table());
    m_orders.clear();
    m_current = 0;
}

FileManager &ViewManager::file() const
{
    return m_primary->file();
}

ThreadContext &ViewManager::context() const
{
    return m_primary->context();
}

int ViewManager::addOrder(int key)
{
    SortOrder o;
    o.mainKey = key;
    m_orders.push_back(o);
    m_current = int(m_orders.size()) - 1;
    return m_current + 1;
}

void ViewManager::selectOrder(int number)
{
    if (number >= 1 && number <= int(m_orders.size()))
        m_current = number - 1;
}

void ViewManager::extendOrder(const QString &text)
{
    if (m_orders.empty())
        addOrder();
    QString &order = this->order().order;
    // The "*" stays in front: it tells that the key's own fields are not used.
    if (text.startsWith(QLatin1Char('*')))
        order = text;
    else if (order.isEmpty())
        order = text;
    else
        order += QLatin1Char(',') + text;
}

void ViewManager::addRange(int limitType, const RangeField &range)
{
    if (m_orders.empty())
        addOrder();
    SortOrder &o = order();
    o.limitType = limitType;
    o.ranges.push_back(range);
    o.freeElement = int(o.ranges.size());
}

void ViewManager::limitToCurrent(int field)
{
    RangeField r;
    r.field = field;
    addRange(LimitCurrent, r);
}

// The fields limited before stay equal to their current values.
void ViewManager::limitToPair(int field, const FilterValue &low, const FilterValue &high)
{
    RangeField r;
    r.field = field;
    r.value = low;
    r.high = high;
    addRange(LimitPair, r);
}

void ViewManager::limitToRelation(int field, RelationManager &related, int hisField)
{
    RangeField r;
    r.field = field;
    r.related = &related;
    r.hisField = hisField;
    addRange(LimitRelation, r);
}

void ViewManager::putFilter(const QString &text, const QString &id)
{
    if (m_orders.empty())
        addOrder();
    const QString key = id.left(30);
    if (text.trimmed().isEmpty())
        order().filters.erase(key);
    else
        order().filters[key] = text;
}

// The values the range fields have now.
void ViewManager::captureRangeValues()
{
    SortOrder &o = order();
    const Record &record = file().record();
    for (std::size_t i = 0; i < o.ranges.size(); ++i) {
        RangeField &r = o.ranges[i];
        const bool pair = o.limitType == LimitPair && i + 1 == o.ranges.size();
        if (pair)
            continue;
        if (o.limitType == LimitRelation && r.related)
            r.value = filterValueOf(r.related->file().record(), r.hisField);
        else
            r.value = filterValueOf(record, r.field);
    }
}

bool ViewManager::rangeChanged()
{
    if (m_orders.empty())
        return false;
    SortOrder &o = order();
    std::vector<FilterValue> before;
    for (const RangeField &r : o.ranges)
        before.push_back(r.value);
    captureRangeValues();
    for (std::size_t i = 0; i < o.ranges.size(); ++i)
        if (!(before[i] == o.ranges[i].value))
            return true;
    return !o.applied;
}

QString ViewManager::rangeText()
{
    SortOrder &o = order();
    if (o.limitType != LimitCurrent && o.limitType != LimitPair && o.limitType != LimitRelation)
        return QString();
    captureRangeValues();
    // The name is the key component's filter text; without a key, the field's name.
    auto nameOf = [&](std::size_t i) {
        const auto &keys = file().keys();
        for (const auto &k : keys)
            if (k.key == o.mainKey && i < k.components.size() && k.components[i].field == o.ranges[i].field)
                return k.components[i].filterName;
        return file().layout().field(o.ranges[i].field).name;
    };
    QStringList parts;
    for (std::size_t i = 0; i < o.ranges.size(); ++i) {
        const RangeField &r = o.ranges[i];
        const QString name = nameOf(i);
        if (o.limitType == LimitPair && i + 1 == o.ranges.size()) {
            parts << name + QLatin1String(" >= ") + valueFor(name, r.value);
            parts << name + QLatin1String(" <= ") + valueFor(name, r.high);
        } else {
            parts << name + QLatin1String(" = ") + valueFor(name, r.value);
        }
    }
    return parts.join(QLatin1String(" AND "));
}

QString ViewManager::filterText()
{
    if (m_orders.empty())
        return QString();
    file().use(FileManager::UseSetup);
    QString text = rangeText();
    // Named filters in descending order of their ids: "9 - QBE" before "5 Standard".
    const auto &filters = order().filters;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        text += (text.isEmpty() ? QLatin1String("(") : QLatin1String(" AND (")) + it->second + QLatin1Char(')');
    return text.left(kMaxFilter);
}

bool ViewManager::orderComponents(std::vector<KeyComponent> &out) const
{
    out.clear();
    if (m_orders.empty())
        return true;
    const SortOrder &o = m_orders[std::size_t(m_current)];
    const TableLayout &layout = file().layout();
    QString text = o.order;
    const bool replaced = o.order.startsWith(QLatin1Char('*'));
    if (replaced)
        text = text.mid(1);
    if (o.mainKey >= 0 && !replaced)
        out = layout.key(o.mainKey).components;
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString item : items) {
        item = item.trimmed();
        bool ascending = true;
        if (item.startsWith(QLatin1Char('+')) || item.startsWith(QLatin1Char('-'))) {
            ascending = item.startsWith(QLatin1Char('+'));
            item = item.mid(1).trimmed();
        }
        for (const char *fn : {"UPPER(", "LOWER("})
            if (item.startsWith(QLatin1String(fn), Qt::CaseInsensitive) && item.endsWith(QLatin1Char(')')))
                item = item.mid(6, item.size() - 7).trimmed();
        const int field = layout.fieldIndex(item);
        if (field < 0 || !item.contains(QLatin1Char(':')))
            return false;
        out.push_back(KeyComponent{field, ascending});
    }
    return true;
}

QString ViewManager::orderText() const
{
    std::vector<KeyComponent> comps;
    if (!orderComponents(comps))
        return QString();
    QStringList parts;
    for (const KeyComponent &c : comps)
        parts << (c.ascending ? QLatin1String("+") : QLatin1String("-")) + file().layout().field(c.field).name;
    return parts.join(QLatin1Char(','));
}

int ViewManager::buildFilter()
{
    const int code = m_view->setFilter(filterText());
    if (code == DriverCode::Ok)
        return ResultOk;
    context().storage().setLastStatus(m_view->status());
    return file().raise(43);
}

int ViewManager::buildOrder()
{
    std::vector<KeyComponent> comps;
    if (!orderComponents(comps)) {
        DriverStatus s = DriverStatus::make(DriverCode::BadFilter);
        s.fileError = QStringLiteral("unknown field in the order");
        context().storage().setLastStatus(s);
        m_view->setOrder({});
        return file().raise(43);
    }
    m_view->setOrder(comps);
    return ResultOk;
}

int ViewManager::open()
{
    if (!m_opened) {
        const int opened = m_primary->open();
        if (opened != ResultOk)
            return opened;
        m_opened = true;
    }
    if (file().use() != ResultOk)
        return ResultFatal;
    if (m_orders.empty())
        addOrder();
    const int order = buildOrder();
    const int filter = buildFilter();
    return order != ResultOk ? order : filter;
}

int ViewManager::restart(int components)
{
    if (file().use() != ResultOk)
        return ResultFatal;
    if (m_orders.empty())
        addOrder();
    int result = buildOrder();
    const int filtered = buildFilter();
    if (result == ResultOk)
        result = filtered;
    order().applied = true;
    ContextNames names(context(), &m_names);
    const int code = m_view->restart(names, components > 0 ? components : -1);
    if (code != DriverCode::Ok) {
        context().storage().setLastStatus(m_view->status());
        return file().raise(43);
    }
    return result;
}

int ViewManager::read(bool forward)
{
    for (;;) {
        const int code = forward ? m_view->next() : m_view->previous();
        if (code == DriverCode::NoRecord)
            return ResultNotify;
        if (code != DriverCode::Ok) {
            context().storage().setLastStatus(m_view->status());
            file().raise(1);
            return ResultFatal;
        }
        switch (checkViewRecord()) {
        case 0:
            return ResultOk;
        case 1:
            return ResultNotify;
        default:
            continue;
        }
    }
}

int ViewManager::next()
{
    return read(true);
}

int ViewManager::previous()
{
    return read(false);
}

int ViewManager::newRecord(bool keepContents)
{
    Record &record = file().record();
    if (!keepContents)
        record.clear();
    if (!m_orders.empty()) {
        const SortOrder &o = order();
        for (std::size_t i = 0; i < o.ranges.size(); ++i) {
            const bool pair = o.limitType == LimitPair && i + 1 == o.ranges.size();
            if (!pair && o.limitType != NoLimit)
                putFilterValue(record, o.ranges[i].field, o.ranges[i].value);
        }
    }
    return file().newRecord(true);
}

int ViewManager::close()
{
    if (!m_opened)
        return ResultOk;
    m_opened = false;
    return m_primary->close();
}

} // namespace tavimo
