// What drawing calls write into a page's content streams: text runs and
// their lines, clipped and turned text, the operators of every shape, and
// state lines written only when they change.
#include "pdffixture.h"
#include "pdfformat.h"
#include "pdftools.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

using Draw = std::function<void(PdfGenerator &)>;
Q_DECLARE_METATYPE(Draw)

namespace {

int count(const QByteArray &text, const QByteArray &what)
{
    return int(text.count(what));
}

} // namespace

class TestPdfContent : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void consecutiveTextsShareOneRun();
    void textLines_data();
    void textLines();
    void clippedTextHasItsOwnRun();
    void turnedTextKeepsItsTopLeftCorner_data();
    void turnedTextKeepsItsTopLeftCorner();
    void shapes_data();
    void shapes();
    void stateLinesOnlyWhenChanged();
    void newStreamRepeatsTheState();
    void polygonKeepsThePenItStartedWith();
    void underlineAndStrikeOut();
    void compressedStreamsReadTheSame();

private:
    QByteArray content(const Draw &draw);
    QTemporaryDir m_dir;
};

void TestPdfContent::init()
{
    QVERIFY(m_dir.isValid());
}

QByteArray TestPdfContent::content(const Draw &draw)
{
    const WrittenPdf pdf = PdfFixture::page(m_dir.filePath(QStringLiteral("content.pdf")), draw);
    const QString problem = PdfTools::validate(pdf.path);
    QTest::qVerify(problem.isEmpty(), "PdfTools::validate(pdf.path)", qPrintable(problem), __FILE__, __LINE__);
    return PdfTools::pageContent(pdf.bytes, 0);
}

void TestPdfContent::consecutiveTextsShareOneRun()
{
    const QByteArray c = content([](PdfGenerator &g) {
        g.setFont(QStringLiteral("Helvetica"), 10);
        g.drawText(1000, 1000, "one");
        g.setFont(QStringLiteral("Times-Roman"), 12);
        g.setFontColor(0xFF0000);
        g.drawText(1000, 2000, "two");
    });
    QCOMPARE(c, QByteArray("BT\r\n"
                           "/F1 10 Tf\r\n0 0 0 rg\r\n1 0 0 1 72 710 Tm [(one)] TJ\r\n"
                           "/F2 12 Tf\r\n0 0 1 rg\r\n1 0 0 1 72 636 Tm [(two)] TJ\r\n"
                           "ET\r\n"));
}

void TestPdfContent::textLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("parenthesis escaped") << QByteArray("a (note)") << QByteArray("[(a \\(note\\))] TJ");
    QTest::newRow("tab becomes a blank") << QByteArray("a\tb") << QByteArray("[(a b)] TJ");
    QTest::newRow("empty") << QByteArray() << QByteArray("[()] TJ");
}

void TestPdfContent::textLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, line);
    const QByteArray c = content([&text](PdfGenerator &g) {
        g.setFont(QStringLiteral("Courier"), 9);
        g.drawText(500, 250, text);
    });
    QVERIFY2(c.contains("1 0 0 1 36 765 Tm " + line + "\r\n"), c.constData());
}

void TestPdfContent::clippedTextHasItsOwnRun()
{
    const QByteArray c = content([](PdfGenerator &g) {
        g.setFont(QStringLiteral("Helvetica"), 10);
        g.drawText(1000, 1000, "plain");
        const QRect clip(1000, 2000, 1000, 500);
        g.drawText(1000, 2000, "clipped", &clip);
        g.drawText(1000, 3000, "plain again");
    });
    QCOMPARE(count(c, "BT\r\n"), 3);
    QVERIFY2(c.contains("ET\r\nq\r\n72 648 72 -36 re\r\nW n\r\nBT\r\n/F1 10 Tf\r\n0 0 0 rg\r\n"
                        "1 0 0 1 72 638 Tm [(clipped)] TJ\r\nET\r\nQ\r\nBT\r\n"),
             c.constData());
}

void TestPdfContent::turnedTextKeepsItsTopLeftCorner_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<QByteArray>("matrix");
    QTest::newRow("0") << 0 << QByteArray("1 0 0 1");
    QTest::newRow("90") << 90 << QByteArray("0 1 -1 0");
    QTest::newRow("180") << 180 << QByteArray("-1 0 0 -1");
    QTest::newRow("270") << 270 << QByteArray("0 -1 1 0");
    QTest::newRow("45") << 45 << QByteArray("0.707 0.707 -0.707 0.707");
}

