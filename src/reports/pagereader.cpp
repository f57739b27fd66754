#include "pagereader.h"

#include "controloperation.h"
#include "errormanager.h"
#include "ireportgenerator.h"
#include "pagerecords.h"
#include "pdfstrings.h"
#include "reportcontrol.h"
#include "threadcontext.h"

#include <QDebug>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>
#include <vector>

namespace tavimo {

using namespace pagerecords;

namespace {

// Reads one record's parameters. Reading past them yields zeros and marks
// the record as malformed, so a handler reads first and checks once.
class Params
{
public:
    Params(const char *data, qsizetype size) : m_data(data), m_size(size) {}

    bool has(qsizetype n) const { return n >= 0 && m_size - m_pos >= n; }
    qsizetype remaining() const { return m_size - m_pos; }
    bool malformed() const { return m_malformed; }
    void fail() { m_malformed = true; }

    int i16() { return take(2) ? qFromLittleEndian<qint16>(m_data + m_pos - 2) : 0; }
    int u16() { return take(2) ? qFromLittleEndian<quint16>(m_data + m_pos - 2) : 0; }
    int u8() { return take(1) ? static_cast<unsigned char>(m_data[m_pos - 1]) : 0; }
    quint32 u32() { return take(4) ? qFromLittleEndian<quint32>(m_data + m_pos - 4) : 0; }
    QByteArrayView bytes(qsizetype n) { return take(n) ? QByteArrayView(m_data + m_pos - n, n) : QByteArrayView(); }
    void skip(qsizetype n) { take(n); }

private:
    bool take(qsizetype n)
    {
        if (!has(n)) {
            m_malformed = true;
            m_pos = m_size;
            return false;
        }
        m_pos += n;
        return true;
    }

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_malformed = false;
};

// Text up to its terminating zero (or the end of what is there).
QByteArray zeroTerminated(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return (end < 0 ? bytes : bytes.first(end)).toByteArray();
}

QString fromWinAnsi(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const char16_t u = PdfStrings::winAnsiToUnicode(static_cast<unsigned char>(c));
        text.append(u ? QChar(u) : QLatin1Char('?'));
    }
    return text;
}

struct GdiObject
{
    enum Type { Pen, Brush, Font, Other } type = Pen; // Other: a palette or a region
    int style = 0; // pen and brush
    int width = 0;
    int color = 0; // a font's: the text colour when it was made
    // Fonts.
    QByteArray face;
    int height = 0; // metafile units
    double size = 0;
    int fontStyle = 0;
    int charset = 0;
    int angle = 0;
};

// The metafile's object table: a new object takes the lowest free number.
class ObjectTable
{
public:
    int add(GdiObject object)
    {
        int number;
        if (!m_free.empty()) {
            number = *m_free.begin();
            m_free.erase(m_free.begin());
        } else if (m_slots.size() < std::size_t(WmfParser::MaxObjects)) {
            number = int(m_slots.size());
            m_slots.emplace_back();
        } else {
            return -1;
        }
        m_slots[std::size_t(number)] = std::move(object);
        return number;
    }
    const GdiObject *find(int number) const
    {
        if (number < 0 || std::size_t(number) >= m_slots.size() || !m_slots[std::size_t(number)])
            return nullptr;
        return &*m_slots[std::size_t(number)];
    }
    bool remove(int number)
    {
        if (!find(number))
            return false;
        m_slots[std::size_t(number)].reset();
        m_free.insert(number);
        return true;
    }

private:
    std::vector<std::optional<GdiObject>> m_slots;
    std::set<int> m_free;
};

// What save state keeps and restore state brings back.
struct Selection
{
    int pen = -1; // -1: the device's own, never selected
    int brush = -1;
    int font = -1;
    int textColor = 0;
    int bkColor = 0xFFFFFF;
    int bkMode = OpaqueBackground;
    int textAlign = 0;
    int stretchMode = 0;
};

int clampRound(double v)
{
    constexpr double limit = 1e9; // far beyond any page, far within an int
    return int(std::lround(std::clamp(v, -limit, limit)));
}

// One page read and replayed. run() gives the generator's first non-zero
// result; a reading error leaves its message in failure() instead.
class PageReplay
{
public:
    struct Failure
    {
        int message = 0;
        QString field;
    };

