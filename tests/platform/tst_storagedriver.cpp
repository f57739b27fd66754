// The storage driver against real data files: orders, seeks, writes,
// conflicts, passwords, transactions and crash safety.
#include "driverstatus.h"
#include "ownerkey.h"
#include "record.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavimo;

namespace {

// A reading log much like the real ones: a descending name and date with
// an ascending time, a plain key and a unique one.
const TableLayout &readings()
{
    static const TableLayout layout = TableLayout::Builder("Readings", "RDG", "readings", Protection::Encrypted)
                                          .text("PERSON", 20)
                                          .date("DATE")
                                          .time("TIME")
                                          .real("VALUE")
                                          .int16("COUNT")
                                          .uint8("FLAGS")
                                          .decimal("COST")
                                          .cstring("NOTE", 12)
                                          .text("CODE", 8)
                                          .noCaseKeys(true)
                                          .key("RDG:ByDate", {"-PERSON", "-DATE", "TIME"})
                                          .key("RDG:ByPerson", {"PERSON"})
                                          .uniqueKey("RDG:ByCode", {"CODE"})
                                          .key("RDG:ByDay", {"DATE", "TIME"})
                                          .memo("REMARKS")
                                          .build();
    return layout;
}

const TableLayout &plainParts()
{
    static const TableLayout layout = TableLayout::Builder("Parts", "PRT", "parts")
                                          .text("SECTION", 20)
                                          .text("PART", 30)
                                          .key("PRT:BySection", {"SECTION", "PART"})
                                          .build();
    return layout;
}

const char *const kPassword = "QRV LTD";

struct Opened
{
    StorageSession session;
    StoredTable table;
    Opened(const QString &dir, const TableLayout &layout, const QString &password = QString::fromLatin1(kPassword))
        : session(dir), table(session, layout)
    {
        table.setOwnerPassword(password);
    }
    int openOrCreate()
    {
        int code = table.open();
        if (code == DriverCode::NoFile) {
            code = table.create();
            if (code == DriverCode::Ok)
                code = table.open();
        }
        return code;
    }
};

void addReading(StoredTable &t, const QString &person, Date date, Time time, const QString &code = QString())
{
    Record &r = t.record();
    r.clear();
    r.setText("PERSON", person);
    r.setDate("DATE", date);
    r.setTime("TIME", time);
    static int serial = 0;
    r.setText("CODE", code.isEmpty() ? QStringLiteral("#%1").arg(++serial) : code);
    QCOMPARE(t.add(), int(DriverCode::Ok));
}

QString describe(StoredTable &t)
{
    const Record &r = t.record();
    const Date d = r.date("DATE");
    return QStringLiteral("%1/%2/%3")
        .arg(r.text("PERSON"), d.isNull() ? QStringLiteral("-") : d.toQDate().toString(Qt::ISODate))
        .arg(r.time("TIME").isNull() ? QStringLiteral("-") : r.time("TIME").toQTime().toString(QStringLiteral("HH:mm")));
}

QStringList readAll(StoredTable &t, int key, bool forward = true)
{
    QStringList out;
    if (t.set(key) != DriverCode::Ok)
        return {QStringLiteral("set failed")};
    while ((forward ? t.next() : t.previous()) == DriverCode::Ok)
        out << describe(t);
    return out;
}

qint64 rawCount(const QString &path, const QByteArray &key, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (!key.isEmpty())
        sqlite3_key(db, key.constData(), int(key.size()));
    sqlite3_stmt *stmt = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        n = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return n;
}

} // namespace

class TestStorageDriver : public QObject
{
    Q_OBJECT

private slots:
    void createsMissingFilesOwnerOnly();
    void openCodes();
    void storedFormRoundTrip();
    void keyOrderWithDescendingComponentsAndBlankDates();
    void textKeysIgnoreTrailingBlanksAndCase();
    void duplicatesKeepInsertionOrderBothWays();
    void endOfOrderAndTurningBack();
    void setByValueSeeksBothWays();
    void positionsSurviveDeletionAndReadAhead();
    void uniqueKeyRefusesDuplicate();
    void changedByAnotherConnectionFailsWith89();
    void putAndDeleteOfVanishedRecord();
    void wrongPasswordFails();
    void sharedFileHoldsSeveralTables();
    void invalidKeysAreRebuilt();
    void layoutMismatchIsRefused();
    void saveAndRestoreState();
    void rollbackLeavesEveryTableUnchanged();
    void killedDuringMultiFileCommitLeavesAllOrNothing();
};

