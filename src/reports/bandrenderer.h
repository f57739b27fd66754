#pragma once

#include "picture.h"
#include "reporthooks.h"
#include "reportlayout.h"
#include "reportmetrics.h"
#include "reporttotals.h"
#include "tablelayout.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace tavimo {

class PageFolder;
class Record;
class ThreadContext;

// Lays a report's bands into pages: the page header at the top margin of
// every page, one detail band per record while it fits above the page
// footer, the page footer at the bottom margin, and the report footer after
// the last detail (on a page of its own when it does not fit there). A band
// taller than the room a page has is placed at the top of a page and
// overruns it rather than never printing.
//
// Each page is written to its page file the moment it is finished, so a
// run of thousands of pages keeps one page in memory. Because of that a
// text can only show the number of its own page: "@page@" in a control's
// text becomes that number, through the control's picture when it has one
// ("Page @page@" with "n3" shows "Page   1"). The number of pages is not
// known while they are written.
//
// Control texts: a total when the control has one, else the field's value
// through the picture (an empty picture shows the field as lists do), else
// textFor's answer, else the control's own text. A check box or radio
// button with a field is ticked when the field holds a value: a text other
// than blank, "N", "NO", "0", "FALSE" or "OFF", a number other than zero,
// a date or time.
//
// Totals run over every record printed, from the start of the run, unless
// reset on each page; in the report footer a total always shows the whole
// run. An average, minimum or maximum of no values shows blank, a sum of
// none 0 and a count 0, through the picture.
class BandRenderer : public ReportRenderer
{
public:
    // The text replaced by the page number.
    static constexpr const char *PagePlaceholder = "@page@";
    // Raised with the page file's name when a page cannot be written.
    static constexpr int PageFileMessage = 74; // "Report Page Error", added to the catalogue when first needed

    // `record` is the buffer the report's view reads into (fields are read
    // from it at each printRecord); pages go into `folder`; messages through
    // context.errors(). None of them is owned; the layout is kept by
    // reference, so a hook may tell its controls by their address.
    BandRenderer(ThreadContext &context, const ReportLayout &layout, const Record &record, PageFolder &folder);
    ~BandRenderer() override; // removes the run's page files
    BandRenderer(const BandRenderer &) = delete;
    BandRenderer &operator=(const BandRenderer &) = delete;

    // After the report opens.
    std::function<void()> afterOpen;
    // Before each detail band prints; false leaves the record out (of the
    // totals too).
    std::function<bool()> beforeDetail;
    // The text of a control without a field, asked each time it is placed;
    // a null QString keeps the control's own text. "@page@" in the answer
    // becomes the page number too.
    std::function<QString(const LayoutControl &)> textFor;
    // Whether a check box or radio button is ticked; std::nullopt leaves it
    // to its field or its own flag.
    std::function<std::optional<bool>(const LayoutControl &)> checkedFor;

    int open() override;
    int printRecord() override;
    int endReport() override;
    void close() override;
    QStringList takeFinishedPages() override;

    int pageCount() const { return m_pagesWritten; } // pages finished so far
    // The running total a control shows (full precision): the current
    // page's for one reset on each page, the whole run's in the report
    // footer. 0 for a control without a total.
    double total(const LayoutControl &c) const;
    QStringList allPages() const { return m_allPages; } // every page file of the run, in order

    // What is wrong with a layout over a table: fields it does not have,
    // pictures that mean nothing, totals without a field. Empty when none.
    static QStringList checkLayout(const ReportLayout &layout, const TableLayout &table);

private:
    enum class Band { PageHeader, Detail, PageFooter, ReportFooter };

    struct Slot // a total kept for one control
    {
        const LayoutControl *control;
        Band band;
        int field;
        FieldType type;
        ReportTotal run;
        ReportTotal page;
    };

    struct Prepared // what a control needs, worked out once per run
    {
        int field = -1;
        bool memo = false;
        Picture picture;
        bool hasPicture = false;
        int slot = -1;
    };

    void prepare();
    void prepareBand(const ReportBand &band, Band which, std::vector<Prepared> &out);
    const std::vector<Prepared> &preparedOf(Band band) const;
    const ReportBand &bandOf(Band band) const;

    void startPage();
    int finishPage();
    void placeBand(Band band, int top);
    void countRecord();
    int fail(const QString &fileName, const QString &reason);
    void removePages();

    QString textOf(const LayoutControl &c, const Prepared &p);
    QString totalText(const LayoutControl &c, const Prepared &p) const;
    QString pageText(QString text, const Prepared &p) const;
    bool checkedOf(const LayoutControl &c, const Prepared &p) const;
    const ReportTotal &shown(const Slot &slot) const;
    PlacedControl place(const LayoutControl &c, const Prepared &p, int left, int top);

    ThreadContext &m_context;
    const ReportLayout &m_layout;
    const Record &m_record;
    PageFolder &m_folder;
    ReportMetrics m_metrics;

    std::vector<Prepared> m_prepared[4]; // by Band, parallel to the band's controls
    std::vector<Slot> m_slots;

    bool m_open = false;
    bool m_ended = false;
    int m_failure = 0; // the result every call gives after a page failed
    bool m_pageOpen = false;
    int m_pageNumber = 0;
    int m_pagesWritten = 0;
    int m_cursor = 0; // where the next band goes on the open page
    int m_bandsOnPage = 0;
    std::vector<PlacedControl> m_controls; // the open page's
    QStringList m_finished;                // not yet taken
    QStringList m_allPages;
};

} // namespace tavimo
