// Layout versions of stored tables: a file written with an older layout is
// upgraded when opened, after a copy of it was kept; a newer one is
// refused and left as it was, byte for byte.
#include "backupfolders.h"
#include "driverstatus.h"
#include "ownerkey.h"
#include "record.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavimo;

namespace {

const char *const kPassword = "QRV LTD";
constexpr int kRecords = 300;

// The first layout of a reading log that shares its file with another table.
const TableLayout &readingsV1()
{
    static const TableLayout layout = TableLayout::Builder("Readings", "RDG", "store\\!readings", Protection::Encrypted)
                                          .text("PERSON", 20)
                                          .date("DATE")
                                          .time("TIME")
                                          .int16("VALUE")
                                          .int16("COUNT")
                                          .text("NOTE", 10)
                                          .text("CODE", 8)
                                          .noCaseKeys(true)
                                          .key("RDG:ByPerson", {"PERSON"})
                                          .uniqueKey("RDG:ByCode", {"CODE"})
                                          .memo("REMARKS")
                                          .build();
    return layout;
}

// Its second: a field added, one removed, two widened, a key changed.
const TableLayout &readingsV2()
{
    static const TableLayout layout = TableLayout::Builder("Readings", "RDG", "store\\!readings", Protection::Encrypted)
                                          .text("PERSON", 20)
                                          .date("DATE")
                                          .time("TIME")
                                          .real("VALUE")
                                          .text("NOTE", 30)
                                          .text("CODE", 8)
                                          .decimal("ADDED")
                                          .noCaseKeys(true)
                                          .key("RDG:ByDate", {"PERSON", "-DATE", "TIME"})
                                          .uniqueKey("RDG:ByCode", {"CODE"})
                                          .memo("REMARKS")
                                          .version(2)
                                          .build();
    return layout;
}

// A second version that the stored records cannot take: a unique key
// where names repeat.
const TableLayout &readingsV2UniquePerson()
{
    static const TableLayout layout = TableLayout::Builder("Readings", "RDG", "store\\!readings", Protection::Encrypted)
                                          .text("PERSON", 20)
                                          .date("DATE")
                                          .time("TIME")
                                          .real("VALUE")
                                          .text("NOTE", 30)
                                          .text("CODE", 8)
                                          .noCaseKeys(true)
                                          .uniqueKey("RDG:ByPerson", {"PERSON"})
                                          .memo("REMARKS")
                                          .version(2)
                                          .build();
    return layout;
}

const TableLayout &neighbour()
{
    static const TableLayout layout = TableLayout::Builder("Others", "OTH", "store\\!others", Protection::Encrypted)
                                          .text("NAME", 20)
                                          .key("OTH:ByName", {"NAME"})
                                          .build();
    return layout;
}

struct Opened
{
    StorageSession session;
    StoredTable table;
    Opened(const QString &dir, const TableLayout &layout) : session(dir), table(session, layout)
    {
        table.setOwnerPassword(QString::fromLatin1(kPassword));
    }
};

QString person(int i)
{
    return QStringLiteral("Person %1").arg(i % 7);
}

Date dateOf(int i)
{
    return Date::fromYmd(2024, 1, 1).addDays(i);
}

// kRecords readings and one neighbour, written with the first layout.
void writeFirstVersion(const QString &dir)
{
    {
        Opened o(dir, readingsV1());
        QCOMPARE(o.table.create(), int(DriverCode::Ok));
        QCOMPARE(o.table.open(), int(DriverCode::Ok));
        for (int i = 0; i < kRecords; ++i) {
            Record &r = o.table.record();
            r.clear();
            r.setText("PERSON", person(i));
            r.setDate("DATE", dateOf(i));
            r.setTime("TIME", Time::fromHms(i % 24, i % 60));
            r.setInteger("VALUE", 100 + i);
            r.setInteger("COUNT", i);
            r.setText("NOTE", QStringLiteral("note %1").arg(i));
            r.setText("CODE", QStringLiteral("C%1").arg(i));
            r.setMemo(QStringLiteral("remark %1").arg(i));
            QCOMPARE(o.table.add(), int(DriverCode::Ok));
        }
    }
    Opened n(dir, neighbour());
    QCOMPARE(n.table.create(), int(DriverCode::Ok));
    QCOMPARE(n.table.open(), int(DriverCode::Ok));
    n.table.record().clear();
    n.table.record().setText("NAME", QStringLiteral("untouched"));
    QCOMPARE(n.table.add(), int(DriverCode::Ok));
}

// Every record of the first version, read back through the given layout.
void verifyFirstVersionRecords(StoredTable &t)
{
    QCOMPARE(t.records(), qint64(kRecords));
    const bool upgraded = t.layout().version() == 2;
    QCOMPARE(t.set(t.layout().keyIndex(QStringLiteral("RDG:ByCode"))), int(DriverCode::Ok));
    QSet<int> seen;
    while (t.next() == DriverCode::Ok) {
        const Record &r = t.record();
        const int i = r.text("CODE").mid(1).toInt();
        seen.insert(i);
        QCOMPARE(r.text("PERSON"), person(i));
        QCOMPARE(r.date("DATE"), dateOf(i));
        QCOMPARE(r.time("TIME"), Time::fromHms(i % 24, i % 60));
        QCOMPARE(r.text("NOTE"), QStringLiteral("note %1").arg(i));
        QCOMPARE(r.memo(), QStringLiteral("remark %1").arg(i));
        if (upgraded) {
            QCOMPARE(r.real("VALUE"), double(100 + i));
            QVERIFY(r.decimal("ADDED").isZero());
        } else {
            QCOMPARE(r.integer("VALUE"), 100 + i);
            QCOMPARE(r.integer("COUNT"), i);
        }
    }
    QCOMPARE(seen.size(), kRecords);
}

QByteArray digestOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList backupsBeside(const QString &dataDir)
{
    QStringList out;
    QDirIterator it(backupfolders::defaultParent(dataDir), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// A one-field table whose field is declared by type, for the conversions.
TableLayout oneField(FieldType type, int size, int version)
{
    TableLayout::Builder b("Single", "SGL", "single");
    switch (type) {
    case FieldType::Text: b.text("V", size); break;
    case FieldType::CString: b.cstring("V", size); break;
    case FieldType::Date: b.date("V"); break;
    case FieldType::Time: b.time("V"); break;
    case FieldType::Real: b.real("V"); break;
    case FieldType::Short: b.int16("V"); break;
    case FieldType::Byte: b.uint8("V"); break;
    case FieldType::Decimal: b.decimal("V"); break;
    }
    return b.version(version).build();
}

void setValue(Record &r, const QVariant &v)
{
    switch (r.layout().field(0).type) {
    case FieldType::Text:
    case FieldType::CString: r.setText(0, v.toString()); break;
    case FieldType::Date: r.setDate(0, Date::fromQDate(v.toDate())); break;
    case FieldType::Time: r.setTime(0, Time::fromQTime(v.toTime())); break;
    case FieldType::Real: r.setReal(0, v.toDouble()); break;
    case FieldType::Short:
    case FieldType::Byte: r.setInteger(0, v.toInt()); break;
    case FieldType::Decimal: r.setDecimal(0, *Decimal::parse(v.toString())); break;
    }
}

QVariant valueOf(const Record &r)
{
    switch (r.layout().field(0).type) {
    case FieldType::Text:
    case FieldType::CString: return r.text(0);
    case FieldType::Date: return r.date(0).toQDate();
    case FieldType::Time: return r.time(0).toQTime();
    case FieldType::Real: return r.real(0);
    case FieldType::Short:
    case FieldType::Byte: return r.integer(0);
    case FieldType::Decimal: return r.decimal(0).toString();
    }
    return QVariant();
}

} // namespace

class TestLayoutVersions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void olderFileIsUpgradedWithEveryRecord();
    void fieldsAreConverted_data();
    void fieldsAreConverted();
    void newerFileIsRefusedAndLeftAsItWas();
    void readOnlyOlderFileIsLeftAsItWas();
    void failedUpgradeLeavesTheOldFileUsable_data();
    void failedUpgradeLeavesTheOldFileUsable();
    void upgradeKilledMidwayLeavesTheOldFileUsable();
    void cleanup();
};

void TestLayoutVersions::initTestCase()
{
    rawCipherKey(QString::fromLatin1(kPassword)); // derived once, before any fork
}

void TestLayoutVersions::cleanup()
{
    StoredTable::setUpgradeObserver({});
}

void TestLayoutVersions::olderFileIsUpgradedWithEveryRecord()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    writeFirstVersion(dir);
    {
        Opened o(dir, readingsV2());
        QCOMPARE(o.table.open(), int(DriverCode::Ok));
        QCOMPARE(o.table.upgradedFrom(), 1);
        QCOMPARE(o.table.storedLayoutVersion(), 2);
        verifyFirstVersionRecords(o.table);
        QString problem;
        QVERIFY2(o.table.verifyKeys(problem), qPrintable(problem));
        QVERIFY2(o.table.checkFileIntegrity(problem), qPrintable(problem));

        // The changed key orders the records by it.
        QCOMPARE(o.table.set(o.table.layout().keyIndex(QStringLiteral("RDG:ByDate"))), int(DriverCode::Ok));
        QCOMPARE(o.table.next(), int(DriverCode::Ok));
        QCOMPARE(o.table.record().text("PERSON"), person(0));
        const int lastOfPerson0 = (kRecords - 1) / 7 * 7;
        QCOMPARE(o.table.record().date("DATE"), dateOf(lastOfPerson0));

        // Writing goes on with the new layout.
        Record &r = o.table.record();
        r.clear();
        r.setText("PERSON", QStringLiteral("New"));
        r.setText("CODE", QStringLiteral("NEW"));
        r.setDecimal("ADDED", Decimal::fromCents(1250));
        QCOMPARE(o.table.add(), int(DriverCode::Ok));

        // The copy kept first is the file as it was, owner-only, still enciphered.
        const QString kept = o.table.upgradeBackup();
        QVERIFY(kept.startsWith(backupfolders::defaultParent(dir)));
        QCOMPARE(backupsBeside(dir), QStringList{kept});
        QVERIFY(QFileInfo(kept).dir().dirName().endsWith(QLatin1String(backupfolders::BeforeUpgrade)));
        QCOMPARE(QFileInfo(kept).permissions() & kOthers, QFileDevice::Permissions());
        QCOMPARE(QFileInfo(QFileInfo(kept).absolutePath()).permissions() & kOthers, QFileDevice::Permissions());
        const QString keptDir = QFileInfo(kept).absolutePath();
        Opened old(keptDir, readingsV1());
        QCOMPARE(old.table.open(0x40), int(DriverCode::Ok));
        verifyFirstVersionRecords(old.table);
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(kept).constData(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        QVERIFY(sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK);
        sqlite3_close(raw);
    }

    // Once upgraded, it opens as it is; the neighbour in the file never changed.
    Opened again(dir, readingsV2());
    QCOMPARE(again.table.open(), int(DriverCode::Ok));
    QCOMPARE(again.table.upgradedFrom(), 0);
    QCOMPARE(again.table.records(), qint64(kRecords + 1));
    Opened n(dir, neighbour());
    QCOMPARE(n.table.open(), int(DriverCode::Ok));
    QCOMPARE(n.table.storedLayoutVersion(), 1);
    QCOMPARE(n.table.next(), int(DriverCode::Ok));
    QCOMPARE(n.table.record().text("NAME"), QStringLiteral("untouched"));
    QCOMPARE(backupsBeside(dir).size(), 1);
}

void TestLayoutVersions::fieldsAreConverted_data()
{
    QTest::addColumn<int>("fromType");
    QTest::addColumn<int>("fromSize");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("toType");
    QTest::addColumn<int>("toSize");
    QTest::addColumn<QVariant>("expected");
    auto row = [](const char *name, FieldType from, int fromSize, QVariant stored, FieldType to, int toSize,
                  QVariant expected) {
        QTest::newRow(name) << int(from) << fromSize << stored << int(to) << toSize << expected;
    };
    row("short widened to real", FieldType::Short, 2, 7, FieldType::Real, 8, 7.0);
    row("real narrowed to short rounds", FieldType::Real, 8, 41.6, FieldType::Short, 2, 42);
    row("real too large for a short stops at its range", FieldType::Real, 8, 70000.0, FieldType::Short, 2, 32767);
    row("byte widened to short", FieldType::Byte, 1, 200, FieldType::Short, 2, 200);
    row("short narrowed to byte stops at 0", FieldType::Short, 2, -5, FieldType::Byte, 1, 0);
    row("decimal to real", FieldType::Decimal, 4, QStringLiteral("12.34"), FieldType::Real, 8, 12.34);
    row("real to decimal in cents", FieldType::Real, 8, 2.5, FieldType::Decimal, 4, QStringLiteral("2.50"));
    row("real too large for a decimal", FieldType::Real, 8, 1e9, FieldType::Decimal, 4, QStringLiteral("99999.99"));
    row("text widened keeps all", FieldType::Text, 4, QStringLiteral("abcd"), FieldType::Text, 10, QStringLiteral("abcd"));
    row("text narrowed keeps what fits", FieldType::Text, 10, QStringLiteral("abcdefghij"), FieldType::Text, 4,
        QStringLiteral("abcd"));
    row("narrowed text never splits a character", FieldType::Text, 10, QStringLiteral("abcé"), FieldType::Text, 4,
        QStringLiteral("abc"));
    row("text to cstring", FieldType::Text, 6, QStringLiteral("abc"), FieldType::CString, 6, QStringLiteral("abc"));
    row("text to short", FieldType::Text, 6, QStringLiteral(" 42 "), FieldType::Short, 2, 42);
    row("text that is no number to short", FieldType::Text, 6, QStringLiteral("many"), FieldType::Short, 2, 0);
    row("text to decimal", FieldType::Text, 10, QStringLiteral("1,234.5"), FieldType::Decimal, 4,
        QStringLiteral("1234.50"));
    row("date to text", FieldType::Date, 4, QDate(2024, 2, 29), FieldType::Text, 10, QStringLiteral("2024-02-29"));
    row("text to date", FieldType::Text, 10, QStringLiteral("2024-02-29"), FieldType::Date, 4, QDate(2024, 2, 29));
    row("time to text", FieldType::Time, 4, QTime(7, 30), FieldType::Text, 8, QStringLiteral("07:30:00"));
    row("text to time", FieldType::Text, 8, QStringLiteral("07:30"), FieldType::Time, 4, QTime(7, 30));
    row("date as a number is lost", FieldType::Date, 4, QDate(2024, 2, 29), FieldType::Real, 8, 0.0);
    row("short to text", FieldType::Short, 2, -12, FieldType::Text, 5, QStringLiteral("-12"));
    row("decimal to text", FieldType::Decimal, 4, QStringLiteral("-3.5"), FieldType::Text, 8, QStringLiteral("-3.50"));
}

void TestLayoutVersions::fieldsAreConverted()
{
    QFETCH(int, fromType);
    QFETCH(int, fromSize);
    QFETCH(QVariant, stored);
    QFETCH(int, toType);
    QFETCH(int, toSize);
    QFETCH(QVariant, expected);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    const TableLayout from = oneField(FieldType(fromType), fromSize, 1);
    const TableLayout to = oneField(FieldType(toType), toSize, 2);
    {
        Opened o(dir, from);
        QCOMPARE(o.table.create(), int(DriverCode::Ok));
        QCOMPARE(o.table.open(), int(DriverCode::Ok));
        o.table.record().clear();
        setValue(o.table.record(), stored);
        QCOMPARE(o.table.add(), int(DriverCode::Ok));
    }
    Opened o(dir, to);
    QCOMPARE(o.table.open(), int(DriverCode::Ok));
    QCOMPARE(o.table.upgradedFrom(), 1);
    QCOMPARE(o.table.next(), int(DriverCode::Ok));
    QCOMPARE(valueOf(o.table.record()), expected);
}

void TestLayoutVersions::newerFileIsRefusedAndLeftAsItWas()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    writeFirstVersion(dir);
    {
        Opened o(dir, readingsV2());
        QCOMPARE(o.table.open(), int(DriverCode::Ok));
    }
    const QString file = QDir(dir).filePath(QStringLiteral("store.tdb"));
    const QByteArray before = digestOf(file);
    const QStringList backups = backupsBeside(dir);
    const QStringList filesBefore = QDir(dir).entryList(QDir::Files);