void TestStorageDriver::createsMissingFilesOwnerOnly()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    Opened o(dir, readings());
    QCOMPARE(o.table.open(), int(DriverCode::NoFile));
    QCOMPARE(o.table.create(), int(DriverCode::Ok));
    QCOMPARE(o.table.open(), int(DriverCode::Ok));
    QCOMPARE(o.table.records(), qint64(0));

    const QFileInfo file(o.table.path());
    QCOMPARE(file.fileName(), QStringLiteral("readings.tdb"));
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QVERIFY(file.permissions() & QFileDevice::ReadOwner);
    QVERIFY(file.permissions() & QFileDevice::WriteOwner);
    QVERIFY(!(file.permissions() & others));
    QVERIFY(!(QFileInfo(dir).permissions() & others));

    // A second create must never empty a table that exists.
    addReading(o.table, QStringLiteral("Ann"), Date::fromYmd(2024, 1, 1), Time::fromHms(8, 0));
    Opened other(dir, readings());
    QCOMPARE(other.table.create(), int(DriverCode::Ok));
    QCOMPARE(other.table.open(), int(DriverCode::Ok));
    QCOMPARE(other.table.records(), qint64(1));
}

void TestStorageDriver::openCodes()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    QCOMPARE(o.table.open(), int(DriverCode::AlreadyOpen));
    QCOMPARE(o.table.close(), int(DriverCode::Ok));
    QCOMPARE(o.table.next(), int(DriverCode::FileNotOpen));
    QCOMPARE(o.table.close(), int(DriverCode::FileNotOpen));
    QCOMPARE(o.table.send(QStringLiteral("Recover=10")), int(DriverCode::Ok));
    QCOMPARE(o.table.send(QStringLiteral("QUICKSCAN=on")), int(DriverCode::Ok));
    QCOMPARE(o.table.send(QStringLiteral("Frobnicate=1")), int(DriverCode::NotSupported));

    // Read-only opening reads, and refuses writes.
    QCOMPARE(o.table.open(0x40), int(DriverCode::Ok));
    QVERIFY(o.table.isReadOnly());
    o.table.record().clear();
    QCOMPARE(o.table.add(), int(DriverCode::AccessDenied));
}

void TestStorageDriver::storedFormRoundTrip()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    Record &r = o.table.record();
    r.clear();
    r.setText("PERSON", QStringLiteral("Zoë Müller"));
    r.setDate("DATE", Date::fromYmd(1999, 12, 31));
    r.setTime("TIME", Time(1)); // midnight
    r.setReal("VALUE", 120.25);
    r.setInteger("COUNT", -321);
    r.setInteger("FLAGS", 200);
    r.setDecimal("COST", Decimal::fromCents(-1234567));
    r.setText("NOTE", QStringLiteral("eleven char"));
    r.setText("CODE", QStringLiteral(" lead"));
    r.setMemo(QStringLiteral("line one\nline two"));
    const Record written = r;
    QCOMPARE(o.table.add(), int(DriverCode::Ok));

    Opened again(tmp.path(), readings());
    QCOMPARE(again.table.open(), int(DriverCode::Ok));
    QCOMPARE(again.table.set(), int(DriverCode::Ok));
    QCOMPARE(again.table.next(), int(DriverCode::Ok));
    QVERIFY2(again.table.record() == written, "record bytes or memo differ after a write and a read");
    QCOMPARE(again.table.record().time("TIME"), Time(1));
    QCOMPARE(again.table.record().text("CODE"), QStringLiteral(" lead"));
}

