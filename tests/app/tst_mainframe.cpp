// The frame: its menu, the opening steps it runs once shown, the tables it
// holds open, the windows it starts inside itself, and the tray.
#include "browsedoctors.h"
#include "browselist.h"
#include "browsemodel.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "frametray.h"
#include "helpviewer.h"
#include "infowindows.h"
#include "mainframe.h"
#include "mdihost.h"
#include "printsettings.h"
#include "processvalues.h"
#include "procedures.h"
#include "record.h"
#include "registerprocedures.h"
#include "scriptedpresenter.h"
#include "settingsstore.h"
#include "startup.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"
#include "contextfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>

using namespace tavimo;

namespace {

QAction *findAction(QMainWindow &frame, const QString &menu, const QString &item)
{
    for (QAction *top : frame.menuBar()->actions())
        if (top->text() == menu && top->menu())
            for (QAction *a : top->menu()->actions())
                if (a->text() == item)
                    return a;
    return nullptr;
}

// Takes the links the program hands the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    explicit UrlCatcher(const QString &scheme) : m_scheme(scheme)
    {
        QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(m_scheme); }
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }

private:
    QString m_scheme;
};

// Hands a dialog with this title to `act` once it shows, from the event
// loop that waits for it.
void whenShown(const QString &title, std::function<void(QDialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, title, act] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible() && d->windowTitle() == title) {
                timer->stop();
                timer->deleteLater();
                act(d);
                return;
            }
    });
    timer->start();
}

QPushButton *buttonOf(QWidget *window, const QString &text)
{
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

struct Fixture : testing::ContextFixture
{
    void addSponsor(const QString &doctor, const QString &practice)
    {
        ThreadContext other(config());
        FileManager &s = *other.fileManager(tables::sponsor());
        s.record().clear();
        s.record().setText("SPO:DOCTORSNAME", doctor);
        s.record().setText("SPO:PRACTICENAME", practice);
        QCOMPARE(s.insert(), int(ResultOk));
    }
    void addPrescription(const QString &drug, int days, const QString &active)
    {
        ThreadContext other(config());
        FileManager &pre = *other.fileManager(tables::prescripts());
        QCOMPARE(pre.newRecord(), int(ResultOk));
        pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee"));
        pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", drug);
        pre.record().setText("PRE:ACTIVE", active);
        pre.record().setDate("PRE:REFILLREMINDERDATE", Date::today().addDays(days));
        QCOMPARE(pre.insert(), int(ResultOk));
    }
    void addDoctor(const QString &name)
    {
        ThreadContext other(config());
        FileManager &d = *other.fileManager(tables::doctors());
        d.record().clear();
        d.record().setText("DOC:DOCTORSNAME", name);
        QCOMPARE(d.insert(), int(ResultOk));
    }
};

// A frame whose opening windows are stand-ins that note what was shown.
struct Frame
{
    MainFrame frame;
    QStringList shown;

    explicit Frame(Fixture &f) : frame(*f.context, f.tmp.path())
    {
        frame.setSponsorWindow([this](ThreadContext &c, QWidget *owner) { note("sponsor", c, owner); });
        frame.setReminderWindow([this](ThreadContext &c, QWidget *owner) { note("reminders", c, owner); });
    }
    void note(const char *what, ThreadContext &c, QWidget *owner)
    {
        // Both run on the frame's context, owned by the frame.
        shown << QString::fromLatin1(what) + (&c == &frame.context() && owner == &frame ? "" : " elsewhere");
    }
    bool open()
    {
        frame.show();
        return QTest::qWaitFor([this] { return frame.openingStepsRun(); });
    }
};

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void menuCaptionsAndMessages_data();
    void menuCaptionsAndMessages();
    void peopleMenuHasOnlyTheProfiles();
    void missingProcedureSaysSo();
    void iconAndWallpaperAreBuiltIn();
    void openingStepsRunOnceShown_data();
    void openingStepsRunOnceShown();
    void yourDoctorStaysHiddenWithoutASponsor();
    void openingWindowsWaitOnTheFrame();
    void sponsorCopiedOnceOverTwoRuns();
    void tablesHeldOpenWhileTheFrameIsOpen();
    void aTableThatWillNotOpenIsReported();
    void informationWindowsOpenInsideTheFrame_data();
    void informationWindowsOpenInsideTheFrame();
    void yourDoctorFromTheMenu();
    void twoListsKeepTheirOwnBuffersAndCloseWithTheFrame();
    void opensInsideTheScreen();
    void minimisingWithoutATrayLeavesTheFrameMinimised();
    void viewPdfDocumentsOpensTheUploadFolder();
    void f1ShowsTheActiveWindowsHelp();
    void arrangeIconsLinesUpMinimisedWindows();
    void tileAndCascadeKeepTheFrameAsItIs_data();
    void tileAndCascadeKeepTheFrameAsItIs();
    void editMenuReachesEveryKindOfControl_data();
    void editMenuReachesEveryKindOfControl();
    void printSetupKeepsItsChoice();
    void helpContentsShowsAPageBesideTheIndex();

private:
    QTemporaryDir m_home;
};

