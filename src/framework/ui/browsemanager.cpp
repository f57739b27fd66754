#include "browsemanager.h"

#include "browselist.h"
#include "browsemodel.h"
#include "softcheck.h"
#include "contextnames.h"
#include "driverstatus.h"
#include "filemanager.h"
#include "procedurewindow.h"
#include "relationmanager.h"
#include "storedtable.h"
#include "tableview.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

namespace tavimo {

namespace {

class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

QString idPosition(qint64 id)
{
    return QStringLiteral("T:%1").arg(id);
}

} // namespace

BrowseManager::BrowseManager() = default;

BrowseManager::~BrowseManager()
{
    delete m_popup.data();
}

void BrowseManager::setup(BrowseList &list, RelationManager &primary, ProcedureWindow &window)
{
    ViewManager::setup(primary);
    m_list = &list;
    m_window = &window;
    m_model = new BrowseModel(this);
    list.setModel(m_model);

    connect(&list, &BrowseList::scrollRequested, this, &BrowseManager::onListEvent);
    connect(&list, &BrowseList::wheelRows, this, &BrowseManager::scrollRows);
    connect(&list, &BrowseList::thumbDropped, this, &BrowseManager::dropThumb);
    connect(&list, &BrowseList::keyTyped, this, &BrowseManager::onListKey);
    connect(&list, &BrowseList::actionKeyPressed, this, &BrowseManager::pressForKey);
    connect(&list, &BrowseList::popupRequested, this, &BrowseManager::showPopup);
    connect(&list, &BrowseList::rowsFitChanged, this, &BrowseManager::rowsFitChanged);
    connect(&list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            activated();
    });
    connect(list.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (m_updating || !current.isValid() || current.row() >= int(m_rows.size()))
                    return;
                m_choice = current.row() + 1;
                takeHighlighted();
                showThumb();
            });
    window.addComponent(this);
}

int BrowseManager::addColumn(const QString &heading, const QString &field, const QString &picture, int width)
{
    Column c;
    c.heading = heading;
    c.field = field.isEmpty() ? -1 : file().layout().fieldIndex(field);
    // A misspelt field leaves the column blank rather than reading nothing.
    softCheck(field.isEmpty() || c.field >= 0, "BrowseManager::addColumn", field);
    QString text = picture;
    if (text.isEmpty() && c.field >= 0)
        text = Picture::naturalFor(file().layout().field(c.field));
    if (const std::optional<Picture> parsed = Picture::parse(text))
        c.picture = *parsed;
    c.width = width > 0 ? width : (c.picture.width() > 0 ? c.picture.width() : 12);

    BrowseModel::Column shown;
    shown.heading = heading;
    if (c.picture.kind() == Picture::Kind::Number)
        shown.alignment = Qt::AlignRight | Qt::AlignVCenter;
    m_columns.push_back(c);
    m_model->addColumn(shown);

    // As wide as the field, within reason, and never narrower than its heading.
    const QFontMetrics fm = m_list->fontMetrics();
    const int chars = std::min(c.width, 40);
    int pixels = std::max(fm.averageCharWidth() * chars, fm.horizontalAdvance(heading)) + 16;
    // Dates and times as the desktop writes them, which average widths underrate.
    if (c.picture.kind() == Picture::Kind::Date)
        pixels = std::max(pixels, fm.horizontalAdvance(c.picture.format(Date::fromYmd(2026, 12, 28))) + 16);
    else if (c.picture.kind() == Picture::Kind::Time)
        pixels = std::max(pixels, fm.horizontalAdvance(c.picture.format(Time::fromHms(22, 58))) + 16);
    m_list->horizontalHeader()->resizeSection(int(m_columns.size()) - 1, pixels);
    return int(m_columns.size()) - 1;
}

int BrowseManager::addOrder(int key)
{
    m_hasOrder = true;
    return ViewManager::addOrder(key);
}

BrowseManager::OrderExtras &BrowseManager::extras()
{
    return m_extras[currentOrder()];
}

const BrowseManager::OrderExtras *BrowseManager::extrasOf() const
{
    const auto it = m_extras.find(currentOrder());
    return it == m_extras.end() ? nullptr : &it->second;
}

void BrowseManager::attachLocator()
{
    extras().locator = true;
}

void BrowseManager::attachStep(int flags, int mode)
{
    if (freeDescending())
        flags |= BrowseStep::Descending;
    extras().step = std::make_unique<BrowseStep>(flags, mode);
}