void TestStorageDriver::keyOrderWithDescendingComponentsAndBlankDates()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    const Date jan = Date::fromYmd(2024, 1, 5);
    const Date feb = Date::fromYmd(2024, 2, 5);
    addReading(o.table, QStringLiteral("Ann"), jan, Time::fromHms(9, 0));
    addReading(o.table, QStringLiteral("Bob"), jan, Time::fromHms(7, 0));
    addReading(o.table, QStringLiteral("Ann"), Date(), Time());
    addReading(o.table, QStringLiteral("Ann"), feb, Time::fromHms(8, 0));
    addReading(o.table, QStringLiteral("Ann"), jan, Time::fromHms(6, 30));
    addReading(o.table, QStringLiteral("Ann Lee"), jan, Time::fromHms(6, 0));

    // Names descending, dates descending (no date last), times ascending.
    const QStringList expected{
        QStringLiteral("Bob/2024-01-05/07:00"),     QStringLiteral("Ann Lee/2024-01-05/06:00"),
        QStringLiteral("Ann/2024-02-05/08:00"),     QStringLiteral("Ann/2024-01-05/06:30"),
        QStringLiteral("Ann/2024-01-05/09:00"),     QStringLiteral("Ann/-/-"),
    };
    QCOMPARE(readAll(o.table, 0), expected);
    QStringList reversed = expected;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(readAll(o.table, 0, false), reversed);

    // Where dates ascend, no date comes before every real one.
    const QStringList byDay = readAll(o.table, 3);
    QCOMPARE(byDay.first(), QStringLiteral("Ann/-/-"));
    QCOMPARE(byDay.last(), QStringLiteral("Ann/2024-02-05/08:00"));
}

void TestStorageDriver::textKeysIgnoreTrailingBlanksAndCase()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    addReading(o.table, QStringLiteral("ann"), Date::fromYmd(2024, 1, 1), Time::fromHms(1, 0));
    addReading(o.table, QStringLiteral("Bob"), Date::fromYmd(2024, 1, 1), Time::fromHms(1, 0));

    Record &r = o.table.record();
    r.clear();
    r.setText("PERSON", QStringLiteral("ANN   "));
    QCOMPARE(o.table.get(1), int(DriverCode::Ok));
    QCOMPARE(r.text("PERSON"), QStringLiteral("ann"));

    r.clear();
    r.setText("PERSON", QStringLiteral("Carl"));
    QCOMPARE(o.table.get(1), int(DriverCode::RecordNotFound));
}

void TestStorageDriver::duplicatesKeepInsertionOrderBothWays()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    for (int i = 0; i < 40; ++i)
        addReading(o.table, QStringLiteral("Same"), Date::fromYmd(2024, 1, 1), Time::fromHms(0, i));
    QStringList forward = readAll(o.table, 1);
    QCOMPARE(forward.size(), 40);
    QCOMPARE(forward.first(), QStringLiteral("Same/2024-01-01/00:00"));
    QCOMPARE(forward.last(), QStringLiteral("Same/2024-01-01/00:39"));
    QStringList backward = readAll(o.table, 1, false);
    std::reverse(backward.begin(), backward.end());
    QCOMPARE(backward, forward);
}

void TestStorageDriver::endOfOrderAndTurningBack()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    QCOMPARE(o.table.set(1), int(DriverCode::Ok));
    QCOMPARE(o.table.next(), int(DriverCode::NoRecord)); // empty table
    for (const char *name : {"A", "B", "C"})
        addReading(o.table, QString::fromLatin1(name), Date::fromYmd(2024, 1, 1), Time::fromHms(1, 0));

    StoredTable &t = o.table;
    QCOMPARE(t.set(1), int(DriverCode::Ok));
    QCOMPARE(t.previous(), int(DriverCode::Ok)); // set then previous reads the last
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("C"));
    QCOMPARE(t.next(), int(DriverCode::NoRecord));
    QCOMPARE(t.next(), int(DriverCode::NoRecord));
    QCOMPARE(t.previous(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("C"));
    QCOMPARE(t.previous(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("B"));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("C"));
    QCOMPARE(t.previous(), int(DriverCode::Ok));
    QCOMPARE(t.previous(), int(DriverCode::Ok));
    QCOMPARE(t.previous(), int(DriverCode::NoRecord));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("A"));

    // Record order is the order of adding.
    QCOMPARE(readAll(t, StoredTable::ByTable).join(u','),
             QStringLiteral("A/2024-01-01/01:00,B/2024-01-01/01:00,C/2024-01-01/01:00"));
}

