#include "printpreview.h"

#include "errormanager.h"
#include "pagesource.h"
#include "pagestoprint.h"
#include "previewarea.h"
#include "previewcanvas.h"
#include "previewdialogs.h"
#include "screenfit.h"
#include "settingsstore.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavimo {

namespace {

constexpr QSize kLetter(8500, 11000); // for a page whose size cannot be read
constexpr QSize kDefaultWindow(720, 860);

QSize sizeOrLetter(QSize size)
{
    return size.width() > 0 && size.height() > 0 ? size : kLetter;
}

} // namespace

const std::array<PrintPreview::Zoom, 7> &PrintPreview::zoomTable()
{
    static const std::array<Zoom, 7> table{{
        {"Tile pages", "Zoom: Tile Pages", TileZoom},
        {"Page Width", "Zoom: Page Width", PageWidthZoom},
        {"50% Zoom", "Zoom: 50%", 50},
        {"75% Zoom", "Zoom: 75%", 75},
        {"100% Zoom", "Zoom: 100%", 100},
        {"200% Zoom", "Zoom: 200%", 200},
        {"300% Zoom", "Zoom: 300%", 300},
    }};
    return table;
}

PrintPreview::PrintPreview(ThreadContext &context, PageSource &pages, QWidget *owner)
    : ProcedureWindow(context, QStringLiteral("PrintPreview"), owner), m_source(pages), m_cache(pages),
      m_parser(&PagesToPrint::keptPages)
{
}

PrintPreview::~PrintPreview() = default;

int PrintPreview::pageCount() const
{
    return std::max(m_source.pageCount(), 0);
}

void PrintPreview::setTiles(int across, int down)
{
    m_tiles.across = across;
    m_tiles.down = down;
    m_tiles = m_tiles.showing(m_current, pageCount());
    if (m_canvas) {
        relayout();
        updateControls();
    }
}

int PrintPreview::zoom() const
{
    return m_zoomIndex >= 0 ? zoomTable()[std::size_t(m_zoomIndex)].value : m_userPercent;
}

QString PrintPreview::zoomStatus() const
{
    if (m_zoomIndex >= 0)
        return QString::fromLatin1(zoomTable()[std::size_t(m_zoomIndex)].statusText);
    return QStringLiteral("Zoom: ") + QString::number(m_userPercent) + QLatin1Char('%');
}

QString PrintPreview::pageStatus() const
{
    const QString of = QStringLiteral(" of ") + QString::number(pageCount());
    if (zoom() == TileZoom)
        return QStringLiteral("Page ") + QString::number(m_tiles.first) + QLatin1Char('-') +
               QString::number(m_tiles.last(pageCount())) + of;
    return QStringLiteral("Page ") + QString::number(m_current) + of;
}

void PrintPreview::setPagesToPrint(const QString &list)
{
    m_pagesToPrint = list.left(PagesToPrintDialog::MaxLength);
}

std::vector<int> PrintPreview::selectedPages() const
{
    const int count = pageCount();
    std::vector<int> pages;
    if (!m_parser) {
        pages.resize(std::size_t(count));
        for (int i = 0; i < count; ++i)
            pages[std::size_t(i)] = i;
        return pages;
    }
    for (int page : m_parser(m_pagesToPrint, count)) {
        if (page >= 1 && page <= count)
            pages.push_back(page - 1);
    }
    return pages;
}

QAction *PrintPreview::action(Command command) const
{
    return m_actions[std::size_t(command)];
}

QAction *PrintPreview::zoomAction(int item) const
{
    if (!m_zoomGroup)
        return nullptr;
    for (QAction *a : m_zoomGroup->actions())
        if (a->data().toInt() == item)
            return a;
    return nullptr;
}

void PrintPreview::createContents(QDialog *window)
{
    window->setWindowFlags(window->windowFlags() | Qt::WindowMinMaxButtonsHint);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildMenus(window);
    buildToolBar(window);

    m_area = new PreviewArea(window);
    m_area->setWidgetResizable(true);
    m_area->setAlignment(Qt::AlignCenter);
    m_canvas = new PreviewCanvas(m_cache);
    m_area->setWidget(m_canvas);
    layout->addWidget(m_area, 1);
    connect(m_area, &PreviewArea::resized, this, [this] { relayout(); });
    connect(m_canvas, &PreviewCanvas::clicked, this, &PrintPreview::canvasClicked);

    auto *status = new QStatusBar(window);
    m_zoomLabel = new QLabel(status);
    m_pageLabel = new QLabel(status);
    status->addWidget(m_zoomLabel);
    status->addWidget(m_pageLabel, 1);
    layout->addWidget(status);
}

