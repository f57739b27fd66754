// "Select Records For Report": the range it leaves for the log reports.
#include "datacontext.h"
#include "errormanager.h"
#include "prebpaverages.h"
#include "processvalues.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

class TestSelectRecords : public QObject
{
    Q_OBJECT

private slots:
    void range_data();
    void range();
};

void TestSelectRecords::range_data()
{
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QDate>("fromDate");
    QTest::addColumn<QDate>("toDate");
    const QDate today = QDate::currentDate();
    QTest::newRow("all") << true << "" << "" << true << QDate(1900, 1, 1) << today;
    QTest::newRow("all wins over dates") << true << "3/1/2024" << "3/5/2024" << true << QDate(1900, 1, 1) << today;
    QTest::newRow("both dates") << false << "3/1/2024" << "3/5/2024" << true << QDate(2024, 3, 1) << QDate(2024, 3, 5);
    QTest::newRow("no to date") << false << "3/1/2024" << "" << true << QDate(2024, 3, 1) << today;
    QTest::newRow("no from date") << false << "" << "3/5/2024" << false << QDate() << QDate();
    QTest::newRow("nothing") << false << "" << "" << false << QDate() << QDate();
    QTest::newRow("from date not a date") << false << "soon" << "" << false << QDate() << QDate();
}

void TestSelectRecords::range()
{
    QFETCH(bool, all);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, closes);
    QFETCH(QDate, fromDate);
    QFETCH(QDate, toDate);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QTemporaryDir tmp;
    ThreadContext context(programContextConfig(tmp.path()));
    ProcessValues::instance().clear();

    SelectRecordsForReport window(context);
    QVERIFY(window.start());
    // Opening clears whatever was left from last time.
    QVERIFY(!window.allBox()->isChecked());
    QVERIFY(window.fromEntry()->text().isEmpty());
    window.allBox()->setChecked(all);
    window.fromEntry()->setText(from);
    window.toEntry()->setText(to);
    window.printButton()->click();
    QCOMPARE(!window.isRunning(), closes);
    const ProcessValues &v = ProcessValues::instance();
    if (closes) {
        QCOMPARE(window.response, int(Response::Completed));
        QCOMPARE(v.fromDate.toQDate(), fromDate);
        QCOMPARE(v.toDate.toQDate(), toDate);
    } else {
        QVERIFY(v.fromDate.isNull());
        QCOMPARE(window.window()->focusWidget(), window.fromEntry());
        window.endWith(Response::Cancelled);
    }
}

QTEST_MAIN(TestSelectRecords)
#include "tst_selectrecords.moc"
