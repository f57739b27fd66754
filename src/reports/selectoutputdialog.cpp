#include "selectoutputdialog.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tavimo {

SelectOutputDialog::SelectOutputDialog(const QStringList &entries, bool printerFirst, QWidget *parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setWindowTitle(tr("Select an Output"));
    auto *layout = new QVBoxLayout(this);

    // The printer's icon where the desktop has one; an empty slot would
    // only push its name out of the column.
    const QIcon printer = QIcon::fromTheme(QStringLiteral("document-print"));
    const bool withIcon = printerFirst && !printer.isNull();
    const int iconSide = m_list->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_list);
    int widest = 0;
    for (int i = 0; i < entries.size(); ++i) {
        auto *item = new QListWidgetItem(entries[i], m_list);
        if (withIcon && i == 0)
            item->setIcon(printer);
        widest = std::max(widest, m_list->fontMetrics().horizontalAdvance(entries[i]));
    }
    if (withIcon)
        m_list->setIconSize(QSize(iconSide, iconSide));
    // Entries run down a column before the next one starts; every column
    // is as wide as the longest entry needs.
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    const int rows = std::max(3, int(std::ceil(std::sqrt(double(entries.size())))));
    const int rowHeight = std::max({m_list->sizeHintForRow(0), m_list->fontMetrics().height() + 4,
                                    withIcon ? iconSide + 4 : 0});
    const int columnWidth = widest + (withIcon ? iconSide + 8 : 0) + 2 * m_list->fontMetrics().averageCharWidth();
    m_list->setGridSize(QSize(columnWidth, rowHeight));
    m_list->setMinimumHeight(rows * rowHeight + 2 * m_list->frameWidth() + 4);
    m_list->setMinimumWidth(std::max(m_list->fontMetrics().averageCharWidth() * 30, columnWidth + 2 * m_list->frameWidth()));
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
