#include "pdfannotation.h"

#include "pdfcolor.h"
#include "pdfformat.h"
#include "pdfobjecttable.h"
#include "pdfstrings.h"
#include "pdftargetfile.h"

namespace tavimo {

QByteArray PdfAnnotation::actionName(const QByteArray &word)
{
    static const struct {
        const char *word;
        const char *name;
    } kActions[] = {
        {"FIRST", "/FirstPage"}, {"PREV", "/PrevPage"}, {"NEXT", "/NextPage"},
        {"LAST", "/LastPage"},   {"BACK", "/GoBack"},   {"FORWARD", "/GoForward"},
    };
    for (const auto &a : kActions) {
        if (word == a.word)
            return a.name;
    }
    return {};
}

void PdfAnnotation::write(PdfTargetFile &out, PdfObjectTable &objects, int objectNumber) const
{
    auto string = [&](const QByteArray &text) {
        return out.textString(objectNumber, PdfStrings::clean(text));
    };
    objects.begin(out, objectNumber, " 0 obj <<");
    out.writeLine("/Type /Annot ");
    const QByteArray rect = "/Rect [ " + PdfFormat::real(left) + ' ' + PdfFormat::real(bottom) + ' '
        + PdfFormat::real(right) + ' ' + PdfFormat::real(top) + " ]";
    if (type == TextNote) {
        out.writeLine("/Subtype /Text");
        out.writeLine(rect);
        out.writeRaw("/Contents (" + string(target));
        out.writeLine(")");
    } else {
        out.writeLine("/Subtype /Link");
        out.writeLine(rect);
        out.writeLine(boxed ? "/Border [ 0 0 1 ]" : "/Border [ 0 0 0 ]");
        out.writeLine("/C [ " + PdfColor::components(boxColor) + " ]");
        QByteArray action = "/A <</Type /Action ";
        if (type == UriLink) {
            action += "/S /URI /URI (" + string(target) + ")";
        } else if (type == LaunchLink) {
            // The top-level file serves readers on systems other than Windows.
            action += "/S /Launch /F (" + string(target) + ") /Win <</F (" + string(target) + ")";
            if (!PdfStrings::clean(parameters).isEmpty())
                action += " /P (" + string(parameters) + ")";
            action += ">>";
        } else {
            action += "/S /Named";
            const QByteArray name = actionName(target.trimmed().toUpper());
            if (!name.isEmpty())
                action += " /N " + name;
        }
        out.writeRaw(action);
        out.writeLine(">>");
    }
    out.writeLine(">> ");
    out.writeLine("endobj");
}

} // namespace tavimo
