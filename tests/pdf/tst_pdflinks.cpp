// Links, notes and page actions on a page, and the document outline with
// page items, parents and destinations.
#include "pdffixture.h"
#include "pdftools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

using Add = std::function<void(PdfGenerator &)>;
Q_DECLARE_METATYPE(Add)

namespace {

// The outline as qpdf reads it: "title@page[children]", pages counted from 1.
QString outlineTree(const QString &file)
{
    const PdfTools::Run r = PdfTools::run(QStringLiteral("qpdf"),
                                          {QStringLiteral("--json"), QStringLiteral("--json-key=outlines"), file});
    std::function<QString(const QJsonArray &)> walk = [&walk](const QJsonArray &items) {
        QStringList out;
        for (const QJsonValue &v : items) {
            const QJsonObject o = v.toObject();
            QString s = o.value(QStringLiteral("title")).toString() + QLatin1Char('@')
                + QString::number(o.value(QStringLiteral("destpageposfrom1")).toInt());
            const QJsonArray kids = o.value(QStringLiteral("kids")).toArray();
            if (!kids.isEmpty())
                s += QLatin1Char('[') + walk(kids) + QLatin1Char(']');
            out << s;
        }
        return out.join(QLatin1Char(','));
    };
    return walk(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("outlines")).toArray());
}

} // namespace

class TestPdfLinks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void annotationsFollowTheirPage();
    void annotationObjects_data();
    void annotationObjects();
    void outline_data();
    void outline();
    void outlineRootCountsEveryItem();

private:
    QTemporaryDir m_dir;
};

void TestPdfLinks::init()
{
    QVERIFY(m_dir.isValid());
}

void TestPdfLinks::annotationsFollowTheirPage()
{
    const WrittenPdf pdf = PdfFixture::write(m_dir.filePath(QStringLiteral("annots.pdf")), [](PdfGenerator &g) {
        g.openPage();
        g.drawText(1000, 1000, "links");
        g.addHyperlink(1000, 1000, 2000, 250, "https://example.org/");
        g.addNote(1000, 2000, "remark");
        g.addNamedAction(1000, 3000, 1000, 250, "NEXT");
        g.closePage();
        g.openPage();
        g.closePage();
    });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QList<int> pages = PdfTools::pages(pdf.bytes);
    QCOMPARE(pages.size(), 2);
    const QByteArray first = PdfTools::object(pdf.bytes, pages[0]);
    QVERIFY(first.contains("/Annots [ " + QByteArray::number(pages[0] + 1) + " 0 R " + QByteArray::number(pages[0] + 2)
                           + " 0 R " + QByteArray::number(pages[0] + 3) + " 0 R ]\r\n"));
    QVERIFY(!PdfTools::object(pdf.bytes, pages[1]).contains("/Annots"));
    QVERIFY(!PdfTools::object(pdf.bytes, pages[1]).contains("/Contents"));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(PdfTools::object(pdf.bytes, pages[0] + i).startsWith(QByteArray::number(pages[0] + i)
                                                                    + " 0 obj <<\r\n/Type /Annot \r\n"));
    // qpdf reads each of them as an annotation dictionary.
    for (int i = 1; i <= 3; ++i) {
        const PdfTools::Run shown = PdfTools::run(
            QStringLiteral("qpdf"), {QStringLiteral("--show-object=%1").arg(pages[0] + i), pdf.path});
        QVERIFY2(shown.exitCode == 0 && shown.out.contains("/Type /Annot"), shown.out + shown.err);
    }
}

