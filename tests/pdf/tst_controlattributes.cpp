// A control's attribute text: groups of entries, looked up with case within
// the group named; malformed text read up to its fault.
#include "controlattributes.h"
#include "reportcontrol.h"

#include <QTest>

using namespace tavimo;

namespace {

struct Lookup
{
    QByteArray group, keyword, value; // an empty value: not there
};

} // namespace

Q_DECLARE_METATYPE(Lookup)
Q_DECLARE_METATYPE(QList<Lookup>)

namespace {

Lookup at(const char *group, const char *keyword, const char *value)
{
    return Lookup{group, keyword, value};
}

void compareLookups(const ControlAttributes &attributes, const QList<Lookup> &lookups)
{
    for (const Lookup &l : lookups) {
        const QByteArray found = attributes.value(l.group, l.keyword);
        QVERIFY2(found == l.value, qPrintable(QStringLiteral("%1/%2: \"%3\", expected \"%4\"")
                                                  .arg(QString::fromLatin1(l.group), QString::fromLatin1(l.keyword),
                                                       QString::fromLatin1(found), QString::fromLatin1(l.value))));
        QCOMPARE(attributes.has(l.group, l.keyword), !l.value.isEmpty());
    }
}

ReportControl boxControl(const QByteArray &attributes)
{
    ReportControl c;
    c.kind = "BOX";
    c.left = 1000;
    c.top = 2000;
    c.right = 3000;
    c.bottom = 2500;
    c.attributes = attributes;
    return c;
}

} // namespace

class TestControlAttributes : public QObject
{
    Q_OBJECT

private slots:
    void wellFormed_data();
    void wellFormed();
    void malformed_data();
    void malformed();
    void switches_data();
    void switches();
    void sizeFromTheAllGroup_data();
    void sizeFromTheAllGroup();
};

void TestControlAttributes::wellFormed_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<Lookup>>("lookups");

    QTest::newRow("one entry") << QByteArray("PDF(SKIP=1)") << QList<Lookup>{at("PDF", "SKIP", "1")};
    QTest::newRow("group name has case")
        << QByteArray("pdf(SKIP=1)") << QList<Lookup>{at("PDF", "SKIP", ""), at("pdf", "SKIP", "1")};
    QTest::newRow("keyword has case")
        << QByteArray("PDF(skip=1|Hide=1)") << QList<Lookup>{at("PDF", "SKIP", ""), at("PDF", "HIDE", "")};
    QTest::newRow("only within the group named")
        << QByteArray("ALL(SKIP=1)") << QList<Lookup>{at("PDF", "SKIP", ""), at("ALL", "SKIP", "1")};
    QTest::newRow("one keyword in two groups")
        << QByteArray("ALL(SKIP=1)PDF(SKIP=0)") << QList<Lookup>{at("ALL", "SKIP", "1"), at("PDF", "SKIP", "0")};
    QTest::newRow("Bookmark is not BookmarkParent")
        << QByteArray("PDF(BookmarkParent=Results)")
        << QList<Lookup>{at("PDF", "Bookmark", ""), at("PDF", "BookmarkParent", "Results")};
    QTest::newRow("Bookmark after BookmarkParent")
        << QByteArray("PDF(BookmarkParent=Results|Bookmark=Glucose)")
        << QList<Lookup>{at("PDF", "Bookmark", "Glucose"), at("PDF", "BookmarkParent", "Results")};
    QTest::newRow("a keyword is not its prefix")
        << QByteArray("PDF(Hyper=a|HyperlinkX=b)")
        << QList<Lookup>{at("PDF", "Hyperlink", ""), at("PDF", "HyperType", ""), at("PDF", "Hyper", "a")};
    QTest::newRow("a group is not its prefix")
        << QByteArray("PDFX(SKIP=1)ALLE(HW=5)") << QList<Lookup>{at("PDF", "SKIP", ""), at("ALL", "HW", "")};

    // One character of any kind separates the keyword from its value.
    QTest::newRow("separator colon") << QByteArray("PDF(HIDE:1)") << QList<Lookup>{at("PDF", "HIDE", "1")};
    QTest::newRow("separator blank") << QByteArray("PDF(HIDE 1)") << QList<Lookup>{at("PDF", "HIDE", "1")};
    QTest::newRow("separator hash")
        << QByteArray("PDF(Hyperlink#www.example.org)") << QList<Lookup>{at("PDF", "Hyperlink", "www.example.org")};
    QTest::newRow("only one separator")
        << QByteArray("PDF(Hyperlink==x)") << QList<Lookup>{at("PDF", "Hyperlink", "=x")};

    QTest::newRow("value runs to the bar")
        << QByteArray("PDF(Annotation=Take with food, twice|HIDE=1)")
        << QList<Lookup>{at("PDF", "Annotation", "Take with food, twice"), at("PDF", "HIDE", "1")};
    QTest::newRow("value runs to the parenthesis")
        << QByteArray("PDF(Bookmark=Dose (mg)ALL(HW=100)")
        << QList<Lookup>{at("PDF", "Bookmark", "Dose (mg"), at("ALL", "HW", "100")};
    QTest::newRow("value keeps its blanks and signs")
        << QByteArray("PDF(Hyperlink= a=b&c=d ?)")
        << QList<Lookup>{at("PDF", "Hyperlink", " a=b&c=d ?")};
    QTest::newRow("empty value")
        << QByteArray("PDF(Bookmark=|HIDE=1)") << QList<Lookup>{at("PDF", "Bookmark", ""), at("PDF", "HIDE", "1")};
    QTest::newRow("empty entries")
        << QByteArray("PDF(||HIDE=1|||SKIP=2|)")
        << QList<Lookup>{at("PDF", "HIDE", "1"), at("PDF", "SKIP", "2")};
    QTest::newRow("empty group") << QByteArray("PDF()ALL(HH=7)") << QList<Lookup>{at("ALL", "HH", "7")};
    QTest::newRow("blanks between groups")
        << QByteArray("  ALL(HW=10) \t PDF(HIDE=1)\r\nALL(HH=20)  ")
        << QList<Lookup>{at("ALL", "HW", "10"), at("PDF", "HIDE", "1"), at("ALL", "HH", "20")};
    QTest::newRow("a group named twice")
        << QByteArray("PDF(HIDE=1)PDF(SKIP=1)") << QList<Lookup>{at("PDF", "HIDE", "1"), at("PDF", "SKIP", "1")};
    QTest::newRow("unknown keyword ignored")
        << QByteArray("PDF(Colour=red|SKIP=1)ZZZ(Q=1)")
        << QList<Lookup>{at("PDF", "SKIP", "1"), at("PDF", "Colour", "red"), at("ZZZ", "Q", "1")};
    QTest::newRow("keywords of letters, digits and underscores")
        << QByteArray("P_2(K_9=v)") << QList<Lookup>{at("P_2", "K_9", "v")};
    QTest::newRow("empty text") << QByteArray() << QList<Lookup>{at("PDF", "SKIP", "")};
    QTest::newRow("blank text") << QByteArray(" \t ") << QList<Lookup>{at("PDF", "SKIP", "")};
}