bool BrowseManager::hasLocator() const
{
    const OrderExtras *e = extrasOf();
    return e && e->locator;
}

const BrowseStep *BrowseManager::step() const
{
    const OrderExtras *e = extrasOf();
    return e ? e->step.get() : nullptr;
}

// The first key component the range leaves free: locators and steps work on it.
int BrowseManager::freeField() const
{
    if (!m_hasOrder)
        return -1;
    auto *self = const_cast<BrowseManager *>(this);
    const SortOrder &o = self->order();
    if (o.mainKey < 0 || o.order.startsWith(QLatin1Char('*')))
        return -1;
    const KeyDef &key = file().layout().key(o.mainKey);
    if (o.freeElement < 0 || o.freeElement >= int(key.components.size()))
        return -1;
    return key.components[std::size_t(o.freeElement)].field;
}

bool BrowseManager::freeDescending() const
{
    if (!m_hasOrder)
        return false;
    auto *self = const_cast<BrowseManager *>(this);
    const SortOrder &o = self->order();
    if (o.mainKey < 0)
        return false;
    const KeyDef &key = file().layout().key(o.mainKey);
    if (o.freeElement < 0 || o.freeElement >= int(key.components.size()))
        return false;
    return !key.components[std::size_t(o.freeElement)].ascending;
}

void BrowseManager::setControl(int which, QAbstractButton *button)
{
    if (which < 0 || which >= ControlCount)
        return;
    if (QAbstractButton *old = m_controls[std::size_t(which)])
        disconnect(old, nullptr, this, nullptr);
    m_controls[std::size_t(which)] = button;
    if (!button)
        return;
    connect(button, &QAbstractButton::clicked, this, [this, which] {
        switch (which) {
        case InsertControl:
            runAction(Request::Insert);
            break;
        case ChangeControl:
            runAction(Request::Change);
            break;
        case DeleteControl:
            runAction(Request::Delete);
            break;
        case ViewControl:
            runAction(Request::View);
            break;
        case SelectControl:
            select();
            break;
        case PrintControl:
            print();
            break;
        case QueryControl:
            if (m_query)
                m_query();
            break;
        case ToolControl:
            if (m_tool)
                m_tool();
            break;
        default:
            break;
        }
    });
}

// ---- opening -------------------------------------------------------------------

int BrowseManager::openList()
{
    ViewManager::open(); // a refused filter has been reported and is ignored
    if (!ViewManager::isOpen())
        return ResultFatal;
    m_opened = true;
    m_hasOrder = true; // opening gives a list without orders one
    m_dead = false;
    m_selecting = m_window && m_window->request == Request::Select;
    if (m_selecting) {
        // The caller gets the highlighted record back, or its own on any other close.
        file().use(FileManager::UseWrite);
        m_savedBuffer = file().saveRecord();
    }
    showButtons();
    fill(FillKeep);
    return ResultOk;
}

void BrowseManager::rowsFitChanged(int rows)
{
    if (!m_opened || m_dead)
        return;
    const bool changed = rows != m_lastItems;
    m_lastItems = rows;
    if (m_loadPending || (m_loaded && changed))
        fill(FillKeep);
}

// ---- the rows ------------------------------------------------------------------

BrowseManager::Row BrowseManager::makeRow()
{
    Row row(file().layout());
    row.record = file().record();
    row.position = view().position();
    row.id = file().table().recordId();
    rowFromRecord(row);
    return row;
}

void BrowseManager::rowFromRecord(Row &row)
{
    row.columns.clear();
    for (const Column &c : m_columns)
        row.columns << (c.field >= 0 ? BrowseModel::formatField(row.record, c.field, c.picture) : QString());
}