    for (const int mode : {StoredTable::DefaultOpenMode, 0x40}) {
        Opened o(dir, readingsV1());
        QCOMPARE(o.table.open(mode), int(DriverCode::NewerLayout));
        QVERIFY(!o.table.isOpen());
        QCOMPARE(o.table.storedLayoutVersion(), 2);
        QVERIFY2(o.table.status().fileError.contains(QLatin1String("layout version 2")),
                 qPrintable(o.table.status().fileError));
    }
    QCOMPARE(digestOf(file), before);
    QCOMPARE(backupsBeside(dir), backups);
    QCOMPARE(QDir(dir).entryList(QDir::Files), filesBefore);
}

void TestLayoutVersions::readOnlyOlderFileIsLeftAsItWas()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    writeFirstVersion(dir);
    const QString file = QDir(dir).filePath(QStringLiteral("store.tdb"));
    const QByteArray before = digestOf(file);
    Opened o(dir, readingsV2());
    QCOMPARE(o.table.open(0x40), int(DriverCode::OlderLayout));
    QVERIFY(!o.table.isOpen());
    QCOMPARE(digestOf(file), before);
    QVERIFY(backupsBeside(dir).isEmpty());
}

void TestLayoutVersions::failedUpgradeLeavesTheOldFileUsable_data()
{
    QTest::addColumn<bool>("stopMidway"); // else the new layout's unique key refuses the records
    QTest::newRow("stopped after 120 records") << true;
    QTest::newRow("records the new unique key refuses") << false;
}