void TestMainFrame::initTestCase()
{
    registerProcedures();
    qputenv("TAVIMO_HOME", m_home.filePath(QStringLiteral("home")).toLocal8Bit());
}

void TestMainFrame::init()
{
    ProcessValues::instance().clear();
}

void TestMainFrame::menuCaptionsAndMessages_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("status");
    QTest::newRow("print setup") << "&File" << "&Print Setup ..." << "Setup printer";
    QTest::newRow("exit") << "&File" << "E&xit" << "Exit this application";
    QTest::newRow("cut") << "&Edit" << "Cu&t" << "Cut Selection To Clipboard";
    QTest::newRow("profiles") << "&People" << "Add Update or Change Profiles" << "";
    QTest::newRow("all") << "&Reports" << "Tavimo (All)" << "";
    QTest::newRow("tile") << "&Window" << "T&ile" << "Arrange multiple opened windows";
    QTest::newRow("icons") << "&Window" << "&Arrange Icons" << "Arrange the icons for minimized windows";
    QTest::newRow("contents") << "&Help" << "&Contents" << "View the contents of the help file";
    QTest::newRow("links") << "&Useful Links" << "Links" << "";
    QTest::newRow("pdf") << "Portable Tavimo" << "Print Health Reports To PDF" << "";
    QTest::newRow("view pdf") << "Portable Tavimo" << "View PDF Documents" << "";
    QTest::newRow("sending") << "Send Data To Doctor" << "About Sending Data" << "";
}

void TestMainFrame::menuCaptionsAndMessages()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(QString, status);
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Tavimo\u2122"));
    QAction *action = findAction(frame, menu, item);
    QVERIFY2(action, qPrintable(menu + QLatin1String(" / ") + item));
    QCOMPARE(action->statusTip(), status);
    QVERIFY(!findAction(frame, QStringLiteral("&Help"), QStringLiteral("Your Doctor"))->isVisible());
}

void TestMainFrame::peopleMenuHasOnlyTheProfiles()
{
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    QStringList items;
    for (QAction *top : frame.menuBar()->actions())
        if (top->text() == QLatin1String("&People"))
            for (QAction *a : top->menu()->actions())
                items << a->text();
    QCOMPARE(items, QStringList{QStringLiteral("Add Update or Change Profiles")});
}

void TestMainFrame::missingProcedureSaysSo()
{
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    findAction(frame, QStringLiteral("&Reports"), QStringLiteral("Blank Data Collection Form"))->trigger();
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Procedure not defined"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("The Procedure blankform has not been defined."));
}

void TestMainFrame::iconAndWallpaperAreBuiltIn()
{
    QVERIFY(!QImage(QStringLiteral(":/tavimo/tvwhite.png")).isNull());
    const QIcon icon = MainFrame::frameIcon();
    QVERIFY(!icon.pixmap(16, 16).isNull());
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    QVERIFY(!frame.windowIcon().isNull());
}

