// tavimo import-csv TABLE [--person NAME] [--dry-run] [--map HEADING=FIELD]... FILE
// tavimo export-csv TABLE [--person NAME] [--from DATE] [--to DATE] FILE|-
#include "commandlist.h"
#include "folderlock.h"

#include "csvtables.h"
#include "tables.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFile>

#include <cstdio>

namespace tavimo::commands {

namespace {

// QCommandLineParser takes a lone "-" for an option without a name.
const QString kStandardStream = QStringLiteral("\x01-");

QStringList withStandardStream(const QStringList &arguments)
{
    QStringList out = arguments;
    for (QString &a : out)
        if (a == QLatin1String("-"))
            a = kStandardStream;
    return out;
}

int exitOf(csv::Outcome outcome)
{
    switch (outcome) {
    case csv::Outcome::Done:
        return Success;
    case csv::Outcome::NothingMatched:
    case csv::Outcome::Failed:
        return NothingMatched;
    case csv::Outcome::BadInput:
        return BadInput;
    }
    return BadInput;
}

const TableLayout *tableNamed(const QString &label, const Command &self, QTextStream &err, int &status)
{
    const TableLayout *table = tables::byLabel(label);
    if (!table) {
        QStringList labels;
        for (const TableLayout *t : tables::all())
            labels << t->label();
        status = usage(self, err, QStringLiteral("no table \"%1\"; there are: %2").arg(label, labels.join(QStringLiteral(", "))));
    }
    return table;
}

int fail(const Command &self, QTextStream &err, const QString &message, int status)
{
    err << "tavimo " << self.name << ": " << message << '\n';
    err.flush();
    return status;
}

int runImport(Invocation &call, const Command &self)
{
    QCommandLineParser parser;
    const QCommandLineOption personOption(QStringLiteral("person"), QString(), QStringLiteral("name"));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"));
    const QCommandLineOption mapOption(QStringLiteral("map"), QString(), QStringLiteral("heading=field"));
    parser.addOptions({personOption, dryRunOption, mapOption});
    if (!parser.parse(QStringList{QStringLiteral("tavimo import-csv")} + withStandardStream(call.arguments)))
        return usage(self, call.err, parser.errorText());
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usage(self, call.err, positional.size() < 2 ? QStringLiteral("which table, and which file?")
                                                           : QStringLiteral("one table and one file"));
    int status = Success;
    csv::ImportRequest request;
    request.table = tableNamed(positional[0], self, call.err, status);
    if (!request.table)
        return status;
    request.person = parser.value(personOption).trimmed();
    if (parser.isSet(personOption) && request.person.isEmpty())
        return usage(self, call.err, QStringLiteral("--person needs a name"));
    request.dryRun = parser.isSet(dryRunOption);
    for (const QString &m : parser.values(mapOption)) {
        const qsizetype eq = m.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return usage(self, call.err, QStringLiteral("--map \"%1\" is not HEADING=FIELD").arg(m));
        request.map.emplace_back(m.left(eq), m.mid(eq + 1));
    }

    const QString fileName = positional[1];
    const bool standardInput = fileName == kStandardStream;
    QFile file(standardInput ? QString() : fileName);
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened)
        return fail(self, call.err, QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()), BadInput);
    const QByteArray bytes = file.readAll();
    FolderLock lock(call.dataFolder);
    if (!shareDataFolder(lock, self, call))
        return NothingMatched;
    const csv::Report report = csv::importCsv(call.dataFolder, request, bytes);
    if (report.outcome != csv::Outcome::Done)
        return fail(self, call.err,
                    QStringLiteral("%1%2; nothing was imported")
                        .arg(standardInput ? QString() : fileName + QStringLiteral(": "), report.message),
                    exitOf(report.outcome));
    const QString table = request.table->label();
    if (request.dryRun)
        call.out << "checked " << report.records << (report.records == 1 ? " record" : " records") << " for "
                 << table << "; nothing was written (--dry-run)\n";
    else
        call.out << "imported " << report.records << (report.records == 1 ? " record" : " records") << " into "
                 << table << '\n';
    return Success;
}

