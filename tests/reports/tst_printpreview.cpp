// The Report Preview window, offscreen, over pages of a fake report that
// counts what it is asked to draw.
#include "errormanager.h"
#include "pagesource.h"
#include "previewarea.h"
#include "previewcanvas.h"
#include "previewdialogs.h"
#include "printpreview.h"
#include "scriptedpresenter.h"
#include "settingsstore.h"
#include "threadcontext.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tavimo;

namespace {

// Letter pages, each drawn as a black band at its top left corner.
class FakePages : public PageSource
{
public:
    explicit FakePages(int count) : m_count(count) {}
    int pageCount() const override { return m_count; }
    QSize pageSize(int) override { return QSize(8500, 11000); }
    bool paintPage(int index, QPainter &painter, double dotsPerInch) override
    {
        painted.push_back(index);
        painter.fillRect(QRectF(0, 0, dotsPerInch * 2, dotsPerInch), Qt::black);
        return true;
    }

    std::vector<int> painted;

private:
    int m_count;
};

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;
    FakePages pages;
    std::unique_ptr<PrintPreview> preview;

    explicit Fixture(int count) : pages(count)
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config;
        config.dataDirectory = tmp.path();
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
        preview = std::make_unique<PrintPreview>(*context, pages);
    }

    // Started and active, so that its keys reach it.
    bool start()
    {
        if (!preview->start())
            return false;
        preview->window()->activateWindow();
        if (!QTest::qWaitForWindowActive(preview->window()))
            return false;
        preview->canvas()->setFocus();
        return true;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    QStringList statusTexts() const
    {
        QStringList texts;
        for (QLabel *label : preview->window()->findChild<QStatusBar *>()->findChildren<QLabel *>())
            texts << label->text();
        return texts;
    }
    bool enabled(PrintPreview::Command c) const { return preview->action(c)->isEnabled(); }
};

void typeInto(QWidget *edit, const QString &text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

} // namespace

class TestPrintPreview : public QObject
{
    Q_OBJECT

private slots:
    void onePageReport();
    void navigationByKeys();
    void pageBoxAndJump();
    void zoomMenu_data();
    void zoomMenu();
    void initialZoom_data();
    void initialZoom();
    void tiles_data();
    void tiles();
    void tilesLaidOutAcrossThenDown();
    void clicks();
    void drawsOnlyWhatIsShown();
    void cacheStaysBounded();
    void pagesToPrintHandedToPrint_data();
    void pagesToPrintHandedToPrint();
    void confirmPagesCancelled();
    void pagesToPrintReset();
    void exitDoesNotPrint();
    void saveAs();
    void windowPositionRemembered();
};

void TestPrintPreview::onePageReport()
{
    Fixture f(1);
    QVERIFY(f.start());
    QVERIFY(!f.enabled(PrintPreview::Command::Previous));
    QVERIFY(!f.enabled(PrintPreview::Command::Next));
    QVERIFY(!f.enabled(PrintPreview::Command::Jump));
    QVERIFY(!f.enabled(PrintPreview::Command::First));
    QVERIFY(!f.enabled(PrintPreview::Command::Last));
    QVERIFY(!f.preview->pageBox()->isEnabled());
    QVERIFY(f.enabled(PrintPreview::Command::Print));
    f.key(Qt::Key_PageDown);
    f.key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(f.preview->currentPage(), 1);
    QVERIFY(f.statusTexts().contains(QStringLiteral("Page 1 of 1")));
    QCOMPARE(f.preview->window()->windowTitle(), QStringLiteral("Report Preview"));
}

