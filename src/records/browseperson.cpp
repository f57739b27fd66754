#include "browseperson.h"

#include "browselist.h"
#include "currentperson.h"
#include "filemanager.h"
#include "procedures.h"
#include "record.h"
#include "relationmanager.h"
#include "startedwindow.h"
#include "tables.h"
#include "threadcontext.h"
#include "updatepersonsname.h"

#include <QDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>

namespace tavimo {

BrowsePerson::BrowsePerson(ThreadContext &context, QWidget *owner)
    : BrowseWindow(context, QStringLiteral("BrowsePerson"), owner)
{
}

void BrowsePerson::createBrowses(QWidget *area)
{
    const TableLayout &persons = tables::personsName();
    BrowseManager &b = addBrowse(std::make_unique<BrowseManager>(), *context().relationManager(persons), area);
    addOrderTab(b, tr("&1) By Name"), persons.keyIndex(QStringLiteral("PER:ByName")));
    b.attachLocator();
    b.attachStep(BrowseStep::Letters | BrowseStep::Digits);
    b.addColumn(tr("Name"), QStringLiteral("PER:PERSONSNAME"), QStringLiteral("s40"), 22);
    b.addColumn(tr("Street Address"), QStringLiteral("PER:STREETADDRESS"), QStringLiteral("s40"), 22);
    b.addColumn(tr("City"), QStringLiteral("PER:CITY"), QString(), 14);
    b.addColumn(tr("Zip Code"), QStringLiteral("PER:ZIPCODE"), QString(), 8);
    b.addColumn(tr("Phone Number"), QStringLiteral("PER:PHONENUMBER"), QStringLiteral("(###) ###-####"), 14);
    b.addColumn(tr("Gender"), QStringLiteral("PER:GENDER"), QString(), 6);
    b.addColumn(tr("Email Address"), QStringLiteral("PER:EMAILADDRESS"), QStringLiteral("s40"), 22);
    b.addColumn(tr("Primary Contact Name"), QStringLiteral("PER:PRIMARYCONTACTNAME"), QStringLiteral("s40"), 20);
    b.addColumn(tr("Primary Contact Relationship"), QStringLiteral("PER:PRIMARYCONTACTRELATIONSHIP"), QString(),
                14);
    addActionButtons(b, {BrowseManager::ViewControl, BrowseManager::InsertControl, BrowseManager::ChangeControl,
                         BrowseManager::DeleteControl});
    b.setUpdateProcedure([this] { return runForm(); });
    // Whoever is highlighted is the person the rest of the program works on.
    connect(&b, &BrowseManager::recordTaken, this,
            [&b] { person::selectName(b.file().record().text("PER:PERSONSNAME")); });

    m_plans = addButtonTo(b, tr("Health Plans"));
    m_doctors = addButtonTo(b, tr("Doctors"));
    connect(m_plans, &QPushButton::clicked, this, [this] {
        Procedures::instance().startInNewContext(QStringLiteral("BrowsePlanName"), context(), window());
    });
    connect(m_doctors, &QPushButton::clicked, this, [this] {
        Procedures::instance().startInNewContext(QStringLiteral("BrowseDoctors"), context(), window());
    });

    BrowseList *list = b.list();
    list->horizontalHeader()->setStretchLastSection(true);
    const int wide = list->horizontalHeader()->length() + list->verticalScrollBar()->sizeHint().width() + 48;
    window()->resize(std::clamp(wide, 760, 1060), list->heightForRows(16) + 130);
}

int BrowsePerson::runForm()
{
    // The name is taken again in case the buffer moved since the selection.
    if (context().request == Request::Change)
        person::selectName(list().file().record().text("PER:PERSONSNAME"));
    UpdatePersonsName form(context(), window());
    return m_runner ? m_runner(form) : form.execute();
}

BrowsePerson *BrowsePerson::startIn(std::shared_ptr<ThreadContext> context, QWidget *)
{
    return startWindowIn<BrowsePerson>(std::move(context));
}

} // namespace tavimo
