#include "starterlists.h"

#include "driverstatus.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"
#include "transaction.h"

namespace tavimo {

QStringList starterlists::drugForms()
{
    return {
        QStringLiteral("Tablet"),
        QStringLiteral("Caplet"),
        QStringLiteral("Capsule"),
        QStringLiteral("Chewable Tablet"),
        QStringLiteral("Extended-Release Tablet"),
        QStringLiteral("Dissolving Tablet"),
        QStringLiteral("Liquid"),
        QStringLiteral("Suspension"),
        QStringLiteral("Syrup"),
        QStringLiteral("Drops"),
        QStringLiteral("Eye Drops"),
        QStringLiteral("Ear Drops"),
        QStringLiteral("Nasal Spray"),
        QStringLiteral("Inhaler"),
        QStringLiteral("Injection"),
        QStringLiteral("Cream"),
        QStringLiteral("Ointment"),
        QStringLiteral("Gel"),
        QStringLiteral("Lotion"),
        QStringLiteral("Patch"),
        QStringLiteral("Suppository"),
        QStringLiteral("Powder"),
        QStringLiteral("Lozenge"),
        QStringLiteral("Mouthwash"),
    };
}

QStringList starterlists::labTestNames()
{
    return {
        QStringLiteral("A1C (Hemoglobin A1c)"),
        QStringLiteral("Basic Metabolic Panel"),
        QStringLiteral("Comprehensive Metabolic Panel"),
        QStringLiteral("Complete Blood Count (CBC)"),
        QStringLiteral("Lipid Panel"),
        QStringLiteral("Cholesterol"),
        QStringLiteral("Triglycerides"),
        QStringLiteral("Fasting Glucose"),
        QStringLiteral("TSH (Thyroid Stim. Hormone)"),
        QStringLiteral("Vitamin D"),
        QStringLiteral("Vitamin B12"),
        QStringLiteral("Folate"),
        QStringLiteral("Iron"),
        QStringLiteral("Ferritin"),
        QStringLiteral("PSA (Prostate Antigen)"),
        QStringLiteral("Urinalysis"),
        QStringLiteral("Microalbumin (Urine)"),
        QStringLiteral("INR / Prothrombin Time"),
        QStringLiteral("Liver Panel"),
        QStringLiteral("Kidney Function (eGFR)"),
        QStringLiteral("Creatinine"),
        QStringLiteral("Uric Acid"),
        QStringLiteral("C-Reactive Protein"),
        QStringLiteral("Potassium"),
        QStringLiteral("Sodium"),
        QStringLiteral("Magnesium"),
        QStringLiteral("Calcium"),
    };
}

QStringList starterlists::of(const TableLayout &layout)
{
    if (&layout == &tables::form())
        return drugForms();
    if (&layout == &tables::labTestName())
        return labTestNames();
    return {};
}

QString starterlists::markName()
{
    return QStringLiteral("starter list");
}

namespace {

// Reads whether the table was marked and how many records it holds.
bool readState(StoredTable &table, bool &marked, std::int64_t &count)
{
    if (table.hasMark(starterlists::markName(), marked) != DriverCode::Ok)
        return false;
    count = table.records();
    return count >= 0;
}

// The table is open; adds the list or only marks the table, or says why not.
int settle(FileManager &file, const QStringList &entries)
{
    StoredTable &table = file.table();
    bool marked = false;
    std::int64_t count = 0;
    if (!readState(table, marked, count))
        return file.raise(1);
    // Nothing to add to a read-only table that has records, and the mark
    // can wait until the file can be written.
    if (marked || (count > 0 && table.isReadOnly()))
        return ResultOk;

    ThreadContext &context = file.context();
    Transaction transaction(context.storage());
    if (transaction.beginWaiting(file.lockWaitMs, {&table}) != DriverCode::Ok)
        return file.raise(24);
    // The message is taken before the rollback, which leaves a status of its own.
    auto fail = [&](int id) {
        file.errors().setError(context, id);
        transaction.rollback();
        return file.raiseLast();
    };
    // Asked again under the write lock: another context may have just done it.
    if (!readState(table, marked, count))
        return fail(1);
    if (marked)
        return ResultOk;
    const bool adding = count == 0;
    if (adding) {
        for (const QString &entry : entries) {
            file.newRecord();
            file.record().setText(0, entry);
            if (file.insertQuiet() != ResultOk) {
                transaction.rollback(); // the insert has recorded its message
                return file.raiseLast();
            }
        }
    }
    const int failed = adding ? 4 : 28;
    if (table.mark(starterlists::markName()) != DriverCode::Ok)
        return fail(failed);
    if (transaction.commit() != DriverCode::Ok)
        return file.raise(failed);
    return ResultOk;
}

} // namespace

int starterlists::addOnce(FileManager &file)
{
    const QStringList entries = of(file.layout());
    if (entries.isEmpty())
        return ResultOk;
    // A transaction begun further out may not cover this file, and the list
    // would then not go in all at once: the next context adds it.
    if (file.context().storage().inTransaction())
        return ResultOk;

    // Opened quietly: a file that cannot be opened is told once, by the
    // caller's own opening, which finds the options as they were (a refused
    // write access is then told there too).
    const Record kept = file.record();
    const bool lazy = file.lazyOpen;
    const int mode = file.openMode;
    file.lazyOpen = false;
    int result = ResultOk;
    if (file.openQuiet() == ResultOk) {
        result = settle(file, entries);
        file.close();
    }
    file.lazyOpen = lazy;
    file.openMode = mode;
    file.record() = kept;
    return result;
}

} // namespace tavimo
