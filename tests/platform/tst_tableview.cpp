// Views read exactly the records a plain scan with the filter would find,
// in the order asked for, whatever way the view chooses to read them.
#include "driverstatus.h"
#include "filterexpression.h"
#include "keycodec.h"
#include "record.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"
#include "tableview.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace tavimo;

namespace {

const TableLayout &readings()
{
    static const TableLayout layout = TableLayout::Builder("Readings", "RDG", "readings")
                                          .text("PERSON", 12)
                                          .text("SSN", 11)
                                          .date("DATE")
                                          .time("TIME")
                                          .int16("LEVEL")
                                          .text("NOTE", 10)
                                          .noCaseKeys(true)
                                          .key("RDG:ByPerson", {"PERSON"})
                                          .key("RDG:BySsn", {"SSN", "DATE", "TIME"})
                                          .key("RDG:ByDate", {"-PERSON", "-DATE", "TIME"})
                                          .key("RDG:ByLevel", {"LEVEL"})
                                          .build();
    return layout;
}

struct Row
{
    qint64 id;
    QByteArray order;
};

// Every record that matches, sorted by the order with the id breaking ties.
QList<qint64> bruteForce(StoredTable &table, const BoundFilter *filter, const std::vector<KeyComponent> &order)
{
    KeyDef key;
    key.components = order;
    key.noCase = true;
    std::vector<Row> rows;
    table.set(StoredTable::ByTable);
    while (table.next() == 0) {
        if (filter && !filter->matches(table.record()))
            continue;
        rows.push_back(Row{table.recordId(), order.empty() ? QByteArray() : encodeKey(table.record(), key)});
    }
    std::sort(rows.begin(), rows.end(),
              [](const Row &a, const Row &b) { return a.order != b.order ? a.order < b.order : a.id < b.id; });
    QList<qint64> ids;
    for (const Row &r : rows)
        ids << r.id;
    return ids;
}

QList<qint64> readView(TableView &view, bool forward)
{
    QList<qint64> ids;
    while ((forward ? view.next() : view.previous()) == 0)
        ids << view.table().recordId();
    if (!forward)
        std::reverse(ids.begin(), ids.end());
    return ids;
}

} // namespace

class TestTableView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void matchesAPlainScan_data();
    void matchesAPlainScan();
    void turnsBackAndResumes();
    void badFilterIsRefusedAndIgnored();

private:
    QTemporaryDir m_tmp;
    std::unique_ptr<StorageSession> m_session;
    std::unique_ptr<StoredTable> m_table;
    FilterNameList m_names;
};

void TestTableView::initTestCase()
{
    m_session = std::make_unique<StorageSession>(m_tmp.path());
    m_table = std::make_unique<StoredTable>(*m_session, readings());
    QCOMPARE(m_table->create(), 0);
    QCOMPARE(m_table->open(), 0);
    QRandomGenerator rng(20261209);
    const char *people[] = {"Ann", "ann", "Bob", "Cy", "Dee", "Eve", "Ann Lee", ""};
    const char *ssns[] = {"111-11-1111", "222-22-2222", "333-33-3333", ""};
    QCOMPARE(m_session->logout(5, {m_table.get()}), 0);
    for (int i = 0; i < 1500; ++i) {
        Record &r = m_table->record();
        r.clear();
        const int p = int(rng.bounded(8));
        r.setText("PERSON", QString::fromLatin1(people[p]));
        // Mostly one number per person, sometimes another, sometimes none.
        const int s = rng.bounded(10) < 7 ? p % 3 : int(rng.bounded(4));
        r.setText("SSN", QString::fromLatin1(ssns[s]));
        if (rng.bounded(10) > 0)
            r.setDate("DATE", Date::fromYmd(2020, 1, 1).addDays(int(rng.bounded(900))));
        if (rng.bounded(10) > 0)
            r.setTime("TIME", Time::fromHms(int(rng.bounded(24)), int(rng.bounded(60))));
        r.setInteger("LEVEL", int(rng.bounded(-5, 300)));
        r.setText("NOTE", QStringLiteral("n%1").arg(i % 7));
        QCOMPARE(m_table->add(), 0);
    }
    QCOMPARE(m_session->commit(), 0);
    m_names.set(QStringLiteral("personname"), FilterValue::fromText(QStringLiteral("Ann")));
    m_names.set(QStringLiteral("ssnum"), FilterValue::fromText(QStringLiteral("222-22-2222")));
    m_names.set(QStringLiteral("FromDate"), FilterValue::fromDate(Date::fromYmd(2020, 6, 1)));
    m_names.set(QStringLiteral("ToDate"), FilterValue::fromDate(Date::fromYmd(2021, 3, 31)));
}

