// Fonts: face names onto the standard fonts, TrueType fonts with their
// descriptor and widths measured through FreeType, the stand-ins for
// missing faces, and what happens when no face can be loaded.
#include "fontfinder.h"
#include "fontmeasurer.h"
#include "pdffixture.h"
#include "pdffontlist.h"
#include "pdftools.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

class TestPdfFonts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void baseFontNames_data();
    void baseFontNames();
    void fontsAreFoundAgainByNameAndCharacterSet();
    void trueTypeFontObjects_data();
    void trueTypeFontObjects();
    void widthsComeFromTheFace();
    void missingFacesGetStandIns_data();
    void missingFacesGetStandIns();
    void faceThatCannotBeLoaded();

private:
    QTemporaryDir m_dir;
};

void TestPdfFonts::init()
{
    QVERIFY(m_dir.isValid());
}

void TestPdfFonts::baseFontNames_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("builtin");
    QTest::newRow("helvetica") << QStringLiteral("helvetica") << false << false << QByteArray("Helvetica") << true;
    QTest::newRow("helvetica bold") << QStringLiteral("Helvetica") << true << false << QByteArray("Helvetica-Bold") << true;
    QTest::newRow("helvetica italic") << QStringLiteral("Helvetica") << false << true << QByteArray("Helvetica-Oblique") << true;
    QTest::newRow("courier bold italic") << QStringLiteral("COURIER") << true << true << QByteArray("Courier-BoldOblique")
                                         << true;
    QTest::newRow("times") << QStringLiteral("Times") << false << false << QByteArray("Times-Roman") << true;
    QTest::newRow("roman italic") << QStringLiteral("Roman") << false << true << QByteArray("Times-Italic") << true;
    QTest::newRow("times-roman bold italic") << QStringLiteral("Times-Roman") << true << true
                                             << QByteArray("Times-BoldItalic") << true;
    QTest::newRow("named variant") << QStringLiteral("courier-oblique") << false << false << QByteArray("Courier-Oblique")
                                   << true;
    QTest::newRow("named variant ignores flags") << QStringLiteral("TIMES-BOLD") << false << true << QByteArray("Times-Bold")
                                                 << true;
    QTest::newRow("symbol") << QStringLiteral("Symbol") << true << false << QByteArray("Symbol") << true;
    QTest::newRow("zapf") << QStringLiteral("ZapfDingbats") << false << false << QByteArray("ZapfDingbats") << true;
    QTest::newRow("Arial bold") << QStringLiteral("Arial") << true << false << QByteArray("Arial,Bold") << false;
    QTest::newRow("Arial italic") << QStringLiteral("Arial") << false << true << QByteArray("Arial,Italic") << false;
    QTest::newRow("Arial bold italic") << QStringLiteral("Arial") << true << true << QByteArray("Arial,BoldItalic") << false;
    QTest::newRow("Verdana") << QStringLiteral("Verdana") << false << false << QByteArray("Verdana") << false;
}

void TestPdfFonts::baseFontNames()
{
    QFETCH(QString, face);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QByteArray, name);
    QFETCH(bool, builtin);
    PdfFontList list;
    const int number = list.use(face, bold, italic, 0);
    QCOMPARE(number, 1);
    QCOMPARE(list.font(1)->name, name);
    QCOMPARE(list.font(1)->builtin, builtin);
    QCOMPARE(list.font(1)->style, (bold ? 700 : 400) + (italic ? 4096 : 0));
    QCOMPARE(list.font(1)->widths[65], 0);
}

void TestPdfFonts::fontsAreFoundAgainByNameAndCharacterSet()
{
    PdfFontList list;
    QCOMPARE(list.use(QStringLiteral("Arial"), true, false, 0), 1);
    QCOMPARE(list.use(QStringLiteral("helvetica"), false, false, 0), 2);
    QCOMPARE(list.use(QStringLiteral("ARIAL"), true, false, 0), 1);
    QCOMPARE(list.use(QStringLiteral("Arial"), true, false, 186), 3);
    QCOMPARE(list.use(QStringLiteral("Arial"), false, false, 0), 4);
    QCOMPARE(list.use(QStringLiteral("Helvetica"), false, false, 0), 2);
    QCOMPARE(list.fonts().size(), std::size_t(4));
}

