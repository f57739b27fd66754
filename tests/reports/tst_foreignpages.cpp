// Page files as other programs write them: records the renderer never
// writes are skipped, the ones it shares are read as it reads its own, and
// the PDF and the painter get a page without a message. A damaged file
// either replays cleanly into a valid PDF or stops with one of the parser's
// messages and leaves no PDF; never a crash or a hang.
#include "contextfixture.h"
#include "dibwriter.h"
#include "errormanager.h"
#include "pagereader.h"
#include "pagerecords.h"
#include "pagewriter.h"
#include "paintgenerator.h"
#include "pdfgenerator.h"
#include "pdftools.h"
#include "reportlayout.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#include <functional>
#include <memory>

using namespace tavimo;
namespace pr = tavimo::pagerecords;

namespace {

// Records of the wider metafile format that the renderer does not write.
namespace Foreign {
enum : int {
    RealizePalette = 0x0035,
    CreatePalette = 0x00F7,
    SetMapMode = 0x0103,
    SetRop2 = 0x0104,
    SetPolyFillMode = 0x0106,
    SetViewportOrigin = 0x020D,
    SetViewportExtent = 0x020E,
    SelectPalette = 0x0234,
    Polyline = 0x0325,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    TextOut = 0x0521,
    PolyPolygon = 0x0538,
    DibStretchBlt = 0x0B41,
};
constexpr int Anisotropic = 8;
constexpr int SourceCopy = 0x00CC0020;
constexpr int Winding = 2;
constexpr int NotXorPen = 10;
constexpr int Comment = 15; // escape code of a writer's own data
} // namespace Foreign

void put16(QByteArray &out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &out, qint64 v)
{
    put16(out, int(v & 0xFFFF));
    put16(out, int((v >> 16) & 0xFFFF));
}

// A placeable metafile made record by record, as another writer would.
class Metafile
{
public:
    explicit Metafile(int unitsPerInch = 1440, int right = 12240, int bottom = 15840)
        : m_unitsPerInch(unitsPerInch), m_right(right), m_bottom(bottom)
    {
    }

    // The offset where the next record starts, for changing it afterwards.
    qsizetype nextOffset() const { return pr::RecordsStart + m_body.size(); }

    Metafile &record(int function, std::initializer_list<int> words, const QByteArray &tail = QByteArray())
    {
        QByteArray params;
        for (int w : words)
            put16(params, w);
        params += tail;
        if (params.size() % 2)
            params += '\0';
        put32(m_body, 3 + params.size() / 2);
        put16(m_body, function);
        m_body += params;
        return *this;
    }
    Metafile &escape(int code, const QByteArray &data)
    {
        QByteArray tail;
        put16(tail, code);
        put16(tail, int(data.size()));
        return record(pr::Function::Escape, {}, tail + data);
    }
    Metafile &mark(int kind, const QByteArray &payload)
    {
        QByteArray data;
        put16(data, kind);
        return escape(pr::MarkEscape, data + payload);
    }
    Metafile &start(const QByteArray &kind, const QByteArray &attributes = QByteArray())
    {
        QByteArray payload = kind + '\0';
        put16(payload, int(attributes.size()));
        return mark(pr::Mark::ControlStart, payload + attributes);
    }
    Metafile &end(const QByteArray &kind) { return mark(pr::Mark::ControlEnd, kind + '\0'); }

