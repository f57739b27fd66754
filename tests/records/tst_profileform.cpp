// The profile form offscreen, over real data files: the person's name,
// age and BMI, the menstruation controls, the log lists and their filters,
// view mode, the expense total, the combos and the current person.
#include "browselist.h"
#include "browsemodel.h"
#include "currentperson.h"
#include "formdriver.h"
#include "procedures.h"
#include "processvalues.h"
#include "profilefixture.h"
#include "relationmanager.h"
#include "tabledropcombo.h"
#include "updatepersonsname.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QApplication>

using namespace tavimo;
using namespace tavimo::testing;

namespace {

const QString Ann = QStringLiteral("Ann Lee");
// Social security numbers are kept as the form shows them.
const QString AnnSsn = QStringLiteral("123-45-6789");

void addAnn(ProfileFixture &f, const QString &gender = QStringLiteral("F"))
{
    QVERIFY(f.add(tables::personsName(), {{"PER:FIRSTNAME", "Ann"},
                                          {"PER:LASTNAME", "Lee"},
                                          {"PER:PERSONSNAME", Ann},
                                          {"PER:SOCIALSECURITY", AnnSsn},
                                          {"PER:GENDER", gender},
                                          {"PER:BIRTHDATE", QDate::currentDate().addYears(-30).addDays(-1)}}));
}

// The form on Ann unless told otherwise.
struct AnnForm : OpenForm
{
    AnnForm(ProfileFixture &f, int request, const QString &name = Ann) : OpenForm(f, request, name) {}
};

} // namespace

class TestProfileForm : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProcessValues::instance().clear(); }
    void personsNameFromFirstAndLast_data();
    void personsNameFromFirstAndLast();
    void bmiFromHeightAndWeight();
    void menstruationFollowsGender();
    void logListsByNameOrSocialSecurity_data();
    void logListsByNameOrSocialSecurity();
    void personNameMatchedOnFortyCharacters();
    void noNumberMatchesNobodyElse();
    void labListOrderFollowsTheBuffer();
    void viewModeOpensNothing();
    void missingLogFormSaysSo();
    void expenseTotal();
    void currentPersonSetAndCleared();
    void okStampsTheRecord();
    void doctorComboCopiesTheDoctor();
    void planComboListsThePersonsActivePlans();
};

void TestProfileForm::personsNameFromFirstAndLast_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("name");
    QTest::newRow("first and last") << "Ann" << "Lee" << "Ann Lee";
    QTest::newRow("no first name") << "" << "Lee" << " Lee";
    QTest::newRow("trailing blanks") << "Mary Ann  " << "Lee  " << "Mary Ann Lee";
}

void TestProfileForm::personsNameFromFirstAndLast()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, name);
    ProfileFixture f;
    {
        AnnForm open(f, Request::Insert);
        FormDriver driver(*open.form);
        QVERIFY(driver.type(QStringLiteral("PER:FIRSTNAME"), first));
        QVERIFY(driver.type(QStringLiteral("PER:LASTNAME"), last));
        emit open.form->entry("PER:LASTNAME")->editingFinished();
        QCOMPARE(open.form->record().text("PER:PERSONSNAME"), name);
        driver.ok();
        QCOMPARE(driver.response(), int(Response::Completed));
    }
    QVERIFY(f.readPerson(name));
    QCOMPARE(f.file(tables::personsName()).record().text("PER:LASTNAME"), last.trimmed());
}

