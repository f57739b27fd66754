#include "previewrunner.h"

#include "ireportgenerator.h"
#include "pagefilesource.h"
#include "printpreview.h"
#include "reportmanager.h"
#include "reporttargetselector.h"

#include <QDialog>

namespace tavimo {

namespace {

bool offersGenerator(const ReportTargetSelector &selector)
{
    for (int number = 1; number <= selector.count(); ++number)
        if (selector.generator(number) && selector.isEnabled(number))
            return true;
    return false;
}

} // namespace

ReportPreviewRunner::ReportPreviewRunner(ThreadContext &context, QWidget *owner) : m_context(context), m_owner(owner) {}

QStringList ReportPreviewRunner::pagesAt(const QStringList &pages, const std::vector<int> &indexes)
{
    QStringList kept;
    kept.reserve(qsizetype(indexes.size()));
    for (int i : indexes)
        if (i >= 0 && i < pages.size())
            kept << pages.at(i);
    return kept;
}

int ReportPreviewRunner::saveAs(ReportManager &report, QWidget *parent, const QStringList &kept)
{
    ReportTargetSelector *selector = report.targetSelector();
    if (!selector || !offersGenerator(*selector))
        return PrintPreview::NoGenerator;
    const TargetChoice choice = selector->ask(false, parent);
    if (choice.kind != TargetChoice::Generator || !choice.generator)
        return ResultCancel;
    // The report exports its page list: for the while, the kept pages.
    QStringList &queue = report.previewQueue();
    const QStringList all = queue;
    queue = kept;
    const int result = report.exportTo(*choice.generator);
    queue = all;
    return result;
}

bool ReportPreviewRunner::preview(ReportManager &report, QStringList &pages, int zoom)
{
    // The pages as they came; `pages` may be the report's own list, which
    // Save As lends out.
    const QStringList shown = pages;
    PageFileSource source(m_context, shown);
    PrintPreview window(m_context, source, m_owner);
    window.setInitialZoom(zoom);
    window.setMaximize(maximize);
    window.setSettingsStore(settings);
    window.setSaveAsHook([this, &report, &window, &shown](const std::vector<int> &kept) {
        return saveAs(report, window.window(), pagesAt(shown, kept));
    });
    if (configure)
        configure(window);
    window.execute();
    if (!window.printRequested())
        return false;
    pages = pagesAt(shown, window.selectedPages());
    return true;
}

} // namespace tavimo