    Metafile &pen(int style, int width, int color)
    {
        return record(pr::Function::CreatePen, {style, width, 0, color & 0xFFFF, color >> 16});
    }
    Metafile &brush(int style, int color)
    {
        return record(pr::Function::CreateBrush, {style, color & 0xFFFF, color >> 16, 0});
    }
    // The face as the record carries it: nothing added, so a face may lack its zero.
    Metafile &font(int height, const QByteArray &face, int charset = 0, int weight = 400)
    {
        QByteArray tail;
        tail.append(char(0)); // italic
        tail.append(char(0)); // underline
        tail.append(char(0)); // strike-out
        tail.append(char(charset));
        tail.append(4, '\0');
        return record(pr::Function::CreateFont, {height, 0, 0, 0, weight}, tail + face);
    }
    Metafile &palette(int entries)
    {
        QByteArray tail;
        for (int i = 0; i < entries; ++i) {
            tail.append(char(i * 40));
            tail.append(char(255 - i * 40));
            tail.append(char(i * 7));
            tail.append(char(0));
        }
        return record(Foreign::CreatePalette, {0x0300, entries}, tail);
    }
    Metafile &select(int number) { return record(pr::Function::SelectObject, {number}); }
    Metafile &remove(int number) { return record(pr::Function::DeleteObject, {number}); }
    Metafile &rectangle(int left, int top, int right, int bottom)
    {
        return record(pr::Function::Rectangle, {bottom, right, top, left});
    }
    Metafile &textOut(int x, int y, const QByteArray &text)
    {
        QByteArray tail;
        put16(tail, int(text.size()));
        tail += text;
        if (tail.size() % 2)
            tail += '\0';
        put16(tail, y);
        put16(tail, x);
        return record(Foreign::TextOut, {}, tail);
    }
    Metafile &extTextOut(int x, int y, const QByteArray &text, const QRect &box = QRect())
    {
        if (box.isNull())
            return record(pr::Function::ExtTextOut, {y, x, int(text.size()), 0}, text);
        return record(pr::Function::ExtTextOut,
                      {y, x, int(text.size()), pr::TextClipped, box.left(), box.top(), box.right(), box.bottom()},
                      text);
    }
    Metafile &points(int function, const QList<QPoint> &points)
    {
        QByteArray tail;
        put16(tail, int(points.size()));
        for (const QPoint &p : points) {
            put16(tail, p.x());
            put16(tail, p.y());
        }
        return record(function, {}, tail);
    }
    Metafile &polyPolygon(const QList<QList<QPoint>> &polygons)
    {
        QByteArray tail;
        put16(tail, int(polygons.size()));
        for (const QList<QPoint> &p : polygons)
            put16(tail, int(p.size()));
        for (const QList<QPoint> &polygon : polygons)
            for (const QPoint &p : polygon) {
                put16(tail, p.x());
                put16(tail, p.y());
            }
        return record(Foreign::PolyPolygon, {}, tail);
    }
    // The bitmap's header follows the geometry: 28 bytes into the record.
    Metafile &stretchDib(const QRect &to, const QByteArray &dib, int width, int height)
    {
        QByteArray tail;
        put32(tail, Foreign::SourceCopy);
        put16(tail, 0); // colours are RGB values
        for (int v : {height, width, 0, 0, to.height(), to.width(), to.top(), to.left()})
            put16(tail, v);
        return record(pr::Function::StretchBitmap, {}, tail + dib);
    }
    Metafile &dibStretchBlt(const QRect &to, const QByteArray &dib, int width, int height)
    {
        QByteArray tail;
        put32(tail, Foreign::SourceCopy);
        for (int v : {height, width, 0, 0, to.height(), to.width(), to.top(), to.left()})
            put16(tail, v);
        return record(Foreign::DibStretchBlt, {}, tail + dib);
    }
    Metafile &raw(const QByteArray &bytes)
    {
        m_body += bytes;
        return *this;
    }

    QByteArray bytes() const
    {
        const QByteArray body = m_body + QByteArray::fromHex("030000000000");
        QByteArray out;
        for (int v : {0xCDD7, 0x9AC6, 0, 0, 0, m_right, m_bottom, m_unitsPerInch, 0, 0})
            put16(out, v);
        quint16 checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= qFromLittleEndian<quint16>(out.constData() + 2 * i);
        put16(out, checksum);
        put16(out, 1);
        put16(out, pr::StandardHeaderSize / 2);
        put16(out, 0x0300);
        put32(out, (pr::StandardHeaderSize + body.size()) / 2);
        put16(out, 8); // objects
        put32(out, 0); // largest record: nobody reads it
        put16(out, 0);
        return out + body;
    }

private:
    int m_unitsPerInch, m_right, m_bottom;
    QByteArray m_body;
};

// A small picture of the depth, in as many colours as the depth holds.
QByteArray bitmap(int bits, int width = 9, int height = 6)
{
    QImage image(width, height, QImage::Format_RGB32);
    const int colors = bits >= 8 ? 64 : 1 << bits;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int i = (x + y * width) % colors;
            image.setPixel(x, y, bits == 1 ? (i ? qRgb(255, 255, 255) : qRgb(0, 0, 0))
                                           : qRgb(i * 4 % 256, 255 - i * 4 % 256, i * 16 % 256));
        }
    DibWriter::Options options;
    options.bits = bits;
    return DibWriter::write(image, options);
}

