#include "selectoutputdialog.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tavimo {

SelectOutputDialog::SelectOutputDialog(const QStringList &entries, bool printerFirst, QWidget *parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setWindowTitle(tr("Select an Output"));
    auto *layout = new QVBoxLayout(this);

    for (int i = 0; i < entries.size(); ++i) {
        auto *item = new QListWidgetItem(entries[i], m_list);
        if (printerFirst && i == 0)
            item->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));
    }
    // Entries run down a column before the next one starts.
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    const int rows = std::max(3, int(std::ceil(std::sqrt(double(entries.size())))));
    const int rowHeight = std::max(m_list->sizeHintForRow(0), m_list->fontMetrics().height() + 4);
    m_list->setMinimumHeight(rows * rowHeight + 2 * m_list->frameWidth() + 4);
    m_list->setMinimumWidth(m_list->fontMetrics().averageCharWidth() * 30);
    if (!entries.isEmpty())
        m_list->setCurrentRow(0);
    layout->addWidget(m_list);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    m_list->setFocus();
}

int SelectOutputDialog::chosenRow() const
{
    return result() == QDialog::Accepted ? m_list->currentRow() : -1;
}

int SelectOutputDialog::choose(const QStringList &entries, bool printerFirst, QWidget *parent)
{
    SelectOutputDialog dialog(entries, printerFirst, parent);
    dialog.exec();
    return dialog.chosenRow();
}

} // namespace tavimo
