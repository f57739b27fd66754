// The view manager: filter and order texts, ranges, reading, new records.
#include "datacontext.h"
#include "driverstatus.h"
#include "errormanager.h"
#include "filemanager.h"
#include "processvalues.h"
#include "record.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "storedtable.h"
#include "tables.h"
#include "tableview.h"
#include "threadcontext.h"
#include "viewmanager.h"

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

    Fixture()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(tmp.path());
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
        ProcessValues::instance().clear();
    }
    FileManager &file(const TableLayout &t) { return *context->fileManager(t); }
    RelationManager &relation(const TableLayout &t) { return *context->relationManager(t); }
    int field(const TableLayout &t, const char *name) { return t.fieldIndex(QString::fromLatin1(name)); }

    void addGlucose(const QString &person, const QString &ssn, Date date, int reading)
    {
        FileManager &g = file(tables::glucose());
        g.record().clear();
        g.record().setText("GLU:PERSONNAME", person);
        g.record().setText("GLU:SOCIALSECURITY", ssn);
        g.record().setDate("GLU:DATE", date);
        g.record().setInteger("GLU:READING", reading);
        QCOMPARE(g.insert(), int(ResultOk));
    }
};

// Stops at the first reading over 300 and passes over readings under 80.
class ScreenedView : public ViewManager
{
public:
    int checkViewRecord() override
    {
        const int reading = file().record().integer("GLU:READING");
        if (reading > 300)
            return 1;
        return reading < 80 ? 2 : 0;
    }
};

QList<int> readings(ViewManager &view)
{
    QList<int> out;
    while (view.next() == ResultOk)
        out << view.file().record().integer("GLU:READING");
    return out;
}

} // namespace

class TestViewManager : public QObject
{
    Q_OBJECT

private slots:
    void filterTextFromRangeAndNamedFilters();
    void pairAndRelationRanges();
    void orderTexts();
    void readsTheCurrentPersonsRecordsInOrder();
    void checkViewRecordSkipsAndStops();
    void newRecordStartsWithTheRangeValues();
    void refusedFilterIsReportedAndIgnored();
    void reminderFilterReadsThroughTheDateKey();
};

void TestViewManager::filterTextFromRangeAndNamedFilters()
{
    Fixture f;
    ViewManager view;
    view.setup(f.relation(tables::glucose()));
    view.addOrder(2); // Glu:ByDate
    view.limitToCurrent(f.field(tables::glucose(), "GLU:PERSONNAME"));
    view.putFilter(QStringLiteral("(Glu:personname=personname or Glu:SocialSecurity = ssnum)"));
    f.file(tables::glucose()).record().setText("GLU:PERSONNAME", QStringLiteral("Ann O'Neil"));
    QCOMPARE(view.filterText(),
             QStringLiteral("UPPER(GLU:PERSONNAME) = UPPER('Ann O''Neil') AND ((Glu:personname=personname or "
                            "Glu:SocialSecurity = ssnum))"));
    QVERIFY(view.rangeChanged());

    // Named filters join in descending order of their ids; an empty text removes one.
    view.putFilter(QStringLiteral("GLU:READING > 100"), QStringLiteral("9 - QBE"));
    QCOMPARE(view.filterText(),
             QStringLiteral("UPPER(GLU:PERSONNAME) = UPPER('Ann O''Neil') AND (GLU:READING > 100) AND "
                            "((Glu:personname=personname or Glu:SocialSecurity = ssnum))"));
    view.putFilter(QString());
    QCOMPARE(view.filterText(), QStringLiteral("UPPER(GLU:PERSONNAME) = UPPER('Ann O''Neil') AND (GLU:READING > 100)"));

    ViewManager plain;
    plain.setup(f.relation(tables::glucose()));
    plain.putFilter(QStringLiteral("GLU:READING > 100"), QStringLiteral("9 - QBE"));
    plain.putFilter(QStringLiteral("GLU:READING < 200"));
    QCOMPARE(plain.filterText(), QStringLiteral("(GLU:READING > 100) AND (GLU:READING < 200)"));
}