void TestMainFrame::openingStepsRunOnceShown_data()
{
    QTest::addColumn<QString>("doctor");
    QTest::addColumn<QString>("practice");
    QTest::addColumn<int>("days"); // a refill reminder from today; 9999: none
    QTest::addColumn<QString>("active");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("nothing to show") << "" << "" << 9999 << "Y" << QStringList();
    QTest::newRow("practice name alone") << "" << "Maple Practice" << 9999 << "Y" << QStringList{"sponsor"};
    QTest::newRow("sponsor, then the reminders")
        << "Dr. Marsh" << "" << 30 << "Y" << QStringList{"sponsor", "reminders"};
    QTest::newRow("inactive due in ten days") << "" << "" << 10 << "N" << QStringList{"reminders"};
}

void TestMainFrame::openingStepsRunOnceShown()
{
    QFETCH(QString, doctor);
    QFETCH(QString, practice);
    QFETCH(int, days);
    QFETCH(QString, active);
    QFETCH(QStringList, shown);
    Fixture f;
    if (!doctor.isEmpty() || !practice.isEmpty())
        f.addSponsor(doctor, practice);
    if (days != 9999)
        f.addPrescription(QStringLiteral("Lisinopril"), days, active);
    Frame w(f);
    QSignalSpy finished(&w.frame, &MainFrame::openingStepsFinished);
    w.frame.show();
    // Not while the frame opens, but on the first event after.
    QVERIFY(!w.frame.openingStepsRun());
    QVERIFY(finished.wait());
    QCOMPARE(w.shown, shown);
    QCOMPARE(w.frame.yourDoctorAction()->isVisible(), shown.contains(QStringLiteral("sponsor")));
    QCOMPARE(ProcessValues::instance().disclaimerText, defaultDisclaimerText());
    // Showing the frame again does not run them again.
    w.frame.hide();
    w.frame.show();
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(f.presenter.count(), 0);
}

void TestMainFrame::yourDoctorStaysHiddenWithoutASponsor()
{
    Fixture f;
    Frame w(f);
    QVERIFY(w.open());
    QVERIFY(!w.frame.yourDoctorAction()->isVisible());
    // A sponsor that turns up while the program runs does not bring it.
    f.addSponsor(QStringLiteral("Dr. Marsh"), QString());
    w.frame.runOpeningSteps();
    w.frame.showMinimized();
    w.frame.showNormal();
    QTest::qWait(20);
    QVERIFY(!w.frame.yourDoctorAction()->isVisible());
    QVERIFY(w.shown.isEmpty());
}

void TestMainFrame::openingWindowsWaitOnTheFrame()
{
    Fixture f;
    f.addSponsor(QStringLiteral("Dr. Marsh"), QStringLiteral("Maple Practice"));
    f.addPrescription(QStringLiteral("Due in 30 days"), 30, QStringLiteral("Y"));
    f.addPrescription(QStringLiteral("Inactive in ten days"), 10, QStringLiteral("N"));
    f.addPrescription(QStringLiteral("Past due"), -2, QStringLiteral("Y"));
    MainFrame frame(*f.context, f.tmp.path());

    QStringList seen;
    QStringList listed;
    whenShown(QStringLiteral("Your Doctor"), [&](QDialog *d) {
        seen << QStringLiteral("Your Doctor");
        QCOMPARE(d->windowModality(), Qt::WindowModal);
        QCOMPARE(d->parentWidget(), static_cast<QWidget *>(&frame));
        QVERIFY(frame.mdiArea()->subWindowList().isEmpty());
        buttonOf(d, QStringLiteral("Close"))->click();
    });
    whenShown(QStringLiteral("Prescription Refills Reminders"), [&](QDialog *d) {
        seen << QStringLiteral("Prescription Refills Reminders");
        QCOMPARE(d->windowModality(), Qt::WindowModal);
        auto *list = d->findChild<BrowseList *>();
        QTest::qWait(50);
        for (int r = 0; r < list->model()->rowCount(); ++r)
            listed << list->model()->index(r, 1).data().toString();
        buttonOf(d, QStringLiteral("&OK"))->click();
    });
    // Nothing waits for a person should a window not turn up.
    QTimer::singleShot(10000, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible())
                d->reject();
    });
    frame.show();
    QVERIFY(QTest::qWaitFor([&] { return frame.openingStepsRun(); }));
    QCOMPARE(seen, (QStringList{"Your Doctor", "Prescription Refills Reminders"}));
    // Today + 30 opened it but is not among the rows; the inactive one neither.
    QCOMPARE(listed, QStringList{QStringLiteral("Past due")});
    QVERIFY(frame.yourDoctorAction()->isVisible());
    QCOMPARE(f.presenter.count(), 0);
}

