#pragma once

#include "ireportgenerator.h"

#include <QStringList>

namespace tavimo {

class IReportGenerator;
class ReportManager;

// What the report manager needs of the rest of the report machinery. Each
// result is ResultOk, or a failure the implementation has already told
// the user about.

// Lays out the report: one detail band per record into pages, each
// finished page stored as a page file.
class ReportRenderer
{
public:
    virtual ~ReportRenderer() = default;
    virtual int open() = 0;
    // Prints the detail band for the record now in the view's buffers.
    virtual int printRecord() = 0;
    // The footer, the totals and the last page.
    virtual int endReport() = 0;
    virtual void close() = 0;
    // The page files finished since the last call, in page order. The
    // renderer keeps them and removes them when the run is over.
    virtual QStringList takeFinishedPages() = 0;
};

// Shows the finished pages. True when the user chose to print them; it
// may first take out the pages not to print. Saving as a file goes
// through report.exportTo().
class PreviewRunner
{
public:
    virtual ~PreviewRunner() = default;
    virtual bool preview(ReportManager &report, QStringList &pages, int zoom) = 0;
};

// Where finished pages go besides the preview.
class PageOutput
{
public:
    virtual ~PageOutput() = default;
    // On the run's printer (the one Print Setup chose).
    virtual int print(const QStringList &pages) = 0;
    // Replayed into the generator with the export progress window.
    virtual int exportPages(const QStringList &pages, IReportGenerator &generator) = 0;
};

// A procedure's own say on each record, asked before the record prints,
// and at the end of the run.
class RecordProcessor
{
public:
    virtual ~RecordProcessor() = default;
    // False leaves the record out of the report.
    virtual bool takeRecord() = 0;
    // A non-zero answer keeps the report from being ended.
    virtual int takeClose() { return 0; }
};

} // namespace tavimo