// The page every foreign file starts with: units, objects and a string
// control, so that the records around it have something to upset.
Metafile withString(const QByteArray &text = "Reading 120/80")
{
    Metafile m;
    m.record(pr::Function::SetWindowOrigin, {0, 0});
    m.record(pr::Function::SetWindowExtent, {15840, 12240});
    m.font(-240, "Arial").select(0); // 0
    m.record(pr::Function::SetBackgroundMode, {pr::TransparentBackground});
    m.start("STRING").extTextOut(720, 720, text, QRect(QPoint(720, 720), QPoint(6000, 1000))).end("STRING");
    return m;
}

struct PdfOutcome
{
    int result = -1;
    QList<MessageBoxRequest> messages;
    QStringList writerMessages; // fonts, images, attribute texts
    bool written = false;
    QString file;
};

// One folder, one context: every replay in it is counted on its own.
class Replay
{
public:
    Replay() : m_context(std::make_unique<testing::ContextFixture>()) {}

    QString path(const QString &name) const { return m_context->tmp.filePath(name); }

    QString writePage(const QByteArray &bytes, const QString &name = QStringLiteral("page00001.wmf"))
    {
        const QString file = path(name);
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file));
        return file;
    }

    PdfOutcome toPdf(const QString &page)
    {
        m_context->presenter.clear();
        PdfOutcome o;
        o.file = path(QStringLiteral("out.pdf"));
        QFile::remove(o.file);
        PdfGenerator pdf;
        pdf.setReproducible(true);
        pdf.setMessageHandler([&o](const QString &title, const QString &text) { o.writerMessages << title + ": " + text; });
        pdf.setAttributeErrorHandler([&o](const QByteArray &text, int at) {
            o.writerMessages << QStringLiteral("attributes %1 at %2").arg(QString::fromLatin1(text)).arg(at);
        });
        pdf.setOutputFileName(o.file);
        WmfParser parser(*m_context->context);
        parser.setPages({page});
        parser.setGenerator(&pdf);
        o.result = parser.exportPages();
        o.messages = m_context->presenter.shown();
        o.written = QFile::exists(o.file);
        return o;
    }

    // The messages of the replay into a painter; `result` gets its result.
    QList<MessageBoxRequest> toPainter(const QString &page, int *result)
    {
        m_context->presenter.clear();
        QImage image(425, 550, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        PaintGenerator paint(painter, 50);
        WmfParser parser(*m_context->context);
        parser.setPages({page});
        parser.setGenerator(&paint);
        *result = parser.exportPages();
        return m_context->presenter.shown();
    }

    // The catalogue number of a parser message about `file`, or 0.
    int messageNumber(const MessageBoxRequest &shown, const QString &file) const
    {
        if (shown.caption != QStringLiteral("WMF Parser Error"))
            return 0;
        QString text = shown.text;
        if (text.endsWith(QLatin1String(ErrorManager::FatalSuffix)))
            text.chop(int(qstrlen(ErrorManager::FatalSuffix)));
        for (int id : {WmfParser::NextRecordFailed, WmfParser::QueueFailed, WmfParser::NotWmf,
                       WmfParser::InvalidControl, WmfParser::MissingObject}) {
            QString pattern = m_context->errors.entry(id)->text;
            pattern.replace(QStringLiteral("%File"), QStringLiteral("FILEHERE"));
            pattern.replace(QStringLiteral("%Field"), QStringLiteral("FIELDHERE"));
            pattern = QRegularExpression::escape(pattern);
            pattern.replace(QStringLiteral("FILEHERE"), QRegularExpression::escape(file));
            pattern.replace(QStringLiteral("FIELDHERE"), QStringLiteral("\\S+"));
            if (QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$')).match(text).hasMatch())
                return id;
        }
        return 0;
    }

private:
    std::unique_ptr<testing::ContextFixture> m_context;
};

QString describe(const PdfOutcome &o)
{
    QStringList said = o.writerMessages;
    for (const MessageBoxRequest &m : o.messages)
        said << m.caption + ": " + m.text;
    return QStringLiteral("result %1, %2 written; %3")
        .arg(o.result)
        .arg(o.written ? "" : "not")
        .arg(said.join(QStringLiteral(" / ")));
}

int imagesIn(const QString &pdf)
{
    const PdfTools::Run list = PdfTools::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    return int(list.out.trimmed().split('\n').size()) - 2;
}

} // namespace

