#include "tabkeys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

namespace tavimo {

namespace {

void turn(QTabWidget *tabs, int by)
{
    const int count = tabs->count();
    if (count < 2)
        return;
    int at = tabs->currentIndex();
    // Pages that cannot be used are passed over.
    for (int i = 0; i < count; ++i) {
        at = (at + by + count) % count;
        if (tabs->isTabEnabled(at))
            break;
    }
    tabs->setCurrentIndex(at);
    if (QWidget *page = tabs->currentWidget()) {
        QWidget *first = page->nextInFocusChain();
        while (first && first != page && (!page->isAncestorOf(first) || !(first->focusPolicy() & Qt::TabFocus)
                                          || !first->isEnabled() || !first->isVisibleTo(page)))
            first = first->nextInFocusChain();
        if (first && first != page)
            first->setFocus(Qt::TabFocusReason);
        else
            tabs->tabBar()->setFocus(Qt::TabFocusReason);
    }
}

void add(QTabWidget *tabs, const QKeySequence &keys, int by)
{
    auto *shortcut = new QShortcut(keys, tabs->window());
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, tabs, [tabs, by] { turn(tabs, by); });
}

} // namespace

void addTabKeys(QTabWidget *tabs)
{
    add(tabs, QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    add(tabs, QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);
    add(tabs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    add(tabs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
    add(tabs, QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
}

} // namespace tavimo
