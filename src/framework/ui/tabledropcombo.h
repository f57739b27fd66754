#pragma once

#include "tabledroplist.h"

#include <functional>

class QLineEdit;

namespace tavimo {

// A drop-down list with an entry: it completes what the user types from
// the rows, and a value that matches no row can be added to the reference
// table, through its entry form or directly.
class TableDropCombo : public TableDropList
{
    Q_OBJECT
public:
    TableDropCombo();

    // The control must be editable; its own completer is replaced.
    void setup(QComboBox &combo, ProcedureWindow &window, RelationManager &reference);
    QLineEdit *entry() const;

    QString value() const;              // the value the combo edits
    void setValue(const QString &value);

    bool entryCompletion = true;
    bool removeDuplicates = false;
    bool takeAtOnce = false;            // a completed row is taken while typing
    bool addWithoutForm = false;
    bool askBeforeAdding = true;
    // Comparisons are exact when set here or when the first column is not a
    // text; otherwise they ignore case.
    bool exactCompare = false;
    // The reference table's entry form, run with the insert request; none: empty.
    void setEntryForm(std::function<int()> form) { m_entryForm = std::move(form); }

    // The typed text so far completed from the rows (a character was typed).
    void complete(bool backspace = false);
    // The user leaves the entry or presses Enter.
    void accept();
    // A typed value that matches no row; ResultOk when a record was added.
    int addValue();

    // The first row whose display value begins with the text; 0 for none.
    int findRow(const QString &text) const;
    const QString &lastTyped() const { return m_lastTyped; }

protected:
    int placeRow(Row &&row) override;
    QString displayValue() const override { return value(); }
    void putDisplayValue(const QString &value) override;
    void rowsFilled() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool exact() const;
    QString folded(const QString &text) const;

    std::function<int()> m_entryForm;
    QString m_lastTyped;
    bool m_accepting = false;
    bool m_completing = false;
};

} // namespace tavimo
