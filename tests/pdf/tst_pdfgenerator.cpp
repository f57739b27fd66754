// The document as a whole: header bytes, the fixed objects 1 to 5, pages
// and their media boxes, the cross-reference table and trailer, set-up and
// the generator interface, and reference files compared byte for byte.
#include "dibwriter.h"
#include "imagesamples.h"
#include "pdffixture.h"
#include "pdfstrings.h"
#include "pdftools.h"
#include "reportcontrol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

class TestPdfGenerator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void headerBytes();
    void crossReferenceOffsetsAreExact();
    void fixedObjects();
    void documentInformation_data();
    void documentInformation();
    void documentWithoutPagesIsValid();
    void mediaBoxes_data();
    void mediaBoxes();
    void pagesListTheirStreamsInOrder();
    void textComesBack();
    void drawingNeedsAnOpenPage();
    void openFailureIsReported();
    void closeDocumentHandsOverTheFile();
    void setUp_data();
    void setUp();
    void reportInterface();
    void referenceFiles_data();
    void referenceFiles();

private:
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

void TestPdfGenerator::init()
{
    QVERIFY(m_dir.isValid());
}

void TestPdfGenerator::headerBytes()
{
    const WrittenPdf pdf = PdfFixture::page(path("header.pdf"), nullptr);
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QCOMPARE(pdf.bytes.left(16), QByteArray("%PDF-1.3\r%\xE2\xE3\xCF\xD3\r\n", 16));
    QVERIFY(pdf.bytes.endsWith("%%EOF\r\n"));
}

void TestPdfGenerator::crossReferenceOffsetsAreExact()
{
    const WrittenPdf pdf = PdfFixture::write(path("xref.pdf"), [](PdfGenerator &g) {
        for (int p = 0; p < 3; ++p) {
            g.openPage();
            g.setFont(QStringLiteral("Arial"), 12, p == 1);
            g.drawText(1000, 1000, "page text");
            g.drawRectangle(1000, 2000, 3000, 1000);
            g.drawText(1000, 3500, "more text");
            g.addHyperlink(1000, 1000, 1000, 200, "https://example.org");
            g.addBookmark("mark", 1000, 1000);
            g.closePage();
        }
    });
    qint64 xref = 0;
    const QList<qint64> offsets = PdfTools::crossReference(pdf.bytes, &xref);
    QVERIFY(offsets.size() > 10);
    QCOMPARE(pdf.bytes.mid(xref, 6), QByteArray("xref\r\n"));
    QVERIFY(pdf.bytes.mid(xref).startsWith("xref\r\n0 " + QByteArray::number(offsets.size()) + " \r\n0000000000 65535 f\r\n"));
    for (int n = 1; n < offsets.size(); ++n) {
        QVERIFY2(offsets[n] > 0, qPrintable(QStringLiteral("object %1 has no offset").arg(n)));
        const QByteArray head = QByteArray::number(n) + " 0 obj";
        QVERIFY2(pdf.bytes.mid(offsets[n], head.size()) == head, qPrintable(QStringLiteral("object %1").arg(n)));
        QVERIFY(offsets[n] == 15 || pdf.bytes.mid(offsets[n] - 2, 2) == "\r\n" || pdf.bytes[offsets[n] - 1] == '\r');
    }
    const QRegularExpression size(QStringLiteral("/Size (\\d+)\\r\\n"));
    QCOMPARE(size.match(QString::fromLatin1(pdf.bytes.mid(xref))).captured(1).toInt(), offsets.size());
    QCOMPARE(PdfTools::validate(pdf.path), QString());
}

