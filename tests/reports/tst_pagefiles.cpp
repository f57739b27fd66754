// Page files: a finished page written and replayed gives every generator
// the controls as placed; reading errors say what is wrong and stop; the
// pages' folder is private and goes away.
#include "errormanager.h"
#include "ireportgenerator.h"
#include "pagefolder.h"
#include "pagereader.h"
#include "pagerecords.h"
#include "pagewriter.h"
#include "pdfstrings.h"
#include "reportcontrol.h"
#include "reportlayout.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavimo;
namespace pr = tavimo::pagerecords;

Q_DECLARE_METATYPE(tavimo::PlacedControl)
Q_DECLARE_METATYPE(tavimo::FinishedPage)

namespace {

// Keeps what it is handed, and answers `stopWith` at control number `stopAt` (from 1).
class RecordingGenerator : public IReportGenerator
{
public:
    struct Call
    {
        QByteArray operation;
        ReportControl control;
    };
    struct Page
    {
        int left, top, right, bottom;
        QString name;
    };

    std::vector<Call> calls;
    std::vector<Page> pages;
    int closedPages = 0;
    int openedDocuments = 0;
    int closedDocuments = 0;
    int documentPages = -1;
    int stopAt = 0;
    int stopWith = 0;
    int openPageAnswer = 0;
    int openDocumentAnswer = 0;

    void initialise() override {}
    int openDocument(int pageCount) override
    {
        ++openedDocuments;
        documentPages = pageCount;
        return openDocumentAnswer;
    }
    int closeDocument() override
    {
        ++closedDocuments;
        return Done;
    }
    int openPage(int left, int top, int right, int bottom, const QString &pageName) override
    {
        pages.push_back(Page{left, top, right, bottom, pageName});
        return openPageAnswer;
    }
    int closePage() override
    {
        ++closedPages;
        return Done;
    }
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("REC"); }
    QString displayName() const override { return QStringLiteral("Recorder"); }
    QString icon() const override { return QString(); }

    int arc(const ReportControl &c) override { return keep("arc", c); }
    int furtherControlData(const ReportControl &c) override { return keep("furtherControlData", c); }
    int checkBox(const ReportControl &c) override { return keep("checkBox", c); }
    int chord(const ReportControl &c) override { return keep("chord", c); }
    int ellipse(const ReportControl &c) override { return keep("ellipse", c); }
    int image(const ReportControl &c) override { return keep("image", c); }
    int line(const ReportControl &c) override { return keep("line", c); }
    int groupBox(const ReportControl &c) override { return keep("groupBox", c); }
    int pie(const ReportControl &c) override { return keep("pie", c); }
    int polygon(const ReportControl &c) override { return keep("polygon", c); }
    int radioButton(const ReportControl &c) override { return keep("radioButton", c); }
    int box(const ReportControl &c) override { return keep("box", c); }
    int string(const ReportControl &c) override { return keep("string", c); }
    int textBlock(const ReportControl &c) override { return keep("textBlock", c); }

private:
    int keep(const char *operation, const ReportControl &c)
    {
        calls.push_back(Call{operation, c});
        return int(calls.size()) == stopAt ? stopWith : Done;
    }
};

// Messages go to a scripted presenter; a fatal one does not end the test.
struct Messages
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    Messages()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config;
        config.dataDirectory = tmp.path();
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
    }
};

// A page file made record by record, for what the writer never writes.
class RawPage
{
public:
    explicit RawPage(int unitsPerInch = 1000, int right = 8500, int bottom = 11000)
    {
        for (int v : {0xCDD7, 0x9AC6, 0, 0, 0, right, bottom, unitsPerInch, 0, 0, 0})
            put(m_head, v);
        for (int v : {1, 9, 0x0300, 0, 0, 4, 0, 0, 0})
            put(m_head, v);
    }
    QByteArray &head() { return m_head; }

    RawPage &record(int function, std::initializer_list<int> words, const QByteArray &tail = QByteArray())
    {
        QByteArray params;
        for (int w : words)
            put(params, w);
        params += tail;
        if (params.size() % 2)
            params += '\0';
        const int size = 3 + int(params.size() / 2);
        put(m_body, size & 0xFFFF);
        put(m_body, size >> 16);
        put(m_body, function);
        m_body += params;
        return *this;
    }
    RawPage &mark(int kind, const QByteArray &payload)
    {
        QByteArray data;
        put(data, kind);
        data += payload;
        return record(pr::Function::Escape, {pr::MarkEscape, int(data.size())}, data);
    }
    RawPage &start(const QByteArray &kind, const QByteArray &attributes = QByteArray())
    {
        QByteArray payload = kind + '\0';
        put(payload, int(attributes.size()));
        return mark(pr::Mark::ControlStart, payload + attributes);
    }
    RawPage &end(const QByteArray &kind) { return mark(pr::Mark::ControlEnd, kind + '\0'); }
    RawPage &pen(int style, int width, int color)
    {
        return record(pr::Function::CreatePen, {style, width, 0, color & 0xFFFF, color >> 16});
    }
    RawPage &brush(int style, int color)
    {
        return record(pr::Function::CreateBrush, {style, color & 0xFFFF, color >> 16, 0});
    }
    RawPage &font(int height, const QByteArray &face)
    {
        QByteArray tail(8, '\0');
        return record(pr::Function::CreateFont, {height, 0, 0, 0, 400}, tail + face + '\0');
    }
    RawPage &text(int x, int y, const QByteArray &text, int left, int top, int right, int bottom)
    {
        return record(pr::Function::ExtTextOut, {y, x, int(text.size()), pr::TextClipped, left, top, right, bottom},
                      text);
    }
    RawPage &select(int number) { return record(pr::Function::SelectObject, {number}); }
    RawPage &remove(int number) { return record(pr::Function::DeleteObject, {number}); }
    RawPage &rectangle(int left, int top, int right, int bottom)
    {
        return record(pr::Function::Rectangle, {bottom, right, top, left});
    }
    QByteArray bytes(bool endOfFile = true) const
    {
        QByteArray out = m_head + m_body;
        if (endOfFile)
            out += QByteArray::fromHex("030000000000");
        return out;
    }

private:
    static void put(QByteArray &out, int v)
    {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    }
    QByteArray m_head;
    QByteArray m_body;
};

