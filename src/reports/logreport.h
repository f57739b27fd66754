#pragma once

#include "reportlayout.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace tavimo {

class ReportManager;
class ReportPdf;
class PrintPreview;
class PrinterOutput;
class ThreadContext;

// A report over one of a person's logs: the person's records of one table,
// in a key's order, through a filter over the bound person and dates, laid
// into pages with the furniture every log report shares, and shown in the
// preview.
struct LogReportSpec
{
    const char *procedure;
    const char *table;      // the log's label
    const char *key;        // the order the readings print in
    const char *filter;     // over the table's fields, personname, FromDate and ToDate
    const char *nameField;  // the log's person name, as wide as the table holds it
    QString title;          // "Blood Pressure Report For: "
    bool since = true;      // "Since:" with the first date of the range
    bool maximize = false;  // the preview opens maximised
};

// How a run is shown and printed; tests put their own in.
struct LogReportHooks
{
    std::function<void(PrintPreview &)> preview; // before the preview runs
    std::function<void(PrinterOutput &)> output; // before anything prints
    std::function<void(ReportManager &)> report; // before the run starts
    std::function<void(ReportPdf &)> pdf;        // the PDF it may be saved as
};

class LogReport
{
public:
    // The furniture around a log's columns: the title with the person, the
    // date range, the column heads with rules between them, and the page
    // footer with the product line, the date and time of the run and the
    // page number. `columns` are the detail's controls, left to right.
    static ReportLayout furnish(const LogReportSpec &spec, const std::vector<LayoutControl> &columns,
                                const std::vector<QString> &heads);

    // Runs the report in the caller's context: the progress window, then
    // the preview. The response: completed when something was shown.
    static int run(ThreadContext &context, const LogReportSpec &spec, const ReportLayout &layout, QWidget *owner,
                   const LogReportHooks &hooks = {});
};

} // namespace tavimo
