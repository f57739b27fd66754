#include "browseperson.h"

#include "browselist.h"
#include "browsestep.h"
#include "currentperson.h"
#include "filemanager.h"
#include "procedures.h"
#include "record.h"
#include "startedwindow.h"
#include "threadcontext.h"

#include <QDialog>
#include "updatepersonsname.h"

#include <QHeaderView>
#include <QPushButton>

namespace tavimo {

const ListSpec &BrowsePerson::declaration()
{
    static const ListSpec spec{
        "BrowsePerson", "List People", "PersonsName",
        {{"&1) By Name", "PER:ByName"}},
        true, BrowseStep::Letters | BrowseStep::Digits,
        {{"Name", "PER:PERSONSNAME", "s40", 22},
         {"Street Address", "PER:STREETADDRESS", "s40", 22},
         {"City", "PER:CITY", "", 14},
         {"Zip Code", "PER:ZIPCODE", "", 8},
         {"Phone Number", "PER:PHONENUMBER", "(###) ###-####", 14},
         {"Gender", "PER:GENDER", "", 6},
         {"Email Address", "PER:EMAILADDRESS", "s40", 22},
         {"Primary Contact Name", "PER:PRIMARYCONTACTNAME", "s40", 20},
         {"Primary Contact Relationship", "PER:PRIMARYCONTACTRELATIONSHIP", "", 14}},
        {BrowseManager::ViewControl, BrowseManager::InsertControl, BrowseManager::ChangeControl,
         BrowseManager::DeleteControl},
        "UpdatePersonsName", "listofprofiles.htm", 16};
    return spec;
}

BrowsePerson::BrowsePerson(ThreadContext &context, QWidget *owner) : DeclaredList(context, declaration(), owner)
{
}

void BrowsePerson::listBuilt(BrowseManager &b)
{
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
    b.list()->horizontalHeader()->setStretchLastSection(true);
}

std::unique_ptr<FormWindow> BrowsePerson::makeForm()
{
    return std::make_unique<UpdatePersonsName>(context(), window());
}

int BrowsePerson::runForm()
{
    // The name is taken again in case the buffer moved since the selection.
    if (context().request == Request::Change)
        person::selectName(list().file().record().text("PER:PERSONSNAME"));
    return DeclaredList::runForm();
}

BrowsePerson *BrowsePerson::startIn(std::shared_ptr<ThreadContext> context, QWidget *)
{
    return startWindowIn<BrowsePerson>(std::move(context));
}

} // namespace tavimo