void BrowseManager::publish()
{
    if (!m_model)
        return;
    std::vector<QStringList> shown;
    shown.reserve(m_rows.size());
    for (const Row &r : m_rows)
        shown.push_back(r.columns);
    m_updating = true;
    m_model->setRows(std::move(shown));
    if (m_list && m_choice > 0 && m_choice <= int(m_rows.size())) {
        const int column = std::max(0, m_list->currentIndex().column());
        const QModelIndex at = m_model->index(m_choice - 1, std::min(column, m_model->columnCount() - 1));
        m_list->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (m_list) {
        m_list->selectionModel()->clear();
    }
    m_updating = false;
}

void BrowseManager::highlight(int choice)
{
    if (m_rows.empty())
        return;
    m_choice = std::clamp(choice, 1, int(m_rows.size()));
    takeHighlighted();
    publish();
    showThumb();
}

void BrowseManager::takeHighlighted()
{
    if (m_choice >= 1 && m_choice <= int(m_rows.size())) {
        file().record() = m_rows[std::size_t(m_choice - 1)].record;
        emit recordTaken();
    }
}

// An empty list leaves a blank buffer, but one still inside the range, so
// that the next fill and a new record keep to it.
void BrowseManager::clearBuffer()
{
    file().record().clear();
    putRangeValues();
}

void BrowseManager::putRangeValues()
{
    const SortOrder &o = order();
    if (o.limitType != LimitCurrent && o.limitType != LimitPair && o.limitType != LimitRelation)
        return;
    if (!o.applied)
        return;
    for (std::size_t i = 0; i < o.ranges.size(); ++i) {
        if (o.limitType == LimitPair && i + 1 == o.ranges.size())
            continue;
        putFilterValue(file().record(), o.ranges[i].field, o.ranges[i].value);
    }
}

bool BrowseManager::positionView(const QString &position)
{
    m_cursorId = 0;
    return !position.isEmpty() && view().reset(position) == DriverCode::Ok;
}

void BrowseManager::fatal()
{
    m_dead = true;
    if (QPointer<ProcedureWindow> w = m_window)
        QMetaObject::invokeMethod(
            w, [w] {
                if (w && w->isRunning())
                    w->endWith(Response::Cancelled);
            },
            Qt::QueuedConnection);
}

int BrowseManager::fetchRows(int direction, int count)
{
    const bool forward = direction == Forward;
    m_itemsToFill = count;
    int read = 0;
    qint64 skip = 0;
    if (!m_rows.empty()) {
        const Row &edge = forward ? m_rows.back() : m_rows.front();
        // Reading on from where the view stands costs nothing extra.
        if (m_cursorId != edge.id || m_cursorDirection != direction) {
            if (!positionView(edge.position)) {
                m_itemsToFill = 0;
                return 0;
            }
            skip = edge.id;
        }
    }
    bool first = true;
    while (m_itemsToFill > 0 && !m_dead) {
        const int result = forward ? next() : previous();
        if (result == ResultNotify) {
            (forward ? m_atBottom : m_atTop) = true;
            m_cursorId = 0;
            break;
        }
        if (result != ResultOk) {
            m_cursorId = 0;
            fatal();
            break;
        }
        const qint64 id = file().table().recordId();
        m_cursorId = id;
        m_cursorDirection = direction;
        if (first && skip && id == skip) {
            first = false;
            continue;
        }
        first = false;
        if (m_lastItems > 0 && int(m_rows.size()) >= m_lastItems) {
            if (forward) {
                m_rows.pop_front();
                m_atTop = false;
            } else {
                m_rows.pop_back();
                m_atBottom = false;
            }
        }
        if (forward)
            m_rows.push_back(makeRow());
        else
            m_rows.push_front(makeRow());
        --m_itemsToFill;
        ++read;
    }
    m_itemsToFill = 0;
    return read;
}

void BrowseManager::fill(int mode)
{
    if (mode == FillRecord) {
        // Positioned on the order's values in the buffer.
        fillFrom(FillRecord, QString(), 0, true);
        return;
    }
    fillFrom(FillKeep, QString(), 0, false);
}

void BrowseManager::refillAtRecord()
{
    const qint64 id = file().table().recordId();
    if (id > 0)
        fillFrom(FillRecord, idPosition(id), id, false);
    else
        fill(FillKeep);
}

void BrowseManager::fillAtValue(const QString &value)
{
    const int field = freeField();
    if (field < 0)
        return;
    file().record().setText(field, value);
    fillFrom(FillRecord, QString(), 0, true);
}

void BrowseManager::fillFrom(int mode, const QString &targetPosition, qint64 targetId, bool byValue)
{
    if (!m_list || !m_opened || m_dead)
        return;
    if (!m_list->isVisible() && !activeInvisible) {
        m_loadPending = true;
        return;
    }
    m_loaded = true;
    m_loadPending = false;
    const WaitCursor wait;
    if (m_lastItems <= 0)
        m_lastItems = m_list->visibleRows();
    if (m_choice == 0)
        m_choice = 1;

    measureSteps();

    qint64 remember = 0;
    int retained = 0;
    QString anchor;
    bool fromStart = false;
    if (mode == FillKeep) {
        if (!m_rows.empty()) {
            const Row &h = m_choice <= int(m_rows.size()) ? m_rows[std::size_t(m_choice - 1)] : m_rows.back();
            remember = h.id;
            anchor = m_rows.front().position;
        } else {
            fromStart = true;
        }
    } else {
        remember = targetId;
        if (retainRow)
            retained = std::clamp(m_choice - 1, 0, std::max(0, m_lastItems - 1));
    }

    const qint64 oldFirst = m_rows.empty() ? 0 : m_rows.front().id;
    const bool oldAtTop = m_atTop;
    int components = 0;
    if (byValue)
        components = order().freeElement + 1;
    if (restart(components) == ResultFatal) {
        fatal();
        return;
    }
    m_cursorId = 0;
    if (mode == FillKeep && !fromStart && !positionView(anchor)) {
        restart();
        fromStart = true;
    } else if (mode == FillRecord && !byValue && !positionView(targetPosition)) {
        restart();
        fromStart = true;
    }

    m_rows.clear();
    m_atTop = fromStart;
    m_atBottom = false;
    fetchRows(Forward, std::max(1, m_lastItems - retained));
    int firstForward = 0;
    const int forwardRows = int(m_rows.size());
    auto find = [this](qint64 id) {
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].id == id)
                return int(i) + 1;
        return 0;
    };
    int found = remember ? find(remember) : 0;
    if (int(m_rows.size()) < m_lastItems && !allowUnfilled && !m_dead) {
        const int before = int(m_rows.size());
        fetchRows(Backward, m_lastItems - before);
        firstForward += int(m_rows.size()) - before;
        // Near the start a retained row count can leave room below.
        if (int(m_rows.size()) < m_lastItems && !m_atBottom && !m_dead)
            fetchRows(Forward, m_lastItems - int(m_rows.size()));
        found = remember ? find(remember) : 0;
    }
    if (m_dead)
        return;

    if (found)
        m_choice = found;
    else if (mode == FillRecord)
        m_choice = forwardRows > 0 ? firstForward + 1 : int(m_rows.size());
    const int keptRow = mode == FillRecord ? retained + 1 : m_choice;
    while (m_lastItems > 0 && int(m_rows.size()) > m_lastItems) {
        if (m_choice > keptRow) {
            m_rows.pop_front();
            --m_choice;
        } else {
            m_rows.pop_back();
        }
    }
    m_choice = m_rows.empty() ? 0 : std::clamp(m_choice, 1, int(m_rows.size()));
    if (!fromStart && !m_atTop && oldAtTop && !m_rows.empty() && m_rows.front().id == oldFirst)
        m_atTop = true;

    if (m_rows.empty())
        clearBuffer();
    else
        takeHighlighted();
    publish();
    showButtons();
    showThumb();
    noteApplied();
    m_needRefresh = false;
}

