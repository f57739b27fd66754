#include "printeroutput.h"

#include "errormanager.h"
#include "exportprogress.h"
#include "ireportgenerator.h"
#include "pagereader.h"
#include "paintgenerator.h"
#include "printsettings.h"
#include "screenfit.h"
#include "threadcontext.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

namespace tavimo {

namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The whole sheet of the page box's paper, turned for a box wider than
// tall, so that a printer finds its own paper by name.
QPageLayout sheetFor(const QPageLayout &current, int width, int height)
{
    if (width <= 0 || height <= 0)
        return current;
    const QPageSize size(QSizeF(std::min(width, height) / 1000.0, std::max(width, height) / 1000.0), QPageSize::Inch);
    QPageLayout layout(size, width > height ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
    layout.setMode(QPageLayout::FullPageMode);
    return layout;
}

// Paints each page on a sheet of its own: the painter begins on the first
// page, once its paper is set, and every later page turns a new sheet.
class SheetGenerator : public PaintGenerator
{
public:
    SheetGenerator(QPrinter &printer, QPainter &painter)
        : PaintGenerator(painter, printer.logicalDpiX(), printer.logicalDpiY()), m_printer(printer), m_sheetPainter(painter)
    {
    }

    QString failure;    // what went wrong on the printer's side, for the message
    bool began = false; // the printer opened its output

    int openPage(int left, int top, int right, int bottom, const QString &pageName) override
    {
        closePage();
        const QPageLayout sheet = sheetFor(m_printer.pageLayout(), right - left, bottom - top);
        if (!m_printer.pageLayout().isEquivalentTo(sheet) && !m_printer.setPageLayout(sheet))
            qWarning("PrinterOutput: the printer keeps its own paper for %s", qPrintable(pageName));
        if (!m_sheetPainter.isActive()) {
            if (!m_sheetPainter.begin(&m_printer)) {
                failure = QStringLiteral("the printer could not be opened");
                return Failed;
            }
            began = true;
        } else if (!m_printer.newPage()) {
            failure = QStringLiteral("the printer took no new sheet");
            return Failed;
        }
        return PaintGenerator::openPage(left, top, right, bottom, pageName);
    }

private:
    QPrinter &m_printer;
    QPainter &m_sheetPainter;
};

// The pages the print dialog chose, in the order the sheets come out.
QStringList sheetsToPrint(const QPrinter &printer, const QStringList &pages)
{
    QStringList chosen = pages;
    const int count = int(pages.size());
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        const int from = std::clamp(printer.fromPage(), 1, count);
        const int to = printer.toPage() >= from ? std::min(printer.toPage(), count) : count;
        chosen = pages.mid(from - 1, to - from + 1);
    }
    // A printer that makes its own copies is handed one.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    if (copies == 1)
        return chosen;
    QStringList sheets;
    if (printer.collateCopies()) {
        for (int c = 0; c < copies; ++c)
            sheets += chosen;
    } else {
        for (const QString &page : chosen)
            for (int c = 0; c < copies; ++c)
                sheets << page;
    }
    return sheets;
}

// A print into a file holds health data: the file is its owner's before
// the printer writes to it.
bool makePrivate(const QString &fileName, QString *why)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, kOwnerOnly) || !file.setPermissions(kOwnerOnly)) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace

PrinterOutput::PrinterOutput(ThreadContext &context, QWidget *owner) : m_context(context), m_owner(owner) {}

bool PrinterOutput::runPrintDialog(QPrinter &target, int pageCount)
{
    QPrintDialog dialog(&target, m_owner);
    dialog.setMinMax(1, pageCount);
    fitToScreen(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

int PrinterOutput::noPages(const QString &what)
{
    ErrorManager &errors = m_context.errors();
    if (!errors.entry(NoPagesMessage))
        errors.appendCatalogue({{NoPagesMessage, ResultNotify, QStringLiteral("Report Output"),
                                 QStringLiteral("There is no page to %Message: the pages to print keep none of the "
                                                "report's pages."),
                                 {}}});
    errors.setMessageText(m_context, what);
    const int result = errors.raise(m_context, NoPagesMessage);
    return result != ResultOk ? result : int(ResultNotify);
}

int PrinterOutput::failed(QPrinter &target, const QString &why)
{
    ErrorManager &errors = m_context.errors();
    if (!errors.entry(PrintFailedMessage))
        errors.appendCatalogue({{PrintFailedMessage, ResultNotify, QStringLiteral("Print Error"),
                                 QStringLiteral("The report could not be printed on %File: %Message."), {}}});
    const QString name = !target.outputFileName().isEmpty() ? target.outputFileName()
                         : !target.printerName().isEmpty()  ? target.printerName()
                                                            : QStringLiteral("the printer");
    errors.setFileName(m_context, name);
    errors.setMessageText(m_context, why);
    const int result = errors.raise(m_context, PrintFailedMessage);
    return result != ResultOk ? result : int(ResultNotify);
}

int PrinterOutput::print(const QStringList &pages)
{
    if (pages.isEmpty())
        return noPages(QStringLiteral("print"));
    QPrinter &target = printer ? *printer : PrintSettings::printer();
    // Each report is a document of its own: no range left from the last.
    target.setPrintRange(QPrinter::AllPages);
    target.setFromTo(0, 0);
    if (!(askPrinter ? askPrinter(target) : runPrintDialog(target, int(pages.size()))))
        return ResultCancel;

    const QStringList sheets = sheetsToPrint(target, pages);
    const QString file = target.outputFileName();
    const bool fileWasThere = !file.isEmpty() && QFile::exists(file);
    QString why;
    if (!file.isEmpty() && !makePrivate(file, &why))
        return failed(target, why);

    const QPageLayout chosenPaper = target.pageLayout();
    const bool chosenFullPage = target.fullPage();
    target.setFullPage(true);

    QPainter painter;
    SheetGenerator generator(target, painter);
    WmfParser parser(m_context);
    parser.setPages(sheets);
    parser.setGenerator(&generator);
    int result = parser.exportPages();
    if (result != ResultOk && painter.isActive())
        target.abort(); // half a report does not go out
    const bool ended = !painter.isActive() || painter.end();
    if (result == ResultOk && !ended)
        generator.failure = QStringLiteral("the printer did not take the pages");

    target.setFullPage(chosenFullPage);
    target.setPageLayout(chosenPaper);

    if (!file.isEmpty() && result == ResultOk && ended && !QFile::setPermissions(file, kOwnerOnly))
        generator.failure = QStringLiteral("the file could not be kept to its owner");
    const bool done = result == ResultOk && generator.failure.isEmpty();
    // A file the printer began holds part of a report; one it never
    // opened is left as it was.
    if (!done && !file.isEmpty() && (generator.began || !fileWasThere))
        QFile::remove(file);
    return generator.failure.isEmpty() ? result : failed(target, generator.failure);
}

int PrinterOutput::exportPages(const QStringList &pages, IReportGenerator &generator)
{
    if (pages.isEmpty())
        return noPages(QStringLiteral("save"));
    WmfParser parser(m_context);
    parser.setPages(pages);
    parser.setGenerator(&generator);
    if (!exportProgress)
        return parser.exportPages();
    ExportProgress window(m_context, parser, m_owner);
    window.execute();
    return window.result();
}

} // namespace tavimo
