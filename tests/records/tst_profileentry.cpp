// What a person meets typing into the profile form: heights and birth
// dates that are refused say why, the update stamp moves only with a save,
// a form that only views changes nothing, and the keyboard reaches every
// page, prompt and list.
#include "browselist.h"
#include "currentperson.h"
#include "formdriver.h"
#include "picture.h"
#include "procedures.h"
#include "profilebindings.h"
#include "profilefixture.h"
#include "updatepersonsname.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace tavimo;
using namespace tavimo::testing;

namespace {

const QString Ann = QStringLiteral("Ann Lee");

void addAnn(ProfileFixture &f)
{
    QVERIFY(f.add(tables::personsName(), {{"PER:FIRSTNAME", "Ann"},
                                          {"PER:LASTNAME", "Lee"},
                                          {"PER:PERSONSNAME", Ann},
                                          {"PER:GENDER", "F"},
                                          {"PER:DATEUPDATED", QDate(2025, 3, 4)}}));
}

struct AnnForm : OpenForm
{
    AnnForm(ProfileFixture &f, int request) : OpenForm(f, request, Ann) { QVERIFY(activate()); }
    void showTab(int index) const
    {
        form->tabs()->setCurrentIndex(index);
        QApplication::processEvents();
    }
};

QString datePicture(const QDate &date)
{
    return Picture::parse(QStringLiteral("d17"))->format(Date::fromQDate(date));
}

} // namespace

class TestProfileEntry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void heights_data();
    void heights();
    void refusedEntriesSayWhy_data();
    void refusedEntriesSayWhy();
    void viewModeChangesNothing();
    void insertWithoutAFormLeavesNothing();
    void keyboardReachesEveryPageAndList();
    void everyPromptHasItsOwnMnemonic();
    void reportRunsOnlyAfterItsDates();
};

void TestProfileEntry::heights_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // "refused" when not taken
    QTest::addColumn<int>("inches");
    QTest::newRow("one inch digit") << "5'4\"" << "5'04\"" << 64;
    QTest::newRow("two inch digits") << "5'10\"" << "5'10\"" << 70;
    QTest::newRow("without the marks") << "6 2" << "6'02\"" << 74;
    QTest::newRow("no inch mark") << "5'11" << "5'11\"" << 71;
    QTest::newRow("blank") << "" << "" << 0;
    QTest::newRow("twelve inches") << "5'12\"" << "refused" << 0;
    QTest::newRow("ninety-nine inches") << "9'99\"" << "refused" << 0;
    QTest::newRow("words") << "tall" << "refused" << 0;
}

void TestProfileEntry::heights()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(int, inches);
    const std::optional<QString> read = HeightBinding::read(typed);
    if (stored == QLatin1String("refused")) {
        QVERIFY(!read);
        return;
    }
    QVERIFY(read);
    QCOMPARE(*read, stored);
    QCOMPARE(person::heightInches(*read), inches);
}

void TestProfileEntry::refusedEntriesSayWhy_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("says");
    QTest::newRow("height") << "PER:HEIGHT" << "9'99\"" << "Height: this entry cannot be taken. Enter a height like 5'10\" or 5'4\": feet, then 0 to 11 inches.";
    QTest::newRow("weight") << "PER:WEIGHT" << "abc" << "Weight: this entry cannot be taken. Enter a whole number from 0 to 999.";
    QTest::newRow("phone") << "PER:PHONENUMBER" << "555-CALL" << "Phone Number: this entry cannot be taken. Enter digits in the form (123) 456-7890.";
    QTest::newRow("birth date") << "PER:BIRTHDATE" << "02/30/1985" << "Birthdate: this entry cannot be taken. Enter a date like 12/31/2026.";
    QTest::newRow("birth date after today") << "PER:BIRTHDATE" << datePicture(QDate::currentDate().addDays(1))
                                            << "Birthdate: this entry cannot be taken. Enter a birth date no later than today (" + datePicture(QDate::currentDate()) + ").";
}

void TestProfileEntry::refusedEntriesSayWhy()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, says);
    ProfileFixture f;
    addAnn(f);
    AnnForm open(f, Request::Change);
    FormDriver driver(*open.form);
    QVERIFY(driver.type(field, typed));
    open.showTab(2);
    const int before = f.presenter.count();
    driver.ok();
    QCOMPARE(f.presenter.count(), before + 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Entry Not Accepted"));
    QCOMPARE(f.presenter.last().text, says);
    // Open on the field, with what was typed, and nothing saved or stamped.
    QVERIFY(driver.isOpen());
    QCOMPARE(open.form->tabs()->currentIndex(), 0);
    QVERIFY(open.form->entry(field.toLatin1().constData())->hasFocus());
    QCOMPARE(driver.shown(field), typed);
    QCOMPARE(open.form->record().date("PER:DATEUPDATED").toQDate(), QDate(2025, 3, 4));
    bool stampShown = false;
    for (QLabel *l : open.form->window()->findChildren<QLabel *>())
        stampShown |= l->text().startsWith(datePicture(QDate(2025, 3, 4)));
    QVERIFY(stampShown);
    f.readPerson(Ann);
    QCOMPARE(f.file(tables::personsName()).record().date("PER:DATEUPDATED").toQDate(), QDate(2025, 3, 4));
}

