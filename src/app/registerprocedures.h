#pragma once

namespace tavimo {

// Puts every window procedure written so far into the procedure table.
void registerProcedures();

} // namespace tavimo