ControlStyle styled(int background, int border, int borderStyle, int borderWidth)
{
    ControlStyle s;
    s.backgroundColor = background;
    s.borderColor = border;
    s.borderStyle = borderStyle;
    s.borderWidth = borderWidth;
    return s;
}

PlacedControl placed(ControlKind kind, int left, int top, int right, int bottom, const QString &text = QString())
{
    PlacedControl c;
    c.kind = kind;
    c.left = left;
    c.top = top;
    c.right = right;
    c.bottom = bottom;
    c.x = left + 10;
    c.y = top + 5;
    c.text = text;
    return c;
}

bool withBorder(const ControlStyle &s)
{
    return s.borderStyle != BorderStyle::None && s.borderColor != ReportColor::None;
}

bool hasText(ControlKind kind)
{
    return kind == ControlKind::String || kind == ControlKind::CheckBox || kind == ControlKind::RadioButton
        || kind == ControlKind::GroupBox;
}

mode_t modeOf(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

void compareFont(const ControlStyle &s, const ReportControl &r)
{
    QCOMPARE(r.fontFace, PdfStrings::toWinAnsi(s.font.face));
    QCOMPARE(r.fontSize, s.font.size);
    const int style = s.font.weight | (s.font.italic ? ReportControl::Italic : 0)
        | (s.font.underline ? ReportControl::Underline : 0) | (s.font.strikeOut ? ReportControl::StrikeOut : 0);
    QCOMPARE(r.fontStyle, style);
    QCOMPARE(r.charset, s.font.charset);
    QCOMPARE(r.angle, s.font.angle);
    QCOMPARE(r.fontColor, s.fontColor);
}

// What the generator must be handed for a placed control.
void compareControl(const PlacedControl &p, const ReportControl &r)
{
    QCOMPARE(r.kind, controlKindText(p.kind));
    QCOMPARE(r.attributes, PdfStrings::toWinAnsi(p.attributes));
    QCOMPARE(r.left, p.left);
    QCOMPARE(r.top, p.top);
    QCOMPARE(r.right, p.right);
    QCOMPARE(r.bottom, p.bottom);
    if (withBorder(p.style)) {
        QCOMPARE(r.borderColor, p.style.borderColor);
        QCOMPARE(r.borderWidth, p.style.borderWidth);
        QCOMPARE(r.borderStyle, p.style.borderStyle);
    } else {
        QCOMPARE(r.borderColor, ReportControl::NoColor);
        QCOMPARE(r.borderStyle, int(BorderStyle::None));
    }
    const bool filled = p.kind != ControlKind::Line && p.kind != ControlKind::Image;
    QCOMPARE(r.backgroundColor, filled ? p.style.backgroundColor : ReportControl::NoColor);
    if (hasText(p.kind)) {
        QCOMPARE(r.text, PdfStrings::toWinAnsi(p.text));
        QCOMPARE(r.x, p.x);
        QCOMPARE(r.y, p.y);
        compareFont(p.style, r);
    }
    QCOMPARE(r.lines.size(), p.lines.size());
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
        const PlacedLine &a = p.lines[i];
        const ReportControl::Line &b = r.lines[i];
        QCOMPARE(b.text, PdfStrings::toWinAnsi(a.text));
        QCOMPARE(QList<int>({b.left, b.top, b.right, b.bottom, b.x, b.y}),
                 QList<int>({a.left, a.top, a.right, a.bottom, a.x, a.y}));
    }
    if (!p.lines.empty())
        compareFont(p.style, r);
    QCOMPARE(r.checked, p.checked);
    QCOMPARE(r.points, p.points);
    QCOMPARE(r.imageFile, p.imageFile);
    QCOMPARE(r.imageOffset, -1LL);
}

} // namespace

class TestPageFiles : public QObject
{
    Q_OBJECT

private slots:
    void controlsComeBackAsPlaced_data();
    void controlsComeBackAsPlaced();
    void aPageOfEveryKindKeepsItsOrder();
    void pageBoxAndName();
    void kindsReachTheirOperation_data();
    void kindsReachTheirOperation();
    void drawingFromOtherWriters();
    void furtherDataReachesTheGenerator();

    void readingErrors_data();
    void readingErrors();
    void aPageFileThatCannotBeRead();
    void generatorResultStopsTheReplay();
    void exportRunsEveryPage();

    void writtenFileIsAWellFormedMetafile();
    void writerRefusesWhatItCannotCarry_data();
    void writerRefusesWhatItCannotCarry();

    void pageFolderIsPrivateAndGoes();
    void leftoversOfEndedRunsGo();
};