void TestStorageDriver::setByValueSeeksBothWays()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    for (const char *name : {"Alma", "Bea", "Bea", "Cid"})
        addReading(o.table, QString::fromLatin1(name), Date::fromYmd(2024, 1, 1), Time::fromHms(1, 0));
    StoredTable &t = o.table;

    struct Case { const char *value; bool forward; const char *expect; };
    const Case cases[] = {
        {"Bea", true, "Bea"},   {"Bea", false, "Bea"}, {"Ba", true, "Bea"}, {"Ba", false, "Alma"},
        {"Zed", true, nullptr}, {"Zed", false, "Cid"}, {"", true, "Alma"},  {"", false, nullptr},
    };
    for (const Case &c : cases) {
        t.record().clear();
        t.record().setText("PERSON", QString::fromLatin1(c.value));
        QCOMPARE(t.setByValue(1), int(DriverCode::Ok));
        const int code = c.forward ? t.next() : t.previous();
        if (!c.expect) {
            QCOMPARE(code, int(DriverCode::NoRecord));
            continue;
        }
        QCOMPARE(code, int(DriverCode::Ok));
        QCOMPARE(t.record().text("PERSON"), QString::fromLatin1(c.expect));
    }
}

void TestStorageDriver::positionsSurviveDeletionAndReadAhead()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    for (int i = 0; i < 300; ++i)
        addReading(o.table, QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')), Date::fromYmd(2024, 1, 1),
                   Time::fromHms(1, 0));
    StoredTable &t = o.table;
    QCOMPARE(t.set(1), int(DriverCode::Ok));
    for (int i = 0; i <= 150; ++i)
        QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("P150"));
    const QString pos = t.position();
    QVERIFY(!pos.isEmpty() && pos.size() <= 1024);

    // Another connection deletes the next record while this one has read ahead.
    Opened other(tmp.path(), readings());
    QCOMPARE(other.table.open(), int(DriverCode::Ok));
    other.table.record().setText("PERSON", QStringLiteral("P151"));
    QCOMPARE(other.table.get(1), int(DriverCode::Ok));
    QCOMPARE(other.table.remove(), int(DriverCode::Ok));

    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("P152"));

    // Re-read by position, and reset to it so the next read starts there.
    QCOMPARE(t.reget(pos), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("P150"));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("P152"));
    QCOMPARE(t.reset(pos), int(DriverCode::Ok));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("P150"));
    QCOMPARE(t.reset(pos), int(DriverCode::Ok));
    QCOMPARE(t.previous(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("P149"));

    // A deleted record's position reads nothing again; reset still works.
    QCOMPARE(t.reget(pos), int(DriverCode::Ok));
    QCOMPARE(t.remove(), int(DriverCode::Ok));
    QCOMPARE(t.reget(pos), int(DriverCode::RecordNotFound));
    QCOMPARE(t.reset(pos), int(DriverCode::Ok));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("P152"));
    QCOMPARE(t.reget(QStringLiteral("nonsense")), int(DriverCode::RecordNotFound));
}

void TestStorageDriver::uniqueKeyRefusesDuplicate()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    addReading(o.table, QStringLiteral("Ann"), Date(), Time(), QStringLiteral("X1"));
    o.table.record().clear();
    o.table.record().setText("CODE", QStringLiteral("x1  "));
    QVERIFY(o.table.duplicate(2));
    QVERIFY(!o.table.duplicate(2, true)); // the record read last is the one holding X1
    QVERIFY(!o.table.duplicate(1)); // keys that allow duplicates never report one
    QCOMPARE(o.table.add(), int(DriverCode::DuplicateKey));
    QCOMPARE(o.table.records(), qint64(1));
    o.table.record().setText("CODE", QStringLiteral("X2"));
    QVERIFY(!o.table.duplicate(2));
    QCOMPARE(o.table.add(), int(DriverCode::Ok));
}

