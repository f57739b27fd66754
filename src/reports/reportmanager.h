#pragma once

#include "procedurewindow.h"

#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimerEvent;

namespace tavimo {

class IReportGenerator;
class PageOutput;
class PreviewRunner;
class ProcessManager;
class RecordProcessor;
class ReportRenderer;
class ReportTargetSelector;

// Runs one report in the progress window ("Progress..."): reads the view
// in timed batches, prints each record into the renderer, and when the
// run is over sends the pages to the preview, the printer or a generator.
// A run without records, or cancelled, or failed, sends nothing.
class ReportManager : public ProcedureWindow
{
    Q_OBJECT
public:
    // Hundredths of a second since midnight.
    using Clock = std::function<int()>;

    ReportManager(ThreadContext &context, const QString &procedureName, QWidget *owner = nullptr);
    ~ReportManager() override;

    // Must come before execute(). None of them is owned. Without a
    // preview the pages are printed at once.
    void init(ProcessManager &process, ReportRenderer &report, PreviewRunner *preview = nullptr);
    // Before init() only: init() makes a selector of its own otherwise.
    void setTargetSelector(ReportTargetSelector &selector);
    ReportTargetSelector *targetSelector() const { return m_selector; }
    bool targetSelectorCreated() const { return m_ownSelector != nullptr; }
    void setOutput(PageOutput *output) { m_output = output; }
    void addProcessor(RecordProcessor &processor) { m_processors.push_back(&processor); }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    bool deferOpenReport = false; // open on the first tick, not with the window
    int deferWindow = 0;          // seconds the progress window stays hidden
    bool keepVisible = false;     // the progress window stays up over the preview
    bool skipPreview = false;
    bool waitCursor = false;
    int zoom = 100;               // the preview's first zoom
    int timeSlice = 100;          // hundredths one batch should take
    int timerInterval = 10;       // hundredths between ticks
    IReportGenerator *reportTarget = nullptr; // null: the printer

    bool openFailed() const { return m_openFailed; }
    std::int64_t recordsPerCycle() const { return m_recordsPerCycle; }
    int startTime() const { return m_startTime; }
    QStringList &previewQueue() { return m_previewQueue; }
    QStringList &outputFileQueue() { return m_outputFileQueue; }
    bool isProgressShown() const;
    QProgressBar *thermometer() const { return m_thermometer; }
    QLabel *progressText() const { return m_progressText; }
    QPushButton *cancelButton() const { return m_cancel; }

    // The steps of a run, as the window's events call them.
    int openReport();
    // One timer tick: a batch of records. Non-zero ends the tick's work.
    int takeTimer();
    int nextRecord();
    // Ends the run; a processor's non-zero answer is the result and keeps
    // the report from being ended.
    int takeClose();
    // Sends a completed run's pages where they go.
    int askPreview();
    int printPages();
    // What Save As does from the preview, and printing with reportTarget.
    int exportTo(IReportGenerator &target);

protected:
    void createContents(QDialog *window) override;
    int setup() override;
    void teardown() override;
    QString caption() const override { return QStringLiteral("Progress..."); }
    bool closeRequested() override;
    void timerEvent(QTimerEvent *event) override;

    // Sees the files about to be printed, or those a generator wrote;
    // false keeps them from the printer.
    virtual bool takeOutputFiles(QStringList &files);

private:
    int now() const;
    void showPercent(int percent);
    void collectPages();
    void postClose();
    void stopTimer();
    void cancelReport();
    void restoreCursor();
    void showProgressWindow();
    void hideProgressWindow();

    ProcessManager *m_process = nullptr;
    ReportRenderer *m_renderer = nullptr;
    PreviewRunner *m_preview = nullptr;
    PageOutput *m_output = nullptr;
    ReportTargetSelector *m_selector = nullptr;
    std::unique_ptr<ReportTargetSelector> m_ownSelector;
    std::vector<RecordProcessor *> m_processors;
    Clock m_clock;

    QStringList m_previewQueue;
    QStringList m_outputFileQueue;
    std::int64_t m_recordsPerCycle = 1;
    int m_startTime = 0;
    int m_timer = 0;
    bool m_openFailed = false;
    bool m_reportOpened = false;
    bool m_closePosted = false;
    bool m_inClose = false;
    bool m_inTick = false;
    bool m_cursorSet = false;

    QProgressBar *m_thermometer = nullptr;
    QLabel *m_progressText = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace tavimo
