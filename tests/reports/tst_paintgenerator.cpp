// The painting generator, pixel by pixel: every kind of control drawn
// into an image at 100 dots per inch (ten thousandths of an inch a pixel).
#include "controlsamples.h"
#include "paintgenerator.h"
#include "pdftools.h"
#include "reportcontrol.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace tavimo;

Q_DECLARE_METATYPE(tavimo::ReportControl)

namespace {

constexpr int Black = 0x000000;
constexpr int Red = 0x0000FF; // Windows colour values: red in the low byte
constexpr int Green = 0x00FF00;
constexpr int Blue = 0xFF0000;
constexpr int Yellow = 0x00FFFF; // light enough not to count as ink

QImage paint(const std::function<void(PaintGenerator &)> &draw)
{
    QImage image(850, 1100, QImage::Format_RGB32);
    image.setDotsPerMeterX(3937); // 100 dots per inch
    image.setDotsPerMeterY(3937);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintGenerator generator(painter, 100);
    generator.openPage(0, 0, 8500, 11000, QStringLiteral("page1"));
    draw(generator);
    generator.closePage();
    return image;
}

using tavimo::testing::control;
using tavimo::testing::drawKind;

QImage paintOne(const ReportControl &c)
{
    return paint([&](PaintGenerator &g) { QCOMPARE(drawKind(g, c), int(IReportGenerator::Done)); });
}

bool isInk(QRgb pixel)
{
    return qGray(pixel) < 160;
}

// Ink in the rectangle (inclusive), counted.
int inkIn(const QImage &image, const QRect &area)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += isInk(image.pixel(x, y)) ? 1 : 0;
    return n;
}

