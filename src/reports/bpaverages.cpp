#include "bpaverages.h"

#include "processvalues.h"

namespace tavimo {

namespace {

LayoutControl column(int x, int width, const char *field, const char *picture, TextAlign align = TextAlign::Right)
{
    LayoutControl c;
    c.x = x;
    c.width = width;
    c.height = 200;
    c.field = QString::fromLatin1(field);
    c.picture = QString::fromLatin1(picture);
    c.align = align;
    return c;
}

LayoutControl total(const LayoutControl &of, TotalKind kind, int y, const char *picture)
{
    LayoutControl c = of;
    c.y = y;
    c.total = kind;
    c.picture = QString::fromLatin1(picture);
    return c;
}

LayoutControl label(int y, const char *text)
{
    LayoutControl c;
    c.y = y;
    c.width = 2200;
    c.height = 200;
    c.text = QString::fromLatin1(text);
    c.style.font.weight = 700;
    return c;
}

} // namespace

const LogReportSpec &BpAverages::spec()
{
    static const LogReportSpec spec{"bpaverages", "Bloodpre", "Blo:ByDate",
                                    "Blo:personname=personname  AND (Blo:Date >= FromDate  AND Blo:date <= ToDate)",
                                    "BLO:PERSONNAME", QStringLiteral("Blood Pressure Report For: "), true, true};
    return spec;
}

const ReportLayout &BpAverages::layout()
{
    static const ReportLayout made = [] {
        const LayoutControl date = column(0, 2300, "BLO:DATE", "D18", TextAlign::Left);
        const LayoutControl time = column(2380, 900, "BLO:TIME", "t7", TextAlign::Left);
        const LayoutControl systolic = column(3360, 800, "BLO:SYSTOLIC", "n6.2");
        const LayoutControl diastolic = column(4240, 800, "BLO:DIASTOLIC", "n6.2");
        const LayoutControl pulse = column(5120, 800, "BLO:PULSE", "n6.2");
        const LayoutControl comment = column(6000, 1500, "BLO:COMMENT", "s35", TextAlign::Left);
        ReportLayout layout = LogReport::furnish(spec(), {date, time, systolic, diastolic, pulse, comment},
                                                 {QStringLiteral("Date"), QStringLiteral("Time"),
                                                  QStringLiteral("Systolic"), QStringLiteral("Diastolic"),
                                                  QStringLiteral("Pulse"), QStringLiteral("Comment")});

        // Below the last reading: the heads again, then the four rows over every reading printed.
        ReportBand &footer = layout.reportFooter;
        int y = 100;
        for (const auto &[of, head] : {std::pair{systolic, "Systolic"}, {diastolic, "Diastolic"}, {pulse, "Pulse"}}) {
            LayoutControl c = of;
            c.y = y;
            c.field.clear();
            c.text = QString::fromLatin1(head);
            c.style.font.weight = 700;
            footer.controls.push_back(c);
        }
        const std::pair<const char *, TotalKind> rows[] = {
            {"Averages:", TotalKind::Average}, {"Minimums:", TotalKind::Minimum}, {"Maximums:", TotalKind::Maximum}};
        for (const auto &[caption, kind] : rows) {
            y += 220;
            footer.controls.push_back(label(y, caption));
            for (const LayoutControl &of : {systolic, diastolic, pulse})
                footer.controls.push_back(total(of, kind, y, "n6.2"));
        }
        y += 220;
        footer.controls.push_back(label(y, "Number of Readings:"));
        footer.controls.push_back(total(systolic, TotalKind::Count, y, "n4"));
        // The advice every report carries.
        y += 350;
        LayoutControl disclaimer;
        disclaimer.kind = ControlKind::TextBlock;
        disclaimer.y = y;
        disclaimer.width = layout.printableWidth();
        disclaimer.height = 800;
        disclaimer.text = QStringLiteral("@disclaimer@");
        disclaimer.style.font.size = 8;
        footer.controls.push_back(disclaimer);
        footer.height = y + disclaimer.height;
        return layout;
    }();
    return made;
}

int BpAverages::run(ThreadContext &context, QWidget *owner, const LogReportHooks &hooks)
{
    return LogReport::run(context, spec(), layout(), owner, hooks);
}

} // namespace tavimo