void TestPrintPreview::navigationByKeys()
{
    Fixture f(5);
    QVERIFY(f.start());
    QCOMPARE(f.preview->pageBox()->toolTip(), QStringLiteral("Enter a page number from 1 to 5"));
    QCOMPARE(f.preview->pageBox()->maximum(), 5);
    QVERIFY(!f.enabled(PrintPreview::Command::Previous));
    QVERIFY(f.enabled(PrintPreview::Command::Next));
    QVERIFY(f.enabled(PrintPreview::Command::Jump));

    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        int page;
    } steps[] = {
        {Qt::Key_PageDown, {}, 2},
        {Qt::Key_PageDown, {}, 3},
        {Qt::Key_PageUp, {}, 2},
        {Qt::Key_End, Qt::ControlModifier, 5},
        {Qt::Key_PageDown, {}, 5}, // nothing past the last page
        {Qt::Key_PageUp, {}, 4},
        {Qt::Key_Home, Qt::ControlModifier, 1},
        {Qt::Key_PageUp, {}, 1},
    };
    for (const auto &step : steps) {
        f.key(step.key, step.modifiers);
        QCOMPARE(f.preview->currentPage(), step.page);
        QCOMPARE(f.preview->pageBox()->value(), step.page);
        QVERIFY(f.statusTexts().contains(QStringLiteral("Page %1 of 5").arg(step.page)));
        QCOMPARE(f.enabled(PrintPreview::Command::Previous), step.page > 1);
        QCOMPARE(f.enabled(PrintPreview::Command::First), step.page > 1);
        QCOMPARE(f.enabled(PrintPreview::Command::Next), step.page < 5);
        QCOMPARE(f.enabled(PrintPreview::Command::Last), step.page < 5);
    }
}

void TestPrintPreview::pageBoxAndJump()
{
    Fixture f(12);
    int asked = 0;
    f.preview->setDialogRunner([&](QDialog &dialog) {
        ++asked;
        auto *jump = qobject_cast<JumpPageDialog *>(&dialog);
        if (!jump)
            return int(QDialog::Rejected);
        [&] {
            QCOMPARE(jump->windowTitle(), QStringLiteral("Jump to a Report Page"));
            QCOMPARE(jump->pageBox()->maximum(), 12);
        }();
        typeInto(jump->pageBox(), QStringLiteral("9"));
        return int(QDialog::Accepted);
    });
    QVERIFY(f.start());
    f.key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(asked, 1);
    QCOMPARE(f.preview->currentPage(), 9);

    // The page box on the tool bar goes to the page typed once it is entered.
    typeInto(f.preview->pageBox(), QStringLiteral("11"));
    QCOMPARE(f.preview->currentPage(), 9);
    QTest::keyClick(f.preview->pageBox(), Qt::Key_Return);
    QCOMPARE(f.preview->currentPage(), 11);
    // A number past the last page cannot be typed.
    typeInto(f.preview->pageBox(), QStringLiteral("99"));
    QTest::keyClick(f.preview->pageBox(), Qt::Key_Return);
    QCOMPARE(f.preview->currentPage(), 9);
    QVERIFY(f.preview->isRunning());
}

void TestPrintPreview::zoomMenu_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("menuText");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<int>("value");

    QTest::newRow("201") << 201 << "Tile pages" << "Zoom: Tile Pages" << -2;
    QTest::newRow("202") << 202 << "Page Width" << "Zoom: Page Width" << -1;
    QTest::newRow("203") << 203 << "50% Zoom" << "Zoom: 50%" << 50;
    QTest::newRow("204") << 204 << "75% Zoom" << "Zoom: 75%" << 75;
    QTest::newRow("205") << 205 << "100% Zoom" << "Zoom: 100%" << 100;
    QTest::newRow("206") << 206 << "200% Zoom" << "Zoom: 200%" << 200;
    QTest::newRow("207") << 207 << "300% Zoom" << "Zoom: 300%" << 300;
}