void TestPdfContent::turnedTextKeepsItsTopLeftCorner()
{
    QFETCH(int, angle);
    QFETCH(QByteArray, matrix);
    double width = 0;
    const QByteArray c = content([&](PdfGenerator &g) {
        g.setFont(QStringLiteral("Arial"), 20);
        g.setFontAngle(angle);
        width = g.textWidth("Turned") * 0.072;
        g.drawText(2000, 3000, "Turned");
    });
    QVERIFY(width > 40 && width < 80);
    const QRegularExpression tm(QStringLiteral("(\\S+) (\\S+) (\\S+) (\\S+) (\\S+) (\\S+) Tm"));
    const QRegularExpressionMatch m = tm.match(QString::fromLatin1(c));
    QVERIFY(m.hasMatch());
    QCOMPARE(QStringList({m.captured(1), m.captured(2), m.captured(3), m.captured(4)}).join(QLatin1Char(' ')).toLatin1(),
             matrix);
    // The turned box of the text (width x size) has its top-left corner at
    // the requested point: 144 points across, 792 - 216 = 576 up.
    const double cs = m.captured(1).toDouble(), sn = m.captured(2).toDouble();
    const double x = m.captured(5).toDouble(), y = m.captured(6).toDouble();
    double minX = 1e9, maxY = -1e9;
    for (auto [u, v] : {std::pair{0.0, 0.0}, {width, 0.0}, {0.0, 20.0}, {width, 20.0}}) {
        minX = std::min(minX, x + u * cs - v * sn);
        maxY = std::max(maxY, y + u * sn + v * cs);
    }
    QVERIFY2(std::abs(minX - 144) < 0.01 && std::abs(maxY - 576) < 0.01, c.constData());
}

void TestPdfContent::shapes_data()
{
    QTest::addColumn<Draw>("draw");
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("rectangle without fill") << Draw([](PdfGenerator &g) {
        g.setFillColor(-1);
        g.drawRectangle(1000, 2000, 2000, 1000);
    }) << QByteArray("72 648 144 -72 re\r\ns\r\n");
    QTest::newRow("filled rectangle") << Draw([](PdfGenerator &g) {
        g.setFillColor(-1);
        g.drawRectangle(0, 0, 10, 10);
        g.setFillColor(0x00FF00);
        g.drawRectangle(1000, 2000, 2000, 1000);
    }) << QByteArray("0 1 0 rg\r\n72 648 144 -72 re\r\nB\r\n");
    QTest::newRow("line, stroked open") << Draw([](PdfGenerator &g) { g.drawLine(1000, 1000, 2000, 500); })
                                        << QByteArray("72 720 m\r\n216 684 l\r\nS\r\n");
    QTest::newRow("ellipse in four curves") << Draw([](PdfGenerator &g) {
        g.setFillColor(-1);
        g.drawEllipse(1000, 1000, 2000, 1000);
    }) << QByteArray("216 684 m\r\n216 703.882 183.765 720 144 720 c\r\n104.235 720 72 703.882 72 684 c\r\n"
                     "72 664.118 104.235 648 144 648 c\r\n183.765 648 216 664.118 216 684 c\r\ns\r\n");
    QTest::newRow("filled ellipse") << Draw([](PdfGenerator &g) {
        g.setFillColor(0x0000FF);
        g.drawEllipse(1000, 1000, 1000, 1000);
    }) << QByteArray(" c\r\nB\r\n");
    QTest::newRow("open polygon") << Draw([](PdfGenerator &g) {
        g.setFillColor(-1);
        g.startPolygon();
        g.addPolygonPoint(1000, 1000);
        g.addPolygonPoint(2000, 1000);
        g.addPolygonPoint(1500, 2000);
        g.endPolygon();
    }) << QByteArray("72 720 m\r\n144 720 l\r\n108 648 l\r\ns\r\n");
    QTest::newRow("filled polygon") << Draw([](PdfGenerator &g) {
        g.setFillColor(0xFFFFFF);
        g.startPolygon();
        g.addPolygonPoint(1000, 1000);
        g.addPolygonPoint(2000, 1000);
        g.addPolygonPoint(1500, 2000);
        g.endPolygon();
    }) << QByteArray("108 648 l\r\nb\r\n");
    QTest::newRow("graphics prologue") << Draw([](PdfGenerator &g) {
        g.setPen(0x336699, 25, 3);
        g.setFillColor(-1);
        g.drawLine(0, 0, 100, 100);
    }) << QByteArray("0.6 0.4 0.2 RG\r\n1 1 1 rg\r\n2.984 w\r\n[3 2 1 2] 0 d\r\n0 792 m\r\n");
}

void TestPdfContent::shapes()
{
    QFETCH(Draw, draw);
    QFETCH(QByteArray, lines);
    const QByteArray c = content(draw);
    QVERIFY2(c.contains(lines), c.constData());
}