void TestPageFiles::controlsComeBackAsPlaced_data()
{
    QTest::addColumn<PlacedControl>("control");
    QTest::addColumn<QByteArray>("operation");

    PlacedControl plain = placed(ControlKind::String, 1000, 500, 3000, 700, QStringLiteral("Blood pressure"));
    QTest::newRow("string") << plain << QByteArray("string");

    PlacedControl rich = placed(ControlKind::String, 250, 10500, 8250, 10750, QStringLiteral("Größe 5 € — naïve"));
    rich.style = styled(ReportColor::rgb(255, 255, 192), ReportColor::rgb(0, 0, 128), BorderStyle::Dash, 15);
    rich.style.font = ReportFont{QStringLiteral("Times New Roman"), 10.5, 700, true, true, true, 186, 90};
    rich.style.fontColor = ReportColor::rgb(200, 10, 20);
    rich.attributes = QStringLiteral("PDF(Bookmark=Bookmark|HyperBoxColor=255)ALL(HW=100)");
    QTest::newRow("string, every style") << rich << QByteArray("string");

    PlacedControl filled = placed(ControlKind::String, 0, 0, 500, 200, QStringLiteral("x"));
    filled.style.backgroundColor = ReportColor::rgb(1, 2, 3); // filled by the text, no frame
    QTest::newRow("string, background only") << filled << QByteArray("string");

    PlacedControl empty = placed(ControlKind::String, 100, 100, 200, 200);
    QTest::newRow("string, empty") << empty << QByteArray("string");

    PlacedControl block = placed(ControlKind::TextBlock, 500, 2000, 4500, 2600);
    block.style = styled(ReportColor::rgb(240, 240, 240), ReportColor::None, BorderStyle::Solid, 0);
    block.style.font.face = QStringLiteral("Courier New");
    block.style.font.size = 8;
    for (int i = 0; i < 3; ++i)
        block.lines.push_back(PlacedLine{500, 2000 + 200 * i, 4500, 2200 + 200 * i, 520, 2010 + 200 * i,
                                         i == 1 ? QString() : QStringLiteral("Line %1 of the note").arg(i + 1)});
    QTest::newRow("text block") << block << QByteArray("textBlock");

    PlacedControl plainBlock = placed(ControlKind::TextBlock, 500, 3000, 4500, 3200);
    plainBlock.lines.push_back(PlacedLine{500, 3000, 4500, 3200, 500, 3000, QStringLiteral("One line")});
    QTest::newRow("text block, no background") << plainBlock << QByteArray("textBlock");

    PlacedControl box = placed(ControlKind::Box, 250, 250, 8250, 1000);
    box.style = styled(ReportColor::rgb(0, 128, 0), ReportColor::rgb(128, 0, 0), BorderStyle::Dot, 30);
    QTest::newRow("box") << box << QByteArray("box");

    PlacedControl bare = placed(ControlKind::Box, 250, 250, 8250, 1000);
    bare.style = styled(ReportColor::None, ReportColor::Black, BorderStyle::None, 0);
    QTest::newRow("box, nothing drawn") << bare << QByteArray("box");

    PlacedControl up = placed(ControlKind::Line, 1000, 5000, 7000, 4000);
    up.style = styled(ReportColor::None, ReportColor::Black, BorderStyle::Solid, 20);
    QTest::newRow("line, rising") << up << QByteArray("line");

    PlacedControl down = placed(ControlKind::Line, 7000, 4000, 1000, 5000);
    down.style = styled(ReportColor::None, ReportColor::rgb(9, 9, 9), BorderStyle::DashDot, 0);
    QTest::newRow("line, backwards") << down << QByteArray("line");

    PlacedControl ellipse = placed(ControlKind::Ellipse, 3000, 3000, 4000, 3500);
    ellipse.style = styled(ReportColor::White, ReportColor::Black, BorderStyle::Solid, 10);
    QTest::newRow("ellipse") << ellipse << QByteArray("ellipse");

    PlacedControl polygon = placed(ControlKind::Polygon, 1000, 1000, 2001, 3000);
    polygon.points = {QPoint(1000, 3000), QPoint(1500, 1000), QPoint(2001, 3000), QPoint(1500, 2500)};
    polygon.style = styled(ReportColor::rgb(0, 0, 255), ReportColor::Black, BorderStyle::Solid, 7);
    QTest::newRow("polygon") << polygon << QByteArray("polygon");

    PlacedControl checked = placed(ControlKind::CheckBox, 500, 6000, 630, 6130, QStringLiteral("Smoker"));
    checked.style = styled(ReportColor::None, ReportColor::Black, BorderStyle::Solid, 10);
    checked.x = 700;
    checked.checked = true;
    QTest::newRow("check box, checked") << checked << QByteArray("checkBox");

    PlacedControl unchecked = checked;
    unchecked.checked = false;
    QTest::newRow("check box, not checked") << unchecked << QByteArray("checkBox");

    PlacedControl radio = placed(ControlKind::RadioButton, 500, 6500, 630, 6630, QStringLiteral("Female"));
    radio.style = styled(ReportColor::White, ReportColor::Black, BorderStyle::Solid, 10);
    radio.checked = true;
    QTest::newRow("radio button, selected") << radio << QByteArray("radioButton");

    PlacedControl radioOff = radio;
    radioOff.checked = false;
    radioOff.style.borderStyle = BorderStyle::None;
    QTest::newRow("radio button, not selected") << radioOff << QByteArray("radioButton");

    PlacedControl group = placed(ControlKind::GroupBox, 300, 7000, 8000, 9000, QStringLiteral("Allergies"));
    group.style = styled(ReportColor::None, ReportColor::rgb(64, 64, 64), BorderStyle::Solid, 10);
    QTest::newRow("group box") << group << QByteArray("groupBox");

    PlacedControl image = placed(ControlKind::Image, 6000, 250, 8000, 1250);
    image.imageFile = QStringLiteral("/home/ann/Bilder/logo ß.png");
    QTest::newRow("image") << image << QByteArray("image");
}

