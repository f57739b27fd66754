#include "mainframe.h"

#include "editcommands.h"
#include "errormanager.h"
#include "frametray.h"
#include "helpviewer.h"
#include "mdihost.h"
#include "openingsteps.h"
#include "places.h"
#include "printsettings.h"
#include "procedures.h"
#include "relationmanager.h"
#include "remind.h"
#include "screenfit.h"
#include "showdoc.h"
#include "tables.h"
#include "threadcontext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

namespace tavimo {

namespace {

// The work area, with the wallpaper's mark in the middle of a plain ground.
class FrameArea : public QMdiArea
{
public:
    explicit FrameArea(QWidget *parent) : QMdiArea(parent), m_wallpaper(QStringLiteral(":/tavimo/tvwhite.png"))
    {
        setBackground(m_wallpaper.isNull() ? QColor(0xf5, 0xf8, 0xf8) : QColor(m_wallpaper.pixel(0, 0)));
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QMdiArea::paintEvent(event);
        if (m_wallpaper.isNull())
            return;
        QPainter painter(viewport());
        const QRect room = viewport()->rect();
        QRect at(QPoint(), m_wallpaper.size().scaled(room.size().boundedTo(m_wallpaper.size()), Qt::KeepAspectRatio));
        at.moveCenter(room.center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(at, m_wallpaper);
    }

private:
    QImage m_wallpaper;
};

} // namespace

QIcon MainFrame::frameIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/tavimo/tvonly.ico"));
    icon.addFile(QStringLiteral(":/tavimo/tvonly.png"));
    return icon;
}

MainFrame::MainFrame(ThreadContext &context, const QString &dataFolder, QWidget *parent)
    : QMainWindow(parent), m_context(context), m_dataFolder(dataFolder), m_mdi(new FrameArea(this))
{
    m_context.errors().pushProcedureName(m_context, QStringLiteral("Main"));
    openTables();

    setWindowTitle(QStringLiteral("Tavimo\u2122"));
    setWindowIcon(frameIcon());
    // Every window of the program carries the same icon.
    QApplication::setWindowIcon(windowIcon());
    setCentralWidget(m_mdi);
    m_mdi->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    m_host = std::make_unique<MdiHost>(m_mdi);
    m_tray = new FrameTray(this, windowIcon());
    statusBar();
    buildMenu();
    resize(1024, 720);
    fitToScreen(this);

    m_showSponsor = [](ThreadContext &c, QWidget *frame) { ShowDoc(c, frame).execute(); };
    m_showReminders = [](ThreadContext &c, QWidget *frame) { Remind(c, frame).execute(); };
}

MainFrame::~MainFrame()
{
    // The child windows' dialogs belong to their procedures, not to the area.
    m_host.reset();
    closeTables();
    m_context.errors().popProcedureName(m_context);
}

void MainFrame::openTables()
{
    // A table that will not open has been reported; the frame opens all the same.
    m_prescriptsOpen = m_context.relationManager(tables::prescripts())->open() == ResultOk;
    m_sponsorOpen = m_context.relationManager(tables::sponsor())->open() == ResultOk;
}

void MainFrame::closeTables()
{
    if (m_prescriptsOpen)
        m_context.relationManager(tables::prescripts())->close();
    if (m_sponsorOpen)
        m_context.relationManager(tables::sponsor())->close();
    m_prescriptsOpen = m_sponsorOpen = false;
}

void MainFrame::runOpeningSteps()
{
    if (m_stepsRun)
        return;
    m_stepsRun = true;
    OpeningSteps steps;
    steps.showSponsor = [this](const Record &) {
        if (m_showSponsor)
            m_showSponsor(m_context, this);
    };
    steps.showReminders = [this] {
        if (m_showReminders)
            m_showReminders(m_context, this);
    };
    if (steps.run(m_context))
        m_yourDoctor->setVisible(true);
    emit openingStepsFinished();
}

void MainFrame::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_stepsScheduled) {
        m_stepsScheduled = true;
        QTimer::singleShot(0, this, &MainFrame::runOpeningSteps);
    }
}

void MainFrame::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto *change = static_cast<QWindowStateChangeEvent *>(event);
    if (isMinimized() && !(change->oldState() & Qt::WindowMinimized)) {
        // Not from inside the state change itself.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                m_tray->frameMinimised();
        });
    }
}

