// The blood pressure, glucose and laboratory test forms, the BMI window and
// the reference lists, offscreen over real data files, run the way the
// profile form and the lists run them.
#include "browselist.h"
#include "browsemodel.h"
#include "declaredlist.h"
#include "formdriver.h"
#include "idealbmi.h"
#include "personlogforms.h"
#include "picture.h"
#include "procedures.h"
#include "processvalues.h"
#include "profilefixture.h"
#include "recordwindows.h"
#include "referencelists.h"
#include "relationmanager.h"
#include "updatepersonsname.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace tavimo;
using namespace tavimo::testing;

namespace {

const QString Ann = QStringLiteral("Ann Lee");
const QString AnnSsn = QStringLiteral("123-45-6789");

void addAnn(ProfileFixture &f, int weight = 180, int age = 62)
{
    QVERIFY(f.add(tables::personsName(),
                  {{"PER:FIRSTNAME", "Ann"},
                   {"PER:LASTNAME", "Lee"},
                   {"PER:PERSONSNAME", Ann},
                   {"PER:SOCIALSECURITY", AnnSsn},
                   {"PER:GENDER", "F"},
                   {"PER:WEIGHT", weight},
                   {"PER:HEIGHT", "5'10\""},
                   {"PER:BMI", 25.82},
                   {"PER:BIRTHDATE", QDate::currentDate().addYears(-age).addDays(-1)}}));
}

// The profile form open on a person, its log forms run through the
// procedure table and driven by `drive` as a person would.
struct Profile
{
    std::unique_ptr<UpdatePersonsName> form;
    std::function<void(FormWindow &)> drive;
    QString lastCaption;

    Profile(ProfileFixture &f, const QString &name = Ann)
    {
        f.readPerson(name);
        f.context->request = Request::Change;
        form = std::make_unique<UpdatePersonsName>(*f.context);
        form->start();
        ThreadContext *context = f.context.get();
        form->setFormRunner([this, context](const QString &procedure) {
            std::unique_ptr<FormWindow> log = Procedures::instance().makeForm(procedure, *context, form->window());
            if (!log || !log->start())
                return log ? log->response : int(Response::Cancelled);
            lastCaption = log->window()->windowTitle();
            if (drive)
                drive(*log);
            if (log->isRunning())
                log->endWith(Response::Cancelled);
            return log->response;
        });
    }
    ~Profile()
    {
        if (form && form->isRunning())
            form->endWith(Response::Cancelled);
    }
    PersonLogList &shown(int tab)
    {
        for (int i = 0; i < form->tabs()->count(); ++i)
            if (form->tabs()->tabText(i).startsWith(QString::number(tab) + QLatin1Char(')')))
                form->tabs()->setCurrentIndex(i);
        QApplication::processEvents();
        return *form->logList(tab);
    }
    int press(int tab, int control)
    {
        return shown(tab).press(control) ? 1 : 0;
    }
};

qint64 count(ProfileFixture &f, const TableLayout &t)
{
    FileManager &file = f.file(t);
    file.open();
    file.use(FileManager::UseRead); // opened on first use
    const qint64 n = file.table().records();
    file.close();
    return n;
}

QString highlighted(const BrowseManager &b, int column)
{
    return b.currentChoice() > 0 ? b.rows()[std::size_t(b.currentChoice() - 1)].columns.value(column).trimmed()
                                 : QString();
}

} // namespace

class TestLogForms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        registerRecordWindows(Procedures::instance());
    }
    void aReadingTypedIntoItsFormIsListedAndRecalled();
    void theSnapshotIsTheProfileOfThatDay();
    void dateAndClockArePrimedAndCanBeOverwritten();
    void aLongNameIsCutToTheField();
    void readingsOfALongNameAreListed();
    void captionsFollowTheRequest();
    void glucoseReading();
    void bmiTable_data();
    void bmiTable();
    void bmiWindowShowsTheProfileBeingEdited();
    void labTestFoundByNumberAfterARename();
    void referenceLists();
    void doctorsListFromThePersonListHasNoSelect();
    void pharmacyListHasNoLocator();
    void duplicatesAreStoredAndNamedDoctorsCanGo();
};