QRect inkBounds(const QImage &image, const QRect &area)
{
    QRect bounds;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (isInk(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int inkTotal(const QImage &image)
{
    return inkIn(image, image.rect());
}

// The colour is found within a pixel of the point: aliased lines may fall
// on either side of a pixel boundary.
bool colorNear(const QImage &image, QPoint at, QColor color)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(at + QPoint(dx, dy)) && QColor(image.pixel(at + QPoint(dx, dy))) == color)
                return true;
    return false;
}

QColor at(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// The controls of every kind that draws, each making ink of its own.
QList<ReportControl> everyDrawnKind(const QString &folder)
{
    const QString picture = folder + QStringLiteral("/red.png");
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(picture);

    QList<ReportControl> all;
    for (const char *kind : {"BOX", "ELLIPSE", "LINE", "CHECK", "RADIO", "GROUP"})
        all.append(control(kind, 1000, 1000, 2000, 2000));
    ReportControl polygon = control("POLYGON", 0, 0, 0, 0);
    polygon.points = {{1000, 1000}, {3000, 1000}, {2000, 3000}};
    polygon.backgroundColor = Black;
    all.append(polygon);
    ReportControl image = control("IMAGE", 1000, 1000, 2000, 2000);
    image.imageFile = picture;
    all.append(image);
    ReportControl string = control("STRING", 1000, 1000, 4000, 1300);
    string.text = "Blood pressure";
    all.append(string);
    ReportControl text = control("TEXT", 1000, 1000, 4000, 1600);
    text.lines = {{1000, 1000, 1300, 4000, 1000, 1000, "First line"}, {1300, 1000, 1600, 4000, 1000, 1300, "Second"}};
    all.append(text);
    return all;
}

} // namespace

class TestPaintGenerator : public QObject
{
    Q_OBJECT

private slots:
    void boxBorderAndFill();
    void sizeFromAttributes_data();
    void sizeFromAttributes();
    void skipLeavesNothing_data();
    void skipLeavesNothing();
    void kindsThatDrawNothing_data();
    void kindsThatDrawNothing();
    void ellipseAndLine();
    void checkBoxDiagonals_data();
    void checkBoxDiagonals();
    void radioButtonDot_data();
    void radioButtonDot();
    void groupBoxFrameAndCaption();
    void polygonClosedAndFilled();
    void stringAtItsPosition();
    void stringClippedToItsBox();
    void stringBackground();
    void boldAndItalic();
    void underlineAndStrikeOut_data();
    void underlineAndStrikeOut();
    void textBlockLineByLine();
    void imageFromFile();
    void bitmapInsidePageFile();
    void printsPagesOnAPrinter();

private:
    QTemporaryDir m_tmp;
};

void TestPaintGenerator::boxBorderAndFill()
{
    ReportControl c = control("BOX", 1000, 1000, 3000, 2000);
    c.borderColor = Red;
    QImage image = paintOne(c);
    QVERIFY(colorNear(image, {100, 150}, Qt::red));
    QVERIFY(colorNear(image, {300, 150}, Qt::red));
    QVERIFY(colorNear(image, {200, 100}, Qt::red));
    QVERIFY(colorNear(image, {200, 200}, Qt::red));
    QCOMPARE(at(image, 200, 150), QColor(Qt::white)); // no fill without a background colour
    QCOMPARE(at(image, 320, 150), QColor(Qt::white));

    c.backgroundColor = Green;
    image = paintOne(c);
    QCOMPARE(at(image, 200, 150), QColor(Qt::green));
    QVERIFY(colorNear(image, {100, 150}, Qt::red));

    c.borderColor = ReportControl::NoColor; // a box without a pen shows only its fill
    image = paintOne(c);
    QCOMPARE(at(image, 100, 150), QColor(Qt::green));
    QCOMPARE(at(image, 97, 150), QColor(Qt::white));
}

void TestPaintGenerator::sizeFromAttributes_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<int>("rightEdge");  // pixels
    QTest::addColumn<int>("bottomEdge");

    QTest::newRow("none") << QByteArray() << 300 << 200;
    QTest::newRow("width and height") << QByteArray("ALL(HW=1000|HH=500)") << 200 << 150;
    QTest::newRow("width only: height 0") << QByteArray("ALL(HW=1500)") << 250 << 100;
    QTest::newRow("zeros change nothing") << QByteArray("ALL(HW=0|HH=0)") << 300 << 200;
    QTest::newRow("PDF group ignored") << QByteArray("PDF(HW=1000|HH=500)") << 300 << 200;
    QTest::newRow("after another group") << QByteArray("PDF(SKIP=1|Bookmark=Bookmark)ALL(HH=500|HW=1000)") << 200 << 150;
}

void TestPaintGenerator::sizeFromAttributes()
{
    QFETCH(QByteArray, attributes);
    QFETCH(int, rightEdge);
    QFETCH(int, bottomEdge);
    ReportControl c = control("BOX", 1000, 1000, 3000, 2000);
    c.attributes = attributes;
    c.backgroundColor = Blue;
    c.borderColor = Blue;
    const QImage image = paintOne(c);
    QCOMPARE(at(image, rightEdge - 2, 100 + (bottomEdge - 100) / 2), QColor(Qt::blue));
    QCOMPARE(at(image, rightEdge + 3, 100 + (bottomEdge - 100) / 2), QColor(Qt::white));
    if (bottomEdge > 102)
        QCOMPARE(at(image, 150, bottomEdge - 2), QColor(Qt::blue));
    QCOMPARE(at(image, 150, bottomEdge + 3), QColor(Qt::white));
}

void TestPaintGenerator::skipLeavesNothing_data()
{
    QTest::addColumn<ReportControl>("control");
    QTest::addColumn<bool>("drawn");

    for (const ReportControl &c : everyDrawnKind(m_tmp.path())) {
        for (const auto &[attributes, drawn] : {std::pair{QByteArray("ALL(SKIP=1)"), false},
                                                std::pair{QByteArray("PDF(HIDE=1)ALL(SKIP=yes)"), false},
                                                std::pair{QByteArray("ALL(SKIP=0)"), true},
                                                std::pair{QByteArray("PDF(SKIP=1)"), true},
                                                std::pair{QByteArray("ALL(SKIPPED=1)"), true}}) {
            ReportControl row = c;
            row.attributes = attributes;
            QTest::addRow("%s %s", c.kind.constData(), attributes.constData()) << row << drawn;
        }
    }
}

