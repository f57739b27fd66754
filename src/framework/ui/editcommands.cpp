#include "editcommands.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>

namespace tavimo {

namespace {

// The three slots every editor has; a read-only one only copies.
template <typename Editor>
bool edit(Editor *editor, EditCommand command, bool readOnly)
{
    switch (command) {
    case EditCommand::Copy:
        editor->copy();
        return true;
    case EditCommand::Cut:
        if (!readOnly)
            editor->cut();
        return !readOnly;
    case EditCommand::Paste:
        if (!readOnly)
            editor->paste();
        return !readOnly;
    }
    return false;
}

// The selected cells, a row a line and the cells of a row apart by tabs;
// else the current cell.
QString selectedText(const QAbstractItemView *view)
{
    QModelIndexList cells = view->selectionModel() ? view->selectionModel()->selectedIndexes() : QModelIndexList();
    if (cells.isEmpty() && view->currentIndex().isValid())
        cells << view->currentIndex();
    std::sort(cells.begin(), cells.end(), [](const QModelIndex &a, const QModelIndex &b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QString text;
    int row = -1;
    for (const QModelIndex &cell : cells) {
        if (row >= 0)
            text += cell.row() == row ? QLatin1Char('\t') : QLatin1Char('\n');
        row = cell.row();
        text += cell.data(Qt::DisplayRole).toString();
    }
    return text;
}

bool copyText(const QString &text)
{
    if (text.isEmpty())
        return false;
    QApplication::clipboard()->setText(text);
    return true;
}

} // namespace

bool applyEditCommand(EditCommand command, QWidget *control)
{
    if (!control)
        return false;
    if (auto *e = qobject_cast<QLineEdit *>(control))
        return edit(e, command, e->isReadOnly());
    if (auto *e = qobject_cast<QPlainTextEdit *>(control))
        return edit(e, command, e->isReadOnly());
    if (auto *e = qobject_cast<QTextEdit *>(control))
        return edit(e, command, e->isReadOnly());
    // These take the focus for the entry inside them.
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        if (QLineEdit *e = combo->lineEdit())
            return edit(e, command, e->isReadOnly());
        return command == EditCommand::Copy && copyText(combo->currentText());
    }
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(control)) {
        if (auto *e = spin->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly))
            return edit(e, command, spin->isReadOnly());
        return false;
    }
    if (command != EditCommand::Copy)
        return false;
    if (auto *view = qobject_cast<QAbstractItemView *>(control))
        return copyText(selectedText(view));
    if (auto *label = qobject_cast<QLabel *>(control))
        return copyText(label->selectedText());
    return false;
}

} // namespace tavimo
