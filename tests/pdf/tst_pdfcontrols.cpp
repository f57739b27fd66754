// Report controls handed to the PDF writer: what each kind draws, and what
// the "ALL" and "PDF" attribute groups make of it (skips, hidden links,
// notes, page actions, outline items, sizes, fonts), each file held
// against qpdf and poppler.
#include "controlsamples.h"
#include "pdffixture.h"
#include "pdftools.h"
#include "reportcontrol.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>

using namespace tavimo;

namespace {

// One control of a bookmark case: on which page (from 1), its text and attributes.
struct Placed
{
    int page = 1;
    QByteArray text;
    QByteArray attributes;
};

} // namespace

Q_DECLARE_METATYPE(tavimo::ReportControl)
Q_DECLARE_METATYPE(QList<Placed>)

namespace {

constexpr int Red = 0x0000FF; // Windows colour values: red in the low byte
constexpr int Green = 0x00FF00;
constexpr int Blue = 0xFF0000;
constexpr double PageHeight = 792; // Letter, in points

using tavimo::testing::control;
using tavimo::testing::drawKind;

ReportControl text(const QByteArray &text, int left = 1000, int top = 1000, int right = 4000, int bottom = 1300)
{
    ReportControl c = control("STRING", left, top, right, bottom);
    c.text = text;
    return c;
}

ReportControl textBlock(std::initializer_list<const char *> lines)
{
    ReportControl c = control("TEXT", 1000, 1000, 4000, 1000 + 300 * int(lines.size()));
    int y = 1000;
    for (const char *line : lines) {
        c.lines.push_back(ReportControl::Line{y, 1000, y + 300, 4000, 1000, y, QByteArray(line)});
        y += 300;
    }
    return c;
}

WrittenPdf draw(const QString &path, const QList<ReportControl> &controls, const PdfFixture::Step &setUp = {})
{
    return PdfFixture::page(
        path,
        [&controls](PdfGenerator &g) {
            for (const ReportControl &c : controls)
                QCOMPARE(drawKind(g, c), int(IReportGenerator::Done));
        },
        setUp);
}

QByteArray content(const WrittenPdf &pdf)
{
    return PdfTools::pageContent(pdf.bytes, 0);
}

QList<QByteArray> annotationsOf(const WrittenPdf &pdf)
{
    QList<QByteArray> out;
    const QByteArray page = PdfTools::object(pdf.bytes, PdfTools::pages(pdf.bytes).value(0));
    for (int n : PdfTools::references(page, "/Annots"))
        out << PdfTools::object(pdf.bytes, n);
    return out;
}

QList<double> numbersAfter(const QByteArray &text, const char *key, int count)
{
    QList<double> out;
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return out;
    const QList<QByteArray> words = text.mid(at + qstrlen(key)).simplified().split(' ');
    for (int i = 0; i < count && i < words.size(); ++i)
        out << words[i].toDouble();
    return out;
}

bool near(const QList<double> &a, const QList<double> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > 0.002)
            return false;
    return true;
}

QString show(const QList<double> &values)
{
    QStringList s;
    for (double v : values)
        s << QString::number(v);
    return s.join(QLatin1Char(' '));
}

QString pageText(const WrittenPdf &pdf)
{
    return QString::fromUtf8(PdfTools::text(pdf.path).out).trimmed();
}

bool isInk(QRgb pixel)
{
    return qGray(pixel) < 160;
}

int inkIn(const QImage &image, const QRect &area)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += isInk(image.pixel(x, y)) ? 1 : 0;
    return n;
}

int marks(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qGray(image.pixel(x, y)) < 250 ? 1 : 0;
    return n;
}