void TestPaintGenerator::skipLeavesNothing()
{
    QFETCH(ReportControl, control);
    QFETCH(bool, drawn);
    const QImage image = paintOne(control);
    int marks = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            marks += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
    QCOMPARE(marks > 0, drawn);
}

void TestPaintGenerator::kindsThatDrawNothing_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("arc") << QByteArray("ARC");
    QTest::newRow("chord") << QByteArray("CHORD");
    QTest::newRow("pie") << QByteArray("PIE");
    QTest::newRow("further data") << QByteArray("OTHER");
}

void TestPaintGenerator::kindsThatDrawNothing()
{
    QFETCH(QByteArray, kind);
    ReportControl c = control(kind, 1000, 1000, 3000, 3000);
    c.backgroundColor = Black;
    c.text = "Text";
    QCOMPARE(inkTotal(paintOne(c)), 0);
}

void TestPaintGenerator::ellipseAndLine()
{
    ReportControl e = control("ELLIPSE", 1000, 1000, 3000, 2000);
    e.backgroundColor = Green;
    QImage image = paintOne(e);
    QCOMPARE(at(image, 200, 150), QColor(Qt::green));
    QCOMPARE(at(image, 104, 104), QColor(Qt::white)); // the box's corner lies outside
    QVERIFY(colorNear(image, {100, 150}, Qt::black));
    QVERIFY(colorNear(image, {200, 100}, Qt::black));

    // From the top-left corner with the control's extent, upwards too.
    ReportControl l = control("LINE", 1000, 3000, 3000, 1000);
    l.borderColor = Red;
    image = paintOne(l);
    QVERIFY(colorNear(image, {200, 200}, Qt::red));
    QVERIFY(colorNear(image, {101, 299}, Qt::red));
    QCOMPARE(at(image, 120, 120), QColor(Qt::white));
}

void TestPaintGenerator::checkBoxDiagonals_data()
{
    QTest::addColumn<bool>("checked");
    QTest::newRow("checked") << true;
    QTest::newRow("not checked") << false;
}

void TestPaintGenerator::checkBoxDiagonals()
{
    QFETCH(bool, checked);
    ReportControl c = control("CHECK", 1000, 1000, 2000, 2000);
    c.checked = checked;
    c.backgroundColor = Green; // a check box's frame is never filled
    c.text = "Diabetic";
    c.x = 2200;
    c.y = 1000;
    const QImage image = paintOne(c);
    QVERIFY(colorNear(image, {100, 150}, Qt::black)); // the frame
    QVERIFY(colorNear(image, {200, 150}, Qt::black));
    QCOMPARE(colorNear(image, {150, 150}, Qt::black), checked);
    QCOMPARE(colorNear(image, {125, 125}, Qt::black), checked);
    QCOMPARE(colorNear(image, {125, 175}, Qt::black), checked);
    QCOMPARE(at(image, 150, 120), QColor(Qt::white));
    QVERIFY(inkIn(image, QRect(220, 100, 100, 20)) > 20); // the label
}

void TestPaintGenerator::radioButtonDot_data()
{
    QTest::addColumn<bool>("selected");
    QTest::newRow("selected") << true;
    QTest::newRow("not selected") << false;
}

void TestPaintGenerator::radioButtonDot()
{
    QFETCH(bool, selected);
    ReportControl c = control("RADIO", 1000, 1000, 2000, 2000);
    c.checked = selected;
    c.borderColor = Blue;
    c.text = "Male";
    c.x = 2200;
    c.angle = 900; // labels of radio buttons are never turned
    const QImage image = paintOne(c);
    QVERIFY(colorNear(image, {150, 100}, Qt::blue)); // the outer circle
    QVERIFY(colorNear(image, {100, 150}, Qt::blue));
    QCOMPARE(at(image, 150, 150) == QColor(Qt::blue), selected);
    QCOMPARE(at(image, 115, 150), QColor(Qt::white)); // between the circles
    const QRect label = inkBounds(image, QRect(210, 0, 640, 1100));
    QVERIFY(label.top() >= 100);
    QVERIFY(label.width() > 2 * label.height());
}

