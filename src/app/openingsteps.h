#pragma once

#include <functional>

namespace tavimo {

class Record;
class ThreadContext;

// What the frame does once its window is open: a default for "HPATH",
// the sponsoring doctor (shown, and copied once into the doctors), the
// disclaimer text, and the refill reminder check.
class OpeningSteps
{
public:
    // Shows the sponsor and waits (showdoc); called only when the first
    // sponsor record has a doctor's or a practice name.
    std::function<void(const Record &sponsor)> showSponsor;
    // Shows the refill reminders and waits (remind).
    std::function<void()> showReminders;

    // Runs the steps in their order; true when the sponsor was shown, so
    // that the frame shows its "Your Doctor" item.
    bool run(ThreadContext &context);

    // A prescription is due when its reminder date is today or within the
    // next 30 days; past and blank dates never are.
    static bool reminderDue(ThreadContext &context);
};

} // namespace tavimo
