#pragma once

#include "browsestep.h"
#include "picture.h"
#include "record.h"
#include "viewmanager.h"
#include "windowcomponent.h"

#include <QAbstractButton>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>


namespace tavimo {

class BrowseList;
class BrowseModel;
class ProcedureWindow;
class RelationManager;

// Shows one table, through a view, in a list of a window. The list holds
// the rows on screen and nothing more; every scroll, key and thumb move
// reads just the records needed around the current position. The actions
// on the highlighted record (insert, change, delete, view, select, print,
// query) come through buttons, keys and a popup menu; they run the
// window's update procedure and refill the list so that the record they
// touched is shown and highlighted.
class BrowseManager : public QObject, public ViewManager, public WindowComponent
{
    Q_OBJECT
public:
    enum FillMode : int { FillKeep = 1, FillRecord = 2 };
    enum Direction : int { Backward = 1, Forward = 2 };
    enum Control : int {
        InsertControl,
        ChangeControl,
        DeleteControl,
        ViewControl,
        SelectControl,
        PrintControl,
        QueryControl,
        ToolControl,
        ControlCount
    };

    // One row of the list: its display columns and where its record is.
    struct Row
    {
        explicit Row(const TableLayout &layout) : record(layout) {}
        QStringList columns;
        QString position;
        qint64 id = 0;
        Record record; // the record as read, for the buffer while it is highlighted
    };

    struct Column
    {
        QString heading;
        int field = -1; // -1: filled by rowFromRecord
        Picture picture;
        int width = 0; // characters
    };

    BrowseManager();
    ~BrowseManager() override;

    // The list control, the primary table and the window it belongs to.
    void setup(BrowseList &list, RelationManager &primary, ProcedureWindow &window);
    BrowseList *list() const { return m_list; }
    BrowseModel *model() const { return m_model; }
    ProcedureWindow *window() const { return m_window; }

    // A display column over a field ("DOC:DOCTORSNAME"); without a picture
    // the field's own kind decides. Returns the column's index.
    int addColumn(const QString &heading, const QString &field, const QString &picture = QString(), int width = 0);
    const std::vector<Column> &columns() const { return m_columns; }

    // A sort order over a key (-1: record order); later set-up calls apply to it.
    int addOrder(int key = -1);

    // The current order gets a locator on its free element, a thumb step,
    // or both.
    void attachLocator();
    void attachStep(int flags, int mode = BrowseStep::Measured);
    bool hasLocator() const;
    const BrowseStep *step() const;

    // Action buttons (not owned); null removes one.
    void setControl(int control, QAbstractButton *button);
    QAbstractButton *control(int control) const { return m_controls[std::size_t(control)].data(); }
    // The update procedure the actions run with their request (ASKPROCEDURE),
    // the print procedure (PRINTPROCEDURE), and the query and toolbox.
    void setUpdateProcedure(std::function<int()> procedure) { m_update = std::move(procedure); }
    void setPrintProcedure(std::function<int()> procedure) { m_print = std::move(procedure); }
    void setQueryProcedure(std::function<void()> procedure) { m_query = std::move(procedure); }
    void setToolProcedure(std::function<void()> procedure) { m_tool = std::move(procedure); }

    bool activeInvisible = false; // ACTIVEINVISIBLE
    bool allowUnfilled = false;   // ALLOWUNFILLED
    bool retainRow = true;        // RETAINROW
    bool hasThumb = true;         // HASTHUMB
    bool hideSelect = true;       // HIDESELECT
    bool readOnly = false;        // the window only views: insert, change and delete stay disabled
    bool selectWholeRecord = false; // SELECTWHOLERECORD

    // Opens the view with the window's tables; select mode when the window
    // was asked to select. The first fill follows when the list is shown.
    int openList();

