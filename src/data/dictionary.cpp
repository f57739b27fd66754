#include "dictionary.h"

#include "relationmanager.h"
#include "starterlists.h"
#include "tablemanagers.h"
#include "tables.h"
#include "threadcontext.h"

#include <memory>

namespace tavimo {

namespace {

std::unique_ptr<FileManager> fileManagerFor(ThreadContext &context, const TableLayout &layout)
{
    StoredTable &table = context.table(layout);
    ErrorManager &errors = context.errors();
    if (&layout == &tables::prescripts())
        return std::make_unique<PrescriptsFile>(context, table, errors);
    if (&layout == &tables::medicineManager())
        return std::make_unique<MedicineManagerFile>(context, table, errors);
    if (&layout == &tables::painEvents())
        return std::make_unique<PainEventsFile>(context, table, errors);
    if (!starterlists::of(layout).isEmpty())
        return std::make_unique<StarterListFile>(context, table, errors);
    return std::make_unique<FileManager>(context, table, errors);
}

int field(const TableLayout &layout, const char *name)
{
    return layout.fieldIndex(QString::fromLatin1(name));
}

// Parent to child with the child's key, and the plain way back.
void relate(ThreadContext &context, const TableLayout &parent, const TableLayout &child, const char *childKey,
            int updateMode, int deleteMode, std::initializer_list<std::pair<const char *, const char *>> links)
{
    RelationManager *p = context.relationManager(parent);
    RelationManager *c = context.relationManager(child);
    const int key = child.keyIndex(QString::fromLatin1(childKey));
    std::vector<std::pair<int, int>> pairs;
    for (const auto &[pf, cf] : links)
        pairs.emplace_back(field(parent, pf), field(child, cf));
    p->setRelationSetup([c, updateMode, deleteMode, key, pairs](RelationManager &self) {
        self.linkTable(*c, updateMode, deleteMode, key);
        for (const auto &[pf, cf] : pairs)
            self.linkField(pf, cf);
    });
    c->setRelationSetup([p, pairs](RelationManager &self) {
        self.linkTable(*p, RelationManager::None, RelationManager::None);
        for (const auto &[pf, cf] : pairs)
            self.linkField(cf, pf);
    });
}

} // namespace

void dictionary::initialise(ThreadContext &context)
{
    initialise(context, {});
}

void dictionary::initialise(ThreadContext &context, const FileManagerFactory &factory)
{
    std::vector<std::unique_ptr<FileManager>> files;
    for (const TableLayout *layout : tables::all()) {
        std::unique_ptr<FileManager> made = factory ? factory(context, *layout) : nullptr;
        files.push_back(made ? std::move(made) : fileManagerFor(context, *layout));
    }
    std::size_t i = 0;
    for (const TableLayout *layout : tables::all()) {
        auto relation = std::make_unique<RelationManager>(*files[i]);
        context.addManagers(*layout, std::move(files[i]), std::move(relation));
        ++i;
    }
    relate(context, tables::prescripts(), tables::medicineManager(), "MDM:byName", RelationManager::Cascade,
           RelationManager::Cascade,
           {{"PRE:PERSONSNAME", "MDM:PERSONSNAME"},
            {"PRE:DRUGNAMEASPRESCRIBED", "MDM:DRUGNAME"},
            {"PRE:ACTIVE", "MDM:ACTIVE"}});
    relate(context, tables::bodySection(), tables::bodyParts(), "BOD:bygender", RelationManager::Restrict,
           RelationManager::Restrict, {{"BOD1:BODYSECTION", "BOD:BODYSECTION"}});
}

} // namespace tavimo
