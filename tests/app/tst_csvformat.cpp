// CSV rows as RFC 4180 has them and as other programs write them:
// separators, quotes, line ends, byte-order marks, and the rows counted
// as a spreadsheet counts them.
#include "csvformat.h"

#include <QTest>

using namespace tavimo;


class TestCsvFormat : public QObject
{
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void unreadable_data();
    void unreadable();
    void decodes_data();
    void decodes();
    void writesWhatItReads_data();
    void writesWhatItReads();
};

void TestCsvFormat::reads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QList<int>>("rows");        // the row number of each row read
    QTest::addColumn<QList<QStringList>>("fields");

    QTest::newRow("commas, LF") << "A,B\n1,2\n" << QChar(u',') << QList<int>{1, 2}
                                << QList<QStringList>{{"A", "B"}, {"1", "2"}};
    QTest::newRow("semicolons, CRLF, no end") << "A;B\r\n1;2,5\r\n3;4" << QChar(u';') << QList<int>{1, 2, 3}
                                              << QList<QStringList>{{"A", "B"}, {"1", "2,5"}, {"3", "4"}};
    QTest::newRow("a comma in a quoted heading does not count")
        << "\"A,x\";B;C\n1;2;3\n" << QChar(u';') << QList<int>{1, 2} << QList<QStringList>{{"A,x", "B", "C"}, {"1", "2", "3"}};
    QTest::newRow("tabs") << "A\tB\n1\t2\n" << QChar(u'\t') << QList<int>{1, 2} << QList<QStringList>{{"A", "B"}, {"1", "2"}};
    QTest::newRow("quoted comma, line break, doubled quote")
        << "A,B\n\"x, y\",\"two\r\nlines \"\"q\"\"\"\n3,4\n" << QChar(u',') << QList<int>{1, 2, 3}
        << QList<QStringList>{{"A", "B"}, {"x, y", "two\r\nlines \"q\""}, {"3", "4"}};
    QTest::newRow("empty fields and an empty quoted one")
        << "A,B,C\n,\"\",\n" << QChar(u',') << QList<int>{1, 2} << QList<QStringList>{{"A", "B", "C"}, {"", "", ""}};
    QTest::newRow("an empty line is a row of its own")
        << "A\n\n2\r\n\r\n4\n\n" << QChar(u',') << QList<int>{1, 3, 5} << QList<QStringList>{{"A"}, {"2"}, {"4"}};
    QTest::newRow("blanks stay") << "A,B\n a , b \n" << QChar(u',') << QList<int>{1, 2}
                                 << QList<QStringList>{{"A", "B"}, {" a ", " b "}};
}

void TestCsvFormat::reads()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(QList<int>, rows);
    QFETCH(QList<QStringList>, fields);
    csv::Reader reader(text);
    QCOMPARE(reader.separator(), separator);
    std::vector<QString> row;
    QList<int> gotRows;
    QList<QStringList> got;
    while (reader.next(row)) {
        gotRows << reader.row();
        got << QStringList(row.begin(), row.end());
    }
    QCOMPARE(reader.error(), QString());
    QCOMPARE(gotRows, rows);
    QCOMPARE(got, fields);
}

void TestCsvFormat::unreadable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("error");
    QTest::newRow("never closed") << "A,B\n1,\"open\n2,3\n" << 2 << "a quoted field is never closed";
    QTest::newRow("text after the quote") << "A,B\n1,2\n\"x\"y,3\n" << 3 << "text after the closing quote of field 1";
}

void TestCsvFormat::unreadable()
{
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(QString, error);
    csv::Reader reader(text);
    std::vector<QString> fields;
    while (reader.next(fields)) {
    }
    QCOMPARE(reader.row(), row);
    QCOMPARE(reader.error(), error);
}

void TestCsvFormat::decodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("badRow");
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" "A\n") << true << "A\n" << 0;
    QTest::newRow("no mark") << QByteArray("Ger\xC3\xA4t\n") << true << QStringLiteral("Ger\u00e4t\n") << 0;
    QTest::newRow("Latin-1 on row 3") << QByteArray("A\n\"x\ny\"\ncaf\xE9\n") << false << QString() << 3;
    QTest::newRow("an overlong form") << QByteArray("A\n\xC0\xAF\n") << false << QString() << 2;
    QTest::newRow("a surrogate") << QByteArray("\xED\xA0\x80") << false << QString() << 1;
    QTest::newRow("cut short") << QByteArray("A\xE2\x82") << false << QString() << 1;
}

void TestCsvFormat::decodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    QFETCH(QString, text);
    QFETCH(int, badRow);
    QString got;
    int row = 0;
    QCOMPARE(csv::decodeUtf8(bytes, got, row), utf8);
    QCOMPARE(got, text);
    QCOMPARE(row, badRow);
}

void TestCsvFormat::writesWhatItReads_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << "plain" << QByteArray("plain");
    QTest::newRow("empty") << "" << QByteArray("");
    QTest::newRow("comma") << "a,b" << QByteArray("\"a,b\"");
    QTest::newRow("semicolon") << "a;b" << QByteArray("\"a;b\"");
    QTest::newRow("quote") << "say \"hi\"" << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line break") << "a\r\nb" << QByteArray("\"a\r\nb\"");
    QTest::newRow("blank at the ends") << " a " << QByteArray("\" a \"");
    QTest::newRow("not ASCII") << QStringLiteral("caf\u00e9") << QByteArray("caf\xC3\xA9");
}

void TestCsvFormat::writesWhatItReads()
{
    QFETCH(QString, field);
    QFETCH(QByteArray, written);
    QByteArray line;
    csv::appendField(line, field.toUtf8());
    QCOMPARE(line, written);
    // Read back in a row between two other fields.
    QByteArray row = "x,";
    csv::appendField(row, field.toUtf8());
    row += ",y\r\n";
    const QString text = QString::fromUtf8(row);
    csv::Reader reader(text);
    std::vector<QString> fields;
    QVERIFY(reader.next(fields));
    QCOMPARE(QStringList(fields.begin(), fields.end()), (QStringList{"x", field, "y"}));
    QVERIFY(!reader.next(fields));
}

QTEST_GUILESS_MAIN(TestCsvFormat)
#include "tst_csvformat.moc"
