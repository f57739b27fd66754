#pragma once

#include "reporthooks.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace tavimo {

class PrintPreview;
class SettingsStore;
class ThreadContext;

// Shows a run's pages in the Report Preview for the report manager. Print
// leaves the pages kept by "Pages to Print" in the list; Save As sends the
// kept pages to the generator the report's target selector gives.
class ReportPreviewRunner : public PreviewRunner
{
public:
    explicit ReportPreviewRunner(ThreadContext &context, QWidget *owner = nullptr); // not owned

    bool maximize = false; // reports such as the blood pressure averages open maximised
    // Tests and procedures adjust the window before it runs.
    std::function<void(PrintPreview &)> configure;
    SettingsStore *settings = nullptr; // where the window's place is kept; not owned

    bool preview(ReportManager &report, QStringList &pages, int zoom) override;

    // The page files at the given indexes.
    static QStringList pagesAt(const QStringList &pages, const std::vector<int> &indexes);

private:
    int saveAs(ReportManager &report, QWidget *parent, const QStringList &kept);

    ThreadContext &m_context;
    QPointer<QWidget> m_owner;
};

} // namespace tavimo
