#include "referencelists.h"

#include "browsemanager.h"
#include "browsestep.h"

namespace tavimo::referencelists {

namespace {
constexpr int steps = BrowseStep::Letters | BrowseStep::Digits;
const std::vector<int> pick{BrowseManager::SelectControl, BrowseManager::ViewControl, BrowseManager::InsertControl,
                            BrowseManager::ChangeControl, BrowseManager::DeleteControl};
const std::vector<int> keep{BrowseManager::ViewControl, BrowseManager::InsertControl, BrowseManager::ChangeControl,
                            BrowseManager::DeleteControl};
} // namespace

const ListSpec &pharmacies()
{
    // In name order, but without typing to find: the list is short.
    static const ListSpec spec{"BrowsePharmacy", "List Pharmacies", "Pharmacy",
                               {{"By Name", "PHA:ByName"}}, false, 0,
                               {{"Pharmacy Name", "PHA:PHARMACYNAME", "", 40},
                                {"Street Address", "PHA:STREETADDRESS", "", 60},
                                {"Phone Number", "PHA:PHONENUMBER", "", 14},
                                {"Hours", "PHA:HOURS", "", 20},
                                {"Pharmacists Name", "PHA:PHARMACISTSNAME", "", 50},
                                {"Web Address", "PHA:WEBADDRESS", "", 50}},
                               pick, "UpdatePharmacy", "PharmacyList.htm"};
    return spec;
}

const ListSpec &drugNames()
{
    static const ListSpec spec{"brwsdrugs", "List Drug Names", "DrugNames",
                               {{"&1) By Name", "DRU:ByName"}}, true, steps,
                               {{"Drug Name As Prescribed", "DRU:DRUGNAMEASPRESCRIBED", "", 40},
                                {"Generic Name", "DRU:GENERICNAME", "", 40},
                                {"Purpose", "DRU:PURPOSE", "", 35}},
                               pick, "UpdateDrugNames", "drugnamelist.htm"};
    return spec;
}

const ListSpec &drugForms()
{
    static const ListSpec spec{"BrowseForms", "List Drug Forms", "Form",
                               {{"&1) By Type", "FOR:ByType"}}, true, steps,
                               {{"Drug Form", "FOR:DRUGFORM", "", 60}},
                               keep, "UpdateForm", "DrugFormList.htm"};
    return spec;
}

const ListSpec &manufacturers()
{
    static const ListSpec spec{"BrowseMfg", "List the Manufacturers", "Manufacturer",
                               {{"&1) By Name", "MAN:ByName"}}, true, steps,
                               {{"Company Name", "MAN:COMPANYNAME", "", 50}},
                               keep, "UpdateManufacturer", "ManufacturersList.htm"};
    return spec;
}

const ListSpec &labTestNames()
{
    static const ListSpec spec{"LabTestsName", "Browse the LabTestName File", "LabTestName",
                               {{"Lab Test Names", "LTN:LabTestNames"}}, true, steps,
                               {{"Test Name", "LTN:TESTNAME", "", 30}},
                               keep, "UpdateLabTestName", ""};
    return spec;
}

const std::vector<const ListSpec *> &all()
{
    static const std::vector<const ListSpec *> specs{&pharmacies(), &drugNames(), &drugForms(), &manufacturers(),
                                                     &labTestNames()};
    return specs;
}

} // namespace tavimo::referencelists
