#include "checkdata.h"

#include "datacontext.h"
#include "datafolder.h"
#include "driverstatus.h"
#include "onlinebackup.h"
#include "ownerkey.h"
#include "threadcontext.h"

#include <QFileInfo>
#include <QSet>

namespace tavimo {

namespace {

QString describe(const DriverStatus &s)
{
    QString text = QStringLiteral("%1 (%2)").arg(s.text).arg(s.code);
    if (!s.fileError.isEmpty())
        text += QStringLiteral(": %1 (%2)").arg(s.fileError, s.fileErrorCode);
    return text;
}

} // namespace

int checkData(const QString &dataFolder, QTextStream &out, QTextStream &err)
{
    return checkFolder(dataFolder, CheckMode::Repair, out, err);
}

int checkFolder(const QString &folder, CheckMode mode, QTextStream &out, QTextStream &err)
{
    const bool repair = mode == CheckMode::Repair;
    ThreadContext context(programContextConfig(folder));
    const QString privacy = repair ? makeDataFolderPrivate(folder, tableFiles(context)) : QString();
    out << (repair ? "Data folder: " : "Backup: ") << folder << '\n';
    if (!privacy.isEmpty())
        err << privacy << '\n';
    const QString readOnly = repair ? readOnlyDataPath(folder, writtenDataFiles(context)) : QString();
    const bool folderReadOnly = readOnly == folder;
    int failures = 0;
    QSet<QString> checkedFiles;

    for (const auto &tablePtr : context.tables()) {
        StoredTable &table = *tablePtr;
        const TableLayout &layout = table.layout();
        const QString file = QFileInfo(table.path()).fileName();
        const QString protection = layout.isEncrypted() ? QStringLiteral("encrypted") : QStringLiteral("plain");
        const QString head = QStringLiteral("%1 %2 %3 ")
                                 .arg(layout.label(), -16)
                                 .arg(file, -14)
                                 .arg(protection, -9);

        const bool fileReadOnly = !repair || folderReadOnly || readOnly == table.path();
        int code = table.open(fileReadOnly ? 0x40 : StoredTable::DefaultOpenMode);
        QString note = fileReadOnly && repair ? QStringLiteral(", read-only") : QString();
        if (code == DriverCode::NoFile && !layout.createWhenMissing()) {
            out << head << "absent (the sample file that ships with the program)\n";
            continue;
        }
        if (code == DriverCode::NoFile && !repair) {
            out << head << "absent (made when Tavimo first uses it)\n";
            continue;
        }
        if (code == DriverCode::NoFile && folderReadOnly) {
            ++failures;
            out << head << "absent, cannot be created in a read-only folder\n";
            continue;
        }
        if (code == DriverCode::NoFile) {
            code = table.create();
            if (code == DriverCode::Ok) {
                code = table.open();
                note = QStringLiteral(", created");
            }
        }
        if (code == DriverCode::InvalidKeys && !fileReadOnly) {
            code = table.build();
            if (code == DriverCode::Ok) {
                code = table.open();
                note = QStringLiteral(", keys rebuilt");
            }
        }
        if (!repair && (code == DriverCode::OlderLayout || code == DriverCode::InvalidKeys)) {
            // Only the file can be checked: its records need the layout they were written with.
            QString problem;
            const QByteArray key = layout.hasPassword() ? rawCipherKey(context.config().ownerPassword) : QByteArray();
            if (!checkedFiles.contains(table.path()) && !checkDataFile(table.path(), key, problem)) {
                ++failures;
                out << head << "DAMAGED\n";
                err << "The table " << layout.label() << " in " << table.path() << " is damaged: " << problem << '\n';
                continue;
            }
            checkedFiles.insert(table.path());
            if (code == DriverCode::OlderLayout)
                out << head << "layout version " << table.storedLayoutVersion() << ", upgraded when Tavimo opens it\n";
            else
                out << head << "keys rebuilt when Tavimo opens it\n";
            continue;
        }
        if (code != DriverCode::Ok) {
            ++failures;
            out << head << "CANNOT BE USED\n";
            err << "Tavimo cannot use the table " << layout.label() << " in " << table.path() << ": "
                << describe(table.status()) << '\n';
            continue;
        }
        if (table.upgradedFrom())
            note += QStringLiteral(", upgraded from layout version %1").arg(table.upgradedFrom());

        QString problem;
        bool good = true;
        if (!checkedFiles.contains(table.path())) {
            checkedFiles.insert(table.path());
            good = table.checkFileIntegrity(problem);
        }
        if (good)
            good = table.verifyKeys(problem);
        const std::int64_t count = table.records();
        table.close();
        if (!good || count < 0) {
            ++failures;
            out << head << "DAMAGED\n";
            err << "The table " << layout.label() << " in " << table.path() << " is damaged: "
                << (problem.isEmpty() ? describe(table.status()) : problem) << '\n';
            continue;
        }
        out << head << count << (count == 1 ? " record" : " records") << note << '\n';
    }
    out.flush();
    if (!readOnly.isEmpty()) {
        err << (folderReadOnly ? "The data folder " : "The data file ") << readOnly
            << " is read-only: Tavimo can show what it holds but cannot save any change.\n";
    }
    if (failures) {
        err << failures << (failures == 1 ? " table" : " tables")
            << " cannot be used. Keep a copy of the data folder before trying anything else.\n";
    }
    if (failures || !readOnly.isEmpty() || !privacy.isEmpty()) {
        err.flush();
        return 1;
    }
    out << "All tables can be used.\n";
    out.flush();
    return 0;
}

} // namespace tavimo
