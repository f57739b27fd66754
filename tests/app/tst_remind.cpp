// "Prescription Refills Reminders": which prescriptions it lists, its
// texts, and that it only reads.
#include "browselist.h"
#include "browsemanager.h"
#include "browsemodel.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "picture.h"
#include "record.h"
#include "remind.h"
#include "scriptedpresenter.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"
#include "contextfixture.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

struct Prescription
{
    const char *drug;
    int days; // from today; 9999: no reminder date
    const char *active;
    bool listed;
};

// Before today + 30, with a date, and active: nothing else is listed.
const Prescription kPrescriptions[] = {
    {"Due today", 0, "Y", true},
    {"Past due", -5, "Y", true},
    {"Long past due", -400, "Y", true},
    {"In 29 days", 29, "Y", true},
    {"In 30 days", 30, "Y", false},
    {"In 31 days", 31, "Y", false},
    {"Inactive in ten days", 10, "N", false},
    {"Inactive past due", -3, "N", false},
    {"No reminder date", 9999, "Y", false},
};

struct Fixture : testing::ContextFixture
{
    void add(const Prescription &p)
    {
        FileManager &pre = *context->fileManager(tables::prescripts());
        QCOMPARE(pre.newRecord(), int(ResultOk));
        pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee"));
        pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QString::fromLatin1(p.drug));
        pre.record().setText("PRE:ACTIVE", QString::fromLatin1(p.active));
        if (p.days != 9999)
            pre.record().setDate("PRE:REFILLREMINDERDATE", Date::today().addDays(p.days));
        QCOMPARE(pre.insert(), int(ResultOk));
    }
    std::int64_t prescriptions()
    {
        context->fileManager(tables::prescripts())->use();
        return context->table(tables::prescripts()).records();
    }
};

QStringList column(const BrowseManager &b, int index)
{
    QStringList out;
    for (const auto &row : b.rows())
        out << row.columns.value(index);
    return out;
}

} // namespace

class TestRemind : public QObject
{
    Q_OBJECT

private slots:
    void listsActivePrescriptionsDueBeforeTodayPlus30();
    void textsColumnsAndButtons();
    void onlyReads();
    void okAndCloseEndIt_data();
    void okAndCloseEndIt();
};

void TestRemind::listsActivePrescriptionsDueBeforeTodayPlus30()
{
    Fixture f;
    for (const Prescription &p : kPrescriptions)
        f.add(p);
    Remind remind(*f.context);
    QVERIFY(remind.start());
    BrowseManager &b = remind.list();
    b.list()->setFixedHeight(b.list()->heightForRows(15));
    QTRY_VERIFY(b.loaded());

    // The soonest first.
    QCOMPARE(column(b, 1), (QStringList{"Long past due", "Past due", "Due today", "In 29 days"}));
    QCOMPARE(column(b, 0), QStringList(4, QStringLiteral("Ann Lee")));
    const Picture date = *Picture::parse(QStringLiteral("d17"));
    QCOMPARE(column(b, 2).value(2), date.format(Date::today()));
    QCOMPARE(f.presenter.count(), 0);
    remind.endWith(Response::Completed);
}

void TestRemind::textsColumnsAndButtons()
{
    Fixture f;
    Remind remind(*f.context);
    QVERIFY(remind.start());
    QCOMPARE(remind.window()->windowTitle(), QStringLiteral("Prescription Refills Reminders"));
    QStringList texts;
    for (QLabel *label : remind.window()->findChildren<QLabel *>())
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("The following prescriptions are due for refills soon:")));
    QVERIFY(texts.contains(QStringLiteral("Today is")));
    QCOMPARE(remind.todayLabel()->text(), Picture::parse(QStringLiteral("d18"))->format(Date::today()));

    const auto &columns = remind.list().columns();
    QCOMPARE(int(columns.size()), 3);
    QCOMPARE(columns[0].heading, QStringLiteral("Persons Name"));
    QCOMPARE(columns[0].width, 40);
    QCOMPARE(columns[1].heading, QStringLiteral("Drug Name As Prescribed"));
    QCOMPARE(columns[1].width, 60);
    QCOMPARE(columns[2].heading, QStringLiteral("Refill Reminder Date"));
    QCOMPARE(columns[2].picture.kind(), Picture::Kind::Date);

    QCOMPARE(remind.okButton()->text(), QStringLiteral("&OK"));
    QCOMPARE(remind.closeButton()->text(), QStringLiteral("&Close"));
    QCOMPARE(remind.helpButton()->text(), QStringLiteral("&Help"));
    QVERIFY(remind.helpButton()->isVisible());
    QCOMPARE(remind.helpTopic(), QStringLiteral("remind.htm"));
    remind.endWith(Response::Completed);
}

void TestRemind::onlyReads()
{
    Fixture f;
    f.add(kPrescriptions[0]);
    Remind remind(*f.context);
    QVERIFY(remind.start());
    BrowseManager &b = remind.list();
    QTRY_VERIFY(b.loaded());
    for (int c : {BrowseManager::InsertControl, BrowseManager::ChangeControl, BrowseManager::DeleteControl,
                  BrowseManager::ViewControl})
        QVERIFY(!b.control(c));
    // The keys of an editable list do nothing here.
    b.list()->setFocus();
    for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete})
        QTest::keyClick(b.list(), key);
    QCOMPARE(b.runAction(Request::Delete), int(Response::Cancelled));
    QVERIFY(remind.isRunning());
    QCOMPARE(f.prescriptions(), qint64(1));
    QCOMPARE(f.presenter.count(), 0);
    // Enter is OK.
    QTest::keyClick(b.list(), Qt::Key_Return);
    QVERIFY(!remind.isRunning());
    QCOMPARE(remind.response, int(Response::Completed));
}

void TestRemind::okAndCloseEndIt_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("response");
    QTest::newRow("OK") << "&OK" << int(Response::Completed);
    QTest::newRow("Close") << "&Close" << int(Response::Cancelled);
}

void TestRemind::okAndCloseEndIt()
{
    QFETCH(QString, button);
    QFETCH(int, response);
    Fixture f;
    Remind remind(*f.context);
    QVERIFY(remind.start());
    QPushButton *pressed = button == QLatin1String("&OK") ? remind.okButton() : remind.closeButton();
    QCOMPARE(pressed->text(), button);
    pressed->click();
    QVERIFY(!remind.isRunning());
    QCOMPARE(remind.response, response);
}

QTEST_MAIN(TestRemind)
#include "tst_remind.moc"
