// What the frame does when it opens: HPATH, the sponsor, the disclaimer,
// the refill reminder check.
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "openingsteps.h"
#include "processvalues.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;
    int sponsorShown = 0;
    int remindersShown = 0;
    QString shownName;
    OpeningSteps steps;

    Fixture()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(tmp.path());
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
        ProcessValues::instance().clear();
        steps.showSponsor = [this](const Record &r) {
            ++sponsorShown;
            shownName = r.text("SPO:DOCTORSNAME");
        };
        steps.showReminders = [this] { ++remindersShown; };
    }
    void addSponsor(const QString &doctor, const QString &practice)
    {
        FileManager &s = *context->fileManager(tables::sponsor());
        s.record().clear();
        s.record().setText("SPO:DOCTORSNAME", doctor);
        s.record().setText("SPO:PRACTICENAME", practice);
        QCOMPARE(s.insert(), int(ResultOk));
    }
    std::int64_t doctors()
    {
        context->fileManager(tables::doctors())->use();
        return context->table(tables::doctors()).records();
    }
};

} // namespace

class TestOpeningSteps : public QObject
{
    Q_OBJECT

private slots:
    void noSponsorAddsNoBlankDoctor();
    void sponsorIsShownAndCopiedOnce();
    void practiceNameAloneShowsTheSponsor();
    void hpathAndDisclaimer();
    void refillReminders_data();
    void refillReminders();
};

void TestOpeningSteps::noSponsorAddsNoBlankDoctor()
{
    Fixture f;
    QVERIFY(!f.steps.run(*f.context));
    QCOMPARE(f.sponsorShown, 0);
    QCOMPARE(f.doctors(), qint64(0));
    QCOMPARE(ProcessValues::instance().settings.sponsorit, QString());
    // A sponsor added later is still copied.
    f.addSponsor(QStringLiteral("Dr. Marsh"), QString());
    QVERIFY(f.steps.run(*f.context));
    QCOMPARE(f.doctors(), qint64(1));
    QCOMPARE(ProcessValues::instance().settings.sponsorit, QStringLiteral("Y"));
}

void TestOpeningSteps::sponsorIsShownAndCopiedOnce()
{
    Fixture f;
    f.addSponsor(QStringLiteral("Dr. Marsh"), QStringLiteral("Maple Practice"));
    QVERIFY(f.steps.run(*f.context));
    QCOMPARE(f.sponsorShown, 1);
    QCOMPARE(f.shownName, QStringLiteral("Dr. Marsh"));
    QCOMPARE(f.doctors(), qint64(1));
    FileManager &d = *f.context->fileManager(tables::doctors());
    d.record().setText("DOC:DOCTORSNAME", QStringLiteral("Dr. Marsh"));
    QCOMPARE(d.getByKey(0), int(ResultOk));
    QCOMPARE(d.record().text("DOC:PRACTICENAME"), QStringLiteral("Maple Practice"));
    // The next run (sponsorit kept as "Y") shows but does not copy again.
    QVERIFY(f.steps.run(*f.context));
    QCOMPARE(f.sponsorShown, 2);
    QCOMPARE(f.doctors(), qint64(1));
}

void TestOpeningSteps::practiceNameAloneShowsTheSponsor()
{
    Fixture f;
    f.addSponsor(QString(), QStringLiteral("Maple Practice"));
    QVERIFY(f.steps.run(*f.context));
    QCOMPARE(f.sponsorShown, 1);
}

void TestOpeningSteps::hpathAndDisclaimer()
{
    Fixture f;
    f.steps.run(*f.context);
    QVERIFY(!ProcessValues::instance().settings.hpath.isEmpty());
    QCOMPARE(ProcessValues::instance().disclaimerText,
             QStringLiteral("Quorvex Inc. does not provide medical advice, or suggest medical procedures. Please "
                            "consult your doctor for advice concerning any medical condition."));
    ProcessValues::instance().settings.hpath = QStringLiteral("/kept");
    f.steps.run(*f.context);
    QCOMPARE(ProcessValues::instance().settings.hpath, QStringLiteral("/kept"));
}

void TestOpeningSteps::refillReminders_data()
{
    QTest::addColumn<int>("days"); // from today; 9999: no date
    QTest::addColumn<QString>("active");
    QTest::addColumn<bool>("due");
    QTest::newRow("today") << 0 << "Y" << true;
    QTest::newRow("today + 30") << 30 << "Y" << true;
    QTest::newRow("today + 31") << 31 << "Y" << false;
    QTest::newRow("yesterday") << -1 << "Y" << false;
    QTest::newRow("no date") << 9999 << "Y" << false;
    QTest::newRow("inactive in ten days") << 10 << "N" << true;
}

void TestOpeningSteps::refillReminders()
{
    QFETCH(int, days);
    QFETCH(QString, active);
    QFETCH(bool, due);
    Fixture f;
    FileManager &pre = *f.context->fileManager(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk));
    pre.record().setText("PRE:ACTIVE", active);
    if (days != 9999)
        pre.record().setDate("PRE:REFILLREMINDERDATE", Date::today().addDays(days));
    QCOMPARE(pre.insert(), int(ResultOk));
    f.steps.run(*f.context);
    QCOMPARE(f.remindersShown, due ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestOpeningSteps)
#include "tst_openingsteps.moc"
