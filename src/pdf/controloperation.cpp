#include "controloperation.h"

#include "ireportgenerator.h"
#include "reportcontrol.h"

namespace tavimo {

ControlOperation operationOf(QByteArrayView kind)
{
    static const struct
    {
        const char *kind;
        ControlOperation operation;
    } table[] = {
        {"ARC", ControlOperation::Arc},         {"CHECK", ControlOperation::CheckBox},
        {"CHORD", ControlOperation::Chord},     {"ELLIPSE", ControlOperation::Ellipse},
        {"IMAGE", ControlOperation::Image},     {"LINE", ControlOperation::Line},
        {"OPTION", ControlOperation::GroupBox}, {"GROUP", ControlOperation::GroupBox},
        {"PIE", ControlOperation::Pie},         {"POLYGON", ControlOperation::Polygon},
        {"RADIO", ControlOperation::RadioButton}, {"BOX", ControlOperation::Box},
        {"STRING", ControlOperation::String},   {"SMARTSTRING", ControlOperation::String},
        {"TEXT", ControlOperation::TextBlock},  {"RTF", ControlOperation::TextBlock},
    };
    for (const auto &entry : table)
        if (kind == QByteArrayView(entry.kind))
            return entry.operation;
    return ControlOperation::None;
}

int handControl(IReportGenerator &g, ControlOperation operation, const ReportControl &c)
{
    switch (operation) {
    case ControlOperation::None: return IReportGenerator::Done;
    case ControlOperation::Arc: return g.arc(c);
    case ControlOperation::CheckBox: return g.checkBox(c);
    case ControlOperation::Chord: return g.chord(c);
    case ControlOperation::Ellipse: return g.ellipse(c);
    case ControlOperation::Image: return g.image(c);
    case ControlOperation::Line: return g.line(c);
    case ControlOperation::GroupBox: return g.groupBox(c);
    case ControlOperation::Pie: return g.pie(c);
    case ControlOperation::Polygon: return g.polygon(c);
    case ControlOperation::RadioButton: return g.radioButton(c);
    case ControlOperation::Box: return g.box(c);
    case ControlOperation::String: return g.string(c);
    case ControlOperation::TextBlock: return g.textBlock(c);
    }
    return IReportGenerator::Done;
}

int handControl(IReportGenerator &generator, const ReportControl &control)
{
    return handControl(generator, operationOf(control.kind), control);
}

} // namespace tavimo