void TestPrintPreview::zoomMenu()
{
    QFETCH(int, item);
    QFETCH(QString, menuText);
    QFETCH(QString, statusText);
    QFETCH(int, value);

    Fixture f(3);
    f.preview->setInitialZoom(item == 205 ? 50 : 100);
    QVERIFY(f.start());
    const QList<QAction *> entries = f.preview->zoomMenu()->actions();
    QCOMPARE(entries.size(), 7);
    QAction *entry = entries.at(item - 201);
    QCOMPARE(entry->data().toInt(), item);
    QCOMPARE(entry->text(), menuText);
    QCOMPARE(f.preview->zoomAction(item), entry);
    QVERIFY(!entry->isChecked());

    entry->trigger();
    QCOMPARE(f.preview->zoom(), value);
    QCOMPARE(f.preview->zoomStatus(), statusText);
    QVERIFY(f.statusTexts().contains(statusText));
    QVERIFY(entry->isChecked());
    for (QAction *other : entries)
        QCOMPARE(other->isChecked(), other == entry);
    QCOMPARE(f.preview->acrossBox()->isEnabled(), value == PrintPreview::TileZoom);

    // A page at a percentage is that share of its size on the screen.
    if (value > 0) {
        const QRect page = f.preview->canvas()->items().front().rect;
        QCOMPARE(page.width(), qRound(8.5 * f.preview->canvas()->logicalDpiX() * value / 100));
    }
}

void TestPrintPreview::initialZoom_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("checkedItem"); // 0: none

    QTest::newRow("from the table") << 75 << "Zoom: 75%" << 204;
    QTest::newRow("tiled") << -2 << "Zoom: Tile Pages" << 201;
    QTest::newRow("the user's percentage") << 125 << "Zoom: 125%" << 0;
    QTest::newRow("nonsense reads as 100%") << -7 << "Zoom: 100%" << 205;
}

void TestPrintPreview::initialZoom()
{
    QFETCH(int, zoom);
    QFETCH(QString, status);
    QFETCH(int, checkedItem);

    Fixture f(4);
    f.preview->setInitialZoom(zoom);
    QVERIFY(f.start());
    QVERIFY(f.statusTexts().contains(status));
    QAction *checked = nullptr;
    for (QAction *a : f.preview->zoomMenu()->actions())
        if (a->isChecked())
            checked = a;
    QCOMPARE(checked ? checked->data().toInt() : 0, checkedItem);
}

void TestPrintPreview::tiles_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("down");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("shownAcross");
    QTest::addColumn<int>("shownDown");
    QTest::addColumn<int>("first");
    QTest::addColumn<QString>("status");

    QTest::newRow("fits") << 10 << 2 << 2 << 1 << 2 << 2 << 1 << "Page 1-4 of 10";
    QTest::newRow("current page kept on show") << 10 << 2 << 2 << 7 << 2 << 2 << 4 << "Page 4-7 of 10";
    QTest::newRow("first moves back from the end") << 10 << 3 << 2 << 10 << 3 << 2 << 5 << "Page 5-10 of 10";
    QTest::newRow("grid shrinks to the pages") << 3 << 2 << 2 << 1 << 2 << 1 << 1 << "Page 1-2 of 3";
    QTest::newRow("one page") << 1 << 3 << 3 << 1 << 1 << 1 << 1 << "Page 1-1 of 1";
    QTest::newRow("a tall grid shrinks down") << 5 << 1 << 9 << 1 << 1 << 5 << 1 << "Page 1-5 of 5";
    QTest::newRow("a wide grid shrinks across") << 4 << 9 << 1 << 3 << 4 << 1 << 1 << "Page 1-4 of 4";
}

void TestPrintPreview::tiles()
{
    QFETCH(int, pages);
    QFETCH(int, across);
    QFETCH(int, down);
    QFETCH(int, current);
    QFETCH(int, shownAcross);
    QFETCH(int, shownDown);
    QFETCH(int, first);
    QFETCH(QString, status);

    Fixture f(pages);
    QVERIFY(f.start());
    f.preview->showPage(current);
    f.preview->zoomAction(201)->trigger();
    f.preview->setTiles(across, down);

    QCOMPARE(f.preview->tiles().across, shownAcross);
    QCOMPARE(f.preview->tiles().down, shownDown);
    QCOMPARE(f.preview->tiles().first, first);
    QCOMPARE(f.preview->acrossBox()->value(), shownAcross);
    QCOMPARE(f.preview->downBox()->value(), shownDown);
    QVERIFY(f.statusTexts().contains(status));
    const int shown = std::min(shownAcross * shownDown, pages - first + 1);
    QCOMPARE(int(f.preview->canvas()->items().size()), shown);
    QCOMPARE(f.preview->canvas()->items().front().index, first - 1);
}

