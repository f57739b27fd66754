#pragma once

#include "formspec.h"
#include "listspec.h"

#include <vector>

namespace tavimo {

class Procedures;

// Every declared entry form and list window of the records, registered in
// the procedure table from here and nowhere else.
const std::vector<const FormSpec *> &declaredForms();
const std::vector<const ListSpec *> &declaredLists();
void registerRecordWindows(Procedures &procedures);

} // namespace tavimo