    const std::deque<Row> &rows() const { return m_rows; } // LISTQUEUE
    int currentChoice() const { return m_choice; }       // CURRENTCHOICE
    int lastItems() const { return m_lastItems; }        // LASTITEMS
    int itemsToFill() const { return m_itemsToFill; }    // ITEMSTOFILL
    bool loaded() const { return m_loaded; }             // LOADED
    bool loadPending() const { return m_loadPending; }   // LOADPENDING
    bool selecting() const { return m_selecting; }       // SELECTING
    int currentEvent() const { return m_currentEvent; }  // CURRENTEVENT
    bool needRefresh() const { return m_needRefresh; }   // NEEDREFRESH

    // Filling and moving.
    void fill(int mode);
    int fetchRows(int direction, int count); // rows read
    void stepRow(int direction);
    void stepPage(int direction);
    void jumpToEnd(int direction);
    void scrollRows(int rows); // the wheel: the page moves, the highlight stays on its record if it can
    void showThumb();
    void measureSteps();
    void dropThumb(int percent);
    void onListEvent(int event);
    bool onListKey(const QString &text);
    void highlight(int choice); // 1-based

    // Actions.
    int runAction(int request);
    void afterAction(int request, int response);
    void refillAtRecord();
    void showButtons();
    bool press(int control); // as the user would; false when it is absent or disabled
    void select();
    void print();
    QMenu *popupMenu();
    void showPopup(const QPoint &globalPos);

    // Another order (a tab): its range and filter apply and the list is
    // refilled when anything that decides the rows changed.
    void changeOrder(int number);

    // WindowComponent
    void reset(bool force) override;
    void kill() override;

signals:
    // The highlighted record was copied into the buffer (a new selection,
    // a fill, an action's refill).
    void recordTaken();

protected:
    // Builds the display columns of a row from the record just read.
    virtual void rowFromRecord(Row &row);

private:
    struct OrderExtras
    {
        bool locator = false;
        std::unique_ptr<BrowseStep> step;
    };
    struct Applied
    {
        int order = 0;
        QString filter;
        QString orderText;
        int items = 0;
    };

    OrderExtras &extras();
    const OrderExtras *extrasOf() const;
    int freeField() const;
    bool freeDescending() const;
    Row makeRow();
    void publish();
    void takeHighlighted();
    void clearBuffer();
    void putRangeValues();
    bool positionView(const QString &position);
    bool readAgain(int choice);
    bool recordInView(qint64 id);
    void fillAtValue(const QString &value);
    void fillFrom(int mode, const QString &targetPosition, qint64 targetId, bool byValue);
    void rowsFitChanged(int rows);
    void fatal();
    void pressForKey(int key);
    void activated();
    bool applied() const;
    void noteApplied();

    BrowseList *m_list = nullptr;
    BrowseModel *m_model = nullptr;
    ProcedureWindow *m_window = nullptr;
    std::vector<Column> m_columns;
    std::map<int, OrderExtras> m_extras; // by order number
    std::array<QPointer<QAbstractButton>, ControlCount> m_controls;
    std::function<int()> m_update;
    std::function<int()> m_print;
    std::function<void()> m_query;
    std::function<void()> m_tool;
    QPointer<QMenu> m_popup;

    std::deque<Row> m_rows;
    int m_choice = 0;
    int m_lastItems = 0;
    int m_itemsToFill = 0;
    bool m_loaded = false;
    bool m_loadPending = false;
    bool m_selecting = false;
    int m_currentEvent = 0;
    bool m_needRefresh = false;
    bool m_opened = false;
    bool m_hasOrder = false;
    bool m_dead = false;
    int m_savedBuffer = 0;

    // The thumb without a step: the first row is the first record, the
    // last row the last one.
    bool m_atTop = false;
    bool m_atBottom = false;
    // The view's cursor stands on this record after reading in this direction.
    qint64 m_cursorId = 0;
    int m_cursorDirection = 0;
    bool m_updating = false;
    Applied m_applied;
};

} // namespace tavimo