// ---- moving --------------------------------------------------------------------

void BrowseManager::onListEvent(int event)
{
    m_currentEvent = event;
    switch (event) {
    case BrowseList::ScrollUp:
        stepRow(Backward);
        break;
    case BrowseList::ScrollDown:
        stepRow(Forward);
        break;
    case BrowseList::ScrollPageUp:
        stepPage(Backward);
        break;
    case BrowseList::ScrollPageDown:
        stepPage(Forward);
        break;
    case BrowseList::ScrollTop:
        jumpToEnd(Backward);
        break;
    case BrowseList::ScrollBottom:
        jumpToEnd(Forward);
        break;
    default:
        break;
    }
}

void BrowseManager::stepRow(int direction)
{
    if (!m_loaded || m_dead)
        return;
    if (m_rows.empty()) {
        fill(FillKeep);
        return;
    }
    if (direction == Forward) {
        if (m_choice < int(m_rows.size()))
            ++m_choice;
        else if (fetchRows(Forward, 1) > 0)
            m_choice = int(m_rows.size());
    } else {
        if (m_choice > 1)
            --m_choice;
        else
            fetchRows(Backward, 1);
        m_choice = std::max(1, std::min(m_choice, int(m_rows.size())));
    }
    if (m_dead)
        return;
    takeHighlighted();
    publish();
    showThumb();
}

