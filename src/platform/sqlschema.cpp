#include "sqlschema.h"

namespace tavimo::sqlschema {

namespace {

const char *sqlType(FieldType type)
{
    switch (type) {
    case FieldType::Text:
    case FieldType::CString:
        return "TEXT";
    case FieldType::Real:
        return "REAL";
    default: // dates (day numbers), times, integers, decimals (in cents)
        return "INTEGER";
    }
}

QByteArray join(const QList<QByteArray> &parts, const char *separator)
{
    QByteArray out;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i)
            out += separator;
        out += parts[i];
    }
    return out;
}

} // namespace

QByteArray quoted(const QString &identifier)
{
    QByteArray s = identifier.toUtf8();
    s.replace('"', "\"\"");
    return '"' + s + '"';
}

QByteArray keyColumn(int key)
{
    return "k" + QByteArray::number(key + 1);
}

QByteArray indexName(const TableLayout &layout, int key)
{
    return quoted(layout.tableName() + QLatin1Char('_') + QString::fromLatin1(keyColumn(key)));
}

QByteArray metaTable()
{
    return "\"_tavimo_tables\"";
}

QByteArray createMetaTable()
{
    return "CREATE TABLE IF NOT EXISTS " + metaTable()
        + " (name TEXT PRIMARY KEY, fields TEXT NOT NULL, keys TEXT NOT NULL, format INTEGER NOT NULL)";
}

namespace {

QByteArray marksTable(const QByteArray &schema)
{
    return quoted(QString::fromLatin1(schema)) + ".\"_tavimo_marks\"";
}

} // namespace

QByteArray marksTableExists(const QByteArray &schema)
{
    return "SELECT count(*) FROM " + quoted(QString::fromLatin1(schema))
        + ".sqlite_master WHERE type = 'table' AND name = '_tavimo_marks'";
}

QByteArray createMarksTable(const QByteArray &schema)
{
    return "CREATE TABLE IF NOT EXISTS " + marksTable(schema)
        + " (tbl TEXT NOT NULL, mark TEXT NOT NULL, PRIMARY KEY (tbl, mark))";
}

QByteArray selectMark(const QByteArray &schema)
{
    return "SELECT count(*) FROM " + marksTable(schema) + " WHERE tbl = ?1 AND mark = ?2";
}

QByteArray insertMark(const QByteArray &schema)
{
    return "INSERT OR IGNORE INTO " + marksTable(schema) + " (tbl, mark) VALUES (?1, ?2)";
}

QByteArray createTable(const TableLayout &layout)
{
    return createTable(layout, layout.tableName());
}

QByteArray createTable(const TableLayout &layout, const QString &name)
{
    QList<QByteArray> cols{"\"_id\" INTEGER PRIMARY KEY", "\"_rev\" INTEGER NOT NULL DEFAULT 1"};
    for (const FieldDef &f : layout.fields())
        cols << quoted(f.column) + ' ' + sqlType(f.type);
    if (layout.memo())
        cols << quoted(layout.memo()->column) + " TEXT";
    for (int k = 0; k < layout.keyCount(); ++k)
        cols << keyColumn(k) + " BLOB NOT NULL";
    return "CREATE TABLE " + quoted(name) + " (" + join(cols, ", ") + ")";
}