void PrintPreview::buildMenus(QDialog *window)
{
    auto *bar = new QMenuBar(window);
    window->layout()->setMenuBar(bar);
    auto command = [&](QMenu *menu, Command c, const QString &text, const QKeySequence &keys = {}) {
        QAction *a = menu->addAction(text);
        a->setShortcut(keys);
        window->addAction(a); // the keys work wherever the focus is
        m_actions[std::size_t(c)] = a;
        return a;
    };

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    connect(command(file, Command::Print, QStringLiteral("&Print"), QKeySequence::Print), &QAction::triggered, this,
            &PrintPreview::print);
    connect(command(file, Command::SaveAs, QStringLiteral("Save &As...")), &QAction::triggered, this,
            &PrintPreview::saveAs);
    connect(command(file, Command::PagesToPrint, QStringLiteral("Pages &to Print...")), &QAction::triggered, this,
            [this] { askPagesToPrint(); });
    file->addSeparator();
    connect(command(file, Command::Exit, QStringLiteral("E&xit")), &QAction::triggered, this, &PrintPreview::exit);

    QMenu *page = bar->addMenu(QStringLiteral("&Page"));
    connect(command(page, Command::First, QStringLiteral("&First Page"), QKeySequence(Qt::CTRL | Qt::Key_Home)),
            &QAction::triggered, this, [this] { showPage(1); });
    connect(command(page, Command::Previous, QStringLiteral("&Previous Page"), QKeySequence(Qt::Key_PageUp)),
            &QAction::triggered, this, [this] { showPage(m_current - 1); });
    connect(command(page, Command::Next, QStringLiteral("&Next Page"), QKeySequence(Qt::Key_PageDown)),
            &QAction::triggered, this, [this] { showPage(m_current + 1); });
    connect(command(page, Command::Last, QStringLiteral("&Last Page"), QKeySequence(Qt::CTRL | Qt::Key_End)),
            &QAction::triggered, this, [this] { showPage(pageCount()); });
    page->addSeparator();
    connect(command(page, Command::Jump, QStringLiteral("&Jump to a Report Page..."), QKeySequence(Qt::CTRL | Qt::Key_G)),
            &QAction::triggered, this, &PrintPreview::jumpToPage);

    QStyle *style = window->style();
    action(Command::First)->setIcon(style->standardIcon(QStyle::SP_MediaSkipBackward));
    action(Command::Previous)->setIcon(style->standardIcon(QStyle::SP_MediaSeekBackward));
    action(Command::Next)->setIcon(style->standardIcon(QStyle::SP_MediaSeekForward));
    action(Command::Last)->setIcon(style->standardIcon(QStyle::SP_MediaSkipForward));

    m_zoomMenu = bar->addMenu(QStringLiteral("&Zoom"));
    m_zoomGroup = new QActionGroup(window);
    m_zoomGroup->setExclusive(true);
    const auto &table = zoomTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        QAction *a = m_zoomMenu->addAction(QString::fromLatin1(table[i].menuText));
        a->setCheckable(true);
        a->setData(FirstZoomItem + int(i));
        a->setStatusTip(QString::fromLatin1(table[i].statusText));
        m_zoomGroup->addAction(a);
        const int value = table[i].value;
        connect(a, &QAction::triggered, this, [this, value] { setZoom(value); });
    }
}

void PrintPreview::buildToolBar(QDialog *window)
{
    auto *tools = new QToolBar(window);
    // Print has no icon of its own, so its button shows its text.
    tools->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tools->addAction(action(Command::Print));
    tools->addSeparator();
    for (Command c : {Command::First, Command::Previous, Command::Next, Command::Last})
        tools->addAction(action(c));

    auto spin = [&](const QString &prompt, int digits) {
        auto *label = new QLabel(prompt, tools);
        auto *box = new QSpinBox(tools);
        box->setRange(1, digits == 2 ? TileGrid::MaxSide : 99999);
        box->setKeyboardTracking(false);
        label->setBuddy(box);
        tools->addWidget(label);
        tools->addWidget(box);
        return box;
    };
    tools->addSeparator();
    m_pageBox = spin(QStringLiteral(" Pa&ge: "), 5);
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int page) { showPage(page); });
    tools->addSeparator();
    m_acrossBox = spin(QStringLiteral(" &Across: "), 2);
    m_downBox = spin(QStringLiteral(" &Down: "), 2);
    connect(m_acrossBox, &QSpinBox::valueChanged, this, &PrintPreview::tilesEdited);
    connect(m_downBox, &QSpinBox::valueChanged, this, &PrintPreview::tilesEdited);
    static_cast<QVBoxLayout *>(window->layout())->addWidget(tools);
}