void TestPageFiles::controlsComeBackAsPlaced()
{
    QFETCH(PlacedControl, control);
    QFETCH(QByteArray, operation);

    FinishedPage page;
    page.name = QStringLiteral("Profile 1");
    page.controls = {control};
    QString error;
    const QByteArray bytes = PageWriter::encode(page, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    QCOMPARE(parser.replay(bytes, QStringLiteral("page00001.wmf"), g), 0);
    QCOMPARE(m.presenter.count(), 0);
    QCOMPARE(g.calls.size(), std::size_t(1));
    QCOMPARE(g.calls[0].operation, operation);
    compareControl(control, g.calls[0].control);
    QCOMPARE(g.closedPages, 1);
}

void TestPageFiles::aPageOfEveryKindKeepsItsOrder()
{
    // Objects of one control are freed for the next; the numbers must stay right throughout.
    FinishedPage page;
    page.width = 11000;
    page.height = 8500;
    for (int i = 0; i < 40; ++i) {
        PlacedControl c = placed(ControlKind(i % 10), 100 * i, 100 + 50 * i, 100 * i + 400, 300 + 50 * i,
                                 QStringLiteral("Control %1").arg(i));
        c.style = styled(i % 3 ? ReportColor::rgb(i, 2 * i, 3 * i) : ReportColor::None, ReportColor::rgb(0, i, 0),
                         i % 6, i);
        c.style.font.size = 6 + i % 7;
        c.style.fontColor = ReportColor::rgb(i, 0, 0);
        c.checked = i % 4 == 0;
        if (c.kind == ControlKind::Polygon)
            c.points = {QPoint(c.left, c.top), QPoint(c.right, c.top), QPoint(c.left, c.bottom)};
        if (c.kind == ControlKind::TextBlock)
            c.lines.push_back(PlacedLine{c.left, c.top, c.right, c.bottom, c.x, c.y, c.text});
        if (c.kind == ControlKind::Image)
            c.imageFile = QStringLiteral("/tmp/i%1.png").arg(i);
        if (!hasText(c.kind))
            c.text.clear();
        page.controls.push_back(c);
    }
    QString error;
    const QByteArray bytes = PageWriter::encode(page, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    QCOMPARE(parser.replay(bytes, QStringLiteral("p.wmf"), g), 0);
    QCOMPARE(g.calls.size(), page.controls.size());
    for (std::size_t i = 0; i < page.controls.size(); ++i) {
        compareControl(page.controls[i], g.calls[i].control);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("control %1").arg(i)));
    }
}

void TestPageFiles::pageBoxAndName()
{
    QTemporaryDir dir;
    FinishedPage page;
    page.name = QStringLiteral("Blood Pressure – page 2");
    page.width = 11000;
    page.height = 8500;
    const QString file = dir.filePath(QStringLiteral("page00002.wmf"));
    QString error;
    QVERIFY2(PageWriter::write(page, file, &error), qPrintable(error));

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    QCOMPARE(parser.replay(file, g), 0);
    QCOMPARE(g.pages.size(), std::size_t(1));
    QCOMPARE(QList<int>({g.pages[0].left, g.pages[0].top, g.pages[0].right, g.pages[0].bottom}),
             QList<int>({0, 0, 11000, 8500}));
    QCOMPARE(g.pages[0].name, file);
    QCOMPARE(parser.pageName(), page.name);
    QCOMPARE(g.closedPages, 1);
    QVERIFY(g.calls.empty());
}

void TestPageFiles::kindsReachTheirOperation_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("operation"); // empty: nothing

    const char *rows[][2] = {
        {"ARC", "arc"},         {"CHECK", "checkBox"},   {"CHORD", "chord"},         {"ELLIPSE", "ellipse"},
        {"IMAGE", "image"},     {"LINE", "line"},        {"OPTION", "groupBox"},     {"GROUP", "groupBox"},
        {"PIE", "pie"},         {"POLYGON", "polygon"},  {"RADIO", "radioButton"},   {"BOX", "box"},
        {"STRING", "string"},   {"SMARTSTRING", "string"}, {"TEXT", "textBlock"},    {"RTF", "textBlock"},
        {"SPIN", ""},           {"string", ""},          {"", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(*row[0] ? row[0] : "no kind") << QByteArray(row[0]) << QByteArray(row[1]);
}

void TestPageFiles::kindsReachTheirOperation()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, operation);
    RawPage raw;
    raw.start(kind, "A(B=1)").end(kind).start("BOX").end("BOX");
    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    QCOMPARE(parser.replay(raw.bytes(), QStringLiteral("k.wmf"), g), 0);
    QCOMPARE(m.presenter.count(), 0);
    QCOMPARE(g.calls.size(), std::size_t(operation.isEmpty() ? 1 : 2));
    if (!operation.isEmpty()) {
        QCOMPARE(g.calls[0].operation, operation);
        QCOMPARE(g.calls[0].control.kind, kind);
        QCOMPARE(g.calls[0].control.attributes, QByteArray("A(B=1)"));
    }
    QCOMPARE(g.calls.back().operation, QByteArray("box"));
}

