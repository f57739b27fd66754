#include "pagewriter.h"

#include "pagerecords.h"
#include "pdfstrings.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tavimo {

using namespace pagerecords;

namespace {

bool validColor(int color)
{
    return color == ReportColor::None || (color >= 0 && color <= 0xFFFFFF);
}

bool hasBorder(const ControlStyle &style)
{
    return style.borderStyle != BorderStyle::None && style.borderColor != ReportColor::None;
}

void append16(QByteArray &out, int value)
{
    const auto v = static_cast<quint16>(value);
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

// One page file being written: the records, the object numbers in use and
// the drawing state already set, so that a record is written only when the
// state changes. The first failure is kept and the rest is written anyway;
// the caller looks at the failure before using the bytes.
class PageEncoder
{
public:
    QByteArray encode(const FinishedPage &page);
    QString error() const { return m_error; }

private:
    void fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = why;
    }
    int unit(int thousandths);

    void begin(quint16 function);
    void put16(int value) { append16(m_body, value); }
    void put32(quint32 value);
    void putBytes(QByteArrayView bytes); // padded to a whole word
    void end();
    void record(quint16 function, std::initializer_list<int> words);
    void colorRecord(quint16 function, int color);

    int newObject();
    void select(int number) { record(Function::SelectObject, {number}); }
    int pen(const ControlStyle &style);
    int brush(int color);
    int font(const ControlStyle &style);
    void releaseObjects();

    void textColor(int color);
    void background(int mode, int color);
    void mark(quint16 kind, QByteArrayView payload);

    void rectangle(int left, int top, int right, int bottom, quint16 function = Function::Rectangle);
    void moveTo(int x, int y) { record(Function::MoveTo, {unit(y), unit(x)}); }
    void lineTo(int x, int y) { record(Function::LineTo, {unit(y), unit(x)}); }
    void polygon(const std::vector<QPoint> &points);
    // Text at its top-left, in the control's font; with a box, clipped to it.
    void text(int x, int y, const QString &text, const ControlStyle &style, const PlacedLine *box, bool opaque);

    void control(const PlacedControl &c);
    void frameAndFill(const PlacedControl &c, quint16 function);

    QByteArray m_body; // from the standard header on
    quint32 m_maxRecord = 0;
    qsizetype m_recordStart = 0;
    std::vector<bool> m_objects; // numbers in use
    std::vector<int> m_created;  // by the control being written
    int m_peakObjects = 0;
    int m_textColor = -1;
    int m_bkMode = -1;
    int m_bkColor = -1;
    QString m_error;
};

int PageEncoder::unit(int thousandths)
{
    const int u = PageWriter::toUnits(thousandths);
    if (u < std::numeric_limits<qint16>::min() || u > std::numeric_limits<qint16>::max()) {
        fail(QStringLiteral("%1 thousandths of an inch lie beyond what a page file can hold").arg(thousandths));
        return 0;
    }
    return u;
}

void PageEncoder::begin(quint16 function)
{
    m_recordStart = m_body.size();
    put32(0); // the size, once known
    put16(function);
}

void PageEncoder::put32(quint32 value)
{
    put16(int(value & 0xFFFF));
    put16(int(value >> 16));
}

void PageEncoder::putBytes(QByteArrayView bytes)
{
    m_body.append(bytes.data(), bytes.size());
    if (bytes.size() % 2)
        m_body.append('\0');
}

void PageEncoder::end()
{
    const auto words = quint32((m_body.size() - m_recordStart) / 2);
    qToLittleEndian(words, m_body.data() + m_recordStart);
    m_maxRecord = std::max(m_maxRecord, words);
}

void PageEncoder::record(quint16 function, std::initializer_list<int> words)
{
    begin(function);
    for (int w : words)
        put16(w);
    end();
}

void PageEncoder::colorRecord(quint16 function, int color)
{
    begin(function);
    put32(quint32(color));
    end();
}

int PageEncoder::newObject()
{
    // The lowest free number, as the reader will give out.
    const auto free = std::find(m_objects.begin(), m_objects.end(), false);
    const int number = int(free - m_objects.begin());
    if (free == m_objects.end())
        m_objects.push_back(true);
    else
        *free = true;
    m_created.push_back(number);
    m_peakObjects = std::max(m_peakObjects, int(std::count(m_objects.begin(), m_objects.end(), true)));
    return number;
}

int PageEncoder::pen(const ControlStyle &style)
{
    if (style.borderStyle < BorderStyle::Solid || style.borderStyle > BorderStyle::None)
        fail(QStringLiteral("border style %1 is not a pen style").arg(style.borderStyle));
    if (style.borderWidth < 0)
        fail(QStringLiteral("border width %1 is negative").arg(style.borderWidth));
    if (!validColor(style.borderColor))
        fail(QStringLiteral("border colour %1 is not a colour").arg(style.borderColor));
    const bool visible = hasBorder(style);
    begin(Function::CreatePen);
    put16(visible ? style.borderStyle : NullPenStyle);
    put16(visible ? unit(style.borderWidth) : 0);
    put16(0);
    put32(visible ? quint32(style.borderColor) : 0);
    end();
    return newObject();
}

int PageEncoder::brush(int color)
{
    if (!validColor(color))
        fail(QStringLiteral("background colour %1 is not a colour").arg(color));
    begin(Function::CreateBrush);
    put16(color == ReportColor::None ? NullBrush : SolidBrush);
    put32(color == ReportColor::None ? 0 : quint32(color));
    put16(0);
    end();
    return newObject();
}

int PageEncoder::font(const ControlStyle &style)
{
    const ReportFont &f = style.font;
    const QByteArray face = PdfStrings::toWinAnsi(f.face);
    if (face.size() > MaxKind - 1 || face.contains('\0'))
        fail(QStringLiteral("font face \"%1\" is longer than 31 characters").arg(f.face));
    const double height = std::round(f.size * 20); // twips per point
    if (!(height >= 1 && height <= std::numeric_limits<qint16>::max()))
        fail(QStringLiteral("font size %1 cannot be written").arg(f.size));
    if (f.weight < 0 || f.weight > 1000)
        fail(QStringLiteral("font weight %1 is out of range").arg(f.weight));
    if (f.charset < 0 || f.charset > 255)
        fail(QStringLiteral("character set %1 is out of range").arg(f.charset));
    if (f.angle < -360 || f.angle > 360)
        fail(QStringLiteral("font angle %1 is out of range").arg(f.angle));
    if (!m_error.isEmpty())
        return newObject();

    // The reader keeps the text colour current at the font's creation.
    textColor(style.fontColor);
    begin(Function::CreateFont);
    put16(-int(height)); // negative: the character height, not the cell's
    put16(0);
    put16(f.angle * 10); // escapement
    put16(f.angle * 10); // orientation
    put16(f.weight);
    m_body.append(char(f.italic));
    m_body.append(char(f.underline));
    m_body.append(char(f.strikeOut));
    m_body.append(char(f.charset));
    m_body.append(4, '\0'); // precisions, quality, pitch and family
    putBytes(face + '\0');
    end();
    return newObject();
}

void PageEncoder::releaseObjects()
{
    for (int number : m_created) {
        record(Function::DeleteObject, {number});
        m_objects[std::size_t(number)] = false;
    }
    m_created.clear();
}

void PageEncoder::textColor(int color)
{
    if (color == ReportColor::None)
        color = ReportColor::Black;
    if (!validColor(color))
        fail(QStringLiteral("font colour %1 is not a colour").arg(color));
    if (color != m_textColor) {
        colorRecord(Function::SetTextColor, color);
        m_textColor = color;
    }
}

void PageEncoder::background(int mode, int color)
{
    if (mode != m_bkMode) {
        record(Function::SetBackgroundMode, {mode});
        m_bkMode = mode;
    }
    if (mode == OpaqueBackground && color != m_bkColor) {
        colorRecord(Function::SetBackgroundColor, color);
        m_bkColor = color;
    }
}

void PageEncoder::mark(quint16 kind, QByteArrayView payload)
{
    if (payload.size() > 0xFFFF - 2) {
        fail(QStringLiteral("a control mark of %1 bytes is too long").arg(payload.size()));
        return;
    }
    begin(Function::Escape);
    put16(MarkEscape);
    put16(int(payload.size() + 2));
    put16(kind);
    putBytes(payload);
    end();
}

void PageEncoder::rectangle(int left, int top, int right, int bottom, quint16 function)
{
    record(function, {unit(bottom), unit(right), unit(top), unit(left)});
}

void PageEncoder::polygon(const std::vector<QPoint> &points)
{
    if (points.size() > std::size_t(std::numeric_limits<qint16>::max())) {
        fail(QStringLiteral("a polygon of %1 points is too large").arg(points.size()));
        return;
    }
    begin(Function::Polygon);
    put16(int(points.size()));
    for (const QPoint &p : points) {
        put16(unit(p.x()));
        put16(unit(p.y()));
    }
    end();
}

void PageEncoder::text(int x, int y, const QString &text, const ControlStyle &style, const PlacedLine *box,
                       bool opaque)
{
    const QByteArray bytes = PdfStrings::toWinAnsi(text);
    if (bytes.size() > PageWriter::MaxText) {
        fail(QStringLiteral("a text of %1 characters is too long").arg(bytes.size()));
        return;
    }
    if (!validColor(style.backgroundColor))
        fail(QStringLiteral("background colour %1 is not a colour").arg(style.backgroundColor));
    select(font(style));
    if (style.backgroundColor == ReportColor::None)
        background(TransparentBackground, 0);
    else
        background(OpaqueBackground, style.backgroundColor);
    begin(Function::ExtTextOut);
    put16(unit(y));
    put16(unit(x));
    put16(int(bytes.size()));
    put16(box ? TextClipped | (opaque ? TextOpaque : 0) : 0);
    if (box) {
        put16(unit(box->left));
        put16(unit(box->top));
        put16(unit(box->right));
        put16(unit(box->bottom));
    }
    putBytes(bytes);
    end();
}

void PageEncoder::frameAndFill(const PlacedControl &c, quint16 function)
{
    select(pen(c.style));
    select(brush(c.style.backgroundColor));
    rectangle(c.left, c.top, c.right, c.bottom, function);
}

void PageEncoder::control(const PlacedControl &c)
{
    const QByteArray kind = controlKindText(c.kind);
    const QByteArray attributes = PdfStrings::toWinAnsi(c.attributes);
    if (attributes.size() > MaxAttributes)
        fail(QStringLiteral("an attribute text of %1 characters is too long").arg(attributes.size()));
    QByteArray start = kind + '\0';
    append16(start, int(attributes.size()));
    start += attributes;
    mark(Mark::ControlStart, start);

    const PlacedLine box{c.left, c.top, c.right, c.bottom, c.x, c.y, QString()};
    const ControlStyle &s = c.style;
    switch (c.kind) {
    case ControlKind::String:
        if (hasBorder(s))
            frameAndFill(c, Function::Rectangle);
        text(c.x, c.y, c.text, s, &box, !hasBorder(s) && s.backgroundColor != ReportColor::None);
        break;
    case ControlKind::TextBlock: {
        if (hasBorder(s) || s.backgroundColor != ReportColor::None)
            frameAndFill(c, Function::Rectangle);
        // The block's background is its rectangle's; the lines draw over it.
        ControlStyle lineStyle = s;
        lineStyle.backgroundColor = ReportColor::None;
        for (const PlacedLine &line : c.lines)
            text(line.x, line.y, line.text, lineStyle, &line, false);
        break;
    }
    case ControlKind::Box:
    case ControlKind::GroupBox:
        frameAndFill(c, Function::Rectangle);
        if (c.kind == ControlKind::GroupBox)
            text(c.x, c.y, c.text, s, nullptr, false);
        break;
    case ControlKind::Ellipse:
        frameAndFill(c, Function::Ellipse);
        break;
    case ControlKind::Line:
        select(pen(s));
        moveTo(c.left, c.top);
        lineTo(c.right, c.bottom);
        break;
    case ControlKind::Polygon:
        select(pen(s));
        select(brush(s.backgroundColor));
        polygon(c.points);
        break;
    case ControlKind::CheckBox:
        frameAndFill(c, Function::Rectangle);
        if (c.checked) {
            moveTo(c.left, c.top);
            lineTo(c.right, c.bottom);
            moveTo(c.right, c.top);
            lineTo(c.left, c.bottom);
        }
        text(c.x, c.y, c.text, s, nullptr, false);
        break;
    case ControlKind::RadioButton:
        frameAndFill(c, Function::Ellipse);
        if (c.checked) {
            select(brush(hasBorder(s) ? s.borderColor : (s.fontColor == ReportColor::None ? 0 : s.fontColor)));
            const int dx = (c.right - c.left) / 4;
            const int dy = (c.bottom - c.top) / 4;
            rectangle(c.left + dx, c.top + dy, c.right - dx, c.bottom - dy, Function::Ellipse);
        }
        text(c.x, c.y, c.text, s, nullptr, false);
        break;
    case ControlKind::Image:
        // The file is named below and the generators draw it; the page
        // draws only its frame.
        if (hasBorder(s)) {
            select(pen(s));
            select(brush(ReportColor::None));
            rectangle(c.left, c.top, c.right, c.bottom);
        }
        break;
    }

    if (!c.imageFile.isEmpty()) {
        const QByteArray name = c.imageFile.toUtf8();
        QByteArray payload;
        append16(payload, int(name.size()));
        mark(Mark::ImageFile, payload + name);
    }
    QByteArray frame;
    for (int v : {c.left, c.top, c.right, c.bottom})
        append16(frame, unit(v));
    append16(frame, c.checked ? FrameChecked : 0);
    mark(Mark::ControlFrame, frame);
    if (!c.furtherData.isEmpty()) {
        QByteArray payload;
        append16(payload, int(c.furtherData.size()));
        mark(Mark::FurtherData, payload + c.furtherData);
    }
    mark(Mark::ControlEnd, kind + '\0');
    releaseObjects();
}

QByteArray PageEncoder::encode(const FinishedPage &page)
{
    if (page.width <= 0 || page.height <= 0)
        fail(QStringLiteral("the page has no size"));
    const int width = unit(page.width);
    const int height = unit(page.height);
    const QByteArray name = PdfStrings::toWinAnsi(page.name);
    if (name.size() > PageWriter::MaxPageName || name.contains('\0'))
        fail(QStringLiteral("the page name \"%1\" cannot be written").arg(page.name));

    record(Function::SetWindowOrigin, {0, 0});
    record(Function::SetWindowExtent, {height, width});
    textColor(ReportColor::Black);
    background(TransparentBackground, 0);
    record(Function::SetTextAlign, {0}); // positions are the text's top-left
    mark(Mark::PageName, name + '\0');
    for (const PlacedControl &c : page.controls) {
        control(c);
        if (!m_error.isEmpty())
            return QByteArray();
    }
    record(Function::EndOfFile, {});
    if (!m_error.isEmpty())
        return QByteArray();

    QByteArray out;
    out.reserve(RecordsStart + m_body.size());
    const quint32 key = PlaceableKey;
    append16(out, int(key & 0xFFFF));
    append16(out, int(key >> 16));
    append16(out, 0); // handle
    for (int v : {0, 0, width, height})
        append16(out, v);
    append16(out, PageWriter::UnitsPerInch);
    append16(out, 0); // reserved
    append16(out, 0);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(out.constData() + 2 * i);
    append16(out, checksum);

    const quint32 words = quint32((StandardHeaderSize + m_body.size()) / 2);
    append16(out, 1); // in memory
    append16(out, StandardHeaderSize / 2);
    append16(out, 0x0300);
    append16(out, int(words & 0xFFFF));
    append16(out, int(words >> 16));
    append16(out, m_peakObjects);
    append16(out, int(m_maxRecord & 0xFFFF));
    append16(out, int(m_maxRecord >> 16));
    append16(out, 0);
    out += m_body;
    return out;
}

} // namespace

int PageWriter::toUnits(int thousandths)
{
    // 36/25 never lands on a half, so rounding is exact both ways.
    const double units = std::round(thousandths * 36.0 / 25.0);
    return int(std::clamp(units, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

QByteArray PageWriter::encode(const FinishedPage &page, QString *error)
{
    PageEncoder encoder;
    QByteArray bytes = encoder.encode(page);
    if (error)
        *error = encoder.error();
    return bytes;
}

bool PageWriter::write(const FinishedPage &page, const QString &fileName, QString *error)
{
    QString why;
    const QByteArray bytes = encode(page, &why);
    auto failed = [&](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (bytes.isEmpty())
        return failed(QStringLiteral("Page %1 cannot be written: %2").arg(fileName, why));

    // Owner only before the first byte lands: the page holds health data.
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, ownerOnly))
        return failed(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    if (!file.setPermissions(ownerOnly)) // an existing file keeps its own otherwise
        return failed(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failed(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    if (error)
        error->clear();
    return true;
}

} // namespace tavimo