void BrowseManager::stepPage(int direction)
{
    if (!m_loaded || m_dead)
        return;
    if (m_rows.empty()) {
        fill(FillKeep);
        return;
    }
    const int page = std::max(1, m_lastItems);
    const int sizeBefore = int(m_rows.size());
    // The highlight moves by a page of records, not below row 1 or past the last row.
    if (direction == Forward) {
        const int read = fetchRows(Forward, page);
        const int dropped = std::max(0, sizeBefore + read - page);
        m_choice = std::clamp(m_choice - dropped + page, 1, std::max(1, int(m_rows.size())));
    } else {
        const int read = fetchRows(Backward, page);
        m_choice = std::clamp(m_choice + read - page, 1, std::max(1, int(m_rows.size())));
    }
    if (m_dead)
        return;
    takeHighlighted();
    publish();
    showThumb();
}

void BrowseManager::jumpToEnd(int direction)
{
    if (!m_loaded || m_dead)
        return;
    const WaitCursor wait;
    if (restart() == ResultFatal) {
        fatal();
        return;
    }
    m_cursorId = 0;
    m_rows.clear();
    const int page = std::max(1, m_lastItems);
    if (direction == Backward) {
        m_atTop = true;
        m_atBottom = false;
        fetchRows(Forward, page);
        m_choice = 1;
    } else {
        m_atBottom = true;
        m_atTop = false;
        fetchRows(Backward, page);
        m_choice = int(m_rows.size());
    }
    if (m_dead)
        return;
    if (m_rows.empty()) {
        m_choice = 0;
        clearBuffer();
    } else {
        takeHighlighted();
    }
    publish();
    showButtons();
    showThumb();
}

void BrowseManager::scrollRows(int rows)
{
    if (!m_loaded || m_dead || rows == 0)
        return;
    if (m_rows.empty()) {
        fill(FillKeep);
        return;
    }
    const qint64 highlighted = m_rows[std::size_t(m_choice - 1)].id;
    fetchRows(rows > 0 ? Forward : Backward, std::abs(rows));
    if (m_dead)
        return;
    int at = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == highlighted)
            at = int(i) + 1;
    m_choice = at ? at : (rows > 0 ? 1 : int(m_rows.size()));
    takeHighlighted();
    publish();
    showThumb();
}

void BrowseManager::measureSteps()
{
    auto it = m_extras.find(currentOrder());
    if (it == m_extras.end() || !it->second.step || it->second.step->mode() != BrowseStep::Measured)
        return;
    const int field = freeField();
    if (field < 0)
        return;
    StoredTable &table = file().table();
    const int state = table.saveState();
    QString first;
    QString last;
    if (restart() == ResultOk && next() == ResultOk)
        first = file().record().text(field);
    if (restart() == ResultOk && previous() == ResultOk)
        last = file().record().text(field);
    table.restoreState(state);
    table.freeState(state);
    m_cursorId = 0;
    it->second.step->measure(first, last);
}

void BrowseManager::showThumb()
{
    if (!m_list)
        return;
    if (m_list->thumbShown() != hasThumb)
        m_list->setThumbShown(hasThumb);
    if (!hasThumb)
        return;
    int thumb = 50;
    const BrowseStep *s = step();
    const int field = freeField();
    const int size = int(m_rows.size());
    if (size == 0) {
        thumb = 0;
    } else if (s && s->ready() && field >= 0) {
        thumb = s->percentile(m_rows[std::size_t(m_choice - 1)].record.text(field));
        if (size >= m_lastItems) {
            if (thumb == 1)
                thumb = 0;
            else if (thumb == 99)
                thumb = 100;
        }
    } else if (m_atTop && m_choice == 1) {
        thumb = 0;
    } else if (m_atBottom && m_choice == size) {
        thumb = 100;
    }
    m_list->setThumb(thumb);
}

void BrowseManager::dropThumb(int percent)
{
    if (!m_loaded || m_dead)
        return;
    const BrowseStep *s = step();
    if (percent <= 1)
        jumpToEnd(Backward);
    else if (percent >= 100)
        jumpToEnd(Forward);
    else if (s && s->ready() && freeField() >= 0)
        fillAtValue(s->valueAt(percent));
    else if (percent < 50)
        stepPage(Backward);
    else if (percent > 50)
        stepPage(Forward);
    else
        showThumb();
}