    PageReplay(QByteArrayView bytes, const QString &fileName, IReportGenerator &generator)
        : m_bytes(bytes), m_fileName(fileName), m_generator(generator)
    {
    }

    int run();
    const Failure &failure() const { return m_failure; }
    QString pageName() const { return m_pageName; }

private:
    // Handlers answer whether to go on; a stop leaves a failure or a result.
    bool fail(int message, const QString &field = QString())
    {
        m_failure = Failure{message, field};
        return false;
    }
    bool malformed() { return fail(WmfParser::NotWmf); }
    bool record(int function, Params &p, qsizetype offset);
    bool mark(Params &p);
    bool endControl(const QByteArray &kind);

    int x(int v) const { return clampRound((v + m_offsetX) * m_scaleX); }
    int y(int v) const { return clampRound((v + m_offsetY) * m_scaleY); }
    int width(int v) const { return clampRound(std::abs(v) * m_scaleX); }
    void rescale();

    // The current pen, brush and font, or nullptr after a failure.
    const GdiObject *current(int number, GdiObject::Type type, const char *field);
    bool takePen();
    bool takeBrush();
    void setBox(int left, int top, int right, int bottom); // metafile units, any order
    // The kind an invalid-control message names: the control being
    // collected, or the one a mark named.
    static QString field(const QByteArray &kind)
    {
        return kind.isEmpty() ? QStringLiteral("unnamed") : fromWinAnsi(kind);
    }
    QString controlField() const { return field(m_collecting ? m_control.kind : QByteArray()); }

    bool textOut(Params &p);

    QByteArrayView m_bytes;
    QString m_fileName;
    IReportGenerator &m_generator;
    Failure m_failure;
    int m_result = 0;
    QString m_pageName;

    int m_unitsPerInch = 1;
    int m_boxWidth = 0, m_boxHeight = 0;
    int m_extentX = 0, m_extentY = 0;
    int m_offsetX = 0, m_offsetY = 0;
    double m_scaleX = 1, m_scaleY = 1; // metafile units to thousandths of an inch
    double m_fontScale = 1;            // font height to points
    ObjectTable m_objects;
    Selection m_state;
    std::vector<Selection> m_saved;
    int m_penX = 0, m_penY = 0; // thousandths

