#pragma once

namespace tavimo {

// Puts the frame's own windows (the sponsor, the refill reminders and the
// information windows) into the procedure table.
void registerFrameProcedures();

} // namespace tavimo
