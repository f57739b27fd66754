// The report controls of a replayed page, drawn into the PDF. The painting
// generator of the preview draws the same shapes; keep the two in step.
#include "pdfgenerator.h"

#include "pdfcontent.h"
#include "reportcontrol.h"

#include <algorithm>

namespace tavimo {

namespace {

constexpr int kFaceName = 12; // "FONTNAME" gives up to this many characters
constexpr int kWeightBits = 0x7FF;
constexpr int kBold = 700;

enum ActionType { WebLink = 1, LaunchLink = 2, Note = 3, PageAction = 4 };

// The text a control shows: its own, its label or caption, or every line
// of a text block.
QByteArray ownText(const ReportControl &control)
{
    if (control.lines.empty())
        return control.text.trimmed();
    QByteArray joined;
    for (const ReportControl::Line &l : control.lines) {
        const QByteArray text = l.text.trimmed();
        if (text.isEmpty())
            continue;
        if (!joined.isEmpty())
            joined += ' ';
        joined += text;
    }
    return joined;
}

// A value naming its own keyword stands for the control's text.
QByteArray valueOrText(const ControlAttributes &attributes, const char *keyword, const ReportControl &control)
{
    const QByteArray value = attributes.value("PDF", keyword);
    return value == keyword ? ownText(control) : value;
}

// The control's face, or the one "FONTNAME" puts in its place.
QString faceOf(const ReportControl &control, const ControlAttributes &attributes)
{
    QByteArray face = attributes.value("PDF", "FONTNAME").trimmed().left(kFaceName);
    if (face.isEmpty())
        face = control.fontFace.trimmed();
    return face.isEmpty() ? QStringLiteral("Helvetica") : QString::fromLatin1(face);
}

double sizeOf(const ReportControl &control)
{
    return control.fontSize > 0 ? control.fontSize : 10;
}

} // namespace

bool PdfGenerator::beginControl(const ReportControl &control, const ControlAttributes &attributes,
                                ControlAttributes::Box &box)
{
    if (!m_pageOpen)
        return false;
    if (attributes.isMalformed() && m_attributeErrors && !m_attributeErrorsTold.contains(control.attributes)) {
        m_attributeErrorsTold.insert(control.attributes);
        m_attributeErrors(control.attributes, attributes.errorPosition());
    }
    if (attributes.isOn("ALL", "SKIP") || attributes.isOn("PDF", "SKIP"))
        return false;
    box = attributes.boxOf(control);
    controlLinks(control, attributes, box);
    return !attributes.isOn("PDF", "HIDE");
}

void PdfGenerator::controlLinks(const ReportControl &control, const ControlAttributes &attributes,
                                const ControlAttributes::Box &box)
{
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    const QByteArray boxColor = attributes.value("PDF", "HyperBoxColor").trimmed();
    setHyperlinkBox(!boxColor.isEmpty(), boxColor.toInt());
    switch (attributes.number("PDF", "PDFActionType")) {
    case WebLink: {
        const QByteArray target = valueOrText(attributes, "Hyperlink", control);
        if (!target.isEmpty())
            addHyperlink(box.left, box.top, w, h, attributes.value("PDF", "HyperType") + target);
        break;
    }
    case LaunchLink: {
        const QByteArray file = attributes.value("PDF", "CommandLine");
        if (!file.trimmed().isEmpty())
            addLaunchLink(box.left, box.top, w, h, file, attributes.value("PDF", "CommandLineParam"));
        break;
    }
    case Note: {
        const QByteArray note = valueOrText(attributes, "Annotation", control);
        if (!note.trimmed().isEmpty())
            addNote(box.left, box.top, note);
        break;
    }
    case PageAction: {
        const QByteArray word = attributes.value("PDF", "PageAction").trimmed();
        if (!word.isEmpty())
            addNamedAction(box.left, box.top, w, h, word);
        break;
    }
    default:
        break;
    }
    setHyperlinkBox(false, 0);

    const QByteArray bookmark = valueOrText(attributes, "Bookmark", control);
    if (!bookmark.trimmed().isEmpty())
        addBookmark(bookmark, box.left, box.top, attributes.value("PDF", "BookmarkParent"));
}

void PdfGenerator::filledRectangle(int color, int x, int y, int w, int h)
{
    // The edge in the fill's own colour, at the thinnest width.
    setPen(color, 0, 0);
    setFillColor(color);
    drawRectangle(x, y, w, h);
}

void PdfGenerator::controlText(const ReportControl &control, const ControlAttributes &attributes,
                               const QByteArray &text, int x, int y, int angle, const QRect *clip, int boxWidth)
{
    if (text.isEmpty())
        return;
    setFontColor(control.fontColor);
    setFontAngle(angle);
    setFont(faceOf(control, attributes), sizeOf(control), (control.fontStyle & kWeightBits) == kBold,
            control.fontStyle & ReportControl::Italic, control.charset);
    drawText(x, y, text, clip);
    if (control.fontStyle & ReportControl::Underline)
        underlineText(x, y, text, boxWidth);
    if (control.fontStyle & ReportControl::StrikeOut)
        strikeOutText(x, y, text, boxWidth);
    setFontAngle(0);
}

bool PdfGenerator::shapePen(const ReportControl &control)
{
    const bool border = control.borderColor != ReportControl::NoColor;
    const bool fill = control.backgroundColor != ReportControl::NoColor;
    if (!border && !fill)
        return false;
    // Without a border the fill is edged in its own colour.
    setPen(border ? control.borderColor : control.backgroundColor, border ? control.borderWidth : 0, 0);
    setFillColor(control.backgroundColor);
    return true;
}

int PdfGenerator::box(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (beginControl(control, attributes, b) && shapePen(control))
        drawRectangle(b.left, b.top, b.right - b.left, b.bottom - b.top);
    return Done;
}

int PdfGenerator::ellipse(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (beginControl(control, attributes, b) && shapePen(control))
        drawEllipse(b.left, b.top, b.right - b.left, b.bottom - b.top);
    return Done;
}

int PdfGenerator::line(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b) || control.borderColor == ReportControl::NoColor)
        return Done;
    setPen(control.borderColor, control.borderWidth, 0);
    drawLine(b.left, b.top, b.right - b.left, b.bottom - b.top);
    return Done;
}

