#pragma once

#include <QByteArrayView>

namespace tavimo {

class IReportGenerator;
struct ReportControl;

// The generator operation each control kind reaches: "STRING" and
// "SMARTSTRING" the string, "OPTION" and "GROUP" the group box, and so on.
// A kind no operation takes draws nothing.
enum class ControlOperation {
    None, Arc, CheckBox, Chord, Ellipse, Image, Line, GroupBox, Pie, Polygon, RadioButton, Box, String, TextBlock,
};

ControlOperation operationOf(QByteArrayView kind);

// Hands the control to the operation (to its kind's, in the second form);
// None answers 0 and calls nothing.
int handControl(IReportGenerator &generator, ControlOperation operation, const ReportControl &control);
int handControl(IReportGenerator &generator, const ReportControl &control);

} // namespace tavimo