int runExport(Invocation &call, const Command &self)
{
    QCommandLineParser parser;
    const QCommandLineOption personOption(QStringLiteral("person"), QString(), QStringLiteral("name"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QString(), QStringLiteral("date"));
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("date"));
    parser.addOptions({personOption, fromOption, toOption});
    if (!parser.parse(QStringList{QStringLiteral("tavimo export-csv")} + withStandardStream(call.arguments)))
        return usage(self, call.err, parser.errorText());
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usage(self, call.err, positional.size() < 2 ? QStringLiteral("which table, and which file (- for standard output)?")
                                                           : QStringLiteral("one table and one file"));
    int status = Success;
    csv::ExportRequest request;
    request.table = tableNamed(positional[0], self, call.err, status);
    if (!request.table)
        return status;
    request.person = parser.value(personOption).trimmed();
    if (parser.isSet(personOption) && request.person.isEmpty())
        return usage(self, call.err, QStringLiteral("--person needs a name"));
    if (parser.isSet(fromOption) && !readDate(parser.value(fromOption), request.from))
        return usage(self, call.err, QStringLiteral("--from \"%1\" is not a date like 2026-10-01").arg(parser.value(fromOption)));
    if (parser.isSet(toOption) && !readDate(parser.value(toOption), request.to))
        return usage(self, call.err, QStringLiteral("--to \"%1\" is not a date like 2026-10-31").arg(parser.value(toOption)));
    if (!request.from.isNull() && !request.to.isNull() && request.to < request.from)
        return usage(self, call.err, QStringLiteral("--to comes before --from"));

    const QString fileName = positional[1];
    csv::Report report;
    if (fileName == kStandardStream) {
        call.out.flush();
        QFile standardOutput;
        if (!standardOutput.open(stdout, QIODevice::WriteOnly))
            return fail(self, call.err, QStringLiteral("cannot write to standard output"), NothingMatched);
        report = csv::exportCsv(call.dataFolder, request, standardOutput);
        standardOutput.flush();
    } else {
        report = csv::exportCsvFile(call.dataFolder, request, fileName);
    }
    if (report.outcome != csv::Outcome::Done)
        return fail(self, call.err,
                    report.outcome == csv::Outcome::NothingMatched
                        ? QStringLiteral("%1; no file was written").arg(report.message)
                        : report.message,
                    exitOf(report.outcome));
    if (fileName != kStandardStream)
        call.out << "exported " << report.records << (report.records == 1 ? " record" : " records") << " of "
                 << request.table->label() << " to " << fileName << '\n';
    return Success;
}

} // namespace

std::vector<Command> csvCommands()
{
    Command import;
    import.name = QStringLiteral("import-csv");
    import.usage = QStringLiteral("TABLE [--person NAME] [--dry-run] [--map HEADING=FIELD]... FILE");
    import.summary = QStringLiteral(
        "Adds the rows of a CSV file to TABLE (Bloodpre, Glucose, LabTests, ..., PersonsName for people), all "
        "or none: a header of field names (DATE,TIME,SYSTOLIC,...) or --map HEADING=FIELD (FIELD empty: leave "
        "the column out); comma or semicolon, UTF-8; dates 2026-10-01, times 07:30, a point in decimals; date "
        "and time in one column or two. A log's rows are --person's, or name their person. Rows count as a "
        "spreadsheet shows them (the header is row 1); a bad row imports nothing and is named. --dry-run "
        "checks without writing.");
    import.run = [](Invocation &call) { return runImport(call, *find(QStringLiteral("import-csv"))); };

    Command exporter;
    exporter.name = QStringLiteral("export-csv");
    exporter.usage = QStringLiteral("TABLE [--person NAME] [--from DATE] [--to DATE] FILE|-");
    exporter.summary = QStringLiteral(
        "Writes TABLE's records (of --person, dated --from and --to on the table's first date) to a CSV file "
        "only its owner may read, or to standard output with -, in the order of the table's first key, in the "
        "form import-csv takes back; nothing is written when no record matched.");
    exporter.run = [](Invocation &call) { return runExport(call, *find(QStringLiteral("export-csv"))); };
    return {import, exporter};
}

} // namespace tavimo::commands
