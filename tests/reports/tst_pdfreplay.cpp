// The PDF and the preview agree: one page holding every kind of control,
// written as a page file and replayed into the PDF writer (rendered by
// poppler) and into the painting generator (on an image), compared pixel by
// pixel at 100 dots per inch, and once at 300. Also: what the PDF group
// leaves out is still printed, and a page file that is no page file leaves
// no PDF behind.
#include "contextfixture.h"
#include "ireportgenerator.h"
#include "pagereader.h"
#include "pagewriter.h"
#include "paintgenerator.h"
#include "pdfgenerator.h"
#include "pdftools.h"
#include "reportlayout.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

using namespace tavimo;

using Change = std::function<void(FinishedPage &)>;
Q_DECLARE_METATYPE(Change)

namespace {

constexpr int Dpi = 100; // ten thousandths of an inch a pixel

// A control of the page with the area (thousandths of an inch) its drawing falls in.
struct Part
{
    QString name;
    QRect area;
};

// An area in thousandths of an inch on a picture of the page, with a
// margin for anti-aliased edges.
QRect onPicture(const QRect &area, int dpi)
{
    const int margin = dpi / 25;
    return QRect(QPoint(area.left() * dpi / 1000, area.top() * dpi / 1000),
                 QPoint(area.right() * dpi / 1000, area.bottom() * dpi / 1000))
        .adjusted(-margin, -margin, margin, margin);
}

ControlStyle solid(int background, int border, int width)
{
    ControlStyle s;
    s.font.face = QStringLiteral("Liberation Sans");
    s.font.size = 12;
    s.backgroundColor = background;
    s.borderColor = border;
    s.borderWidth = width;
    s.borderStyle = BorderStyle::Solid;
    return s;
}

ControlStyle plainText()
{
    ControlStyle s = solid(ReportColor::None, ReportColor::None, 0);
    s.borderStyle = BorderStyle::None;
    return s;
}

PlacedControl placed(ControlKind kind, int left, int top, int right, int bottom, const ControlStyle &style)
{
    PlacedControl c;
    c.kind = kind;
    c.left = left;
    c.top = top;
    c.right = right;
    c.bottom = bottom;
    c.x = left;
    c.y = top;
    c.style = style;
    return c;
}

// A baseline mostly falls between two rows of pixels, and Qt puts the
// glyphs on the nearer row where poppler puts them on the row above. The
// page's texts start where their baselines fall in the upper half of a
// row at 100 and at 300 dots per inch, so that the two agree: 12 point
// texts at positions ending in 4 thousandths, 10 point ones in 2.
PlacedControl labelled(PlacedControl c, int x, int y, const QString &text)
{
    c.x = x;
    c.y = y;
    c.text = text;
    return c;
}

PlacedControl string(const QString &text, int top, const ControlStyle &style, int right = 3000)
{
    return labelled(placed(ControlKind::String, 500, top, right, top + 250, style), 500, top + 24, text);
}

QRect area(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Every control kind that draws, apart enough that a part's area holds
// only its own control (or its label).
FinishedPage everyKind(const QString &picture, QList<Part> *parts)
{
    FinishedPage page;
    page.name = QStringLiteral("Every kind");
    auto addPart = [&](const char *name, const QRect &where) {
        if (parts)
            parts->append(Part{QString::fromLatin1(name), where});
    };
    auto add = [&](const PlacedControl &c, const char *name) {
        page.controls.push_back(c);
        addPart(name, area(c.left, c.top, c.right, c.bottom));
    };
    using K = ControlKind;
    const int black = ReportColor::Black;
    add(placed(K::Box, 500, 500, 2500, 1500, solid(ReportColor::rgb(255, 160, 0), ReportColor::rgb(0, 0, 128), 20)),
        "box");
    add(placed(K::Ellipse, 3000, 500, 5000, 1500, solid(ReportColor::rgb(0, 160, 0), black, 10)), "ellipse");
    add(placed(K::Line, 5500, 500, 8000, 1500, solid(ReportColor::None, ReportColor::rgb(220, 0, 0), 30)), "line");

    const ControlStyle frame = solid(ReportColor::None, black, 10);
    PlacedControl checked = labelled(placed(K::CheckBox, 500, 2000, 700, 2200, frame), 800, 2014, "Diabetic");
    checked.checked = true;
    add(checked, "checked box");
    addPart("checked box label", area(800, 2000, 1800, 2250));
    add(labelled(placed(K::CheckBox, 500, 2500, 700, 2700, frame), 800, 2514, "Smoker"), "unchecked box");
    addPart("unchecked box label", area(800, 2500, 1800, 2750));
    PlacedControl radio = labelled(placed(K::RadioButton, 3000, 2000, 3200, 2200, frame), 3300, 2014, "Female");
    radio.checked = true;
    add(radio, "radio button");
    addPart("radio button label", area(3300, 2000, 4300, 2250));

    PlacedControl image = placed(K::Image, 6000, 2000, 7000, 2750, plainText());
    image.imageFile = picture;
    add(image, "image");

    // The caption's own background keeps the frame's line from running through it.
    PlacedControl group = labelled(placed(K::GroupBox, 500, 3100, 4000, 4500, solid(ReportColor::White, black, 10)),
                                   700, 3014, "Allergies");
    page.controls.push_back(group);
    addPart("group box", area(500, 3000, 4000, 4500));
    PlacedControl polygon = placed(K::Polygon, 5000, 3100, 7500, 4500, solid(ReportColor::rgb(200, 0, 200), black, 10));
    polygon.points = {QPoint(5000, 3100), QPoint(7500, 3100), QPoint(6250, 4500)};
    add(polygon, "polygon");

    ControlStyle filled = plainText();
    filled.backgroundColor = ReportColor::rgb(180, 230, 255);
    add(string(QStringLiteral("Blood pressure"), 5000, filled), "string with background");
    ControlStyle bold = plainText();
    bold.font.weight = 700;
    add(string(QStringLiteral("Bold figures"), 5400, bold), "bold string");
    ControlStyle italic = plainText();
    italic.font.italic = true;
    add(string(QStringLiteral("Italic remark"), 5800, italic), "italic string");
    ControlStyle underline = plainText();
    underline.font.underline = true;
    underline.fontColor = ReportColor::rgb(0, 0, 200);
    add(string(QStringLiteral("Underlined"), 6200, underline), "underlined string");
    ControlStyle strike = plainText();
    strike.font.strikeOut = true;
    strike.fontColor = ReportColor::rgb(200, 0, 0);
    add(string(QStringLiteral("Struck out"), 6600, strike), "struck-out string");
    PlacedControl clipped = string(QStringLiteral("A string much longer than its box"), 7000, plainText(), 1800);
    page.controls.push_back(clipped);
    addPart("clipped string", area(500, 7000, 3000, 7250));
    // Pairs a font would kern; the PDF places every glyph by its own width.
    add(string(QStringLiteral("AVA Ta To Yo"), 7400, plainText()), "kerned string");
    // A box too short for the underline: it clips the text, not the line.
    PlacedControl shortBox = string(QStringLiteral("Underlined, short box"), 7800, underline);
    shortBox.bottom = shortBox.y + 160;
    page.controls.push_back(shortBox);
    addPart("underlined string in a short box", area(500, 7800, 3000, 8050));

    ControlStyle blockStyle = plainText();
    blockStyle.font.size = 10;
    blockStyle.backgroundColor = ReportColor::rgb(235, 235, 235);
    PlacedControl block = placed(K::TextBlock, 4500, 5000, 8000, 6200, blockStyle);
    const QStringList lines{QStringLiteral("Take one tablet with food"), QStringLiteral("in the morning and at night,"),
                            QStringLiteral("never on an empty stomach."), QStringLiteral("Ask before driving.")};
    for (int i = 0; i < lines.size(); ++i)
        block.lines.push_back(PlacedLine{4500, 5000 + 300 * i, 8000, 5300 + 300 * i, 4550, 5032 + 300 * i, lines[i]});
    add(block, "text block");
    return page;
}

// A picture of four coloured quarters, a pixel of it a pixel of the page:
// 1000 x 750 thousandths are 72 x 54 points, whole points as the PDF places them.
QString writePicture(const QString &folder)
{
    QImage picture(100, 75, QImage::Format_RGB32);
    const QColor quarters[] = {QColor(230, 30, 30), QColor(30, 160, 30), QColor(30, 30, 220), QColor(240, 200, 0)};
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, quarters[(y < 37 ? 0 : 2) + (x < 50 ? 0 : 1)]);
    const QString file = folder + QStringLiteral("/quarters.png");
    return picture.save(file) ? file : QString();
}

PlacedControl *named(FinishedPage &page, ControlKind kind, int which = 0)
{
    for (PlacedControl &c : page.controls)
        if (c.kind == kind && which-- == 0)
            return &c;
    return nullptr;
}

void move(PlacedControl &c, int dx, int dy)
{
    c.left += dx;
    c.right += dx;
    c.x += dx;
    c.top += dy;
    c.bottom += dy;
    c.y += dy;
    for (PlacedLine &l : c.lines) {
        l.left += dx;
        l.right += dx;
        l.x += dx;
        l.top += dy;
        l.bottom += dy;
        l.y += dy;
    }
    for (QPoint &p : c.points)
        p += QPoint(dx, dy);
}

// How the two pictures are held against each other.
//
// Poppler and Qt rasterise alike but not identically: poppler snaps thin
// lines to whole pixels where Qt spreads them over two, edges and
// letters are anti-aliased a little differently. So single pixels along
// every edge may differ while the page is the same, and the
// pictures are held against each other part by part (a part: the area one
// control, or its label, draws in):
//  - offset: the shift (to a tenth of a pixel) that best lays the one
//    part over the other; a control moved by 2 pixels shows as 2;
//  - ink: the summed darkness; a control missing, or a mark missing in
//    it, loses a large share of it;
//  - colour: the mean ink colour, scaled so that its strongest channel
//    is 1, which leaves the lightness of anti-aliased edges out and the
//    hue in;
//  - strays: pixels strongly different (some channel by more than
//    kChannel) from every pixel within one pixel of them in the other
//    picture, as a share of the part's inked pixels.
// Outside the parts nothing is drawn: at most kStray pixels may differ
// there. The same page measures at worst (at 100 or 300 dots per inch)
// an offset of 0.46 (the image, which poppler widens by a pixel), 20 % of
// ink (thin frames, which poppler draws a whole pixel wide), colours 0.02
// apart and 1 % of strays; each fault row below measures an offset of 2,
// 45 % of ink, colours 0.73 apart or 7 % of strays or more in its part.
constexpr double kOffset = 0.7;   // pixels, either way
constexpr double kInk = 0.25;     // share of the larger
constexpr double kColour = 0.15;  // in the scaled channels
constexpr int kChannel = 128;
constexpr double kStrays = 0.05;
constexpr int kStray = 20;

// Darkness of a pixel against white paper, 0 to 1.
double ink(QRgb p)
{
    return (765 - qRed(p) - qGreen(p) - qBlue(p)) / 765.0;
}

bool matchesNear(const QImage &image, int x, int y, QRgb p)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= image.width() || ny >= image.height())
                continue;
            const QRgb q = image.pixel(nx, ny);
            if (std::abs(qRed(p) - qRed(q)) <= kChannel && std::abs(qGreen(p) - qGreen(q)) <= kChannel
                && std::abs(qBlue(p) - qBlue(q)) <= kChannel)
                return true;
        }
    return false;
}

