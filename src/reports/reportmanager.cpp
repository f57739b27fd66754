#include "reportmanager.h"

#include "batchreport.h"
#include "errormanager.h"
#include "ireportgenerator.h"
#include "processmanager.h"
#include "reporthooks.h"
#include "reporttargetselector.h"
#include "threadcontext.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTime>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace tavimo {

namespace {

constexpr int kDay = 24 * 60 * 60 * 100;
constexpr int kNoRecordsMessage = 25;
// Far beyond any real batch; only a clock that stands still gets here.
constexpr std::int64_t kMostPerCycle = std::int64_t(1) << 30;

// A run may go past midnight.
int elapsed(int from, int to)
{
    return to >= from ? to - from : to + kDay - from;
}

QString percentText(int percent)
{
    return QString::number(percent) + QStringLiteral("% Complete");
}

} // namespace

ReportManager::ReportManager(ThreadContext &context, const QString &procedureName, QWidget *owner)
    : ProcedureWindow(context, procedureName, owner)
{
    // A progress box over the frame, not one of its child windows.
    setHostable(false);
}

ReportManager::~ReportManager()
{
    // Torn down here, while this class's own teardown can still run.
    if (isRunning())
        endWith(Response::Cancelled);
}

void ReportManager::init(ProcessManager &process, ReportRenderer &report, PreviewRunner *preview)
{
    m_process = &process;
    m_renderer = &report;
    m_preview = preview;
    if (!m_selector) {
        m_ownSelector = std::make_unique<ReportTargetSelector>(m_context);
        m_selector = m_ownSelector.get();
    }
    m_recordsPerCycle = 1;
    timeSlice = 100;
    // Run by a script: the pages go straight into the report's PDF.
    if (BatchReportScope::current()) {
        skipPreview = true;
        reportTarget = m_selector->generator(QStringLiteral("PDF"));
        if (!reportTarget)
            qWarning("ReportManager %s: no PDF generator to write the report with", qPrintable(m_name));
    }
}

void ReportManager::setTargetSelector(ReportTargetSelector &selector)
{
    if (m_ownSelector) {
        qWarning("ReportManager %s: a target selector given after init() is not used", qPrintable(m_name));
        return;
    }
    m_selector = &selector;
}

int ReportManager::now() const
{
    return m_clock ? m_clock() : QTime::currentTime().msecsSinceStartOfDay() / 10;
}

bool ReportManager::isProgressShown() const
{
    return m_window && m_window->isVisible() && !m_window->testAttribute(Qt::WA_DontShowOnScreen);
}

void ReportManager::createContents(QDialog *window)
{
    auto *layout = new QVBoxLayout(window);
    m_thermometer = new QProgressBar(window);
    m_thermometer->setRange(0, 100);
    m_thermometer->setValue(0);
    m_thermometer->setTextVisible(false);
    m_thermometer->setMinimumWidth(m_thermometer->fontMetrics().averageCharWidth() * 35);
    m_progressText = new QLabel(percentText(0), window);
    m_progressText->setAlignment(Qt::AlignCenter);
    m_cancel = new QPushButton(tr("&Cancel"), window);
    m_cancel->setToolTip(tr("Cancel Report"));
    layout->addWidget(m_thermometer);
    layout->addWidget(m_progressText);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_cancel);
    row->addStretch();
    layout->addLayout(row);
    connect(m_cancel, &QPushButton::clicked, this, &ReportManager::cancelReport);
}

int ReportManager::setup()
{
    if (!m_process || !m_renderer) {
        qWarning("ReportManager %s: started without init()", qPrintable(m_name));
        return ResultProgram;
    }
    m_openFailed = false;
    m_reportOpened = false;
    m_closePosted = false;
    m_previewQueue.clear();
    m_outputFileQueue.clear();
    m_process->setDisplay([this](int percent) { showPercent(percent); });
    if (waitCursor && !m_cursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorSet = true;
    }
    if (deferWindow) {
        // Short runs end before anyone would see the window.
        m_window->setAttribute(Qt::WA_DontShowOnScreen, true);
        m_startTime = now();
    }
    if (!deferOpenReport)
        openReport();
    m_timer = startTimer(std::max(1, timerInterval) * 10);
    return ResultOk;
}

void ReportManager::teardown()
{
    stopTimer();
    restoreCursor();
    if (m_reportOpened) {
        m_renderer->close();
        m_reportOpened = false;
    }
    if (m_process) {
        m_process->setDisplay({});
        m_process->close();
    }
}

void ReportManager::showPercent(int percent)
{
    if (m_thermometer)
        m_thermometer->setValue(percent);
    if (m_progressText)
        m_progressText->setText(percentText(percent));
}

int ReportManager::openReport()
{
    deferOpenReport = false;
    int result = m_process->reset();
    if (result == ResultOk)
        result = m_renderer->open();
    if (result != ResultOk) {
        // Whoever failed has said why.
        m_openFailed = true;
        return result;
    }
    m_reportOpened = true;
    return ResultOk;
}

void ReportManager::showProgressWindow()
{
    if (!m_window || !m_window->testAttribute(Qt::WA_DontShowOnScreen))
        return;
    m_window->hide();
    m_window->setAttribute(Qt::WA_DontShowOnScreen, false);
    m_window->show();
}

void ReportManager::hideProgressWindow()
{
    if (m_window)
        m_window->hide();
}