void TestPdfGenerator::fixedObjects()
{
    const WrittenPdf pdf = PdfFixture::page(path("fixed.pdf"), nullptr);
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QVERIFY(PdfTools::object(pdf.bytes, 1).startsWith("1 0 obj\r\n<< \r\n/CreationDate (D:20000101000000)\r\n"));
    QCOMPARE(PdfTools::object(pdf.bytes, 2),
             QByteArray("2 0 obj\r\n<< \r\n/Type /Catalog\r\n/Outlines 5 0 R\r\n/Pages 3 0 R\r\n>> \r\nendobj\r\n"));
    QVERIFY(PdfTools::object(pdf.bytes, 3).startsWith("3 0 obj\r\n<< \r\n/Type /Pages\r\n/Count 1\r\n"));
    QVERIFY(PdfTools::object(pdf.bytes, 4).startsWith("4 0 obj\r\n<< \r\n"));
    QVERIFY(PdfTools::object(pdf.bytes, 4).contains("/ProcSet [ /PDF /Text /ImageC ]\r\n"));
    QCOMPARE(PdfTools::object(pdf.bytes, 5),
             QByteArray("5 0 obj\r\n<< \r\n/Type /Outlines\r\n/Count 0\r\n>> \r\nendobj\r\n"));
    // Objects 3, 4 and 5 are written last but numbered first.
    const QList<qint64> offsets = PdfTools::crossReference(pdf.bytes);
    QVERIFY(offsets[2] < offsets[6]);
    QVERIFY(offsets[3] > offsets[6] && offsets[4] > offsets[3] && offsets[5] > offsets[6]);
    QVERIFY(pdf.bytes.contains("trailer\r\n<< \r\n/Size 7\r\n/Info 1 0 R\r\n/Root 2 0 R\r\n"
                               "/ID[<b94f171e8c6ad92a8dc45b559e759d39><b94f171e8c6ad92a8dc45b559e759d39>]\r\n>>\r\n"));
}

void TestPdfGenerator::documentInformation_data()
{
    QTest::addColumn<QStringList>("info");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("defaults") << QStringList()
                              << QByteArray("/Title (PDF Document)\r\n/Creator (Lumora PDF)\r\n/Producer (Lumora PDF)\r\n"
                                            "/ModDate (D:20000101000000)\r\n/Subject ()\r\n/Author ()\r\n/Keywords ()\r\n");
    QTest::newRow("report values, escaped and trimmed")
        << QStringList{QStringLiteral("LM Report"), QStringLiteral("tavimo2"), QStringLiteral("bpaverages"),
                       QStringLiteral(" bp (averages) "), QStringLiteral("a\\b"), QString()}
        << QByteArray("/Title (LM Report)\r\n/Creator (tavimo2)\r\n/Producer (bpaverages)\r\n"
                      "/ModDate (D:20000101000000)\r\n/Subject (bp \\(averages\\))\r\n/Author (a\\\\b)\r\n/Keywords ()\r\n");
    QTest::newRow("empty title")
        << QStringList{QString(), QStringLiteral("c"), QStringLiteral("p"), QString(), QString(), QString()}
        << QByteArray("/Title (PDF-LM-Job)\r\n/Creator (c)\r\n/Producer (p)\r\n");
    QTest::newRow("title cut to 50")
        << QStringList{QString(60, QLatin1Char('t')), QString(), QString(), QString(210, QLatin1Char('s')), QString(), QString()}
        << QByteArray("/Title (") + QByteArray(50, 't') + ")\r\n";
}

void TestPdfGenerator::documentInformation()
{
    QFETCH(QStringList, info);
    QFETCH(QByteArray, written);
    const WrittenPdf pdf = PdfFixture::page(path("info.pdf"), nullptr, [&info](PdfGenerator &g) {
        if (!info.isEmpty())
            g.setDocumentInfo(info[0], info[1], info[2], info[3], info[4], info[5]);
    });
    QVERIFY2(PdfTools::object(pdf.bytes, 1).contains(written), PdfTools::object(pdf.bytes, 1).constData());
    QCOMPARE(PdfTools::validate(pdf.path), QString());
}

void TestPdfGenerator::documentWithoutPagesIsValid()
{
    const WrittenPdf pdf = PdfFixture::write(path("empty.pdf"), nullptr);
    QCOMPARE(pdf.closeResult, int(IReportGenerator::Done));
    const QByteArray tree = PdfTools::object(pdf.bytes, 3);
    QVERIFY(tree.contains("/Count 0\r\n"));
    QVERIFY(tree.contains("/Kids [ ]\r\n"));
    QCOMPARE(PdfTools::crossReference(pdf.bytes).size(), 6);
    for (int n = 1; n <= 5; ++n)
        QVERIFY(!PdfTools::object(pdf.bytes, n).isEmpty());
    // qpdf checks the structure; poppler refuses any file without pages
    // ("Invalid page count 0"), so pdfinfo is not asked here.
    const PdfTools::Run check = PdfTools::check(pdf.path);
    QVERIFY2(check.exitCode == 0 && check.out.contains("No syntax or stream encoding errors"), check.out + check.err);
    const PdfTools::Run pages = PdfTools::run(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), pdf.path});
    QCOMPARE(pages.out.trimmed(), QByteArray("0"));
}