int reference(const QByteArray &object, const char *key)
{
    const QRegularExpression re(QString::fromLatin1(key) + QStringLiteral(" (\\d+) 0 R"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(object));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

int countIn(const QByteArray &object)
{
    static const QRegularExpression count(QStringLiteral("/Count (-?\\d+)"));
    const QRegularExpressionMatch m = count.match(QString::fromLatin1(object));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString titleOf(const QByteArray &object)
{
    const qsizetype at = object.indexOf("/Title (");
    return at < 0 ? QString() : QString::fromLatin1(object.mid(at + 8, object.indexOf(")\r\n", at) - at - 8));
}

// The outline as the objects chain it, "A[B,C],D", read from the root by
// /First and /Next; every link that does not agree with the tree (a child's
// /Parent, a parent's /Last, an item's or the root's /Count) is a problem.
QString outline(const QByteArray &pdf, QStringList &problems)
{
    std::function<QString(int, int, int, int &)> children = [&](int parent, int first, int last, int &all) {
        QStringList items;
        int previous = -1;
        all = 0;
        for (int at = first, guard = 0; at > 0 && guard < 1000; ++guard) {
            const QByteArray item = PdfTools::object(pdf, at);
            const QString title = titleOf(item);
            if (reference(item, "/Parent") != parent)
                problems << title + QStringLiteral(": /Parent is not ") + QString::number(parent);
            int below = 0;
            QString entry = title;
            const int firstChild = reference(item, "/First");
            if (firstChild > 0) {
                entry += QLatin1Char('[') + children(at, firstChild, reference(item, "/Last"), below)
                    + QLatin1Char(']');
                if (countIn(item) != below)
                    problems << title + QStringLiteral(": /Count %1 for %2 below").arg(countIn(item)).arg(below);
            } else if (reference(item, "/Last") > 0) {
                problems << title + QStringLiteral(": /Last without /First");
            }
            items << entry;
            all += 1 + below;
            previous = at;
            at = reference(item, "/Next");
        }
        if (previous != last)
            problems << QStringLiteral("the last item under %1 is %2, /Last says %3")
                            .arg(parent)
                            .arg(previous)
                            .arg(last);
        return items.join(QLatin1Char(','));
    };
    const QByteArray root = PdfTools::object(pdf, 5);
    if (!root.contains("/Type /Outlines"))
        problems << QStringLiteral("object 5 is not the outline root");
    int all = 0;
    const QString tree = children(5, reference(root, "/First"), reference(root, "/Last"), all);
    if (countIn(root) != all)
        problems << QStringLiteral("the root's /Count %1 for %2 items").arg(countIn(root)).arg(all);
    return tree;
}

// The first "x y m" / "x y l" pair of a stream after `from`, as four numbers.
QList<double> lineAfter(const QByteArray &stream, qsizetype from)
{
    static const QRegularExpression re(QStringLiteral("([-\\d.]+) ([-\\d.]+) m\\r\\n([-\\d.]+) ([-\\d.]+) l\\r\\n"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(stream), from);
    if (!m.hasMatch())
        return {};
    return {m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(), m.captured(4).toDouble()};
}

} // namespace

class TestPdfControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyKind_data();
    void everyKind();
    void checkAndRadioMarks_data();
    void checkAndRadioMarks();
    void labelAngles_data();
    void labelAngles();
    void hiddenStringIsItsOwnLink();
    void annotations_data();
    void annotations();
    void linkBoxColourIsTheControlsOwn();
    void sizeFromAttributes_data();
    void sizeFromAttributes();
    void bookmarks_data();
    void bookmarks();
    void bookmarkAtTheControlsTopLeft();
    void fontName_data();
    void fontName();
    void underlineAndStrikeOut_data();
    void underlineAndStrikeOut();
    void malformedAttributesAreToldOncePerDocument();

private:
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
    QString m_picture;
};

void TestPdfControls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_picture = path("red.png");
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(m_picture));
}

void TestPdfControls::everyKind_data()
{
    QTest::addColumn<ReportControl>("control");
    QTest::addColumn<bool>("drawn");
    QTest::addColumn<int>("linked"); // annotations and outline items; -1: not asked

    QList<ReportControl> kinds;
    ReportControl box = control("BOX", 1000, 1000, 3000, 2000);
    box.backgroundColor = Green;
    kinds << box;
    ReportControl ellipse = control("ELLIPSE", 1000, 1000, 3000, 2000);
    ellipse.backgroundColor = Blue;
    kinds << ellipse << control("LINE", 1000, 1000, 3000, 2000);
    ReportControl check = control("CHECK", 1000, 1000, 1200, 1200);
    check.text = "Smoker";
    check.x = 1300;
    check.checked = true;
    kinds << check;
    check.checked = false;
    kinds << check;
    ReportControl radio = control("RADIO", 1000, 1000, 1200, 1200);
    radio.text = "Female";
    radio.x = 1300;
    radio.checked = true;
    kinds << radio;
    ReportControl group = control("GROUP", 1000, 1000, 4000, 3000);
    group.text = "Allergies";
    group.x = 1200;
    group.y = 930;
    kinds << group;
    ReportControl polygon = control("POLYGON", 1000, 1000, 3000, 3000);
    polygon.points = {{1000, 1000}, {3000, 1000}, {2000, 3000}};
    polygon.backgroundColor = Red;
    kinds << polygon;
    ReportControl image = control("IMAGE", 1000, 1000, 2000, 2000);
    image.imageFile = m_picture;
    kinds << image << text("Blood pressure") << textBlock({"Take with food", "", "Twice a day"});
    for (const char *kind : {"ARC", "CHORD", "PIE"}) {
        ReportControl nothing = control(kind, 1000, 1000, 3000, 3000);
        nothing.backgroundColor = Red;
        nothing.text = "Text";
        kinds << nothing;
    }

    const QByteArray link = "PDFActionType=1|Hyperlink=https://example.org/|Bookmark=Mark";
    const struct
    {
        const char *name;
        QByteArray attributes;
        bool drawn;
        bool linked;
    } variants[] = {
        {"plain", QByteArray(), true, false},
        {"linked", "PDF(" + link + ")", true, true},
        {"PDF SKIP", "PDF(SKIP=1|" + link + ")", false, false},
        {"ALL SKIP", "ALL(SKIP=1)PDF(" + link + ")", false, false},
        {"ALL SKIP after PDF", "PDF(" + link + ")ALL(SKIP=yes)", false, false},
        {"HIDE", "PDF(HIDE=1|" + link + ")", false, true},
    };
    int index = 0;
    for (const ReportControl &c : kinds) {
        const bool drawing = c.kind != "ARC" && c.kind != "CHORD" && c.kind != "PIE";
        for (const auto &v : variants) {
            ReportControl row = c;
            row.attributes = v.attributes;
            QTest::addRow("%d %s %s", index, c.kind.constData(), v.name)
                << row << (drawing && v.drawn) << (drawing ? int(v.linked) : -1);
        }
        ++index;
    }
}

