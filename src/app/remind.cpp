#include "remind.h"

#include "browselist.h"
#include "picture.h"
#include "tables.h"
#include "threadcontext.h"

#include <QBoxLayout>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace tavimo {

Remind::Remind(ThreadContext &context, QWidget *owner) : BrowseWindow(context, QStringLiteral("remind"), owner)
{
}

void Remind::createBrowses(QWidget *area)
{
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("The following prescriptions are due for refills soon:"), area));
    auto *todayRow = new QHBoxLayout;
    todayRow->addWidget(new QLabel(tr("Today is"), area));
    m_today = new QLabel(Picture::parse(QStringLiteral("d18"))->format(Date::today()), area);
    todayRow->addWidget(m_today);
    todayRow->addStretch(1);
    layout->addLayout(todayRow);

    const TableLayout &prescripts = tables::prescripts();
    BrowseManager &b = addBrowse(std::make_unique<BrowseManager>(), *context().relationManager(prescripts), area);
    // The soonest first.
    b.addOrder(prescripts.keyIndex(QStringLiteral("PRE:ByDate")));
    b.putFilter(filter());
    b.addColumn(tr("Persons Name"), QStringLiteral("PRE:PERSONSNAME"), QStringLiteral("s40"), 40);
    b.addColumn(tr("Drug Name As Prescribed"), QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("s60"), 60);
    b.addColumn(tr("Refill Reminder Date"), QStringLiteral("PRE:REFILLREMINDERDATE"), QStringLiteral("d17"));

    BrowseList *list = b.list();
    const int wide = list->horizontalHeader()->length() + list->verticalScrollBar()->sizeHint().width() + 48;
    window()->resize(std::clamp(wide, 560, 900), list->heightForRows(10) + 150);
}

void Remind::createContents(QDialog *window)
{
    BrowseWindow::createContents(window);
    // OK joins Close and Help in the window's bottom row.
    m_ok = new QPushButton(tr("&OK"), window);
    m_ok->setDefault(true);
    auto *outer = qobject_cast<QBoxLayout *>(window->layout());
    for (int i = 0; outer && i < outer->count(); ++i) {
        auto *row = qobject_cast<QBoxLayout *>(outer->itemAt(i)->layout());
        if (row && row->indexOf(closeButton()) >= 0) {
            row->insertWidget(row->indexOf(closeButton()), m_ok);
            break;
        }
    }
    addButton(m_ok, Response::Completed);
}

} // namespace tavimo