void TestPrintPreview::tilesLaidOutAcrossThenDown()
{
    Fixture f(20);
    f.preview->setTiles(3, 2);
    f.preview->setInitialZoom(PrintPreview::TileZoom);
    QVERIFY(f.start());
    f.preview->showPage(2);
    const std::vector<PreviewCanvas::Item> &items = f.preview->canvas()->items();
    QCOMPARE(int(items.size()), 6);
    const QRect room = f.preview->area()->viewport()->rect();
    for (std::size_t k = 0; k < items.size(); ++k) {
        const QRect r = f.preview->canvas()->placed(items[k]);
        QCOMPARE(items[k].index, int(k));
        QCOMPARE(items[k].current, k == 1);
        QVERIFY(room.contains(r));
        if (k % 3 != 0) {
            QCOMPARE(r.top(), f.preview->canvas()->placed(items[k - 1]).top());
            QVERIFY(r.left() > f.preview->canvas()->placed(items[k - 1]).right());
        }
        if (k >= 3)
            QVERIFY(r.top() > f.preview->canvas()->placed(items[k - 3]).bottom());
        // Letter pages keep their shape as thumbnails.
        QVERIFY(qAbs(double(r.height()) / r.width() - 11.0 / 8.5) < 0.05);
    }
    QVERIFY(!f.preview->area()->verticalScrollBar()->isVisible());

    // The Across and Down boxes take what is typed into them.
    typeInto(f.preview->acrossBox(), QStringLiteral("4"));
    QTest::keyClick(f.preview->acrossBox(), Qt::Key_Return);
    typeInto(f.preview->downBox(), QStringLiteral("3"));
    QTest::keyClick(f.preview->downBox(), Qt::Key_Return);
    QCOMPARE(f.preview->tiles(), (TileGrid{4, 3, 1}));
    QCOMPARE(int(f.preview->canvas()->items().size()), 12);
    QVERIFY(f.statusTexts().contains(QStringLiteral("Page 1-12 of 20")));
    // Outside the tiles they are for reading only.
    f.preview->zoomAction(202)->trigger();
    QVERIFY(!f.preview->acrossBox()->isEnabled());
    QVERIFY(!f.preview->downBox()->isEnabled());
}

void TestPrintPreview::clicks()
{
    Fixture f(10);
    f.preview->setInitialZoom(PrintPreview::TileZoom);
    QVERIFY(f.start());
    PreviewCanvas *canvas = f.preview->canvas();
    const QRect third = canvas->placed(canvas->items().at(2));

    // Between the thumbnails nothing happens.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(f.preview->zoom(), PrintPreview::TileZoom);

    // A thumbnail opens its page at the page's width, at the height clicked.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(third.center().x(), third.top() + third.height() * 3 / 4));
    QCOMPARE(f.preview->currentPage(), 3);
    QCOMPARE(f.preview->zoom(), PrintPreview::PageWidthZoom);
    QVERIFY(f.statusTexts().contains(QStringLiteral("Zoom: Page Width")));
    const QRect page = canvas->placed(canvas->items().front());
    QVERIFY(page.width() > f.preview->area()->viewport()->width() - 3 * PreviewCanvas::Margin);
    QScrollBar *bar = f.preview->area()->verticalScrollBar();
    const int viewHeight = f.preview->area()->viewport()->height();
    const int middle = bar->value() + viewHeight / 2;
    QVERIFY2(qAbs(middle - (page.top() + page.height() * 3 / 4)) < 4 || bar->value() == bar->maximum(),
             qPrintable(QString::number(bar->value())));
    QVERIFY(bar->value() > 0);

    // Any other click goes back to the tiles, with the page among them.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(page.center().x(), bar->value() + 5));
    QCOMPARE(f.preview->zoom(), PrintPreview::TileZoom);
    QCOMPARE(f.preview->currentPage(), 3);
    QVERIFY(f.preview->tiles().first <= 3 && f.preview->tiles().last(10) >= 3);

    f.preview->zoomAction(205)->trigger();
    QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(20, 20));
    QCOMPARE(f.preview->zoom(), 100);
}