void TestPdfControls::everyKind()
{
    QFETCH(ReportControl, control);
    QFETCH(bool, drawn);
    QFETCH(int, linked);
    const WrittenPdf pdf = draw(path("kind.pdf"), {control});
    QCOMPARE(pdf.closeResult, int(IReportGenerator::Done));
    QCOMPARE(pdf.messages, QStringList());
    QCOMPARE(PdfTools::validate(pdf.path), QString());

    const QByteArray page = PdfTools::object(pdf.bytes, PdfTools::pages(pdf.bytes).value(0));
    QCOMPARE(page.contains("/Contents ["), drawn);
    const QImage image = PdfTools::render(pdf.path, 1, 50);
    QVERIFY(!image.isNull());
    QCOMPARE(marks(image) > 0, drawn);
    if (linked >= 0) {
        QCOMPARE(annotationsOf(pdf).size(), linked);
        QCOMPARE(PdfTools::object(pdf.bytes, 5).contains("/Count 1\r\n"), bool(linked));
    }
}

void TestPdfControls::checkAndRadioMarks_data()
{
    QTest::addColumn<ReportControl>("control");
    QTest::addColumn<bool>("marked");

    for (const char *kind : {"CHECK", "RADIO"}) {
        for (bool on : {true, false}) {
            ReportControl c = control(kind, 1000, 1000, 2000, 2000);
            c.borderColor = Blue;
            c.backgroundColor = Green; // neither frame is ever filled
            c.checked = on;
            QTest::addRow("%s %s", kind, on ? "on" : "off") << c << on;
        }
    }
}

void TestPdfControls::checkAndRadioMarks()
{
    QFETCH(ReportControl, control);
    QFETCH(bool, marked);
    const WrittenPdf pdf = draw(path("mark.pdf"), {control});
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QImage image = PdfTools::render(pdf.path, 1, 100);
    // The frame's left and right sides.
    QVERIFY(inkIn(image, QRect(98, 145, 5, 10)) > 0);
    QVERIFY(inkIn(image, QRect(198, 145, 5, 10)) > 0);
    // The crossing of the diagonals or the dot, in the frame's colour; the
    // point (137, 137) lies on a diagonal and inside the dot alike.
    const QRect middle(146, 146, 8, 8);
    QCOMPARE(inkIn(image, middle) > 0, marked);
    QCOMPARE(inkIn(image, QRect(135, 135, 5, 5)) > 0, marked);
    if (marked) {
        QRgb darkest = qRgb(255, 255, 255);
        for (int y = middle.top(); y <= middle.bottom(); ++y)
            for (int x = middle.left(); x <= middle.right(); ++x)
                if (qGray(image.pixel(x, y)) < qGray(darkest))
                    darkest = image.pixel(x, y);
        QVERIFY2(qBlue(darkest) > qRed(darkest) + 100 && qBlue(darkest) > qGreen(darkest) + 100,
                 qPrintable(QColor(darkest).name()));
    }
    // Off the marks, inside the frame: white, never the background colour.
    QCOMPARE(QColor(image.pixel(115, 140)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(150, 112)), QColor(Qt::white));
}

void TestPdfControls::labelAngles_data()
{
    QTest::addColumn<ReportControl>("control");
    QTest::addColumn<QList<double>>("matrix");

    ReportControl check = control("CHECK", 1000, 1000, 1200, 1200);
    check.text = "Smoker";
    check.angle = 90;
    QTest::newRow("check box label turns") << check << QList<double>{0, 1, -1, 0};
    ReportControl radio = control("RADIO", 1000, 1000, 1200, 1200);
    radio.text = "Male";
    radio.angle = 90;
    QTest::newRow("radio button label never turns") << radio << QList<double>{1, 0, 0, 1};
    ReportControl string = text("Pulse", 1000, 1000, 4000, 4000);
    string.angle = 90;
    QTest::newRow("string turns") << string << QList<double>{0, 1, -1, 0};
    string.angle = 0;
    QTest::newRow("string level") << string << QList<double>{1, 0, 0, 1};
}

void TestPdfControls::labelAngles()
{
    QFETCH(ReportControl, control);
    QFETCH(QList<double>, matrix);
    const WrittenPdf pdf = draw(path("angle.pdf"), {control});
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QByteArray stream = content(pdf);
    static const QRegularExpression tm(
        QStringLiteral("([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) [-\\d.]+ [-\\d.]+ Tm"));
    const QRegularExpressionMatch m = tm.match(QString::fromLatin1(stream));
    QVERIFY2(m.hasMatch(), stream.constData());
    const QList<double> found{m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                              m.captured(4).toDouble()};
    QVERIFY2(near(found, matrix), qPrintable(show(found)));
    // After a turned label the next text is level again.
    QCOMPARE(stream.count(" Tm "), 1);
}

