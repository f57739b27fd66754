#include "declaredlist.h"

#include "browselist.h"
#include "formwindow.h"
#include "procedures.h"
#include "relationmanager.h"
#include "softcheck.h"
#include "storedtable.h"
#include "threadcontext.h"

#include <QDialog>
#include <QHeaderView>
#include <QScrollBar>

namespace tavimo {

namespace {
QString latin(const char *text)
{
    return QString::fromLatin1(text);
}
} // namespace

DeclaredList::DeclaredList(ThreadContext &context, const ListSpec &spec, QWidget *owner)
    : BrowseWindow(context, latin(spec.procedure), owner), m_spec(spec)
{
}

void DeclaredList::createBrowses(QWidget *area)
{
    StoredTable *table = context().table(latin(m_spec.table));
    if (!softCheck(table != nullptr, m_spec.procedure, latin(m_spec.table)))
        return;
    const TableLayout &layout = table->layout();
    BrowseManager &b = addBrowse(std::make_unique<BrowseManager>(), *context().relationManager(layout), area);
    int first = 0;
    for (const ListOrder &o : m_spec.orders) {
        const int key = *o.key ? layout.keyIndex(latin(o.key)) : -1;
        if (*o.key && !softCheck(key >= 0, m_spec.procedure, latin(o.key)))
            continue;
        const int number = addOrderTab(b, latin(o.tabCaption), key);
        if (!first)
            first = number;
        if (*o.extra)
            b.extendOrder(latin(o.extra));
        if (*o.filter)
            b.putFilter(latin(o.filter));
        if (*o.range) {
            const int field = layout.fieldIndex(latin(o.range));
            if (softCheck(field >= 0, m_spec.procedure, latin(o.range)))
                b.limitToCurrent(field);
        }
        if (m_spec.locator)
            b.attachLocator();
        if (m_spec.stepFlags)
            b.attachStep(m_spec.stepFlags);
    }
    if (first)
        b.selectOrder(first);
    for (const ListColumn &c : m_spec.columns)
        if (softCheck(layout.fieldIndex(latin(c.field)) >= 0, m_spec.procedure, latin(c.field)))
            b.addColumn(latin(c.heading), latin(c.field), latin(c.picture), c.width);
    for (int control : m_spec.buttons)
        addActionButtons(b, {control});
    b.setUpdateProcedure([this] { return runForm(); });
    listBuilt(b);

    // Room for the columns and a comfortable page of rows; the screen's
    // room is the window framework's to keep.
    BrowseList *list = b.list();
    const int wide = list->horizontalHeader()->length() + list->verticalScrollBar()->sizeHint().width() + 48;
    window()->resize(std::clamp(wide, 520, 1060), list->heightForRows(m_spec.rows) + 110);
}

std::unique_ptr<FormWindow> DeclaredList::makeForm()
{
    return Procedures::instance().makeForm(latin(m_spec.form), context(), window());
}

int DeclaredList::runForm()
{
    std::unique_ptr<FormWindow> made = makeForm();
    if (!made) // run as registered, or "not defined"
        return Procedures::instance().run(latin(m_spec.form), context(), window());
    return m_runner ? m_runner(*made) : made->execute();
}

} // namespace tavimo