void TestMainFrame::sponsorCopiedOnceOverTwoRuns()
{
    Fixture f;
    f.addSponsor(QStringLiteral("Dr. Marsh"), QStringLiteral("Maple Practice"));
    StartupOptions options;
    options.dataFolder = f.tmp.path();
    options.backupAtExit = false; // its folder would land beside the temporary one
    options.settingsBackend = SettingsStore::Backend::IniFile;
    options.settingsPath = f.tmp.filePath(QStringLiteral("settings.ini"));
    FakeDesktopSettings desktop(false);
    options.desktop = &desktop;
    options.presenter = &f.presenter;

    auto doctors = [&f] {
        ThreadContext other(f.config());
        other.fileManager(tables::doctors())->use();
        return other.table(tables::doctors()).records();
    };
    for (int run = 1; run <= 2; ++run) {
        int sponsorShown = 0;
        const int result = Startup(options).run([&](ThreadContext &context) {
            MainFrame frame(context, options.dataFolder);
            frame.setSponsorWindow([&](ThreadContext &, QWidget *) { ++sponsorShown; });
            frame.setReminderWindow({});
            frame.show();
            const bool ran = QTest::qWaitFor([&] { return frame.openingStepsRun(); });
            frame.close();
            return ran ? 0 : 1;
        });
        QCOMPARE(result, 0);
        QCOMPARE(sponsorShown, 1);
        QCOMPARE(doctors(), qint64(1));
        QSettings ini(options.settingsPath, QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Preserved/sponsorit")).toString(), QStringLiteral("Y"));
    }
}

void TestMainFrame::tablesHeldOpenWhileTheFrameIsOpen()
{
    Fixture f;
    FileManager &prescripts = *f.context->fileManager(tables::prescripts());
    FileManager &sponsor = *f.context->fileManager(tables::sponsor());
    {
        MainFrame frame(*f.context, f.tmp.path());
        QVERIFY(prescripts.openedCount() > 0);
        QVERIFY(sponsor.openedCount() > 0);
        QVERIFY(prescripts.isOpen());
        QVERIFY(sponsor.isOpen());
        QCOMPARE(f.context->procedureName(), QStringLiteral("Main"));
    }
    QCOMPARE(prescripts.openedCount(), 0);
    QCOMPARE(sponsor.openedCount(), 0);
    QVERIFY(f.context->procedureName().isEmpty());
}

void TestMainFrame::aTableThatWillNotOpenIsReported()
{
    Fixture f;
    {
        QFile junk(f.context->table(tables::sponsor()).path());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    f.presenter.answer(0);
    f.presenter.answer(0);
    Frame w(f);
    QVERIFY(f.presenter.count() >= 1);
    const int reported = f.presenter.count();
    QVERIFY(w.open());
    QVERIFY(w.frame.isVisible());
    QVERIFY(!w.frame.yourDoctorAction()->isVisible());
    QVERIFY(f.presenter.count() >= reported);
}

void TestMainFrame::informationWindowsOpenInsideTheFrame_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("page");
    QTest::newRow("about") << "&Help" << "About" << "About Tavimo" << "/";
    QTest::newRow("donation") << "&Help" << "Make A Donation" << "Make A Donation" << "/donate";
    QTest::newRow("links") << "&Useful Links" << "Links" << "Useful Links" << "/";
    QTest::newRow("subscription") << "Portable Tavimo" << "Upload Your PDF Documents"
                                  << "Upload Your PDF Documents" << "/subscribe";
}

void TestMainFrame::informationWindowsOpenInsideTheFrame()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(QString, title);
    QFETCH(QString, page);
    Fixture f;
    Frame w(f);
    QVERIFY(w.open());
    findAction(w.frame, menu, item)->trigger();
    QCOMPARE(w.frame.mdiArea()->subWindowList().size(), 1);
    QPointer<QMdiSubWindow> sub = w.frame.mdiArea()->subWindowList().first();
    QCOMPARE(sub->windowTitle(), title);
    QVERIFY(sub->isVisible());
    auto *info = qobject_cast<InfoWindow *>(w.frame.host().running().back());
    QVERIFY(info);
    QVERIFY(&info->context() != &w.frame.context());

    UrlCatcher catcher(QStringLiteral("https"));
    QVERIFY(!info->linkButtons().empty());
    info->linkButtons().front()->click();
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(catcher.urls[0].host(), QStringLiteral("tavimo.example.org"));
    QCOMPARE(catcher.urls[0].path(), page);

    info->closeButton()->click();
    QTRY_VERIFY(!sub);
    QVERIFY(w.frame.host().running().empty());
}