void TestPdfControls::hiddenStringIsItsOwnLink()
{
    ReportControl c = text("www.example.org/bp", 1000, 1000, 4000, 1300);
    c.backgroundColor = Green;
    c.fontStyle = 400 | ReportControl::Underline;
    c.attributes = "PDF(HIDE=1|PDFActionType=1|Hyperlink=Hyperlink)";
    const WrittenPdf pdf = draw(path("hidden.pdf"), {c});
    QCOMPARE(PdfTools::validate(pdf.path), QString());

    const QList<QByteArray> annots = annotationsOf(pdf);
    QCOMPARE(annots.size(), 1);
    QVERIFY(annots[0].contains("/Subtype /Link\r\n"));
    QVERIFY2(annots[0].contains("/S /URI /URI (www.example.org/bp)>>"), annots[0].constData());
    // Over the control's box: 72 to 288 points across, 720 down to 698.4.
    const QList<double> rect = numbersAfter(annots[0], "/Rect [", 4);
    QVERIFY2(near(rect, {72, 698.4, 288, 720}), qPrintable(show(rect)));

    // Nothing of it is drawn: no text, no background, no underline.
    QCOMPARE(pageText(pdf), QString());
    QVERIFY(!content(pdf).contains("TJ"));
    QVERIFY(!PdfTools::object(pdf.bytes, PdfTools::pages(pdf.bytes).value(0)).contains("/Contents"));
    QCOMPARE(marks(PdfTools::render(pdf.path, 1, 50)), 0);
}

void TestPdfControls::annotations_data()
{
    QTest::addColumn<ReportControl>("control");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArrayList>("present");
    QTest::addColumn<QByteArrayList>("absent");

    const ReportControl bp = text("Blood pressure");
    auto with = [](ReportControl c, const char *attributes) {
        c.attributes = attributes;
        return c;
    };

    QTest::newRow("web link")
        << with(bp, "PDF(PDFActionType=1|Hyperlink=https://example.org/a)") << 1
        << QByteArrayList{"/Subtype /Link", "/Border [ 0 0 0 ]", "/S /URI /URI (https://example.org/a)>>"}
        << QByteArrayList{};
    QTest::newRow("HyperType before the target")
        << with(bp, "PDF(PDFActionType=1|HyperType=https://|Hyperlink=example.org)") << 1
        << QByteArrayList{"/URI (https://example.org)>>"} << QByteArrayList{};
    QTest::newRow("HyperType before the control's text")
        << with(text("ann@example.org"), "PDF(HyperType=mailto:|PDFActionType=1|Hyperlink=Hyperlink)") << 1
        << QByteArrayList{"/URI (mailto:ann@example.org)>>"} << QByteArrayList{};
    QTest::newRow("web link without a target") << with(bp, "PDF(PDFActionType=1|HyperType=https://)") << 0
                                               << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("boxed web link")
        << with(bp, "PDF(PDFActionType=1|Hyperlink=x|HyperBoxColor=255)") << 1
        << QByteArrayList{"/Border [ 0 0 1 ]", "/C [ 1 0 0 ]"} << QByteArrayList{};
    QTest::newRow("boxed in blue")
        << with(bp, "PDF(HyperBoxColor=16711680|PDFActionType=1|Hyperlink=x)") << 1
        << QByteArrayList{"/Border [ 0 0 1 ]", "/C [ 0 0 1 ]"} << QByteArrayList{};
    QTest::newRow("launch")
        << with(bp, "PDF(PDFActionType=2|CommandLine=notes.txt|CommandLineParam=-r 2)") << 1
        << QByteArrayList{"/Subtype /Link", "/S /Launch", "/F (notes.txt)", "/P (-r 2)"} << QByteArrayList{};
    QTest::newRow("launch without parameters")
        << with(bp, "PDF(PDFActionType=2|CommandLine=notes.txt)") << 1 << QByteArrayList{"/S /Launch", "/F (notes.txt)"}
        << QByteArrayList{"/P ("};
    QTest::newRow("boxed launch")
        << with(bp, "PDF(PDFActionType=2|CommandLine=notes.txt|HyperBoxColor=65280)") << 1
        << QByteArrayList{"/Border [ 0 0 1 ]", "/C [ 0 1 0 ]"} << QByteArrayList{};
    QTest::newRow("launch without a file") << with(bp, "PDF(PDFActionType=2|CommandLineParam=-r)") << 0
                                           << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("note of the control's text")
        << with(bp, "PDF(PDFActionType=3|Annotation=Annotation)") << 1
        << QByteArrayList{"/Subtype /Text", "/Contents (Blood pressure)"} << QByteArrayList{"/Subtype /Link"};
    QTest::newRow("note of its own text")
        << with(bp, "PDF(PDFActionType=3|Annotation=Take with food)") << 1
        << QByteArrayList{"/Contents (Take with food)"} << QByteArrayList{"Blood"};
    QTest::newRow("note of a text block's lines")
        << with(textBlock({"Take with food", "", "Twice a day"}), "PDF(PDFActionType=3|Annotation=Annotation)") << 1
        << QByteArrayList{"/Subtype /Text", "/Contents (Take with food", "Twice a day)"} << QByteArrayList{};
    QTest::newRow("note of a check box's label")
        << with([] {
               ReportControl c = control("CHECK", 1000, 1000, 1200, 1200);
               c.text = "Diabetic";
               return c;
           }(),
                "PDF(PDFActionType=3|Annotation=Annotation)")
        << 1 << QByteArrayList{"/Contents (Diabetic)"} << QByteArrayList{};
    QTest::newRow("note without text") << with(bp, "PDF(PDFActionType=3)") << 0 << QByteArrayList{}
                                       << QByteArrayList{};

    const char *actions[][2] = {{"FIRST", "/FirstPage"}, {"PREV", "/PrevPage"}, {"NEXT", "/NextPage"},
                                {"LAST", "/LastPage"},   {"BACK", "/GoBack"},   {"FORWARD", "/GoForward"}};
    for (const auto &a : actions) {
        const QByteArray attributes = QByteArray("PDF(PDFActionType=4|PageAction=") + a[0] + ")";
        QTest::addRow("page action %s", a[0])
            << with(bp, attributes.constData()) << 1
            << QByteArrayList{"/Subtype /Link", QByteArray("/A <</Type /Action /S /Named /N ") + a[1] + ">>"}
            << QByteArrayList{};
    }
    QTest::newRow("page action, boxed")
        << with(bp, "PDF(PDFActionType=4|PageAction=NEXT|HyperBoxColor=0)") << 1
        << QByteArrayList{"/Border [ 0 0 1 ]", "/C [ 0 0 0 ]", "/N /NextPage"} << QByteArrayList{};
    QTest::newRow("page action, unknown word")
        << with(bp, "PDF(PDFActionType=4|PageAction=UP)") << 1 << QByteArrayList{"/S /Named>>"}
        << QByteArrayList{"/N "};
    QTest::newRow("a target without its type") << with(bp, "PDF(Hyperlink=x|Annotation=y|PageAction=NEXT)") << 0
                                               << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("a type no one knows") << with(bp, "PDF(PDFActionType=5|Hyperlink=x)") << 0 << QByteArrayList{}
                                         << QByteArrayList{};
    QTest::newRow("in the ALL group") << with(bp, "ALL(PDFActionType=1|Hyperlink=x)") << 0 << QByteArrayList{}
                                      << QByteArrayList{};
}