void TestPageFiles::drawingFromOtherWriters()
{
    // Window origin and extent, object numbers reused lowest first, the
    // text colour kept with a font, the background mode, a radio button's
    // circles, the extent of unclipped text: as a metafile writer other
    // than ours would set them.
    RawPage raw(1000, 8500, 11000);
    raw.record(pr::Function::SetWindowOrigin, {200, 100});
    raw.record(pr::Function::SetWindowExtent, {22000, 17000}); // two units per thousandth
    raw.record(pr::Function::SetTextColor, {0x0000FF, 0});     // red
    raw.pen(0, 20, 0x00FF00);                                   // 0
    raw.brush(pr::SolidBrush, 0x123456);                        // 1
    raw.remove(0);
    raw.font(-400, "Arial");                                    // 0 again: the lowest free
    raw.record(pr::Function::SetTextColor, {0, 0});             // black now: the font's red stands
    raw.record(pr::Function::SetBackgroundMode, {pr::OpaqueBackground});
    raw.record(pr::Function::SetBackgroundColor, {0x00FF, 0x00FF});
    raw.start("STRING").select(0).select(1);
    raw.text(1100, 1200, "Hi", 1100, 1200, 2100, 1600).end("STRING");
    raw.start("RADIO").pen(0, 0, 0).select(2);
    raw.record(pr::Function::Ellipse, {2200, 2200, 200, 200});
    raw.record(pr::Function::Ellipse, {1700, 1700, 700, 700});
    raw.record(pr::Function::ExtTextOut, {300, 2400, 2, 0}, "On");
    raw.remove(2).end("RADIO");
    raw.start("TEXT");
    raw.record(pr::Function::ExtTextOut, {1000, 100, 3, 0}, QByteArray("abc") + '\0'
                                                                  + QByteArray::fromHex("0a000a001400"));
    raw.end("TEXT");

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    QCOMPARE(parser.replay(raw.bytes(), QStringLiteral("o.wmf"), g), 0);
    QCOMPARE(m.presenter.count(), 0);
    QCOMPARE(g.calls.size(), std::size_t(3));

    const ReportControl &s = g.calls[0].control;
    QCOMPARE(QList<int>({s.left, s.top, s.right, s.bottom, s.x, s.y}), QList<int>({500, 500, 1000, 700, 500, 500}));
    QCOMPARE(s.text, QByteArray("Hi"));
    QCOMPARE(s.fontFace, QByteArray("Arial"));
    QCOMPARE(s.fontSize, 400 * 72 / 1000.0 / 2);
    QCOMPARE(s.fontColor, 0x0000FF);
    QCOMPARE(s.backgroundColor, 0xFF00FF);

    const ReportControl &r = g.calls[1].control;
    QCOMPARE(g.calls[1].operation, QByteArray("radioButton"));
    QCOMPARE(QList<int>({r.left, r.top, r.right, r.bottom}), QList<int>({50, 0, 1050, 1000}));
    QCOMPARE(r.backgroundColor, 0x123456);
    QCOMPARE(r.borderColor, 0);
    QVERIFY(r.checked);
    QCOMPARE(r.text, QByteArray("On"));

    const ReportControl &t = g.calls[2].control;
    QCOMPARE(t.lines.size(), std::size_t(1));
    const ReportControl::Line &l = t.lines[0];
    // No rectangle: as wide as its advances, as high as its font.
    QCOMPARE(QList<int>({l.left, l.top, l.right, l.bottom, l.x, l.y}),
             QList<int>({0, 400, 20, 600, 0, 400}));
}

