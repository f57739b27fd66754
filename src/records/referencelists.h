#pragma once

#include "listspec.h"

#include <vector>

namespace tavimo {

// The lists of the reference tables beside the doctors' (pharmacies, drug
// names, drug forms, manufacturers, laboratory test names): each is its
// declaration alone, run with the table's entry form.
namespace referencelists {

const ListSpec &pharmacies();   // BrowsePharmacy
const ListSpec &drugNames();    // brwsdrugs
const ListSpec &drugForms();    // BrowseForms
const ListSpec &manufacturers(); // BrowseMfg
const ListSpec &labTestNames(); // LabTestsName
const std::vector<const ListSpec *> &all();

} // namespace referencelists

} // namespace tavimo
