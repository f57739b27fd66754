#include "prebpaverages.h"

#include "calendarbutton.h"
#include "helpviewer.h"
#include "picture.h"
#include "processvalues.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tavimo {

namespace {

const Picture &datePicture()
{
    static const Picture picture = *Picture::parse(QStringLiteral("d17"));
    return picture;
}

QWidget *withCalendar(QLineEdit *entry)
{
    auto *row = new QWidget(entry->parentWidget());
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    entry->setParent(row);
    layout->addWidget(entry, 1);
    layout->addWidget(addCalendarButton(entry, QStringLiteral("Select a Date")));
    return row;
}

} // namespace

SelectRecordsForReport::SelectRecordsForReport(ThreadContext &context, QWidget *owner)
    : ProcedureWindow(context, QStringLiteral("prebpaverages"), owner)
{
}

void SelectRecordsForReport::createContents(QDialog *window)
{
    auto *layout = new QVBoxLayout(window);
    auto *form = new QFormLayout;
    m_all = new QCheckBox(tr("ALL"), window);
    m_from = new QLineEdit(window);
    m_to = new QLineEdit(window);
    for (QLineEdit *e : {m_from, m_to})
        e->setMinimumWidth(e->fontMetrics().averageCharWidth() * 14);
    form->addRow(m_all);
    form->addRow(tr("&From Date:"), withCalendar(m_from));
    form->addRow(tr("&To Date:"), withCalendar(m_to));
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(window);
    m_print = buttons->addButton(tr("&Print"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton *help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    m_print->setDefault(true);
    layout->addWidget(buttons);
    connect(m_print, &QPushButton::clicked, this, &SelectRecordsForReport::pressPrint);
    addButton(cancel, Response::Cancelled);
    auto *windowHelp = new WindowHelp(window, QStringLiteral("selectrecords.htm"));
    connect(help, &QPushButton::clicked, windowHelp, &WindowHelp::show);
}

int SelectRecordsForReport::setup()
{
    m_all->setChecked(false);
    m_from->clear();
    m_to->clear();
    m_all->setFocus();
    return ResultOk;
}

void SelectRecordsForReport::pressPrint()
{
    ProcessValues &values = ProcessValues::instance();
    const Date today = Date::today();
    if (m_all->isChecked()) {
        values.fromDate = Date::fromYmd(1900, 1, 1);
        values.toDate = today;
        endWith(Response::Completed);
        return;
    }
    const std::optional<Date> from = m_from->text().trimmed().isEmpty() ? std::optional<Date>(Date())
                                                                          : datePicture().parseDate(m_from->text());
    if (!from || from->isNull()) {
        QApplication::beep();
        m_from->setFocus();
        m_from->selectAll();
        return;
    }
    const std::optional<Date> to = m_to->text().trimmed().isEmpty() ? std::optional<Date>(Date())
                                                                      : datePicture().parseDate(m_to->text());
    if (!to) {
        QApplication::beep();
        m_to->setFocus();
        m_to->selectAll();
        return;
    }
    values.fromDate = *from;
    values.toDate = to->isNull() ? today : *to;
    m_from->setText(datePicture().format(values.fromDate));
    m_to->setText(datePicture().format(values.toDate));
    endWith(Response::Completed);
}

} // namespace tavimo