void TestPdfContent::stateLinesOnlyWhenChanged()
{
    const QByteArray c = content([](PdfGenerator &g) {
        g.setPen(0, 17, 0);
        g.drawLine(0, 0, 100, 0);
        g.drawLine(0, 100, 100, 0); // same pen: nothing repeated
        g.setPen(0, 34, 0);
        g.drawLine(0, 200, 100, 0); // only the width changed
        g.setPen(0xFF, 34, 2);
        g.drawLine(0, 300, 100, 0); // colour and dash
    });
    QCOMPARE(count(c, " RG\r\n"), 2);
    QCOMPARE(count(c, " w\r\n"), 2);
    QCOMPARE(count(c, " d\r\n"), 2);
    QVERIFY(c.contains("2.029 w\r\n[] 0 d\r\n0 792 m"));
    QVERIFY(c.contains("S\r\n4.059 w\r\n0 777.6 m"));
    QVERIFY(c.contains("1 0 0 RG\r\n[1] 1 d\r\n0 770.4 m"));
}

void TestPdfContent::newStreamRepeatsTheState()
{
    const QByteArray c = content([](PdfGenerator &g) {
        g.setPen(0xFF, 17, 1);
        g.drawLine(0, 0, 100, 0);
        g.drawText(0, 500, "between");
        g.drawLine(0, 1000, 100, 0);
    });
    QCOMPARE(count(c, "1 0 0 RG\r\n"), 2);
    QCOMPARE(count(c, "[3] 3 d\r\n"), 2);
}

void TestPdfContent::polygonKeepsThePenItStartedWith()
{
    const QByteArray c = content([](PdfGenerator &g) {
        g.setPen(0xFF0000, 17, 0);
        g.setFillColor(-1);
        g.startPolygon();
        g.addPolygonPoint(0, 0);
        g.setPen(0x00FF00, 17, 0); // changes after the start do not reach it
        g.addPolygonPoint(1000, 0);
        g.addPolygonPoint(1000, 1000);
        g.endPolygon();
        g.drawLine(0, 2000, 1000, 0);
    });
    QVERIFY2(c.indexOf("0 0 1 RG") < c.indexOf(" m\r\n"), c.constData());
    QVERIFY2(c.contains("s\r\n0 1 0 RG\r\n0 648 m"), c.constData());
}

void TestPdfContent::underlineAndStrikeOut()
{
    double width = 0;
    const QByteArray c = content([&width](PdfGenerator &g) {
        g.setFont(QStringLiteral("Helvetica"), 10);
        g.setFontColor(0x0000FF);
        g.setPen(0x00FF00, 40, 2);
        width = g.textWidth("underlined");
        g.underlineText(1000, 1000, "underlined", 0);
        g.strikeOutText(1000, 1000, "underlined", 200);
        g.drawLine(0, 3000, 10, 0); // the caller's pen is back
    });
    QVERIFY(width > 500 && width < 900);
    const QByteArray end = PdfFormat::real((1000 + std::lround(width)) * 0.072);
    QVERIFY2(c.contains("1 0 0 RG\r\n1 1 1 rg\r\n0.119 w\r\n[] 0 d\r\n72 709.2 m\r\n" + end + " 709.2 l\r\nS\r\n"),
             c.constData());
    QVERIFY2(c.contains("72 713.52 m\r\n86.4 713.52 l\r\nS\r\n"), c.constData());
    QVERIFY2(c.contains("0 1 0 RG\r\n4.775 w\r\n[1] 1 d\r\n0 576 m"), c.constData());
}

void TestPdfContent::compressedStreamsReadTheSame()
{
    const Draw draw = [](PdfGenerator &g) {
        for (int i = 0; i < 30; ++i)
            g.drawText(1000, 1000 + 200 * i, "line " + QByteArray::number(i));
        g.drawRectangle(500, 500, 7000, 7000);
    };
    const QString path = m_dir.filePath(QStringLiteral("deflated.pdf"));
    const WrittenPdf plain = PdfFixture::page(m_dir.filePath(QStringLiteral("plain.pdf")), draw);
    const WrittenPdf packed = PdfFixture::page(path, draw, [](PdfGenerator &g) { g.setCompression(true, true); });
    QCOMPARE(PdfTools::validate(path), QString());
    const QList<int> streams = PdfTools::references(PdfTools::object(packed.bytes, PdfTools::pages(packed.bytes)[0]),
                                                    "/Contents");
    QCOMPARE(streams.size(), 2);
    QVERIFY(PdfTools::object(packed.bytes, streams[0]).contains("<< /Filter /Fl /Length "));
    QByteArray unpacked;
    for (int s : streams)
        unpacked += PdfTools::streamData(path, s);
    QCOMPARE(unpacked, PdfTools::pageContent(plain.bytes, 0));
    QVERIFY(packed.bytes.size() < plain.bytes.size());
}

QTEST_GUILESS_MAIN(TestPdfContent)
#include "tst_pdfcontent.moc"
