#include "mainframe.h"

#include "datacontext.h"
#include "helpviewer.h"
#include "procedures.h"
#include "threadcontext.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStatusBar>

#include <memory>

namespace tavimo {

MainFrame::MainFrame(ThreadContext &context, const QString &dataFolder, QWidget *parent)
    : QMainWindow(parent), m_context(context), m_dataFolder(dataFolder), m_mdi(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("Tavimo\u2122"));
    setCentralWidget(m_mdi);
    statusBar();
    buildMenu();
    resize(1024, 720);
}

void MainFrame::startInNewContext(const QString &procedure)
{
    // Each menu command runs in a context of its own, kept by its window.
    Procedures::instance().start(procedure, std::make_shared<ThreadContext>(programContextConfig(m_dataFolder)),
                                 this);
}

void MainFrame::startHere(const QString &procedure)
{
    Procedures::instance().start(procedure, m_context, this);
}

QAction *MainFrame::addItem(QMenu *menu, const QString &caption, const QString &status, const QString &procedure)
{
    QAction *action = menu->addAction(caption);
    if (!status.isEmpty())
        action->setStatusTip(status);
    if (!procedure.isEmpty())
        connect(action, &QAction::triggered, this, [this, procedure] { startInNewContext(procedure); });
    return action;
}

void MainFrame::buildMenu()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *setup = addItem(file, tr("&Print Setup ..."), tr("Setup printer"), QString());
    connect(setup, &QAction::triggered, this, [this] {
        QPrinter printer;
        QPageSetupDialog dialog(&printer, this);
        dialog.exec();
    });
    QAction *exit = addItem(file, tr("E&xit"), tr("Exit this application"), QString());
    connect(exit, &QAction::triggered, this, &QWidget::close);

    // The standard editing commands act on the focused entry.
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    auto onFocused = [](auto slot) {
        return [slot] {
            if (auto *e = qobject_cast<QLineEdit *>(QApplication::focusWidget()))
                (e->*slot)();
        };
    };
    connect(addItem(edit, tr("Cu&t"), tr("Cut Selection To Clipboard"), QString()), &QAction::triggered, this,
            onFocused(&QLineEdit::cut));
    connect(addItem(edit, tr("&Copy"), tr("Copy Selection To Clipboard"), QString()), &QAction::triggered, this,
            onFocused(&QLineEdit::copy));
    connect(addItem(edit, tr("&Paste"), tr("Paste From Clipboard"), QString()), &QAction::triggered, this,
            onFocused(&QLineEdit::paste));

    QMenu *people = menuBar()->addMenu(tr("&People"));
    addItem(people, tr("Add Update or Change Profiles"), QString(), QStringLiteral("BrowsePerson"));
    // Until the person list with its Doctors button exists, the doctors
    // list is reached from here.
    addItem(people, tr("&Doctors"), tr("List the household's doctors"), QStringLiteral("BrowseDoctors"));

    QMenu *reports = menuBar()->addMenu(tr("&Reports"));
    reports->setToolTip(tr("Report data"));
    addItem(reports, tr("Tavimo (All)"), QString(), QStringLiteral("profileALL"));
    addItem(reports, tr("Setup and Print Wallet Cards"), QString(), QStringLiteral("WalletcardBrowse"));
    addItem(reports, tr("Medicine Manager Report"), QString(), QStringLiteral("premmreport"));
    addItem(reports, tr("Prescriptions Report"), QString(), QStringLiteral("preprescript"));
    addItem(reports, tr("Blank Data Collection Form"), QString(), QStringLiteral("blankform"));

    QMenu *window = menuBar()->addMenu(tr("&Window"));
    connect(addItem(window, tr("T&ile"), tr("Arrange multiple opened windows"), QString()), &QAction::triggered,
            m_mdi, &QMdiArea::tileSubWindows);
    connect(addItem(window, tr("&Cascade"), tr("Arrange multiple opened windows"), QString()),
            &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    connect(addItem(window, tr("&Arrange Icons"), tr("Arrange the icons for minimized windows"), QString()),
            &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);

    // The frame's own help topic, also on F1.
    auto *frameHelp = new WindowHelp(this, QStringLiteral("'Ambrel Series'.htm"));
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
    addItem(portable, tr("View PDF Documents"), QString(), QStringLiteral("viewPdfDocuments"));
    addItem(portable, tr("Upload Your PDF Documents"), QString(), QStringLiteral("subscription"));

    QMenu *send = menuBar()->addMenu(tr("Send Data To Doctor"));
    addItem(send, tr("About Sending Data"), QString(), QStringLiteral("aboutsending"));
}

} // namespace tavimo
