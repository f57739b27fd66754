#pragma once

// A data folder with people in it, for the tests of the CSV import and
// export: records go in and come out through a context of its own.
#include "contextfixture.h"
#include "csvtables.h"
#include "currentperson.h"
#include "filemanager.h"
#include "record.h"
#include "storedtable.h"
#include "tables.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <functional>
#include <vector>

namespace tavimo::testing {

struct CsvFixture : ContextFixture
{
    QString folder() const { return tmp.path(); }

    // Adds a record through the table's file manager; false when refused.
    bool add(const TableLayout &table, const std::function<void(Record &)> &fill)
    {
        FileManager &file = *context->fileManager(table);
        if (file.open() != ResultOk)
            return false;
        file.newRecord();
        fill(file.record());
        const int result = file.insert();
        file.close();
        return result == ResultOk;
    }

    bool addPerson(const QString &first, const QString &last, const QString &gender = QString(),
                   const QDate &born = QDate(), int weight = 0, const QString &height = QString(),
                   const QString &ssn = QString())
    {
        return add(tables::personsName(), [&](Record &r) {
            r.setText("PER:FIRSTNAME", first);
            r.setText("PER:LASTNAME", last);
            r.setText("PER:PERSONSNAME", first + QLatin1Char(' ') + last);
            r.setText("PER:GENDER", gender);
            r.setDate("PER:BIRTHDATE", Date::fromQDate(born));
            r.setInteger("PER:WEIGHT", weight);
            r.setText("PER:HEIGHT", height);
            // As the profile form works it out when either changes.
            r.setReal("PER:BMI", person::bmi(weight, height));
            r.setText("PER:SOCIALSECURITY", ssn);
        });
    }

    // Every record of the table in the order of its first key; none when
    // its file was never made (which reading does not change).
    std::vector<Record> records(const TableLayout &table)
    {
        std::vector<Record> out;
        StoredTable &t = context->table(table);
        if (!QFileInfo::exists(t.path()))
            return out;
        FileManager &file = *context->fileManager(table);
        if (file.open() != ResultOk || file.use() != ResultOk) {
            file.close();
            return out;
        }
        if (t.set(table.keyCount() > 0 ? 0 : StoredTable::ByTable) == DriverCode::Ok)
            while (t.next() == DriverCode::Ok)
                out.push_back(t.record());
        file.close();
        return out;
    }

    csv::Report import(const TableLayout &table, const QByteArray &text, const QString &person = QString(),
                       const std::vector<std::pair<QString, QString>> &map = {}, bool dryRun = false)
    {
        csv::ImportRequest request;
        request.table = &table;
        request.person = person;
        request.map = map;
        request.dryRun = dryRun;
        return csv::importCsv(folder(), request, text);
    }

    QByteArray exported(const TableLayout &table, const QString &person = QString(), Date from = Date(),
                        Date to = Date(), csv::Report *report = nullptr)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const csv::Report r = csv::exportCsv(folder(), csv::ExportRequest{&table, person, from, to}, buffer);
        if (report)
            *report = r;
        return bytes;
    }
};

} // namespace tavimo::testing
