#include "browsedoctors.h"

#include "browselist.h"
#include "datacontext.h"
#include "referenceforms.h"
#include "relationmanager.h"
#include "startedwindow.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDialog>
#include <QHeaderView>
#include <QScrollBar>

#include <memory>

namespace tavimo {

BrowseDoctors::BrowseDoctors(ThreadContext &context, QWidget *owner)
    : BrowseWindow(context, QStringLiteral("BrowseDoctors"), owner)
{
}

void BrowseDoctors::createBrowses(QWidget *area)
{
    const TableLayout &doctors = tables::doctors();
    BrowseManager &b = addBrowse(std::make_unique<BrowseManager>(), *context().relationManager(doctors), area);
    addOrderTab(b, tr("By Name"), doctors.keyIndex(QStringLiteral("DOC:ByName")));
    b.attachLocator();
    b.attachStep(BrowseStep::Letters | BrowseStep::Digits);
    b.addColumn(tr("Doctors Name"), QStringLiteral("DOC:DOCTORSNAME"), QStringLiteral("s50"), 50);
    b.addColumn(tr("Phone Number"), QStringLiteral("DOC:PHONENUMBER"), QStringLiteral("s14"), 14);
    addActionButtons(b, {BrowseManager::SelectControl, BrowseManager::ViewControl, BrowseManager::InsertControl,
                         BrowseManager::ChangeControl, BrowseManager::DeleteControl});
    b.setUpdateProcedure([this] { return runForm(); });

    // Room for the two columns and a comfortable page of doctors.
    BrowseList *list = b.list();
    const int wide = list->horizontalHeader()->length() + list->verticalScrollBar()->sizeHint().width() + 48;
    window()->resize(std::max(wide, 520), list->heightForRows(14) + 110);
}

int BrowseDoctors::runForm()
{
    ReferenceForm form(context(), ReferenceForm::doctors(), window());
    return m_runner ? m_runner(form) : form.execute();
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