void TestPrintPreview::drawsOnlyWhatIsShown()
{
    Fixture f(10000);
    f.preview->setInitialZoom(50);
    QVERIFY(f.start());
    f.preview->canvas()->repaint();
    QCOMPARE(f.pages.painted, std::vector<int>{0});

    f.preview->showPage(5000);
    f.preview->canvas()->repaint();
    QCOMPARE(f.pages.painted, (std::vector<int>{0, 4999}));
    // Shown again, a page comes from what was kept.
    f.preview->showPage(1);
    f.preview->canvas()->repaint();
    QCOMPARE(f.pages.painted.size(), std::size_t(2));

    f.pages.painted.clear();
    f.preview->setTiles(3, 2);
    f.preview->showPage(7000);
    f.preview->zoomAction(201)->trigger();
    f.preview->canvas()->repaint();
    std::vector<int> drawn = f.pages.painted;
    std::sort(drawn.begin(), drawn.end());
    QCOMPARE(drawn, (std::vector<int>{6994, 6995, 6996, 6997, 6998, 6999}));

    // Each thumbnail shows its page in its place.
    const QImage shown = f.preview->canvas()->grab().toImage();
    QCOMPARE(f.pages.painted.size(), std::size_t(6));
    for (const PreviewCanvas::Item &item : f.preview->canvas()->items()) {
        const QRect r = f.preview->canvas()->placed(item);
        QCOMPARE(QColor(shown.pixel(r.topLeft() + QPoint(2, 2))), QColor(Qt::black));
        QCOMPARE(QColor(shown.pixel(r.center())), QColor(Qt::white));
    }
}

void TestPrintPreview::cacheStaysBounded()
{
    Fixture f(1000);
    f.preview->setInitialZoom(50);
    f.preview->setCacheLimits(6, qint64(64) << 20);
    QVERIFY(f.start());
    f.preview->canvas()->repaint();
    for (int page = 2; page <= 1000; ++page) {
        f.key(Qt::Key_PageDown);
        f.preview->canvas()->repaint();
        QVERIFY(f.preview->cache().count() <= 6);
    }
    QCOMPARE(f.preview->currentPage(), 1000);
    QCOMPARE(int(f.pages.painted.size()), 1000);
    for (int i = 0; i < 1000; ++i)
        QCOMPARE(f.pages.painted[std::size_t(i)], i);

    // The pages just seen are kept; those long gone are drawn again.
    f.key(Qt::Key_PageUp);
    f.preview->canvas()->repaint();
    QCOMPARE(int(f.pages.painted.size()), 1000);
    f.key(Qt::Key_Home, Qt::ControlModifier);
    f.preview->canvas()->repaint();
    QCOMPARE(int(f.pages.painted.size()), 1001);
    QCOMPARE(f.pages.painted.back(), 0);

    // Closing frees the page images.
    f.preview->exit();
    QCOMPARE(f.preview->cache().count(), 0);
}

void TestPrintPreview::pagesToPrintHandedToPrint_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::vector<int>>("printed"); // indexes from 0

    QTest::newRow("as it opens") << QString() << std::vector<int>{0, 1, 2, 3, 4, 5, 6};
    QTest::newRow("an item and a range") << "3,5-6" << std::vector<int>{2, 4, 5};
    QTest::newRow("a range backwards matches nothing") << "2-1" << std::vector<int>{};
    QTest::newRow("empty matches nothing") << "" << std::vector<int>{};
    QTest::newRow("past the end") << "6-12" << std::vector<int>{5, 6};
}

