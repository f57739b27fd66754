#include "registerprocedures.h"

#include "frameprocedures.h"
#include "procedures.h"
#include "recordwindows.h"

namespace tavimo {

void registerProcedures()
{
    registerRecordWindows(Procedures::instance());
    registerFrameProcedures();
}

} // namespace tavimo
