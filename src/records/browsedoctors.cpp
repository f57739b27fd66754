#include "browsedoctors.h"

#include "browsestep.h"
#include "datacontext.h"
#include "referenceforms.h"
#include "startedwindow.h"
#include "threadcontext.h"

#include <QDialog>

namespace tavimo {

const ListSpec &BrowseDoctors::declaration()
{
    static const ListSpec spec{
        "BrowseDoctors", "List Doctors ", "Doctors",
        {{"By Name", "DOC:ByName"}},
        true, BrowseStep::Letters | BrowseStep::Digits,
        {{"Doctors Name", "DOC:DOCTORSNAME", "s50", 50}, {"Phone Number", "DOC:PHONENUMBER", "s14", 14}},
        {BrowseManager::SelectControl, BrowseManager::ViewControl, BrowseManager::InsertControl,
         BrowseManager::ChangeControl, BrowseManager::DeleteControl},
        "UpdateDoctors", "browsedoctors.htm"};
    return spec;
}

BrowseDoctors::BrowseDoctors(ThreadContext &context, QWidget *owner) : DeclaredList(context, declaration(), owner)
{
}

std::unique_ptr<FormWindow> BrowseDoctors::makeForm()
{
    return std::make_unique<ReferenceForm>(context(), ReferenceForm::doctors(), window());
}

BrowseDoctors *BrowseDoctors::startInNewContext(const QString &dataFolder)
{
    return startIn(std::make_shared<ThreadContext>(programContextConfig(dataFolder)));
}

BrowseDoctors *BrowseDoctors::startIn(std::shared_ptr<ThreadContext> context, QWidget *)
{
    return startWindowIn<BrowseDoctors>(std::move(context));
}

} // namespace tavimo
