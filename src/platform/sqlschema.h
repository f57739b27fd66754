#pragma once

#include "tablelayout.h"

#include <QByteArray>
#include <QList>

// The SQL a table's driver runs, built from its layout alone. Field values
// always travel as bound parameters.
namespace tavimo::sqlschema {

QByteArray quoted(const QString &identifier);
QByteArray keyColumn(int key);                        // "k1", "k2", ...
QByteArray indexName(const TableLayout &layout, int key); // "<table>_k1", ...
QByteArray metaTable();                               // the file's bookkeeping table

QByteArray createTable(const TableLayout &layout);
QByteArray createTable(const TableLayout &layout, const QString &name); // under another name
QList<QByteArray> createIndexes(const TableLayout &layout);
QByteArray createMetaTable();

// Named facts about the tables of a file ("a starter list was added"),
// kept in the file so that they travel with its data. Statements within
// one schema; the table's name is ?1, the fact's ?2.
QByteArray marksTableExists(const QByteArray &schema); // a count of 0 or 1
QByteArray createMarksTable(const QByteArray &schema);
QByteArray selectMark(const QByteArray &schema);
QByteArray insertMark(const QByteArray &schema);

// Statement texts of one table within one schema ("main" or an attached alias).
struct TableStatements
{
    QByteArray columns; // "_id", "_rev", the fields, the memo
    QByteArray selectById;
    QByteArray revisionById;
    QByteArray insert;
    QByteArray update;
    QByteArray updateWatched;
    QByteArray remove;
    QByteArray count;

    // Record order (key -1) at index 0, key i at index i + 1.
    struct Order
    {
        QByteArray equal;      // first record with key == ?1
        QByteArray first;      // ascending from the start, LIMIT ?1
        QByteArray last;       // descending from the end, LIMIT ?1
        QByteArray sameAfter;  // key == ?1 and id > ?2, LIMIT ?3
        QByteArray after;      // key > ?1, LIMIT ?2
        QByteArray sameBefore; // key == ?1 and id < ?2, LIMIT ?3
        QByteArray before;     // key < ?1, LIMIT ?2
        QByteArray duplicate;  // an id with key == ?1 and id <> ?2
        QByteArray idsFrom;    // ids with key >= ?1, from the index alone
        QByteArray idsBetween; // ids with ?1 <= key < ?2, from the index alone
        QByteArray byId;       // the record with id ?1, with its key
    };
    QList<Order> orders;
};

TableStatements tableStatements(const TableLayout &layout, const QByteArray &schema);

} // namespace tavimo::sqlschema
