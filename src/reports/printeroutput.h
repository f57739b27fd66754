#pragma once

#include "reporthooks.h"

#include <QPointer>
#include <QStringList>

#include <functional>

class QPrinter;
class QWidget;

namespace tavimo {

class IReportGenerator;
class ThreadContext;

// Where finished pages go besides the preview: onto the run's printer, or
// replayed into an output generator.
class PrinterOutput : public PageOutput
{
public:
    // Said when a print cannot be made, and when no page is left to print
    // or save (the pages to print kept none).
    static constexpr int PrintFailedMessage = 76;
    static constexpr int NoPagesMessage = 77;

    explicit PrinterOutput(ThreadContext &context, QWidget *owner = nullptr); // not owned

    QPrinter *printer = nullptr; // not owned; PrintSettings::printer() when null
    // Exports show their progress window; a quiet export runs without one
    // (no display, scripts).
    bool exportProgress = true;
    // The print dialog: true to print. QPrintDialog unless set (tests).
    std::function<bool(QPrinter &)> askPrinter;

    // One sheet per page, the whole sheet, its paper from the page box; the
    // pages or copies the print dialog chose. The printer's own paper (what
    // Print Setup chose) is back on it afterwards. ResultCancel when the
    // dialog was cancelled; nothing is printed then.
    int print(const QStringList &pages) override;
    // The pages replayed into the generator, in order, with the progress
    // window unless quiet. A failed or cancelled export keeps nothing.
    int exportPages(const QStringList &pages, IReportGenerator &generator) override;

private:
    bool runPrintDialog(QPrinter &target, int pageCount);
    int noPages(const QString &what);
    int failed(QPrinter &target, const QString &why);

    ThreadContext &m_context;
    QPointer<QWidget> m_owner;
};

} // namespace tavimo