void TestTableView::matchesAPlainScan_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("order"); // field names, "-" for descending
    QTest::addColumn<int>("key");       // the key expected to give the order; -2: sorted in memory
    QTest::addColumn<bool>("stretches");

    QTest::newRow("name or number, by person")
        << "(RDG:person=personname OR RDG:Ssn = ssnum)" << "PERSON" << 0 << true;
    QTest::newRow("name only, by person") << "(RDG:person=personname)" << "PERSON" << 0 << true;
    QTest::newRow("name and date range, descending key")
        << "RDG:person=personname  AND (RDG:Date >= FromDate  AND RDG:date <= ToDate)" << "-PERSON,-DATE" << 2 << true;
    QTest::newRow("number then date, a longer key serves") << "(RDG:person=personname)" << "SSN,DATE" << 1 << false;
    QTest::newRow("name then date, sorted here") << "(RDG:person=personname)" << "PERSON,DATE" << -2 << false;
    QTest::newRow("has a date, by level") << "RDG:Date > '' and RDG:Level < 100" << "LEVEL" << 3 << true;
    QTest::newRow("level ranges joined") << "RDG:Level < 10 or RDG:Level > 280 or RDG:Level = 150" << "LEVEL" << 3
                                         << true;
    QTest::newRow("empty range") << "RDG:Level > 200 and RDG:Level < 100" << "LEVEL" << 3 << true;
    QTest::newRow("upper on both sides") << "UPPER(RDG:PERSON) = UPPER('ann')" << "PERSON" << 0 << true;
    QTest::newRow("not equal reads all") << "RDG:Person <> 'Bob'" << "PERSON" << 0 << false;
    QTest::newRow("no filter") << "" << "-PERSON,-DATE,TIME" << 2 << false;
    QTest::newRow("record order, narrowed") << "RDG:Ssn = ssnum" << "" << -1 << false;
    QTest::newRow("order no key gives") << "(RDG:person=personname OR RDG:Ssn = ssnum)" << "NOTE,-LEVEL" << -2
                                        << false;
    QTest::newRow("blank name") << "RDG:Person = ''" << "PERSON" << 0 << true;
    QTest::newRow("dates today and after") << "RDG:Date >= today() - 2500 AND RDG:Date < today()+30" << "SSN,DATE,TIME"
                                          << 1 << false;
}

void TestTableView::matchesAPlainScan()
{
    QFETCH(QString, filter);
    QFETCH(QString, order);
    QFETCH(int, key);
    QFETCH(bool, stretches);

    std::vector<KeyComponent> comps;
    for (QString f : order.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const bool asc = !f.startsWith(QLatin1Char('-'));
        if (!asc)
            f = f.mid(1);
        comps.push_back(KeyComponent{readings().fieldIndex(f), asc});
    }
    TableView view(*m_table);
    view.setOrder(comps);
    QCOMPARE(view.setFilter(filter), 0);
    QCOMPARE(view.restart(m_names), 0);
    if (key == -2)
        QVERIFY(view.sortsInMemory());
    else
        QCOMPARE(view.orderKey(), key);
    QCOMPARE(view.readsStretches(), stretches);

    std::unique_ptr<BoundFilter> bound;
    if (!filter.isEmpty()) {
        QString error;
        bound = FilterExpression::parse(filter, &error)->bind(readings(), m_names, &error);
        QVERIFY(bound);
    }
    // Ties are broken by the rest of the key that serves the order.
    const QList<qint64> expected =
        bruteForce(*m_table, bound.get(), key >= 0 ? readings().key(key).components : comps);
    QCOMPARE(view.restart(m_names), 0);
    const QList<qint64> forward = readView(view, true);
    QCOMPARE(forward.size(), expected.size());
    QCOMPARE(forward, expected);
    QCOMPARE(view.restart(m_names), 0);
    QCOMPARE(readView(view, false), expected);
}