    bool m_collecting = false;
    ReportControl m_control;
    ControlOperation m_operation = ControlOperation::None;
    int m_ellipses = 0; // of the control being collected
};

void PageReplay::rescale()
{
    // The window's extent spans the placeable box; without one, units are the box's.
    const double perUnit = 1000.0 / m_unitsPerInch;
    m_scaleX = perUnit * (m_extentX && m_boxWidth ? std::abs(double(m_boxWidth) / m_extentX) : 1.0);
    m_scaleY = perUnit * (m_extentY && m_boxHeight ? std::abs(double(m_boxHeight) / m_extentY) : 1.0);
    m_fontScale = 72.0 / m_unitsPerInch * (m_extentY && m_boxHeight ? std::abs(double(m_boxHeight) / m_extentY) : 1.0);
}

int PageReplay::run()
{
    const char *data = m_bytes.data();
    const qsizetype size = m_bytes.size();
    if (size < RecordsStart || qFromLittleEndian<quint32>(data) != PlaceableKey) {
        fail(WmfParser::NotWmf);
        return 0;
    }
    const int left = qFromLittleEndian<qint16>(data + 6);
    const int top = qFromLittleEndian<qint16>(data + 8);
    const int right = qFromLittleEndian<qint16>(data + 10);
    const int bottom = qFromLittleEndian<qint16>(data + 12);
    m_unitsPerInch = qFromLittleEndian<quint16>(data + 14);
    const int type = qFromLittleEndian<quint16>(data + PlaceableHeaderSize);
    const int headerWords = qFromLittleEndian<quint16>(data + PlaceableHeaderSize + 2);
    if (m_unitsPerInch == 0 || (type != 1 && type != 2) || headerWords != StandardHeaderSize / 2) {
        fail(WmfParser::NotWmf);
        return 0;
    }
    m_boxWidth = right - left;
    m_boxHeight = bottom - top;
    rescale();

    const double perUnit = 1000.0 / m_unitsPerInch;
    m_result = m_generator.openPage(clampRound(left * perUnit), clampRound(top * perUnit), clampRound(right * perUnit),
                                    clampRound(bottom * perUnit), m_fileName);
    if (m_result)
        return m_result;

    qsizetype offset = RecordsStart;
    while (offset < size) {
        if (size - offset < RecordHeaderSize) {
            fail(WmfParser::NextRecordFailed);
            return 0;
        }
        const qint64 words = qFromLittleEndian<quint32>(data + offset);
        if (words < RecordHeaderSize / 2) {
            fail(WmfParser::NotWmf);
            return 0;
        }
        if (words * 2 > size - offset) {
            fail(WmfParser::NextRecordFailed);
            return 0;
        }
        const int function = qFromLittleEndian<quint16>(data + offset + 4);
        if (function == Function::EndOfFile)
            break;
        Params params(data + offset + RecordHeaderSize, qsizetype(words * 2 - RecordHeaderSize));
        if (!record(function, params, offset))
            return m_result;
        offset += qsizetype(words * 2);
    }
    if (m_collecting) {
        fail(WmfParser::InvalidControl, controlField()); // started, never ended
        return 0;
    }
    return m_generator.closePage();
}

const GdiObject *PageReplay::current(int number, GdiObject::Type type, const char *field)
{
    // What a device draws with before anything is selected.
    static const GdiObject defaults[] = {
        [] { GdiObject pen; pen.type = GdiObject::Pen; return pen; }(), // black, solid, thinnest
        [] { GdiObject brush; brush.type = GdiObject::Brush; brush.color = 0xFFFFFF; return brush; }(),
        [] { GdiObject font; font.type = GdiObject::Font; font.fontStyle = 400; return font; }(),
    };
    if (number < 0)
        return &defaults[type];
    const GdiObject *object = m_objects.find(number);
    if (!object || object->type != type) {
        fail(WmfParser::MissingObject, QString::fromLatin1(field));
        return nullptr;
    }
    return object;
}

bool PageReplay::takePen()
{
    const GdiObject *pen = current(m_state.pen, GdiObject::Pen, "Pen");
    if (!pen)
        return false;
    m_control.borderColor = pen->color;
    m_control.borderWidth = pen->width;
    m_control.borderStyle = pen->style & 0x0F;
    return true;
}

bool PageReplay::takeBrush()
{
    const GdiObject *brush = current(m_state.brush, GdiObject::Brush, "Brush");
    if (!brush)
        return false;
    m_control.backgroundColor = brush->color;
    return true;
}

void PageReplay::setBox(int left, int top, int right, int bottom)
{
    m_control.left = x(std::min(left, right));
    m_control.right = x(std::max(left, right));
    m_control.top = y(std::min(top, bottom));
    m_control.bottom = y(std::max(top, bottom));
}

bool PageReplay::record(int function, Params &p, qsizetype offset)
{
    switch (function) {
    case Function::CreatePen: {
        GdiObject pen;
        pen.type = GdiObject::Pen;
        pen.style = p.u16();
        pen.width = width(p.i16());
        p.skip(2);
        const quint32 color = p.u32();
        if (p.malformed())
            return malformed();
        pen.color = (pen.style & 0x0F) == NullPenStyle ? ReportControl::NoColor : int(color & 0xFFFFFF);
        m_state.pen = m_objects.add(pen);
        return m_state.pen >= 0 || fail(WmfParser::QueueFailed);
    }
    case Function::CreateBrush: {
        GdiObject brush;
        brush.type = GdiObject::Brush;
        brush.style = p.u16();
        const quint32 color = p.u32();
        if (p.malformed())
            return malformed();
        const bool hollow = brush.style == NullBrush || brush.style == PatternBrush;
        brush.color = hollow ? ReportControl::NoColor : int(color & 0xFFFFFF);
        m_state.brush = m_objects.add(brush);
        return m_state.brush >= 0 || fail(WmfParser::QueueFailed);
    }
    case Function::CreateFont: {
        GdiObject font;
        font.type = GdiObject::Font;
        font.height = std::abs(p.i16());
        p.skip(2); // width
        font.angle = p.i16() / 10;
        p.skip(2); // orientation
        const int weight = p.i16();
        const bool italic = p.u8(), underline = p.u8(), strikeOut = p.u8();
        font.charset = p.u8();
        p.skip(4);
        if (p.malformed())
            return malformed();
        font.face = zeroTerminated(p.bytes(std::min<qsizetype>(p.remaining(), MaxKind)));
        font.size = font.height * m_fontScale;
        font.fontStyle = (weight & 0x7FF) | (italic ? ReportControl::Italic : 0)
            | (underline ? ReportControl::Underline : 0) | (strikeOut ? ReportControl::StrikeOut : 0);
        font.color = m_state.textColor;
        m_state.font = m_objects.add(font);
        return m_state.font >= 0 || fail(WmfParser::QueueFailed);
    }
    case Function::CreatePalette:
    case Function::CreateRegion: {
        GdiObject other;
        other.type = GdiObject::Other;
        return m_objects.add(other) >= 0 || fail(WmfParser::QueueFailed);
    }
    case Function::CreatePatternBrush:
    case Function::CreateDibPatternBrush: {
        // Drawn as no fill: a pattern is nothing the generators can show.
        GdiObject brush;
        brush.type = GdiObject::Brush;
        brush.style = PatternBrush;
        brush.color = ReportControl::NoColor;
        m_state.brush = m_objects.add(brush);
        return m_state.brush >= 0 || fail(WmfParser::QueueFailed);
    }
    case Function::SelectObject:
    case Function::DeleteObject: {
        const int number = p.u16();
        if (p.malformed())
            return malformed();
        if (function == Function::DeleteObject)
            return m_objects.remove(number) || fail(WmfParser::MissingObject, QStringLiteral("Object"));
        const GdiObject *object = m_objects.find(number);
        if (!object)
            return fail(WmfParser::MissingObject, QStringLiteral("Object"));
        if (object->type == GdiObject::Other)
            return true;
        (object->type == GdiObject::Pen ? m_state.pen : object->type == GdiObject::Brush ? m_state.brush
                                                                                          : m_state.font) = number;
        return true;
    }
    case Function::SetBackgroundColor:
    case Function::SetTextColor: {
        const int color = int(p.u32() & 0xFFFFFF);
        if (p.malformed())
            return malformed();
        (function == Function::SetTextColor ? m_state.textColor : m_state.bkColor) = color;
        return true;
    }
    case Function::SetBackgroundMode:
    case Function::SetTextAlign:
    case Function::SetStretchMode: {
        const int value = p.u16();
        if (p.malformed())
            return malformed();
        (function == Function::SetBackgroundMode ? m_state.bkMode
         : function == Function::SetTextAlign    ? m_state.textAlign
                                                 : m_state.stretchMode) = value;
        return true;
    }
    case Function::SetWindowOrigin:
    case Function::SetWindowExtent: {
        const int vy = p.i16();
        const int vx = p.i16();
        if (p.malformed())
            return malformed();
        if (function == Function::SetWindowOrigin) {
            m_offsetX = -vx;
            m_offsetY = -vy;
        } else {
            m_extentX = vx;
            m_extentY = vy;
            rescale();
        }
        return true;
    }
    case Function::SaveState:
        if (m_saved.size() >= std::size_t(WmfParser::MaxSavedStates))
            return fail(WmfParser::QueueFailed);
        m_saved.push_back(m_state);
        return true;
    case Function::RestoreState: {
        const int which = p.i16();
        if (p.malformed())
            return malformed();
        // Negative counts back from the last save, positive from the first; a
        // state that was never saved leaves the drawing as it is, as a device would.
        const qsizetype count = qsizetype(m_saved.size());
        const qsizetype index = which < 0 ? count + which : which - 1;
        if (which != 0 && index >= 0 && index < count) {
            m_state = m_saved[std::size_t(index)];
            m_saved.resize(std::size_t(index));
        }
        return true;
    }
    case Function::MoveTo:
    case Function::LineTo: {
        const int vy = p.i16();
        const int vx = p.i16();
        if (p.malformed())
            return malformed();
        const int px = x(vx), py = y(vy);
        if (function == Function::LineTo && m_collecting) {
            if (m_operation == ControlOperation::Line) {
                m_control.left = m_penX;
                m_control.top = m_penY;
                m_control.right = px;
                m_control.bottom = py;
                if (!takePen())
                    return false;
            } else if (m_operation == ControlOperation::CheckBox) {
                m_control.checked = true; // the frame's diagonals
            }
        }
        m_penX = px;
        m_penY = py;
        return true;
    }
    case Function::Rectangle:
    case Function::RoundRectangle:
    case Function::Ellipse: {
        if (function == Function::RoundRectangle)
            p.skip(4); // corner height and width
        const int bottom = p.i16(), right = p.i16(), top = p.i16(), left = p.i16();
        if (p.malformed())
            return malformed();
        if (!m_collecting)
            return true;
        if (function == Function::Ellipse && m_operation == ControlOperation::RadioButton && m_ellipses++ > 0) {
            m_control.checked = true; // the inner circle
            return true;
        }
        setBox(left, top, right, bottom);
        return takePen() && takeBrush();
    }
    case Function::Polygon: {
        const int count = p.i16();
        if (count < 0 || !p.has(qsizetype(count) * 4))
            return malformed();
        std::vector<QPoint> points;
        points.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            const int vx = p.i16();
            const int vy = p.i16();
            points.emplace_back(x(vx), y(vy));
        }
        if (!m_collecting)
            return true;
        m_control.points = std::move(points);
        if (!m_control.points.empty()) {
            auto [minX, maxX] = std::minmax_element(m_control.points.begin(), m_control.points.end(),
                                                    [](QPoint a, QPoint b) { return a.x() < b.x(); });
            auto [minY, maxY] = std::minmax_element(m_control.points.begin(), m_control.points.end(),
                                                    [](QPoint a, QPoint b) { return a.y() < b.y(); });
            m_control.left = minX->x();
            m_control.right = maxX->x();
            m_control.top = minY->y();
            m_control.bottom = maxY->y();
        }
        return takePen() && takeBrush();
    }
    case Function::Arc:
    case Function::Chord:
    case Function::Pie: {
        const int endY = p.i16(), endX = p.i16(), startY = p.i16(), startX = p.i16();
        const int bottom = p.i16(), right = p.i16(), top = p.i16(), left = p.i16();
        if (p.malformed())
            return malformed();
        if (!m_collecting)
            return true;
        setBox(left, top, right, bottom);
        m_control.points = {QPoint(x(startX), y(startY)), QPoint(x(endX), y(endY))};
        return takePen() && (function == Function::Arc || takeBrush());
    }
    case Function::ExtTextOut:
        return textOut(p);
    case Function::StretchBitmap: {
        p.skip(4 + 2 + 8); // raster operation, colour usage, source box
        const int destHeight = p.i16(), destWidth = p.i16(), destY = p.i16(), destX = p.i16();
        if (p.malformed())
            return malformed();
        if (!m_collecting)
            return true;
        setBox(destX, destY, destX + destWidth, destY + destHeight);
        m_control.imageFile = m_fileName;
        m_control.imageOffset = offset + StretchBitmapData;
        return true;
    }
    case Function::Escape: {
        const int code = p.u16();
        const int count = p.u16();
        if (p.malformed() || !p.has(count))
            return malformed();
        if (code != MarkEscape)
            return true;
        if (count < 2)
            return malformed();
        Params payload(p.bytes(count).data(), count);
        return mark(payload);
    }
    default:
        return true; // drawing the generators do not need
    }
}