int PdfGenerator::checkBox(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b))
        return Done;
    const int w = b.right - b.left, h = b.bottom - b.top;
    if (control.borderColor != ReportControl::NoColor) {
        setPen(control.borderColor, control.borderWidth, 0);
        setFillColor(ReportControl::NoColor);
        drawRectangle(b.left, b.top, w, h);
        if (control.checked) {
            drawLine(b.left, b.top, w, h);
            drawLine(b.left, b.bottom, w, -h);
        }
    }
    controlText(control, attributes, control.text, control.x, control.y, control.angle, nullptr, 0);
    return Done;
}

int PdfGenerator::radioButton(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b))
        return Done;
    const int w = b.right - b.left, h = b.bottom - b.top;
    if (control.borderColor != ReportControl::NoColor) {
        setPen(control.borderColor, control.borderWidth, 0);
        setFillColor(ReportControl::NoColor);
        drawEllipse(b.left, b.top, w, h);
    }
    if (control.checked) {
        // The dot: half the circle across, in the frame's colour.
        const int dot = control.borderColor == ReportControl::NoColor ? control.fontColor : control.borderColor;
        setPen(dot, 0, 0);
        setFillColor(dot);
        drawEllipse(b.left + w / 4, b.top + h / 4, w - 2 * (w / 4), h - 2 * (h / 4));
    }
    controlText(control, attributes, control.text, control.x, control.y, 0, nullptr, 0);
    return Done;
}

int PdfGenerator::groupBox(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b))
        return Done;
    if (shapePen(control))
        drawRectangle(b.left, b.top, b.right - b.left, b.bottom - b.top);
    const QByteArray caption = control.text;
    if (control.backgroundColor != ReportControl::NoColor && !caption.trimmed().isEmpty()) {
        // The caption sits on the frame: its own background keeps the line
        // from running through it.
        setFont(faceOf(control, attributes), sizeOf(control), (control.fontStyle & kWeightBits) == kBold,
                control.fontStyle & ReportControl::Italic, control.charset);
        const int width = int(textWidth(caption));
        const int height = int(sizeOf(control) * 1000 / 72);
        filledRectangle(control.backgroundColor, control.x, control.y, width, height);
    }
    controlText(control, attributes, caption, control.x, control.y, control.angle, nullptr, 0);
    return Done;
}

int PdfGenerator::polygon(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b) || control.points.size() < 2)
        return Done;
    const bool border = control.borderColor != ReportControl::NoColor && control.borderStyle != 5;
    if (!border && control.backgroundColor == ReportControl::NoColor)
        return Done;
    if (border)
        setPen(control.borderColor, control.borderWidth, control.borderStyle);
    else
        setPen(control.backgroundColor, 0, 0);
    setFillColor(control.backgroundColor);
    startPolygon();
    for (const QPoint &p : control.points)
        addPolygonPoint(p.x(), p.y());
    endPolygon();
    return Done;
}

int PdfGenerator::image(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b) || control.imageFile.trimmed().isEmpty())
        return Done;
    drawImage(control.imageFile, control.imageOffset, b.left, b.top, b.right - b.left, b.bottom - b.top);
    return Done;
}

int PdfGenerator::string(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b) || control.text.isEmpty())
        return Done;
    const int w = b.right - b.left, h = b.bottom - b.top;
    if (control.backgroundColor != ReportControl::NoColor && w != 0 && h != 0)
        filledRectangle(control.backgroundColor, b.left, b.top, w, h);
    const QRect clip(b.left, b.top, w, h);
    controlText(control, attributes, control.text, control.x, control.y, control.angle, &clip, w);
    return Done;
}

int PdfGenerator::textBlock(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    ControlAttributes::Box b;
    if (!beginControl(control, attributes, b))
        return Done;
    const bool anyText = std::any_of(control.lines.begin(), control.lines.end(),
                                     [](const ReportControl::Line &l) { return !l.text.isEmpty(); });
    if (!anyText)
        return Done;
    const int w = b.right - b.left, h = b.bottom - b.top;
    if (control.backgroundColor != ReportControl::NoColor && w != 0 && h != 0)
        filledRectangle(control.backgroundColor, b.left, b.top, w, h);
    for (const ReportControl::Line &l : control.lines)
        controlText(control, attributes, l.text, l.x, l.y, control.angle, nullptr, l.right - l.left);
    return Done;
}

} // namespace tavimo