void TestLogForms::aReadingTypedIntoItsFormIsListedAndRecalled()
{
    ProfileFixture f;
    addAnn(f);
    QVERIFY(f.add(tables::bloodpre(), {{"BLO:PERSONNAME", Ann}, {"BLO:DATE", QDate(2026, 1, 5)}, {"BLO:SYSTOLIC", 118}}));
    Profile profile(f);
    profile.drive = [](FormWindow &form) {
        FormDriver d(form);
        d.type(QStringLiteral("BLO:DATE"), QStringLiteral("11/20/2026"));
        d.type(QStringLiteral("BLO:TIME"), QStringLiteral("7:30 AM"));
        d.type(QStringLiteral("BLO:SYSTOLIC"), QStringLiteral("132"));
        d.type(QStringLiteral("BLO:DIASTOLIC"), QStringLiteral("84"));
        d.type(QStringLiteral("BLO:PULSE"), QStringLiteral("71"));
        d.type(QStringLiteral("BLO:COMMENT"), QStringLiteral("after a walk"));
        d.ok();
    };
    PersonLogList &list = profile.shown(9);
    QCOMPARE(list.rows().size(), std::size_t(1));
    QVERIFY(profile.press(9, BrowseManager::InsertControl));
    QCOMPARE(list.rows().size(), std::size_t(2));
    QCOMPARE(highlighted(list, 2), QStringLiteral("132"));
    QCOMPARE(highlighted(list, 0), QStringLiteral("11/20/2026"));

    // The next new reading recalls what was just entered with Ctrl+H.
    QString recalled;
    profile.drive = [&recalled](FormWindow &form) {
        FormDriver d(form);
        for (const char *field : {"BLO:SYSTOLIC", "BLO:COMMENT"}) {
            QWidget *c = d.control(QString::fromLatin1(field));
            QTest::keyClick(c, Qt::Key_H, Qt::ControlModifier);
            recalled += d.shown(QString::fromLatin1(field)).trimmed() + QLatin1Char('|');
        }
        d.cancel();
    };
    f.presenter.answer(Button::Yes); // changes will be lost: yes
    QVERIFY(profile.press(9, BrowseManager::InsertControl));
    QCOMPARE(recalled, QStringLiteral("132|after a walk|"));
    QCOMPARE(count(f, tables::bloodpre()), qint64(2));
}

void TestLogForms::theSnapshotIsTheProfileOfThatDay()
{
    ProfileFixture f;
    addAnn(f, 180, 62);
    {
        Profile profile(f);
        profile.drive = [](FormWindow &form) {
            FormDriver(form).type(QStringLiteral("BLO:SYSTOLIC"), QStringLiteral("120"));
            FormDriver(form).ok();
        };
        QVERIFY(profile.press(9, BrowseManager::InsertControl));
        // The profile changes afterwards.
        QVERIFY(FormDriver(*profile.form).type(QStringLiteral("PER:WEIGHT"), QStringLiteral("200")));
        FormDriver(*profile.form).ok();
        QVERIFY(!profile.form->isRunning());
    }
    f.readPerson(Ann);
    QCOMPARE(f.file(tables::personsName()).record().integer("PER:WEIGHT"), 200);
    QCOMPARE(count(f, tables::bloodpre()), qint64(1));
    FileManager &bp = f.file(tables::bloodpre());
    bp.open();
    bp.use(FileManager::UseRead);
    QCOMPARE(bp.next(), int(ResultOk));
    const Record &r = bp.record();
    QCOMPARE(r.real("BLO:AGE"), 62.0);
    QCOMPARE(r.integer("BLO:WEIGHT"), 180);
    QCOMPARE(r.text("BLO:SEX"), QStringLiteral("F"));
    QCOMPARE(r.text("BLO:HEIGHT"), QStringLiteral("5'10\""));
    QCOMPARE(r.text("BLO:SOCIALSECURITY"), AnnSsn);
    QCOMPARE(r.text("BLO:FIRSTNAME"), QStringLiteral("Ann"));
    QCOMPARE(r.text("BLO:LASTNAME"), QStringLiteral("Lee"));
    QCOMPARE(r.real("BLO:BMI"), 25.82);
    bp.close();
}

void TestLogForms::dateAndClockArePrimedAndCanBeOverwritten()
{
    ProfileFixture f;
    addAnn(f);
    Profile profile(f);
    QString primedDate, primedTime;
    profile.drive = [&](FormWindow &form) {
        FormDriver d(form);
        primedDate = d.shown(QStringLiteral("BLO:DATE"));
        primedTime = d.shown(QStringLiteral("BLO:TIME"));
        d.type(QStringLiteral("BLO:DATE"), QStringLiteral("03/04/2025"));
        d.type(QStringLiteral("BLO:TIME"), QStringLiteral("11:15 PM"));
        d.ok();
    };
    const QTime before = QTime::currentTime();
    QVERIFY(profile.press(9, BrowseManager::InsertControl));
    const Picture date = *Picture::parse(QStringLiteral("d17"));
    QCOMPARE(primedDate, date.format(Date::today()));
    const std::optional<Time> time = Picture::parse(QStringLiteral("t7"))->parseTime(primedTime);
    QVERIFY(time);
    QVERIFY(qAbs(time->toQTime().secsTo(before)) < 120);
    const Record &r = f.file(tables::bloodpre()).record();
    QCOMPARE(r.date("BLO:DATE").toQDate(), QDate(2025, 3, 4));
    QCOMPARE(r.time("BLO:TIME").toQTime().hour(), 23);
}

