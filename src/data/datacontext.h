#pragma once

#include "threadcontext.h"

#include <memory>

namespace tavimo {

// The configuration of every context of this program: all tables, the
// owner password and the given data folder.
ContextConfig programContextConfig(const QString &dataDirectory);

} // namespace tavimo