void TestStorageDriver::changedByAnotherConnectionFailsWith89()
{
    QTemporaryDir tmp;
    Opened a(tmp.path(), readings());
    QCOMPARE(a.openOrCreate(), int(DriverCode::Ok));
    addReading(a.table, QStringLiteral("Ann"), Date::fromYmd(2024, 3, 1), Time::fromHms(8, 0));
    Opened b(tmp.path(), readings());
    QCOMPARE(b.table.open(), int(DriverCode::Ok));

    for (StoredTable *t : {&a.table, &b.table}) {
        QCOMPARE(t->set(1), int(DriverCode::Ok));
        QCOMPARE(t->next(), int(DriverCode::Ok));
        t->watch();
    }
    b.table.record().setReal("VALUE", 140);
    QCOMPARE(b.table.put(), int(DriverCode::Ok));

    a.table.record().setReal("VALUE", 150);
    QCOMPARE(a.table.put(), int(DriverCode::RecordChanged));
    // Read again, the other connection's version is there and a new put goes through.
    QCOMPARE(a.table.reget(a.table.position()), int(DriverCode::Ok));
    QCOMPARE(a.table.record().real("VALUE"), 140.0);
    a.table.watch();
    a.table.record().setReal("VALUE", 150);
    QCOMPARE(a.table.put(), int(DriverCode::Ok));

    // Unwatched, a put simply writes.
    b.table.record().setReal("VALUE", 160);
    QCOMPARE(b.table.put(), int(DriverCode::Ok));
}

void TestStorageDriver::putAndDeleteOfVanishedRecord()
{
    QTemporaryDir tmp;
    Opened a(tmp.path(), readings());
    QCOMPARE(a.openOrCreate(), int(DriverCode::Ok));
    QCOMPARE(a.table.put(), int(DriverCode::RecordNotFound)); // nothing read yet
    addReading(a.table, QStringLiteral("Ann"), Date(), Time());
    Opened b(tmp.path(), readings());
    QCOMPARE(b.table.open(), int(DriverCode::Ok));
    QCOMPARE(b.table.set(), int(DriverCode::Ok));
    QCOMPARE(b.table.next(), int(DriverCode::Ok));
    QCOMPARE(b.table.remove(), int(DriverCode::Ok));
    QCOMPARE(a.table.put(), int(DriverCode::RecordNotFound));
    QCOMPARE(a.table.remove(), int(DriverCode::RecordNotFound));
}