void TestPdfGenerator::mediaBoxes_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("pdfinfoSize");
    QTest::newRow("letter") << 1 << false << QByteArray("/MediaBox [ 0 0 612 792 ]") << QStringLiteral("612 x 792");
    QTest::newRow("letter landscape") << 1 << true << QByteArray("/MediaBox [ 0 0 792 612 ]") << QStringLiteral("792 x 612");
    QTest::newRow("A4") << 9 << false << QByteArray("/MediaBox [ 0 0 594 841 ]") << QStringLiteral("594 x 841");
    QTest::newRow("legal landscape") << 5 << true << QByteArray("/MediaBox [ 0 0 1008 612 ]") << QStringLiteral("1008 x 612");
}

void TestPdfGenerator::mediaBoxes()
{
    QFETCH(int, paper);
    QFETCH(bool, landscape);
    QFETCH(QByteArray, box);
    QFETCH(QString, pdfinfoSize);
    const WrittenPdf pdf = PdfFixture::page(
        path("box.pdf"),
        [](PdfGenerator &g) {
            // The top-left corner is the origin whatever the orientation.
            g.setFont(QStringLiteral("Helvetica"), 10);
            g.drawText(0, 0, "corner");
        },
        [&](PdfGenerator &g) {
            g.setPaper(paper);
            g.setLandscape(landscape);
        });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QVERIFY(PdfTools::object(pdf.bytes, PdfTools::pages(pdf.bytes).value(0)).contains(box + "\r\n"));
    QVERIFY(PdfTools::object(pdf.bytes, 3).contains(box + "\r\n"));
    const QByteArray height = box.split(' ').value(5);
    QVERIFY(PdfTools::pageContent(pdf.bytes, 0).contains("1 0 0 1 0 " + QByteArray::number(height.toInt() - 10) + " Tm"));
    QVERIFY(PdfTools::info(pdf.path).out.contains("Page size:       " + pdfinfoSize.toLatin1()));
}

void TestPdfGenerator::pagesListTheirStreamsInOrder()
{
    const WrittenPdf pdf = PdfFixture::page(path("runs.pdf"), [](PdfGenerator &g) {
        g.drawText(1000, 1000, "first");
        g.drawText(1000, 1300, "second");
        g.drawLine(1000, 1600, 3000, 0);
        g.drawRectangle(1000, 1800, 3000, 400);
        g.drawText(1000, 2500, "third");
    });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QByteArray page = PdfTools::object(pdf.bytes, PdfTools::pages(pdf.bytes).value(0));
    const QList<int> streams = PdfTools::references(page, "/Contents");
    QCOMPARE(streams.size(), 3); // text, graphics, text
    QVERIFY(PdfTools::rawStream(pdf.bytes, streams[0]).startsWith("BT\r\n"));
    QVERIFY(PdfTools::rawStream(pdf.bytes, streams[0]).contains("(second)"));
    QVERIFY(PdfTools::rawStream(pdf.bytes, streams[1]).contains(" re\r\n"));
    QVERIFY(PdfTools::rawStream(pdf.bytes, streams[2]).contains("(third)"));
    QVERIFY(streams[0] < streams[1] && streams[1] < streams[2] && streams[2] < PdfTools::pages(pdf.bytes).value(0));
    QVERIFY(page.contains("/Type /Page\r\n/Parent 3 0 R\r\n/Resources 4 0 R\r\n"));
}

void TestPdfGenerator::textComesBack()
{
    const WrittenPdf pdf = PdfFixture::write(
        path("text.pdf"),
        [](PdfGenerator &g) {
            g.openPage();
            g.setFont(QStringLiteral("Times-Roman"), 12);
            g.drawText(1000, 1000, "Blood pressure (sitting)");
            g.setFont(QStringLiteral("Arial"), 11, true);
            g.drawText(1000, 1500, PdfStrings::toWinAnsi(QStringLiteral("Caf\u00e9 \u20ac 12.50")));
            g.closePage();
            g.openPage();
            g.setFont(QStringLiteral("Courier New"), 10);
            g.drawText(1000, 1000, "Second page");
            g.closePage();
        },
        [](PdfGenerator &g) { g.setCompression(true, true); });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QString text = QString::fromUtf8(PdfTools::text(pdf.path).out);
    QVERIFY2(text.contains(QStringLiteral("Blood pressure (sitting)")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Caf\u00e9 \u20ac 12.50")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Second page")), qPrintable(text));
    QVERIFY(PdfTools::info(pdf.path).out.contains("Pages:           2"));
}

