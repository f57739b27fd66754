// "List People": the current person follows the highlight, the buttons
// start the profile form and the other lists.
#include "browsedoctors.h"
#include "browseperson.h"
#include "formdriver.h"
#include "procedures.h"
#include "processvalues.h"
#include "profilefixture.h"
#include "updatepersonsname.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

using namespace tavimo;
using namespace tavimo::testing;

namespace {

QWidget *windowTitled(const QString &title)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

void addPerson(ProfileFixture &f, const QString &first, const QString &last)
{
    QVERIFY(f.add(tables::personsName(), {{"PER:FIRSTNAME", first},
                                          {"PER:LASTNAME", last},
                                          {"PER:PERSONSNAME", first + QLatin1Char(' ') + last}}));
}

} // namespace

class TestPersonList : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProcessValues::instance().clear(); }
    void selectionIsTheCurrentPerson();
    void changeTakesTheNameAgain();
    void insertThroughTheProfileForm();
    void doctorsAndPlansButtons();
};

void TestPersonList::selectionIsTheCurrentPerson()
{
    ProfileFixture f;
    addPerson(f, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addPerson(f, QStringLiteral("Bob"), QStringLiteral("Ray"));
    addPerson(f, QStringLiteral("Christopher Alexander"), QStringLiteral("Montgomery-Whitfield Jr."));
    BrowsePerson list(*f.context);
    QVERIFY(list.start());
    QCOMPARE(list.window()->windowTitle(), QStringLiteral("List People"));
    QCOMPARE(list.list().rows().size(), std::size_t(3));
    QCOMPARE(ProcessValues::instance().currentPerson.name, QStringLiteral("Ann Lee"));
    list.list().highlight(2);
    QCOMPARE(ProcessValues::instance().currentPerson.name, QStringLiteral("Bob Ray"));
    list.list().highlight(3);
    QCOMPARE(ProcessValues::instance().currentPerson.name,
             QStringLiteral("Christopher Alexander Montgomery-Whitfield Jr.").left(40));
    list.endWith(Response::Cancelled);
}

void TestPersonList::changeTakesTheNameAgain()
{
    ProfileFixture f;
    addPerson(f, QStringLiteral("Ann"), QStringLiteral("Lee"));
    BrowsePerson list(*f.context);
    QVERIFY(list.start());
    ProcessValues::instance().currentPerson.name = QStringLiteral("somebody else");
    QString seen;
    QString caption;
    list.setFormRunner([&](FormWindow &form) {
        seen = ProcessValues::instance().currentPerson.name;
        form.start();
        caption = form.window()->windowTitle();
        form.endWith(Response::Cancelled);
        return form.response;
    });
    QVERIFY(list.list().press(BrowseManager::ChangeControl));
    QCOMPARE(seen, QStringLiteral("Ann Lee"));
    QCOMPARE(caption, QStringLiteral("Record Will Be Changed"));
    list.endWith(Response::Cancelled);
}

void TestPersonList::insertThroughTheProfileForm()
{
    ProfileFixture f;
    addPerson(f, QStringLiteral("Bob"), QStringLiteral("Ray"));
    BrowsePerson list(*f.context);
    QVERIFY(list.start());
    list.setFormRunner([](FormWindow &form) {
        form.start();
        FormDriver driver(form);
        driver.type(QStringLiteral("PER:FIRSTNAME"), QStringLiteral("Ann"));
        driver.type(QStringLiteral("PER:LASTNAME"), QStringLiteral("Lee"));
        driver.ok();
        return form.response;
    });
    QVERIFY(list.list().press(BrowseManager::InsertControl));
    QCOMPARE(list.list().rows().size(), std::size_t(2));
    const int at = list.list().currentChoice();
    QCOMPARE(list.list().rows()[std::size_t(at - 1)].columns.value(0), QStringLiteral("Ann Lee"));
    // The form let go of the person; the list's highlight holds it again.
    QCOMPARE(ProcessValues::instance().currentPerson.name, QStringLiteral("Ann Lee"));
    list.endWith(Response::Cancelled);
}

void TestPersonList::doctorsAndPlansButtons()
{
    ProfileFixture f;
    Procedures::instance().add(QStringLiteral("BrowseDoctors"), [](std::shared_ptr<ThreadContext> context, QWidget *) {
        BrowseDoctors::startIn(std::move(context));
    });
    BrowsePerson list(*f.context);
    QVERIFY(list.start());
    const int before = f.presenter.count();
    list.doctorsButton()->click();
    QWidget *doctors = windowTitled(QStringLiteral("List Doctors "));
    QVERIFY(doctors);
    QCOMPARE(f.presenter.count(), before);
    doctors->close();
    list.plansButton()->click();
    QCOMPARE(f.presenter.count(), before + 1);
    QCOMPARE(f.presenter.last().text, QStringLiteral("The Procedure BrowsePlanName has not been defined."));
    list.endWith(Response::Cancelled);
    Procedures::instance().remove(QStringLiteral("BrowseDoctors"));
}

QTEST_MAIN(TestPersonList)
#include "tst_personlist.moc"