void TestPdfControls::annotations()
{
    QFETCH(ReportControl, control);
    QFETCH(int, count);
    QFETCH(QByteArrayList, present);
    QFETCH(QByteArrayList, absent);
    const WrittenPdf pdf = draw(path("annot.pdf"), {control});
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QList<QByteArray> annots = annotationsOf(pdf);
    QCOMPARE(annots.size(), count);
    for (const QByteArray &p : present)
        QVERIFY2(annots[0].contains(p), qPrintable(QString::fromLatin1(p + "\n in\n" + annots[0])));
    for (const QByteArray &a : absent)
        QVERIFY2(!annots[0].contains(a), qPrintable(QString::fromLatin1(a + "\n in\n" + annots[0])));
    // The control is drawn as well.
    QVERIFY(content(pdf).contains("TJ"));
}

void TestPdfControls::linkBoxColourIsTheControlsOwn()
{
    // A border asked for by one control is not lent to the next one's link.
    ReportControl boxed = text("First");
    boxed.attributes = "PDF(PDFActionType=1|Hyperlink=a|HyperBoxColor=255)";
    ReportControl plain = text("Second", 1000, 2000, 4000, 2300);
    plain.attributes = "PDF(PDFActionType=4|PageAction=NEXT)";
    const WrittenPdf pdf = draw(path("boxes.pdf"), {boxed, plain});
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QList<QByteArray> annots = annotationsOf(pdf);
    QCOMPARE(annots.size(), 2);
    QVERIFY(annots[0].contains("/Border [ 0 0 1 ]"));
    QVERIFY(annots[1].contains("/Border [ 0 0 0 ]"));
}

