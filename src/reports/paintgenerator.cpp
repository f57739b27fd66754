#include "paintgenerator.h"

#include "bytereader.h"
#include "dibexaminer.h"
#include "pdfimage.h"
#include "pdfstrings.h"
#include "reportcontrol.h"
#include "reportunits.h"

#include <QColor>
#include <QFile>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>

namespace tavimo {

namespace {

// The PDF writer's pen widths: so many units make one point.
constexpr double kPenUnitsPerPoint = 8.3774250440917107583774250440917;
constexpr std::size_t kImagesKept = 8;

QColor colorOf(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// The bytes the PDF writer puts in place of a few Baltic letters; the
// screen shows what the file will.
unsigned char balticAsWritten(unsigned char c)
{
    switch (c) {
    case 131: case 136: case 138: case 140: return ' ';
    case 141: return 0xA8;
    case 143: return 0xB8;
    case 168: return 0xD8;
    case 175: return 0xC6;
    case 184: return 0xF8;
    case 191: return 0xE6;
    case 208: return 0x8A;
    case 222: return 0x8E;
    case 254: return 0x9E;
    default: return c;
    }
}

// An ellipse as the PDF draws it: about a centre and with radii in whole
// points. The PDF rounds its centre counting up from the bottom of the
// page, which from the top is rounding halves down.
QRectF pdfEllipse(int x, int y, int w, int h, double dpiX, double dpiY)
{
    constexpr double pointsPerThousandth = 0.072;
    const double cx = std::round((x + w / 2.0) * pointsPerThousandth);
    const double cy = std::ceil((y + h / 2.0) * pointsPerThousandth - 0.5);
    const double rx = std::abs(std::round(w * pointsPerThousandth / 2.0));
    const double ry = std::abs(std::round(h * pointsPerThousandth / 2.0));
    return QRectF((cx - rx) * dpiX / 72, (cy - ry) * dpiY / 72, 2 * rx * dpiX / 72, 2 * ry * dpiY / 72);
}

void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

} // namespace

PaintGenerator::PaintGenerator(QPainter &painter, double dotsPerInchX, double dotsPerInchY)
    : m_painter(&painter), m_dpiX(dotsPerInchX), m_dpiY(dotsPerInchY)
{
}

PaintGenerator::PaintGenerator(QPaintDevice &device)
    : m_device(&device), m_dpiX(device.logicalDpiX()), m_dpiY(device.logicalDpiY())
{
}

PaintGenerator::~PaintGenerator()
{
    if (m_ownPainter && m_ownPainter->isActive())
        m_ownPainter->end();
}

void PaintGenerator::initialise()
{
    m_pageOpen = false;
    m_pagesOpened = 0;
}

int PaintGenerator::openDocument(int)
{
    initialise();
    if (!m_device)
        return Done;
    m_ownPainter = std::make_unique<QPainter>();
    if (!m_ownPainter->begin(m_device)) {
        m_ownPainter.reset();
        return Failed;
    }
    m_painter = m_ownPainter.get();
    return Done;
}

// A page that failed half way leaves the painter as the page found it;
// a device of our own is let go.
void PaintGenerator::abandonDocument()
{
    if (m_pageOpen)
        closePage();
    if (m_ownPainter) {
        if (m_ownPainter->isActive())
            m_ownPainter->end();
        m_ownPainter.reset();
        m_painter = nullptr;
    }
}

int PaintGenerator::closeDocument()
{
    if (m_pageOpen)
        closePage();
    if (m_ownPainter) {
        const bool ended = m_ownPainter->end();
        m_ownPainter.reset();
        m_painter = nullptr;
        return ended ? Done : Failed;
    }
    return Done;
}

// Positions on the page count from its top-left corner already, so the
// box only tells where the sheet ends.
int PaintGenerator::openPage(int, int, int, int, const QString &)
{
    if (m_pageOpen)
        closePage();
    if (m_device) {
        if (!m_ownPainter && openDocument(0) != Done)
            return Failed;
        if (m_pagesOpened > 0) {
            if (auto *paged = dynamic_cast<QPagedPaintDevice *>(m_device); paged && !paged->newPage())
                return Failed;
        }
    }
    if (!m_painter || !m_painter->isActive())
        return Failed;
    m_painter->save();
    m_pageOpen = true;
    ++m_pagesOpened;
    return Done;
}

int PaintGenerator::closePage()
{
    if (!m_pageOpen)
        return Done;
    m_pageOpen = false;
    if (m_painter && m_painter->isActive())
        m_painter->restore();
    return Done;
}

QString PaintGenerator::pageText(const QByteArray &text, int charset)
{
    const QByteArray cleaned = PdfStrings::clean(text);
    QString out;
    out.reserve(cleaned.size());
    for (char c : cleaned) {
        unsigned char code = static_cast<unsigned char>(c);
        if (charset == PdfStrings::BalticCharset)
            code = balticAsWritten(code);
        const char16_t u = PdfStrings::winAnsiToUnicode(code);
        out.append(u ? QChar(u) : QChar(u' '));
    }
    return out;
}

QPainter *PaintGenerator::canDraw(const ReportControl &control) const
{
    if (!m_painter || !m_painter->isActive() || ControlAttributes::skipped(control))
        return nullptr;
    return m_painter;
}

QPointF PaintGenerator::point(int x, int y) const
{
    return QPointF(reportunits::toPixels(x, m_dpiX), reportunits::toPixels(y, m_dpiY));
}

QRectF PaintGenerator::rect(int left, int top, int right, int bottom) const
{
    return QRectF(point(left, top), point(right, bottom)).normalized();
}

QRectF PaintGenerator::rect(const ControlAttributes::Box &box) const
{
    return rect(box.left, box.top, box.right, box.bottom);
}

QPen PaintGenerator::pen(int color, int width, int style) const
{
    if (color == ReportControl::NoColor || style == 5)
        return QPen(Qt::NoPen);
    // Width 0 is the thinnest line the device draws, as in the PDF; a PDF
    // reader never draws a line thinner than that either.
    const double pixels = width / kPenUnitsPerPoint * (m_dpiX + m_dpiY) / 2 / 72;
    QPen p(colorOf(color), pixels < 1 ? 0 : pixels);
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    switch (style) {
    case 1: p.setStyle(Qt::DashLine); break;
    case 2: p.setStyle(Qt::DotLine); break;
    case 3: p.setStyle(Qt::DashDotLine); break;
    default: break;
    }
    return p;
}

QFont PaintGenerator::font(const ReportControl &control) const
{
    QFont f(QString::fromLatin1(control.fontFace).trimmed());
    // Point sizes are resolved at the device's resolution; the painter's
    // coordinates may count another.
    const double deviceDpi = m_painter->device()->logicalDpiY();
    const double size = control.fontSize > 0 ? control.fontSize : 10;
    f.setPointSizeF(size * m_dpiY / (deviceDpi > 0 ? deviceDpi : 72));
    f.setBold((control.fontStyle & 0x7FF) == 700);
    f.setItalic(control.fontStyle & ReportControl::Italic);
    // Widths as the layout measured them, at every zoom: hinting would
    // widen small text past the box it was laid into.
    f.setHintingPreference(QFont::PreferNoHinting);
    // Nor kerning: the PDF places every glyph by its own width.
    f.setKerning(false);
    return f;
}

void PaintGenerator::drawDecoration(const ReportControl &control, const Text &text, double width, int sizeFactor)
{
    const double boxWidth = reportunits::toPixels(text.boxWidth, m_dpiX);
    const double length = text.boxWidth > 0 ? std::min(width, boxWidth) : width;
    const double below = reportunits::toPixels(int(std::lround(control.fontSize * sizeFactor)), m_dpiY);
    m_painter->setPen(pen(control.fontColor, 1, 0));
    m_painter->drawLine(QPointF(0, below), QPointF(length, below));
}

void PaintGenerator::drawText(const ReportControl &control, const Text &text)
{
    const QString shown = pageText(text.text, control.charset);
    if (shown.isEmpty())
        return;
    QPainter &p = *m_painter;
    p.save();
    // The PDF puts the baseline one font size below the text position.
    const double size = (control.fontSize > 0 ? control.fontSize : 10) * m_dpiY / 72;
    // Qt sizes a font in whole pixels, which would make 12 points at 100
    // dots per inch 17 pixels instead of 16.7 and the text 2 % wider than
    // the PDF's: draw at the nearest whole size and scale the rest.
    QFont f = font(control);
    const int wholeSize = std::max(1, int(std::lround(size)));
    f.setPixelSize(wholeSize);
    const double scale = size / wholeSize;
    p.setFont(f);
    const QFontMetricsF metrics(f, p.device());
    const double width = metrics.horizontalAdvance(shown) * scale;
    const QPointF origin = point(text.x, text.y);
    p.translate(origin);
    if (control.fontStyle & ReportControl::Underline)
        drawDecoration(control, text, width, 15);
    if (control.fontStyle & ReportControl::StrikeOut)
        drawDecoration(control, text, width, 9);
    // Only the text keeps to the box; its lines are lines of their own, as
    // in the PDF.
    if (text.clip && !text.clip->isEmpty())
        p.setClipRect(text.clip->translated(-origin), p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (text.angle % 360 != 0) {
        // The turned text's bounding box keeps its top-left corner where
        // the unturned one had it.
        const double theta = qDegreesToRadians(double(text.angle));
        const double c = std::cos(theta), s = std::sin(theta);
        const double xs[4] = {0, width, 0, width}, ys[4] = {0, 0, size, size};
        double minX = 0, minY = 0;
        for (int i = 0; i < 4; ++i) {
            minX = std::min(minX, xs[i] * c + ys[i] * s);
            minY = std::min(minY, -xs[i] * s + ys[i] * c);
        }
        p.translate(-minX, -minY);
        p.rotate(-text.angle);
    }
    if (text.background != ReportControl::NoColor)
        p.fillRect(QRectF(0, 0, width, std::max(size, metrics.height() * scale)), colorOf(text.background));
    p.setPen(colorOf(control.fontColor));
    p.scale(scale, scale);
    p.drawText(QPointF(0, wholeSize), shown);
    p.restore();
}

int PaintGenerator::filledShape(const ReportControl &control, const std::function<void(QPainter &, const QRectF &)> &draw)
{
    QPainter *p = canDraw(control);
    if (!p)
        return Done;
    p->save();
    p->setPen(pen(control.borderColor, control.borderWidth, 0));
    p->setBrush(control.backgroundColor == ReportControl::NoColor ? QBrush(Qt::NoBrush)
                                                                   : QBrush(colorOf(control.backgroundColor)));
    draw(*p, rect(ControlAttributes::box(control)));
    p->restore();
    return Done;
}

int PaintGenerator::box(const ReportControl &control)
{
    return filledShape(control, [](QPainter &p, const QRectF &r) { p.drawRect(r); });
}

int PaintGenerator::ellipse(const ReportControl &control)
{
    const ControlAttributes::Box b = ControlAttributes::box(control);
    const QRectF shape = pdfEllipse(b.left, b.top, b.right - b.left, b.bottom - b.top, m_dpiX, m_dpiY);
    return filledShape(control, [&shape](QPainter &p, const QRectF &) { p.drawEllipse(shape); });
}

int PaintGenerator::line(const ReportControl &control)
{
    QPainter *p = canDraw(control);
    if (!p)
        return Done;
    const ControlAttributes::Box b = ControlAttributes::box(control);
    p->save();
    p->setPen(pen(control.borderColor, control.borderWidth, 0));
    p->drawLine(point(b.left, b.top), point(b.right, b.bottom));
    p->restore();
    return Done;
}

int PaintGenerator::checkBox(const ReportControl &control)
{
    QPainter *p = canDraw(control);
    if (!p)
        return Done;
    const QRectF frame = rect(ControlAttributes::box(control));
    p->save();
    p->setPen(pen(control.borderColor, control.borderWidth, 0));
    p->setBrush(Qt::NoBrush);
    p->drawRect(frame);
    if (control.checked) {
        p->drawLine(frame.topLeft(), frame.bottomRight());
        p->drawLine(frame.bottomLeft(), frame.topRight());
    }
    p->restore();
    drawText(control, Text{control.text, control.x, control.y, 0, nullptr, control.angle, ReportControl::NoColor});
    return Done;
}

int PaintGenerator::radioButton(const ReportControl &control)
{
    QPainter *p = canDraw(control);
    if (!p)
        return Done;
    const ControlAttributes::Box b = ControlAttributes::box(control);
    const int w = b.right - b.left, h = b.bottom - b.top;
    p->save();
    p->setPen(pen(control.borderColor, control.borderWidth, 0));
    p->setBrush(Qt::NoBrush);
    p->drawEllipse(pdfEllipse(b.left, b.top, w, h, m_dpiX, m_dpiY));
    if (control.checked) {
        const int dot = control.borderColor == ReportControl::NoColor ? control.fontColor : control.borderColor;
        p->setPen(pen(dot, 0, 0)); // edged in its own colour, as in the PDF
        p->setBrush(colorOf(dot));
        p->drawEllipse(pdfEllipse(b.left + w / 4, b.top + h / 4, w - 2 * (w / 4), h - 2 * (h / 4), m_dpiX, m_dpiY));
    }
    p->restore();
    drawText(control, Text{control.text, control.x, control.y, 0, nullptr, 0, ReportControl::NoColor});
    return Done;
}

int PaintGenerator::groupBox(const ReportControl &control)
{
    if (!canDraw(control))
        return Done;
    box(control);
    // The caption sits on the frame: its own background keeps the line
    // from running through it.
    drawText(control, Text{control.text, control.x, control.y, 0, nullptr, control.angle, control.backgroundColor});
    return Done;
}

int PaintGenerator::polygon(const ReportControl &control)
{
    QPainter *p = canDraw(control);
    if (!p || control.points.size() < 2)
        return Done;
    QPolygonF shape;
    shape.reserve(qsizetype(control.points.size()));
    for (const QPoint &at : control.points)
        shape.append(point(at.x(), at.y()));
    p->save();
    p->setPen(pen(control.borderColor, control.borderWidth, control.borderStyle));
    p->setBrush(control.backgroundColor == ReportControl::NoColor ? QBrush(Qt::NoBrush)
                                                                   : QBrush(colorOf(control.backgroundColor)));
    p->drawPolygon(shape);
    p->restore();
    return Done;
}

QImage PaintGenerator::loadImage(const ReportControl &control)
{
    const QString file = control.imageFile.trimmed();
    const QString key = control.imageOffset >= 0 ? file + QLatin1Char('|') + QString::number(control.imageOffset) : file;
    for (auto it = m_images.begin(); it != m_images.end(); ++it) {
        if (it->first == key) {
            m_images.splice(m_images.begin(), m_images, it);
            return it->second;
        }
    }
    QImage image;
    if (control.imageOffset < 0) {
        image.load(file);
    } else {
        // A bitmap inside the page file: its header, palette and rows,
        // behind the file header a bitmap file would have.
        QFile source(file);
        PdfImage info;
        if (source.open(QIODevice::ReadOnly)) {
            ByteReader reader(source);
            if (DibExaminer::examine(reader, control.imageOffset, info)) {
                const qint64 length = info.dataStart - info.offset + DibExaminer::rowStride(info) * info.height;
                const QByteArray dib = reader.bytes(info.offset, length);
                QByteArray bmp("BM");
                appendLe(bmp, quint32(14 + dib.size()), 4);
                appendLe(bmp, 0, 4);
                appendLe(bmp, quint32(14 + info.dataStart - info.offset), 4);
                bmp += dib;
                if (reader.ok())
                    image.loadFromData(bmp, "BMP");
            }
        }
    }
    m_images.emplace_front(key, image);
    if (m_images.size() > kImagesKept)
        m_images.pop_back();
    return image;
}

int PaintGenerator::image(const ReportControl &control)
{
    QPainter *p = canDraw(control);
    if (!p || control.imageFile.trimmed().isEmpty())
        return Done;
    const QImage picture = loadImage(control);
    if (picture.isNull())
        return Done;
    const ControlAttributes::Box b = ControlAttributes::box(control);
    QRectF target = rect(b);
    // Without a size the image's pixels count as points, as in the PDF.
    if (b.right == b.left)
        target.setWidth(picture.width() * m_dpiX / 72);
    if (b.bottom == b.top)
        target.setHeight(picture.height() * m_dpiY / 72);
    p->drawImage(target, picture);
    return Done;
}

int PaintGenerator::string(const ReportControl &control)
{
    QPainter *p = canDraw(control);
    if (!p || control.text.isEmpty())
        return Done;
    const ControlAttributes::Box b = ControlAttributes::box(control);
    const QRectF area = rect(b);
    if (control.backgroundColor != ReportControl::NoColor && !area.isEmpty())
        p->fillRect(area, colorOf(control.backgroundColor));
    drawText(control, Text{control.text, control.x, control.y, b.right - b.left, &area, control.angle,
                           ReportControl::NoColor});
    return Done;
}

int PaintGenerator::textBlock(const ReportControl &control)
{
    QPainter *p = canDraw(control);
    if (!p)
        return Done;
    const bool anyText = std::any_of(control.lines.begin(), control.lines.end(),
                                     [](const ReportControl::Line &l) { return !l.text.isEmpty(); });
    if (!anyText)
        return Done;
    const QRectF area = rect(ControlAttributes::box(control));
    if (control.backgroundColor != ReportControl::NoColor && !area.isEmpty())
        p->fillRect(area, colorOf(control.backgroundColor));
    for (const ReportControl::Line &l : control.lines) {
        if (!l.text.isEmpty())
            drawText(control, Text{l.text, l.x, l.y, l.right - l.left, nullptr, control.angle, ReportControl::NoColor});
    }
    return Done;
}

} // namespace tavimo
