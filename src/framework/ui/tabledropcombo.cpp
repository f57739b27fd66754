#include "tabledropcombo.h"

#include "errormanager.h"
#include "filemanager.h"
#include "messagepresenter.h"
#include "procedurewindow.h"
#include "record.h"
#include "threadcontext.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace tavimo {

TableDropCombo::TableDropCombo() = default;

void TableDropCombo::setup(QComboBox &combo, ProcedureWindow &window, RelationManager &reference)
{
    combo.setEditable(true);
    TableDropList::setup(combo, window, reference);
    // Completion is this component's: the toolkit's would fight it.
    combo.setCompleter(nullptr);
    QLineEdit *edit = combo.lineEdit();
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this] {
        if (!m_completing)
            complete(false);
    });
    connect(edit, &QLineEdit::editingFinished, this, [this] {
        if (m_list && m_list->view() && m_list->view()->isVisible())
            return; // the list is dropped down: the pick decides
        accept();
    });
}

QLineEdit *TableDropCombo::entry() const
{
    return m_list ? m_list->lineEdit() : nullptr;
}

QString TableDropCombo::value() const
{
    return entry() ? entry()->text() : QString();
}

void TableDropCombo::setValue(const QString &v)
{
    if (QLineEdit *e = entry()) {
        m_completing = true;
        e->setText(v);
        m_completing = false;
    }
}

void TableDropCombo::putDisplayValue(const QString &v)
{
    setValue(v);
}

bool TableDropCombo::exact() const
{
    if (exactCompare)
        return true;
    return !m_display.empty() && !isTextType(file().layout().field(m_display.front()).type);
}

QString TableDropCombo::folded(const QString &text) const
{
    return exact() ? text : text.toUpper();
}

int TableDropCombo::placeRow(Row &&row)
{
    const QString key = folded(row.columns.value(0));
    auto at = std::upper_bound(m_rows.begin(), m_rows.end(), key,
                               [this](const QString &k, const Row &r) { return k < folded(r.columns.value(0)); });
    if (removeDuplicates && at != m_rows.begin() && folded(std::prev(at)->columns.value(0)) == key)
        return -1;
    const int index = int(at - m_rows.begin());
    m_rows.insert(at, std::move(row));
    return index;
}

void TableDropCombo::rowsFilled()
{
    // The cursor at the start of the entry, as a fresh value is shown.
    if (QLineEdit *e = entry())
        e->setCursorPosition(0);
}

int TableDropCombo::findRow(const QString &text) const
{
    const QString wanted = folded(text);
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (folded(m_rows[i].columns.value(0)).startsWith(wanted))
            return int(i) + 1;
    return 0;
}

bool TableDropCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == entry() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        QLineEdit *e = entry();
        // With a completion shown, Backspace takes back the last typed character.
        if (plain && key->key() == Qt::Key_Backspace && entryCompletion && e->hasSelectedText()
            && e->selectionStart() + e->selectedText().size() == e->text().size() && !m_lastTyped.isEmpty()) {
            complete(true);
            return true;
        }
    }
    return TableDropList::eventFilter(watched, event);
}

void TableDropCombo::complete(bool backspace)
{
    QLineEdit *e = entry();
    if (!e || !entryCompletion)
        return;
    QString typed;
    if (backspace)
        typed = m_lastTyped.left(m_lastTyped.size() - 1);
    else
        typed = e->hasSelectedText() ? e->text().left(e->selectionStart()) : e->text().left(e->cursorPosition());
    if (typed == m_lastTyped && !backspace)
        return;
    m_completing = true;
    const int found = typed.isEmpty() ? 0 : findRow(typed);
    if (found) {
        const QString full = m_rows[std::size_t(found - 1)].columns.value(0);
        m_setting = true;
        m_list->setCurrentIndex(found - 1);
        m_setting = false;
        // The rest of the value selected, so typing on replaces it.
        e->setText(full);
        e->setSelection(int(full.size()), -(int(full.size()) - int(typed.size())));
        m_selected = found;
        if (takeAtOnce) {
            takeSelection(found);
            e->setText(full);
            e->setSelection(int(full.size()), -(int(full.size()) - int(typed.size())));
        }
    } else {
        e->setText(typed);
        e->setCursorPosition(int(typed.size()));
    }
    m_completing = false;
    m_lastTyped = typed;
}

void TableDropCombo::accept()
{
    if (m_accepting || !entry())
        return;
    m_accepting = true;
    const QString typed = value();
    m_lastTyped.clear();
    if (typed.trimmed().isEmpty()) {
        // Nothing typed: nothing to find or add, and nothing copied.
        m_selected = 0;
        clearTargets();
        m_accepting = false;
        return;
    }
    int found = findRow(typed);
    if (!found && addValue() == ResultOk) {
        fillList(true);
        found = findRow(typed);
    }
    if (found) {
        takeSelection(found);
    } else {
        setValue(QString());
        m_selected = 0;
        clearTargets();
        entry()->setFocus();
    }
    m_accepting = false;
}

int TableDropCombo::addValue()
{
    // A form that only views adds nothing, and shows nothing to ask.
    if (!m_window || m_window->request == Request::View || m_display.empty())
        return ResultCancel;
    const QString typed = value();
    if (!m_entryForm && !addWithoutForm)
        return ResultCancel;
    if (open() == ResultFatal || !isOpen())
        return ResultFatal;
    int result = ResultCancel;
    if (newRecord() == ResultOk) {
        file().record().setText(m_display.front(), typed);
        if (m_entryForm) {
            if (m_window->run(m_entryForm, Request::Insert) == Response::Completed)
                result = ResultOk;
            // A form that never ran (not written yet) leaves its numbered record.
            else if (file().autoIncrementDone())
                file().cancelNumbering();
        } else {
            const bool go = !askBeforeAdding
                || context().errors().ask(context(), 5, Button::Yes | Button::No, Button::Yes) == Button::Yes;
            if (go && file().insert() == ResultOk)
                result = ResultOk;
            else if (file().autoIncrementDone())
                file().cancelNumbering();
        }
    }
    close();
    return result;
}

} // namespace tavimo