void TestControlAttributes::wellFormed()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<Lookup>, lookups);
    const ControlAttributes attributes(text);
    QVERIFY(!attributes.isMalformed());
    QCOMPARE(attributes.errorPosition(), 0);
    compareLookups(attributes, lookups);
}

void TestControlAttributes::malformed_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("position"); // from 1
    QTest::addColumn<QList<Lookup>>("lookups");

    // Positions point at the character that breaks the syntax.
    QTest::newRow("name without parenthesis")
        << QByteArray("ALL(HW=100)PDF=1") << 15 << QList<Lookup>{at("ALL", "HW", "100"), at("PDF", "", "")};
    QTest::newRow("blank after the name")
        << QByteArray("ALL(HH=5)PDF (HIDE=1)") << 13 << QList<Lookup>{at("ALL", "HH", "5"), at("PDF", "HIDE", "")};
    QTest::newRow("group without a name") << QByteArray("(SKIP=1)") << 1 << QList<Lookup>{at("", "SKIP", "")};
    QTest::newRow("a stray character between groups")
        << QByteArray("ALL(HW=1)-PDF(SKIP=1)") << 10
        << QList<Lookup>{at("ALL", "HW", "1"), at("PDF", "SKIP", "")};
    QTest::newRow("one parenthesis too many")
        << QByteArray("PDF(SKIP=1))") << 12 << QList<Lookup>{at("PDF", "SKIP", "1")};
    QTest::newRow("unclosed group, at its parenthesis")
        << QByteArray("ALL(HW=100)PDF(SKIP=1|HIDE=1") << 15
        << QList<Lookup>{at("ALL", "HW", "100"), at("PDF", "SKIP", ""), at("PDF", "HIDE", "")};
    QTest::newRow("unclosed empty group") << QByteArray("PDF(") << 4 << QList<Lookup>{};
    QTest::newRow("keyword without separator before the parenthesis")
        << QByteArray("ALL(HW=100)PDF(HIDE)") << 20 << QList<Lookup>{at("ALL", "HW", "100"), at("PDF", "HIDE", "")};
    QTest::newRow("keyword without separator before the bar")
        << QByteArray("PDF(HIDE|SKIP=1)") << 9 << QList<Lookup>{at("PDF", "SKIP", "")};
    QTest::newRow("entry starting with the separator")
        << QByteArray("PDF(=1)") << 5 << QList<Lookup>{at("PDF", "", "")};
    QTest::newRow("entry starting with a blank")
        << QByteArray("PDF(HIDE=1| SKIP=1)") << 12 << QList<Lookup>{at("PDF", "HIDE", ""), at("PDF", "SKIP", "")};
    // What follows the fault is not read, however well formed.
    QTest::newRow("groups after the fault are not read")
        << QByteArray("ALL(HW=5)PDF(HIDE=1|?)ALL(HH=9)") << 21
        << QList<Lookup>{at("ALL", "HW", "5"), at("PDF", "HIDE", ""), at("ALL", "HH", "")};
}