void TestPaintGenerator::groupBoxFrameAndCaption()
{
    ReportControl c = control("GROUP", 1000, 1000, 4000, 3000);
    c.text = "Insurance";
    c.x = 1200;
    c.y = 930;
    c.backgroundColor = 0xFFFFFF; // the caption covers the frame's line
    const QImage image = paintOne(c);
    QVERIFY(colorNear(image, {100, 200}, Qt::black));
    QVERIFY(colorNear(image, {400, 200}, Qt::black));
    QVERIFY(colorNear(image, {350, 100}, Qt::black));
    QVERIFY(colorNear(image, {250, 300}, Qt::black));
    QVERIFY(inkIn(image, QRect(120, 93, 60, 15)) > 20);
    // Under the caption the frame's top line is covered: only the letters
    // leave ink on that row (an uncovered line would leave none clear).
    int covered = 0;
    for (int x = 121; x < 170; ++x)
        covered += isInk(image.pixel(x, 100)) ? 0 : 1;
    QVERIFY2(covered > 10, qPrintable(QString::number(covered)));
}

void TestPaintGenerator::polygonClosedAndFilled()
{
    ReportControl c = control("POLYGON", 0, 0, 0, 0);
    c.points = {{1000, 1000}, {3000, 1000}, {3000, 3000}};
    c.borderColor = Red;
    c.backgroundColor = Green;
    QImage image = paintOne(c);
    QCOMPARE(at(image, 250, 150), QColor(Qt::green));
    QCOMPARE(at(image, 150, 250), QColor(Qt::white));
    QVERIFY(colorNear(image, {200, 200}, Qt::red)); // the closing edge
    QVERIFY(colorNear(image, {300, 200}, Qt::red));

    c.backgroundColor = ReportControl::NoColor;
    c.borderStyle = 5; // no pen at all
    image = paintOne(c);
    QCOMPARE(image.pixel(250, 150), qRgb(255, 255, 255));
    QCOMPARE(inkTotal(image), 0);
}

void TestPaintGenerator::stringAtItsPosition()
{
    // The text's top-left at its position, the baseline one font size below.
    ReportControl c = control("STRING", 1000, 1000, 5000, 1300);
    c.text = "Hello";
    const QImage image = paintOne(c);
    const QRect ink(100, 100, 100, 20);
    QVERIFY(inkIn(image, ink) > 30);
    QCOMPARE(inkTotal(image), inkIn(image, ink));
    QCOMPARE(inkIn(image, QRect(100, 115, 100, 5)), 0); // nothing below the baseline
    QVERIFY(inkIn(image, QRect(100, 100, 100, 6)) > 0); // the capital reaches up

    // Blanks at either end are left out, as in the PDF; unknown bytes too.
    ReportControl padded = c;
    padded.text = "  Hello\x81  ";
    QCOMPARE(paintOne(padded), image);
}

void TestPaintGenerator::stringClippedToItsBox()
{
    ReportControl c = control("STRING", 1000, 1000, 1500, 1300);
    c.text = "MMMMMMMMMMMMMMMM";
    const QImage clipped = paintOne(c);
    QVERIFY(inkIn(clipped, QRect(100, 100, 50, 30)) > 30);
    QCOMPARE(inkIn(clipped, QRect(152, 0, 700, 1100)), 0);

    c.right = 8000;
    const QImage open = paintOne(c);
    QVERIFY(inkIn(open, QRect(152, 100, 300, 30)) > 50);

    // A box without a width does not hide the text.
    c.text = "Note";
    c.right = c.left;
    QVERIFY(inkTotal(paintOne(c)) > 0);
}