void TestLayoutVersions::failedUpgradeLeavesTheOldFileUsable()
{
    QFETCH(bool, stopMidway);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    writeFirstVersion(dir);
    if (stopMidway)
        StoredTable::setUpgradeObserver([](std::int64_t copied) { return copied < 120; });
    {
        Opened o(dir, stopMidway ? readingsV2() : readingsV2UniquePerson());
        QCOMPARE(o.table.open(), int(DriverCode::EngineError));
        QVERIFY(!o.table.isOpen());
        const QString why = o.table.status().fileError;
        QVERIFY2(why.contains(QLatin1String("cannot be upgraded from layout version 1 to 2")), qPrintable(why));
        QVERIFY2(why.contains(stopMidway ? QLatin1String("stopped after 120 records")
                                         : QLatin1String("Creates Duplicate Key")),
                 qPrintable(why));
    }
    StoredTable::setUpgradeObserver({});
    {
        Opened old(dir, readingsV1());
        QCOMPARE(old.table.open(), int(DriverCode::Ok));
        QCOMPARE(old.table.storedLayoutVersion(), 1);
        verifyFirstVersionRecords(old.table);
        QString problem;
        QVERIFY2(old.table.verifyKeys(problem), qPrintable(problem));
        QVERIFY2(old.table.checkFileIntegrity(problem), qPrintable(problem));
    }
    if (stopMidway) {
        Opened o(dir, readingsV2());
        QCOMPARE(o.table.open(), int(DriverCode::Ok));
        verifyFirstVersionRecords(o.table);
    }
}

void TestLayoutVersions::upgradeKilledMidwayLeavesTheOldFileUsable()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    writeFirstVersion(dir);
    const pid_t child = fork();
    if (child == 0) {
        StoredTable::setUpgradeObserver([](std::int64_t copied) {
            if (copied == 150)
                ::raise(SIGKILL);
            return true;
        });
        Opened o(dir, readingsV2());
        o.table.open();
        _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    {
        Opened old(dir, readingsV1());
        QCOMPARE(old.table.open(), int(DriverCode::Ok));
        verifyFirstVersionRecords(old.table);
        QString problem;
        QVERIFY2(old.table.checkFileIntegrity(problem), qPrintable(problem));
    }
    Opened o(dir, readingsV2());
    QCOMPARE(o.table.open(), int(DriverCode::Ok));
    QCOMPARE(o.table.upgradedFrom(), 1);
    verifyFirstVersionRecords(o.table);
}

QTEST_GUILESS_MAIN(TestLayoutVersions)
#include "tst_layoutversions.moc"
