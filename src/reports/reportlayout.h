#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <vector>

namespace tavimo {

// A report layout as data: the paper, the bands and their controls, as the
// report procedures declare them and the renderer lays them into pages.
// Every length is in thousandths of an inch; colours are 0x00BBGGRR.

enum class ControlKind {
    String,      // one line: a fixed text, or a field (or a total) through its display picture
    TextBlock,   // several lines, wrapped by the renderer
    Box,
    Line,        // from the top-left to the bottom-right of its box, either may be the larger
    CheckBox,
    RadioButton,
    GroupBox,
    Image,       // an image file drawn into the box
    Ellipse,
    Polygon,
};

// The kind as a page file names it ("STRING", "TEXT", "BOX" and so on).
QByteArray controlKindText(ControlKind kind);

namespace ReportColor {
constexpr int None = -1; // no background, no border
constexpr int Black = 0x000000;
constexpr int White = 0xFFFFFF;
constexpr int rgb(int red, int green, int blue)
{
    return (red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16;
}
} // namespace ReportColor

// Border styles, numbered as pens are.
namespace BorderStyle {
enum : int { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, None = 5 };
}

struct ReportFont
{
    QString face = QStringLiteral("Arial"); // up to 31 characters reach the page
    double size = 10;                       // points
    int weight = 400;                       // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    int angle = 0; // degrees, counter-clockwise

    bool operator==(const ReportFont &) const = default;
};

// How a control looks, shared by its declaration and its placed form.
struct ControlStyle
{
    ReportFont font;
    int fontColor = ReportColor::Black;
    int backgroundColor = ReportColor::None;
    int borderColor = ReportColor::Black;
    int borderWidth = 0; // 0 is the thinnest line the device draws
    int borderStyle = BorderStyle::None;

    bool operator==(const ControlStyle &) const = default;
};

enum class TextAlign { Left, Center, Right };

enum class TotalKind { None, Average, Minimum, Maximum, Count, Sum };
enum class TotalReset { Report, Page };

// One control of a band, placed relative to the band's top-left corner.
struct LayoutControl
{
    ControlKind kind = ControlKind::String;
    int x = 0, y = 0, width = 0, height = 0;
    QString text;    // fixed text, label or caption; empty when a field gives it
    QString field;   // the field shown (or totalled), empty for fixed text
    QString picture; // display picture of the field's value or total
    TextAlign align = TextAlign::Left;
    ControlStyle style;
    bool checked = false;       // a check box or radio button without a field
    std::vector<QPoint> points; // polygons, relative to the control's top-left corner
    QString imageFile;
    QString attributes; // attribute text for the generators, up to 2048 characters
    TotalKind total = TotalKind::None; // shows this total of `field` instead of its value
    TotalReset totalReset = TotalReset::Report;
};

struct ReportBand
{
    int height = 0;
    std::vector<LayoutControl> controls;
};

struct ReportLayout
{
    QString name;
    int paperWidth = 8500; // letter
    int paperHeight = 11000;
    int marginLeft = 500, marginTop = 500, marginRight = 500, marginBottom = 500;
    ReportBand pageHeader;
    ReportBand detail;
    ReportBand pageFooter;
    ReportBand reportFooter;

    int printableWidth() const { return paperWidth - marginLeft - marginRight; }
    // What the detail bands of one page may fill between header and footer.
    int bodyHeight() const
    {
        return paperHeight - marginTop - marginBottom - pageHeader.height - pageFooter.height;
    }
};

// A finished page: every control at its place on the paper with its final
// text, as the page writer turns it into a page file.
struct PlacedLine
{
    int left = 0, top = 0, right = 0, bottom = 0;
    int x = 0, y = 0; // where the line's text starts (its top-left)
    QString text;
};

struct PlacedControl
{
    ControlKind kind = ControlKind::String;
    int left = 0, top = 0, right = 0, bottom = 0; // the control's box; a check box's or radio button's frame
    int x = 0, y = 0; // where the text, label or caption starts (its top-left)
    QString text;
    std::vector<PlacedLine> lines; // text blocks
    ControlStyle style;
    bool checked = false;
    std::vector<QPoint> points; // polygons, on the page
    QString imageFile;
    QString attributes;
    QByteArray furtherData; // carried to the generators' further control data as it is
};

struct FinishedPage
{
    QString name;
    int width = 8500; // the paper
    int height = 11000;
    std::vector<PlacedControl> controls;
};

// A control of a band at the band's place on the page, with its final text:
// the box, text position and points moved by the band's origin. The renderer
// adjusts what depends on measuring (alignment, lines, frames).
PlacedControl placeControl(const LayoutControl &control, int bandLeft, int bandTop, const QString &text);

} // namespace tavimo
