// Opening the profile form for a person with 10,000 records in each of the
// ten log tables (and as many of another person's): the form shown and
// every tab's list filled, the expense total added up. Run by hand:
//   ./build/bench/bench_profile [google benchmark flags]
// TAVIMO_BENCH_STEPS=1 prints how long the opening and each tab took.
#include "bloodpredata.h"
#include "browselist.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "personlogs.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"
#include "updatepersonsname.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTabWidget>

#include <cstdio>

using namespace tavimo;
using namespace tavimo::benchdata;

namespace {

constexpr int kPerPerson = 10000;
const QString Ann = QStringLiteral("Ann Lee");

// The field a log list finds its person by.
QString nameFieldOf(const PersonLogSpec &spec)
{
    const QString filter = QString::fromLatin1(spec.orders.back().filter);
    return filter.mid(1, filter.indexOf(QLatin1Char('=')) - 1).trimmed();
}

void fillLog(Record &r, const PersonLogSpec &spec, const QString &person, const QString &ssn, int i)
{
    r.clear();
    const TableLayout &t = r.layout();
    const Date first = Date::fromYmd(1995, 1, 1);
    for (int f = 0; f < t.fieldCount(); ++f) {
        switch (t.field(f).type) {
        case FieldType::Date:
            r.setDate(f, first.addDays(i / 4));
            break;
        case FieldType::Time:
            r.setTime(f, Time::fromHms(6 + i % 4 * 4, i % 60));
            break;
        case FieldType::Text:
        case FieldType::CString:
            if (t.field(f).size > 12)
                r.setText(f, QStringLiteral("Entry %1").arg(i));
            break;
        case FieldType::Decimal:
            r.setDecimal(f, Decimal::fromCents(1000 + i % 5000));
            break;
        default:
            r.setInteger(f, i % 10);
            break;
        }
    }
    r.setText(nameFieldOf(spec), person);
    r.setText(t.prefix() + QStringLiteral(":SOCIALSECURITY"), ssn);
    if (spec.tab == 14)
        r.setText(QStringLiteral("PAI:PAINTYPE"), QStringLiteral("Dull"));
    if (spec.tab == 11)
        r.setText(QStringLiteral("PRE:ACTIVE"), i % 3 ? QStringLiteral("Y") : QStringLiteral("N"));
}

// Made once and kept between runs.
QString dataFolder()
{
    const QString dir = benchRoot() + QStringLiteral("/profile-%1").arg(kPerPerson);
    if (QFile::exists(dir + QStringLiteral("/complete")))
        return dir;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    ThreadContext context(programContextConfig(dir));
    FileManager &persons = *context.fileManager(tables::personsName());
    persons.open();
    for (const auto &[first, last, ssn] : {std::tuple{"Ann", "Lee", "123-45-6789"}, {"Bob", "Ray", "999-99-9999"}}) {
        Record &p = persons.record();
        p.clear();
        p.setText("PER:FIRSTNAME", QString::fromLatin1(first));
        p.setText("PER:LASTNAME", QString::fromLatin1(last));
        p.setText("PER:PERSONSNAME", QString::fromLatin1(first) + QLatin1Char(' ') + QString::fromLatin1(last));
        p.setText("PER:SOCIALSECURITY", QString::fromLatin1(ssn));
        p.setText("PER:GENDER", QStringLiteral("F"));
        persons.insert();
    }
    persons.close();
    for (const PersonLogSpec &spec : PersonLogSpec::all()) {
        FileManager &file = *context.fileManager(spec.table());
        file.open();
        file.use(FileManager::UseWrite);
        StoredTable &table = file.table();
        if (context.storage().logout(30, {&table}) != 0) {
            std::fprintf(stderr, "cannot start a transaction on %s\n", qPrintable(spec.table().label()));
            std::exit(1);
        }
        for (int i = 0; i < 2 * kPerPerson; ++i) {
            const bool ann = i % 2 == 0;
            fillLog(table.record(), spec, ann ? Ann : QStringLiteral("Bob Ray"),
                    ann ? QStringLiteral("123-45-6789") : QStringLiteral("999-99-9999"), i);
            if (table.add() != 0) {
                std::fprintf(stderr, "cannot add to %s\n", qPrintable(spec.table().label()));
                std::exit(1);
            }
        }
        context.storage().commit();
        file.close();
    }
    QFile done(dir + QStringLiteral("/complete"));
    done.open(QIODevice::WriteOnly);
    return dir;
}

void BM_OpenProfileForm(benchmark::State &state)
{
    const QString dir = dataFolder();
    ScriptedPresenter presenter;
    ErrorManager::global().setPresenter(&presenter);
    std::size_t rows = 0;
    for (auto _ : state) {
        ThreadContext context(programContextConfig(dir));
        FileManager &persons = *context.fileManager(tables::personsName());
        persons.open();
        persons.record().clear();
        persons.record().setText("PER:PERSONSNAME", Ann);
        if (persons.getByKey(0) != ResultOk) {
            state.SkipWithError("no person");
            break;
        }
        context.request = Request::Change;
        auto t0 = Clock::now();
        UpdatePersonsName form(context);
        form.start();
        if (qEnvironmentVariableIsSet("TAVIMO_BENCH_STEPS"))
            std::fprintf(stderr, "start %.1f ms\n", secondsSince(t0) * 1000);
        // Every tab once, as a person looking through the profile would.
        QTabWidget *tabs = form.tabs();
        for (int i = 0; i < tabs->count(); ++i) {
            t0 = Clock::now();
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            if (qEnvironmentVariableIsSet("TAVIMO_BENCH_STEPS"))
                std::fprintf(stderr, "tab %d %.1f ms\n", i + 1, secondsSince(t0) * 1000);
        }
        rows = 0;
        for (const PersonLogSpec &spec : PersonLogSpec::all()) {
            PersonLogList *list = form.logList(spec.tab);
            if (!list->loaded())
                state.SkipWithError(spec.tabCaption);
            rows += list->rows().size();
        }
        benchmark::DoNotOptimize(form.logList(16)->total());
        form.endWith(Response::Cancelled);
        persons.close();
    }
    state.counters["rows shown"] = double(rows);
    ErrorManager::global().setPresenter(nullptr);
}
BENCHMARK(BM_OpenProfileForm)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