class TestForeignPages : public QObject
{
    Q_OBJECT

private slots:
    void foreignRecordsAreSkipped_data();
    void foreignRecordsAreSkipped();
    void bitmapsOfEveryDepth_data();
    void bitmapsOfEveryDepth();
    void everyTruncation();
    void byteChanges_data();
    void byteChanges();
};

void TestForeignPages::foreignRecordsAreSkipped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("texts"); // what the PDF's text must hold

    {
        Metafile m = withString("Scaled text");
        m.record(Foreign::SetMapMode, {Foreign::Anisotropic});
        m.record(Foreign::SetViewportOrigin, {50, 40});
        m.record(Foreign::SetViewportExtent, {-1100, 850});
        m.record(pr::Function::SetWindowExtent, {11000, 8500}); // now in thousandths
        m.start("STRING").record(Foreign::SetMapMode, {1});
        m.extTextOut(500, 3000, "After the extent", QRect(QPoint(500, 3000), QPoint(5000, 3300))).end("STRING");
        QTest::newRow("map mode, window and viewport") << m.bytes() << QByteArrayList{"Scaled text", "After the extent"};
    }
    {
        // Palettes as a painting program writes them: made, selected, realised, deleted.
        Metafile m = withString("Palette page");
        m.palette(4).record(Foreign::SelectPalette, {1}).record(Foreign::RealizePalette, {});
        m.start("BOX").pen(0, 15, 0x0000FF).brush(pr::SolidBrush, 0x00FFFF).select(2).select(3);
        m.rectangle(720, 1440, 4000, 2880).end("BOX");
        m.remove(3).remove(2).remove(1);
        QTest::newRow("palette") << m.bytes() << QByteArrayList{"Palette page"};
    }
    {
        Metafile m = withString("Extended");
        m.textOut(720, 2000, "Plain text out");
        m.start("STRING").textOut(720, 2400, "inside").extTextOut(720, 2800, "Second").end("STRING");
        m.start("TEXT").textOut(720, 3200, "odd").textOut(720, 3400, "").end("TEXT");
        QTest::newRow("text out") << m.bytes() << QByteArrayList{"Extended", "Second"};
    }
    {
        Metafile m = withString("Shapes");
        m.record(Foreign::SetPolyFillMode, {Foreign::Winding}).record(Foreign::SetRop2, {Foreign::NotXorPen});
        m.pen(0, 10, 0).select(1);
        m.points(Foreign::Polyline, {QPoint(100, 100), QPoint(2000, 300), QPoint(900, 1500)});
        m.polyPolygon({{QPoint(0, 0), QPoint(500, 0), QPoint(0, 500)}, {QPoint(1000, 1000), QPoint(1500, 1500)}});
        m.start("POLYGON").brush(pr::SolidBrush, 0x808080).select(2);
        m.polyPolygon({{QPoint(3000, 3000), QPoint(4000, 3000), QPoint(3500, 4000)}});
        m.points(pr::Function::Polygon, {QPoint(3000, 5000), QPoint(4000, 5000), QPoint(3500, 6000)});
        m.record(Foreign::SetPolyFillMode, {1}).end("POLYGON");
        m.start("LINE").points(Foreign::Polyline, {QPoint(0, 7000), QPoint(9000, 7000)}).end("LINE");
        m.polyPolygon({});
        QTest::newRow("polylines, poly polygons, fill and raster modes") << m.bytes() << QByteArrayList{"Shapes"};
    }
    {
        Metafile m = withString("Clipped");
        m.record(Foreign::IntersectClipRect, {3000, 4000, 200, 200});
        m.record(pr::Function::SaveState, {});
        m.record(Foreign::ExcludeClipRect, {600, 600, 400, 400});
        m.start("BOX").record(Foreign::IntersectClipRect, {0, 0, 0, 0}).rectangle(100, 100, 900, 900).end("BOX");
        m.record(pr::Function::RestoreState, {-1});
        m.record(pr::Function::RestoreState, {-5}); // never saved: nothing to restore
        QTest::newRow("clip rectangles") << m.bytes() << QByteArrayList{"Clipped"};
    }
    const struct
    {
        const char *name;
        QByteArray face;
        int charset;
    } faces[] = {
        {"empty face", QByteArray(1, '\0'), 0},
        {"face without its zero", QByteArray(32, 'W'), 0},
        {"face of 31 letters", QByteArray(31, 'a') + '\0', 0},
        {"face with spaces around", QByteArray("  Times New Roman  ") + '\0', 0},
        {"face in WinAnsi", QByteArray("\xC4" "rial \xDC" "bersicht") + '\0', 0},
        {"vertical face", QByteArray("@MS Mincho") + '\0', 128},
        {"symbol face", QByteArray("Symbol") + '\0', 2},
        {"picture font", QByteArray("Wingdings") + '\0', 2},
        {"face with control characters", QByteArray("A\x01\x7F\x1B") + '\0', 0},
        {"face with parentheses", QByteArray("Font(Bold)|PDF(SKIP=1)") + '\0', 0},
        {"face and garbage after its zero", QByteArray("Arial") + '\0' + QByteArray("\xFF\xFE junk"), 0},
    };
    for (const auto &f : faces) {
        Metafile m = withString("Odd faces");
        m.font(-300, f.face, f.charset).select(1);
        m.start("STRING").extTextOut(720, 2000, "In that face", QRect(QPoint(720, 2000), QPoint(8000, 2400)));
        m.end("STRING");
        m.start("TEXT").extTextOut(720, 2600, "Block line").end("TEXT");
        m.select(0).remove(1);
        QTest::newRow(f.name) << m.bytes() << QByteArrayList{"Odd faces"};
    }
    {
        Metafile m = withString("Escapes");
        m.escape(Foreign::Comment, "made by another program");
        m.escape(1, QByteArray()); // a new frame
        m.escape(Foreign::Comment, "odd"); // padded to a whole word
        m.escape(pr::MarkEscape, QByteArray::fromHex("4d00") + "a later writer's mark");
        m.start("BOX").escape(Foreign::Comment, QByteArray(300, '\xAB')).rectangle(0, 0, 500, 500);
        m.escape(0x1000, QByteArray::fromHex("0b00") + "BOX");
        m.end("BOX");
        m.escape(pr::MarkEscape, QByteArray::fromHex("0900") + "Renamed"); // the page name again
        QTest::newRow("escapes of other codes") << m.bytes() << QByteArrayList{"Escapes"};
    }
    {
        // Everything at once, inside controls and between them.
        Metafile m = withString("All together");
        m.record(Foreign::SetMapMode, {Foreign::Anisotropic}).record(Foreign::SetRop2, {13});
        m.start("GROUP", "PDF(Bookmark=Bookmark)");
        m.pen(0, 0, 0).brush(pr::NullBrush, 0).select(1).select(2).rectangle(100, 4000, 9000, 6000);
        m.textOut(200, 4000, "caption?").extTextOut(200, 4000, "Group caption");
        m.record(Foreign::IntersectClipRect, {6000, 9000, 4000, 100}).end("GROUP");
        m.start("IMAGE").dibStretchBlt(QRect(200, 6500, 1000, 700), bitmap(8), 9, 6).end("IMAGE");
        m.remove(1);
        QTest::newRow("all together") << m.bytes() << QByteArrayList{"All together", "Group caption"};
    }
}