void TestProfileForm::bmiFromHeightAndWeight()
{
    ProfileFixture f;
    addAnn(f);
    Procedures::instance().addModal(QStringLiteral("idealbmi"), [](ThreadContext &, QWidget *) {
        return int(Response::Completed);
    });
    AnnForm open(f, Request::Change);
    FormDriver driver(*open.form);
    QVERIFY(driver.type(QStringLiteral("PER:WEIGHT"), QStringLiteral("150")));
    QVERIFY(driver.type(QStringLiteral("PER:HEIGHT"), QStringLiteral("5'10\"")));
    emit open.form->entry("PER:HEIGHT")->editingFinished();
    QCOMPARE(person::heightInches(open.form->record().text("PER:HEIGHT")), 70);
    QCOMPARE(driver.shown(QStringLiteral("PER:BMI")), QStringLiteral("21.52"));

    // The weight alone moves it too, so no stale value is copied into new
    // readings; Recalc BMI also hands it to the current person.
    QVERIFY(driver.type(QStringLiteral("PER:WEIGHT"), QStringLiteral("175")));
    emit open.form->entry("PER:WEIGHT")->editingFinished();
    QCOMPARE(driver.shown(QStringLiteral("PER:BMI")), QStringLiteral("25.11"));
    open.form->button(QStringLiteral("Recalc BMI"))->click();
    QCOMPARE(driver.shown(QStringLiteral("PER:BMI")), QStringLiteral("25.11"));
    QCOMPARE(ProcessValues::instance().currentPerson.weight, 175);

    // Without a height there is nothing to divide by.
    QVERIFY(driver.type(QStringLiteral("PER:HEIGHT"), QString()));
    emit open.form->entry("PER:HEIGHT")->editingFinished();
    QCOMPARE(open.form->record().real("PER:BMI"), 0.0);
    Procedures::instance().remove(QStringLiteral("idealbmi"));
}

void TestProfileForm::menstruationFollowsGender()
{
    ProfileFixture f;
    addAnn(f, QStringLiteral("F"));
    AnnForm open(f, Request::Change);
    open.form->window()->show();
    for (QWidget *w : open.form->menstruationControls())
        QVERIFY(!w->isHidden());
    QAbstractButton *male = nullptr;
    for (QAbstractButton *b : open.form->genderGroup()->buttons())
        if (b->text() == QLatin1String("M"))
            male = b;
    QVERIFY(male);
    male->click();
    for (QWidget *w : open.form->menstruationControls())
        QVERIFY(w->isHidden());
    QCOMPARE(open.form->record().text("PER:GENDER"), QStringLiteral("M"));
}

void TestProfileForm::logListsByNameOrSocialSecurity_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("bySsn");
    QTest::newRow("surgeries") << 6 << true;
    QTest::newRow("visits") << 8 << true;
    QTest::newRow("blood pressure") << 9 << false;
    QTest::newRow("glucose") << 10 << false;
    QTest::newRow("symptoms") << 13 << true;
    QTest::newRow("pain events") << 14 << true;
    QTest::newRow("family history") << 15 << true;
    QTest::newRow("prescriptions") << 11 << true;
}

// One record under the profile's own name, one under another name with the
// profile's social security number, one of somebody else.
void TestProfileForm::logListsByNameOrSocialSecurity()
{
    QFETCH(int, tab);
    QFETCH(bool, bySsn);
    ProfileFixture f;
    addAnn(f);
    const PersonLogSpec &spec = *PersonLogSpec::byTab(tab);
    const TableLayout &t = spec.table();
    // The name field is the one the list's filter compares.
    const QString filter = QString::fromLatin1(spec.orders.back().filter);
    const QString nameField = filter.mid(1, filter.indexOf(QLatin1Char('=')) - 1).trimmed();
    const QString ssnField = t.prefix() + QStringLiteral(":SOCIALSECURITY");
    const QString firstColumn = QString::fromLatin1(spec.columns.front().field);
    const QByteArray name = nameField.toLatin1();
    const QByteArray ssn = ssnField.toLatin1();
    const QByteArray column = firstColumn.toLatin1();
    auto value = [&](const QString &text, int day) -> QVariant {
        const int index = t.fieldIndex(firstColumn);
        return t.field(index).type == FieldType::Date ? QVariant(QDate(2024, 3, day)) : QVariant(text);
    };
    // Pain events take only the types of their list.
    const char *kindField = tab == 14 ? "PAI:PAINTYPE" : ssn.constData();
    const QVariant kind = tab == 14 ? QVariant(QStringLiteral("Dull")) : QVariant();
    QVERIFY(f.add(t, {{name.constData(), Ann},
                      {ssn.constData(), QString()},
                      {column.constData(), value("own", 1)},
                      {kindField, kind}}));
    QVERIFY(f.add(t, {{name.constData(), QStringLiteral("Annie Lee")},
                      {column.constData(), value("by number", 2)},
                      {kindField, kind},
                      {ssn.constData(), AnnSsn}}));
    QVERIFY(f.add(t, {{name.constData(), QStringLiteral("Bob Ray")},
                      {column.constData(), value("other", 3)},
                      {kindField, kind},
                      {ssn.constData(), QStringLiteral("999-99-9999")}}));

    AnnForm open(f, Request::Change);
    const int rows = int(open.shown(tab).rows().size());
    QCOMPARE(rows, bySsn ? 2 : 1);
}

