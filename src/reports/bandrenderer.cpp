#include "bandrenderer.h"

#include "browsemodel.h"
#include "driverstatus.h"
#include "errormanager.h"
#include "pagefolder.h"
#include "pagewriter.h"
#include "record.h"
#include "result.h"
#include "threadcontext.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtDebug>

#include <algorithm>
#include <cmath>

namespace tavimo {

namespace {

bool isMemoName(const TableLayout &table, const QString &name)
{
    if (!table.memo() || name.isEmpty())
        return false;
    const MemoDef &memo = *table.memo();
    return name.compare(memo.name, Qt::CaseInsensitive) == 0 || name.compare(memo.column, Qt::CaseInsensitive) == 0;
}

bool showsText(ControlKind kind)
{
    switch (kind) {
    case ControlKind::String:
    case ControlKind::TextBlock:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::GroupBox:
        return true;
    default:
        return false;
    }
}

bool isTick(ControlKind kind)
{
    return kind == ControlKind::CheckBox || kind == ControlKind::RadioButton;
}

// Where a text of `textWidth` starts in a box, by its alignment; a text
// wider than the box starts at its left so that its beginning shows.
int alignedX(TextAlign align, int left, int right, double textWidth)
{
    const double room = right - left;
    if (textWidth >= room || align == TextAlign::Left)
        return left;
    const double x = align == TextAlign::Right ? right - textWidth : left + (room - textWidth) / 2;
    return int(std::lround(x));
}

} // namespace

BandRenderer::BandRenderer(ThreadContext &context, const ReportLayout &layout, const Record &record,
                           PageFolder &folder)
    : m_context(context), m_layout(layout), m_record(record), m_folder(folder)
{
}

BandRenderer::~BandRenderer()
{
    removePages();
}

QStringList BandRenderer::checkLayout(const ReportLayout &layout, const TableLayout &table)
{
    QStringList problems;
    const std::pair<const char *, const ReportBand *> bands[] = {
        {"page header", &layout.pageHeader},
        {"detail", &layout.detail},
        {"page footer", &layout.pageFooter},
        {"report footer", &layout.reportFooter},
    };
    for (const auto &[name, band] : bands) {
        for (std::size_t i = 0; i < band->controls.size(); ++i) {
            const LayoutControl &c = band->controls[i];
            const QString where = QStringLiteral("%1 control %2").arg(QLatin1String(name)).arg(i + 1);
            if (!c.field.isEmpty() && table.fieldIndex(c.field) < 0 && !isMemoName(table, c.field))
                problems << QStringLiteral("%1: %2 has no field %3").arg(where, table.label(), c.field);
            if (!c.picture.isEmpty() && !Picture::parse(c.picture))
                problems << QStringLiteral("%1: the picture \"%2\" means nothing").arg(where, c.picture);
            if (c.total != TotalKind::None && c.field.isEmpty())
                problems << QStringLiteral("%1: a total without a field").arg(where);
            if (c.total != TotalKind::None && c.total != TotalKind::Count && isMemoName(table, c.field))
                problems << QStringLiteral("%1: the memo %2 cannot be totalled").arg(where, c.field);
        }
    }
    return problems;
}

const ReportBand &BandRenderer::bandOf(Band band) const
{
    switch (band) {
    case Band::PageHeader:
        return m_layout.pageHeader;
    case Band::Detail:
        return m_layout.detail;
    case Band::PageFooter:
        return m_layout.pageFooter;
    case Band::ReportFooter:
        break;
    }
    return m_layout.reportFooter;
}

const std::vector<BandRenderer::Prepared> &BandRenderer::preparedOf(Band band) const
{
    return m_prepared[int(band)];
}

void BandRenderer::prepare()
{
    m_slots.clear();
    for (Band band : {Band::PageHeader, Band::Detail, Band::PageFooter, Band::ReportFooter})
        prepareBand(bandOf(band), band, m_prepared[int(band)]);
    // A layout mistake shows as a blank, and here.
    for (const QString &problem : checkLayout(m_layout, m_record.layout()))
        qWarning().noquote() << "Report" << m_layout.name << problem;
}

void BandRenderer::prepareBand(const ReportBand &band, Band which, std::vector<Prepared> &out)
{
    const TableLayout &table = m_record.layout();
    out.clear();
    out.reserve(band.controls.size());
    for (const LayoutControl &c : band.controls) {
        Prepared p;
        p.field = c.field.isEmpty() ? -1 : table.fieldIndex(c.field);
        p.memo = p.field < 0 && isMemoName(table, c.field);
        p.hasPicture = !c.picture.isEmpty();
        QString picture = c.picture;
        if (picture.isEmpty() && p.field >= 0) {
            const FieldDef &f = table.field(p.field);
            // An average of whole numbers has a fraction worth showing.
            const bool wholeNumbers = f.type == FieldType::Short || f.type == FieldType::Byte;
            if (c.total == TotalKind::Average && wholeNumbers)
                picture = QStringLiteral("n-12.2");
            else if (c.total != TotalKind::Count)
                picture = Picture::naturalFor(f);
        }
        if (const std::optional<Picture> parsed = Picture::parse(picture))
            p.picture = *parsed;
        if (c.total != TotalKind::None && (p.field >= 0 || (p.memo && c.total == TotalKind::Count))) {
            const FieldType type = p.field >= 0 ? table.field(p.field).type : FieldType::Text;
            const bool exact = type == FieldType::Decimal;
            p.slot = int(m_slots.size());
            m_slots.push_back(Slot{&c, which, p.field, type, ReportTotal(exact), ReportTotal(exact)});
        }
        out.push_back(p);
    }
}

int BandRenderer::open()
{
    close();
    removePages();
    m_finished.clear();
    m_allPages.clear();
    m_ended = false;
    m_failure = 0;
    m_pageOpen = false;
    m_pageNumber = 0;
    m_pagesWritten = 0;
    m_controls.clear();
    if (!m_folder.isValid())
        return fail(m_folder.path(), m_folder.errorString());
    prepare();
    m_open = true;
    if (afterOpen)
        afterOpen();
    return ResultOk;
}

int BandRenderer::printRecord()
{
    if (m_failure)
        return m_failure;
    if (!m_open || m_ended) {
        qWarning("BandRenderer: a record printed into a report that is not open");
        return ResultProgram;
    }
    if (beforeDetail && !beforeDetail())
        return ResultOk;
    const int bodyBottom = m_layout.paperHeight - m_layout.marginBottom - m_layout.pageFooter.height;
    if (!m_pageOpen) {
        startPage();
    } else if (m_bandsOnPage > 0 && m_cursor + m_layout.detail.height > bodyBottom) {
        if (const int result = finishPage())
            return result;
        startPage();
    }
    // Counted once the page is settled, so the finished page's footer
    // leaves this record to the next one.
    countRecord();
    placeBand(Band::Detail, m_cursor);
    m_cursor += m_layout.detail.height;
    ++m_bandsOnPage;
    return ResultOk;
}

int BandRenderer::endReport()
{
    if (m_failure)
        return m_failure;
    if (!m_open) {
        qWarning("BandRenderer: a report ended that is not open");
        return ResultProgram;
    }
    if (m_ended)
        return ResultOk;
    m_ended = true;
    if (!m_pageOpen)
        startPage();
    const ReportBand &footer = m_layout.reportFooter;
    if (footer.height > 0 || !footer.controls.empty()) {
        const int bodyBottom = m_layout.paperHeight - m_layout.marginBottom - m_layout.pageFooter.height;
        if (m_bandsOnPage > 0 && m_cursor + footer.height > bodyBottom) {
            if (const int result = finishPage())
                return result;
            startPage();
        }
        placeBand(Band::ReportFooter, m_cursor);
        m_cursor += footer.height;
        ++m_bandsOnPage;
    }
    return finishPage();
}

void BandRenderer::close()
{
    // A page of a run that did not end is not a page of the report.
    m_pageOpen = false;
    m_controls.clear();
    m_open = false;
}

QStringList BandRenderer::takeFinishedPages()
{
    QStringList pages;
    pages.swap(m_finished);
    return pages;
}

double BandRenderer::total(const LayoutControl &c) const
{
    for (const Slot &slot : m_slots)
        if (slot.control == &c)
            return shown(slot).value(c.total);
    // A copy of the control: the one of the same total at the same place.
    for (const Slot &slot : m_slots) {
        const LayoutControl &s = *slot.control;
        if (s.total == c.total && s.totalReset == c.totalReset && s.field == c.field && s.x == c.x && s.y == c.y
            && s.width == c.width && s.height == c.height)
            return shown(slot).value(c.total);
    }
    return 0;
}

const ReportTotal &BandRenderer::shown(const Slot &slot) const
{
    return slot.control->totalReset == TotalReset::Page && slot.band != Band::ReportFooter ? slot.page : slot.run;
}

void BandRenderer::countRecord()
{
    for (Slot &slot : m_slots) {
        slot.run.countRecord();
        slot.page.countRecord();
        if (slot.control->total == TotalKind::Count || slot.field < 0)
            continue;
        const auto both = [&slot](auto value) {
            slot.run.add(value);
            slot.page.add(value);
        };
        switch (slot.type) {
        case FieldType::Decimal:
            both(m_record.decimal(slot.field));
            break;
        case FieldType::Real:
            both(m_record.real(slot.field));
            break;
        case FieldType::Short:
        case FieldType::Byte:
            both(double(m_record.integer(slot.field)));
            break;
        case FieldType::Date:
            // No date is no value, not day 0.
            if (const Date d = m_record.date(slot.field); !d.isNull())
                both(double(d.dayNumber()));
            break;
        case FieldType::Time:
            if (const Time t = m_record.time(slot.field); !t.isNull())
                both(double(t.value()));
            break;
        case FieldType::Text:
        case FieldType::CString: {
            // A text that holds no number gives no value.
            const QString text = m_record.text(slot.field).trimmed();
            bool ok = false;
            double value = QLocale::c().toDouble(text, &ok);
            if (!ok)
                value = QLocale().toDouble(text, &ok);
            if (ok)
                both(value);
            break;
        }
        }
    }
}

void BandRenderer::startPage()
{
    ++m_pageNumber;
    m_controls.clear();
    m_pageOpen = true;
    m_bandsOnPage = 0;
    // Reset as a page starts, so the last page's stay to be asked after the run.
    for (Slot &slot : m_slots)
        slot.page.reset();
    placeBand(Band::PageHeader, m_layout.marginTop);
    m_cursor = m_layout.marginTop + m_layout.pageHeader.height;
}

int BandRenderer::finishPage()
{
    placeBand(Band::PageFooter, m_layout.paperHeight - m_layout.marginBottom - m_layout.pageFooter.height);
    const QString file = m_folder.pageFile(m_pageNumber);
    FinishedPage page;
    page.name = QFileInfo(file).fileName();
    page.width = m_layout.paperWidth;
    page.height = m_layout.paperHeight;
    page.controls.swap(m_controls);
    m_pageOpen = false;
    QString error;
    if (!PageWriter::write(page, file, &error)) {
        QFile::remove(file); // nothing half-written stays behind
        return fail(file, error);
    }
    ++m_pagesWritten;
    m_finished << file;
    m_allPages << file;
    // Keeps the vector's room for the next page.
    m_controls.swap(page.controls);
    m_controls.clear();
    return ResultOk;
}

int BandRenderer::fail(const QString &fileName, const QString &reason)
{
    QString why = reason;
    if (why.startsWith(fileName + QLatin1String(": ")))
        why.remove(0, fileName.size() + 2);
    // The message's error text is the session's last status: say why here,
    // and leave the session as it was.
    StorageSession &session = m_context.storage();
    const DriverStatus before = session.lastStatus();
    session.setLastStatus(DriverStatus{DriverCode::FileSystemError, driverCodeText(DriverCode::FileSystemError),
                                       why, QStringLiteral("page %1").arg(m_pageNumber)});
    ErrorManager &errors = m_context.errors();
    // A report that cannot keep its pages stops; the program goes on.
    if (!errors.entry(PageFileMessage))
        errors.appendCatalogue({{PageFileMessage, ResultNotify, QStringLiteral("Report Page Error"),
                                 QStringLiteral("The report page %File could not be written.|Error: %ErrorText."), {}}});
    errors.setFileName(m_context, fileName);
    errors.raise(m_context, PageFileMessage);
    session.setLastStatus(before);
    // The page is lost whatever the box said; the run cannot go on.
    m_failure = ResultNotify;
    return m_failure;
}

void BandRenderer::removePages()
{
    for (const QString &file : std::as_const(m_allPages))
        QFile::remove(file);
}

void BandRenderer::placeBand(Band band, int top)
{
    const ReportBand &b = bandOf(band);
    const std::vector<Prepared> &prepared = preparedOf(band);
    for (std::size_t i = 0; i < b.controls.size(); ++i)
        m_controls.push_back(place(b.controls[i], prepared[i], m_layout.marginLeft, top));
}

QString BandRenderer::textOf(const LayoutControl &c, const Prepared &p)
{
    if (!showsText(c.kind))
        return QString();
    if (p.slot >= 0)
        return totalText(c, p);
    // A tick's field says whether it is ticked; its label is its text.
    if (!isTick(c.kind)) {
        if (p.field >= 0)
            return BrowseModel::formatField(m_record, p.field, p.picture);
        if (p.memo)
            return p.picture.format(m_record.memo());
        if (!c.field.isEmpty())
            return QString(); // a field the table does not have, said at open
    }
    QString text = c.text;
    if (textFor) {
        const QString computed = textFor(c);
        if (!computed.isNull())
            text = computed;
    }
    return pageText(text, p);
}

QString BandRenderer::pageText(QString text, const Prepared &p) const
{
    const QLatin1String placeholder(PagePlaceholder);
    if (!text.contains(placeholder))
        return text;
    const QString number = p.hasPicture ? p.picture.format(double(m_pageNumber)) : QString::number(m_pageNumber);
    return text.replace(placeholder, number);
}

QString BandRenderer::totalText(const LayoutControl &c, const Prepared &p) const
{
    const Slot &slot = m_slots[std::size_t(p.slot)];
    const ReportTotal &t = shown(slot);
    switch (c.total) {
    case TotalKind::Count:
        return p.hasPicture ? p.picture.format(double(t.records())) : QString::number(t.records());
    case TotalKind::Average:
    case TotalKind::Minimum:
    case TotalKind::Maximum:
        if (t.values() == 0)
            return QString();
        break;
    case TotalKind::Sum:
    case TotalKind::None:
        break;
    }
    if (t.isExact() && c.total != TotalKind::Average)
        return p.picture.format(t.exact(c.total));
    const double value = t.value(c.total);
    if (slot.type == FieldType::Date)
        return p.picture.format(Date(std::int32_t(std::lround(value))));
    if (slot.type == FieldType::Time)
        return p.picture.format(Time(std::int32_t(std::lround(value))));
    return p.picture.format(value);
}

bool BandRenderer::checkedOf(const LayoutControl &c, const Prepared &p) const
{
    if (checkedFor)
        if (const std::optional<bool> answer = checkedFor(c))
            return *answer;
    if (p.memo)
        return !m_record.memo().trimmed().isEmpty();
    if (p.field < 0)
        return c.checked;
    switch (m_record.layout().field(p.field).type) {
    case FieldType::Real:
        return m_record.real(p.field) != 0;
    case FieldType::Decimal:
        return !m_record.decimal(p.field).isZero();
    case FieldType::Short:
    case FieldType::Byte:
        return m_record.integer(p.field) != 0;
    case FieldType::Date:
        return !m_record.date(p.field).isNull();
    case FieldType::Time:
        return !m_record.time(p.field).isNull();
    case FieldType::Text:
    case FieldType::CString:
        break;
    }
    const QString value = m_record.text(p.field).trimmed().toUpper();
    static const QStringList off{QStringLiteral("N"), QStringLiteral("NO"), QStringLiteral("0"),
                                 QStringLiteral("FALSE"), QStringLiteral("OFF")};
    return !value.isEmpty() && !off.contains(value);
}

PlacedControl BandRenderer::place(const LayoutControl &c, const Prepared &p, int left, int top)
{
    PlacedControl placed = placeControl(c, left, top, textOf(c, p));
    const ReportFont &font = c.style.font;
    switch (c.kind) {
    case ControlKind::String:
        if (c.align != TextAlign::Left) // left needs no measuring, and most texts are
            placed.x = alignedX(c.align, placed.left, placed.right, m_metrics.width(font, placed.text));
        break;
    case ControlKind::TextBlock: {
        const int lineHeight = m_metrics.lineHeight(font);
        int lineTop = placed.top;
        for (const QString &line : m_metrics.wrap(font, placed.text, placed.right - placed.left)) {
            // Lines below the box are cut off; the first always shows.
            if (!placed.lines.empty() && lineTop + lineHeight > placed.bottom)
                break;
            const int x = alignedX(c.align, placed.left, placed.right, m_metrics.width(font, line));
            placed.lines.push_back(PlacedLine{placed.left, lineTop, placed.right, lineTop + lineHeight, x, lineTop, line});
            lineTop += lineHeight;
        }
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        // A square frame as high as the capitals, centred on the box's
        // height, the label after it.
        const int boxTop = placed.top;
        const int height = placed.bottom - boxTop;
        const int side = height > 0 ? std::min(height, m_metrics.ascent(font)) : m_metrics.ascent(font);
        placed.top = boxTop + (height - side) / 2;
        placed.bottom = placed.top + side;
        placed.right = placed.left + side;
        placed.x = placed.left + side + side / 2;
        placed.y = boxTop + (height - ReportMetrics::textHeight(font)) / 2;
        placed.checked = checkedOf(c, p);
        break;
    }
    case ControlKind::GroupBox: {
        // The caption inside the top edge, where the frame's line does not cross it.
        const int inset = ReportMetrics::textHeight(font) / 2;
        placed.x = alignedX(c.align, placed.left + inset, placed.right - inset, m_metrics.width(font, placed.text));
        placed.y = placed.top + inset / 2;
        break;
    }
    default:
        break;
    }
    return placed;
}

} // namespace tavimo
