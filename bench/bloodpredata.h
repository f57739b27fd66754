#pragma once

// Blood pressure readings generated for the benchmarks: reading i is a pure
// function of i. The large read tables are built once and kept under
// $TAVIMO_BENCH_DIR (default /tmp/tavimo-bench); delete that folder to
// rebuild them.

#include "storagesession.h"
#include "storedtable.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tavimo::benchdata {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start);
QString benchRoot();

struct Text
{
    QString q;
    QByteArray u;
    explicit Text(const char *s = "") : q(QString::fromUtf8(s)), u(s) {}
    explicit Text(const QString &s) : q(s), u(s.toUtf8()) {}
};

struct Person
{
    Text name, first, last, ssn, sex, height;
    int weight = 0;
    double age = 0, bmi = 0;
};

const std::vector<Person> &people();

struct Reading
{
    const Person *person;
    int day;
    int time;
    double systolic, diastolic, pulse;
    const Text *comment;
};

std::uint64_t mix(std::uint64_t x);
Reading reading(std::int64_t i);

struct Fields
{
    int date, time, systolic, diastolic, pulse, comment, person, sex, age, bmi, weight, height, first, last, ssn;
};
const Fields &fields();
void bindText(sqlite3_stmt *s, int i, const Text &t);
void fill(Record &rec, const Reading &r);

struct Ours
{
    StorageSession session;
    StoredTable table;
    explicit Ours(const QString &dir);
    QString error(const char *what) const;
};

QString oursInsert(Ours &o, std::int64_t n, double *seconds);

struct Raw
{
    sqlite3 *db = nullptr;
    std::map<std::string, sqlite3_stmt *> statements;
    ~Raw();
    QString error() const;
    bool exec(const char *sql);
    sqlite3_stmt *prepare(const char *sql);
};

std::unique_ptr<Raw> rawOpen(const QString &path, bool create);
QString rawInsert(Raw &r, std::int64_t n, double *seconds);
double readColumns(sqlite3_stmt *s, int first);

struct Cached
{
    QString oursDir;
    QString rawPath;
};
const Cached &cachedTables(std::int64_t n);

} // namespace tavimo::benchdata