void TestPageFiles::furtherDataReachesTheGenerator()
{
    PlacedControl c = placed(ControlKind::Box, 0, 0, 100, 100);
    c.furtherData = QByteArray("\x01\x02zone=3", 8);
    c.attributes = QStringLiteral("PDF(SKIP=1)");
    FinishedPage page;
    page.controls = {c};
    QString error;
    const QByteArray bytes = PageWriter::encode(page, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    QCOMPARE(parser.replay(bytes, QStringLiteral("f.wmf"), g), 0);
    QCOMPARE(g.calls.size(), std::size_t(2));
    QCOMPARE(g.calls[0].operation, QByteArray("furtherControlData"));
    QCOMPARE(g.calls[0].control.text, c.furtherData);
    QCOMPARE(g.calls[0].control.kind, QByteArray("BOX"));
    QCOMPARE(g.calls[0].control.attributes, QByteArray("PDF(SKIP=1)"));
    QCOMPARE(g.calls[1].operation, QByteArray("box"));
}

void TestPageFiles::readingErrors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message"); // %1: the file name
    QTest::addColumn<int>("controlsBefore");

    const QString notWmf = QStringLiteral("The File %1 is not a valid WMF file.");
    const QString nextRecord = QStringLiteral("Get next record from file %1 failed.");

    RawPage wrongKey;
    wrongKey.head()[0] = 'X';
    QTest::newRow("wrong key") << wrongKey.bytes() << notWmf << 0;

    QTest::newRow("truncated header") << RawPage().bytes().left(30) << notWmf << 0;
    QTest::newRow("empty file") << QByteArray() << notWmf << 0;

    RawPage noUnits(0);
    QTest::newRow("no units per inch") << noUnits.bytes() << notWmf << 0;

    RawPage zero;
    zero.start("BOX").end("BOX");
    QTest::newRow("record of size 0")
        << zero.bytes(false) + QByteArray::fromHex("000000000000") + QByteArray::fromHex("030000000000") << notWmf
        << 1;

    RawPage past;
    past.start("BOX").end("BOX");
    QByteArray pastBytes = past.bytes(false) + QByteArray::fromHex("0800000024030200");
    QTest::newRow("record past the end") << pastBytes << nextRecord << 1;

    RawPage cut;
    cut.start("BOX").end("BOX").start("LINE").end("LINE");
    const QByteArray whole = cut.bytes();
    QTest::newRow("file cut inside a record") << whole.left(whole.size() - 11) << nextRecord << 1;
    QTest::newRow("file cut inside a record header") << whole.left(whole.size() - 3) << nextRecord << 2;

    RawPage shortRecord;
    shortRecord.start("BOX").record(pr::Function::Rectangle, {1, 2}).end("BOX");
    QTest::newRow("rectangle without its corners") << shortRecord.bytes() << notWmf << 0;

    RawPage unknownSelect;
    unknownSelect.pen(0, 0, 0).select(1);
    QTest::newRow("select of an unknown object")
        << unknownSelect.bytes() << QStringLiteral("Cannot find Object id. Parsing %1.") << 0;

    RawPage unknownDelete;
    unknownDelete.pen(0, 0, 0).remove(0).remove(0);
    QTest::newRow("delete of a deleted object")
        << unknownDelete.bytes() << QStringLiteral("Cannot find Object id. Parsing %1.") << 0;

    RawPage deletedFont;
    deletedFont.font(-200, "Arial").remove(0).start("STRING").text(0, 0, "x", 0, 0, 10, 10).end("STRING");
    QTest::newRow("text in a deleted font")
        << deletedFont.bytes() << QStringLiteral("Cannot find Fonts id. Parsing %1.") << 0;

    RawPage deletedPen;
    deletedPen.brush(0, 0).pen(0, 0, 0).remove(1).start("BOX").rectangle(0, 0, 5, 5).end("BOX");
    QTest::newRow("box with a deleted pen")
        << deletedPen.bytes() << QStringLiteral("Cannot find Pen id. Parsing %1.") << 0;

    RawPage penAsBrush;
    penAsBrush.pen(0, 0, 0).brush(0, 0).remove(1).pen(0, 0, 0); // the brush's number is a pen's now
    penAsBrush.start("BOX").rectangle(0, 0, 5, 5).end("BOX");
    QTest::newRow("box whose brush number is a pen's")
        << penAsBrush.bytes() << QStringLiteral("Cannot find Brush id. Parsing %1.") << 0;

    RawPage endAlone;
    endAlone.start("BOX").end("BOX").end("STRING");
    QTest::newRow("control end without its start")
        << endAlone.bytes() << QStringLiteral("Invalid STRING control found. Parsing %1.") << 1;

    RawPage startInStart;
    startInStart.start("GROUP").start("CHECK").end("CHECK").end("GROUP");
    QTest::newRow("control start inside a start")
        << startInStart.bytes() << QStringLiteral("Invalid GROUP control found. Parsing %1.") << 0;

    RawPage mismatched;
    mismatched.start("BOX").end("LINE");
    QTest::newRow("control end of another kind")
        << mismatched.bytes() << QStringLiteral("Invalid BOX control found. Parsing %1.") << 0;

    RawPage unended;
    unended.start("ELLIPSE");
    QTest::newRow("control never ended")
        << unended.bytes() << QStringLiteral("Invalid ELLIPSE control found. Parsing %1.") << 0;

    RawPage longAttributes;
    longAttributes.start("STRING", QByteArray(2049, 'a')).end("STRING");
    QTest::newRow("attribute text too long")
        << longAttributes.bytes() << QStringLiteral("Invalid STRING control found. Parsing %1.") << 0;

    RawPage frameOutside;
    frameOutside.mark(pr::Mark::ControlFrame, QByteArray(10, '\0'));
    QTest::newRow("control frame outside a control")
        << frameOutside.bytes() << QStringLiteral("Invalid unnamed control found. Parsing %1.") << 0;

    RawPage escapeTooLong;
    escapeTooLong.record(pr::Function::Escape, {pr::MarkEscape, 40, pr::Mark::PageName});
    QTest::newRow("escape longer than its record") << escapeTooLong.bytes() << notWmf << 0;

    RawPage tooManyLines;
    tooManyLines.font(-200, "Arial").start("TEXT");
    for (int i = 0; i <= WmfParser::MaxLines; ++i)
        tooManyLines.text(0, i, "", 0, 0, 1, 1);
    tooManyLines.end("TEXT");
    QTest::newRow("text block beyond its lines")
        << tooManyLines.bytes() << QStringLiteral("Adding record to queue failed. Parsing %1.") << 0;
}

void TestPageFiles::readingErrors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(int, controlsBefore);

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    const QString name = QStringLiteral("/run/user/1000/tavimo-pages-1-a/page00003.wmf");
    QCOMPARE(parser.replay(bytes, name, g), int(ResultFatal));
    QCOMPARE(m.presenter.count(), 1);
    QCOMPARE(m.presenter.last().caption, QStringLiteral("WMF Parser Error"));
    QVERIFY2(m.presenter.last().text.startsWith(message.arg(name)), qPrintable(m.presenter.last().text));
    QCOMPARE(int(g.calls.size()), controlsBefore);
    QCOMPARE(g.closedPages, 0);
}