void TestLogForms::aLongNameIsCutToTheField()
{
    ProfileFixture f;
    const QString longName = QStringLiteral("Maximiliana Anastasia Featherstonehaugh").left(36);
    QCOMPARE(longName.size(), 36);
    ProcessValues::instance().currentPerson.name = longName;
    f.file(tables::bloodpre()).open();
    f.file(tables::bloodpre()).newRecord();
    f.context->request = Request::Insert;
    PersonLogForm form(*f.context, PersonLogForm::bloodPressure());
    QVERIFY(form.start());
    QCOMPARE(form.record().text("BLO:PERSONNAME"), longName.left(35));
    QCOMPARE(form.window()->windowTitle(), QStringLiteral("Record Will Be Added  (New)"));
    form.endWith(Response::Cancelled);
    ProcessValues::instance().currentPerson.clear();
}

void TestLogForms::readingsOfALongNameAreListed()
{
    // Stored cut to 35 characters, the readings are still the person's own.
    ProfileFixture f;
    const QString first = QStringLiteral("Maximiliana");
    const QString last = QStringLiteral("Anastasia Featherstonehaugh");
    const QString name = first + QLatin1Char(' ') + last;
    QVERIFY(name.size() > 35 && name.size() <= 40);
    QVERIFY(f.add(tables::personsName(), {{"PER:FIRSTNAME", first}, {"PER:LASTNAME", last}, {"PER:PERSONSNAME", name}}));
    QVERIFY(f.add(tables::bloodpre(), {{"BLO:PERSONNAME", "Someone Else"}, {"BLO:SYSTOLIC", 150}}));
    Profile profile(f, name);
    profile.drive = [](FormWindow &form) {
        FormDriver(form).type(QStringLiteral("BLO:SYSTOLIC"), QStringLiteral("125"));
        FormDriver(form).ok();
    };
    QVERIFY(profile.press(9, BrowseManager::InsertControl));
    QVERIFY(profile.press(10, BrowseManager::InsertControl));
    QCOMPARE(profile.shown(9).rows().size(), std::size_t(1));
    QCOMPARE(highlighted(profile.shown(9), 2), QStringLiteral("125"));
    QCOMPARE(profile.shown(10).rows().size(), std::size_t(1));
}

void TestLogForms::captionsFollowTheRequest()
{
    ProfileFixture f;
    addAnn(f);
    QVERIFY(f.add(tables::bloodpre(), {{"BLO:PERSONNAME", Ann}, {"BLO:SYSTOLIC", 118}}));
    Profile profile(f);
    profile.shown(9);
    QVERIFY(profile.press(9, BrowseManager::ChangeControl));
    QCOMPARE(profile.lastCaption, QStringLiteral("Record Will Be Changed  (Ann Lee)"));
    QVERIFY(profile.press(9, BrowseManager::InsertControl));
    QCOMPARE(profile.lastCaption, QStringLiteral("Record Will Be Added  (New)"));
}

void TestLogForms::glucoseReading()
{
    ProfileFixture f;
    addAnn(f);
    Profile profile(f);
    QString tip;
    profile.drive = [&tip](FormWindow &form) {
        FormDriver d(form);
        tip = d.control(QStringLiteral("GLU:COMMENT"))->toolTip();
        d.type(QStringLiteral("GLU:READING"), QStringLiteral("0")); // any three digits, 0 too
        d.ok();
    };
    QVERIFY(profile.press(10, BrowseManager::InsertControl));
    QCOMPARE(tip, QStringLiteral("Enter activity preceeding measurement."));
    QCOMPARE(profile.lastCaption, QStringLiteral("Record Will Be Added  (New)"));
    QCOMPARE(count(f, tables::glucose()), qint64(1));
    QCOMPARE(f.file(tables::glucose()).record().text("GLU:PERSONNAME"), Ann);
}