void TestProfileForm::personNameMatchedOnFortyCharacters()
{
    ProfileFixture f;
    const QString first = QStringLiteral("Maximiliana Theodora");               // 20
    const QString last = QStringLiteral("Vandenberg-Castellanos Ruiz");         // 27
    const QString full = first + QLatin1Char(' ') + last;                       // 48
    QVERIFY(f.add(tables::personsName(), {{"PER:FIRSTNAME", first},
                                          {"PER:LASTNAME", last},
                                          {"PER:PERSONSNAME", full},
                                          {"PER:SOCIALSECURITY", QStringLiteral("111-22-3333")}}));
    QVERIFY(f.add(tables::surgeries(), {{"SUR:PERSON", full.left(40)}, {"SUR:SURGICALPROCEDURE", "first forty"}}));
    QVERIFY(f.add(tables::surgeries(), {{"SUR:PERSON", full}, {"SUR:SURGICALPROCEDURE", "whole name"}}));
    AnnForm open(f, Request::Change, full);
    QCOMPARE(ProcessValues::instance().currentPerson.name, full.left(40));
    QCOMPARE(open.column(6, 1), QStringList{QStringLiteral("first forty")});
}

// Records without a number belong to their names, not to every person
// without a number.
void TestProfileForm::noNumberMatchesNobodyElse()
{
    ProfileFixture f;
    QVERIFY(f.add(tables::personsName(), {{"PER:FIRSTNAME", "Bob"}, {"PER:LASTNAME", "Ray"}, {"PER:PERSONSNAME", "Bob Ray"}}));
    QVERIFY(f.add(tables::surgeries(), {{"SUR:PERSON", "Bob Ray"}, {"SUR:SURGICALPROCEDURE", "his"}}));
    QVERIFY(f.add(tables::surgeries(), {{"SUR:PERSON", "Carl Ray"}, {"SUR:SURGICALPROCEDURE", "not his"}}));
    AnnForm open(f, Request::Change, QStringLiteral("Bob Ray"));
    QCOMPARE(open.column(6, 1), QStringList{QStringLiteral("his")});
}

// The laboratory list reads by name alone once the record in its buffer is
// the person's, by name or number otherwise.
void TestProfileForm::labListOrderFollowsTheBuffer()
{
    ProfileFixture f;
    addAnn(f);
    QVERIFY(f.add(tables::labTests(), {{"LAB:PERSONSNAME", Ann}, {"LAB:TESTNAME", "A1C"}}));
    QVERIFY(f.add(tables::labTests(), {{"LAB:PERSONSNAME", "Annie Lee"}, {"LAB:TESTNAME", "Lipids"}, {"LAB:SOCIALSECURITY", AnnSsn}}));
    AnnForm open(f, Request::Change);
    QCOMPARE(open.shown(12).currentOrder(), 2);
    QCOMPARE(open.column(12, 2).size(), 2);
    open.form->setFormRunner([&f](const QString &) {
        f.file(tables::labTests()).record().setText("LAB:PERSONSNAME", Ann);
        return int(Response::Completed);
    });
    open.shown(12).highlight(1);
    open.shown(12).runAction(Request::Change);
    QCOMPARE(open.shown(12).currentOrder(), 1);
    QCOMPARE(open.column(12, 2), QStringList{QStringLiteral("A1C")});
}

