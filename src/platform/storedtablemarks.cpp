// The marks a table keeps in its file, apart from the rest of the driver.
#include "storedtable.h"

#include "sqlconnection.h"

#include <sqlite3.h>

namespace tavimo {

namespace {

void bindNames(sqlite3_stmt *stmt, const QByteArray &table, const QByteArray &name)
{
    sqlite3_bind_text(stmt, 1, table.constData(), int(table.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
}

} // namespace

int StoredTable::hasMark(const QString &name, bool &marked)
{
    marked = false;
    if (!isOpen())
        return finish(DriverCode::FileNotOpen);
    // Files made before marks existed have no table for them: nothing is marked.
    sqlite3_stmt *exists = statement(sqlschema::marksTableExists(m_schema));
    if (!exists)
        return m_status.code;
    {
        StatementUse use(exists);
        if (step(exists, DriverCode::AccessDenied) != SQLITE_ROW)
            return m_status.code;
        if (sqlite3_column_int(exists, 0) == 0)
            return finish(DriverCode::Ok);
    }
    sqlite3_stmt *stmt = statement(sqlschema::selectMark(m_schema));
    if (!stmt)
        return m_status.code;
    StatementUse use(stmt);
    bindNames(stmt, m_layout->tableName().toUtf8(), name.toUtf8());
    if (step(stmt, DriverCode::AccessDenied) != SQLITE_ROW)
        return m_status.code;
    marked = sqlite3_column_int(stmt, 0) > 0;
    return finish(DriverCode::Ok);
}

int StoredTable::mark(const QString &name)
{
    if (const int code = writeCheck(false); code != DriverCode::Ok)
        return code;
    DriverStatus st;
    if (!m_connection->exec(sqlschema::createMarksTable(m_schema), st))
        return finish(st);
    sqlite3_stmt *stmt = statement(sqlschema::insertMark(m_schema));
    if (!stmt)
        return m_status.code;
    StatementUse use(stmt);
    bindNames(stmt, m_layout->tableName().toUtf8(), name.toUtf8());
    if (step(stmt, DriverCode::RecordHeld) != SQLITE_DONE)
        return m_status.code;
    return finish(DriverCode::Ok);
}

} // namespace tavimo