void TestStorageDriver::wrongPasswordFails()
{
    QTemporaryDir tmp;
    {
        Opened o(tmp.path(), readings());
        QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
        addReading(o.table, QStringLiteral("Secret"), Date(), Time());
    }
    for (const QString &password : {QStringLiteral("QRV LTd"), QString(), QStringLiteral("QRV LTD ")}) {
        Opened o(tmp.path(), readings(), password);
        const int code = o.table.open();
        QCOMPARE(code, int(DriverCode::EngineError));
        QVERIFY(!o.table.status().fileError.isEmpty());
        QVERIFY(!o.table.isOpen());
    }
    // The file holds no readable text: it is enciphered.
    QFile file(tmp.filePath(QStringLiteral("readings.tdb")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.contains("Secret"));
    QVERIFY(!bytes.startsWith("SQLite format"));
}

void TestStorageDriver::sharedFileHoldsSeveralTables()
{
    static const TableLayout doctors = TableLayout::Builder("Docs", "DOC", "support\\!doctors")
                                           .text("NAME", 20)
                                           .key("DOC:ByName", {"NAME"})
                                           .build();
    static const TableLayout drugs = TableLayout::Builder("Drugs", "DRU", "support\\!drugs")
                                         .text("NAME", 20)
                                         .key("DRU:ByName", {"NAME"})
                                         .build();
    QTemporaryDir tmp;
    StorageSession session(tmp.path());
    StoredTable d(session, doctors);
    StoredTable g(session, drugs);
    for (StoredTable *t : {&d, &g}) {
        QCOMPARE(t->open(), int(DriverCode::NoFile));
        QCOMPARE(t->create(), int(DriverCode::Ok));
        QCOMPARE(t->open(), int(DriverCode::Ok));
        t->record().setText("NAME", t->layout().label());
        QCOMPARE(t->add(), int(DriverCode::Ok));
    }
    QCOMPARE(d.path(), g.path());
    QCOMPARE(QFileInfo(d.path()).fileName(), QStringLiteral("support.tdb"));
    QCOMPARE(rawCount(d.path(), {}, "SELECT count(*) FROM doctors"), qint64(1));
    QCOMPARE(rawCount(d.path(), {}, "SELECT count(*) FROM drugs"), qint64(1));
}

void TestStorageDriver::invalidKeysAreRebuilt()
{
    QTemporaryDir tmp;
    {
        Opened o(tmp.path(), readings());
        QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
        addReading(o.table, QStringLiteral("Bob"), Date::fromYmd(2024, 1, 1), Time());
        addReading(o.table, QStringLiteral("Ann"), Date::fromYmd(2024, 1, 1), Time());
    }
    // Damage: an index dropped and a stored key overwritten behind the driver's back.
    sqlite3 *db = nullptr;
    const QString path = tmp.filePath(QStringLiteral("readings.tdb"));
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const QByteArray key = rawCipherKey(QString::fromLatin1(kPassword));
    sqlite3_key(db, key.constData(), int(key.size()));
    QCOMPARE(sqlite3_exec(db, "DROP INDEX readings_k2; UPDATE readings SET k1 = x'00'", nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(db);

    Opened o(tmp.path(), readings());
    QCOMPARE(o.table.open(), int(DriverCode::InvalidKeys));
    QCOMPARE(o.table.build(), int(DriverCode::Ok));
    QCOMPARE(o.table.open(), int(DriverCode::Ok));
    QString problem;
    QVERIFY2(o.table.verifyKeys(problem), qPrintable(problem));
    QVERIFY2(o.table.checkFileIntegrity(problem), qPrintable(problem));
    QCOMPARE(readAll(o.table, 1), (QStringList{QStringLiteral("Ann/2024-01-01/-"), QStringLiteral("Bob/2024-01-01/-")}));
}

void TestStorageDriver::layoutMismatchIsRefused()
{
    static const TableLayout older = TableLayout::Builder("Parts", "PRT", "parts")
                                         .text("SECTION", 20)
                                         .key("PRT:BySection", {"SECTION"})
                                         .build();
    QTemporaryDir tmp;
    {
        Opened o(tmp.path(), older);
        QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    }
    Opened o(tmp.path(), plainParts());
    QCOMPARE(o.table.open(), int(DriverCode::InvalidLayout));
    QVERIFY(!o.table.isOpen());
}

void TestStorageDriver::saveAndRestoreState()
{
    QTemporaryDir tmp;
    Opened o(tmp.path(), readings());
    QCOMPARE(o.openOrCreate(), int(DriverCode::Ok));
    for (const char *name : {"A", "B", "C", "D"})
        addReading(o.table, QString::fromLatin1(name), Date(), Time());
    StoredTable &t = o.table;
    QCOMPARE(t.set(1), int(DriverCode::Ok));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    const int saved = t.saveState();
    QCOMPARE(t.set(StoredTable::ByTable), int(DriverCode::Ok));
    QCOMPARE(t.previous(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("D"));
    QVERIFY(t.restoreState(saved));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("B"));
    QCOMPARE(t.next(), int(DriverCode::Ok));
    QCOMPARE(t.record().text("PERSON"), QStringLiteral("C"));
    t.freeState(saved);
    QVERIFY(!t.restoreState(saved));
}

void TestStorageDriver::rollbackLeavesEveryTableUnchanged()
{
    QTemporaryDir tmp;
    StorageSession session(tmp.path());
    StoredTable r(session, readings());
    StoredTable p(session, plainParts());
    r.setOwnerPassword(QString::fromLatin1(kPassword));
    for (StoredTable *t : {&r, &p}) {
        QCOMPARE(t->create(), int(DriverCode::Ok));
        QCOMPARE(t->open(), int(DriverCode::Ok));
    }
    addReading(r, QStringLiteral("Kept"), Date(), Time());
    p.record().setText("SECTION", QStringLiteral("Head"));
    QCOMPARE(p.add(), int(DriverCode::Ok));

    QCOMPARE(session.logout(1, {&r, &p}), int(DriverCode::Ok));
    QCOMPARE(session.logout(1, {&r}), int(DriverCode::TransactionActive));
    addReading(r, QStringLiteral("Gone"), Date(), Time());
    QCOMPARE(p.set(), int(DriverCode::Ok));
    QCOMPARE(p.next(), int(DriverCode::Ok));
    p.record().setText("PART", QStringLiteral("Changed"));
    QCOMPARE(p.put(), int(DriverCode::Ok));
    QCOMPARE(session.rollback(), int(DriverCode::Ok));

    QCOMPARE(r.records(), qint64(1));
    QCOMPARE(p.set(), int(DriverCode::Ok));
    QCOMPARE(p.next(), int(DriverCode::Ok));
    QCOMPARE(p.record().text("PART"), QString());

    // And a commit keeps both.
    QCOMPARE(session.logout(1, {&r, &p}), int(DriverCode::Ok));
    addReading(r, QStringLiteral("New"), Date(), Time());
    QCOMPARE(p.remove(), int(DriverCode::Ok));
    QCOMPARE(session.commit(), int(DriverCode::Ok));
    QCOMPARE(r.records(), qint64(2));
    QCOMPARE(p.records(), qint64(0));
}

// A child process adds batches to two files in one transaction each and is
// killed at a random moment; afterwards every batch is in both files or in
// neither.
void TestStorageDriver::killedDuringMultiFileCommitLeavesAllOrNothing()
{
    QTemporaryDir tmp;
    {
        StorageSession session(tmp.path());
        StoredTable r(session, readings());
        StoredTable p(session, plainParts());
        r.setOwnerPassword(QString::fromLatin1(kPassword));
        QCOMPARE(r.create(), int(DriverCode::Ok));
        QCOMPARE(p.create(), int(DriverCode::Ok));
    }
    rawCipherKey(QString::fromLatin1(kPassword)); // derive before forking
    // Small batches make the commit (with its syncs) most of each loop, so
    // most kills land inside one.
    constexpr int kBatch = 40;
    auto *rng = QRandomGenerator::global();
    int interruptedCommits = 0;

    for (int round = 0; round < 8; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            StorageSession session(tmp.path());
            StoredTable r(session, readings());
            StoredTable p(session, plainParts());
            r.setOwnerPassword(QString::fromLatin1(kPassword));
            if (r.open() != 0 || p.open() != 0)
                _exit(3);
            for (int batch = round * 100000;; ++batch) {
                if (session.logout(5, {&r, &p}) != 0)
                    _exit(4);
                for (int i = 0; i < kBatch; ++i) {
                    r.record().clear();
                    r.record().setText("PERSON", QString::number(batch));
                    r.record().setText("CODE", QString::number(qint64(batch) * 1000 + i, 36));
                    p.record().clear();
                    p.record().setText("SECTION", QString::number(batch));
                    if (r.add() != 0 || p.add() != 0)
                        _exit(5);
                }
                if (session.commit() != 0)
                    _exit(6);
            }
        }
        QTest::qSleep(int(rng->bounded(30, 250)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("the writer stopped by itself: %1").arg(WEXITSTATUS(status))));
        // A commit over several files leaves its super-journal only while it runs.
        if (!QDir(tmp.path()).entryList({QStringLiteral("*-mj*")}, QDir::Files).isEmpty())
            ++interruptedCommits;

        // Reopening rolls back whatever the kill left half written.
        StorageSession session(tmp.path());
        StoredTable r(session, readings());
        StoredTable p(session, plainParts());
        r.setOwnerPassword(QString::fromLatin1(kPassword));
        QCOMPARE(r.open(), int(DriverCode::Ok));
        QCOMPARE(p.open(), int(DriverCode::Ok));
        QHash<QString, int> inReadings;
        QHash<QString, int> inParts;
        QCOMPARE(r.set(), int(DriverCode::Ok));
        while (r.next() == DriverCode::Ok)
            ++inReadings[r.record().text("PERSON")];
        QCOMPARE(p.set(), int(DriverCode::Ok));
        while (p.next() == DriverCode::Ok)
            ++inParts[p.record().text("SECTION")];
        QCOMPARE(inReadings, inParts);
        for (auto it = inReadings.cbegin(); it != inReadings.cend(); ++it)
            QCOMPARE(it.value(), kBatch);
        QString problem;
        QVERIFY2(r.checkFileIntegrity(problem), qPrintable(problem));
        QVERIFY2(p.checkFileIntegrity(problem), qPrintable(problem));
    }
    qInfo("%d of 8 kills landed inside a commit", interruptedCommits);
}

QTEST_GUILESS_MAIN(TestStorageDriver)
#include "tst_storagedriver.moc"
