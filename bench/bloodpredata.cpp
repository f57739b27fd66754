// Blood pressure readings generated for the benchmarks, and the large
// tables built from them once per machine.
#include "bloodpredata.h"

#include "tables.h"
#include "ownerkey.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tables.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>


namespace tavimo::benchdata {




double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QString benchRoot()
{
    const QByteArray env = qgetenv("TAVIMO_BENCH_DIR");
    return env.isEmpty() ? QStringLiteral("/tmp/tavimo-bench") : QString::fromLocal8Bit(env);
}

// ---- generated readings ---------------------------------------------------



const std::vector<Person> &people()
{
    static const std::vector<Person> list = [] {
        const char *firsts[] = {"Maria", "James", "Aiko", "Olusegun", "Chloé", "Dmitri", "Priya", "Tomás", "Hannah", "Wei"};
        const char *lasts[] = {"Lopez", "O'Brien", "Tanaka", "Adeyemi", "Lefèvre"};
        std::vector<Person> out;
        for (int i = 0; i < 50; ++i) {
            Person p;
            p.first = Text(firsts[i % 10]);
            p.last = Text(lasts[i / 10]);
            p.name = Text(p.first.q + QLatin1Char(' ') + p.last.q);
            p.ssn = Text(QStringLiteral("%1-%2-%3")
                             .arg(100 + i * 7, 3, 10, QLatin1Char('0'))
                             .arg(10 + i, 2, 10, QLatin1Char('0'))
                             .arg(1000 + i * 173, 4, 10, QLatin1Char('0')));
            p.sex = Text(i % 2 ? "F" : "M");
            p.height = Text(QStringLiteral("%1'%2").arg(5 + i % 2).arg(i % 12));
            p.weight = 110 + (i * 37) % 130;
            p.age = 18 + (i * 13) % 70;
            p.bmi = 18.5 + double((i * 29) % 170) / 10.0;
            out.push_back(p);
        }
        return out;
    }();
    return list;
}

const std::vector<Text> &comments()
{
    static const std::vector<Text> list = {
        Text(""), Text(""), Text(""), Text("after coffee"), Text("left arm, seated"),
        Text("felt dizzy"), Text("before medication"), Text("after exercise"), Text("at the pharmacy"),
        Text("morning, fasting"),
    };
    return list;
}


std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Reading i is a pure function of i, so any record of a cached table can be
// produced again without keeping a million of them in memory.
Reading reading(std::int64_t i)
{
    static const int firstDay = Date::fromYmd(2008, 1, 1).dayNumber();
    std::uint64_t h = mix(std::uint64_t(i) * 2654435761ULL + 17);
    Reading r;
    r.person = &people()[h % people().size()];
    h = mix(h);
    r.day = firstDay + int(h % (16 * 365));
    r.time = Time::fromHms(6 + int((h >> 20) % 17), int((h >> 28) % 60)).value();
    h = mix(h);
    r.systolic = 100 + double(h % 70);
    r.diastolic = 60 + double((h >> 16) % 35);
    r.pulse = 50 + double((h >> 32) % 50);
    r.comment = &comments()[(h >> 48) % comments().size()];
    return r;
}

// ---- our driver -------------------------------------------------------------


const Fields &fields()
{
    static const Fields f = [] {
        const TableLayout &l = tables::bloodpre();
        auto at = [&](const char *name) {
            const int i = l.fieldIndex(QString::fromLatin1(name));
            if (i < 0)
                qFatal("bloodpre has no field %s", name);
            return i;
        };
        return Fields{at("DATE"), at("TIME"), at("SYSTOLIC"), at("DIASTOLIC"), at("PULSE"),
                      at("COMMENT"), at("PERSONNAME"), at("SEX"), at("AGE"), at("BMI"),
                      at("WEIGHT"), at("HEIGHT"), at("FIRSTNAME"), at("LASTNAME"), at("SOCIALSECURITY")};
    }();
    return f;
}

void fill(Record &rec, const Reading &r)
{
    const Fields &f = fields();
    const Person &p = *r.person;
    rec.setDate(f.date, Date(r.day));
    rec.setTime(f.time, Time(r.time));
    rec.setReal(f.systolic, r.systolic);
    rec.setReal(f.diastolic, r.diastolic);
    rec.setReal(f.pulse, r.pulse);
    rec.setText(f.comment, r.comment->q);
    rec.setText(f.person, p.name.q);
    rec.setText(f.sex, p.sex.q);
    rec.setReal(f.age, p.age);
    rec.setReal(f.bmi, p.bmi);
    rec.setInteger(f.weight, p.weight);
    rec.setText(f.height, p.height.q);
    rec.setText(f.first, p.first.q);
    rec.setText(f.last, p.last.q);
    rec.setText(f.ssn, p.ssn.q);
}


Ours::Ours(const QString &dir) : session(dir), table(session, tables::bloodpre())
{
    table.setOwnerPassword(tables::ownerPassword());
}

QString Ours::error(const char *what) const
{
    return QStringLiteral("%1: %2 %3 %4")
        .arg(QLatin1String(what))
        .arg(table.status().code)
        .arg(table.status().text, table.status().fileError);
}

// Inserts readings [0, n) in one transaction; returns an error text or "".
QString oursInsert(Ours &o, std::int64_t n, double *seconds)
{
    const auto t0 = Clock::now();
    if (o.session.logout(30, {&o.table}) != 0)
        return QStringLiteral("logout: %1").arg(o.session.lastStatus().code);
    Record &rec = o.table.record();
    for (std::int64_t i = 0; i < n; ++i) {
        fill(rec, reading(i));
        if (o.table.add() != 0) {
            const QString e = o.error("add");
            o.session.rollback();
            return e;
        }
    }
    if (o.session.commit() != 0)
        return QStringLiteral("commit: %1").arg(o.session.lastStatus().code);
    if (seconds)
        *seconds = secondsSince(t0);
    return {};
}

// ---- plain SQLCipher ----------------------------------------------------------


Raw::~Raw()
{
    for (auto &[sql, s] : statements)
        sqlite3_finalize(s);
    sqlite3_close(db);
}

QString Raw::error() const
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

bool Raw::exec(const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

sqlite3_stmt *Raw::prepare(const char *sql)
{
    auto &s = statements[sql];
    if (!s && sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK)
        qFatal("prepare %s: %s", sql, sqlite3_errmsg(db));
    return s;
}

std::unique_ptr<Raw> rawOpen(const QString &path, bool create)
{
    auto r = std::make_unique<Raw>();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &r->db, flags, nullptr) != SQLITE_OK)
        return nullptr;
    const QByteArray key = rawCipherKey(tables::ownerPassword());
    if (sqlite3_key(r->db, key.constData(), int(key.size())) != SQLITE_OK)
        return nullptr;
    if (!r->exec("SELECT count(*) FROM sqlite_master") || !r->exec("PRAGMA journal_mode=DELETE")
        || !r->exec("PRAGMA synchronous=FULL"))
        return nullptr;
    if (create
        && !r->exec("CREATE TABLE IF NOT EXISTS bloodpre (DATE INTEGER, TIME INTEGER, SYSTOLIC REAL,"
                    " DIASTOLIC REAL, PULSE REAL, COMMENT TEXT, PERSONNAME TEXT COLLATE NOCASE, SEX TEXT,"
                    " AGE REAL, BMI REAL, WEIGHT INTEGER, HEIGHT TEXT, FIRSTNAME TEXT, LASTNAME TEXT,"
                    " SOCIALSECURITY TEXT COLLATE NOCASE);"
                    "CREATE INDEX IF NOT EXISTS blo_byperson ON bloodpre (PERSONNAME);"
                    "CREATE INDEX IF NOT EXISTS blo_byid ON bloodpre (SOCIALSECURITY, DATE, TIME);"
                    "CREATE INDEX IF NOT EXISTS blo_bydate ON bloodpre (PERSONNAME, DATE, TIME);"))
        return nullptr;
    return r;
}