void TestPdfControls::sizeFromAttributes_data()
{
    QTest::addColumn<ReportControl>("control");
    QTest::addColumn<QList<double>>("rect");    // the link's, points
    QTest::addColumn<QByteArray>("drawing");     // the operator drawing the control
    QTest::addColumn<QPoint>("lastInside");      // pixels at 100 dpi; (-1, -1): not looked at
    QTest::addColumn<QPoint>("firstOutside");

    const QByteArray link = "PDF(PDFActionType=1|Hyperlink=x)";
    ReportControl box = control("BOX", 1000, 1000, 3000, 2000);
    box.backgroundColor = Blue;
    box.borderColor = Blue;
    auto with = [&link](ReportControl c, const QByteArray &attributes) {
        c.attributes = attributes + link;
        return c;
    };
    QTest::newRow("box as placed") << with(box, "") << QList<double>{72, 648, 216, 720}
                                   << QByteArray("72 720 144 -72 re") << QPoint(297, 197) << QPoint(303, 203);
    QTest::newRow("box, width and height")
        << with(box, "ALL(HW=1000|HH=500)") << QList<double>{72, 684, 144, 720} << QByteArray("72 720 72 -36 re")
        << QPoint(197, 147) << QPoint(203, 153);
    QTest::newRow("box, height and width in either order")
        << with(box, "ALL(HH=500|HW=1000)") << QList<double>{72, 684, 144, 720} << QByteArray("72 720 72 -36 re")
        << QPoint(197, 147) << QPoint(203, 153);
    QTest::newRow("box, wider than placed")
        << with(box, "ALL(HW=4000|HH=1500)") << QList<double>{72, 612, 360, 720} << QByteArray("72 720 288 -108 re")
        << QPoint(497, 247) << QPoint(503, 253);
    QTest::newRow("box, width alone")
        << with(box, "ALL(HW=1500)") << QList<double>{72, 720, 180, 720} << QByteArray("72 720 108 0 re")
        << QPoint(-1, -1) << QPoint(-1, -1);
    QTest::newRow("box, zeros change nothing")
        << with(box, "ALL(HW=0|HH=0)") << QList<double>{72, 648, 216, 720} << QByteArray("72 720 144 -72 re")
        << QPoint(297, 197) << QPoint(303, 203);
    QTest::newRow("box, in the PDF group")
        << with(box, "PDF(HW=1000|HH=500)") << QList<double>{72, 648, 216, 720} << QByteArray("72 720 144 -72 re")
        << QPoint(297, 197) << QPoint(303, 203);

    ReportControl line = control("LINE", 1000, 1000, 3000, 3000);
    line.borderColor = Blue;
    line.borderWidth = 30;
    QTest::newRow("line, width and height")
        << with(line, "ALL(HW=1000|HH=500)") << QList<double>{72, 684, 144, 720}
        << QByteArray("72 720 m\r\n144 684 l") << QPoint(-1, -1) << QPoint(-1, -1);

    ReportControl ellipse = control("ELLIPSE", 1000, 1000, 3000, 2000);
    ellipse.backgroundColor = Blue;
    QTest::newRow("ellipse, width and height")
        << with(ellipse, "ALL(HW=1000|HH=1000)") << QList<double>{72, 648, 144, 720} << QByteArray("144 684 m")
        << QPoint(195, 195) << QPoint(205, 205);

    ReportControl string = text("Temperature", 1000, 1000, 4000, 1300);
    string.backgroundColor = Blue;
    QTest::newRow("string, width and height")
        << with(string, "ALL(HW=1000|HH=500)") << QList<double>{72, 684, 144, 720} << QByteArray("72 720 72 -36 re")
        << QPoint(197, 147) << QPoint(203, 153);
}

void TestPdfControls::sizeFromAttributes()
{
    QFETCH(ReportControl, control);
    QFETCH(QList<double>, rect);
    QFETCH(QByteArray, drawing);
    QFETCH(QPoint, lastInside);
    QFETCH(QPoint, firstOutside);
    const WrittenPdf pdf = draw(path("size.pdf"), {control});
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const QList<QByteArray> annots = annotationsOf(pdf);
    QCOMPARE(annots.size(), 1);
    const QList<double> found = numbersAfter(annots[0], "/Rect [", 4);
    QVERIFY2(near(found, rect), qPrintable(show(found)));
    QVERIFY2(content(pdf).contains(drawing), content(pdf).constData());
    if (lastInside.x() < 0)
        return;
    const QImage image = PdfTools::render(pdf.path, 1, 100);
    // The right edge on the middle row, the bottom edge on the middle column.
    const int midY = (100 + lastInside.y()) / 2, midX = (100 + lastInside.x()) / 2;
    QCOMPARE(QColor(image.pixel(lastInside.x(), midY)), QColor(Qt::blue));
    QCOMPARE(QColor(image.pixel(firstOutside.x(), midY)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(midX, lastInside.y())), QColor(Qt::blue));
    QCOMPARE(QColor(image.pixel(midX, firstOutside.y())), QColor(Qt::white));
}

void TestPdfControls::bookmarks_data()
{
    QTest::addColumn<QList<Placed>>("controls");
    QTest::addColumn<bool>("pageItems");
    QTest::addColumn<QString>("tree");

    QTest::newRow("the control's own text") << QList<Placed>{{1, "Vitals", "PDF(Bookmark=Bookmark)"}} << false
                                            << QStringLiteral("Vitals");
    QTest::newRow("a text of its own") << QList<Placed>{{1, "Vitals", "PDF(Bookmark=Heart rate)"}} << false
                                       << QStringLiteral("Heart rate");
    QTest::newRow("a parent alone is no bookmark")
        << QList<Placed>{{1, "Vitals", "PDF(BookmarkParent=Bookmark)"}} << false << QString();
    QTest::newRow("skipped") << QList<Placed>{{1, "Vitals", "PDF(SKIP=1|Bookmark=Bookmark)"}} << false << QString();
    QTest::newRow("hidden") << QList<Placed>{{1, "Vitals", "PDF(HIDE=1|Bookmark=Bookmark)"}} << false
                            << QStringLiteral("Vitals");
    QTest::newRow("under a parent")
        << QList<Placed>{{1, "Results", "PDF(Bookmark=Bookmark)"},
                         {1, "Glucose", "PDF(Bookmark=Bookmark|BookmarkParent=Results)"},
                         {1, "Lipids", "PDF(BookmarkParent=Results|Bookmark=Bookmark)"},
                         {1, "Notes", "PDF(Bookmark=Bookmark)"}}
        << false << QStringLiteral("Results[Glucose,Lipids],Notes");
    QTest::newRow("two levels")
        << QList<Placed>{{1, "Results", "PDF(Bookmark=Bookmark)"},
                         {1, "Glucose", "PDF(Bookmark=Bookmark|BookmarkParent=Results)"},
                         {1, "Fasting", "PDF(Bookmark=Bookmark|BookmarkParent=Glucose)"},
                         {1, "Lipids", "PDF(Bookmark=Bookmark|BookmarkParent=Results)"}}
        << false << QStringLiteral("Results[Glucose[Fasting],Lipids]");
    QTest::newRow("a parent not made yet")
        << QList<Placed>{{1, "Glucose", "PDF(Bookmark=Bookmark|BookmarkParent=Results)"}} << false
        << QStringLiteral("Results[Glucose]");
    QTest::newRow("under the page's item")
        << QList<Placed>{{1, "Vitals", "PDF(Bookmark=Bookmark)"}} << true << QStringLiteral("Page_1[Vitals]");
    QTest::newRow("page items, parents and pages")
        << QList<Placed>{{1, "Results", "PDF(Bookmark=Bookmark)"},
                         {1, "Glucose", "PDF(Bookmark=Bookmark|BookmarkParent=Results)"},
                         {2, "Lipids", "PDF(Bookmark=Bookmark|BookmarkParent=Results)"},
                         {2, "Notes", "PDF(Bookmark=Bookmark)"}}
        << true << QStringLiteral("Page_1[Results[Glucose,Lipids]],Page_2[Notes]");
    QTest::newRow("page items only")
        << QList<Placed>{{1, "Vitals", "PDF(HIDE=1)"}, {2, "Vitals", QByteArray()}} << true
        << QStringLiteral("Page_1,Page_2");
}

