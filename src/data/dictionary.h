#pragma once

#include <functional>
#include <memory>

namespace tavimo {

class FileManager;
class TableLayout;
class ThreadContext;

// The data dictionary: for a context, the file manager of every table,
// then the relation manager of every table, then the two relations
// (prescriptions to the medicine schedule, body sections to body parts),
// which the relation managers take on first use.
namespace dictionary {
void initialise(ThreadContext &context);

// The same with some tables' file managers made by the caller (a null
// result takes the table's usual one); tests use it to make a table fail.
using FileManagerFactory = std::function<std::unique_ptr<FileManager>(ThreadContext &, const TableLayout &)>;
void initialise(ThreadContext &context, const FileManagerFactory &factory);
} // namespace dictionary

} // namespace tavimo