void TestPdfFonts::trueTypeFontObjects_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QByteArray>("baseFont");
    QTest::addColumn<int>("flags");
    QTest::newRow("Arial bold") << QStringLiteral("Arial") << true << false << QByteArray("Arial,Bold") << 0x40000 + 32;
    QTest::newRow("Arial") << QStringLiteral("Arial") << false << false << QByteArray("Arial") << 32;
    QTest::newRow("Times New Roman italic") << QStringLiteral("Times New Roman") << false << true
                                            << QByteArray("TimesNewRoman,Italic") << 64 + 32;
    QTest::newRow("Courier New, fixed pitch") << QStringLiteral("Courier New") << false << false
                                              << QByteArray("CourierNew") << 32 + 1;
    QTest::newRow("installed face under its own name") << QStringLiteral("DejaVu Sans") << true << true
                                                       << QByteArray("DejaVuSans,BoldItalic") << 0x40040 + 32;
}

void TestPdfFonts::trueTypeFontObjects()
{
    QFETCH(QString, face);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QByteArray, baseFont);
    QFETCH(int, flags);
    const WrittenPdf pdf = PdfFixture::page(m_dir.filePath(QStringLiteral("tt.pdf")), [&](PdfGenerator &g) {
        g.setFont(face, 12, bold, italic);
        g.drawText(1000, 1000, "Measured text");
    });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QVERIFY(pdf.messages.isEmpty());
    const QByteArray resources = PdfTools::object(pdf.bytes, 4);
    const QRegularExpression ref(QStringLiteral("/Font << /F1 (\\d+) 0 R >>\\r/"));
    const int fontObject = ref.match(QString::fromLatin1(resources)).captured(1).toInt();
    const QByteArray font = PdfTools::object(pdf.bytes, fontObject);
    QVERIFY2(font.contains("/Type /Font\r\n/Subtype /TrueType\r\n/Name /F1\r\n/BaseFont /" + baseFont + "\r\n"
                           "/FirstChar 32\r\n/LastChar 255\r\n/Encoding /WinAnsiEncoding\r\n/FontDescriptor "),
             font.constData());
    const QByteArray descriptor = PdfTools::object(pdf.bytes, fontObject - 1);
    QVERIFY(font.contains("/FontDescriptor " + QByteArray::number(fontObject - 1) + " 0 R\r\n"));
    QVERIFY2(descriptor.contains("/Type /FontDescriptor\r\n/FontName /" + baseFont + "\r\n/Flags "
                                 + QByteArray::number(flags) + "\r\n/FontBBox ["),
             descriptor.constData());
    for (const char *key : {"/StemV ", "/StemH ", "/ItalicAngle ", "/Ascent ", "/Descent -", "/Leading ", "/MaxWidth ",
                            "/AvgWidth "})
        QVERIFY2(descriptor.contains(key), key);
    if (italic)
        QVERIFY(!descriptor.contains("/ItalicAngle 0\r\n"));
    // 224 widths, ten to a line.
    const qsizetype at = font.indexOf("/Widths [");
    const QByteArray widths = font.mid(at + 9, font.indexOf("]", at) - at - 9);
    QCOMPARE(widths.count("\r\n"), 22);
    QCOMPARE(widths.simplified().split(' ').size(), 224);
    QCOMPARE(QString::fromUtf8(PdfTools::text(pdf.path).out).trimmed(), QStringLiteral("Measured text"));
}

