#pragma once

#include "logreport.h"

namespace tavimo {

// "Blood Pressure Report For: " the person: the readings from FromDate to
// ToDate, both days included, in date order, and below them the averages,
// minimums and maximums of each column and the number of readings.
class BpAverages
{
public:
    static const LogReportSpec &spec();
    static const ReportLayout &layout();
    static int run(ThreadContext &context, QWidget *owner, const LogReportHooks &hooks = {});
};

} // namespace tavimo