int PrintPreview::setup()
{
    const int count = pageCount();
    m_current = std::clamp(m_current, 1, std::max(count, 1));
    m_tiles = m_tiles.showing(m_current, count);
    if (m_pagesToPrint.isEmpty())
        m_pagesToPrint = PagesToPrintDialog::defaultPages(count);
    m_pageBox->setRange(1, std::max(count, 1));
    m_pageBox->setToolTip(QStringLiteral("Enter a page number from 1 to ") + QString::number(count));

    const auto &table = zoomTable();
    const auto found = std::find_if(table.begin(), table.end(), [this](const Zoom &z) { return z.value == m_initialZoom; });
    if (found != table.end() || m_initialZoom > 0)
        setZoom(m_initialZoom);
    else
        setZoom(100);
    restorePosition();
    return ResultOk;
}

void PrintPreview::teardown()
{
    savePosition();
    m_canvas->setItems({}, QSize(0, 0));
    m_cache.clear();
}

void PrintPreview::restorePosition()
{
    if (m_maximize) {
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
        return;
    }
    m_window->resize(kDefaultWindow);
    if (!m_settings)
        return;
    const QString section = QString::fromLatin1(WindowSection);
    auto number = [&](const char *key) { return m_settings->read(section, QString::fromLatin1(key)).toInt(); };
    const int width = number("Width"), height = number("Height");
    if (width <= 0 || height <= 0)
        return;
    m_window->resize(width, height);
    m_window->move(number("XPos"), number("YPos"));
}

void PrintPreview::savePosition()
{
    if (!m_settings || !m_window || m_window->isMaximized())
        return;
    const QString section = QString::fromLatin1(WindowSection);
    m_settings->write(section, QStringLiteral("XPos"), QString::number(m_window->x()));
    m_settings->write(section, QStringLiteral("YPos"), QString::number(m_window->y()));
    m_settings->write(section, QStringLiteral("Width"), QString::number(m_window->width()));
    m_settings->write(section, QStringLiteral("Height"), QString::number(m_window->height()));
}

void PrintPreview::showPage(int page)
{
    const int count = pageCount();
    if (count < 1)
        return;
    page = std::clamp(page, 1, count);
    const bool moved = page != m_current;
    m_current = page;
    if (zoom() == TileZoom)
        m_tiles = m_tiles.showing(m_current, count);
    relayout();
    if (moved && zoom() != TileZoom)
        m_area->verticalScrollBar()->setValue(0);
    updateControls();
}

void PrintPreview::setZoom(int value)
{
    const auto &table = zoomTable();
    const auto found = std::find_if(table.begin(), table.end(), [value](const Zoom &z) { return z.value == value; });
    if (found != table.end()) {
        m_zoomIndex = int(found - table.begin());
    } else if (value > 0) {
        m_zoomIndex = -1;
        m_userPercent = value;
    } else {
        return;
    }
    if (value == TileZoom)
        m_tiles = m_tiles.showing(m_current, pageCount());
    relayout();
    updateControls();
}

void PrintPreview::tilesEdited()
{
    m_tiles.across = m_acrossBox->value();
    m_tiles.down = m_downBox->value();
    m_tiles = m_tiles.showing(m_current, pageCount());
    relayout();
    updateControls();
}

