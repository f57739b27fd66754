#include "browsemodel.h"

#include "record.h"

namespace tavimo {

BrowseModel::BrowseModel(QObject *parent) : QAbstractTableModel(parent)
{
}

void BrowseModel::addColumn(const Column &column)
{
    const int at = int(m_columns.size());
    beginInsertColumns(QModelIndex(), at, at);
    m_columns.push_back(column);
    endInsertColumns();
}

void BrowseModel::setRows(std::vector<QStringList> rows)
{
    const int before = int(m_rows.size());
    const int after = int(rows.size());
    const int common = std::min(before, after);
    if (after < before) {
        beginRemoveRows(QModelIndex(), after, before - 1);
        m_rows.resize(std::size_t(after));
        endRemoveRows();
    }
    for (int i = 0; i < common; ++i)
        m_rows[std::size_t(i)] = std::move(rows[std::size_t(i)]);
    if (after > before) {
        beginInsertRows(QModelIndex(), before, after - 1);
        for (int i = before; i < after; ++i)
            m_rows.push_back(std::move(rows[std::size_t(i)]));
        endInsertRows();
    }
    if (common > 0 && !m_columns.empty())
        emit dataChanged(index(0, 0), index(common - 1, int(m_columns.size()) - 1), {Qt::DisplayRole});
}

std::size_t BrowseModel::bytesHeld() const
{
    std::size_t bytes = m_rows.capacity() * sizeof(QStringList);
    for (const QStringList &r : m_rows) {
        bytes += std::size_t(r.capacity()) * sizeof(QString);
        for (const QString &s : r)
            bytes += std::size_t(s.capacity()) * sizeof(QChar);
    }
    return bytes;
}

int BrowseModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int BrowseModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant BrowseModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || index.column() >= int(m_columns.size()))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QStringList &r = m_rows[std::size_t(index.row())];
        return index.column() < r.size() ? r.at(index.column()) : QString();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[std::size_t(index.column())].alignment);
    default:
        return QVariant();
    }
}

QVariant BrowseModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < int(m_columns.size())) {
        if (role == Qt::DisplayRole)
            return m_columns[std::size_t(section)].heading;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(m_columns[std::size_t(section)].alignment);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

QString BrowseModel::formatField(const Record &record, int field, const Picture &picture)
{
    if (field < 0 || field >= record.layout().fieldCount())
        return QString();
    switch (record.layout().field(field).type) {
    case FieldType::Text:
    case FieldType::CString:
        return picture.format(record.text(field).trimmed());
    case FieldType::Date:
        return picture.format(record.date(field));
    case FieldType::Time:
        return picture.format(record.time(field));
    case FieldType::Decimal:
        return picture.format(record.decimal(field));
    case FieldType::Real:
        return picture.format(record.real(field));
    case FieldType::Short:
    case FieldType::Byte:
        return picture.format(double(record.integer(field)));
    }
    return QString();
}

} // namespace tavimo