void TestProfileForm::viewModeOpensNothing()
{
    ProfileFixture f;
    addAnn(f);
    QVERIFY(f.add(tables::symptoms(), {{"SYM:PERSONSNAME", Ann}, {"SYM:SYMPTOM_1", "cough"}}));
    AnnForm open(f, Request::View);
    int runs = 0;
    open.form->setFormRunner([&runs](const QString &) {
        ++runs;
        return int(Response::Completed);
    });
    for (const PersonLogSpec &spec : PersonLogSpec::all())
        for (int control : {BrowseManager::InsertControl, BrowseManager::ChangeControl, BrowseManager::DeleteControl})
            QVERIFY(open.form->logButton(spec.tab, control)->isHidden());
    QCOMPARE(open.shown(13).runAction(Request::Change), int(Response::Cancelled));
    QCOMPARE(runs, 0);
    // Nothing can be picked into a record that is only shown.
    QVERIFY(!open.form->doctorCombo()->list()->isEnabled());
    QVERIFY(!open.form->planCombo()->list()->isEnabled());
    QVERIFY(open.form->okButton()->isVisible() || !open.form->okButton()->isHidden());
    open.form->okButton()->click();
    QVERIFY(!open.form->isRunning());
}

void TestProfileForm::missingLogFormSaysSo()
{
    ProfileFixture f;
    addAnn(f);
    AnnForm open(f, Request::Change);
    const int before = f.presenter.count();
    QCOMPARE(open.form->logList(9)->runAction(Request::Insert), int(Response::Cancelled));
    QCOMPARE(f.presenter.count(), before + 1);
    QCOMPARE(f.presenter.last().text, QStringLiteral("The Procedure UpdateBloodpre has not been defined."));
    QVERIFY(open.form->isRunning());
}

void TestProfileForm::expenseTotal()
{
    ProfileFixture f;
    addAnn(f);
    for (const char *amount : {"12.50", "100.25", "0.05"})
        QVERIFY(f.add(tables::expenses(), {{"EXP:PERSONSNAME", Ann},
                                           {"EXP:REASON", QString::fromLatin1(amount)},
                                           {"EXP:AMOUNTYOUPAID", QString::fromLatin1(amount)}}));
    QVERIFY(f.add(tables::expenses(), {{"EXP:PERSONSNAME", "Bob Ray"}, {"EXP:AMOUNTYOUPAID", "999.00"}}));
    AnnForm open(f, Request::Change);
    QCOMPARE(open.column(16, 2).size(), 3);
    QCOMPARE(open.form->totalLabel()->text(), QStringLiteral("112.80"));

    // An expense added through the list counts at once.
    open.form->setFormRunner([&f](const QString &procedure) {
        if (procedure != QLatin1String("UpdateExpense"))
            return int(Response::Cancelled);
        FileManager &expenses = f.file(tables::expenses());
        ProfileFixture::put(expenses.record(), "EXP:PERSONSNAME", Ann);
        ProfileFixture::put(expenses.record(), "EXP:AMOUNTYOUPAID", QStringLiteral("7.20"));
        return expenses.insert() == ResultOk ? int(Response::Completed) : int(Response::Cancelled);
    });
    QCOMPARE(open.shown(16).runAction(Request::Insert), int(Response::Completed));
    QCOMPARE(open.form->totalLabel()->text(), QStringLiteral("120.00"));
    QCOMPARE(open.column(16, 2).size(), 4);
}

void TestProfileForm::currentPersonSetAndCleared()
{
    for (bool byOk : {true, false}) {
        ProfileFixture f;
        addAnn(f);
        AnnForm open(f, Request::Change);
        const CurrentPersonValues &c = ProcessValues::instance().currentPerson;
        QCOMPARE(c.name, Ann);
        QCOMPARE(c.socialSecurity, AnnSsn);
        QCOMPARE(c.gender, QStringLiteral("F"));
        QCOMPARE(c.age, 30.0);
        QCOMPARE(open.form->record().real("PER:AGE"), 30.0);
        if (byOk)
            FormDriver(*open.form).ok();
        else
            FormDriver(*open.form).cancel();
        QVERIFY(!open.form->isRunning());
        QVERIFY(c.name.isEmpty());
        QVERIFY(c.socialSecurity.isEmpty());
        QCOMPARE(c.age, 0.0);
    }
}

