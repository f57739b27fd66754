#pragma once

#include <cstdint>

namespace tavimo::pagerecords {

// What the page writer and the page reader agree on: the placeable
// metafile's frame, the record functions they use, and the control marks.
// Every value is little-endian; record sizes count 16-bit words.

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr int PlaceableHeaderSize = 22; // key, handle, box, units per inch, reserved, checksum
constexpr int StandardHeaderSize = 18;  // type, header words, version, size, objects, largest record, members
constexpr int RecordsStart = PlaceableHeaderSize + StandardHeaderSize;
constexpr int RecordHeaderSize = 6;     // size in words (32 bits), function (16 bits)

namespace Function {
enum : std::uint16_t {
    EndOfFile = 0,
    SaveState = 30,
    SetBackgroundMode = 258,
    SetStretchMode = 263,
    RestoreState = 295,
    SelectObject = 301,
    SetTextAlign = 302,
    DeleteObject = 496,
    SetBackgroundColor = 513,
    SetTextColor = 521,
    SetWindowOrigin = 523,
    SetWindowExtent = 524,
    LineTo = 531,
    MoveTo = 532,
    CreatePen = 762,
    CreateFont = 763,
    CreateBrush = 764,
    // Objects the renderer never makes but other programs' metafiles do:
    // each takes a number in the object table all the same.
    CreatePalette = 0x00F7,
    CreatePatternBrush = 0x01F9,
    CreateDibPatternBrush = 0x0142,
    CreateRegion = 0x06FF,
    Polygon = 804,
    Ellipse = 1048,
    Rectangle = 1051,
    RoundRectangle = 1564,
    Escape = 1574,
    Arc = 2071,
    Pie = 2074,
    Chord = 2096,
    ExtTextOut = 2610,
    StretchBitmap = 3907,
};
}

// Offset of the bitmap inside a stretch-bitmap record: the record header,
// raster operation, colour usage and eight 16-bit geometry values.
constexpr int StretchBitmapData = 28;

constexpr int TransparentBackground = 1;
constexpr int OpaqueBackground = 2;
constexpr int NullPenStyle = 5;
constexpr int SolidBrush = 0;
constexpr int NullBrush = 1;
constexpr int PatternBrush = 3;
constexpr int TextOpaque = 0x0002;  // extended text out: fill the rectangle
constexpr int TextClipped = 0x0004; // extended text out: clip to the rectangle

// Control marks: an escape record with this code, a byte count, then the
// mark's number (16 bits) and its payload.
constexpr std::uint16_t MarkEscape = 1319;

namespace Mark {
enum : std::uint16_t {
    PageName = 9,     // zero-terminated text
    ControlStart = 11, // kind, zero-terminated; attribute text: 16-bit length, bytes
    ControlEnd = 12,   // kind, zero-terminated, as at the start
    ControlFrame = 13, // left, top, right, bottom (16-bit, metafile units); flags (16 bits)
    ImageFile = 14,    // 16-bit length, the file name in UTF-8
    FurtherData = 15,  // 16-bit length, bytes for the generator's further control data
};
}

constexpr int FrameChecked = 0x0001; // ControlFrame flag: checked or selected
constexpr int MaxKind = 32;
constexpr int MaxAttributes = 2048;

} // namespace tavimo::pagerecords