bool PageReplay::textOut(Params &p)
{
    const int vy = p.i16();
    const int vx = p.i16();
    const int length = p.i16();
    const int options = p.u16();
    int rect[4] = {0, 0, 0, 0};
    const bool boxed = options & (TextOpaque | TextClipped);
    if (boxed)
        for (int &v : rect)
            v = p.i16();
    if (p.malformed() || length < 0 || !p.has(length))
        return malformed();
    const QByteArray text = p.bytes(length).toByteArray();
    if (!m_collecting)
        return true;
    const GdiObject *font = current(m_state.font, GdiObject::Font, "Fonts");
    if (!font)
        return false;

    int left, top, right, bottom;
    if (boxed) {
        left = rect[0];
        top = rect[1];
        right = rect[2];
        bottom = rect[3];
    } else {
        // No rectangle: the text's extent, from its advances when given.
        p.skip(length % 2);
        long long advance = 0;
        if (p.has(qsizetype(length) * 2)) {
            for (int i = 0; i < length; ++i)
                advance += p.i16();
        } else {
            advance = (long long)length * font->height / 2;
        }
        left = vx;
        top = vy;
        right = int(std::clamp<long long>(vx + advance, -0x8000, 0xFFFF));
        bottom = vy + font->height;
    }

    m_control.fontFace = font->face;
    m_control.fontSize = font->size;
    m_control.fontStyle = font->fontStyle;
    m_control.charset = font->charset;
    m_control.angle = font->angle;
    m_control.fontColor = m_state.textColor != 0 ? m_state.textColor : font->color;

    if (m_operation == ControlOperation::TextBlock) {
        if (m_control.lines.size() >= std::size_t(WmfParser::MaxLines))
            return fail(WmfParser::QueueFailed);
        ReportControl::Line line;
        line.left = x(std::min(left, right));
        line.right = x(std::max(left, right));
        line.top = y(std::min(top, bottom));
        line.bottom = y(std::max(top, bottom));
        line.x = x(vx);
        line.y = y(vy);
        line.text = text;
        m_control.lines.push_back(std::move(line));
        return true;
    }
    m_control.text = text;
    m_control.x = x(vx);
    m_control.y = y(vy);
    if (m_operation == ControlOperation::String) {
        setBox(left, top, right, bottom);
        m_control.backgroundColor = m_state.bkMode == TransparentBackground ? ReportControl::NoColor : m_state.bkColor;
    }
    return true;
}