bool differs(const QImage &a, const QImage &b, int x, int y)
{
    return !matchesNear(b, x, y, a.pixel(x, y)) || !matchesNear(a, x, y, b.pixel(x, y));
}

struct Ink
{
    double amount = 0;
    double colour[3] = {0, 0, 0}; // absorbed red, green, blue, the strongest 1
};

Ink inkOf(const QImage &image, const QRect &area)
{
    Ink i;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            i.amount += ink(p);
            i.colour[0] += 255 - qRed(p);
            i.colour[1] += 255 - qGreen(p);
            i.colour[2] += 255 - qBlue(p);
        }
    const double strongest = std::max({i.colour[0], i.colour[1], i.colour[2]});
    for (double &c : i.colour)
        c = strongest > 0 ? c / strongest : 0;
    return i;
}

// Where the painted part lies against the PDF's: the shift of the one
// that differs least from the other, refined between whole pixels.
QPointF offsetOf(const QImage &pdf, const QImage &painted, const QRect &area)
{
    constexpr int reach = 3;
    const QRect r = area.intersected(pdf.rect());
    auto darkness = [](const QImage &image, int x, int y) {
        return image.rect().contains(x, y) ? ink(image.pixel(x, y)) : 0.0;
    };
    double cost[2 * reach + 1][2 * reach + 1];
    int bestX = 0, bestY = 0;
    double least = std::numeric_limits<double>::max();
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            double c = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    c += std::abs(darkness(pdf, x, y) - darkness(painted, x + dx, y + dy));
            cost[dy + reach][dx + reach] = c;
            // Ties go to the smaller shift.
            if (c < least || (c == least && std::abs(dx) + std::abs(dy) < std::abs(bestX) + std::abs(bestY))) {
                least = c;
                bestX = dx;
                bestY = dy;
            }
        }
    auto refine = [](double before, double at, double after) {
        const double curve = before - 2 * at + after;
        return curve > 0 ? (before - after) / (2 * curve) : 0.0;
    };
    double x = bestX, y = bestY;
    if (std::abs(bestX) < reach)
        x += refine(cost[bestY + reach][bestX + reach - 1], cost[bestY + reach][bestX + reach],
                    cost[bestY + reach][bestX + reach + 1]);
    if (std::abs(bestY) < reach)
        y += refine(cost[bestY + reach - 1][bestX + reach], cost[bestY + reach][bestX + reach],
                    cost[bestY + reach + 1][bestX + reach]);
    return QPointF(x, y);
}