void TestPaintGenerator::stringBackground()
{
    ReportControl c = control("STRING", 1000, 1000, 4000, 1500);
    c.text = "Hi";
    c.backgroundColor = Green;
    QImage image = paintOne(c);
    QCOMPARE(at(image, 350, 140), QColor(Qt::green));
    QCOMPARE(at(image, 410, 140), QColor(Qt::white));

    c.text.clear(); // an empty string draws not even its background
    image = paintOne(c);
    QCOMPARE(at(image, 350, 140), QColor(Qt::white));
}

void TestPaintGenerator::boldAndItalic()
{
    ReportControl c = control("STRING", 1000, 1000, 8000, 1400);
    c.text = "Health records";
    c.fontSize = 14;
    const QImage normal = paintOne(c);
    c.fontStyle = 700;
    const QImage bold = paintOne(c);
    c.fontStyle = 600; // only the bold weight is bold
    QCOMPARE(paintOne(c), normal);
    c.fontStyle = 400 | ReportControl::Italic;
    const QImage italic = paintOne(c);
    QVERIFY(inkTotal(bold) > inkTotal(normal) * 11 / 10);
    QVERIFY(italic != normal);
    QVERIFY(qAbs(inkTotal(italic) - inkTotal(normal)) < inkTotal(normal) / 5);
}

void TestPaintGenerator::underlineAndStrikeOut_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("row"); // pixels below the text position: size x 15, size x 9 thousandths
    QTest::newRow("underline") << int(ReportControl::Underline) << 15;
    QTest::newRow("strike-out") << int(ReportControl::StrikeOut) << 9;
}

void TestPaintGenerator::underlineAndStrikeOut()
{
    QFETCH(int, style);
    QFETCH(int, row);
    ReportControl c = control("STRING", 1000, 1000, 8000, 1400);
    c.text = "I I I I I I I I I I";
    c.fontColor = Red;
    const QImage plain = paintOne(c);
    c.fontStyle = 400 | style;
    const QImage decorated = paintOne(c);
    // The line runs under the gaps between the letters as well.
    const QRect line(101, 100 + row - 1, 30, 3);
    auto columnsWithInk = [&line](const QImage &image) {
        int n = 0;
        for (int x = line.left(); x <= line.right(); ++x)
            n += inkIn(image, QRect(x, line.top(), 1, line.height())) > 0 ? 1 : 0;
        return n;
    };
    QVERIFY(columnsWithInk(plain) < line.width() / 2);
    QCOMPARE(columnsWithInk(decorated), line.width());

    // No longer than the box is wide.
    c.right = 1200;
    const QImage narrow = paintOne(c);
    QVERIFY(inkIn(narrow, QRect(100, 100 + row - 1, 20, 3)) > 0);
    QCOMPARE(inkIn(narrow, QRect(123, 0, 700, 1100)), 0);
}

void TestPaintGenerator::textBlockLineByLine()
{
    ReportControl c = control("TEXT", 1000, 1000, 2000, 1300);
    c.backgroundColor = Yellow;
    c.lines = {{1000, 1000, 1300, 2000, 1000, 1000, "Take with food"},
               {}, // an empty line draws nothing
               {1600, 1000, 1900, 2000, 1000, 1600, "Twice a day and at night"}};
    const QImage image = paintOne(c);
    QVERIFY(inkIn(image, QRect(100, 100, 100, 20)) > 20);
    QVERIFY(inkIn(image, QRect(100, 160, 100, 20)) > 20);
    QCOMPARE(inkIn(image, QRect(0, 121, 850, 38)), 0);
    // Lines are not clipped to the block's box, which alone has the background.
    QVERIFY(inkIn(image, QRect(205, 160, 200, 20)) > 20);
    QCOMPARE(at(image, 150, 190), QColor(Qt::white));
    QCOMPARE(at(image, 195, 125), QColor(Qt::yellow));
}