bool BrowseManager::onListKey(const QString &text)
{
    if (!hasLocator() || text.isEmpty() || !m_loaded || m_dead)
        return false;
    const int field = freeField();
    if (field < 0)
        return false;
    QChar c = text.at(0);
    const SortOrder &o = order();
    if (o.mainKey >= 0 && file().layout().key(o.mainKey).noCase)
        c = c.toUpper();
    QString value(c);
    if (freeDescending())
        value += QChar(254);
    fillAtValue(value);
    return true;
}

// ---- actions -------------------------------------------------------------------

bool BrowseManager::readAgain(int choice)
{
    if (choice < 1 || choice > int(m_rows.size()))
        return false;
    if (file().readAt(m_rows[std::size_t(choice - 1)].position) == ResultOk)
        return true;
    file().raise(9);
    fill(FillKeep);
    return false;
}

bool BrowseManager::recordInView(qint64 id)
{
    if (restart() != ResultOk)
        return false;
    const bool in = positionView(idPosition(id)) && next() == ResultOk && file().table().recordId() == id;
    m_cursorId = 0;
    return in;
}

int BrowseManager::runAction(int request)
{
    if (!m_window || !m_opened || m_dead || !m_update)
        return Response::Cancelled;
    // Only what the user could press: a hidden or disabled button (a form
    // that only views, say) is not reached from the keyboard either.
    const int which = request == Request::Insert   ? InsertControl
                      : request == Request::Change ? ChangeControl
                      : request == Request::Delete ? DeleteControl
                                                   : ViewControl;
    if (QAbstractButton *b = control(which); !b || !b->isEnabled() || b->isHidden())
        return Response::Cancelled;
    if (request == Request::Insert) {
        if (newRecord() != ResultOk) {
            takeHighlighted();
            return Response::Cancelled;
        }
    } else if (!readAgain(m_choice)) {
        return Response::Cancelled;
    }
    const int response = m_window->run(m_update, request);
    // The record numbered for the insert goes again when no form took it
    // (none is written yet, or none ran); a form that ran removed it already.
    if (request == Request::Insert && response != Response::Completed)
        file().cancelNumbering();
    if (m_dead || !m_window->isRunning())
        return response;
    afterAction(request, response);
    if (m_list) {
        m_list->setFocus();
        publish();
    }
    return response;
}

void BrowseManager::afterAction(int request, int response)
{
    if (m_dead)
        return;
    m_cursorId = 0;
    if (response != Response::Completed) {
        if (!m_rows.empty())
            takeHighlighted();
        fill(FillKeep);
        return;
    }
    auto removeHighlighted = [this] {
        if (m_choice >= 1 && m_choice <= int(m_rows.size()))
            m_rows.erase(m_rows.begin() + (m_choice - 1));
        if (m_choice > int(m_rows.size()))
            m_choice = int(m_rows.size());
    };
    if (request == Request::Delete) {
        removeHighlighted();
        fill(FillKeep);
        return;
    }
    if (request == Request::Insert || request == Request::Change) {
        const qint64 id = file().table().recordId();
        // The form may have changed the range fields; the range stays the list's.
        putRangeValues();
        if (id <= 0 || (request == Request::Change && !recordInView(id))) {
            removeHighlighted();
            fill(FillKeep);
            return;
        }
        fillFrom(FillRecord, idPosition(id), id, false);
        return;
    }
    fill(FillKeep);
}

void BrowseManager::showButtons()
{
    const bool any = !m_rows.empty();
    for (int c : {ChangeControl, DeleteControl, ViewControl, PrintControl})
        if (QAbstractButton *b = control(c))
            b->setEnabled(any);
    // A list of a window that only views changes nothing.
    if (readOnly)
        for (int c : {InsertControl, ChangeControl, DeleteControl})
            if (QAbstractButton *b = control(c))
                b->setEnabled(false);
    if (QAbstractButton *b = control(SelectControl)) {
        auto *push = qobject_cast<QPushButton *>(b);
        if (m_selecting) {
            b->setEnabled(any);
            b->setVisible(true);
            if (push)
                push->setDefault(true);
        } else {
            b->setEnabled(false);
            if (push)
                push->setDefault(false);
            if (hideSelect)
                b->setVisible(false);
        }
    }
}

bool BrowseManager::press(int which)
{
    QAbstractButton *b = which >= 0 && which < ControlCount ? control(which) : nullptr;
    if (!b || !b->isEnabled() || b->isHidden())
        return false;
    b->click();
    return true;
}

