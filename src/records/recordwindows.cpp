#include "recordwindows.h"

#include "browsedoctors.h"
#include "browseperson.h"
#include "prebpaverages.h"
#include "procedures.h"
#include "referenceforms.h"
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
    return ReferenceForm::all();
}

const std::vector<const ListSpec *> &declaredLists()
{
    static const std::vector<const ListSpec *> lists{&BrowseDoctors::declaration(), &BrowsePerson::declaration()};
    return lists;
}

void registerRecordWindows(Procedures &p)
{
    for (const FormSpec *spec : ReferenceForm::all())
        addForm<ReferenceForm>(p, *spec);
    addList<BrowseDoctors>(p, BrowseDoctors::declaration());
    addList<BrowsePerson>(p, BrowsePerson::declaration());
    p.addForm(QStringLiteral("UpdatePersonsName"), [](ThreadContext &context, QWidget *owner) {
        return std::unique_ptr<FormWindow>(std::make_unique<UpdatePersonsName>(context, owner));
    });
    p.addModal(QStringLiteral("prebpaverages"), [](ThreadContext &context, QWidget *owner) {
        SelectRecordsForReport window(context, owner);
        return window.execute();
    });
}

} // namespace tavimo