void TestPageFiles::aPageFileThatCannotBeRead()
{
    QTemporaryDir dir;
    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    const QString missing = dir.filePath(QStringLiteral("gone.wmf"));
    QCOMPARE(parser.replay(missing, g), int(ResultFatal));
    QCOMPARE(m.presenter.count(), 1);
    QVERIFY(m.presenter.last().text.startsWith(QStringLiteral("Get next record from file %1 failed.").arg(missing)));
    QVERIFY(g.pages.empty());

    // Read from the file, the key is checked as from memory.
    const QString wrong = dir.filePath(QStringLiteral("wrong.wmf"));
    QFile file(wrong);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(QByteArray(64, 'Z')) == 64);
    file.close();
    QCOMPARE(parser.replay(wrong, g), int(ResultFatal));
    QVERIFY(m.presenter.last().text.startsWith(QStringLiteral("The File %1 is not a valid WMF file.").arg(wrong)));
}

void TestPageFiles::generatorResultStopsTheReplay()
{
    FinishedPage page;
    for (int i = 0; i < 4; ++i)
        page.controls.push_back(placed(ControlKind::Box, 0, 100 * i, 100, 100 * i + 50));
    QString error;
    const QByteArray bytes = PageWriter::encode(page, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    g.stopAt = 2;
    g.stopWith = 7;
    QCOMPARE(parser.replay(bytes, QStringLiteral("s.wmf"), g), 7);
    QCOMPARE(g.calls.size(), std::size_t(2));
    QCOMPARE(g.closedPages, 0);
    QCOMPARE(m.presenter.count(), 0); // the generator has said what it had to

    RecordingGenerator refusing;
    refusing.openPageAnswer = IReportGenerator::Cancelled;
    QCOMPARE(parser.replay(bytes, QStringLiteral("s.wmf"), refusing), int(IReportGenerator::Cancelled));
    QVERIFY(refusing.calls.empty());
}

void TestPageFiles::exportRunsEveryPage()
{
    QTemporaryDir dir;
    QStringList files;
    for (int i = 1; i <= 3; ++i) {
        FinishedPage page;
        page.name = QStringLiteral("Page %1").arg(i);
        page.controls = {placed(ControlKind::String, 0, 0, 1000, 200, page.name)};
        files << dir.filePath(QStringLiteral("page%1.wmf").arg(i));
        QString error;
        QVERIFY2(PageWriter::write(page, files.back(), &error), qPrintable(error));
    }

    Messages m;
    WmfParser parser(*m.context);
    RecordingGenerator g;
    parser.setPages(files);
    parser.setGenerator(&g);
    QCOMPARE(parser.exportPages(), 0);
    QCOMPARE(g.documentPages, 3);
    QCOMPARE(g.pages.size(), std::size_t(3));
    QCOMPARE(g.pages[2].name, files[2]);
    QCOMPARE(g.calls.size(), std::size_t(3));
    QCOMPARE(g.calls[1].control.text, QByteArray("Page 2"));
    QCOMPARE(g.closedDocuments, 1);

    // A page that cannot be read ends the export before the document closes.
    QVERIFY(QFile::remove(files[1]));
    RecordingGenerator second;
    parser.setGenerator(&second);
    QCOMPARE(parser.exportPages(), int(ResultFatal));
    QCOMPARE(second.pages.size(), std::size_t(1));
    QCOMPARE(second.closedDocuments, 0);

    RecordingGenerator refusing;
    refusing.openDocumentAnswer = IReportGenerator::Cancelled;
    parser.setGenerator(&refusing);
    QCOMPARE(parser.exportPages(), int(IReportGenerator::Cancelled));
    QVERIFY(refusing.pages.empty());
}

void TestPageFiles::writtenFileIsAWellFormedMetafile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("w.wmf"));
    {
        // An older file of the name, readable by anyone, does not lend the page its permissions.
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.write("old") == 3);
        old.close();
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0644) == 0);
    }
    FinishedPage page;
    page.width = 8500;
    page.height = 14000;
    page.controls = {placed(ControlKind::String, 0, 0, 8500, 300, QStringLiteral("Name")),
                     placed(ControlKind::Polygon, 0, 0, 10, 10)};
    page.controls[1].points = {QPoint(0, 0), QPoint(10, 0), QPoint(0, 10)};
    QString error;
    QVERIFY2(PageWriter::write(page, file, &error), qPrintable(error));
    QCOMPARE(modeOf(file), mode_t(0600));

    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray b = in.readAll();
    const char *d = b.constData();
    QVERIFY(b.size() > pr::RecordsStart);
    QCOMPARE(qFromLittleEndian<quint32>(d), pr::PlaceableKey);
    QCOMPARE(qFromLittleEndian<qint16>(d + 10), qint16(8500 * 1440 / 1000));
    QCOMPARE(qFromLittleEndian<qint16>(d + 12), qint16(14000 * 1440 / 1000));
    QCOMPARE(qFromLittleEndian<quint16>(d + 14), quint16(PageWriter::UnitsPerInch));
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(d + 2 * i);
    QCOMPARE(qFromLittleEndian<quint16>(d + 20), checksum);
    QCOMPARE(qFromLittleEndian<quint16>(d + 24), quint16(9));
    QCOMPARE(qint64(qFromLittleEndian<quint32>(d + 28)) * 2, qint64(b.size() - pr::PlaceableHeaderSize));

    // Every record's size is whole and non-zero, the largest is in the
    // header, and the last is the end-of-file record, at the very end.
    qsizetype at = pr::RecordsStart;
    quint32 largest = 0;
    int lastFunction = -1;
    while (at < b.size()) {
        const quint32 words = qFromLittleEndian<quint32>(d + at);
        QVERIFY(words >= 3);
        QVERIFY(at + qsizetype(words) * 2 <= b.size());
        largest = std::max(largest, words);
        lastFunction = qFromLittleEndian<quint16>(d + at + 4);
        at += qsizetype(words) * 2;
    }
    QCOMPARE(at, b.size());
    QCOMPARE(lastFunction, 0);
    QCOMPARE(qFromLittleEndian<quint32>(d + 34), largest);
}