// What does not agree, part by part; empty when the pictures agree.
QStringList compare(const QImage &pdf, const QImage &painted, const QList<Part> &parts, int dpi,
                    QStringList *figures = nullptr)
{
    if (pdf.size() != painted.size())
        return {QStringLiteral("pictures of two sizes")};
    QStringList problems;
    QImage inParts(pdf.size(), QImage::Format_Mono);
    inParts.fill(0);
    for (const Part &part : parts) {
        const QRect r = onPicture(part.area, dpi).intersected(pdf.rect());
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                inParts.setPixel(x, y, 1);
        const Ink a = inkOf(pdf, r), b = inkOf(painted, r);
        int inked = 0, strays = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                if (ink(pdf.pixel(x, y)) > 0.1 || ink(painted.pixel(x, y)) > 0.1)
                    ++inked;
                if (differs(pdf, painted, x, y))
                    ++strays;
            }
        const QPointF offset = offsetOf(pdf, painted, r);
        const double inkShare = std::abs(a.amount - b.amount) / std::max({a.amount, b.amount, 1.0});
        const double colour = std::max({std::abs(a.colour[0] - b.colour[0]), std::abs(a.colour[1] - b.colour[1]),
                                        std::abs(a.colour[2] - b.colour[2])});
        const double strayShare = inked ? double(strays) / inked : 0;
        const QString figure = QStringLiteral("%1: offset %2, %3; ink %4 and %5 (%6); colours %7 apart; "
                                              "%8 of %9 inked pixels stray (%10)")
                                   .arg(part.name)
                                   .arg(offset.x(), 0, 'f', 2)
                                   .arg(offset.y(), 0, 'f', 2)
                                   .arg(a.amount, 0, 'f', 0)
                                   .arg(b.amount, 0, 'f', 0)
                                   .arg(inkShare, 0, 'f', 3)
                                   .arg(colour, 0, 'f', 3)
                                   .arg(strays)
                                   .arg(inked)
                                   .arg(strayShare, 0, 'f', 3);
        if (figures)
            *figures << figure;
        if (std::abs(offset.x()) > kOffset || std::abs(offset.y()) > kOffset || inkShare > kInk || colour > kColour
            || strayShare > kStrays)
            problems << figure;
    }
    int stray = 0;
    for (int y = 0; y < pdf.height(); ++y)
        for (int x = 0; x < pdf.width(); ++x)
            if (!inParts.pixelIndex(x, y) && differs(pdf, painted, x, y))
                ++stray;
    const QString outside = QStringLiteral("outside the parts: %1 pixels stray").arg(stray);
    if (figures)
        *figures << outside;
    if (stray > kStray)
        problems << outside;
    return problems;
}

