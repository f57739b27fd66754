#pragma once

// Report controls made by hand, and handed to a generator as the page
// reader hands them on, for the tests of the generators.
#include "controloperation.h"
#include "ireportgenerator.h"
#include "reportcontrol.h"

#include <QByteArray>

namespace tavimo::testing {

// The operation of the control's kind; any other kind goes to the further
// control data, which draws nothing.
inline int drawKind(IReportGenerator &g, const ReportControl &c)
{
    const ControlOperation operation = operationOf(c.kind);
    return operation == ControlOperation::None ? g.furtherControlData(c) : handControl(g, operation, c);
}

// A control of the kind in the box, its text at the top-left, in 10-point
// Liberation Sans.
inline ReportControl control(const QByteArray &kind, int left, int top, int right, int bottom)
{
    ReportControl c;
    c.kind = kind;
    c.left = left;
    c.top = top;
    c.right = right;
    c.bottom = bottom;
    c.x = left;
    c.y = top;
    c.fontFace = "Liberation Sans";
    c.fontSize = 10;
    c.fontStyle = 400;
    return c;
}

} // namespace tavimo::testing
