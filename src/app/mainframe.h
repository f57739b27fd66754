#pragma once

#include <QIcon>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QMdiArea;
class QMenu;

namespace tavimo {

class FrameTray;
class MdiHost;
class ThreadContext;

// The program's frame: a multiple-document window with the menu from
// which every list, report and tool is started. It holds the
// prescriptions and the sponsor open while it is open, runs the opening
// steps once it shows, and hides in the notification area when minimised
// (when there is one). It opens inside the screen's available area.
class MainFrame : public QMainWindow
{
    Q_OBJECT
public:
    MainFrame(ThreadContext &context, const QString &dataFolder, QWidget *parent = nullptr);
    ~MainFrame() override;

    static QIcon frameIcon();

    QMdiArea *mdiArea() const { return m_mdi; }
    ThreadContext &context() const { return m_context; }
    QAction *yourDoctorAction() const { return m_yourDoctor; }
    MdiHost &host() const { return *m_host; }
    FrameTray &tray() const { return *m_tray; }

    // How the opening steps show the sponsor (showdoc) and the refill
    // reminders (remind); by default they run the window on the frame's
    // context and wait for it.
    using OpeningWindow = std::function<void(ThreadContext &context, QWidget *frame)>;
    void setSponsorWindow(OpeningWindow run) { m_showSponsor = std::move(run); }
    void setReminderWindow(OpeningWindow run) { m_showReminders = std::move(run); }
    // Runs the opening steps once; the first event after the frame shows
    // runs them by itself.
    void runOpeningSteps();
    bool openingStepsRun() const { return m_stepsRun; }

    // Starts a procedure from the menu, in a context of its own.
    void startInNewContext(const QString &procedure);
    // Starts a procedure on the frame's own context and waits for it.
    void startHere(const QString &procedure);
    // Shows the upload folder in the desktop's viewer, made when missing.
    static void viewPdfDocuments();
    // Places the minimised child windows in rows along the bottom.
    void arrangeIcons();

signals:
    void openingStepsFinished();
    // The frame has closed; the program ends.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addItem(QMenu *menu, const QString &caption, const QString &status, const QString &procedure);
    void buildMenu();
    void openTables();
    void closeTables();

    ThreadContext &m_context;
    QString m_dataFolder;
    QMdiArea *m_mdi;
    std::unique_ptr<MdiHost> m_host;
    FrameTray *m_tray = nullptr;
    QAction *m_yourDoctor = nullptr;
    OpeningWindow m_showSponsor;
    OpeningWindow m_showReminders;
    bool m_stepsScheduled = false;
    bool m_stepsRun = false;
    bool m_prescriptsOpen = false;
    bool m_sponsorOpen = false;
};

} // namespace tavimo
