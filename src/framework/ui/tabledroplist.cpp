#include "tabledroplist.h"

#include "softcheck.h"

#include "browsemodel.h"
#include "contextnames.h"
#include "filemanager.h"
#include "formwindow.h"
#include "procedurewindow.h"
#include "record.h"
#include "relationmanager.h"
#include "tableview.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QStandardItemModel>

namespace tavimo {

namespace {

class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// Copies one field into another of any kind: same kinds as they are,
// texts as text, the rest through their values.
void copyField(const Record &from, int source, Record &to, int target)
{
    const FieldType s = from.layout().field(source).type;
    const FieldType t = to.layout().field(target).type;
    if (isTextType(t)) {
        to.setText(target, isTextType(s) ? from.text(source) : BrowseModel::formatField(from, source, Picture()).trimmed());
        return;
    }
    const FilterValue v = filterValueOf(from, source);
    const double n = v.kind == FilterValue::Kind::Text ? v.text.trimmed().toDouble() : v.number;
    switch (t) {
    case FieldType::Date:
        to.setDate(target, Date(std::int32_t(n)));
        break;
    case FieldType::Time:
        to.setTime(target, Time(std::int32_t(n)));
        break;
    case FieldType::Real:
        to.setReal(target, n);
        break;
    case FieldType::Decimal:
        to.setDecimal(target, s == FieldType::Decimal ? from.decimal(source) : Decimal::fromCents(std::llround(n * 100)));
        break;
    case FieldType::Short:
    case FieldType::Byte:
        to.setInteger(target, int(n));
        break;
    default:
        break;
    }
}

} // namespace

TableDropList::TableDropList() = default;
TableDropList::~TableDropList() = default;

void TableDropList::setup(QComboBox &list, ProcedureWindow &window, RelationManager &reference)
{
    ViewManager::setup(reference);
    m_list = &list;
    m_window = &window;
    m_model = new QStandardItemModel(this);
    list.setModel(m_model);
    list.setInsertPolicy(QComboBox::NoInsert);
    connect(&list, qOverload<int>(&QComboBox::activated), this, &TableDropList::userPicked);
    window.addComponent(this);
    m_attached = true;
}

int TableDropList::fieldOf(const QString &name) const
{
    const int f = file().layout().fieldIndex(name);
    softCheck(f >= 0, "TableDropList", name);
    return f;
}

void TableDropList::addDisplayField(const QString &source)
{
    const int f = fieldOf(source);
    if (f < 0)
        return;
    m_display.push_back(f);
    if (m_model)
        m_model->setColumnCount(int(m_display.size()));
}

void TableDropList::addUpdateField(const QString &source, Record &target, const QString &targetField)
{
    Pair p;
    p.source = fieldOf(source);
    p.target = &target;
    p.targetField = target.layout().fieldIndex(targetField);
    if (p.source < 0 || !softCheck(p.targetField >= 0, "TableDropList::addUpdateField", targetField))
        return;
    m_update.push_back(p);
}

int TableDropList::placeRow(Row &&row)
{
    m_rows.push_back(std::move(row));
    return int(m_rows.size()) - 1;
}

bool TableDropList::matchesEdited() const
{
    const Record &source = file().record();
    if (initSyncPair > 0) {
        if (initSyncPair > int(m_update.size()))
            return false;
        const Pair &p = m_update[std::size_t(initSyncPair - 1)];
        const FilterValue mine = filterValueOf(source, p.source);
        const FilterValue theirs = filterValueOf(*p.target, p.targetField);
        if (mine.kind == FilterValue::Kind::Text && theirs.kind == FilterValue::Kind::Text)
            return mine.text.trimmed() == theirs.text.trimmed();
        return mine == theirs;
    }
    if (m_display.empty())
        return false;
    return BrowseModel::formatField(source, m_display.front(), Picture()) == displayValue();
}

int TableDropList::fillList(bool force)
{
    if (!m_list)
        return 0;
    const bool rangeMoved = rangeChanged();
    if (m_loaded && !force && !rangeMoved && m_appliedFilter == filterText())
        return m_selected;
    const BusyCursor busy;
    m_rows.clear();
    m_selected = 0;
    int matched = -1;
    if (open() == ResultFatal || !isOpen()) {
        showSelected();
        return 0;
    }
    if (restart() != ResultFatal) {
        while (next() == ResultOk) {
            if (!validateRow())
                continue;
            Row row;
            for (int f : m_display)
                row.columns << BrowseModel::formatField(file().record(), f, Picture());
            row.position = view().position();
            const bool match = matched < 0 && matchesEdited();
            const int at = placeRow(std::move(row));
            if (at < 0)
                continue;
            // A row placed before the remembered one moves it down.
            if (matched >= 0 && at <= matched)
                ++matched;
            if (match)
                matched = at;
        }
    }
    m_appliedFilter = filterText();
    close();
    m_loaded = true;
    if (matched < 0 && defaultFill && !m_rows.empty())
        matched = 0;
    m_selected = matched + 1;
    showSelected();
    if (m_selected > 0)
        takeSelection(m_selected);
    rowsFilled();
    return m_selected;
}

// The rows into the control, and its current row.
void TableDropList::showSelected()
{
    if (!m_list || !m_model)
        return;
    m_setting = true;
    const QString typed = m_list->isEditable() ? m_list->currentText() : QString();
    m_model->setRowCount(0);
    m_model->setColumnCount(std::max<int>(1, int(m_display.size())));
    for (const Row &r : m_rows) {
        QList<QStandardItem *> items;
        for (const QString &c : r.columns) {
            auto *item = new QStandardItem(c);
            item->setEditable(false);
            items << item;
        }
        if (items.isEmpty())
            items << new QStandardItem;
        m_model->appendRow(items);
    }
    m_list->setCurrentIndex(m_selected - 1);
    if (m_list->isEditable() && m_selected == 0)
        m_list->setEditText(typed);
    m_setting = false;
}

void TableDropList::userPicked(int index)
{
    if (m_setting)
        return;
    m_selected = index + 1;
    takeSelection(m_selected);
}

void TableDropList::clearTargets()
{
    for (const Pair &p : m_update)
        p.target->clearField(p.targetField);
    redrawTargets();
}

// The form's controls over the target fields show the copied values.
void TableDropList::redrawTargets()
{
    auto *form = qobject_cast<FormWindow *>(m_window.data());
    if (!form)
        return;
    for (const auto &b : form->bindings())
        for (const Pair &p : m_update)
            if (p.target == &form->record() && b->field() == p.targetField)
                b->load(*p.target);
}

void TableDropList::takeSelection(int rowNumber)
{
    if (rowNumber < 1 || rowNumber > int(m_rows.size())) {
        m_selected = 0;
        clearTargets();
        emit selectionTaken(0);
        return;
    }
    m_selected = rowNumber;
    bool read = false;
    if (open() != ResultFatal && isOpen()) {
        read = file().readAt(m_rows[std::size_t(rowNumber - 1)].position) == ResultOk;
        if (read) {
            putDisplayValue(m_rows[std::size_t(rowNumber - 1)].columns.value(0));
            for (const Pair &p : m_update)
                copyField(file().record(), p.source, *p.target, p.targetField);
            redrawTargets();
        }
        close();
    }
    // A record that cannot be read gives no stale values.
    if (!read)
        clearTargets();
    if (m_list && m_list->currentIndex() != rowNumber - 1) {
        m_setting = true;
        m_list->setCurrentIndex(rowNumber - 1);
        m_setting = false;
    }
    m_loaded = true;
    m_allowReset = true;
    emit selectionTaken(read ? rowNumber : 0);
}

void TableDropList::reset(bool force)
{
    if (m_attached)
        fillList(force);
}

void TableDropList::kill()
{
    if (!m_attached)
        return;
    m_attached = false;
    m_rows.clear();
    m_selected = 0;
    if (isOpen())
        close();
    if (m_model && m_list) {
        m_setting = true;
        m_model->setRowCount(0);
        m_setting = false;
    }
}

} // namespace tavimo
