#include "registerprocedures.h"

#include "browsedoctors.h"
#include "browseperson.h"
#include "frameprocedures.h"
#include "prebpaverages.h"
#include "procedures.h"
#include "threadcontext.h"
#include "updatepersonsname.h"

namespace tavimo {

void registerProcedures()
{
    Procedures &p = Procedures::instance();
    p.add(QStringLiteral("BrowseDoctors"), [](std::shared_ptr<ThreadContext> context, QWidget *owner) {
        BrowseDoctors::startIn(std::move(context), owner);
    });
    p.add(QStringLiteral("BrowsePerson"), [](std::shared_ptr<ThreadContext> context, QWidget *owner) {
        BrowsePerson::startIn(std::move(context), owner);
    });
    p.addModal(QStringLiteral("UpdatePersonsName"), [](ThreadContext &context, QWidget *owner) {
        UpdatePersonsName form(context, owner);
        return form.execute();
    });
    p.addModal(QStringLiteral("prebpaverages"), [](ThreadContext &context, QWidget *owner) {
        SelectRecordsForReport window(context, owner);
        return window.execute();
    });
    registerFrameProcedures();
}

} // namespace tavimo