void TestPrintPreview::pagesToPrintHandedToPrint()
{
    QFETCH(QString, typed);
    QFETCH(std::vector<int>, printed);
    const bool asItOpens = QByteArray(QTest::currentDataTag()) == "as it opens";

    Fixture f(7);
    f.preview->setConfirmPages(true);
    QString shownList;
    f.preview->setDialogRunner([&](QDialog &dialog) {
        auto *pages = qobject_cast<PagesToPrintDialog *>(&dialog);
        if (!pages)
            return int(QDialog::Rejected);
        shownList = pages->pagesEdit()->text();
        dialog.show();
        if (!asItOpens) {
            typeInto(pages->pagesEdit(), typed);
            if (typed.isEmpty())
                QTest::keyClick(pages->pagesEdit(), Qt::Key_Delete);
        }
        QTest::keyClick(pages->pagesEdit(), Qt::Key_Return);
        return dialog.result();
    });
    std::vector<std::vector<int>> calls;
    f.preview->setPrintHook([&](const std::vector<int> &pages) {
        QVERIFY(!f.preview->isRunning()); // the preview closes, then prints
        calls.push_back(pages);
    });
    QVERIFY(f.start());
    f.key(Qt::Key_P, Qt::ControlModifier);

    QCOMPARE(shownList, QStringLiteral("1-7"));
    QCOMPARE(int(calls.size()), 1);
    QCOMPARE(calls.front(), printed);
    QVERIFY(f.preview->printRequested());
    QCOMPARE(f.preview->response, int(Response::Completed));
    QCOMPARE(f.preview->selectedPages(), printed);
}