void MainFrame::closeEvent(QCloseEvent *event)
{
    m_tray->frameClosing();
    // The windows inside go first, each by its own rules; one that stays keeps the frame open.
    if (!m_host->closeAll()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void MainFrame::startInNewContext(const QString &procedure)
{
    // Each menu command runs in a context of its own, kept by its window,
    // which has no owner and so opens inside the frame.
    Procedures::instance().startInNewContext(procedure, m_context, nullptr);
}

void MainFrame::startHere(const QString &procedure)
{
    Procedures::instance().start(procedure, m_context, this);
}

void MainFrame::viewPdfDocuments()
{
    const QString folder = uploadFolder();
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void MainFrame::arrangeIcons()
{
    // Left to right along the bottom; a full row starts another above it.
    const QRect room = m_mdi->viewport()->rect();
    int x = 0;
    int bottom = room.bottom() + 1;
    int rowHeight = 0;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized() || sub->isHidden())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > room.width()) {
            x = 0;
            bottom -= rowHeight;
            rowHeight = 0;
        }
        sub->move(x, bottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

QAction *MainFrame::addItem(QMenu *menu, const QString &caption, const QString &status, const QString &procedure)
{
    QAction *action = menu->addAction(caption);
    if (!status.isEmpty())
        action->setStatusTip(status);
    if (!procedure.isEmpty()) {
        action->setData(procedure); // the procedure it starts, for the check of every name
        connect(action, &QAction::triggered, this, [this, procedure] { startInNewContext(procedure); });
    }
    return action;
}

void MainFrame::buildMenu()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *setup = addItem(file, tr("&Print Setup ..."), tr("Setup printer"), QString());
    connect(setup, &QAction::triggered, this, [this] { PrintSettings::runSetup(this); });
    QAction *exit = addItem(file, tr("E&xit"), tr("Exit this application"), QString());
    connect(exit, &QAction::triggered, this, &QWidget::close);

    // The standard editing commands act on the focused control.
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    auto onFocused = [](EditCommand command) {
        return [command] { applyEditCommand(command, QApplication::focusWidget()); };
    };
    connect(addItem(edit, tr("Cu&t"), tr("Cut Selection To Clipboard"), QString()), &QAction::triggered, this,
            onFocused(EditCommand::Cut));
    connect(addItem(edit, tr("&Copy"), tr("Copy Selection To Clipboard"), QString()), &QAction::triggered, this,
            onFocused(EditCommand::Copy));
    connect(addItem(edit, tr("&Paste"), tr("Paste From Clipboard"), QString()), &QAction::triggered, this,
            onFocused(EditCommand::Paste));

    QMenu *people = menuBar()->addMenu(tr("&People"));
    addItem(people, tr("Add Update or Change Profiles"), QString(), QStringLiteral("BrowsePerson"));

    QMenu *reports = menuBar()->addMenu(tr("&Reports"));
    reports->setToolTip(tr("Report data"));
    addItem(reports, tr("Tavimo (All)"), QString(), QStringLiteral("profileALL"));
    addItem(reports, tr("Setup and Print Wallet Cards"), QString(), QStringLiteral("WalletcardBrowse"));
    addItem(reports, tr("Medicine Manager Report"), QString(), QStringLiteral("premmreport"));
    addItem(reports, tr("Prescriptions Report"), QString(), QStringLiteral("preprescript"));
    addItem(reports, tr("Blank Data Collection Form"), QString(), QStringLiteral("blankform"));

    QMenu *window = menuBar()->addMenu(tr("&Window"));
    MdiHost *host = m_host.get();
    connect(addItem(window, tr("T&ile"), tr("Arrange multiple opened windows"), QString()), &QAction::triggered,
            this, [host] { host->tile(); });
    connect(addItem(window, tr("&Cascade"), tr("Arrange multiple opened windows"), QString()),
            &QAction::triggered, this, [host] { host->cascade(); });
    connect(addItem(window, tr("&Arrange Icons"), tr("Arrange the icons for minimized windows"), QString()),
            &QAction::triggered, this, &MainFrame::arrangeIcons);

    // The frame's own help topic, also on F1 unless a child window is
    // active: then F1 is that window's.
    auto *frameHelp = new WindowHelp(this, QStringLiteral("'Ambrel Series'.htm"));
    connect(m_mdi, &QMdiArea::subWindowActivated, frameHelp,
            [frameHelp](QMdiSubWindow *active) { frameHelp->shortcut()->setEnabled(!active); });
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    connect(addItem(help, tr("&Contents"), tr("View the contents of the help file"), QString()),
            &QAction::triggered, frameHelp, &WindowHelp::showIndex);
    connect(addItem(help, tr("&Search for Help On..."), tr("Search for help on a subject"), QString()),
            &QAction::triggered, frameHelp, &WindowHelp::showSearch);
    connect(addItem(help, tr("&How to Use Help"), tr("Provides general instructions on using help"), QString()),
            &QAction::triggered, frameHelp, &WindowHelp::showContents);
    addItem(help, tr("Make A Donation"), QString(), QStringLiteral("donation"));
    connect(addItem(help, tr("Ambrel Series"), QString(), QString()), &QAction::triggered, frameHelp,
            [frameHelp] { frameHelp->keywordLookup(QStringLiteral("Ambrel Series")); });
    addItem(help, tr("About"), QString(), QStringLiteral("about"));
    m_yourDoctor = addItem(help, tr("Your Doctor"), QString(), QStringLiteral("showdoc"));
    m_yourDoctor->setVisible(false); // shown once a sponsor exists

    QMenu *links = menuBar()->addMenu(tr("&Useful Links"));
    addItem(links, tr("Links"), QString(), QStringLiteral("links"));

    QMenu *portable = menuBar()->addMenu(tr("Portable Tavimo"));
    addItem(portable, tr("Print Health Reports To PDF"), QString(), QStringLiteral("printtopdf"));
    addItem(portable, tr("Create Other PDF files"), QString(), QStringLiteral("OtherHistory"));
    connect(addItem(portable, tr("View PDF Documents"), QString(), QString()), &QAction::triggered, this,
            &MainFrame::viewPdfDocuments);
    addItem(portable, tr("Upload Your PDF Documents"), QString(), QStringLiteral("subscription"));

    QMenu *send = menuBar()->addMenu(tr("Send Data To Doctor"));
    addItem(send, tr("About Sending Data"), QString(), QStringLiteral("aboutsending"));
}

} // namespace tavimo