void TestPaintGenerator::imageFromFile()
{
    const QString file = m_tmp.filePath(QStringLiteral("logo.png"));
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(file));

    ReportControl c = control("IMAGE", 1000, 1000, 3000, 2000);
    c.imageFile = QStringLiteral("  ") + file; // the name as the page holds it, blanks and all
    QImage image = paintOne(c);
    QCOMPARE(at(image, 101, 101), QColor(Qt::red));
    QCOMPARE(at(image, 298, 198), QColor(Qt::red));
    QCOMPARE(at(image, 303, 150), QColor(Qt::white));

    // Without a size its pixels count as points: 10 points are 13.9 pixels.
    c.right = c.left;
    c.bottom = c.top;
    image = paintOne(c);
    QCOMPARE(at(image, 112, 112), QColor(Qt::red));
    QCOMPARE(at(image, 116, 116), QColor(Qt::white));

    c.imageFile = m_tmp.filePath(QStringLiteral("missing.png"));
    QCOMPARE(inkTotal(paintOne(c)), 0);
}

void TestPaintGenerator::bitmapInsidePageFile()
{
    // A 2 x 2 true-colour bitmap 37 bytes into a file, as pages carry them.
    QByteArray file(37, 'x');
    auto le = [&file](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.append(char((v >> (8 * i)) & 0xFF));
    };
    le(40, 4);
    le(2, 4);
    le(2, 4);
    le(1, 2);
    le(24, 2);
    for (int i = 0; i < 6; ++i)
        le(0, 4);
    for (int row = 0; row < 2; ++row)
        file.append(QByteArray::fromHex("ff0000ff00000000")); // blue, blue, padding
    const QString path = m_tmp.filePath(QStringLiteral("page.wmf"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();

    ReportControl c = control("IMAGE", 1000, 1000, 2000, 2000);
    c.imageFile = path;
    c.imageOffset = 37;
    const QImage image = paintOne(c);
    QCOMPARE(at(image, 150, 150), QColor(Qt::blue));
    QCOMPARE(at(image, 210, 150), QColor(Qt::white));
}

void TestPaintGenerator::printsPagesOnAPrinter()
{
    // The printer gets what the preview shows: a new sheet for every page.
    const QString file = m_tmp.filePath(QStringLiteral("printed.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setFullPage(true);
        PaintGenerator generator(printer);
        QCOMPARE(generator.openDocument(2), int(IReportGenerator::Done));
        QCOMPARE(generator.openPage(0, 0, 8500, 11000, QStringLiteral("page1")), int(IReportGenerator::Done));
        ReportControl box = control("BOX", 1000, 1000, 3000, 2000);
        box.borderWidth = 20;
        box.backgroundColor = Red;
        generator.box(box);
        QCOMPARE(generator.closePage(), int(IReportGenerator::Done));
        QCOMPARE(generator.openPage(0, 0, 8500, 11000, QStringLiteral("page2")), int(IReportGenerator::Done));
        ReportControl text = control("STRING", 1000, 1000, 8000, 1400);
        text.text = "Second page";
        generator.string(text);
        QCOMPARE(generator.closeDocument(), int(IReportGenerator::Done));
        QCOMPARE(generator.pagesOpened(), 2);
    }
    const PdfTools::Run info = PdfTools::info(file);
    QVERIFY2(info.out.contains("Pages:"), info.err.constData());
    QVERIFY(info.out.simplified().contains("Pages: 2"));
    const QImage first = PdfTools::render(file, 1, 100);
    QVERIFY(!first.isNull());
    QCOMPARE(first.size(), QSize(850, 1100));
    QVERIFY(colorNear(first, {200, 150}, Qt::red));
    QVERIFY(colorNear(first, {100, 150}, Qt::black));
    QVERIFY(qGray(first.pixel(90, 150)) > 200);
    QVERIFY(PdfTools::text(file).out.contains("Second page"));
}

QTEST_MAIN(TestPaintGenerator)
#include "tst_paintgenerator.moc"