void TestForeignPages::foreignRecordsAreSkipped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, texts);
    Replay replay;
    const QString page = replay.writePage(bytes);

    const PdfOutcome pdf = replay.toPdf(page);
    QVERIFY2(pdf.result == 0 && pdf.messages.isEmpty() && pdf.writerMessages.isEmpty() && pdf.written,
             qPrintable(describe(pdf)));
    QCOMPARE(PdfTools::validate(pdf.file), QString());
    const QByteArray text = PdfTools::text(pdf.file).out;
    for (const QByteArray &expected : texts)
        QVERIFY2(text.contains(expected), expected + " not in " + text);

    int painted = -1;
    const QList<MessageBoxRequest> said = replay.toPainter(page, &painted);
    QCOMPARE(painted, 0);
    QCOMPARE(said.size(), 0);
}

void TestForeignPages::bitmapsOfEveryDepth_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("marked"); // inside an image control: drawn; outside: skipped
    for (int bits : {1, 4, 8, 24})
        for (bool marked : {true, false})
            QTest::addRow("%d bits, %s", bits, marked ? "in an image control" : "outside any control")
                << bits << marked;
}

void TestForeignPages::bitmapsOfEveryDepth()
{
    QFETCH(int, bits);
    QFETCH(bool, marked);
    Metafile m = withString("Bitmaps");
    const QByteArray dib = bitmap(bits);
    if (marked)
        m.start("IMAGE", "PDF(Bookmark=Picture)");
    m.stretchDib(QRect(720, 1440, 2880, 1920), dib, 9, 6);
    // The other writer's stretch record is not one the reader knows: skipped.
    m.dibStretchBlt(QRect(4000, 1440, 2880, 1920), dib, 9, 6);
    if (marked)
        m.end("IMAGE");
    m.start("IMAGE").dibStretchBlt(QRect(4000, 4000, 2880, 1920), dib, 9, 6).end("IMAGE");

    Replay replay;
    const QString page = replay.writePage(m.bytes());
    const PdfOutcome pdf = replay.toPdf(page);
    QVERIFY2(pdf.result == 0 && pdf.messages.isEmpty() && pdf.writerMessages.isEmpty() && pdf.written,
             qPrintable(describe(pdf)));
    QCOMPARE(PdfTools::validate(pdf.file), QString());
    QCOMPARE(imagesIn(pdf.file), marked ? 1 : 0);

    int painted = -1;
    QCOMPARE(replay.toPainter(page, &painted).size(), 0);
    QCOMPARE(painted, 0);
}

