#include "reportprocedures.h"

#include "bpaverages.h"
#include "procedures.h"

#include <vector>

namespace tavimo {

namespace {

struct Report
{
    const char *name;
    Procedures::Runner run;
};

const std::vector<Report> &reports()
{
    static const std::vector<Report> list{
        {"bpaverages", [](ThreadContext &context, QWidget *owner) { return BpAverages::run(context, owner); }},
    };
    return list;
}

} // namespace

void registerReportProcedures(Procedures &p)
{
    for (const Report &r : reports())
        p.addModal(QString::fromLatin1(r.name), r.run);
}

QStringList reportProcedureNames()
{
    QStringList names;
    for (const Report &r : reports())
        names << QString::fromLatin1(r.name);
    return names;
}

} // namespace tavimo
