#pragma once

#include "procedurewindow.h"
#include "viewmanager.h"
#include "windowcomponent.h"

#include <QComboBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class QStandardItemModel;

namespace tavimo {

class Record;
class RelationManager;

// A drop-down list filled from a view over a reference table. Picking a
// row copies fields of that table's record into fields of the record being
// edited (the doctor's name and phone into a prescription, say).
class TableDropList : public QObject, public ViewManager, public WindowComponent
{
    Q_OBJECT
public:
    struct Row
    {
        QStringList columns; // display values, in the order of the display pairs
        QString position;    // of the reference record
    };

    TableDropList();
    ~TableDropList() override;

    // The list control, the window and the reference table.
    void setup(QComboBox &list, ProcedureWindow &window, RelationManager &reference);
    QComboBox *list() const { return m_list; }
    ProcedureWindow *window() const { return m_window; }

    // Pairs in the order the form names them: a field of the reference
    // table shown in the next column of the rows, and a field of the
    // reference table copied into a field of the edited record.
    void addDisplayField(const QString &source);
    void addUpdateField(const QString &source, Record &target, const QString &targetField);

    bool defaultFill = false; // DEFAULTFILL: no matching row selects the first
    int initSyncPair = 1;     // INITSYNCPAIR: the update pair that finds the edited record's row; 0 the display value
    bool useMrp = true;       // USEMRP: a read-ahead hint, taken by the view as it sees fit

    // Fills the rows from the view; returns the row selected (1-based), 0 for none.
    int fillList(bool force = false);
    // Makes the row (1-based, 0 for none) current and copies its record.
    void takeSelection(int row);

    int selectedRow() const { return m_selected; }
    int rowCount() const { return int(m_rows.size()); }
    const Row &row(int index) const { return m_rows.at(std::size_t(index - 1)); } // 1-based
    bool loaded() const { return m_loaded; }       // LOADED
    bool allowReset() const { return m_allowReset; } // ALLOWRESET

    // WindowComponent
    void reset(bool force) override;
    void kill() override;

signals:
    void selectionTaken(int row);

protected:
    // A form may refuse a row; the reference record is in the buffer.
    virtual bool validateRow() { return true; }
    // Places a new row; returns its index (0-based). A plain list keeps the view's order.
    virtual int placeRow(Row &&row);
    // The value the list shows for a row, for matching typed text.
    virtual QString displayValue() const { return QString(); }
    virtual void putDisplayValue(const QString &) {}
    virtual void rowsFilled() {}
    void clearTargets();
    void showSelected();
    int fieldOf(const QString &name) const;

    struct Pair
    {
        int source = -1;
        Record *target = nullptr;
        int targetField = -1;
    };
    std::vector<int> m_display;       // DISPLAYFIELDS: source fields
    std::vector<Pair> m_update;       // UPDATEFIELDS
    std::vector<Row> m_rows;          // LISTQUEUE
    QPointer<QComboBox> m_list;       // LISTCONTROL
    QPointer<ProcedureWindow> m_window; // WINDOW
    QStandardItemModel *m_model = nullptr;
    int m_selected = 0;
    bool m_loaded = false;
    bool m_allowReset = false;
    bool m_attached = false;          // WINDOWCOMPOPEN
    bool m_setting = false;
    QString m_appliedFilter;

private:
    bool matchesEdited() const;
    void redrawTargets();
    void userPicked(int index);
};

} // namespace tavimo
