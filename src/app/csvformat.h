#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <vector>

namespace tavimo::csv {

// The text of a CSV file: UTF-8, with or without a byte-order mark. False
// when the bytes are not UTF-8; badRow then tells the row (counted as the
// reader counts them) where the first wrong byte is.
bool decodeUtf8(const QByteArray &bytes, QString &text, int &badRow);

// Reads RFC 4180 rows: fields apart by the separator, which is a comma or
// a semicolon (or a tab), whichever the header line holds most of; a field
// in double quotes may hold separators, line breaks and doubled quotes.
// Lines end in LF or CRLF. Rows are numbered as a spreadsheet shows them:
// the header is row 1, and a row whose quoted field spans lines is still
// one row. An empty line is a row without values and is passed over.
class Reader
{
public:
    explicit Reader(const QString &text); // kept by reference
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    QChar separator() const { return m_separator; }

    // The next row with values; false at the end of the text, or when the
    // row cannot be read (error() then says why).
    bool next(std::vector<QString> &fields);
    int row() const { return m_row; } // the row read last
    const QString &error() const { return m_error; }

private:
    QChar detectSeparator() const;

    const QString &m_text;
    qsizetype m_pos = 0;
    int m_row = 0;
    QChar m_separator;
    QString m_error;
};

// Appends one field of UTF-8 text as RFC 4180 has it: in double quotes
// when it holds a comma, a quote, a line break or blanks at either end.
void appendField(QByteArray &line, const char *utf8, qsizetype size);
void appendField(QByteArray &line, const QByteArray &utf8);

} // namespace tavimo::csv