void TestPdfGenerator::drawingNeedsAnOpenPage()
{
    PdfGenerator g;
    QVERIFY(!g.drawText(0, 0, "no page"));
    QVERIFY(!g.drawLine(0, 0, 10, 10));
    QVERIFY(!g.addBookmark("none", 0, 0));
    QCOMPARE(g.openPage(), int(IReportGenerator::Failed));
    QCOMPARE(g.closePage(), int(IReportGenerator::Failed));
    QCOMPARE(g.closeDocument(), int(IReportGenerator::Failed));
}

void TestPdfGenerator::openFailureIsReported()
{
    QStringList messages;
    PdfGenerator g;
    g.setMessageHandler([&](const QString &title, const QString &text) { messages << title + QLatin1Char(':') + text; });
    QCOMPARE(g.openDocument(1), int(IReportGenerator::Failed)); // no file name
    g.setOutputFileName(path("no/such/folder/x.pdf"));
    QCOMPARE(g.openDocument(1), int(IReportGenerator::Failed));
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages[1].contains(QStringLiteral("no/such/folder/x.pdf")));
    QVERIFY(!g.isDocumentOpen());
}

void TestPdfGenerator::closeDocumentHandsOverTheFile()
{
    PdfGenerator g;
    g.setOutputFileName(path("handed.pdf"));
    QCOMPARE(g.openDocument(0), int(IReportGenerator::Done));
    QCOMPARE(g.openDocument(0), int(IReportGenerator::Failed)); // already open
    g.openPage();
    QCOMPARE(g.closeDocument(), int(IReportGenerator::Done));
    QCOMPARE(g.outputFiles(), QStringList{path("handed.pdf")});
    QCOMPARE(PdfTools::validate(path("handed.pdf")), QString());
    QVERIFY(g.outputFileName().isEmpty());
}

void TestPdfGenerator::setUp_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("name already set") << QStringLiteral("set.pdf") << QString() << int(IReportGenerator::Done)
                                      << QStringLiteral("set.pdf");
    QTest::newRow("chosen without a dot") << QString() << QStringLiteral("report") << int(IReportGenerator::Done)
                                          << QStringLiteral("report.PDF");
    QTest::newRow("chosen with a dot") << QString() << QStringLiteral("report.v2") << int(IReportGenerator::Done)
                                       << QStringLiteral("report.v2");
    QTest::newRow("cancelled") << QString() << QString() << int(IReportGenerator::Cancelled) << QString();
}

void TestPdfGenerator::setUp()
{
    QFETCH(QString, preset);
    QFETCH(QString, chosen);
    QFETCH(int, result);
    QFETCH(QString, fileName);
    PdfGenerator g;
    g.setDocumentInfo(QStringLiteral("old"), {}, {}, {}, {}, {});
    g.setOutputFileName(preset);
    int hookRuns = 0;
    g.setSetUpHook([&hookRuns](PdfGenerator &gen) {
        ++hookRuns;
        gen.setCompression(true, true);
    });
    g.setFileNameChooser([&chosen] { return chosen; });
    QCOMPARE(g.setUp(), result);
    QCOMPARE(hookRuns, 1);
    QCOMPARE(g.outputFileName(), fileName);
}

void TestPdfGenerator::reportInterface()
{
    PdfGenerator pdf;
    IReportGenerator &g = pdf;
    QCOMPARE(g.name(), QStringLiteral("PDF"));
    QCOMPARE(g.displayName(), QStringLiteral("PDF"));
    QCOMPARE(g.icon(), QStringLiteral("~EXP_PDF.ICO"));
    pdf.setOutputFileName(path("interface.pdf"));
    QCOMPARE(g.openDocument(2), int(IReportGenerator::Done));
    QCOMPARE(g.openPage(0, 0, 5500, 8500, QStringLiteral("page-1.wmf")), int(IReportGenerator::Done));
    QCOMPARE(pdf.pageName(), QStringLiteral("page-1.wmf"));
    ReportControl control;
    control.kind = "STRING";
    control.text = "not drawn yet";
    QCOMPARE(g.string(control), int(IReportGenerator::Done));
    QCOMPARE(g.arc(control), int(IReportGenerator::Done));
    QCOMPARE(g.furtherControlData(control), int(IReportGenerator::Done));
    QCOMPARE(g.closePage(), int(IReportGenerator::Done));
    QCOMPARE(g.closeDocument(), int(IReportGenerator::Done));
    QCOMPARE(PdfTools::validate(path("interface.pdf")), QString());
    const QByteArray bytes = PdfTools::readFile(path("interface.pdf"));
    QVERIFY(PdfTools::object(bytes, PdfTools::pages(bytes).value(0)).contains("/MediaBox [ 0 0 396 612 ]"));
}

