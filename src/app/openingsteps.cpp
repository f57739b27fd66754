#include "openingsteps.h"

#include "filemanager.h"
#include "processvalues.h"
#include "record.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDir>

#include <cstring>

namespace tavimo {

bool OpeningSteps::run(ThreadContext &context)
{
    PreservedSettings &settings = ProcessValues::instance().settings;

    // 1. Nothing reads "HPATH"; it gets the current folder when blank.
    if (settings.hpath.trimmed().isEmpty())
        settings.hpath = QDir::toNativeSeparators(QDir::currentPath()).left(70);

    // 2. The first sponsor record, in record order.
    FileManager &sponsors = *context.fileManager(tables::sponsor());
    bool found = false;
    if (sponsors.use() == ResultOk && context.table(tables::sponsor()).set(StoredTable::ByTable) == 0)
        found = sponsors.next() == ResultOk;
    if (!found)
        sponsors.record().clear();
    const Record sponsor = sponsors.record();
    const bool named = found
        && (!sponsor.text("SPO:DOCTORSNAME").isEmpty() || !sponsor.text("SPO:PRACTICENAME").isEmpty());
    if (named && showSponsor)
        showSponsor(sponsor);

    // 3. The sponsor joins the doctors once. With no sponsor at all nothing
    // is added, and "sponsorit" stays blank so a sponsor added later still
    // gets copied.
    if (settings.sponsorit.trimmed().isEmpty() && found) {
        FileManager &doctors = *context.fileManager(tables::doctors());
        if (doctors.open() == ResultOk) {
            // The two layouts are the same field for field.
            Record &doctor = doctors.record();
            doctor.clear();
            std::memcpy(doctor.data(), sponsor.data(), std::size_t(std::min(doctor.size(), sponsor.size())));
            doctors.insertQuiet();
            doctors.close();
        }
        settings.sponsorit = QStringLiteral("Y");
    }

    // 4. The text the reports print.
    ProcessValues::instance().disclaimerText = defaultDisclaimerText();

    // 5. Refill reminders.
    if (reminderDue(context) && showReminders)
        showReminders();
    return named;
}

bool OpeningSteps::reminderDue(ThreadContext &context)
{
    FileManager &prescriptions = *context.fileManager(tables::prescripts());
    if (prescriptions.use() != ResultOk)
        return false;
    StoredTable &table = context.table(tables::prescripts());
    const int state = table.saveState();
    const Date today = Date::today();
    const Date last = today.addDays(30);
    bool due = false;
    table.set(StoredTable::ByTable);
    while (!due && table.next() == 0) {
        const Date date = table.record().date("PRE:REFILLREMINDERDATE");
        due = !date.isNull() && date >= today && date <= last;
    }
    table.restoreState(state);
    table.freeState(state);
    return due;
}

} // namespace tavimo
