#include "browsewindow.h"

#include "browselist.h"
#include "helpviewer.h"
#include "softcheck.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tavimo {

namespace {

QString captionOf(int control)
{
    switch (control) {
    case BrowseManager::InsertControl:
        return QObject::tr("&Insert");
    case BrowseManager::ChangeControl:
        return QObject::tr("&Change");
    case BrowseManager::DeleteControl:
        return QObject::tr("&Delete");
    case BrowseManager::ViewControl:
        return QObject::tr("&View");
    case BrowseManager::SelectControl:
        return QObject::tr("&Select");
    case BrowseManager::PrintControl:
        return QObject::tr("&Print");
    case BrowseManager::QueryControl:
        return QObject::tr("&Query");
    case BrowseManager::ToolControl:
        return QObject::tr("&Toolbox");
    default:
        return QString();
    }
}

} // namespace

BrowseWindow::BrowseWindow(ThreadContext &context, const QString &procedureName, QWidget *owner)
    : ProcedureWindow(context, procedureName, owner)
{
}

BrowseWindow::~BrowseWindow()
{
    // The browses go before the window's widgets they point at, and the
    // procedure ends while its components are still there.
    if (isRunning())
        endWith(Response::Cancelled);
    for (auto &s : m_sheets)
        if (s->browse)
            s->browse->kill();
    m_components.clear();
    m_sheets.clear();
}

BrowseWindow::Sheet *BrowseWindow::sheetOf(const BrowseManager &browse) const
{
    for (const auto &s : m_sheets)
        if (s->browse.get() == &browse)
            return s.get();
    return nullptr;
}

QTabWidget *BrowseWindow::tabs(const BrowseManager &browse) const
{
    const Sheet *s = sheetOf(browse);
    return s ? s->tabs : nullptr;
}

QPushButton *BrowseWindow::button(const BrowseManager &browse, int control) const
{
    if (const Sheet *s = sheetOf(browse))
        for (const auto &[c, b] : s->buttons)
            if (c == control)
                return b;
    return nullptr;
}

BrowseManager &BrowseWindow::addBrowse(std::unique_ptr<BrowseManager> browse, RelationManager &primary, QWidget *area)
{
    auto sheet = std::make_unique<Sheet>();
    sheet->holder = new QWidget(area);
    sheet->layout = new QVBoxLayout(sheet->holder);
    sheet->layout->setContentsMargins(0, 0, 0, 0);
    sheet->list = new BrowseList(sheet->holder);
    sheet->layout->addWidget(sheet->list, 1);
    sheet->buttonRow = new QHBoxLayout;
    sheet->buttonRow->addStretch(1);
    sheet->layout->addLayout(sheet->buttonRow);
    if (!area->layout()) {
        auto *l = new QVBoxLayout(area);
        l->setContentsMargins(0, 0, 0, 0);
    }
    area->layout()->addWidget(sheet->holder);

    sheet->browse = std::move(browse);
    sheet->browse->setup(*sheet->list, primary, *this);
    BrowseManager &made = *sheet->browse;
    m_browseList.push_back(&made);
    m_sheets.push_back(std::move(sheet));
    return made;
}

int BrowseWindow::addOrderTab(BrowseManager &browse, const QString &caption, int key)
{
    Sheet *s = sheetOf(browse);
    if (!softCheck(s != nullptr, "BrowseWindow::addOrderTab", caption))
        return 0;
    if (!s->tabs) {
        // One list serves every tab: it moves to the page shown.
        s->tabs = new QTabWidget(s->holder);
        s->layout->insertWidget(0, s->tabs, 1);
        connect(s->tabs, &QTabWidget::currentChanged, this, [this, s](int index) { tabChanged(*s, index); });
    }
    const int number = browse.addOrder(key);
    auto *page = new QWidget(s->tabs);
    auto *pageLayout = new QVBoxLayout(page);
    s->tabOrders.push_back(number);
    if (s->tabOrders.size() == 1) {
        s->layout->removeWidget(s->list);
        pageLayout->addWidget(s->list);
    }
    const QSignalBlocker block(s->tabs);
    s->tabs->addTab(page, caption);
    return number;
}

void BrowseWindow::tabChanged(Sheet &sheet, int index)
{
    if (index < 0 || index >= int(sheet.tabOrders.size()))
        return;
    QWidget *page = sheet.tabs->widget(index);
    if (sheet.list->parentWidget() != page) {
        const bool focused = sheet.list->hasFocus();
        page->layout()->addWidget(sheet.list);
        sheet.list->show();
        if (focused)
            sheet.list->setFocus();
    }
    sheet.browse->changeOrder(sheet.tabOrders[std::size_t(index)]);
}

void BrowseWindow::addActionButtons(BrowseManager &browse, std::initializer_list<int> controls)
{
    Sheet *s = sheetOf(browse);
    if (!softCheck(s != nullptr, "BrowseWindow::addActionButtons", procedureName()))
        return;
    for (int c : controls) {
        auto *b = new QPushButton(captionOf(c), s->holder);
        b->setAutoDefault(false);
        s->buttonRow->addWidget(b);
        s->buttons.emplace_back(c, b);
        browse.setControl(c, b);
    }
}

QPushButton *BrowseWindow::addButtonTo(BrowseManager &browse, const QString &caption)
{
    Sheet *s = sheetOf(browse);
    if (!softCheck(s != nullptr, "BrowseWindow::addButtonTo", caption))
        return new QPushButton(caption, window()); // not placed, but safe to use
    auto *b = new QPushButton(caption, s->holder);
    b->setAutoDefault(false);
    s->buttonRow->addWidget(b);
    return b;
}

void BrowseWindow::createContents(QDialog *window)
{
    auto *layout = new QVBoxLayout(window);
    auto *area = new QWidget(window);
    layout->addWidget(area, 1);
    createBrowses(area);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    m_close = new QPushButton(tr("&Close"), window);
    m_help = new QPushButton(tr("&Help"), window);
    m_close->setAutoDefault(false);
    m_help->setAutoDefault(false);
    bottom->addWidget(m_close);
    bottom->addWidget(m_help);
    layout->addLayout(bottom);
    m_help->setVisible(!helpTopic().isEmpty());
    addButton(m_close, Response::Cancelled);
    if (!helpTopic().isEmpty()) {
        // F1 anywhere in the window and the Help button show the window's topic.
        auto *help = new WindowHelp(window, helpTopic());
        connect(m_help, &QPushButton::clicked, help, &WindowHelp::show);
    }
    connect(m_help, &QPushButton::clicked, this, [this] { emit helpRequested(helpTopic()); });
}

int BrowseWindow::setup()
{
    originalRequest = request;
    for (BrowseManager *b : m_browseList)
        if (b->openList() != ResultOk)
            return ResultFatal;
    // The list, not a button, has the keyboard first.
    if (!m_sheets.empty())
        m_sheets.front()->list->setFocus();
    return ResultOk;
}

void BrowseWindow::teardown()
{
}

} // namespace tavimo