void TestPdfGenerator::referenceFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("plain") << QStringLiteral("plain.pdf") << QByteArray();
    QTest::newRow("enciphered") << QStringLiteral("enciphered.pdf") << QByteArray("Tavimo");
}

void TestPdfGenerator::referenceFiles()
{
    // Set TAVIMO_REGENERATE_REFERENCES=1 to write the files anew after a
    // deliberate change, then review the difference before committing.
    QFETCH(QString, name);
    QFETCH(QByteArray, password);
    DibWriter::Options o;
    o.bits = 8;
    QByteArray dib = QByteArray("page") + DibWriter::write(ImageSamples::indexed(16, 8, 4), o);
    const QString dibFile = path("page.bin");
    {
        QFile f(dibFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(dib);
    }
    const WrittenPdf pdf = PdfFixture::write(
        path("reference.pdf"),
        [&](PdfGenerator &g) {
            g.openPage();
            g.setFont(QStringLiteral("Helvetica"), 14, true);
            g.drawText(750, 750, "Reference (page 1)");
            g.setFont(QStringLiteral("Times-Roman"), 10, false, true);
            g.setFontColor(0x0000C0);
            const QRect clip(750, 1200, 2000, 200);
            g.drawText(750, 1200, "clipped text", &clip);
            g.setPen(0x008000, 17, 1);
            g.setFillColor(0xE0FFE0);
            g.drawRectangle(750, 1600, 2000, 800);
            g.drawEllipse(3000, 1600, 1000, 800);
            g.setFillColor(-1);
            g.drawLine(750, 2600, 4000, 0);
            g.startPolygon();
            g.addPolygonPoint(750, 3000);
            g.addPolygonPoint(1750, 3000);
            g.addPolygonPoint(1250, 3800);
            g.endPolygon();
            g.drawImage(dibFile, 4, 5000, 3000, 1000, 500);
            g.addHyperlink(750, 750, 2500, 250, "https://example.org/(x)");
            g.addNote(750, 4200, "a note");
            g.addBookmark("First", 750, 750);
            g.closePage();
            g.openPage();
            g.setFont(QStringLiteral("Courier"), 9);
            g.drawText(4000, 5000, "second page");
            g.addNamedAction(750, 750, 1000, 200, "PREV");
            g.addBookmark("Second", 0, 0, "Group");
            g.closePage();
        },
        [&](PdfGenerator &g) {
            g.setDocumentInfo(QStringLiteral("Reference"), QStringLiteral("tests"), QStringLiteral("Tavimo"),
                              QStringLiteral("subject"), QStringLiteral("author"), QStringLiteral("keywords"));
            g.setPageBookmarks(true);
            if (!password.isEmpty())
                g.setEncryption(password, 36);
        });
    QCOMPARE(PdfTools::validate(pdf.path, password), QString());
    const QString reference = QStringLiteral(TAVIMO_PDF_REFERENCES "/") + name;
    if (qEnvironmentVariableIntValue("TAVIMO_REGENERATE_REFERENCES") == 1) {
        QDir().mkpath(QFileInfo(reference).path());
        QFile f(reference);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pdf.bytes);
        QSKIP("reference written anew");
    }
    const QByteArray expected = PdfTools::readFile(reference);
    QVERIFY2(!expected.isEmpty(), qPrintable(reference + QStringLiteral(" is missing")));
    if (pdf.bytes != expected) {
        qsizetype at = 0;
        while (at < pdf.bytes.size() && at < expected.size() && pdf.bytes[at] == expected[at])
            ++at;
        QFAIL(qPrintable(QStringLiteral("differs from %1 at byte %2: %3").arg(reference).arg(at).arg(
            QString::fromLatin1(pdf.bytes.mid(qMax<qsizetype>(0, at - 40), 80).toPercentEncoding(" /()[]<>\\")))));
    }
}

QTEST_GUILESS_MAIN(TestPdfGenerator)
#include "tst_pdfgenerator.moc"