bool writePage(const FinishedPage &page, const QString &file)
{
    QString error;
    const bool written = PageWriter::write(page, file, &error);
    if (!written)
        qWarning("%s", qPrintable(error));
    return written;
}

// The page file replayed into the PDF writer and rendered by poppler.
QImage throughPdf(const QString &pageFile, const QString &pdfFile, int dpi = Dpi)
{
    testing::ContextFixture f;
    WmfParser parser(*f.context);
    PdfGenerator pdf;
    pdf.setReproducible(true);
    pdf.setOutputFileName(pdfFile);
    parser.setPages({pageFile});
    parser.setGenerator(&pdf);
    if (parser.exportPages() != 0 || f.presenter.count() != 0)
        return {};
    return PdfTools::render(pdfFile, 1, dpi).convertToFormat(QImage::Format_RGB32);
}

// The page file replayed into the painting generator, as the preview paints its pages.
QImage throughPainter(const QString &pageFile, int dpi = Dpi)
{
    QImage image(85 * dpi / 10, 11 * dpi, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    PaintGenerator generator(painter, dpi);
    testing::ContextFixture f;
    WmfParser parser(*f.context);
    if (parser.replay(pageFile, generator) != 0 || f.presenter.count() != 0)
        return {};
    return image;
}

} // namespace

class TestPdfReplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pdfAndPreviewAgree_data();
    void pdfAndPreviewAgree();
    void skippedInThePdfIsPrinted();
    void aPageThatIsNoPageLeavesNoPdf_data();
    void aPageThatIsNoPageLeavesNoPdf();

private:
    QTemporaryDir m_dir;
    QString m_picture;
};

void TestPdfReplay::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_picture = writePicture(m_dir.path());
    QVERIFY(!m_picture.isEmpty());
}

void TestPdfReplay::pdfAndPreviewAgree_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<Change>("pdfChange");   // made to the page the PDF is written from
    QTest::addColumn<Change>("paintChange"); // made to the page the preview paints
    QTest::addColumn<QString>("faulty");     // the part that must disagree; empty: none

    const Change none = [](FinishedPage &) {};
    QTest::newRow("the same page") << Dpi << none << none << QString();
    // Closer, what differs by less than a pixel at 100 shows: text a few
    // per cent wider, a circle half a point smaller.
    QTest::newRow("the same page at 300 dpi") << 300 << none << none << QString();

    // Faults put into one of the two pictures only: each must be seen.
    auto fault = [&none](const char *name, const char *part, const Change &pdf, const Change &paint) {
        QTest::newRow(name) << Dpi << (pdf ? pdf : none) << (paint ? paint : none) << QString::fromLatin1(part);
    };
    fault("box 2 pixels right in the PDF", "box", [](FinishedPage &p) { move(*named(p, ControlKind::Box), 20, 0); },
          {});
    fault("line 2 pixels down in the preview", "line", {},
          [](FinishedPage &p) { move(*named(p, ControlKind::Line), 0, 20); });
    fault("underlined string 2 pixels left in the PDF", "underlined string",
          [](FinishedPage &p) { move(*named(p, ControlKind::String, 3), -20, 0); }, {});
    fault("text block 2 pixels up in the preview", "text block", {},
          [](FinishedPage &p) { move(*named(p, ControlKind::TextBlock), 0, -20); });
    fault("radio button 2 pixels right in the preview", "radio button", {},
          [](FinishedPage &p) {
              PlacedControl &radio = *named(p, ControlKind::RadioButton);
              const int x = radio.x; // the label stays
              move(radio, 20, 0);
              radio.x = x;
          });
    fault("ellipse missing from the PDF", "ellipse",
          [](FinishedPage &p) { p.controls.erase(p.controls.begin() + 1); }, {});
    fault("check mark missing from the preview", "checked box", {},
          [](FinishedPage &p) { named(p, ControlKind::CheckBox)->checked = false; });
    fault("image missing from the preview", "image", {},
          [](FinishedPage &p) { named(p, ControlKind::Image)->imageFile.clear(); });
    fault("line in blue in the PDF", "line",
          [](FinishedPage &p) { named(p, ControlKind::Line)->style.borderColor = ReportColor::rgb(0, 0, 220); }, {});
    fault("polygon in another colour in the preview", "polygon", {}, [](FinishedPage &p) {
        named(p, ControlKind::Polygon)->style.backgroundColor = ReportColor::rgb(0, 120, 200);
    });
    fault("struck-out string in black in the PDF", "struck-out string",
          [](FinishedPage &p) { named(p, ControlKind::String, 4)->style.fontColor = ReportColor::Black; }, {});
}