void TestPageFiles::writerRefusesWhatItCannotCarry_data()
{
    QTest::addColumn<FinishedPage>("page");

    FinishedPage wide;
    wide.width = 23000; // beyond the page file's 16 bits in twips
    QTest::newRow("page too wide") << wide;

    FinishedPage attributes;
    attributes.controls = {placed(ControlKind::Box, 0, 0, 10, 10)};
    attributes.controls[0].attributes = QString(2049, QLatin1Char('a'));
    QTest::newRow("attribute text too long") << attributes;

    FinishedPage face;
    face.controls = {placed(ControlKind::String, 0, 0, 10, 10, QStringLiteral("x"))};
    face.controls[0].style.font.face = QString(32, QLatin1Char('F'));
    QTest::newRow("face too long") << face;

    FinishedPage color;
    color.controls = {placed(ControlKind::Box, 0, 0, 10, 10)};
    color.controls[0].style.backgroundColor = 0x1000000;
    QTest::newRow("not a colour") << color;

    FinishedPage size;
    size.controls = {placed(ControlKind::String, 0, 0, 10, 10, QStringLiteral("x"))};
    size.controls[0].style.font.size = 0;
    QTest::newRow("font without a size") << size;

    FinishedPage far;
    far.controls = {placed(ControlKind::Line, 0, 0, 40000, 10)};
    far.controls[0].style.borderStyle = BorderStyle::Solid;
    QTest::newRow("control beyond the page file's reach") << far;
}

void TestPageFiles::writerRefusesWhatItCannotCarry()
{
    QFETCH(FinishedPage, page);
    QString error;
    QVERIFY(PageWriter::encode(page, &error).isEmpty());
    QVERIFY(!error.isEmpty());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("r.wmf"));
    QVERIFY(!PageWriter::write(page, file, &error));
    QVERIFY(error.contains(QStringLiteral("r.wmf")));
    QVERIFY(!QFileInfo::exists(file));
}

void TestPageFiles::pageFolderIsPrivateAndGoes()
{
    QTemporaryDir base;
    QString path;
    {
        PageFolder folder(base.path());
        QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
        path = folder.path();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(base.path()).absoluteFilePath());
        QVERIFY(QFileInfo(path).fileName().startsWith(
            QStringLiteral("tavimo-pages-%1-").arg(QCoreApplication::applicationPid())));
        QCOMPARE(modeOf(path), mode_t(0700));

        PageFolder other(base.path());
        QVERIFY(other.isValid());
        QVERIFY(other.path() != path);

        FinishedPage page;
        QString error;
        QVERIFY2(PageWriter::write(page, folder.pageFile(1), &error), qPrintable(error));
        QCOMPARE(QFileInfo(folder.pageFile(1)).fileName(), QStringLiteral("page00001.wmf"));
        QCOMPARE(modeOf(folder.pageFile(1)), mode_t(0600));
        QVERIFY(QDir(path).mkdir(QStringLiteral("inner")));
    }
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(QDir(base.path()).isEmpty());

    PageFolder nowhere(base.filePath(QStringLiteral("missing/deeper")));
    QVERIFY(!nowhere.isValid());
    QVERIFY(nowhere.errorString().contains(QStringLiteral("missing/deeper")));
}

void TestPageFiles::leftoversOfEndedRunsGo()
{
    QTemporaryDir base;
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0)
        ::_exit(0);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);

    const QDir dir(base.path());
    const QString dead = QStringLiteral("tavimo-pages-%1-1f2e").arg(child);
    QVERIFY(dir.mkdir(dead));
    QFile page(dir.filePath(dead + QStringLiteral("/page00001.wmf")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    const QStringList kept = {
        QStringLiteral("tavimo-pages-%1-abc").arg(::getpid()), // this process
        QStringLiteral("tavimo-pages-1-abc"),                   // another user's running process
        QStringLiteral("tavimo-pages-x1-abc"),
        QStringLiteral("tavimo-pages-%1").arg(child),
        QStringLiteral("other-%1-abc").arg(child),
    };
    for (const QString &name : kept)
        QVERIFY(dir.mkdir(name));
    QFile plain(dir.filePath(QStringLiteral("tavimo-pages-%1-ff").arg(child))); // a file, not a folder
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    PageFolder running(base.path());
    QVERIFY(running.isValid());

    QVERIFY(!PageFolder::processRuns(child));
    QVERIFY(PageFolder::processRuns(::getpid()));
    QCOMPARE(PageFolder::removeLeftovers(base.path()), 1);
    QVERIFY(!dir.exists(dead));
    for (const QString &name : kept)
        QVERIFY2(dir.exists(name), qPrintable(name));
    QVERIFY(QFileInfo::exists(plain.fileName()));
    QVERIFY(QFileInfo::exists(running.path()));
}

QTEST_GUILESS_MAIN(TestPageFiles)
#include "tst_pagefiles.moc"
