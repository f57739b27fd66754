#include "frameprocedures.h"

#include "procedures.h"

namespace tavimo {

void registerFrameProcedures()
{
}

} // namespace tavimo