void TestPdfReplay::pdfAndPreviewAgree()
{
    QFETCH(int, dpi);
    QFETCH(Change, pdfChange);
    QFETCH(Change, paintChange);
    QFETCH(QString, faulty);

    QList<Part> parts;
    FinishedPage forPdf = everyKind(m_picture, &parts);
    FinishedPage forPaint = forPdf;
    pdfChange(forPdf);
    paintChange(forPaint);
    const QString pdfPage = m_dir.filePath(QStringLiteral("pdf.wmf"));
    const QString paintPage = m_dir.filePath(QStringLiteral("paint.wmf"));
    QVERIFY(writePage(forPdf, pdfPage));
    QVERIFY(writePage(forPaint, paintPage));

    const QString pdfFile = m_dir.filePath(QStringLiteral("page.pdf"));
    const QImage fromPdf = throughPdf(pdfPage, pdfFile, dpi);
    QVERIFY(!fromPdf.isNull());
    QCOMPARE(PdfTools::validate(pdfFile), QString());
    const QImage painted = throughPainter(paintPage, dpi);
    QVERIFY(!painted.isNull());

    QStringList figures;
    const QStringList problems = compare(fromPdf, painted, parts, dpi, &figures);
    if (qEnvironmentVariableIsSet("TAVIMO_REPLAY_FIGURES")) {
        // A folder to keep the pictures in, for a look at them.
        qInfo("%s", qPrintable(figures.join(QLatin1Char('\n'))));
        const QString dir = qEnvironmentVariable("TAVIMO_REPLAY_FIGURES");
        fromPdf.save(dir + QStringLiteral("/pdf-%1.png").arg(QString::fromLatin1(QTest::currentDataTag())));
        painted.save(dir + QStringLiteral("/paint-%1.png").arg(QString::fromLatin1(QTest::currentDataTag())));
    }
    if (faulty.isEmpty()) {
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    } else {
        QVERIFY2(!problems.isEmpty(), qPrintable(figures.join(QLatin1Char('\n'))));
        // The fault is where it was put, and nowhere else.
        for (const QString &p : problems)
            QVERIFY2(p.startsWith(faulty + QLatin1Char(':')), qPrintable(p));
    }
}