void TestLogForms::bmiTable_data()
{
    QTest::addColumn<QString>("height");
    QTest::addColumn<int>("inches");
    QTest::addColumn<QList<int>>("weights");
    QTest::newRow("5'10\"") << "5'10\"" << 70 << QList<int>{139, 146, 153, 160, 167, 174};
    QTest::newRow("no height") << "" << 0 << QList<int>{0, 0, 0, 0, 0, 0};
    QTest::newRow("5'04\"") << "5'04\"" << 64 << QList<int>{116, 122, 128, 134, 139, 145};
}

void TestLogForms::bmiTable()
{
    QFETCH(QString, height);
    QFETCH(int, inches);
    QFETCH(QList<int>, weights);
    int in = -1;
    double square = -1;
    const std::array<int, 6> got = IdealBmi::weightsFor(height, &in, &square);
    QCOMPARE(in, inches);
    QCOMPARE(square, double(inches) * inches);
    QCOMPARE(QList<int>(got.begin(), got.end()), weights);
}

void TestLogForms::bmiWindowShowsTheProfileBeingEdited()
{
    ProfileFixture f;
    addAnn(f);
    Profile profile(f);
    FormDriver(*profile.form).type(QStringLiteral("PER:HEIGHT"), QStringLiteral("5'4\""));
    emit profile.form->entry("PER:HEIGHT")->editingFinished();
    IdealBmi window(*f.context);
    QVERIFY(window.start());
    QCOMPARE(window.window()->windowTitle(), QStringLiteral("Body Mass Index For Your Height"));
    QCOMPARE(window.inches(), 64);
    QCOMPARE(window.table()->item(0, 1)->text(), QStringLiteral("116"));
    QCOMPARE(window.table()->item(5, 0)->text(), QStringLiteral("25"));
    // The report is not written yet, and says so.
    const int before = f.presenter.count();
    for (QPushButton *b : window.window()->findChildren<QPushButton *>())
        if (b->text() == QLatin1String("&Print"))
            b->click();
    QCOMPARE(f.presenter.count(), before + 1);
    QCOMPARE(f.presenter.last().text, QStringLiteral("The Procedure printBMI has not been defined."));
    window.endWith(Response::Cancelled);
}

void TestLogForms::labTestFoundByNumberAfterARename()
{
    ProfileFixture f;
    addAnn(f);
    QVERIFY(f.add(tables::labTestName(), {{"LTN:TESTNAME", "A1C"}}));
    {
        Profile profile(f);
        profile.drive = [](FormWindow &form) {
            FormDriver d(form);
            QCOMPARE(d.shown(QStringLiteral("LAB:PERSONSNAME")), Ann);
            d.type(QStringLiteral("LAB:RESULTS"), QStringLiteral("5.6%"));
            d.ok();
        };
        QVERIFY(profile.press(12, BrowseManager::InsertControl));
        QCOMPARE(f.file(tables::labTests()).record().text("LAB:SOCIALSECURITY"), AnnSsn);
        // Ann marries and becomes Ann Park.
        FormDriver(*profile.form).type(QStringLiteral("PER:LASTNAME"), QStringLiteral("Park"));
        FormDriver(*profile.form).ok();
    }
    Profile renamed(f, QStringLiteral("Ann Park"));
    PersonLogList &labs = renamed.shown(12);
    QCOMPARE(labs.rows().size(), std::size_t(1));
    QCOMPARE(labs.rows().front().columns.value(3), QStringLiteral("5.6%"));
}

void TestLogForms::referenceLists()
{
    struct Case { const ListSpec *spec; const char *title; const char *tab; bool locator; int buttons; };
    const Case cases[] = {
        {&referencelists::pharmacies(), "List Pharmacies", "By Name", false, 5},
        {&referencelists::drugNames(), "List Drug Names", "&1) By Name", true, 5},
        {&referencelists::drugForms(), "List Drug Forms", "&1) By Type", true, 4},
        {&referencelists::manufacturers(), "List the Manufacturers", "&1) By Name", true, 4},
        {&referencelists::labTestNames(), "Browse the LabTestName File", "Lab Test Names", true, 4},
    };
    ProfileFixture f;
    for (const Case &c : cases) {
        DeclaredList list(*f.context, *c.spec);
        QVERIFY(list.start());
        QCOMPARE(list.window()->windowTitle(), QString::fromLatin1(c.title));
        QCOMPARE(list.tabs(list.list())->tabText(0), QString::fromLatin1(c.tab));
        QCOMPARE(list.list().hasLocator(), c.locator);
        QCOMPARE(int(c.spec->buttons.size()), c.buttons);
        if (QPushButton *select = list.button(list.list(), BrowseManager::SelectControl))
            QVERIFY(select->isHidden()); // nobody asks these lists to select
        QCOMPARE(list.helpButton()->isHidden(), !*c.spec->helpTopic);
        list.endWith(Response::Cancelled);
    }
}

