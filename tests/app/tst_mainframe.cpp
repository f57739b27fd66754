// The frame's menu starts windows through the procedure table.
#include "datacontext.h"
#include "errormanager.h"
#include "mainframe.h"
#include "registerprocedures.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

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

QWidget *windowTitled(const QString &title)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void menuCaptionsAndMessages_data();
    void menuCaptionsAndMessages();
    void missingProcedureSaysSo();
    void doctorsListOpensInItsOwnContext();

private:
    QTemporaryDir m_tmp;
    ScriptedPresenter m_presenter;
};

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
    QTest::newRow("sending") << "Send Data To Doctor" << "About Sending Data" << "";
}

void TestMainFrame::menuCaptionsAndMessages()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(QString, status);
    ThreadContext context(programContextConfig(m_tmp.path()));
    MainFrame frame(context, m_tmp.path());
    QAction *action = findAction(frame, menu, item);
    QVERIFY2(action, qPrintable(menu + QLatin1String(" / ") + item));
    QCOMPARE(action->statusTip(), status);
    QVERIFY(!findAction(frame, QStringLiteral("&Help"), QStringLiteral("Your Doctor"))->isVisible());
}

void TestMainFrame::missingProcedureSaysSo()
{
    ErrorManager::global().setPresenter(&m_presenter);
    ThreadContext context(programContextConfig(m_tmp.path()));
    MainFrame frame(context, m_tmp.path());
    findAction(frame, QStringLiteral("&Reports"), QStringLiteral("Blank Data Collection Form"))->trigger();
    QCOMPARE(m_presenter.last().caption, QStringLiteral("Procedure not defined"));
    QCOMPARE(m_presenter.last().text, QStringLiteral("The Procedure blankform has not been defined."));
    ErrorManager::global().setPresenter(nullptr);
}

void TestMainFrame::doctorsListOpensInItsOwnContext()
{
    registerProcedures();
    ErrorManager::global().setPresenter(&m_presenter);
    ThreadContext context(programContextConfig(m_tmp.path()));
    MainFrame frame(context, m_tmp.path());
    frame.show();
    const int before = m_presenter.count();
    findAction(frame, QStringLiteral("&People"), QStringLiteral("&Doctors"))->trigger();
    QTRY_VERIFY(windowTitled(QStringLiteral("List Doctors ")));
    QCOMPARE(m_presenter.count(), before);
    windowTitled(QStringLiteral("List Doctors "))->close();
    ErrorManager::global().setPresenter(nullptr);
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
