#include "datacontext.h"

#include "dictionary.h"
#include "programnames.h"
#include "tables.h"

namespace tavimo {

ContextConfig programContextConfig(const QString &dataDirectory)
{
    return ContextConfig{dataDirectory, tables::all(), tables::ownerPassword(),
                         [](ThreadContext &context) { dictionary::initialise(context); }, nullptr,
                         &ProgramNames::instance()};
}

} // namespace tavimo
