// tavimo report PROCEDURE --person NAME [--from DATE] [--to DATE] --out FILE.pdf [--password PW]
#include "batchreport.h"
#include "commandlist.h"
#include "currentperson.h"
#include "datacontext.h"
#include "errormanager.h"
#include "folderlock.h"
#include "processvalues.h"
#include "procedurewindow.h"
#include "procedures.h"
#include "reportprocedures.h"
#include "storedtable.h"
#include "streampresenter.h"
#include "tables.h"
#include "threadcontext.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFile>
#include <QFileInfo>

namespace tavimo::commands {

namespace {

constexpr int kShortestPassword = 6;

// The person whose name is given, into the current person, as the profile
// form makes a person current. False when there is no such person.
bool makePersonCurrent(ThreadContext &context, const QString &name)
{
    StoredTable &people = context.table(tables::personsName());
    const bool wasOpen = people.isOpen();
    if (!wasOpen && people.open(0x40) != DriverCode::Ok)
        return false;
    bool found = false;
    if (people.set() == DriverCode::Ok) {
        while (people.next() == DriverCode::Ok) {
            if (people.record().text("PER:PERSONSNAME").trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0) {
                person::makeCurrent(people.record());
                found = true;
                break;
            }
        }
    }
    if (!wasOpen)
        people.close();
    return found;
}

int runReport(Invocation &call, const Command &self)
{
    QCommandLineParser parser;
    const QCommandLineOption personOption(QStringLiteral("person"), QString(), QStringLiteral("name"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QString(), QStringLiteral("date"));
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("date"));
    const QCommandLineOption outOption(QStringLiteral("out"), QString(), QStringLiteral("file"));
    const QCommandLineOption passwordOption(QStringLiteral("password"), QString(), QStringLiteral("password"));
    const QCommandLineOption passwordFileOption(QStringLiteral("password-file"), QString(), QStringLiteral("file"));
    parser.addOptions({personOption, fromOption, toOption, outOption, passwordOption, passwordFileOption});
    parser.addPositionalArgument(QStringLiteral("procedure"), QString());
    if (!parser.parse(QStringList{QStringLiteral("tavimo report")} + call.arguments))
        return usage(self, call.err, parser.errorText());
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return usage(self, call.err, positional.isEmpty() ? QStringLiteral("which report?")
                                                          : QStringLiteral("one report at a time"));
    const QString procedure = positional.first();
    if (!reportProcedureNames().contains(procedure))
        return usage(self, call.err, QStringLiteral("no report procedure \"%1\"; there are: %2")
                                         .arg(procedure, reportProcedureNames().join(QStringLiteral(", "))));
    if (!parser.isSet(personOption))
        return usage(self, call.err, QStringLiteral("--person is needed: whose records to report"));
    if (!parser.isSet(outOption) || parser.value(outOption).isEmpty())
        return usage(self, call.err, QStringLiteral("--out is needed: the PDF file to write"));

    // From the first record on, and up to the last, unless limited.
    Date from = Date::fromYmd(1800, 1, 1);
    Date to = Date::fromYmd(9999, 12, 31);
    if (parser.isSet(fromOption) && !readDate(parser.value(fromOption), from))
        return usage(self, call.err,
                     QStringLiteral("--from \"%1\" is not a date like 2026-10-01").arg(parser.value(fromOption)));
    if (parser.isSet(toOption) && !readDate(parser.value(toOption), to))
        return usage(self, call.err,
                     QStringLiteral("--to \"%1\" is not a date like 2026-10-31").arg(parser.value(toOption)));
    if (to.toQDate() < from.toQDate())
        return usage(self, call.err, QStringLiteral("--to comes before --from"));

    QByteArray password = parser.value(passwordOption).toUtf8();
    if (parser.isSet(passwordFileOption)) {
        QFile file(parser.value(passwordFileOption));
        if (!file.open(QIODevice::ReadOnly))
            return usage(self, call.err, QStringLiteral("cannot read the password file %1: %2")
                                             .arg(file.fileName(), file.errorString()));
        password = file.readLine().trimmed();
    }
    if ((parser.isSet(passwordOption) || parser.isSet(passwordFileOption)) && password.size() < kShortestPassword)
        return usage(self, call.err,
                     QStringLiteral("the password must have at least %1 characters").arg(kShortestPassword));

    const QString out = QFileInfo(parser.value(outOption)).absoluteFilePath();

    FolderLock lock(call.dataFolder);
    if (!shareDataFolder(lock, self, call))
        return NothingMatched;

    // Messages go to standard error, one line each; nobody is there to answer.
    StreamPresenter toStandardError(stderr);
    ErrorManager &errors = ErrorManager::global();
    errors.init();
    errors.setPresenter(&toStandardError);
    ProcessValues &values = ProcessValues::instance();
    values.clear();
    ThreadContext context(programContextConfig(call.dataFolder));
    if (!makePersonCurrent(context, parser.value(personOption))) {
        errors.setPresenter(nullptr);
        call.err << "tavimo report: no person named \"" << parser.value(personOption) << "\" in "
                 << call.dataFolder << '\n';
        return BadInput;
    }
    values.fromDate = from;
    values.toDate = to;

    int response = 0;
    QStringList written;
    {
        BatchReportScope batch(BatchReport{out, password, {}});
        Procedures reports;
        registerReportProcedures(reports);
        response = reports.run(procedure, context, nullptr);
        written = batch.current()->written;
    }
    errors.setPresenter(nullptr);
    values.clear();

    if (response != Response::Completed || written.isEmpty()) {
        call.err << "tavimo report: " << procedure << " wrote no file: no record of "
                 << parser.value(personOption) << " matched, or the report failed (said above)\n";
        return NothingMatched;
    }
    call.out << written.join(QLatin1Char('\n')) << '\n';
    return Success;
}

} // namespace

std::vector<Command> reportCommands()
{
    Command report;
    report.name = QStringLiteral("report");
    report.usage = QStringLiteral("PROCEDURE --person NAME [--from DATE] [--to DATE] --out FILE.pdf "
                                  "[--password PW | --password-file FILE]");
    report.summary = QStringLiteral("Writes a report (such as bpaverages) as a PDF without a window, as its "
                                    "Save As would; dates as 2026-10-01; no file when no record matched. A "
                                    "password of at least 6 characters protects the file (--password shows it "
                                    "to other users of this machine: prefer --password-file).");
    report.paints = true;
    report.run = [](Invocation &call) { return runReport(call, *find(QStringLiteral("report"))); };
    return {report};
}

} // namespace tavimo::commands
