// Filtered views over large tables: the first page of a person's readings
// and date-limited lists, read through the keys. Run by hand:
//   ./build/bench/bench_views [google benchmark flags]
#include "bloodpredata.h"
#include "filterexpression.h"
#include "tables.h"
#include "tableview.h"

#include <benchmark/benchmark.h>

#include <QDir>

#include <cstdio>

using namespace tavimo;
using namespace tavimo::benchdata;

namespace {

constexpr std::int64_t kReadings = 1'000'000;
constexpr std::int64_t kPrescriptions = 100'000;
constexpr int kPage = 20;

struct Opened
{
    std::unique_ptr<Ours> ours;
    std::unique_ptr<TableView> view;
};

Opened openReadings()
{
    Opened o;
    o.ours = std::make_unique<Ours>(cachedTables(kReadings).oursDir);
    if (o.ours->table.open() != 0)
        qFatal("%s", qPrintable(o.ours->error("open")));
    o.view = std::make_unique<TableView>(o.ours->table);
    return o;
}

int readPage(TableView &view)
{
    int n = 0;
    while (n < kPage && view.next() == 0)
        ++n;
    return n;
}

// A person's readings by name or by social security number, in name order.
void personPage(benchmark::State &state)
{
    Opened o = openReadings();
    const TableLayout &blo = tables::bloodpre();
    o.view->setOrder(blo.key(blo.keyIndex(QStringLiteral("Blo:byperson"))).components);
    if (o.view->setFilter(QStringLiteral("(Blo:personname=personname  OR Blo:SocialSecurity = ssnum)")) != 0)
        qFatal("filter refused");
    FilterNameList names;
    std::size_t next = 0;
    std::int64_t rows = 0;
    for (auto _ : state) {
        const Person &p = people()[next++ % people().size()];
        names.set(QStringLiteral("personname"), FilterValue::fromText(p.name.q));
        names.set(QStringLiteral("ssnum"), FilterValue::fromText(p.ssn.q));
        if (o.view->restart(names) != 0)
            qFatal("restart failed");
        rows += readPage(*o.view);
    }
    state.counters["rows/page"] = double(rows) / double(state.iterations());
    state.counters["stretches"] = o.view->readsStretches();
}

// A person's readings within three months, in the key of name and date.
void personDateWindow(benchmark::State &state)
{
    Opened o = openReadings();
    const TableLayout &blo = tables::bloodpre();
    const KeyDef &byDate = blo.key(blo.keyIndex(QStringLiteral("Blo:ByDate")));
    o.view->setOrder(byDate.components);
    if (o.view->setFilter(QStringLiteral("Blo:personname=personname  AND (Blo:Date >= FromDate  AND Blo:date <= ToDate)"))
        != 0)
        qFatal("filter refused");
    FilterNameList names;
    std::size_t next = 0;
    std::int64_t rows = 0;
    for (auto _ : state) {
        const Person &p = people()[next % people().size()];
        const Date from = Date::fromYmd(2010, 1, 1).addDays(int((next * 97) % 4000));
        ++next;
        names.set(QStringLiteral("personname"), FilterValue::fromText(p.name.q));
        names.set(QStringLiteral("FromDate"), FilterValue::fromDate(from));
        names.set(QStringLiteral("ToDate"), FilterValue::fromDate(from.addDays(90)));
        if (o.view->restart(names) != 0)
            qFatal("restart failed");
        rows += readPage(*o.view);
    }
    state.counters["rows/page"] = double(rows) / double(state.iterations());
    state.counters["stretches"] = o.view->readsStretches();
}

// Prescriptions due for a refill within 30 days, over all persons.
QString prescriptionsDir()
{
    const QString dir = benchRoot() + QStringLiteral("/prescripts-%1").arg(kPrescriptions);
    Ours probe(dir);
    StoredTable t(probe.session, tables::prescripts());
    t.setOwnerPassword(tables::ownerPassword());
    if (t.open() == 0 && t.records() == kPrescriptions)
        return dir;
    t.close();
    std::fprintf(stderr, "building %lld prescriptions under %s ...\n", static_cast<long long>(kPrescriptions),
                 qPrintable(dir));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    if (t.create() != 0 || t.open() != 0)
        qFatal("cannot create prescriptions");
    probe.session.logout(60, {&t});
    const Date today = Date::today();
    for (std::int64_t i = 0; i < kPrescriptions; ++i) {
        Record &r = t.record();
        r.clear();
        const Person &p = people()[std::size_t(i) % people().size()];
        r.setText("PRE:PERSONSNAME", p.name.q);
        r.setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Drug %1").arg(i % 700));
        r.setText("PRE:ACTIVE", i % 5 ? QStringLiteral("Y") : QStringLiteral("N"));
        r.setText("PRE:PRINTKEY", QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0')));
        // Most reminders lie further ahead or are blank; one in a hundred falls
        // in the next month and one in a hundred has passed.
        if (i % 100 == 0)
            r.setDate("PRE:REFILLREMINDERDATE", today.addDays(int(i % 30)));
        else if (i % 100 == 1)
            r.setDate("PRE:REFILLREMINDERDATE", today.addDays(-int(i % 400) - 1));
        else if (i % 4)
            r.setDate("PRE:REFILLREMINDERDATE", today.addDays(31 + int((i * 7919) % 4000)));
        if (t.add() != 0)
            qFatal("add failed");
    }
    probe.session.commit();
    return dir;
}

void refillReminders(benchmark::State &state)
{
    Ours o(prescriptionsDir());
    StoredTable t(o.session, tables::prescripts());
    t.setOwnerPassword(tables::ownerPassword());
    if (t.open() != 0)
        qFatal("open failed");
    TableView view(t);
    view.setOrder(tables::prescripts().key(tables::prescripts().keyIndex(QStringLiteral("PRE:ByDate"))).components);
    view.setFilter(QStringLiteral(
        "(PRE:RefillReminderDate < today()+30 and PRE:RefillReminderDate > '' and PRE:Active = 'Y')"));
    FilterNameList names;
    std::int64_t rows = 0;
    for (auto _ : state) {
        if (view.restart(names) != 0)
            qFatal("restart failed");
        while (view.next() == 0)
            ++rows;
    }
    state.counters["rows"] = double(rows) / double(state.iterations());
    state.counters["stretches"] = view.readsStretches();
}

} // namespace

BENCHMARK(personPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(personDateWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(refillReminders)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char **argv)
{
    QDir().mkpath(benchRoot());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
