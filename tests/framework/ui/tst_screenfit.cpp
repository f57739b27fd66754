// Fitting windows into the room they have: the rectangle rule, and
// top-level windows inside their screen's available area.
#include "screenfit.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

using namespace tavimo;

class TestScreenFit : public QObject
{
    Q_OBJECT

private slots:
    void fitRect_data();
    void fitRect();
    void windowEndsInsideTheScreen_data();
    void windowEndsInsideTheScreen();
    void unplacedWindowIsCentred();
    void marginsAreKnownBeforeShow();
    void childWidgetsAreLeftAlone();
};

void TestScreenFit::fitRect_data()
{
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QSize>("least");
    QTest::addColumn<QRect>("fitted");
    // The room is always (10,20 400x300).
    QTest::newRow("inside already") << QRect(50, 60, 100, 80) << QSize() << QRect(50, 60, 100, 80);
    QTest::newRow("over the right and bottom") << QRect(350, 280, 100, 80) << QSize() << QRect(310, 240, 100, 80);
    QTest::newRow("over the left and top") << QRect(-40, 0, 100, 80) << QSize() << QRect(10, 20, 100, 80);
    QTest::newRow("larger than the room") << QRect(100, 100, 900, 700) << QSize() << QRect(10, 20, 400, 300);
    QTest::newRow("wider only") << QRect(100, 50, 900, 80) << QSize() << QRect(10, 50, 400, 80);
    QTest::newRow("least larger: top left kept inside")
        << QRect(100, 100, 900, 700) << QSize(500, 350) << QRect(10, 20, 500, 350);
    QTest::newRow("least smaller than the room") << QRect(300, 100, 900, 100) << QSize(200, 50)
                                                 << QRect(10, 100, 400, 100);
}

void TestScreenFit::fitRect()
{
    QFETCH(QRect, wanted);
    QFETCH(QSize, least);
    QFETCH(QRect, fitted);
    const QRect room(10, 20, 400, 300);
    QCOMPARE(tavimo::fitRect(wanted, room, least.isValid() ? least : QSize(0, 0)), fitted);
}

void TestScreenFit::windowEndsInsideTheScreen_data()
{
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QPoint>("at"); // from the room's top left; (-1,-1): not placed
    QTest::addColumn<bool>("owned");
    QTest::newRow("too large") << QSize(2000, 1500) << QPoint(-1, -1) << false;
    QTest::newRow("too large, placed") << QSize(2000, 1500) << QPoint(100, 100) << false;
    QTest::newRow("placed over the edge") << QSize(300, 200) << QPoint(700, 700) << false;
    QTest::newRow("owned, too large") << QSize(2000, 1500) << QPoint(-1, -1) << true;
    QTest::newRow("owned, fits") << QSize(300, 200) << QPoint(-1, -1) << true;
}

void TestScreenFit::windowEndsInsideTheScreen()
{
    QFETCH(QSize, asked);
    QFETCH(QPoint, at);
    QFETCH(bool, owned);
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setGeometry(room.adjusted(40, 40, -room.width() / 2, -room.height() / 2));
    if (owned) {
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
    }
    QDialog window(owned ? &owner : nullptr);
    window.resize(asked);
    if (at != QPoint(-1, -1))
        window.move(room.topLeft() + at);
    fitToScreen(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(room.contains(window.frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(window.frameGeometry().x())
                            .arg(window.frameGeometry().y())
                            .arg(window.frameGeometry().width())
                            .arg(window.frameGeometry().height())));
    // No smaller than it has to be, give or take a guessed frame.
    if (asked.width() > room.width())
        QVERIFY(window.frameGeometry().width() * 10 >= room.width() * 9);
    else
        QCOMPARE(window.size(), asked);
    if (owned && asked.width() < room.width() / 2)
        QCOMPARE(window.frameGeometry().center(), owner.frameGeometry().center());
}

void TestScreenFit::unplacedWindowIsCentred()
{
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *big = new QWidget(&window);
    big->setMinimumSize(room.width() / 3, room.height() / 3);
    layout->addWidget(big);
    fitToScreen(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Not asked for a size: the one its contents want.
    QCOMPARE(window.size(), window.sizeHint());
    // Give or take what the frame was guessed at before it showed.
    const QPoint off = window.frameGeometry().center() - room.center();
    QVERIFY2(qAbs(off.x()) * 20 <= room.width() && qAbs(off.y()) * 20 <= room.height(),
             qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
}

void TestScreenFit::marginsAreKnownBeforeShow()
{
    QWidget shown;
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    QWidget next;
    const QMargins before = frameMarginsOf(&next);
    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    QCOMPARE(before, frameMarginsOf(&next));
    QWidget bare(nullptr, Qt::FramelessWindowHint);
    QCOMPARE(frameMarginsOf(&bare), QMargins());
}

void TestScreenFit::childWidgetsAreLeftAlone()
{
    QWidget window;
    auto *child = new QWidget(&window);
    child->setGeometry(5000, 5000, 3000, 3000);
    fitToScreen(child);
    QCOMPARE(child->geometry(), QRect(5000, 5000, 3000, 3000));
}

QTEST_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