void TestControlAttributes::malformed()
{
    QFETCH(QByteArray, text);
    QFETCH(int, position);
    QFETCH(QList<Lookup>, lookups);
    const ControlAttributes attributes(text);
    QVERIFY(attributes.isMalformed());
    QCOMPARE(attributes.errorPosition(), position);
    compareLookups(attributes, lookups);
}

void TestControlAttributes::switches_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("number");

    QTest::newRow("one") << QByteArray("PDF(SKIP=1)") << true << 1;
    QTest::newRow("zero") << QByteArray("PDF(SKIP=0)") << false << 0;
    QTest::newRow("zero written out") << QByteArray("PDF(SKIP=0.00)") << false << 0;
    QTest::newRow("zero with blanks") << QByteArray("PDF(SKIP= 0 )") << false << 0;
    QTest::newRow("a word") << QByteArray("PDF(SKIP=yes)") << true << 0;
    QTest::newRow("negative") << QByteArray("PDF(SKIP=-1)") << true << -1;
    QTest::newRow("number with blanks") << QByteArray("PDF(SKIP= 4 )") << true << 4;
    QTest::newRow("empty") << QByteArray("PDF(SKIP=)") << false << 0;
    QTest::newRow("blank") << QByteArray("PDF(SKIP= )") << false << 0;
    QTest::newRow("missing") << QByteArray("PDF(HIDE=1)") << false << 0;
}

void TestControlAttributes::switches()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, on);
    QFETCH(int, number);
    const ControlAttributes attributes(text);
    QCOMPARE(attributes.isOn("PDF", "SKIP"), on);
    QCOMPARE(attributes.number("PDF", "SKIP"), number);

    // The "ALL" group's switch is the one every output asks about.
    QByteArray all = text;
    all.replace("PDF(", "ALL(");
    QCOMPARE(ControlAttributes::skipped(boxControl(all)), on);
    QVERIFY(!ControlAttributes::skipped(boxControl(text)));
}

void TestControlAttributes::sizeFromTheAllGroup_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("bottom");

    // The control's box is 1000, 2000 to 3000, 2500.
    QTest::newRow("none") << QByteArray() << 3000 << 2500;
    QTest::newRow("width and height") << QByteArray("ALL(HW=500|HH=100)") << 1500 << 2100;
    QTest::newRow("width alone: no height") << QByteArray("ALL(HW=500)") << 1500 << 2000;
    QTest::newRow("height alone: no width") << QByteArray("ALL(HH=100)") << 1000 << 2100;
    QTest::newRow("both zero") << QByteArray("ALL(HW=0|HH=0)") << 3000 << 2500;
    QTest::newRow("wider than the box") << QByteArray("ALL(HW=4000|HH=1000)") << 5000 << 3000;
    QTest::newRow("in the PDF group") << QByteArray("PDF(HW=500|HH=100)") << 3000 << 2500;
    QTest::newRow("lower case") << QByteArray("ALL(hw=500|hh=100)") << 3000 << 2500;
    QTest::newRow("after a malformed group") << QByteArray("ALL(HW=500)PDF(HIDE)") << 1500 << 2000;
}

void TestControlAttributes::sizeFromTheAllGroup()
{
    QFETCH(QByteArray, text);
    QFETCH(int, right);
    QFETCH(int, bottom);
    const ReportControl c = boxControl(text);
    for (const ControlAttributes::Box &b : {ControlAttributes::box(c), ControlAttributes(text).boxOf(c)}) {
        QCOMPARE(b.left, 1000);
        QCOMPARE(b.top, 2000);
        QCOMPARE(b.right, right);
        QCOMPARE(b.bottom, bottom);
    }
}

QTEST_APPLESS_MAIN(TestControlAttributes)
#include "tst_controlattributes.moc"