void TestMainFrame::yourDoctorFromTheMenu()
{
    Fixture f;
    f.addSponsor(QString(), QStringLiteral("Maple Practice"));
    Frame w(f);
    QVERIFY(w.open());
    QVERIFY(w.frame.yourDoctorAction()->isVisible());
    w.frame.yourDoctorAction()->trigger();
    QCOMPARE(w.frame.mdiArea()->subWindowList().size(), 1);
    QMdiSubWindow *sub = w.frame.mdiArea()->subWindowList().first();
    QCOMPARE(sub->windowTitle(), QStringLiteral("Your Doctor"));
    // From the menu it waits for nobody: the frame stays usable.
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(w.frame.close());
    QVERIFY(w.frame.host().running().empty());
}

void TestMainFrame::twoListsKeepTheirOwnBuffersAndCloseWithTheFrame()
{
    Fixture f;
    for (const char *name : {"Dr. Adams", "Dr. Baker", "Dr. Clark"})
        f.addDoctor(QString::fromLatin1(name));
    Frame w(f);
    QVERIFY(w.open());
    w.frame.startInNewContext(QStringLiteral("BrowseDoctors"));
    w.frame.startInNewContext(QStringLiteral("BrowseDoctors"));
    const std::vector<ProcedureWindow *> running = w.frame.host().running();
    QCOMPARE(int(running.size()), 2);
    auto *first = qobject_cast<BrowseDoctors *>(running[0]);
    auto *second = qobject_cast<BrowseDoctors *>(running[1]);
    QVERIFY(first && second);
    QVERIFY(&first->context() != &second->context());
    QVERIFY(w.frame.host().subWindowOf(*first) && w.frame.host().subWindowOf(*second));
    QTRY_VERIFY(first->list().loaded() && second->list().loaded());

    auto highlighted = [](BrowseDoctors *list) {
        return list->context().fileManager(tables::doctors())->record().text("DOC:DOCTORSNAME");
    };
    QCOMPARE(highlighted(first), QStringLiteral("Dr. Adams"));
    QCOMPARE(highlighted(second), QStringLiteral("Dr. Adams"));
    second->list().stepRow(BrowseManager::Forward);
    second->list().stepRow(BrowseManager::Forward);
    QCOMPARE(highlighted(second), QStringLiteral("Dr. Clark"));
    QCOMPARE(highlighted(first), QStringLiteral("Dr. Adams"));
    first->list().stepRow(BrowseManager::Forward);
    QCOMPARE(highlighted(first), QStringLiteral("Dr. Baker"));
    QCOMPARE(highlighted(second), QStringLiteral("Dr. Clark"));

    // Closing the frame closes the lists, the last opened first.
    QStringList order;
    connect(first, &ProcedureWindow::finished, this, [&] { order << QStringLiteral("first"); });
    connect(second, &ProcedureWindow::finished, this, [&] { order << QStringLiteral("second"); });
    QSignalSpy closed(&w.frame, &MainFrame::closed);
    QVERIFY(w.frame.close());
    QCOMPARE(order, (QStringList{"second", "first"}));
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(w.frame.mdiArea()->subWindowList().isEmpty());
}

