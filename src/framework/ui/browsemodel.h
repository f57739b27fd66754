#pragma once

#include "picture.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace tavimo {

class Record;

// The rows a list shows, and nothing more: the list puts in the page it
// read, the view draws it. Column headings and alignment come from the
// browse's columns.
class BrowseModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString heading;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    };

    explicit BrowseModel(QObject *parent = nullptr);

    void addColumn(const Column &column);
    const std::vector<Column> &columns() const { return m_columns; }

    // Replaces the rows; rows on both sides are redrawn, the rest inserted
    // or removed, so the view keeps its column widths and scroll state.
    void setRows(std::vector<QStringList> rows);
    const QStringList &row(int index) const { return m_rows.at(std::size_t(index)); }
    // Bytes the rows' texts take, roughly.
    std::size_t bytesHeld() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A field of a record as a list shows it through a picture.
    static QString formatField(const Record &record, int field, const Picture &picture);

private:
    std::vector<Column> m_columns;
    std::vector<QStringList> m_rows;
};

} // namespace tavimo
