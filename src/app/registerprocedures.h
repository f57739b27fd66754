#pragma once

#include <QStringList>

namespace tavimo {

// Puts every window procedure written so far into the procedure table.
void registerProcedures();

// The procedures that windows and menus name but that are not written yet:
// starting one says so with "Procedure not defined". A name in neither
// this list nor the procedure table is a misspelling.
const QStringList &proceduresToCome();

} // namespace tavimo