void TestMainFrame::opensInsideTheScreen()
{
    Fixture f;
    Frame w(f);
    QVERIFY(w.open());
    QVERIFY(QTest::qWaitForWindowExposed(&w.frame));
    const QRect room = w.frame.screen()->availableGeometry();
    QVERIFY2(room.contains(w.frame.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(
        w.frame.frameGeometry().x()).arg(w.frame.frameGeometry().y()).arg(w.frame.frameGeometry().width())
        .arg(w.frame.frameGeometry().height())));
    QVERIFY(w.frame.close());
}

void TestMainFrame::minimisingWithoutATrayLeavesTheFrameMinimised()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("a notification area is there; tst_frametray covers hiding in it");
    Fixture f;
    Frame w(f);
    QVERIFY(w.open());
    w.frame.showMinimized();
    QTRY_VERIFY(w.frame.isMinimized());
    // Given the chance to be brought back, it is not.
    QTest::qWait(20);
    QVERIFY(w.frame.isMinimized());
    QVERIFY(w.frame.isVisible());
    QVERIFY(!w.frame.tray().isInTray());
    w.frame.showNormal();
    QVERIFY(w.frame.close());
}

void TestMainFrame::viewPdfDocumentsOpensTheUploadFolder()
{
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    const QString folder = m_home.filePath(QStringLiteral("home/Uploads"));
    QDir(folder).removeRecursively();
    UrlCatcher catcher(QStringLiteral("file"));
    findAction(frame, QStringLiteral("Portable Tavimo"), QStringLiteral("View PDF Documents"))->trigger();
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(folder)});
    QCOMPARE(f.presenter.count(), 0);
}

void TestMainFrame::f1ShowsTheActiveWindowsHelp()
{
    Fixture f;
    Frame w(f);
    QVERIFY(w.open());
    QApplication::setActiveWindow(&w.frame);
    QTest::keyClick(&w.frame, Qt::Key_F1);
    QCOMPARE(HelpViewer::shared()->currentTopic(), QStringLiteral("'Ambrel Series'.htm"));
    HelpViewer::shared()->hide();

    w.frame.startInNewContext(QStringLiteral("BrowseDoctors"));
    auto *list = qobject_cast<BrowseDoctors *>(w.frame.host().running().back());
    QVERIFY(list);
    w.frame.mdiArea()->setActiveSubWindow(w.frame.host().subWindowOf(*list));
    list->list().list()->setFocus();
    QTest::keyClick(list->list().list(), Qt::Key_F1);
    QCOMPARE(HelpViewer::shared()->currentTopic(), QStringLiteral("browsedoctors.htm"));
    HelpViewer::releaseShared();
    QVERIFY(w.frame.close());
}

void TestMainFrame::arrangeIconsLinesUpMinimisedWindows()
{
    Fixture f;
    Frame w(f);
    QVERIFY(w.open());
    for (const char *name : {"about", "links", "donation"})
        w.frame.startInNewContext(QString::fromLatin1(name));
    const QList<QMdiSubWindow *> subs = w.frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
    QCOMPARE(subs.size(), 3);
    subs[0]->showMinimized();
    subs[2]->showMinimized();
    const QRect normal = subs[1]->geometry();
    for (QMdiSubWindow *sub : subs)
        sub->move(200, 100);
    findAction(w.frame, QStringLiteral("&Window"), QStringLiteral("&Arrange Icons"))->trigger();
    // Side by side along the bottom, in the order they opened; the open one stays.
    const int bottom = w.frame.mdiArea()->viewport()->rect().bottom();
    QCOMPARE(subs[0]->geometry().bottom(), bottom);
    QCOMPARE(subs[0]->x(), 0);
    QCOMPARE(subs[2]->geometry().bottom(), bottom);
    QCOMPARE(subs[2]->x(), subs[0]->width());
    QCOMPARE(subs[1]->pos(), QPoint(200, 100));
    QCOMPARE(subs[1]->size(), normal.size());
    QVERIFY(w.frame.close());
}