bool PageReplay::mark(Params &p)
{
    const int kind = p.u16();
    switch (kind) {
    case Mark::PageName:
        m_pageName = fromWinAnsi(zeroTerminated(p.bytes(p.remaining())));
        return true;
    case Mark::ControlStart: {
        if (m_collecting) // a start inside a start
            return fail(WmfParser::InvalidControl, controlField());
        const QByteArrayView rest = p.bytes(p.remaining());
        const qsizetype end = rest.indexOf('\0');
        m_control = ReportControl();
        m_control.kind = rest.first(std::min<qsizetype>(end < 0 ? rest.size() : end, MaxKind)).toByteArray();
        if (end < 0 || end > MaxKind)
            return fail(WmfParser::InvalidControl, field(m_control.kind));
        Params tail(rest.data() + end + 1, rest.size() - end - 1);
        const int length = tail.u16();
        if (tail.malformed() || length > MaxAttributes || !tail.has(length))
            return fail(WmfParser::InvalidControl, field(m_control.kind));
        m_control.attributes = tail.bytes(length).toByteArray();
        // Nothing drawn until the drawing says so.
        m_control.backgroundColor = ReportControl::NoColor;
        m_control.borderColor = ReportControl::NoColor;
        m_control.borderStyle = NullPenStyle;
        m_operation = operationOf(m_control.kind);
        m_ellipses = 0;
        m_collecting = true;
        return true;
    }
    case Mark::ControlEnd:
        return endControl(zeroTerminated(p.bytes(std::min<qsizetype>(p.remaining(), MaxKind + 1))));
    case Mark::ControlFrame: {
        const int left = p.i16(), top = p.i16(), right = p.i16(), bottom = p.i16();
        const int flags = p.u16();
        if (!m_collecting || p.malformed())
            return fail(WmfParser::InvalidControl, controlField());
        // As written: a line keeps its direction.
        m_control.left = x(left);
        m_control.top = y(top);
        m_control.right = x(right);
        m_control.bottom = y(bottom);
        m_control.checked = flags & FrameChecked;
        return true;
    }
    case Mark::ImageFile: {
        const int length = p.u16();
        const QByteArrayView name = p.bytes(length);
        if (!m_collecting || p.malformed())
            return fail(WmfParser::InvalidControl, controlField());
        m_control.imageFile = QString::fromUtf8(name);
        m_control.imageOffset = -1;
        return true;
    }
    case Mark::FurtherData: {
        const int length = p.u16();
        const QByteArrayView data = p.bytes(length);
        if (p.malformed())
            return fail(WmfParser::InvalidControl, controlField());
        ReportControl further;
        if (m_collecting) {
            further.kind = m_control.kind;
            further.attributes = m_control.attributes;
        }
        further.text = data.toByteArray();
        m_result = m_generator.furtherControlData(further);
        return m_result == 0;
    }
    default:
        return true; // a mark of a later writer
    }
}