void TestPdfControls::bookmarks()
{
    QFETCH(QList<Placed>, controls);
    QFETCH(bool, pageItems);
    QFETCH(QString, tree);
    const WrittenPdf pdf = PdfFixture::write(
        path("outline.pdf"),
        [&controls](PdfGenerator &g) {
            int page = 0;
            for (const Placed &p : controls) {
                while (page < p.page) {
                    g.openPage();
                    ++page;
                }
                ReportControl c = text(p.text);
                c.attributes = p.attributes;
                QCOMPARE(g.string(c), int(IReportGenerator::Done));
            }
            g.closePage();
        },
        [pageItems](PdfGenerator &g) { g.setPageBookmarks(pageItems); });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QStringList problems;
    QCOMPARE(outline(pdf.bytes, problems), tree);
    QCOMPARE(problems, QStringList());
}

void TestPdfControls::bookmarkAtTheControlsTopLeft()
{
    ReportControl c = text("Vitals", 1500, 2000, 4000, 2300);
    c.x = 1600; // not the text's position
    c.y = 2050;
    c.attributes = "ALL(HW=100)PDF(Bookmark=Bookmark)";
    const WrittenPdf pdf = draw(path("dest.pdf"), {c});
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    const int page = PdfTools::pages(pdf.bytes).value(0);
    QVERIFY2(pdf.bytes.contains("/Dest [" + QByteArray::number(page) + " 0 R /XYZ 108 648 null]"),
             pdf.bytes.constData());
}

void TestPdfControls::fontName_data()
{
    QTest::addColumn<ReportControl>("control");
    QTest::addColumn<QByteArray>("baseFont");

    ReportControl string = text("Pulse");
    string.attributes = "PDF(FONTNAME=Courier)";
    QTest::newRow("string") << string << QByteArray("Courier");
    string.fontStyle = 700;
    QTest::newRow("string, bold") << string << QByteArray("Courier-Bold");
    string.fontStyle = 400 | ReportControl::Italic;
    string.attributes = "PDF(FONTNAME=Helvetica)";
    QTest::newRow("string, italic") << string << QByteArray("Helvetica-Oblique");
    string.fontStyle = 400;
    string.attributes = "PDF(FONTNAME=  Times  )";
    QTest::newRow("blanks around the face") << string << QByteArray("Times-Roman");
    string.attributes = "ALL(FONTNAME=Courier)";
    QTest::newRow("in the ALL group: the control's face") << string << QByteArray("LiberationSans");
    string.attributes = "PDF(fontname=Courier)";
    QTest::newRow("lower case: the control's face") << string << QByteArray("LiberationSans");
    string.attributes.clear();
    string.fontFace = "Times";
    QTest::newRow("the control's own standard face") << string << QByteArray("Times-Roman");

    ReportControl check = control("CHECK", 1000, 1000, 1200, 1200);
    check.text = "Smoker";
    check.attributes = "PDF(FONTNAME=Courier)";
    QTest::newRow("check box label") << check << QByteArray("Courier");
    ReportControl radio = check;
    radio.kind = "RADIO";
    QTest::newRow("radio button label") << radio << QByteArray("Courier");
    ReportControl group = control("GROUP", 1000, 1000, 4000, 3000);
    group.text = "Allergies";
    group.backgroundColor = 0xFFFFFF;
    group.attributes = "PDF(FONTNAME=Courier)";
    QTest::newRow("group caption") << group << QByteArray("Courier");
    ReportControl block = textBlock({"Take with food", "Twice a day"});
    block.attributes = "PDF(FONTNAME=Courier)";
    QTest::newRow("text block") << block << QByteArray("Courier");
}