void TestTableView::turnsBackAndResumes()
{
    TableView view(*m_table);
    view.setOrder({KeyComponent{0, true}});
    QCOMPARE(view.setFilter(QStringLiteral("(RDG:person=personname OR RDG:Ssn = ssnum)")), 0);
    QCOMPARE(view.restart(m_names), 0);
    const QList<qint64> all = readView(view, true);
    QVERIFY(all.size() > 100);
    QVERIFY(view.mergedRows() > 0); // some rows come by number only

    // Walk forward, turn back, turn again: always the neighbours.
    QCOMPARE(view.restart(m_names), 0);
    for (int i = 0; i < 70; ++i)
        QCOMPARE(view.next(), 0);
    QCOMPARE(m_table->recordId(), all[69]);
    const QString position = view.position();
    QCOMPARE(view.previous(), 0);
    QCOMPARE(m_table->recordId(), all[68]);
    QCOMPARE(view.next(), 0);
    QCOMPARE(m_table->recordId(), all[69]);
    QCOMPARE(view.next(), 0);
    QCOMPARE(m_table->recordId(), all[70]);

    // Back to a saved place.
    QCOMPARE(view.reset(position), 0);
    QCOMPARE(view.next(), 0);
    QCOMPARE(m_table->recordId(), all[69]);
    QCOMPARE(view.reset(position), 0);
    QCOMPARE(view.previous(), 0);
    QCOMPARE(m_table->recordId(), all[68]);

    // Past the end and back.
    while (view.next() == 0) {
    }
    QCOMPARE(view.next(), int(DriverCode::NoRecord));
    QCOMPARE(view.previous(), 0);
    QCOMPARE(m_table->recordId(), all.last());

    // Restarted with other names after a partial read: nothing of the old run is left.
    FilterNameList bob;
    bob.set(QStringLiteral("personname"), FilterValue::fromText(QStringLiteral("Bob")));
    bob.set(QStringLiteral("ssnum"), FilterValue::fromText(QStringLiteral("none")));
    QCOMPARE(view.restart(bob), 0);
    QCOMPARE(view.next(), 0);
    QCOMPARE(m_table->record().text("PERSON"), QStringLiteral("Bob"));
    QCOMPARE(view.restart(m_names), 0);
    QCOMPARE(readView(view, true), all);

    // A locator: start at the buffer's person.
    m_table->record().setText("PERSON", QStringLiteral("ann lee"));
    QCOMPARE(view.restart(m_names, 1), 0);
    QCOMPARE(view.next(), 0);
    QVERIFY(m_table->record().text("PERSON").compare(QStringLiteral("Ann Lee"), Qt::CaseInsensitive) >= 0);
}

void TestTableView::badFilterIsRefusedAndIgnored()
{
    TableView view(*m_table);
    QCOMPARE(view.setFilter(QStringLiteral("(RDG:person = ")), int(DriverCode::BadFilter));
    QVERIFY(!view.status().fileError.isEmpty());
    QCOMPARE(view.restart(m_names), 0);
    QCOMPARE(readView(view, true).size(), int(m_table->records()));
    QCOMPARE(view.setFilter(QStringLiteral("RDG:nothing = 1")), 0); // parses, but binds to nothing
    QCOMPARE(view.restart(m_names), int(DriverCode::BadFilter));
    QCOMPARE(readView(view, true).size(), int(m_table->records()));
}

QTEST_GUILESS_MAIN(TestTableView)
#include "tst_tableview.moc"