bool PageReplay::endControl(const QByteArray &kind)
{
    if (!m_collecting)
        return fail(WmfParser::InvalidControl, field(kind));
    if (!kind.isEmpty() && kind != m_control.kind)
        return fail(WmfParser::InvalidControl, controlField());
    m_collecting = false;
    const ReportControl &c = m_control;
    m_result = handControl(m_generator, m_operation, c);
    return m_result == 0;
}

} // namespace

WmfParser::WmfParser(ThreadContext &context) : m_context(context) {}

int WmfParser::raise(int message, const QString &fileName, const QString &field)
{
    ErrorManager &errors = m_context.errors();
    errors.setFileName(m_context, fileName);
    errors.setFieldName(m_context, field);
    const int result = errors.raise(m_context, message);
    return result != 0 ? result : int(ResultFatal); // the page was not replayed, whatever the box said
}

int WmfParser::noGenerator()
{
    qWarning("WmfParser: an export without a generator");
    return IReportGenerator::Failed;
}

int WmfParser::replay(const QString &fileName, IReportGenerator &generator)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return raise(NextRecordFailed, fileName);
    const qint64 size = file.size();
    if (size > MaxFileSize)
        return raise(NotWmf, fileName);
    const QByteArray bytes = size > 0 ? file.read(size) : QByteArray();
    if (bytes.size() != size || file.error() != QFileDevice::NoError)
        return raise(NextRecordFailed, fileName);
    return replay(bytes, fileName, generator);
}

int WmfParser::replay(const QByteArray &bytes, const QString &fileName, IReportGenerator &generator)
{
    PageReplay page(bytes, fileName, generator);
    const int result = page.run();
    m_pageName = page.pageName();
    if (page.failure().message)
        return raise(page.failure().message, fileName, page.failure().field);
    return result;
}

int WmfParser::openDocument()
{
    return m_generator ? m_generator->openDocument(int(m_pages.size())) : noGenerator();
}

int WmfParser::replayPage(int index)
{
    if (!m_generator)
        return noGenerator();
    if (index < 0 || index >= m_pages.size()) {
        qWarning("WmfParser: page %d of %d asked for", index + 1, int(m_pages.size()));
        return IReportGenerator::Failed;
    }
    return replay(m_pages.at(index), *m_generator);
}

int WmfParser::closeDocument()
{
    return m_generator ? m_generator->closeDocument() : noGenerator();
}

int WmfParser::exportPages()
{
    if (int result = openDocument())
        return result;
    for (int i = 0; i < m_pages.size(); ++i)
        if (int result = replayPage(i)) {
            m_generator->abandonDocument();
            return result;
        }
    return closeDocument();
}

} // namespace tavimo
