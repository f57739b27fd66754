#pragma once

namespace tavimo {

class Procedures;

// Every report procedure written so far, put into the procedure table.
void registerReportProcedures(Procedures &procedures);

} // namespace tavimo
