// The list of pages to print as typed in the preview: which pages it keeps.
#include "pagestoprint.h"

#include <QTest>

using namespace tavimo;

class TestPagesToPrint : public QObject
{
    Q_OBJECT

private slots:
    void keptPages_data();
    void keptPages();
    void filtersPageFiles();
    void defaultListKeepsEveryPage();
};

void TestPagesToPrint::keptPages_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<QList<int>>("kept");
    QTest::addColumn<QStringList>("invalid");

    QTest::newRow("a page and a range") << "3,5-6" << 8 << QList<int>{3, 5, 6} << QStringList{};
    QTest::newRow("a backward range keeps nothing") << "2-1" << 5 << QList<int>{} << QStringList{"2-1"};
    QTest::newRow("empty list") << "" << 5 << QList<int>{} << QStringList{};
    QTest::newRow("only blanks and commas") << "  , ,  " << 5 << QList<int>{} << QStringList{};
    QTest::newRow("blanks around numbers") << " 2 , 4 - 5 " << 6 << QList<int>{2, 4, 5} << QStringList{};
    QTest::newRow("one page range") << "4-4" << 6 << QList<int>{4} << QStringList{};
    QTest::newRow("page zero") << "0,2" << 3 << QList<int>{2} << QStringList{"0"};
    QTest::newRow("range from zero") << "0-2" << 3 << QList<int>{} << QStringList{"0-2"};
    QTest::newRow("letters") << "a-b,1" << 3 << QList<int>{1} << QStringList{"a-b"};
    QTest::newRow("open end") << "4-" << 6 << QList<int>{} << QStringList{"4-"};
    QTest::newRow("open start") << "-3" << 6 << QList<int>{} << QStringList{"-3"};
    QTest::newRow("two dashes") << "1-2-3" << 6 << QList<int>{} << QStringList{"1-2-3"};
    QTest::newRow("signed number") << "+2" << 6 << QList<int>{} << QStringList{"+2"};
    QTest::newRow("overlapping items once each") << "5-6,3,6,1-3" << 8 << QList<int>{1, 2, 3, 5, 6} << QStringList{};
    QTest::newRow("beyond the last page") << "2,9-12" << 4 << QList<int>{2} << QStringList{};
    QTest::newRow("number too large") << "99999999999" << 4 << QList<int>{} << QStringList{"99999999999"};
    QTest::newRow("default list") << "1-3" << 3 << QList<int>{1, 2, 3} << QStringList{};
}

void TestPagesToPrint::keptPages()
{
    QFETCH(QString, list);
    QFETCH(int, pageCount);
    QFETCH(QList<int>, kept);
    QFETCH(QStringList, invalid);

    const PagesToPrint pages = PagesToPrint::parse(list);
    const std::vector<int> got = pages.kept(pageCount);
    QCOMPARE(QList<int>(got.begin(), got.end()), kept);
    QCOMPARE(pages.invalidItems(), invalid);
    QCOMPARE(PagesToPrint::keptPages(list, pageCount), got);
}

void TestPagesToPrint::filtersPageFiles()
{
    const QStringList files{"p1.wmf", "p2.wmf", "p3.wmf", "p4.wmf", "p5.wmf", "p6.wmf"};
    QCOMPARE(PagesToPrint::parse(QStringLiteral("3,5-6")).filter(files), (QStringList{"p3.wmf", "p5.wmf", "p6.wmf"}));
    QVERIFY(PagesToPrint::parse(QString()).filter(files).isEmpty());
}

void TestPagesToPrint::defaultListKeepsEveryPage()
{
    QCOMPARE(PagesToPrint::defaultList(12), QStringLiteral("1-12"));
    QCOMPARE(PagesToPrint::keptPages(PagesToPrint::defaultList(4), 4), (std::vector<int>{1, 2, 3, 4}));
}

QTEST_APPLESS_MAIN(TestPagesToPrint)
#include "tst_pagestoprint.moc"
