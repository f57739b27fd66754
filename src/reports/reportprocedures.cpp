#include "reportprocedures.h"

#include "bpaverages.h"
#include "procedures.h"

namespace tavimo {

void registerReportProcedures(Procedures &p)
{
    p.addModal(QStringLiteral("bpaverages"),
               [](ThreadContext &context, QWidget *owner) { return BpAverages::run(context, owner); });
}

} // namespace tavimo