void TestPdfControls::fontName()
{
    QFETCH(ReportControl, control);
    QFETCH(QByteArray, baseFont);
    const WrittenPdf pdf = draw(path("font.pdf"), {control});
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    // Every text of the control in the one font.
    QCOMPARE(pdf.bytes.count("/Type /Font\r\n"), 1);
    QVERIFY2(pdf.bytes.contains("/BaseFont /" + baseFont + "\r\n"), pdf.bytes.constData());
    QVERIFY(!pageText(pdf).isEmpty());
}

void TestPdfControls::underlineAndStrikeOut_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("right"); // of the box
    QTest::addColumn<bool>("boxLimits");

    const int u = ReportControl::Underline, s = ReportControl::StrikeOut;
    QTest::newRow("underline") << u << 10.0 << 8000 << false;
    QTest::newRow("strike-out") << s << 10.0 << 8000 << false;
    QTest::newRow("underline, 14 points") << u << 14.0 << 8000 << false;
    QTest::newRow("strike-out, 10.5 points") << s << 10.5 << 8000 << false;
    QTest::newRow("underline, narrow box") << u << 10.0 << 1300 << true;
    QTest::newRow("strike-out, narrow box") << s << 10.0 << 1300 << true;
}

void TestPdfControls::underlineAndStrikeOut()
{
    QFETCH(int, style);
    QFETCH(double, size);
    QFETCH(int, right);
    QFETCH(bool, boxLimits);
    ReportControl c = text("Blood pressure", 1000, 1000, right, 1400);
    c.y = 1020;
    c.fontSize = size;
    c.fontStyle = 400 | style;
    c.fontColor = Red;
    double measured = 0;
    const WrittenPdf pdf = PdfFixture::page(path("decorated.pdf"), [&](PdfGenerator &g) {
        QCOMPARE(g.string(c), int(IReportGenerator::Done));
        measured = g.textWidth(c.text); // in the font the string left current
    });
    QCOMPARE(PdfTools::validate(pdf.path), QString());
    QVERIFY(measured > 500 && measured < 2000);
    QCOMPARE(measured > right - 1000, boxLimits);

    const int factor = style == ReportControl::Underline ? 15 : 9;
    const double length = std::lround(std::min(measured, double(right - 1000)));
    const double y = PageHeight - (1020 + std::lround(size * factor)) * 0.072;
    const QByteArray stream = content(pdf);
    const qsizetype textAt = stream.indexOf("TJ");
    QVERIFY(textAt > 0);
    const QList<double> found = lineAfter(stream, 0);
    const QList<double> expected{72, y, 72 + length * 0.072, y};
    QVERIFY2(near(found, expected), qPrintable(show(found) + QStringLiteral(" for ") + show(expected)));
    // In the font's colour.
    const qsizetype lineAt = stream.indexOf(" m\r\n");
    const qsizetype colour = stream.lastIndexOf(" RG\r\n", lineAt);
    QVERIFY(colour > 0);
    QCOMPARE(stream.mid(stream.lastIndexOf("\r\n", colour) + 2, colour - stream.lastIndexOf("\r\n", colour) - 2),
             QByteArray("1 0 0"));
    QCOMPARE(stream.count(" m\r\n"), 1);
}

void TestPdfControls::malformedAttributesAreToldOncePerDocument()
{
    // The ALL group is complete, the PDF group breaks at its ")": the box
    // is drawn 1000 wide, and HIDE, never read, hides nothing.
    const QByteArray broken = "ALL(HW=1000|HH=500)PDF(HIDE)";
    ReportControl first = control("BOX", 1000, 1000, 3000, 2000);
    first.backgroundColor = Blue;
    first.attributes = broken;
    ReportControl second = first;
    second.top = 3000;
    second.bottom = 4000;
    ReportControl fine = text("Pulse", 1000, 5000, 4000, 5300);
    fine.attributes = "ALL(HW=0|HH=0)";

    QList<QPair<QByteArray, int>> told;
    PdfGenerator g;
    g.setReproducible(true);
    g.setCompression(false, false);
    g.setAttributeErrorHandler([&told](const QByteArray &t, int position) { told.append({t, position}); });
    for (int document = 1; document <= 2; ++document) {
        const QString file = path("told.pdf");
        g.setOutputFileName(file);
        QCOMPARE(g.openDocument(1), int(IReportGenerator::Done));
        QCOMPARE(g.openPage(), int(IReportGenerator::Done));
        QCOMPARE(g.box(first), int(IReportGenerator::Done));
        QCOMPARE(g.box(second), int(IReportGenerator::Done));
        QCOMPARE(g.string(fine), int(IReportGenerator::Done));
        QCOMPARE(g.closeDocument(), int(IReportGenerator::Done));

        QCOMPARE(told.size(), document);
        QCOMPARE(told.back().first, broken);
        QCOMPARE(told.back().second, 28);

        QCOMPARE(PdfTools::validate(file), QString());
        const QImage image = PdfTools::render(file, 1, 100);
        QCOMPARE(QColor(image.pixel(195, 125)), QColor(Qt::blue));
        QCOMPARE(QColor(image.pixel(205, 125)), QColor(Qt::white));
        QCOMPARE(QColor(image.pixel(195, 325)), QColor(Qt::blue));
        QVERIFY(PdfTools::text(file).out.contains("Pulse"));
    }
}

QTEST_MAIN(TestPdfControls)
#include "tst_pdfcontrols.moc"
