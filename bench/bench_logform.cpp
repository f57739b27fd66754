// The typical request: OK on a new blood pressure reading in the profile
// form, with 1,000,000 readings of 50 persons in the table, until the tab's
// list is refilled with the new reading highlighted. Run by hand:
//   ./build/bench/bench_logform [google benchmark flags]
// The readings are copied from the cached benchmark table into a folder of
// their own, so the cache stays as it was.
#include "bloodpredata.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "formdriver.h"
#include "personlogs.h"
#include "procedures.h"
#include "record.h"
#include "recordwindows.h"
#include "scriptedpresenter.h"
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

constexpr std::int64_t kReadings = 1000000;

QString workFolder()
{
    const Cached &cached = cachedTables(kReadings);
    const QString dir = benchRoot() + QStringLiteral("/logform");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    for (const QString &file : QDir(cached.oursDir).entryList(QDir::Files))
        if (!QFile::copy(cached.oursDir + QLatin1Char('/') + file, dir + QLatin1Char('/') + file))
            qFatal("cannot copy %s", qPrintable(file));
    // The person whose profile is open, as the readings name them.
    ThreadContext context(programContextConfig(dir));
    FileManager &persons = *context.fileManager(tables::personsName());
    persons.open();
    const Person &p = people().front();
    Record &r = persons.record();
    r.clear();
    r.setText("PER:FIRSTNAME", p.first.q);
    r.setText("PER:LASTNAME", p.last.q);
    r.setText("PER:PERSONSNAME", p.name.q);
    r.setText("PER:SOCIALSECURITY", p.ssn.q);
    if (persons.insert() != ResultOk)
        qFatal("cannot add the person");
    persons.close();
    return dir;
}

void BM_OkOnNewReading(benchmark::State &state)
{
    static const QString dir = workFolder();
    ScriptedPresenter presenter;
    ErrorManager::global().setPresenter(&presenter);
    registerRecordWindows(Procedures::instance());

    ThreadContext context(programContextConfig(dir));
    FileManager &persons = *context.fileManager(tables::personsName());
    persons.open();
    persons.record().clear();
    persons.record().setText("PER:PERSONSNAME", people().front().name.q);
    if (persons.getByKey(0) != ResultOk) {
        state.SkipWithError("no person");
        return;
    }
    context.request = Request::Change;
    UpdatePersonsName profile(context);
    profile.start();
    profile.tabs()->setCurrentIndex(8); // 9) Blood Pressure Monitoring
    QApplication::processEvents();
    PersonLogList &list = *profile.logList(9);

    Clock::time_point okPressed;
    int n = 0;
    profile.setFormRunner([&](const QString &procedure) {
        std::unique_ptr<FormWindow> form = Procedures::instance().makeForm(procedure, context, profile.window());
        if (!form || !form->start())
            return int(Response::Cancelled);
        FormDriver d(*form);
        d.type(QStringLiteral("BLO:SYSTOLIC"), QString::number(110 + n % 40));
        d.type(QStringLiteral("BLO:DIASTOLIC"), QString::number(70 + n % 20));
        d.type(QStringLiteral("BLO:PULSE"), QString::number(60 + n % 30));
        ++n;
        okPressed = Clock::now();
        d.ok();
        return form->response;
    });
    for (auto _ : state) {
        if (!list.press(BrowseManager::InsertControl)) {
            state.SkipWithError("insert not pressed");
            break;
        }
        state.SetIterationTime(secondsSince(okPressed));
        if (list.currentChoice() < 1)
            state.SkipWithError("the new reading is not highlighted");
    }
    state.counters["readings added"] = n;
    profile.endWith(Response::Cancelled);
    persons.close();
    ErrorManager::global().setPresenter(nullptr);
}
BENCHMARK(BM_OkOnNewReading)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3.0);

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
