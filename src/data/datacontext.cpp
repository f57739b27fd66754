#include "datacontext.h"

#include "tables.h"

namespace tavimo {

ContextConfig programContextConfig(const QString &dataDirectory)
{
    return ContextConfig{dataDirectory, tables::all(), tables::ownerPassword()};
}

} // namespace tavimo
