#pragma once

#include <QStringList>

namespace tavimo {

class Procedures;

// Every report procedure written so far, put into the procedure table.
void registerReportProcedures(Procedures &procedures);

// Their names, as the command line runs them.
QStringList reportProcedureNames();

} // namespace tavimo
