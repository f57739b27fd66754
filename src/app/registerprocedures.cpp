#include "registerprocedures.h"

#include "browsedoctors.h"
#include "frameprocedures.h"
#include "procedures.h"
#include "threadcontext.h"

namespace tavimo {

void registerProcedures()
{
    Procedures &p = Procedures::instance();
    p.add(QStringLiteral("BrowseDoctors"), [](std::shared_ptr<ThreadContext> context, QWidget *owner) {
        BrowseDoctors::startIn(std::move(context), owner);
    });
    registerFrameProcedures();
}

} // namespace tavimo