void TestLogForms::doctorsListFromThePersonListHasNoSelect()
{
    ProfileFixture f;
    addAnn(f);
    registerRecordWindows(Procedures::instance());
    Procedures::instance().start(QStringLiteral("BrowsePerson"), *f.context, nullptr);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QLatin1String("List People"))
            for (QPushButton *b : w->findChildren<QPushButton *>())
                if (b->text() == QLatin1String("Doctors"))
                    b->click();
    QDialog *doctors = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QLatin1String("List Doctors "))
            doctors = qobject_cast<QDialog *>(w);
    QVERIFY(doctors);
    for (QPushButton *b : doctors->findChildren<QPushButton *>())
        if (b->text() == QLatin1String("&Select"))
            QVERIFY(b->isHidden());
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible())
            d->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestLogForms::pharmacyListHasNoLocator()
{
    ProfileFixture f;
    for (const char *name : {"Bayside Drugs", "Corner Pharmacy", "Main Street Pharmacy"})
        QVERIFY(f.add(tables::pharmacy(), {{"PHA:PHARMACYNAME", name}}));
    DeclaredList list(*f.context, referencelists::pharmacies());
    QVERIFY(list.start());
    BrowseManager &b = list.list();
    QCOMPARE(b.rows().size(), std::size_t(3));
    QCOMPARE(b.rows()[0].columns.value(0), QStringLiteral("Bayside Drugs")); // in name order
    b.list()->setFocus();
    QTest::keyClicks(b.list(), QStringLiteral("m"));
    QCOMPARE(b.currentChoice(), 1);
    // A list with a locator does move.
    QVERIFY(f.add(tables::drugNames(), {{"DRU:DRUGNAMEASPRESCRIBED", "Aspirin"}}));
    QVERIFY(f.add(tables::drugNames(), {{"DRU:DRUGNAMEASPRESCRIBED", "Metformin"}}));
    DeclaredList drugs(*f.context, referencelists::drugNames());
    QVERIFY(drugs.start());
    drugs.list().list()->setFocus();
    QTest::keyClicks(drugs.list().list(), QStringLiteral("m"));
    QCOMPARE(highlighted(drugs.list(), 0), QStringLiteral("Metformin"));
    drugs.endWith(Response::Cancelled);
    list.endWith(Response::Cancelled);
}

void TestLogForms::duplicatesAreStoredAndNamedDoctorsCanGo()
{
    ProfileFixture f;
    // The starter lists, if any, come in on first opening.
    const qint64 forms = count(f, tables::form());
    const qint64 tests = count(f, tables::labTestName());
    for (int i = 0; i < 2; ++i) {
        QVERIFY(f.add(tables::doctors(), {{"DOC:DOCTORSNAME", "Dr. Marsh"}}));
        QVERIFY(f.add(tables::form(), {{"FOR:DRUGFORM", "Tablet"}}));
        QVERIFY(f.add(tables::labTestName(), {{"LTN:TESTNAME", "A1C"}}));
    }
    QCOMPARE(count(f, tables::doctors()), qint64(2));
    QCOMPARE(count(f, tables::form()), forms + 2);
    QCOMPARE(count(f, tables::labTestName()), tests + 2);
    QVERIFY(f.add(tables::prescripts(), {{"PRE:DRUGNAMEASPRESCRIBED", "Aspirin"}, {"PRE:DRNAME", "Dr. Marsh"}}));
    QVERIFY(f.add(tables::appointments(), {{"APP:DOCTOR", "Dr. Marsh"}}));
    DeclaredList list(*f.context, *declaredLists().front());
    QVERIFY(list.start());
    f.presenter.answer(Button::Yes);
    QVERIFY(list.list().press(BrowseManager::DeleteControl));
    QCOMPARE(count(f, tables::doctors()), qint64(1));
    // The prescription keeps the name as text.
    FileManager &pre = f.file(tables::prescripts());
    pre.open();
    pre.use(FileManager::UseRead);
    QCOMPARE(pre.next(), int(ResultOk));
    QCOMPARE(pre.record().text("PRE:DRNAME"), QStringLiteral("Dr. Marsh"));
    pre.close();
    list.endWith(Response::Cancelled);
}

QTEST_MAIN(TestLogForms)
#include "tst_logforms.moc"