void TestPdfFonts::widthsComeFromTheFace()
{
    // Liberation Sans has Arial's metrics: the widths a reader with Arial expects.
    FontMeasurer measurer;
    const FaceMetrics *arial = measurer.metrics(QStringLiteral("Arial"), false, false, false, nullptr);
    QVERIFY(arial);
    QCOMPARE(arial->widths[' '], 278);
    QCOMPARE(arial->widths['W'], 944);
    QCOMPARE(arial->widths['i'], 222);
    QCOMPARE(arial->widths[0x80], 556); // the euro sign, through WinAnsi
    QCOMPARE(arial->ascent, 905);
    QCOMPARE(arial->descent, 212);
    const FaceMetrics *bold = measurer.metrics(QStringLiteral("Arial"), true, false, false, nullptr);
    QVERIFY(bold);
    QCOMPARE(bold->widths['a'], 556);
    QCOMPARE(bold->widths['r'], 389);
    QVERIFY(bold->weight >= 700);
    const FaceMetrics *mono = measurer.metrics(QStringLiteral("Courier New"), false, false, false, nullptr);
    QVERIFY(mono && mono->fixedPitch);
    QCOMPARE(mono->widths['i'], 600);
    QCOMPARE(mono->widths['M'], 600);
}

void TestPdfFonts::missingFacesGetStandIns_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("family");
    QTest::newRow("Arial") << QStringLiteral("Arial") << QStringLiteral("Liberation Sans");
    QTest::newRow("Times New Roman") << QStringLiteral("Times New Roman") << QStringLiteral("Liberation Serif");
    QTest::newRow("Courier New") << QStringLiteral("Courier New") << QStringLiteral("Liberation Mono");
    QTest::newRow("standard Helvetica measured") << QStringLiteral("Helvetica") << QStringLiteral("Liberation Sans");
    QTest::newRow("installed face itself") << QStringLiteral("Liberation Serif") << QStringLiteral("Liberation Serif");
}

void TestPdfFonts::missingFacesGetStandIns()
{
    QFETCH(QString, face);
    QFETCH(QString, family);
    const std::optional<FontFile> found = FontFinder::find(face, false, false);
    QVERIFY(found);
    QCOMPARE(found->family, family);
    QVERIFY(QFile::exists(found->path));
    const std::optional<FontFile> bold = FontFinder::find(face, true, true);
    QVERIFY(bold && bold->path != found->path);
}

void TestPdfFonts::faceThatCannotBeLoaded()
{
    const WrittenPdf pdf = PdfFixture::page(
        m_dir.filePath(QStringLiteral("fonterror.pdf")),
        [](PdfGenerator &g) {
            g.setFont(QStringLiteral("Arial"), 12, true);
            g.drawText(1000, 1000, "Still readable");
        },
        [](PdfGenerator &g) {
            g.fontMeasurer().setFinder([](const QString &, bool, bool) {
                return std::optional<FontFile>(FontFile{QStringLiteral("/nonexistent/face.ttf"), 0, {}});
            });
        });
    QCOMPARE(pdf.messages, QStringList{QStringLiteral("Font Error: Font Name:Arial|NOT LOC:HFont")});
    // Written as the standard font of the same style rather than with every width 0.
    QVERIFY(pdf.bytes.contains("/Subtype /Type1\r\n/Name /F1\r\n/BaseFont /Helvetica-Bold\r\n"));
    QVERIFY(!pdf.bytes.contains("/TrueType"));
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QCOMPARE(QString::fromUtf8(PdfTools::text(pdf.path).out).trimmed(), QStringLiteral("Still readable"));

    FontMeasurer measurer;
    measurer.setFinder([](const QString &, bool, bool) { return std::optional<FontFile>(); });
    QString failure;
    QVERIFY(!measurer.metrics(QStringLiteral("Anything"), false, false, false, &failure));
    QCOMPARE(failure, QStringLiteral("|NOT LOC:HFont"));
}

QTEST_GUILESS_MAIN(TestPdfFonts)
#include "tst_pdffonts.moc"