void BrowseManager::pressForKey(int key)
{
    switch (key) {
    case BrowseList::InsertKey:
        press(InsertControl);
        break;
    case BrowseList::DeleteKey:
        press(DeleteControl);
        break;
    case BrowseList::ChangeKey:
        press(ChangeControl);
        break;
    case BrowseList::ViewKey:
        press(ViewControl);
        break;
    default:
        break;
    }
}

void BrowseManager::activated()
{
    press(m_selecting ? SelectControl : ChangeControl);
}

void BrowseManager::select()
{
    if (!m_selecting || m_rows.empty() || !m_window)
        return;
    if (!readAgain(m_choice))
        return;
    m_window->endWith(Response::Completed);
}

void BrowseManager::print()
{
    if (m_rows.empty() || !m_window || !readAgain(m_choice))
        return;
    if (m_print)
        m_window->run(m_print, Request::Print);
    if (m_list)
        m_list->setFocus();
}

QMenu *BrowseManager::popupMenu()
{
    if (!m_popup) {
        m_popup = new QMenu(m_list);
        m_popup->setTitle(tr("Browse Actions"));
        m_popup->setObjectName(QStringLiteral("Browse Actions"));
        auto add = [this](const QString &text, int which) {
            QAction *a = m_popup->addAction(text);
            a->setData(which);
            connect(a, &QAction::triggered, this, [this, which] { press(which); });
        };
        add(tr("&Insert"), InsertControl);
        add(tr("&Change"), ChangeControl);
        add(tr("&Delete"), DeleteControl);
        add(tr("&View"), ViewControl);
        add(tr("&Print"), PrintControl);
        m_popup->addSeparator();
        add(tr("&Query"), QueryControl);
        add(tr("&Select"), SelectControl);
        m_popup->addSeparator();
        add(tr("&Toolbox"), ToolControl);
    }
    for (QAction *a : m_popup->actions()) {
        if (a->isSeparator())
            continue;
        const int which = a->data().toInt();
        QAbstractButton *b = control(which);
        const bool shown = b && !b->isHidden() && (which != SelectControl || m_selecting);
        a->setVisible(shown);
        a->setEnabled(shown && b->isEnabled());
    }
    return m_popup;
}

void BrowseManager::showPopup(const QPoint &globalPos)
{
    if (m_dead)
        return;
    popupMenu()->popup(globalPos);
}

// ---- orders and resets ---------------------------------------------------------

bool BrowseManager::applied() const
{
    auto *self = const_cast<BrowseManager *>(this);
    return m_applied.order == currentOrder() && m_applied.filter == self->filterText()
        && m_applied.orderText == orderText() && m_applied.items == m_lastItems;
}

void BrowseManager::noteApplied()
{
    m_applied.order = currentOrder();
    m_applied.filter = filterText();
    m_applied.orderText = orderText();
    m_applied.items = m_lastItems;
}

void BrowseManager::changeOrder(int number)
{
    if (m_dead)
        return;
    const qint64 highlighted = m_choice >= 1 && m_choice <= int(m_rows.size()) ? m_rows[std::size_t(m_choice - 1)].id : 0;
    selectOrder(number);
    if (!m_opened)
        return;
    if (m_loaded && applied())
        return;
    // Positions taken in another order mean nothing in this one.
    m_rows.clear();
    m_cursorId = 0;
    if (hasLocator() && highlighted > 0) {
        fillFrom(FillRecord, idPosition(highlighted), highlighted, false);
        return;
    }
    m_choice = 1;
    fill(FillKeep);
}

void BrowseManager::reset(bool force)
{
    if (!m_opened || m_dead)
        return;
    const bool rangeMoved = rangeChanged();
    if (!force && !rangeMoved && applied())
        return;
    if (rangeMoved) {
        m_rows.clear();
        m_choice = 1;
    }
    m_needRefresh = true;
    fill(FillKeep);
}

void BrowseManager::kill()
{
    if (m_dead && !m_opened)
        return;
    m_dead = true;
    if (m_selecting && m_savedBuffer) {
        const bool completed = m_window && m_window->response == Response::Completed;
        file().restoreRecord(m_savedBuffer, !completed);
    }
    if (m_opened) {
        m_opened = false;
        close();
    }
    m_rows.clear();
    m_choice = 0;
    if (m_model)
        m_model->setRows({});
    if (m_popup)
        m_popup->hide();
}

} // namespace tavimo