void PrintPreview::relayout()
{
    if (!m_canvas || !m_area)
        return;
    const int count = pageCount();
    const int margin = PreviewCanvas::Margin;
    std::vector<PreviewCanvas::Item> items;
    QSize content;
    const int value = zoom();
    if (value == TileZoom) {
        m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const QSize room = m_area->room();
        content = room;
        const int cellW = std::max(1, (room.width() - margin) / m_tiles.across - margin);
        const int cellH = std::max(1, (room.height() - margin) / m_tiles.down - margin);
        for (int k = 0; k < m_tiles.cells(); ++k) {
            const int index = m_tiles.first - 1 + k;
            if (index >= count)
                break;
            const QSize page = sizeOrLetter(m_source.pageSize(index));
            const double scale = std::min(double(cellW) / page.width(), double(cellH) / page.height());
            const QSize shown(std::max(1, int(page.width() * scale)), std::max(1, int(page.height() * scale)));
            const QPoint cell(margin + (k % m_tiles.across) * (cellW + margin), margin + (k / m_tiles.across) * (cellH + margin));
            const QPoint at = cell + QPoint((cellW - shown.width()) / 2, (cellH - shown.height()) / 2);
            items.push_back({index, QRect(at, shown), index + 1 == m_current});
        }
    } else if (count > 0) {
        m_area->setHorizontalScrollBarPolicy(value == PageWidthZoom ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
        m_area->setVerticalScrollBarPolicy(value == PageWidthZoom ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
        const QSize page = sizeOrLetter(m_source.pageSize(m_current - 1));
        QSize shown;
        if (value == PageWidthZoom) {
            const int width = std::max(1, m_area->room().width() - 2 * margin);
            shown = QSize(width, std::max(1, int(std::lround(double(width) * page.height() / page.width()))));
        } else {
            const double dpiX = m_canvas->logicalDpiX(), dpiY = m_canvas->logicalDpiY();
            shown = QSize(std::max(1, int(std::lround(page.width() / 1000.0 * dpiX * value / 100))),
                          std::max(1, int(std::lround(page.height() / 1000.0 * dpiY * value / 100))));
        }
        items.push_back({m_current - 1, QRect(QPoint(margin, margin), shown), false});
        content = shown + QSize(2 * margin, 2 * margin);
    }
    m_canvas->setItems(std::move(items), content);
    // The scroll bars take the new size now, not at the next event.
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(m_canvas, &request);
}

void PrintPreview::updateControls()
{
    if (!m_canvas)
        return;
    const int count = pageCount();
    const bool several = count > 1;
    action(Command::First)->setEnabled(several && m_current > 1);
    action(Command::Previous)->setEnabled(several && m_current > 1);
    action(Command::Next)->setEnabled(several && m_current < count);
    action(Command::Last)->setEnabled(several && m_current < count);
    action(Command::Jump)->setEnabled(several);
    {
        const QSignalBlocker block(m_pageBox);
        m_pageBox->setValue(m_current);
        m_pageBox->setEnabled(several);
    }
    const bool tiled = zoom() == TileZoom;
    for (auto [box, value] : {std::pair{m_acrossBox, m_tiles.across}, std::pair{m_downBox, m_tiles.down}}) {
        const QSignalBlocker block(box);
        box->setValue(value);
        box->setEnabled(tiled);
    }
    if (m_zoomIndex >= 0) {
        zoomAction(FirstZoomItem + m_zoomIndex)->setChecked(true);
    } else if (QAction *checked = m_zoomGroup->checkedAction()) {
        checked->setChecked(false);
    }
    m_zoomLabel->setText(zoomStatus());
    m_pageLabel->setText(pageStatus());
}

void PrintPreview::canvasClicked(QPoint at)
{
    if (zoom() != TileZoom) {
        setZoom(TileZoom);
        return;
    }
    double down = 0;
    const int index = m_canvas->pageAt(at, &down);
    if (index < 0)
        return;
    m_current = index + 1;
    setZoom(PageWidthZoom);
    // The clicked height of the page comes into the middle of the view.
    const QRect page = m_canvas->placed(m_canvas->items().front());
    QScrollBar *bar = m_area->verticalScrollBar();
    bar->setValue(int(page.top() + down * page.height() - m_area->viewport()->height() / 2));
}

int PrintPreview::runDialog(QDialog &dialog)
{
    if (m_runDialog)
        return m_runDialog(dialog);
    fitToScreen(&dialog);
    return dialog.exec();
}

void PrintPreview::jumpToPage()
{
    if (pageCount() < 2)
        return;
    JumpPageDialog dialog(m_current, pageCount(), m_window);
    if (runDialog(dialog) == QDialog::Accepted)
        showPage(dialog.page());
}

bool PrintPreview::askPagesToPrint()
{
    PagesToPrintDialog dialog(m_pagesToPrint, pageCount(), m_window);
    if (runDialog(dialog) != QDialog::Accepted)
        return false;
    setPagesToPrint(dialog.pages());
    return true;
}

void PrintPreview::saveAs()
{
    if (!m_saveAsHook || m_saveAsHook(selectedPages()) == NoGenerator) {
        if (!errors().entry(NoGeneratorMessage))
            errors().appendCatalogue({{NoGeneratorMessage, ResultNotify, QStringLiteral("Save As"),
                                       QStringLiteral("There is no output to save the report to: no generator is "
                                                      "installed. The report can only be printed."),
                                       {}}});
        errors().raise(m_context, NoGeneratorMessage);
    }
}

void PrintPreview::print()
{
    if (!isRunning())
        return;
    if (m_confirmPages && !askPagesToPrint())
        return;
    const std::vector<int> pages = selectedPages();
    m_printRequested = true;
    endWith(Response::Completed);
    if (m_printHook)
        m_printHook(pages);
}

void PrintPreview::exit()
{
    m_printRequested = false;
    endWith(Response::Cancelled);
}

} // namespace tavimo
