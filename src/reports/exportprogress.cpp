#include "exportprogress.h"

#include "ireportgenerator.h"
#include "pagereader.h"
#include "result.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace tavimo {

ExportProgress::ExportProgress(ThreadContext &context, WmfParser &parser, QWidget *owner)
    : ProcedureWindow(context, QStringLiteral("ExportProgress"), owner), m_parser(parser)
{
    // A progress box over whatever started it, not a child window of the frame.
    setHostable(false);
}

QString ExportProgress::pageCaption(int page, int pages)
{
    return QStringLiteral("Page ") + QString::number(page) + QStringLiteral(" of ") + QString::number(pages);
}

void ExportProgress::createContents(QDialog *window)
{
    IReportGenerator *generator = m_parser.generator();
    const int pages = int(m_parser.pages().size());
    auto *layout = new QVBoxLayout(window);
    m_target = new QLabel(QStringLiteral("Exporting to ") + (generator ? generator->targetName() : QString()), window);
    m_target->setWordWrap(true);
    m_generator = new QLabel(generator ? generator->displayName() : QString(), window);
    m_page = new QLabel(pageCaption(0, pages), window);
    m_page->setAlignment(Qt::AlignCenter);
    m_thermometer = new QProgressBar(window);
    m_thermometer->setRange(0, 100);
    m_thermometer->setValue(0);
    m_thermometer->setTextVisible(false);
    m_thermometer->setMinimumWidth(m_thermometer->fontMetrics().averageCharWidth() * 45);
    m_cancel = new QPushButton(tr("&Cancel"), window);
    m_cancel->setToolTip(tr("Stop the export; nothing is written"));
    layout->addWidget(m_target);
    layout->addWidget(m_generator);
    layout->addWidget(m_thermometer);
    layout->addWidget(m_page);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_cancel);
    row->addStretch();
    layout->addLayout(row);
    connect(m_cancel, &QPushButton::clicked, this, [this] { stop(ResultCancel); });
}

int ExportProgress::setup()
{
    m_done = 0;
    m_result = m_parser.openDocument();
    if (m_result != 0)
        return m_result; // whoever failed has said why; nothing was written
    m_documentOpen = true;
    m_timer = startTimer(0);
    return ResultOk;
}

void ExportProgress::teardown()
{
    stopTimer();
    // Ended before the last page (closed, cancelled, failed): the document goes.
    if (m_documentOpen && m_parser.generator())
        m_parser.generator()->abandonDocument();
    m_documentOpen = false;
}

void ExportProgress::stopTimer()
{
    if (m_timer) {
        killTimer(m_timer);
        m_timer = 0;
    }
}

void ExportProgress::stop(int result)
{
    if (!isRunning())
        return;
    m_result = result;
    endWith(result == 0 ? Response::Completed : Response::Cancelled);
}

bool ExportProgress::closeRequested()
{
    // The close box stops the export like Cancel.
    if (isRunning() && m_documentOpen)
        m_result = ResultCancel;
    return true;
}

void ExportProgress::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer || m_timer == 0) {
        ProcedureWindow::timerEvent(event);
        return;
    }
    // A message box raised by a page runs the event loop: its ticks must
    // not replay the next page meanwhile.
    if (m_inTick)
        return;
    m_inTick = true;
    const int pages = int(m_parser.pages().size());
    if (m_done < pages) {
        const int result = m_parser.replayPage(m_done);
        if (result != 0) {
            m_inTick = false;
            stop(result);
            return;
        }
        ++m_done;
        m_page->setText(pageCaption(m_done, pages));
        m_thermometer->setValue(int(qint64(m_done) * 100 / pages));
    }
    if (m_done >= pages) {
        stopTimer();
        m_documentOpen = false;
        const int result = m_parser.closeDocument();
        m_inTick = false;
        stop(result);
        return;
    }
    m_inTick = false;
}

} // namespace tavimo