void TestMainFrame::tileAndCascadeKeepTheFrameAsItIs_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("tile") << "T&ile";
    QTest::newRow("cascade") << "&Cascade";
}

void TestMainFrame::tileAndCascadeKeepTheFrameAsItIs()
{
    QFETCH(QString, item);
    Fixture f;
    Frame w(f);
    QVERIFY(w.open());
    for (const char *name : {"about", "links", "donation", "about"})
        w.frame.startInNewContext(QString::fromLatin1(name));
    const QList<QMdiSubWindow *> subs = w.frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
    QCOMPARE(subs.size(), 4);
    // Two of them cannot be made small: side by side they would not fit.
    const QRect room = w.frame.mdiArea()->viewport()->rect();
    subs[0]->setMinimumSize(room.width() * 2 / 3, room.height() * 2 / 3);
    subs[3]->setMinimumSize(room.width() * 2 / 3, room.height() * 2 / 3);
    const QRect frame = w.frame.geometry();
    findAction(w.frame, QStringLiteral("&Window"), item)->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(w.frame.geometry(), frame);
    QCOMPARE(w.frame.mdiArea()->viewport()->rect(), room);
    for (QMdiSubWindow *sub : subs)
        QVERIFY2(room.contains(sub->geometry()), qPrintable(sub->windowTitle()));
    if (item == QLatin1String("T&ile")) {
        // The ones that can shrink share the room without overlapping.
        QVERIFY(!subs[1]->geometry().intersects(subs[2]->geometry()));
        QCOMPARE(subs[1]->geometry().top(), subs[0]->geometry().top());
    } else {
        // Each one further down and to the right, the last opened in front.
        for (int i = 1; i < subs.size(); ++i)
            QVERIFY(subs[i]->geometry().top() > subs[i - 1]->geometry().top());
        QCOMPARE(w.frame.mdiArea()->activeSubWindow(), subs.last());
    }
    QVERIFY(w.frame.close());
}

namespace {

// A control of one kind holding "1234" with "34" selected, and its text.
struct Control
{
    QWidget *widget = nullptr;
    std::function<QString()> text;
};

Control makeControl(const QString &kind, QWidget *parent)
{
    const QString start = QStringLiteral("1234");
    auto lineEdit = [&](QLineEdit *e) {
        e->setText(start);
        e->setSelection(2, 2);
        return Control{e, [e] { return e->text(); }};
    };
    auto textEdit = [&](auto *e) {
        e->setPlainText(start);
        QTextCursor cursor = e->textCursor();
        cursor.setPosition(2);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        e->setTextCursor(cursor);
        return Control{e, [e] { return e->toPlainText(); }};
    };
    if (kind == QLatin1String("entry"))
        return lineEdit(new QLineEdit(parent));
    if (kind == QLatin1String("read-only entry")) {
        Control c = lineEdit(new QLineEdit(parent));
        static_cast<QLineEdit *>(c.widget)->setReadOnly(true);
        return c;
    }
    if (kind == QLatin1String("memo"))
        return textEdit(new QPlainTextEdit(parent));
    if (kind == QLatin1String("rich memo"))
        return textEdit(new QTextEdit(parent));
    if (kind == QLatin1String("read-only page"))
        return textEdit(new QTextBrowser(parent));
    if (kind == QLatin1String("drop-down")) {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setEditText(start);
        combo->lineEdit()->setSelection(2, 2);
        return Control{combo, [combo] { return combo->currentText(); }};
    }
    if (kind == QLatin1String("spin box")) {
        auto *spin = new QSpinBox(parent);
        spin->setRange(0, 99999);
        spin->setValue(1234);
        spin->findChild<QLineEdit *>()->setSelection(2, 2);
        return Control{spin, [spin] { return spin->text(); }};
    }
    if (kind == QLatin1String("list")) {
        auto *list = new QListWidget(parent);
        list->addItems({QStringLiteral("12"), QStringLiteral("34")});
        list->setCurrentRow(1);
        return Control{list, [list] { return list->item(0)->text() + list->item(1)->text(); }};
    }
    return {};
}

} // namespace

