#include "logreport.h"

#include "bandrenderer.h"
#include "errormanager.h"
#include "filemanager.h"
#include "pagefolder.h"
#include "picture.h"
#include "previewrunner.h"
#include "printeroutput.h"
#include "printpreview.h"
#include "processmanager.h"
#include "processvalues.h"
#include "relationmanager.h"
#include "reportmanager.h"
#include "reportpdf.h"
#include "reporttargetselector.h"
#include "pdfgenerator.h"
#include "softcheck.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDateTime>

namespace tavimo {

namespace {

constexpr int RowHeight = 200;  // a line of 10-point text with room
constexpr int HeadTop = 700;    // the column heads below the title lines
const QString ProductLine = QStringLiteral("Tavimo");

// Texts the run fills in, not fields.
const QString DateStamp = QStringLiteral("@date@");
const QString TimeStamp = QStringLiteral("@time@");
const QString PersonName = QStringLiteral("@person@");
const QString FirstDate = QStringLiteral("@from@");

LayoutControl text(int x, int y, int width, const QString &value, bool bold = false, double size = 10)
{
    LayoutControl c;
    c.kind = ControlKind::String;
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = RowHeight;
    c.text = value;
    c.style.font.size = size;
    c.style.font.weight = bold ? 700 : 400;
    return c;
}

LayoutControl rule(int x, int top, int bottom)
{
    LayoutControl c;
    c.kind = ControlKind::Line;
    c.x = x;
    c.y = top;
    c.width = 0;
    c.height = bottom - top;
    c.style.borderStyle = BorderStyle::Solid;
    return c;
}

} // namespace

ReportLayout LogReport::furnish(const LogReportSpec &spec, const std::vector<LayoutControl> &columns,
                                const std::vector<QString> &heads)
{
    ReportLayout layout;
    layout.name = QString::fromLatin1(spec.procedure);
    const int width = layout.printableWidth();

    // Title, person and range; then the column heads with rules between them.
    ReportBand &header = layout.pageHeader;
    header.controls.push_back(text(0, 0, width / 2, spec.title, true, 12));
    header.controls.push_back(text(width / 2, 0, width / 2, PersonName, true, 12));
    if (spec.since) {
        header.controls.push_back(text(0, 300, 700, QStringLiteral("Since:")));
        header.controls.push_back(text(700, 300, 1600, FirstDate));
    }
    for (std::size_t i = 0; i < columns.size() && i < heads.size(); ++i) {
        LayoutControl head = text(columns[i].x, HeadTop, columns[i].width, heads[i], true);
        head.align = columns[i].align;
        header.controls.push_back(head);
    }
    header.height = HeadTop + RowHeight + 60;
    LayoutControl under;
    under.kind = ControlKind::Line;
    under.x = 0;
    under.y = header.height - 30;
    under.width = width;
    under.style.borderStyle = BorderStyle::Solid;
    header.controls.push_back(under);

    ReportBand &detail = layout.detail;
    detail.height = RowHeight;
    detail.controls = columns;
    // Rules between the columns, in the heads and in every line.
    for (std::size_t i = 1; i < columns.size(); ++i) {
        const int x = columns[i].x - 40;
        header.controls.push_back(rule(x, HeadTop, header.height - 30));
        detail.controls.push_back(rule(x, 0, RowHeight));
    }

    ReportBand &footer = layout.pageFooter;
    footer.height = 2 * RowHeight;
    LayoutControl over;
    over.kind = ControlKind::Line;
    over.width = width;
    over.style.borderStyle = BorderStyle::Solid;
    footer.controls.push_back(over);
    footer.controls.push_back(text(0, 60, 1500, ProductLine, true));
    footer.controls.push_back(text(2000, 60, 500, QStringLiteral("Date:")));
    footer.controls.push_back(text(2500, 60, 1300, DateStamp));
    footer.controls.push_back(text(4000, 60, 500, QStringLiteral("Time:")));
    footer.controls.push_back(text(4500, 60, 1200, TimeStamp));
    // The renderer puts the page's number in, through the picture.
    LayoutControl page = text(width - 1200, 60, 1200, QStringLiteral("Page ") + BandRenderer::PagePlaceholder);
    page.picture = QStringLiteral("n3");
    page.align = TextAlign::Right;
    footer.controls.push_back(page);
    return layout;
}

int LogReport::run(ThreadContext &context, const LogReportSpec &spec, const ReportLayout &layout, QWidget *owner,
                   const LogReportHooks &hooks)
{
    const TableLayout *table = tables::byLabel(QString::fromLatin1(spec.table));
    if (!softCheck(table != nullptr, spec.procedure, QString::fromLatin1(spec.table)))
        return Response::Cancelled;
    RelationManager &primary = *context.relationManager(*table);
    FileManager &file = primary.file();

    ProcessManager process;
    process.setup(primary);
    process.addOrder(table->keyIndex(QString::fromLatin1(spec.key)));
    process.putFilter(QString::fromLatin1(spec.filter));
    const ProcessValues &values = ProcessValues::instance();
    // The log holds the name cut to its field; a longer name would match nothing.
    const int nameField = table->fieldIndex(QString::fromLatin1(spec.nameField));
    if (softCheck(nameField >= 0, spec.procedure, QString::fromLatin1(spec.nameField)))
        process.names().set(QStringLiteral("personname"),
                            FilterValue::fromText(values.currentPerson.name.left(table->field(nameField).size)));

    PageFolder folder;
    if (!folder.isValid()) {
        context.errors().setFileName(context, folder.errorString());
        context.errors().raise(context, 26);
        return Response::Cancelled;
    }
    BandRenderer renderer(context, layout, file.record(), folder);
    // The run's date and time, taken once so that every page says the same.
    const QDateTime started = QDateTime::currentDateTime();
    const Picture shortDate = *Picture::parse(QStringLiteral("d17"));
    const Picture clock = *Picture::parse(QStringLiteral("t7"));
    renderer.textFor = [&](const LayoutControl &c) -> QString {
        if (c.text == DateStamp)
            return shortDate.format(Date::fromQDate(started.date()));
        if (c.text == TimeStamp)
            return clock.format(Time::fromQTime(started.time()));
        if (c.text == PersonName)
            return values.currentPerson.name;
        if (c.text == FirstDate)
            return shortDate.format(values.fromDate);
        if (c.text == QLatin1String("@disclaimer@"))
            return values.disclaimerText.isEmpty() ? defaultDisclaimerText() : values.disclaimerText;
        return QString(); // the control's own text
    };

    // Every report can be saved as a PDF: the generator the preview's Save
    // As and the choice of output offer.
    ReportPdf pdf(context, PdfProperties::interactive(QString::fromLatin1(spec.procedure)), owner);
    if (hooks.pdf)
        hooks.pdf(pdf);
    ReportTargetSelector selector(context);
    selector.addGenerator(pdf.generator());

    ReportManager report(context, QString::fromLatin1(spec.procedure), owner);
    report.setTargetSelector(selector);
    ReportPreviewRunner preview(context, owner);
    preview.maximize = spec.maximize;
    if (hooks.preview)
        preview.configure = hooks.preview;
    PrinterOutput output(context, owner);
    if (hooks.output)
        hooks.output(output);
    report.init(process, renderer, &preview);
    report.setOutput(&output);
    report.zoom = 100;
    report.timerInterval = 10;
    if (hooks.report)
        hooks.report(report);
    return report.execute();
}

} // namespace tavimo