void TestForeignPages::everyTruncation()
{
    // A small page of the renderer's own, cut at every length.
    FinishedPage small;
    small.name = QStringLiteral("Cut");
    PlacedControl text;
    text.kind = ControlKind::String;
    text.left = 500;
    text.top = 500;
    text.right = 3000;
    text.bottom = 700;
    text.x = 500;
    text.y = 500;
    text.text = QStringLiteral("Pulse 64");
    text.attributes = QStringLiteral("PDF(Bookmark=Bookmark)");
    PlacedControl frame = text;
    frame.kind = ControlKind::Box;
    frame.text.clear();
    frame.attributes.clear();
    frame.style.borderStyle = BorderStyle::Solid;
    small.controls = {text, frame};
    QString error;
    const QByteArray whole = PageWriter::encode(small, &error);
    QVERIFY2(!whole.isEmpty(), qPrintable(error));

    Replay replay;
    int clean = 0;
    for (qsizetype length = 0; length < whole.size(); ++length) {
        const QString page = replay.writePage(whole.left(length));
        const PdfOutcome pdf = replay.toPdf(page);
        int painted = -1;
        const QList<MessageBoxRequest> paintMessages = replay.toPainter(page, &painted);
        const QString where = QStringLiteral("cut at %1 of %2: %3").arg(length).arg(whole.size()).arg(describe(pdf));
        if (pdf.result == 0) {
            ++clean;
            QVERIFY2(pdf.messages.isEmpty() && pdf.writerMessages.isEmpty() && pdf.written, qPrintable(where));
            QVERIFY2(PdfTools::validate(pdf.file).isEmpty(), qPrintable(where));
            QVERIFY2(painted == 0 && paintMessages.isEmpty(), qPrintable(where));
        } else {
            QVERIFY2(pdf.messages.size() == 1 && !pdf.written, qPrintable(where));
            QVERIFY2(replay.messageNumber(pdf.messages[0], page) != 0, qPrintable(where));
            // The painter hears the same.
            QVERIFY2(painted != 0 && paintMessages.size() == 1 && paintMessages[0].text == pdf.messages[0].text,
                     qPrintable(where));
        }
    }
    // Cut between records outside any control, a page is whole as far as it goes.
    QVERIFY(clean > 0);
    QVERIFY(clean < whole.size() / 4);
}