void TestViewManager::pairAndRelationRanges()
{
    Fixture f;
    ViewManager view;
    view.setup(f.relation(tables::glucose()));
    view.addOrder(2);
    view.limitToCurrent(f.field(tables::glucose(), "GLU:PERSONNAME"));
    view.limitToPair(f.field(tables::glucose(), "GLU:DATE"), FilterValue::fromDate(Date(80000)),
                     FilterValue::fromDate(Date(80030)));
    f.file(tables::glucose()).record().setText("GLU:PERSONNAME", QStringLiteral("Bo"));
    QCOMPARE(view.filterText(), QStringLiteral("UPPER(GLU:PERSONNAME) = UPPER('Bo') AND GLU:DATE >= 80000 AND "
                                               "GLU:DATE <= 80030"));

    ViewManager parts;
    parts.setup(f.relation(tables::bodyParts()));
    parts.addOrder(0);
    parts.limitToRelation(f.field(tables::bodyParts(), "BOD:BODYSECTION"), f.relation(tables::bodySection()),
                          f.field(tables::bodySection(), "BOD1:BODYSECTION"));
    f.file(tables::bodySection()).record().setText("BOD1:BODYSECTION", QStringLiteral("Head"));
    QCOMPARE(parts.filterText(), QStringLiteral("UPPER(BOD:BODYSECTION) = UPPER('Head')"));
    QVERIFY(parts.rangeChanged());
}

void TestViewManager::orderTexts()
{
    Fixture f;
    ViewManager view;
    view.setup(f.relation(tables::bloodpre()));
    view.addOrder(0); // Blo:byperson
    view.extendOrder(QStringLiteral("+Blo:Date"));
    QCOMPARE(view.orderText(), QStringLiteral("+BLO:PERSONNAME,+BLO:DATE"));
    view.extendOrder(QStringLiteral("-BLO:TIME"));
    QCOMPARE(view.orderText(), QStringLiteral("+BLO:PERSONNAME,+BLO:DATE,-BLO:TIME"));
    view.extendOrder(QStringLiteral("*-Blo:Date"));
    QCOMPARE(view.orderText(), QStringLiteral("-BLO:DATE"));
    view.extendOrder(QStringLiteral("*UPPER(Blo:Comment),+Blo:nothing"));
    QCOMPARE(view.orderText(), QString()); // refused: no such field
    QCOMPARE(view.open(), int(ResultNotify));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("View Open Error"));
}

void TestViewManager::readsTheCurrentPersonsRecordsInOrder()
{
    Fixture f;
    const Date d = Date::fromYmd(2024, 5, 1);
    f.addGlucose("Ann Lee", "111-22-3333", d.addDays(2), 110);
    f.addGlucose("Ann Lee", "111-22-3333", d, 100);
    f.addGlucose("Bob Ray", "999-88-7777", d, 200);
    f.addGlucose("A. Lee", "111-22-3333", d.addDays(1), 120); // by number only
    f.addGlucose("Ann Lee", "", d.addDays(3), 130);          // by name only
    ProcessValues::instance().currentPerson.name = QStringLiteral("Ann Lee");
    ProcessValues::instance().currentPerson.socialSecurity = QStringLiteral("111-22-3333");

    ViewManager view;
    view.setup(f.relation(tables::glucose()));
    view.addOrder(2); // Glu:ByDate: name descending, date descending, time
    view.extendOrder(QStringLiteral("+Glu:Date"));
    view.putFilter(QStringLiteral("(Glu:personname=personname or Glu:SocialSecurity = ssnum)"));
    QCOMPARE(view.open(), int(ResultOk));
    QCOMPARE(view.restart(), int(ResultOk));
    QCOMPARE(view.view().orderKey(), 2);
    QCOMPARE(readings(view), (QList<int>{130, 110, 100, 120}));
    QCOMPARE(view.previous(), int(ResultOk));
    QCOMPARE(view.file().record().integer("GLU:READING"), 120);

    // By name alone, and a blank person lists nobody's readings.
    view.putFilter(QStringLiteral("(Glu:personname=personname)"));
    QCOMPARE(view.restart(), int(ResultOk));
    QCOMPARE(readings(view), (QList<int>{130, 110, 100}));
    ProcessValues::instance().currentPerson.name.clear();
    QCOMPARE(view.restart(), int(ResultOk));
    QCOMPARE(readings(view), QList<int>());
    QCOMPARE(view.close(), int(ResultOk));
    QCOMPARE(f.presenter.count(), 0);
}

void TestViewManager::checkViewRecordSkipsAndStops()
{
    Fixture f;
    const Date d = Date::fromYmd(2024, 1, 1);
    for (int r : {90, 70, 150, 320, 95})
        f.addGlucose("Cy", "", d, r);
    ScreenedView view;
    view.setup(f.relation(tables::glucose()));
    view.addOrder(-1); // the order the records were added in
    QCOMPARE(view.open(), int(ResultOk));
    QCOMPARE(view.restart(), int(ResultOk));
    QCOMPARE(readings(view), (QList<int>{90, 150}));
}