void TestPdfReplay::skippedInThePdfIsPrinted()
{
    FinishedPage page;
    page.name = QStringLiteral("Skip");
    page.controls.push_back(string(QStringLiteral("Printed everywhere"), 1000, plainText()));
    PlacedControl onlyPrinted = string(QStringLiteral("Printed only"), 2000, plainText());
    onlyPrinted.attributes = QStringLiteral("PDF(SKIP=1)");
    page.controls.push_back(onlyPrinted);
    PlacedControl box =
        placed(ControlKind::Box, 500, 3000, 2500, 4000, solid(ReportColor::rgb(255, 0, 0), ReportColor::Black, 10));
    box.attributes = QStringLiteral("PDF(SKIP=1)");
    page.controls.push_back(box);
    const QString pageFile = m_dir.filePath(QStringLiteral("skip.wmf"));
    QVERIFY(writePage(page, pageFile));

    const QString pdfFile = m_dir.filePath(QStringLiteral("skip.pdf"));
    const QImage fromPdf = throughPdf(pageFile, pdfFile);
    QVERIFY(!fromPdf.isNull());
    QCOMPARE(PdfTools::validate(pdfFile), QString());
    const QString pdfText = QString::fromUtf8(PdfTools::text(pdfFile).out);
    QVERIFY2(pdfText.contains(QStringLiteral("Printed everywhere")), qPrintable(pdfText));
    QVERIFY2(!pdfText.contains(QStringLiteral("Printed only")), qPrintable(pdfText));
    QCOMPARE(inkOf(fromPdf, onPicture(area(500, 3000, 2500, 4000), Dpi)).amount, 0.0);

    // Print: the painting generator on a printer that writes a PDF file.
    const QString printed = m_dir.filePath(QStringLiteral("printed.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setFullPage(true);
        PaintGenerator generator(printer);
        testing::ContextFixture f;
        WmfParser parser(*f.context);
        parser.setPages({pageFile});
        parser.setGenerator(&generator);
        QCOMPARE(parser.exportPages(), 0);
        QCOMPARE(f.presenter.count(), 0);
    }
    const QString printedText = QString::fromUtf8(PdfTools::text(printed).out);
    QVERIFY2(printedText.contains(QStringLiteral("Printed everywhere")), qPrintable(printedText));
    QVERIFY2(printedText.contains(QStringLiteral("Printed only")), qPrintable(printedText));
    const QImage print = PdfTools::render(printed, 1, Dpi);
    QVERIFY(!print.isNull());
    QCOMPARE(QColor(print.pixel(150, 350)), QColor(Qt::red));
}

void TestPdfReplay::aPageThatIsNoPageLeavesNoPdf_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("broken"); // from 0
    QTest::addColumn<bool>("earlierFile");

    QTest::newRow("the only page") << 1 << 0 << false;
    QTest::newRow("the second page") << 2 << 1 << false;
    QTest::newRow("the only page, over an earlier file") << 1 << 0 << true;
    QTest::newRow("the second page, over an earlier file") << 2 << 1 << true;
}

void TestPdfReplay::aPageThatIsNoPageLeavesNoPdf()
{
    QFETCH(int, pages);
    QFETCH(int, broken);
    QFETCH(bool, earlierFile);

    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < pages; ++i) {
        FinishedPage page;
        page.controls.push_back(string(QStringLiteral("Page %1").arg(i + 1), 1000, plainText()));
        files << dir.filePath(QStringLiteral("page%1.wmf").arg(i + 1));
        QVERIFY(writePage(page, files.back()));
    }
    {
        QFile file(files[broken]);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write("WMF?", 4), qint64(4));
    }
    const QString pdfFile = dir.filePath(QStringLiteral("report.pdf"));
    const QByteArray earlier = "%PDF-1.3\r\n% the report of last week\r\n";
    if (earlierFile) {
        QFile file(pdfFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(earlier), qint64(earlier.size()));
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);

    testing::ContextFixture f;
    int fatal = 0;
    f.errors.setFatalHandler([&fatal] { ++fatal; });
    WmfParser parser(*f.context);
    {
        PdfGenerator pdf;
        pdf.setReproducible(true);
        pdf.setOutputFileName(pdfFile);
        parser.setPages(files);
        parser.setGenerator(&pdf);
        QCOMPARE(parser.exportPages(), int(ResultFatal));
        QVERIFY(!pdf.isDocumentOpen());
    }
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(fatal, 1);
    const CatalogueEntry *notWmf = f.errors.entry(WmfParser::NotWmf);
    QVERIFY(notWmf);
    QCOMPARE(f.presenter.last().caption, notWmf->title);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("WMF Parser Error"));
    const QString shown = f.presenter.last().text;
    QVERIFY2(shown.startsWith(QStringLiteral("The File %1 is not a valid WMF file.").arg(files[broken])),
             qPrintable(shown));

    QCOMPARE(QFile::exists(pdfFile), earlierFile);
    if (earlierFile)
        QCOMPARE(PdfTools::readFile(pdfFile), earlier);
    // No half-written file is left beside it either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), before);
}

QTEST_MAIN(TestPdfReplay)
#include "tst_pdfreplay.moc"