QList<QByteArray> createIndexes(const TableLayout &layout)
{
    QList<QByteArray> out;
    for (int k = 0; k < layout.keyCount(); ++k) {
        out << QByteArray(layout.key(k).unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + indexName(layout, k)
                + " ON " + quoted(layout.tableName()) + " (" + keyColumn(k) + ")";
    }
    return out;
}

TableStatements tableStatements(const TableLayout &layout, const QByteArray &schema)
{
    TableStatements s;
    const QByteArray table = quoted(schema) + '.' + quoted(layout.tableName());

    QList<QByteArray> fieldCols;
    for (const FieldDef &f : layout.fields())
        fieldCols << quoted(f.column);
    if (layout.memo())
        fieldCols << quoted(layout.memo()->column);
    QList<QByteArray> keyCols;
    for (int k = 0; k < layout.keyCount(); ++k)
        keyCols << keyColumn(k);

    s.columns = "\"_id\", \"_rev\", " + join(fieldCols, ", ");
    s.selectById = "SELECT " + s.columns + " FROM " + table + " WHERE \"_id\" = ?1";
    s.revisionById = "SELECT \"_rev\" FROM " + table + " WHERE \"_id\" = ?1";
    s.count = "SELECT count(*) FROM " + table;
    s.remove = "DELETE FROM " + table + " WHERE \"_id\" = ?1";

    QList<QByteArray> writeCols = fieldCols + keyCols;
    QList<QByteArray> params;
    QList<QByteArray> sets;
    for (qsizetype i = 0; i < writeCols.size(); ++i) {
        params << "?" + QByteArray::number(i + 1);
        sets << writeCols[i] + " = ?" + QByteArray::number(i + 1);
    }
    const QByteArray idParam = "?" + QByteArray::number(writeCols.size() + 1);
    const QByteArray revParam = "?" + QByteArray::number(writeCols.size() + 2);
    s.insert = "INSERT INTO " + table + " (" + join(writeCols, ", ") + ") VALUES (" + join(params, ", ") + ")";
    s.update = "UPDATE " + table + " SET \"_rev\" = \"_rev\" + 1, " + join(sets, ", ") + " WHERE \"_id\" = " + idParam;
    s.updateWatched = s.update + " AND \"_rev\" = " + revParam;

    const QByteArray select = "SELECT " + s.columns;
    {
        TableStatements::Order o; // record order: the id is the key
        o.first = select + " FROM " + table + " ORDER BY \"_id\" LIMIT ?1";
        o.last = select + " FROM " + table + " ORDER BY \"_id\" DESC LIMIT ?1";
        o.after = select + " FROM " + table + " WHERE \"_id\" > ?1 ORDER BY \"_id\" LIMIT ?2";
        o.before = select + " FROM " + table + " WHERE \"_id\" < ?1 ORDER BY \"_id\" DESC LIMIT ?2";
        s.orders << o;
    }
    for (int k = 0; k < layout.keyCount(); ++k) {
        const QByteArray kc = keyColumn(k);
        const QByteArray sel = select + ", " + kc + " FROM " + table;
        const QByteArray asc = " ORDER BY " + kc + ", \"_id\"";
        const QByteArray desc = " ORDER BY " + kc + " DESC, \"_id\" DESC";
        TableStatements::Order o;
        o.equal = sel + " WHERE " + kc + " = ?1" + asc + " LIMIT 1";
        o.first = sel + asc + " LIMIT ?1";
        o.last = sel + desc + " LIMIT ?1";
        // Two seeks instead of one row-value comparison: the engine only
        // uses the index for the id within equal keys when it is spelt so.
        o.sameAfter = sel + " WHERE " + kc + " = ?1 AND \"_id\" > ?2 ORDER BY \"_id\" LIMIT ?3";
        o.after = sel + " WHERE " + kc + " > ?1" + asc + " LIMIT ?2";
        o.sameBefore = sel + " WHERE " + kc + " = ?1 AND \"_id\" < ?2 ORDER BY \"_id\" DESC LIMIT ?3";
        o.before = sel + " WHERE " + kc + " < ?1" + desc + " LIMIT ?2";
        o.duplicate = "SELECT \"_id\" FROM " + table + " WHERE " + kc + " = ?1 AND \"_id\" <> ?2 LIMIT 1";
        o.idsFrom = "SELECT \"_id\" FROM " + table + " WHERE " + kc + " >= ?1";
        o.idsBetween = "SELECT \"_id\" FROM " + table + " WHERE " + kc + " >= ?1 AND " + kc + " < ?2";
        o.byId = sel + " WHERE \"_id\" = ?1";
        s.orders << o;
    }
    return s;
}

} // namespace tavimo::sqlschema