void TestForeignPages::byteChanges_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("message"); // 0: replays cleanly

    const auto with = [](qsizetype at, const QByteArray &bytes, const QByteArray &replacement) {
        QByteArray changed = bytes;
        changed.replace(at, replacement.size(), replacement);
        return changed;
    };
    const auto le32 = [](qint64 v) {
        QByteArray b;
        put32(b, v);
        return b;
    };

    {
        Metafile m = withString();
        const qsizetype box = m.nextOffset();
        m.start("BOX").rectangle(0, 0, 100, 100).end("BOX");
        const QByteArray good = m.bytes();
        QTest::newRow("unchanged") << good << 0;
        QTest::newRow("size field zeroed") << with(box, good, le32(0)) << int(WmfParser::NotWmf);
        QTest::newRow("size of two words") << with(box, good, le32(2)) << int(WmfParser::NotWmf);
        QTest::newRow("size larger than the file") << with(box, good, le32(good.size())) << int(WmfParser::NextRecordFailed);
        QTest::newRow("size beyond any file") << with(box, good, le32(0xFFFFFFFF)) << int(WmfParser::NextRecordFailed);
        QTest::newRow("key changed") << with(0, good, "\xD7\xCD\xC6\x9B") << int(WmfParser::NotWmf);
        QTest::newRow("key of a plain metafile") << with(0, good, le32(0x00090001)) << int(WmfParser::NotWmf);
        QTest::newRow("units per inch zeroed") << with(14, good, QByteArray(2, '\0')) << int(WmfParser::NotWmf);
        QTest::newRow("header words changed") << with(24, good, "\x0A\x00") << int(WmfParser::NotWmf);
        QTest::newRow("metafile type changed") << with(22, good, "\x07\x00") << int(WmfParser::NotWmf);
        // The reader walks the records, not the header's count of them.
        QTest::newRow("file size in the header wrong") << with(28, good, le32(7)) << 0;
        QTest::newRow("checksum wrong") << with(20, good, "\x00\x00") << 0;
        QTest::newRow("box empty") << with(10, good, QByteArray(4, '\0')) << 0;
    }
    {
        Metafile m = withString();
        m.select(5);
        QTest::newRow("select of an object never created") << m.bytes() << int(WmfParser::MissingObject);
    }
    {
        Metafile m = withString();
        m.remove(9);
        QTest::newRow("delete of an object never created") << m.bytes() << int(WmfParser::MissingObject);
    }
    {
        Metafile m = withString();
        m.select(-1).remove(-32768);
        QTest::newRow("negative object numbers") << m.bytes() << int(WmfParser::MissingObject);
    }
    {
        Metafile m = withString();
        m.remove(0).start("STRING").extTextOut(0, 0, "x").end("STRING");
        QTest::newRow("text in a font deleted while selected") << m.bytes() << int(WmfParser::MissingObject);
    }
    {
        Metafile m = withString();
        m.end("STRING");
        QTest::newRow("control end without start") << m.bytes() << int(WmfParser::InvalidControl);
    }
    {
        Metafile m = withString();
        m.start("BOX").rectangle(0, 0, 10, 10);
        QTest::newRow("control start without end") << m.bytes() << int(WmfParser::InvalidControl);
    }
    {
        Metafile m = withString();
        m.mark(pr::Mark::ControlStart, "BOX"); // no zero, no attribute length
        QTest::newRow("control start cut short") << m.bytes() << int(WmfParser::InvalidControl);
    }
    {
        Metafile m = withString();
        QByteArray start("STRING");
        start += '\0';
        put16(start, 0xFFFF);
        m.mark(pr::Mark::ControlStart, start + "PDF()");
        QTest::newRow("attribute length huge") << m.bytes() << int(WmfParser::InvalidControl);
    }
    {
        Metafile m = withString();
        m.start("POLYGON").record(pr::Function::Polygon, {0x7FFF, 0, 0, 10, 10, 20, 0}).end("POLYGON");
        QTest::newRow("polygon count huge") << m.bytes() << int(WmfParser::NotWmf);
    }
    {
        Metafile m = withString();
        m.start("STRING").record(pr::Function::ExtTextOut, {0, 0, 0x7FFF, 0}, "short").end("STRING");
        QTest::newRow("text length huge") << m.bytes() << int(WmfParser::NotWmf);
    }
    {
        Metafile m = withString();
        m.record(pr::Function::Escape, {Foreign::Comment, 0xFFFF}, "data");
        QTest::newRow("escape count huge") << m.bytes() << int(WmfParser::NotWmf);
    }
    {
        // Records the reader skips may claim what they like inside their size.
        Metafile m = withString();
        m.record(Foreign::PolyPolygon, {0x7FFF, 0x7FFF, 0x7FFF});
        m.record(Foreign::CreatePalette, {0x0300, 0xFFFF});
        m.record(Foreign::Polyline, {-1});
        m.record(Foreign::TextOut, {0x7FFF}, "ab");
        QTest::newRow("counts huge in skipped records") << m.bytes() << 0;
    }
    {
        Metafile m = withString();
        m.start("POLYGON").points(pr::Function::Polygon, {}).end("POLYGON");
        m.start("TEXT").end("TEXT");
        m.start("IMAGE").end("IMAGE");
        QTest::newRow("controls with nothing in them") << m.bytes() << 0;
    }
    {
        Metafile m = withString();
        m.record(pr::Function::SetWindowExtent, {0, 0});
        m.start("BOX").rectangle(-32768, -32768, 32767, 32767).end("BOX");
        m.record(pr::Function::SetWindowOrigin, {-32768, 32767});
        m.record(pr::Function::SetWindowExtent, {1, -1});
        m.start("LINE").record(pr::Function::MoveTo, {32767, -32768}).record(pr::Function::LineTo, {-32768, 32767});
        m.end("LINE");
        QTest::newRow("extents and coordinates at their limits") << m.bytes() << 0;
    }
    {
        Metafile m = withString();
        m.font(-32768, "Arial").select(1).start("STRING").extTextOut(0, 0, "huge").end("STRING");
        m.font(0x7FFF, "Arial").select(2).start("STRING").extTextOut(0, 0, "huge").end("STRING");
        m.font(0, "Arial").select(3).start("STRING").extTextOut(0, 0, "none").end("STRING");
        QTest::newRow("font heights at their limits") << m.bytes() << 0;
    }
    {
        Metafile m = withString();
        for (int i = 0; i <= WmfParser::MaxSavedStates; ++i)
            m.record(pr::Function::SaveState, {});
        QTest::newRow("saved states beyond the list") << m.bytes() << int(WmfParser::QueueFailed);
    }
}

void TestForeignPages::byteChanges()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, message);
    Replay replay;
    const QString page = replay.writePage(bytes);
    const PdfOutcome pdf = replay.toPdf(page);
    if (message == 0) {
        QVERIFY2(pdf.result == 0 && pdf.messages.isEmpty() && pdf.writerMessages.isEmpty() && pdf.written,
                 qPrintable(describe(pdf)));
        QCOMPARE(PdfTools::validate(pdf.file), QString());
    } else {
        QVERIFY2(pdf.result != 0 && pdf.messages.size() == 1, qPrintable(describe(pdf)));
        QCOMPARE(replay.messageNumber(pdf.messages[0], page), message);
        QVERIFY(!pdf.written);
    }
    int painted = -1;
    const QList<MessageBoxRequest> said = replay.toPainter(page, &painted);
    QCOMPARE(painted == 0, message == 0);
    QCOMPARE(said.size(), message == 0 ? 0 : 1);
}

QTEST_MAIN(TestForeignPages)
#include "tst_foreignpages.moc"