void TestPdfLinks::annotationObjects_data()
{
    QTest::addColumn<Add>("add");
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("web link, boxed") << Add([](PdfGenerator &g) {
        g.setHyperlinkBox(true, 0xFF0000);
        g.addHyperlink(1000, 1000, 2000, 500, "https://example.org/a(b)");
    }) << QByteArray("/Subtype /Link\r\n/Rect [ 72 684 216 720 ]\r\n/Border [ 0 0 1 ]\r\n/C [ 0 0 1 ]\r\n"
                     "/A <</Type /Action /S /URI /URI (https://example.org/a\\(b\\))>>\r\n>> \r\nendobj");
    QTest::newRow("link without a size, sized from its text") << Add([](PdfGenerator &g) {
        g.setFont(QStringLiteral("Helvetica"), 10);
        g.addHyperlink(1000, 1000, 0, 0, "mailto:x");
    }) << QByteArray("/Rect [ 72 710 112 720 ]\r\n/Border [ 0 0 0 ]\r\n/C [ 0 0 0 ]\r\n");
    QTest::newRow("launch link with parameters") << Add([](PdfGenerator &g) {
        g.addLaunchLink(1000, 1000, 1000, 1000, "viewer.exe", "/page 2");
    }) << QByteArray("/A <</Type /Action /S /Launch /F (viewer.exe) /Win <</F (viewer.exe) /P (/page 2)>>>>\r\n");
    QTest::newRow("launch link without parameters") << Add([](PdfGenerator &g) {
        g.addLaunchLink(1000, 1000, 1000, 1000, "notes.txt", "  ");
    }) << QByteArray("/A <</Type /Action /S /Launch /F (notes.txt) /Win <</F (notes.txt)>>>>\r\n");
    QTest::newRow("text note") << Add([](PdfGenerator &g) {
        g.setFont(QStringLiteral("Helvetica"), 12);
        g.addNote(1000, 1000, "Take with food");
    }) << QByteArray("/Subtype /Text\r\n/Rect [ 72 708 156 720 ]\r\n/Contents (Take with food)\r\n>> \r\nendobj");
    QTest::newRow("first page") << Add([](PdfGenerator &g) { g.addNamedAction(0, 0, 100, 100, "FIRST"); })
                                << QByteArray("/A <</Type /Action /S /Named /N /FirstPage>>\r\n");
    QTest::newRow("previous page") << Add([](PdfGenerator &g) { g.addNamedAction(0, 0, 100, 100, "PREV"); })
                                   << QByteArray("/S /Named /N /PrevPage>>\r\n");
    QTest::newRow("last page") << Add([](PdfGenerator &g) { g.addNamedAction(0, 0, 100, 100, "LAST"); })
                               << QByteArray("/S /Named /N /LastPage>>\r\n");
    QTest::newRow("back") << Add([](PdfGenerator &g) { g.addNamedAction(0, 0, 100, 100, "BACK"); })
                          << QByteArray("/S /Named /N /GoBack>>\r\n");
    QTest::newRow("forward") << Add([](PdfGenerator &g) { g.addNamedAction(0, 0, 100, 100, "FORWARD"); })
                             << QByteArray("/S /Named /N /GoForward>>\r\n");
    QTest::newRow("unknown word names nothing") << Add([](PdfGenerator &g) { g.addNamedAction(0, 0, 100, 100, "UP"); })
                                                << QByteArray("/A <</Type /Action /S /Named>>\r\n");
}

void TestPdfLinks::annotationObjects()
{
    QFETCH(Add, add);
    QFETCH(QByteArray, lines);
    const WrittenPdf pdf = PdfFixture::page(m_dir.filePath(QStringLiteral("annot.pdf")), add);
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const int page = PdfTools::pages(pdf.bytes).value(0);
    const QByteArray annotation = PdfTools::object(pdf.bytes, page + 1);
    QVERIFY2(annotation.contains(lines), annotation.constData());
}

void TestPdfLinks::outline_data()
{
    QTest::addColumn<bool>("pageItems");
    QTest::addColumn<QString>("tree");
    QTest::newRow("bookmarks at the top") << false << QStringLiteral("Results@1,Group@2[Detail@2],Summary@2");
    QTest::newRow("under page items")
        << true << QStringLiteral("Page_1@1[Results@1],Page_2@2[Group@2[Detail@2],Summary@2]");
}

void TestPdfLinks::outline()
{
    QFETCH(bool, pageItems);
    QFETCH(QString, tree);
    const WrittenPdf pdf = PdfFixture::write(
        m_dir.filePath(QStringLiteral("outline.pdf")),
        [](PdfGenerator &g) {
            g.openPage();
            g.addBookmark("Results", 1000, 2000);
            g.closePage();
            g.openPage();
            g.addBookmark("Detail", 1000, 3000, "Group"); // the parent is made on first use
            g.addBookmark("Summary", 1000, 4000);
            g.closePage();
        },
        [pageItems](PdfGenerator &g) { g.setPageBookmarks(pageItems); });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QCOMPARE(outlineTree(pdf.path), tree);
    // Destinations are the page object and the point in page space.
    const QList<int> pages = PdfTools::pages(pdf.bytes);
    QVERIFY(pdf.bytes.contains("/Dest [" + QByteArray::number(pages[0]) + " 0 R /XYZ 72 648 null]\r\n"));
    QVERIFY(pdf.bytes.contains("% TEXT:Results OBJ:"));
}

void TestPdfLinks::outlineRootCountsEveryItem()
{
    const WrittenPdf pdf = PdfFixture::write(
        m_dir.filePath(QStringLiteral("count.pdf")),
        [](PdfGenerator &g) {
            for (int p = 0; p < 3; ++p) {
                g.openPage();
                g.addBookmark("a", 0, 0);
                g.addBookmark("b", 0, 0);
                g.closePage();
            }
        },
        [](PdfGenerator &g) { g.setPageBookmarks(true, QStringLiteral("  Sheet ")); });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QByteArray root = PdfTools::object(pdf.bytes, 5);
    QVERIFY(root.contains("/Type /Outlines\r\n/Count 9\r\n/First "));
    QCOMPARE(outlineTree(pdf.path), QStringLiteral("Sheet1@1[a@1,b@1],Sheet2@2[a@2,b@2],Sheet3@3[a@3,b@3]"));
}

QTEST_GUILESS_MAIN(TestPdfLinks)
#include "tst_pdflinks.moc"