void TestProfileEntry::viewModeChangesNothing()
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
    QVERIFY(!open.form->button(QStringLiteral("Recalc BMI"))->isEnabled());
    QLineEdit *birth = open.form->entry("PER:BIRTHDATE");
    for (QToolButton *calendar : open.form->window()->findChildren<QToolButton *>())
        if (calendar->parentWidget() == birth->parentWidget())
            QVERIFY(!calendar->isEnabled());
    // The keys of the list reach no hidden button.
    open.showTab(12);
    PersonLogList &symptoms = *open.form->logList(13);
    QVERIFY(!open.form->logButton(13, BrowseManager::InsertControl)->isEnabled());
    QVERIFY(!open.form->logButton(13, BrowseManager::ChangeControl)->isEnabled());
    symptoms.list()->setFocus();
    for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete})
        QTest::keyClick(symptoms.list(), key);
    QTest::keyClick(symptoms.list(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(runs, 0);
    QCOMPARE(f.context->table(tables::symptoms()).records(), qint64(1));
}

void TestProfileEntry::insertWithoutAFormLeavesNothing()
{
    ProfileFixture f;
    addAnn(f);
    AnnForm open(f, Request::Change);
    open.showTab(10); // prescriptions, whose form is not written yet
    QPushButton *insert = qobject_cast<QPushButton *>(open.form->logButton(11, BrowseManager::InsertControl));
    insert->click();
    QCOMPARE(f.presenter.last().text, QStringLiteral("The Procedure UpdatePrescripts has not been defined."));
    QTest::keyClick(open.form->logList(11)->list(), Qt::Key_Insert);
    QCOMPARE(f.context->table(tables::prescripts()).records(), qint64(0));
    QCOMPARE(open.form->logList(11)->rows().size(), std::size_t(0));
}

void TestProfileEntry::keyboardReachesEveryPageAndList()
{
    ProfileFixture f;
    addAnn(f);
    AnnForm open(f, Request::Change);
    QWidget *first = open.form->entry("PER:FIRSTNAME");
    first->setFocus();
    QTest::keyClick(first, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(open.form->tabs()->currentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(open.form->tabs()->currentIndex(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(open.form->tabs()->currentIndex(), 0);

    // A mnemonic moves to its entry and types nothing.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), open.form->entry("PER:LASTNAME"));
    QCOMPARE(open.form->entry("PER:LASTNAME")->text(), QStringLiteral("Lee"));

    // Tab goes down the left column to the social security number, then to the birthdate.
    open.form->entry("PER:SOCIALSECURITY")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), open.form->entry("PER:BIRTHDATE"));

    // On a log tab, Tab reaches the list after the explanation.
    open.showTab(8);
    QVERIFY(open.form->tabs()->tabText(8).startsWith(QStringLiteral("9)")));
    open.form->bloodPressureText()->setFocus();
    QTest::keyClick(open.form->bloodPressureText(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(open.form->logList(9)->list()));
}

void TestProfileEntry::everyPromptHasItsOwnMnemonic()
{
    ProfileFixture f;
    addAnn(f);
    AnnForm open(f, Request::Change);
    const QRegularExpression mark(QStringLiteral("&([^&])"));
    for (int i = 0; i < open.form->tabs()->count(); ++i) {
        QWidget *page = open.form->tabs()->widget(i);
        QStringList letters;
        for (QLabel *label : page->findChildren<QLabel *>()) {
            if (!label->buddy())
                continue;
            const QRegularExpressionMatch m = mark.match(label->text());
            QVERIFY2(m.hasMatch(), qPrintable(label->text()));
            letters << m.captured(1).toLower();
        }
        for (const QString &own : {QStringLiteral("o"), QStringLiteral("c"), QStringLiteral("h"), QStringLiteral("p")})
            QVERIFY2(!letters.contains(own), qPrintable(open.form->tabs()->tabText(i) + QLatin1Char(' ') + own));
        // On the first page each prompt has a letter of its own, but for the
        // menstruation ages, which share theirs with State and Age.
        if (i == 0) {
            const qsizetype all = letters.size();
            letters.removeDuplicates();
            QVERIFY2(all - letters.size() <= 2, qPrintable(letters.join(QLatin1Char(' '))));
        }
    }
}

void TestProfileEntry::reportRunsOnlyAfterItsDates()
{
    ProfileFixture f;
    addAnn(f);
    int dateAnswer = Response::Cancelled;
    int reports = 0;
    Procedures &p = Procedures::instance();
    p.addModal(QStringLiteral("prebpaverages"), [&dateAnswer](ThreadContext &, QWidget *) { return dateAnswer; });
    p.addModal(QStringLiteral("bpaverages"), [&reports](ThreadContext &, QWidget *) {
        ++reports;
        return int(Response::Completed);
    });
    AnnForm open(f, Request::Change);
    open.form->printButton(9)->click(); // the dates cancelled
    QCOMPARE(reports, 0);
    dateAnswer = Response::Completed;
    open.form->printButton(9)->click();
    QCOMPARE(reports, 1);
    p.remove(QStringLiteral("prebpaverages"));
    p.remove(QStringLiteral("bpaverages"));
}

QTEST_MAIN(TestProfileEntry)
#include "tst_profileentry.moc"
