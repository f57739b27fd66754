#include "pdfcontent.h"

#include "pdfcolor.h"
#include "pdfformat.h"
#include "pdfobjecttable.h"
#include "pdftargetfile.h"

#include <algorithm>
#include <cmath>

namespace tavimo {

namespace {

constexpr double kPenWidthDivisor = 8.3774250440917107583774250440917;
constexpr double kDegrees = 0.0174532925199;

const char *dashPattern(int style)
{
    switch (style) {
    case 1: return "[3] 3 d";
    case 2: return "[1] 1 d";
    case 3: return "[3 2 1 2] 0 d";
    default: return "[] 0 d";
    }
}

} // namespace

PdfContent::PdfContent(PdfTargetFile &out, PdfObjectTable &objects)
    : m_out(out)
    , m_objects(objects)
{
}

void PdfContent::startPage(int pageHeight, bool compress)
{
    closeRun();
    m_pageHeight = pageHeight;
    m_compress = compress;
    m_contents.clear();
}

void PdfContent::add(const QByteArray &line)
{
    m_out.writeLine(line);
}

void PdfContent::point(QByteArray &line, double x, double y)
{
    PdfFormat::appendReal(line, x);
    line += ' ';
    PdfFormat::appendReal(line, y);
}

void PdfContent::open(Run run)
{
    m_stream = m_objects.allocate();
    m_contents.push_back(m_stream);
    m_out.beginStream(m_stream, m_compress);
    m_run = run;
    m_penWritten = m_widthWritten = m_styleWritten = m_fillWritten = false;
}

void PdfContent::closeRun()
{
    if (m_run == Run::None)
        return;
    if (m_run == Run::Text || m_run == Run::ClippedText)
        add("ET");
    if (m_run == Run::ClippedText)
        add("Q");
    m_run = Run::None;
    const PdfTargetFile::StoredStream stored = m_out.endStream();
    m_objects.begin(m_out, m_stream);
    const QByteArray length = PdfFormat::integer(stored.length);
    m_out.writeLine(stored.flated ? "<< /Filter /Fl /Length " + length + " >>" : "<< /Length " + length + " >>");
    m_out.writeLine("stream");
    m_out.writeStoredStream();
    m_out.writeLine("endstream");
    m_out.writeLine("endobj");
}

void PdfContent::beginGraphics()
{
    if (m_run == Run::Graphics)
        return;
    closeRun();
    open(Run::Graphics);
    // Pen colour, fill colour, pen width, dash: the order every stream starts with.
    writePenColor(true);
    writeFill(m_fill, true);
    writePenShape(true);
}

void PdfContent::writePen(bool force)
{
    writePenColor(force);
    writePenShape(force);
}

void PdfContent::writePenColor(bool force)
{
    if (force || !m_penWritten || m_writtenPen.color != m_pen.color) {
        add(PdfColor::components(m_pen.color) + " RG");
        m_writtenPen.color = m_pen.color;
        m_penWritten = true;
    }
}

void PdfContent::writePenShape(bool force)
{
    if (force || !m_widthWritten || m_writtenPen.width != m_pen.width) {
        add(PdfFormat::real(PdfFormat::round3(m_pen.width / kPenWidthDivisor)) + " w");
        m_writtenPen.width = m_pen.width;
        m_widthWritten = true;
    }
    if (force || !m_styleWritten || m_writtenPen.style != m_pen.style) {
        add(dashPattern(m_pen.style));
        m_writtenPen.style = m_pen.style;
        m_styleWritten = true;
    }
}

void PdfContent::writeFill(int color, bool force)
{
    if (force || !m_fillWritten || m_writtenFill != color) {
        add(PdfColor::components(color) + " rg");
        m_writtenFill = color;
        m_fillWritten = true;
    }
}

void PdfContent::setPen(int color, int width, int style)
{
    m_pen = Pen{color, width, style};
}

void PdfContent::setFillColor(int color)
{
    m_fill = color;
}

void PdfContent::rectangle(int x, int y, int w, int h)
{
    beginGraphics();
    writePen(false);
    if (m_fill != -1)
        writeFill(m_fill, false);
    QByteArray line;
    point(line, toPoints(x), flipY(y));
    line += ' ';
    point(line, toPoints(w), -toPoints(h));
    line += " re";
    add(line);
    add(m_fill == -1 ? "s" : "B");
}

void PdfContent::line(int x, int y, int w, int h)
{
    beginGraphics();
    writePen(false);
    QByteArray from;
    point(from, toPoints(x), flipY(y));
    add(from + " m");
    QByteArray to;
    point(to, toPoints(double(x) + w), flipY(double(y) + h));
    add(to + " l");
    // Stroked open: closing the path would run the dash back over itself.
    add("S");
}

void PdfContent::ellipse(int x, int y, int w, int h)
{
    beginGraphics();
    writePen(false);
    if (m_fill != -1)
        writeFill(m_fill, false);
    const double cx = std::round(toPoints(x + w / 2.0));
    const double cy = std::round(flipY(y + h / 2.0));
    const double rx = std::round(toPoints(w) / 2.0);
    const double ry = std::round(toPoints(h) / 2.0);
    const double delta = M_PI / 2.0;
    const double k = 4.0 / 3.0 * (1.0 - std::cos(delta / 2.0)) / std::sin(delta / 2.0);
    auto curve = [&](double x1, double y1, double x2, double y2, double x3, double y3) {
        QByteArray line;
        point(line, x1, y1);
        line += ' ';
        point(line, x2, y2);
        line += ' ';
        point(line, x3, y3);
        add(line + " c");
    };
    QByteArray start;
    point(start, cx + rx, cy);
    add(start + " m");
    curve(cx + rx, cy + k * ry, cx + k * rx, cy + ry, cx, cy + ry);
    curve(cx - k * rx, cy + ry, cx - rx, cy + k * ry, cx - rx, cy);
    curve(cx - rx, cy - k * ry, cx - k * rx, cy - ry, cx, cy - ry);
    curve(cx + k * rx, cy - ry, cx + rx, cy - k * ry, cx + rx, cy);
    add(m_fill == -1 ? "s" : "B");
}

void PdfContent::polygon(const std::vector<QPoint> &points)
{
    if (points.size() < 2)
        return;
    beginGraphics();
    writePen(false);
    if (m_fill != -1)
        writeFill(m_fill, false);
    for (std::size_t i = 0; i < points.size(); ++i) {
        QByteArray line;
        point(line, toPoints(points[i].x()), flipY(points[i].y()));
        add(line + (i == 0 ? " m" : " l"));
    }
    add(m_fill == -1 ? "s" : "b");
}

void PdfContent::image(int number, double x, double y, double w, double h, int maskColor)
{
    beginGraphics();
    QByteArray line = "q";
    if (maskColor != -1)
        line += ' ' + PdfColor::components(maskColor) + " rg";
    line += ' ';
    PdfFormat::appendReal(line, w);
    line += " 0 0 ";
    PdfFormat::appendReal(line, h);
    line += ' ';
    point(line, x, y);
    line += " cm /Im" + PdfFormat::integer(number) + " Do Q";
    add(line);
}

void PdfContent::text(int x, int y, const Text &text, const QRect *clip)
{
    if (clip) {
        closeRun();
        open(Run::ClippedText);
        add("q");
        QByteArray box;
        point(box, toPoints(clip->x()), flipY(clip->y()));
        box += ' ';
        point(box, toPoints(clip->width()), -toPoints(clip->height()));
        add(box + " re");
        add("W n");
        add("BT");
    } else if (m_run != Run::Text) {
        closeRun();
        open(Run::Text);
        add("BT");
    }
    QByteArray font = "/F" + PdfFormat::integer(text.fontNumber) + ' ';
    PdfFormat::appendReal(font, text.size);
    add(font + " Tf");
    add(PdfColor::components(text.color) + " rg");

    const double theta = text.angle * kDegrees;
    const double c = PdfFormat::round3(std::cos(theta));
    const double s = PdfFormat::round3(std::sin(theta));
    double px = toPoints(x);
    double py = m_pageHeight - (toPoints(y) + text.size);
    if (text.angle % 360 != 0) {
        // Keep the top-left corner of the turned text's bounding box where
        // the unturned box had it.
        const double cornersX[4] = {0, text.width, 0, text.width};
        const double cornersY[4] = {0, 0, text.size, text.size};
        double minX = 0, maxY = 0;
        for (int i = 0; i < 4; ++i) {
            const double rx = cornersX[i] * c - cornersY[i] * s;
            const double ry = cornersX[i] * s + cornersY[i] * c;
            minX = i == 0 ? rx : std::min(minX, rx);
            maxY = i == 0 ? ry : std::max(maxY, ry);
        }
        px = toPoints(x) - minX;
        py = flipY(y) - maxY;
    }
    QByteArray line;
    PdfFormat::appendReal(line, c);
    line += ' ';
    PdfFormat::appendReal(line, s);
    line += ' ';
    PdfFormat::appendReal(line, -s);
    line += ' ';
    PdfFormat::appendReal(line, c);
    line += ' ';
    point(line, px, py);
    line += " Tm [(" + text.escaped + ")] TJ";
    add(line);
}

} // namespace tavimo
