#include "recordwindows.h"

#include "browsedoctors.h"
#include "browseperson.h"
#include "idealbmi.h"
#include "personlogforms.h"
#include "prebpaverages.h"
#include "procedures.h"
#include "referenceforms.h"
#include "referencelists.h"
#include "startedwindow.h"
#include "updatepersonsname.h"

namespace tavimo {

namespace {

template <typename List>
void addList(Procedures &p, const ListSpec &spec)
{
    p.add(QString::fromLatin1(spec.procedure),
          [](std::shared_ptr<ThreadContext> context, QWidget *) { startWindowIn<List>(std::move(context)); });
}

// A list without behaviour of its own is its declaration alone.
void addPlainList(Procedures &p, const ListSpec &spec)
{
    p.add(QString::fromLatin1(spec.procedure), [&spec](std::shared_ptr<ThreadContext> context, QWidget *) {
        startWindowIn<DeclaredList>(std::move(context),
                                    [&spec](ThreadContext &c) { return std::make_unique<DeclaredList>(c, spec); });
    });
}

template <typename Form>
void addForm(Procedures &p, const FormSpec &spec)
{
    p.addForm(QString::fromLatin1(spec.procedure), [&spec](ThreadContext &context, QWidget *owner) {
        std::unique_ptr<FormWindow> form;
        if (DeclaredForm::primaryOf(context, spec))
            form = std::make_unique<Form>(context, spec, owner);
        return form;
    });
}

} // namespace

const std::vector<const FormSpec *> &declaredForms()
{
    static const std::vector<const FormSpec *> forms = [] {
        std::vector<const FormSpec *> all = ReferenceForm::all();
        all.insert(all.end(), PersonLogForm::all().begin(), PersonLogForm::all().end());
        return all;
    }();
    return forms;
}

const std::vector<const ListSpec *> &declaredLists()
{
    static const std::vector<const ListSpec *> lists = [] {
        std::vector<const ListSpec *> all{&BrowseDoctors::declaration(), &BrowsePerson::declaration()};
        all.insert(all.end(), referencelists::all().begin(), referencelists::all().end());
        return all;
    }();
    return lists;
}

void registerRecordWindows(Procedures &p)
{
    for (const FormSpec *spec : ReferenceForm::all())
        addForm<ReferenceForm>(p, *spec);
    for (const FormSpec *spec : PersonLogForm::all())
        addForm<PersonLogForm>(p, *spec);
    addList<BrowseDoctors>(p, BrowseDoctors::declaration());
    for (const ListSpec *spec : referencelists::all())
        addPlainList(p, *spec);
    addList<BrowsePerson>(p, BrowsePerson::declaration());
    p.addForm(QStringLiteral("UpdatePersonsName"), [](ThreadContext &context, QWidget *owner) {
        return std::unique_ptr<FormWindow>(std::make_unique<UpdatePersonsName>(context, owner));
    });
    p.addModal(QStringLiteral("idealbmi"), [](ThreadContext &context, QWidget *owner) {
        IdealBmi window(context, owner);
        return window.execute();
    });
    p.addModal(QStringLiteral("prebpaverages"), [](ThreadContext &context, QWidget *owner) {
        SelectRecordsForReport window(context, owner);
        return window.execute();
    });
}

} // namespace tavimo