void TestProfileForm::okStampsTheRecord()
{
    ProfileFixture f;
    addAnn(f);
    {
        AnnForm open(f, Request::Change);
        FormDriver driver(*open.form);
        driver.type(QStringLiteral("PER:CITY"), QStringLiteral("Springfield"));
        driver.ok();
        QCOMPARE(driver.response(), int(Response::Completed));
    }
    QVERIFY(f.readPerson(Ann));
    const Record &r = f.file(tables::personsName()).record();
    QCOMPARE(r.text("PER:CITY"), QStringLiteral("Springfield"));
    QCOMPARE(r.date("PER:DATEUPDATED"), Date::today());
    QVERIFY(!r.time("PER:TIMEUPDATED").isNull());
}

void TestProfileForm::doctorComboCopiesTheDoctor()
{
    ProfileFixture f;
    addAnn(f);
    QVERIFY(f.add(tables::doctors(), {{"DOC:DOCTORSNAME", "Dr. Helen Marsh"},
                                      {"DOC:PHONENUMBER", "5552013344"},
                                      {"DOC:FAXNUMBER", "5552013345"},
                                      {"DOC:ADDRESS2", "Suite 4"},
                                      {"DOC:STATE", "OR"},
                                      {"DOC:PRACTICENAME", "Marsh Family Practice"},
                                      {"DOC:HOURS", "Mon-Fri"}}));
    QVERIFY(f.add(tables::doctors(), {{"DOC:DOCTORSNAME", "Dr. Amos Bell"}}));
    AnnForm open(f, Request::Change);
    TableDropCombo &combo = *open.form->doctorCombo();
    QCOMPARE(combo.rowCount(), 2);
    combo.takeSelection(combo.findRow(QStringLiteral("Dr. Helen")));
    const Record &r = open.form->record();
    QCOMPARE(r.text("PER:PRIMARYDOCTORNAME"), QStringLiteral("Dr. Helen Marsh"));
    QCOMPARE(r.text("PER:PRIMARYDOCTORPHONE"), QStringLiteral("5552013344"));
    QCOMPARE(r.text("PER:PDRFAX"), QStringLiteral("5552013345"));
    QCOMPARE(r.text("PER:PDRADDRESS2"), QStringLiteral("Suite 4"));
    QCOMPARE(r.text("PER:PDRSTATE"), QStringLiteral("OR"));
    QCOMPARE(r.text("PER:PDRPRACTICENAME"), QStringLiteral("Marsh Family Practice"));
    QCOMPARE(r.text("PER:PDRHOURS"), QStringLiteral("Mon-Fri"));
    QCOMPARE(FormDriver(*open.form).shown(QStringLiteral("PER:PRIMARYDOCTORPHONE")), QStringLiteral("(555) 201-3344"));
}

void TestProfileForm::planComboListsThePersonsActivePlans()
{
    ProfileFixture f;
    addAnn(f);
    QVERIFY(f.add(tables::planName(), {{"INS:PERSONSNAME", Ann},
                                       {"INS:COMPANYNAME", "Cascade Health"},
                                       {"INS:POLICYNUMBER", "CH-1"},
                                       {"INS:PHONE", "5550001111"},
                                       {"INS:ACTIVE", "Y"}}));
    QVERIFY(f.add(tables::planName(), {{"INS:PERSONSNAME", Ann}, {"INS:COMPANYNAME", "Old Plan"}, {"INS:ACTIVE", "N"}}));
    QVERIFY(f.add(tables::planName(), {{"INS:PERSONSNAME", "Bob Ray"}, {"INS:COMPANYNAME", "Bobs Plan"}, {"INS:ACTIVE", "Y"}}));
    AnnForm open(f, Request::Change);
    TableDropCombo &combo = *open.form->planCombo();
    QCOMPARE(combo.rowCount(), 1);
    combo.takeSelection(1);
    QCOMPARE(open.form->record().text("PER:HEALTHINSURER"), QStringLiteral("Cascade Health"));
    QCOMPARE(open.form->record().text("PER:GROUPPLANNUMBER"), QStringLiteral("CH-1"));
    QCOMPARE(open.form->record().text("PER:HEALTHINSURANCEPHONE"), QStringLiteral("5550001111"));
}

QTEST_MAIN(TestProfileForm)
#include "tst_profileform.moc"
