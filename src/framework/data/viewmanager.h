#pragma once

#include "filterexpression.h"
#include "result.h"

#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace tavimo {

class FileManager;
class RelationManager;
class TableView;
class ThreadContext;

// Reads a filtered, ordered set of records of one table for a list or a
// report. It keeps sort orders, each with its key, its range limit and its
// named filters, turns them into the view's filter and order texts, and
// hands records one by one to its user.
class ViewManager
{
public:
    enum LimitType { NoLimit = 0, LimitCurrent = 1, LimitPair = 3, LimitRelation = 4 };

    struct RangeField
    {
        int field = -1;                       // the primary table's field (0-based)
        RelationManager *related = nullptr;   // kind 4: the table the value comes from
        int hisField = -1;                    // kind 4: its field
        FilterValue value;                    // the value applied last
        FilterValue high;                     // kind 3, last field: the upper end
    };
    struct SortOrder
    {
        int mainKey = -1;   // MAINKEY
        QString order;      // ORDER: text added after the key's fields, or replacing them ("*...")
        int limitType = NoLimit;
        std::vector<RangeField> ranges;          // RANGELIST
        std::map<QString, QString> filters;      // FILTER: id -> text
        int freeElement = 0;                     // FREEELEMENT: first key component left free
        bool applied = false;
    };

    ViewManager();
    virtual ~ViewManager();
    ViewManager(const ViewManager &) = delete;
    ViewManager &operator=(const ViewManager &) = delete;

    void setup(RelationManager &primary);
    RelationManager &primary() const { return *m_primary; }
    FileManager &file() const;
    ThreadContext &context() const;
    TableView &view() const { return *m_view; }

    int addOrder(int key = -1);     // the new order's number, from 1
    void selectOrder(int number);
    int currentOrder() const { return m_current + 1; }
    SortOrder &order() { return m_orders[std::size_t(m_current)]; }
    void extendOrder(const QString &text);
    void limitToCurrent(int field);
    void limitToPair(int field, const FilterValue &low, const FilterValue &high); // kind 3: the last field
    void limitToRelation(int field, RelationManager &related, int hisField);
    void putFilter(const QString &text, const QString &id = QStringLiteral("5 Standard"));
    bool rangeChanged();

    // The texts the current order gives the view.
    QString filterText();
    QString orderText() const;
    int buildFilter(); // 0, or the result of message 43
    int buildOrder();

    int open();
    int restart(int components = 0);
    int next();
    int previous();
    // 0 take the record, 1 it is past the range (stop), 2 skip it.
    virtual int checkViewRecord() { return 0; }
    int newRecord(bool keepContents = false);
    int close();
    bool isOpen() const { return m_opened; }

    // Names bound by the procedure for its filters (looked at before the
    // program's own names).
    FilterNameList &names() { return m_names; }

    static constexpr int PAGESIZE = 20;
    static constexpr int PAGESBEHIND = 2;
    static constexpr int PAGESAHEAD = 0;
    static constexpr int TIMEOUT = 60;

private:
    int read(bool forward);
    void addRange(int limitType, const RangeField &range);
    QString rangeText();
    void captureRangeValues();
    bool orderComponents(std::vector<KeyComponent> &out) const;

    RelationManager *m_primary = nullptr;
    std::unique_ptr<TableView> m_view;
    std::vector<SortOrder> m_orders;
    int m_current = 0;
    bool m_opened = false;
    FilterNameList m_names;
};

} // namespace tavimo