void TestViewManager::newRecordStartsWithTheRangeValues()
{
    Fixture f;
    ViewManager view;
    view.setup(f.relation(tables::bodyParts()));
    view.addOrder(0);
    view.limitToRelation(f.field(tables::bodyParts(), "BOD:BODYSECTION"), f.relation(tables::bodySection()),
                         f.field(tables::bodySection(), "BOD1:BODYSECTION"));
    f.file(tables::bodySection()).record().setText("BOD1:BODYSECTION", QStringLiteral("Arm"));
    QCOMPARE(view.open(), int(ResultOk));
    QCOMPARE(view.restart(), int(ResultOk));
    f.file(tables::bodyParts()).record().setText("BOD:BODYPART", QStringLiteral("left over"));
    QCOMPARE(view.newRecord(), int(ResultOk));
    QCOMPARE(f.file(tables::bodyParts()).record().text("BOD:BODYSECTION"), QStringLiteral("Arm"));
    QCOMPARE(f.file(tables::bodyParts()).record().text("BOD:BODYPART"), QString());

    // Prescriptions keep their initial values when primed from a list.
    ViewManager pre;
    pre.setup(f.relation(tables::prescripts()));
    pre.addOrder(1);
    pre.limitToCurrent(f.field(tables::prescripts(), "PRE:DRUGNAMEASPRESCRIBED"));
    f.file(tables::prescripts()).record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Zinc"));
    QCOMPARE(pre.open(), int(ResultOk));
    QCOMPARE(pre.restart(), int(ResultOk));
    QCOMPARE(pre.newRecord(), int(ResultOk));
    QCOMPARE(f.file(tables::prescripts()).record().text("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Zinc"));
    QCOMPARE(f.file(tables::prescripts()).record().text("PRE:ACTIVE"), QStringLiteral("Y"));
    f.file(tables::prescripts()).cancelNumbering();
}

void TestViewManager::refusedFilterIsReportedAndIgnored()
{
    Fixture f;
    for (int r : {100, 200})
        f.addGlucose("Dee", "", Date(), r);
    ViewManager view;
    view.setup(f.relation(tables::glucose()));
    view.addOrder(1);
    view.putFilter(QStringLiteral("(Glu:personname = 'Dee' AND"));
    QCOMPARE(view.open(), int(ResultNotify));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("View Open Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("Error: (Invalid Filter Expression (801)) attempting to open the current VIEW. Filter and "
                            "Range Limits ignored."));
    view.restart();
    QCOMPARE(readings(view).size(), 2);
}

void TestViewManager::reminderFilterReadsThroughTheDateKey()
{
    Fixture f;
    FileManager &pre = f.file(tables::prescripts());
    const Date today = Date::today();
    struct P { int days; const char *active; bool listed; };
    const P cases[] = {{10, "Y", true}, {29, "Y", true}, {30, "Y", false}, {-1, "Y", true},
                       {5, "N", false}, {0, "Y", true}, {40, "Y", false}};
    for (const P &c : cases) {
        QCOMPARE(pre.newRecord(), int(ResultOk));
        pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("in %1").arg(c.days));
        pre.record().setDate("PRE:REFILLREMINDERDATE", today.addDays(c.days));
        pre.record().setText("PRE:ACTIVE", QString::fromLatin1(c.active));
        QCOMPARE(pre.insert(), int(ResultOk));
    }
    QCOMPARE(pre.newRecord(), int(ResultOk)); // no reminder date at all
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("none"));
    QCOMPARE(pre.insert(), int(ResultOk));

    ViewManager view;
    view.setup(f.relation(tables::prescripts()));
    view.addOrder(6); // PRE:ByDate
    view.putFilter(QStringLiteral("(PRE:RefillReminderDate < today()+30 and PRE:RefillReminderDate > '' and "
                                  "PRE:Active = 'Y')"));
    QCOMPARE(view.open(), int(ResultOk));
    QCOMPARE(view.restart(), int(ResultOk));
    QVERIFY(view.view().readsStretches());
    QStringList listed;
    while (view.next() == ResultOk)
        listed << pre.record().text("PRE:DRUGNAMEASPRESCRIBED");
    QCOMPARE(listed, (QStringList{QStringLiteral("in -1"), QStringLiteral("in 0"), QStringLiteral("in 10"),
                                  QStringLiteral("in 29")}));
}

QTEST_GUILESS_MAIN(TestViewManager)
#include "tst_viewmanager.moc"