void TestPrintPreview::confirmPagesCancelled()
{
    Fixture f(4);
    f.preview->setConfirmPages(true);
    f.preview->setDialogRunner([](QDialog &dialog) {
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    int printed = 0;
    f.preview->setPrintHook([&](const std::vector<int> &) { ++printed; });
    QVERIFY(f.start());
    f.preview->action(PrintPreview::Command::Print)->trigger();
    QCOMPARE(printed, 0);
    QVERIFY(f.preview->isRunning());
    QVERIFY(!f.preview->printRequested());

    // Without CONFIRMPAGES print goes straight on with the list as it stands.
    f.preview->setConfirmPages(false);
    f.preview->setPagesToPrint(QStringLiteral("4"));
    f.preview->action(PrintPreview::Command::Print)->trigger();
    QCOMPARE(printed, 1);
    QCOMPARE(f.preview->selectedPages(), std::vector<int>{3});
}

void TestPrintPreview::pagesToPrintReset()
{
    Fixture f(30);
    f.preview->setDialogRunner([](QDialog &dialog) {
        auto *pages = qobject_cast<PagesToPrintDialog *>(&dialog);
        if (!pages)
            return int(QDialog::Rejected);
        [&] {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Pages to Print"));
            QCOMPARE(pages->pagesEdit()->maxLength(), 255);
            QCOMPARE(pages->resetButton()->text(), QStringLiteral("&Reset"));
        }();
        typeInto(pages->pagesEdit(), QStringLiteral("2,4"));
        QTest::mouseClick(pages->resetButton(), Qt::LeftButton);
        QTest::keyClicks(pages->pagesEdit(), QStringLiteral(",40"));
        return int(QDialog::Accepted);
    });
    QVERIFY(f.start());
    QVERIFY(f.preview->askPagesToPrint());
    QCOMPARE(f.preview->pagesToPrint(), QStringLiteral("1-30,40"));
    QCOMPARE(int(f.preview->selectedPages().size()), 30);
    QVERIFY(f.preview->isRunning());
}

void TestPrintPreview::exitDoesNotPrint()
{
    Fixture f(3);
    int printed = 0;
    f.preview->setPrintHook([&](const std::vector<int> &) { ++printed; });
    QVERIFY(f.start());
    f.preview->action(PrintPreview::Command::Exit)->trigger();
    QVERIFY(!f.preview->isRunning());
    QCOMPARE(printed, 0);
    QCOMPARE(f.preview->response, int(Response::Cancelled));

    Fixture g(3);
    QVERIFY(g.start());
    g.key(Qt::Key_Escape);
    QVERIFY(!g.preview->isRunning());
    QVERIFY(!g.preview->printRequested());
}

void TestPrintPreview::saveAs()
{
    // Without a generator to save with, the user is told so.
    Fixture f(3);
    QVERIFY(f.start());
    f.preview->action(PrintPreview::Command::SaveAs)->trigger();
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Save As"));
    QVERIFY(f.presenter.last().text.contains(QStringLiteral("no generator")));
    QVERIFY(f.preview->isRunning());

    Fixture g(6);
    std::vector<std::vector<int>> saved;
    g.preview->setSaveAsHook([&](const std::vector<int> &pages) {
        saved.push_back(pages);
        return 0;
    });
    g.preview->setPagesToPrint(QStringLiteral("2-3"));
    QVERIFY(g.start());
    g.preview->action(PrintPreview::Command::SaveAs)->trigger();
    QCOMPARE(saved, (std::vector<std::vector<int>>{{1, 2}}));
    QVERIFY(g.preview->isRunning()); // saving leaves the preview open
    QCOMPARE(g.presenter.count(), 0);

    // A hook that finds no generator registered has the preview say so.
    Fixture h(2);
    h.preview->setSaveAsHook([](const std::vector<int> &) { return PrintPreview::NoGenerator; });
    QVERIFY(h.start());
    h.preview->action(PrintPreview::Command::SaveAs)->trigger();
    QCOMPARE(h.presenter.count(), 1);
    QCOMPARE(h.presenter.last().caption, QStringLiteral("Save As"));
}

void TestPrintPreview::windowPositionRemembered()
{
    QTemporaryDir dir;
    SettingsStore store;
    QVERIFY(store.init(QStringLiteral("HTavimo"), SettingsStore::Backend::IniFile, dir.filePath(QStringLiteral("tavimo.ini"))));
    const QRect room = QApplication::primaryScreen()->availableGeometry();
    const QPoint place = room.topLeft() + QPoint(40, 30);
    const QSize size(std::min(520, room.width() - 60), std::min(410, room.height() - 50));
    {
        Fixture f(2);
        f.preview->setSettingsStore(&store);
        QVERIFY(f.preview->start());
        f.preview->window()->move(place);
        f.preview->window()->resize(size);
        f.preview->exit();
    }
    const QString section = QStringLiteral("_PreviewWindow_");
    QCOMPARE(store.read(section, QStringLiteral("XPos")).toInt(), place.x());
    QCOMPARE(store.read(section, QStringLiteral("YPos")).toInt(), place.y());
    QCOMPARE(store.read(section, QStringLiteral("Width")).toInt(), size.width());
    QCOMPARE(store.read(section, QStringLiteral("Height")).toInt(), size.height());
    {
        Fixture f(2);
        f.preview->setSettingsStore(&store);
        QVERIFY(f.preview->start());
        QCOMPARE(f.preview->window()->pos(), place);
        QCOMPARE(f.preview->window()->size(), size);
        f.preview->exit();
    }
    {
        // A maximised preview takes no notice of the saved place, nor keeps its own.
        Fixture f(2);
        f.preview->setSettingsStore(&store);
        f.preview->setMaximize(true);
        QVERIFY(f.preview->start());
        QVERIFY(f.preview->window()->isMaximized());
        f.preview->exit();
        QCOMPARE(store.read(section, QStringLiteral("Width")).toInt(), size.width());
    }
}

QTEST_MAIN(TestPrintPreview)
#include "tst_printpreview.moc"