void TestMainFrame::editMenuReachesEveryKindOfControl_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("clipboard"); // "56" before
    QTest::addColumn<QString>("text");
    for (const char *kind : {"entry", "memo", "rich memo", "drop-down", "spin box"}) {
        QTest::addRow("%s, cut", kind) << kind << "Cu&t" << "34" << "12";
        QTest::addRow("%s, copy", kind) << kind << "&Copy" << "34" << "1234";
        QTest::addRow("%s, paste", kind) << kind << "&Paste" << "56" << "1256";
    }
    for (const char *kind : {"read-only entry", "read-only page", "list"}) {
        QTest::addRow("%s, cut", kind) << kind << "Cu&t" << "56" << "1234";
        QTest::addRow("%s, copy", kind) << kind << "&Copy" << "34" << "1234";
        QTest::addRow("%s, paste", kind) << kind << "&Paste" << "56" << "1234";
    }
}

void TestMainFrame::editMenuReachesEveryKindOfControl()
{
    QFETCH(QString, kind);
    QFETCH(QString, item);
    QFETCH(QString, clipboard);
    QFETCH(QString, text);
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    frame.setSponsorWindow({});
    frame.setReminderWindow({});
    // In a child window of the frame, as the program's controls are.
    auto *page = new QWidget;
    const Control control = makeControl(kind, page);
    QVERIFY(control.widget);
    QMdiSubWindow *sub = frame.mdiArea()->addSubWindow(page);
    frame.show();
    sub->show();
    QApplication::setActiveWindow(&frame);
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    frame.mdiArea()->setActiveSubWindow(sub);
    control.widget->setFocus();
    QCOMPARE(QApplication::focusWidget(), control.widget);

    QApplication::clipboard()->setText(QStringLiteral("56"));
    findAction(frame, QStringLiteral("&Edit"), item)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), clipboard);
    QCOMPARE(control.text(), text);
}

void TestMainFrame::printSetupKeepsItsChoice()
{
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    QAction *setup = findAction(frame, QStringLiteral("&File"), QStringLiteral("&Print Setup ..."));
    QList<QPageLayout::Orientation> seen;
    QList<QPrinter *> printers;
    PrintSettings::setDialog([&](QPrinter &printer, QWidget *parent) {
        seen << printer.pageLayout().orientation();
        printers << &printer;
        [&] { QCOMPARE(parent, static_cast<QWidget *>(&frame)); }();
        // The first time the person turns the page and takes A5; the second time they cancel.
        if (seen.size() > 1)
            return false;
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setPageSize(QPageSize(QPageSize::A5));
        return true;
    });
    setup->trigger();
    setup->trigger();
    PrintSettings::setDialog({});
    QCOMPARE(seen, (QList<QPageLayout::Orientation>{QPageLayout::Portrait, QPageLayout::Landscape}));
    // One printer for the run, the one reports print with.
    QCOMPARE(printers.first(), printers.last());
    QCOMPARE(printers.first(), &PrintSettings::printer());
    QCOMPARE(PrintSettings::printer().pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(PrintSettings::printer().pageLayout().pageSize().id(), QPageSize::A5);
}

void TestMainFrame::helpContentsShowsAPageBesideTheIndex()
{
    Fixture f;
    MainFrame frame(*f.context, f.tmp.path());
    HelpViewer::releaseShared();
    findAction(frame, QStringLiteral("&Help"), QStringLiteral("&Contents"))->trigger();
    HelpViewer *viewer = HelpViewer::shared();
    QCOMPARE(viewer->currentPane(), HelpViewer::IndexPane);
    QCOMPARE(viewer->currentTopic(), QStringLiteral("index.htm"));
    QVERIFY(!viewer->browser()->toPlainText().trimmed().isEmpty());
    HelpViewer::releaseShared();
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
