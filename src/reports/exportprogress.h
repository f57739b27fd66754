#pragma once

#include "procedurewindow.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimerEvent;

namespace tavimo {

class WmfParser;

// Replays a run's pages into the parser's generator in the window
// "Progress...": "Exporting to " and the target, the generator's name,
// "Page i of n" and a thermometer, one page per tick so that the window
// stays alive. The first non-zero result stops the export and abandons the
// document; Cancel does the same.
class ExportProgress : public ProcedureWindow
{
    Q_OBJECT
public:
    ExportProgress(ThreadContext &context, WmfParser &parser, QWidget *owner = nullptr); // not owned

    // 0 when the document was written; otherwise what stopped it
    // (ResultCancel for Cancel).
    int result() const { return m_result; }
    int pagesDone() const { return m_done; }

    QLabel *targetText() const { return m_target; }
    QLabel *generatorText() const { return m_generator; }
    QLabel *pageText() const { return m_page; }
    QProgressBar *thermometer() const { return m_thermometer; }
    QPushButton *cancelButton() const { return m_cancel; }

    static QString pageCaption(int page, int pages);

protected:
    void createContents(QDialog *window) override;
    int setup() override;
    void teardown() override;
    QString caption() const override { return QStringLiteral("Progress..."); }
    bool closeRequested() override;
    void timerEvent(QTimerEvent *event) override;

private:
    void stop(int result);
    void stopTimer();

    WmfParser &m_parser;
    int m_result = 0;
    int m_done = 0;
    int m_timer = 0;
    bool m_inTick = false;
    bool m_documentOpen = false;

    QLabel *m_target = nullptr;
    QLabel *m_generator = nullptr;
    QLabel *m_page = nullptr;
    QProgressBar *m_thermometer = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace tavimo