void bindText(sqlite3_stmt *s, int i, const Text &t)
{
    sqlite3_bind_text(s, i, t.u.constData(), int(t.u.size()), SQLITE_STATIC);
}

QString rawInsert(Raw &r, std::int64_t n, double *seconds)
{
    sqlite3_stmt *ins = r.prepare(
        "INSERT INTO bloodpre (DATE, TIME, SYSTOLIC, DIASTOLIC, PULSE, COMMENT, PERSONNAME, SEX, AGE, BMI,"
        " WEIGHT, HEIGHT, FIRSTNAME, LASTNAME, SOCIALSECURITY)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
    const auto t0 = Clock::now();
    if (!r.exec("BEGIN IMMEDIATE"))
        return r.error();
    for (std::int64_t i = 0; i < n; ++i) {
        const Reading x = reading(i);
        const Person &p = *x.person;
        sqlite3_bind_int(ins, 1, x.day);
        sqlite3_bind_int(ins, 2, x.time);
        sqlite3_bind_double(ins, 3, x.systolic);
        sqlite3_bind_double(ins, 4, x.diastolic);
        sqlite3_bind_double(ins, 5, x.pulse);
        bindText(ins, 6, *x.comment);
        bindText(ins, 7, p.name);
        bindText(ins, 8, p.sex);
        sqlite3_bind_double(ins, 9, p.age);
        sqlite3_bind_double(ins, 10, p.bmi);
        sqlite3_bind_int(ins, 11, p.weight);
        bindText(ins, 12, p.height);
        bindText(ins, 13, p.first);
        bindText(ins, 14, p.last);
        bindText(ins, 15, p.ssn);
        if (sqlite3_step(ins) != SQLITE_DONE) {
            const QString e = r.error();
            sqlite3_reset(ins);
            r.exec("ROLLBACK");
            return e;
        }
        sqlite3_reset(ins);
    }
    if (!r.exec("COMMIT"))
        return r.error();
    if (seconds)
        *seconds = secondsSince(t0);
    return {};
}

// Reads every column of the current row, as a caller filling its own
// structure would; returns one of them so the work is not optimised away.
double readColumns(sqlite3_stmt *s, int first)
{
    double touched = 0;
    for (int c = first; c < first + 15; ++c) {
        switch (sqlite3_column_type(s, c)) {
        case SQLITE_INTEGER:
            touched += double(sqlite3_column_int64(s, c) & 1);
            break;
        case SQLITE_FLOAT:
            touched += sqlite3_column_double(s, c);
            break;
        default: {
            const unsigned char *t = sqlite3_column_text(s, c);
            const int n = sqlite3_column_bytes(s, c);
            touched += n ? double(t[0]) : 0.0;
        }
        }
    }
    return touched;
}

// ---- cached tables for the read benchmarks ----------------------------------


bool cacheValid(const Cached &c, std::int64_t n)
{
    if (!QFileInfo::exists(c.rawPath))
        return false;
    Ours o(c.oursDir);
    if (o.table.open() != 0 || o.table.records() != n)
        return false;
    auto r = rawOpen(c.rawPath, false);
    if (!r)
        return false;
    sqlite3_stmt *s = r->prepare("SELECT count(*) FROM bloodpre");
    const bool ok = sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int64(s, 0) == n;
    sqlite3_reset(s);
    return ok;
}

// Builds the pair of n-record tables once per machine. Written to a side
// folder and renamed, so an interrupted build is never taken for a cache.
const Cached &cachedTables(std::int64_t n)
{
    static std::map<std::int64_t, Cached> built;
    if (auto it = built.find(n); it != built.end())
        return it->second;
    const QString dir = benchRoot() + QStringLiteral("/bloodpre-%1").arg(n);
    Cached c{dir + QStringLiteral("/ours"), dir + QStringLiteral("/raw.db")};
    if (!cacheValid(c, n)) {
        std::fprintf(stderr, "building the %lld-record tables under %s ...\n", static_cast<long long>(n),
                     qPrintable(dir));
        QDir(dir).removeRecursively();
        const QString partial = dir + QStringLiteral(".partial");
        QDir(partial).removeRecursively();
        QDir().mkpath(partial + QStringLiteral("/ours"));
        double oursSeconds = 0, rawSeconds = 0;
        {
            Ours o(partial + QStringLiteral("/ours"));
            if (o.table.create() != 0 || o.table.open() != 0)
                qFatal("%s", qPrintable(o.error("create/open")));
            const QString e = oursInsert(o, n, &oursSeconds);
            if (!e.isEmpty())
                qFatal("%s", qPrintable(e));
        }
        {
            auto r = rawOpen(partial + QStringLiteral("/raw.db"), true);
            if (!r)
                qFatal("cannot create the raw table");
            const QString e = rawInsert(*r, n, &rawSeconds);
            if (!e.isEmpty())
                qFatal("%s", qPrintable(e));
        }
        if (!QDir().rename(partial, dir))
            qFatal("cannot rename %s", qPrintable(partial));
        std::fprintf(stderr, "  built: ours %.1f s, raw %.1f s (ratio %.2f)\n", oursSeconds, rawSeconds,
                     oursSeconds / rawSeconds);
        if (!cacheValid(c, n))
            qFatal("the freshly built tables under %s do not check", qPrintable(dir));
    }
    return built.emplace(n, c).first->second;
}


} // namespace tavimo::benchdata