int ReportManager::takeTimer()
{
    if (deferOpenReport)
        openReport();
    if (m_openFailed)
        return keepVisible ? ResultOk : ResultFatal;

    const int start = now();
    if (deferWindow && elapsed(m_startTime, start) > deferWindow * 100) {
        showProgressWindow();
        deferWindow = 0;
    }
    std::int64_t taken = 0;
    int spent = 0;
    do {
        while (taken < m_recordsPerCycle) {
            const int level = nextRecord();
            if (level != ResultOk)
                return level;
            ++taken;
        }
        spent = elapsed(start, now());
        // Under 80 % of the slice: twice as many next time.
        if (5 * spent < 4 * timeSlice && m_recordsPerCycle < kMostPerCycle)
            m_recordsPerCycle *= 2;
    } while (2 * spent < timeSlice);
    // Over 150 %: half as many.
    if (2 * spent > 3 * timeSlice && m_recordsPerCycle > 1)
        m_recordsPerCycle /= 2;
    return ResultOk;
}

int ReportManager::nextRecord()
{
    int level = m_process->next();
    if (level == ResultOk) {
        bool print = true;
        for (RecordProcessor *p : m_processors)
            if (!p->takeRecord())
                print = false;
        if (print) {
            if (m_renderer->printRecord() != ResultOk)
                level = ResultFatal;
            collectPages();
        }
    }
    if (level == ResultNotify) {
        if (m_process->recordsProcessed > 0) {
            response = Response::Completed;
            postClose();
        } else {
            response = Response::Cancelled;
            level = ResultFatal;
            // No more ticks while the box is up.
            stopTimer();
            errors().raise(m_context, kNoRecordsMessage);
            postClose();
        }
    } else if (level != ResultOk) {
        response = Response::Cancelled;
        postClose();
    }
    return level;
}

void ReportManager::collectPages()
{
    m_previewQueue += m_renderer->takeFinishedPages();
}

void ReportManager::postClose()
{
    if (m_closePosted)
        return;
    m_closePosted = true;
    stopTimer();
    QMetaObject::invokeMethod(this, [this] { requestClose(); }, Qt::QueuedConnection);
}

void ReportManager::stopTimer()
{
    if (m_timer) {
        killTimer(m_timer);
        m_timer = 0;
    }
}

void ReportManager::cancelReport()
{
    if (!isRunning())
        return;
    response = Response::Cancelled;
    m_closePosted = true;
    stopTimer();
    requestClose();
}

void ReportManager::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer || m_timer == 0) {
        ProcedureWindow::timerEvent(event);
        return;
    }
    // A message box raised during a batch runs the event loop: its ticks
    // must not start another batch.
    if (m_inTick)
        return;
    m_inTick = true;
    const int level = takeTimer();
    m_inTick = false;
    if (level == ResultFatal)
        postClose();
}

bool ReportManager::closeRequested()
{
    // The preview is up: the run ends when it does.
    if (m_inClose)
        return false;
    if (!m_closePosted) {
        // Closed by the user before the run was through.
        response = Response::Cancelled;
        m_closePosted = true;
        stopTimer();
    }
    m_inClose = true;
    takeClose();
    askPreview();
    m_inClose = false;
    return true;
}

void ReportManager::restoreCursor()
{
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

int ReportManager::takeClose()
{
    restoreCursor();
    if (response == Response::Completed && m_preview && !m_openFailed && !keepVisible && !skipPreview)
        hideProgressWindow();
    int result = ResultOk;
    for (RecordProcessor *p : m_processors)
        if (const int answer = p->takeClose())
            result = answer;
    if (result == ResultOk && !m_openFailed && m_reportOpened) {
        const int ended = m_renderer->endReport();
        collectPages();
        if (ended != ResultOk) {
            response = Response::Cancelled;
            result = ended;
        }
    }
    if (m_reportOpened) {
        m_renderer->close();
        m_reportOpened = false;
    }
    return result;
}

int ReportManager::askPreview()
{
    if (!m_renderer || response != Response::Completed || m_openFailed)
        return ResultCancel;
    if (!m_preview) {
        const int printed = printPages();
        m_previewQueue.clear();
        return printed;
    }
    if (skipPreview)
        return printPages();
    return m_preview->preview(*this, m_previewQueue, zoom) ? printPages() : ResultCancel;
}

bool ReportManager::takeOutputFiles(QStringList &files)
{
    (void)files;
    return true;
}

int ReportManager::printPages()
{
    if (reportTarget)
        return exportTo(*reportTarget);
    if (BatchReportScope::current())
        return ResultProgram; // a script never prints; said at init()
    // With a generator to hand, the user picks: the printer or, say, a PDF.
    if (m_selector) {
        const TargetChoice choice = m_selector->ask(true, m_window ? m_window->parentWidget() : m_owner.data());
        if (choice.kind == TargetChoice::Cancelled)
            return ResultCancel;
        if (choice.kind == TargetChoice::Generator && choice.generator)
            return exportTo(*choice.generator);
    }
    m_outputFileQueue = m_previewQueue;
    if (!takeOutputFiles(m_outputFileQueue))
        return ResultCancel;
    if (!m_output) {
        qWarning("ReportManager %s: no page output to print to", qPrintable(m_name));
        return ResultProgram;
    }
    return m_output->print(m_outputFileQueue);
}

int ReportManager::exportTo(IReportGenerator &target)
{
    auto *lister = dynamic_cast<OutputFileListUser *>(&target);
    const bool listMode = lister && lister->usesOutputFileList();
    if (listMode) {
        m_outputFileQueue.clear();
        lister->setOutputFileList(&m_outputFileQueue);
    }
    int result = ResultCancel;
    if (target.setUp() == 0) {
        if (m_output) {
            result = m_output->exportPages(m_previewQueue, target);
        } else {
            qWarning("ReportManager %s: no page output to export through", qPrintable(m_name));
            result = ResultProgram;
        }
    }
    if (listMode) {
        lister->setOutputFileList(nullptr);
        if (result == ResultOk)
            takeOutputFiles(m_outputFileQueue);
    }
    return result;
}

} // namespace tavimo
