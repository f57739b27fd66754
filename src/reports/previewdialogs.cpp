#include "previewdialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tavimo {

namespace {

QDialogButtonBox *okCancel(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

JumpPageDialog::JumpPageDialog(int current, int pageCount, QWidget *parent)
    : QDialog(parent), m_page(new QSpinBox(this))
{
    setWindowTitle(QStringLiteral("Jump to a Report Page"));
    m_page->setRange(1, std::clamp(pageCount, 1, 99999));
    m_page->setValue(current);
    m_page->setToolTip(QStringLiteral("Enter a page number from 1 to ") + QString::number(pageCount));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Page number:"), m_page);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
    m_page->selectAll();
    m_page->setFocus();
}

int JumpPageDialog::page() const
{
    return m_page->value();
}

PagesToPrintDialog::PagesToPrintDialog(const QString &pages, int pageCount, QWidget *parent)
    : QDialog(parent), m_pages(new QLineEdit(pages.left(MaxLength), this)), m_reset(new QPushButton(QStringLiteral("&Reset"), this))
{
    setWindowTitle(QStringLiteral("Pages to Print"));
    m_pages->setMaxLength(MaxLength);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Pages:"), m_pages);
    auto *hint = new QLabel(QStringLiteral("Page numbers and ranges, separated by commas: 1,3,5-12"), this);
    auto *buttons = okCancel(this);
    buttons->addButton(m_reset, QDialogButtonBox::ResetRole);
    // Enter takes the list; Reset is only ever pressed on purpose.
    m_reset->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    const QString reset = defaultPages(pageCount);
    connect(m_reset, &QPushButton::clicked, this, [this, reset] {
        m_pages->setText(reset);
        m_pages->setFocus();
    });
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    m_pages->selectAll();
    m_pages->setFocus();
}

QString PagesToPrintDialog::pages() const
{
    return m_pages->text();
}

} // namespace tavimo
