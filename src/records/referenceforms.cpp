#include "referenceforms.h"

namespace tavimo {

ReferenceForm::ReferenceForm(ThreadContext &context, const FormSpec &spec, QWidget *owner)
    : DeclaredForm(context, spec, owner)
{
}

const FormSpec &ReferenceForm::doctors()
{
    static const FormSpec spec{"UpdateDoctors", "Doctors", "Doctors", "updatedoctors.htm",
                               {{"Doctor",
                                 {{"&Doctors Name:", "DOC:DOCTORSNAME"},
                                  {"&Phone Number:", "DOC:PHONENUMBER"},
                                  {"&Fax Number:", "DOC:FAXNUMBER"},
                                  {"Ho&urs:", "DOC:HOURS"},
                                  {"&Specialty:", "DOC:SPECIALTY"},
                                  {"P&ractice Name:", "DOC:PRACTICENAME"},
                                  {"Address &1:", "DOC:ADDRESS1"},
                                  {"Address &2:", "DOC:ADDRESS2"},
                                  {"C&ity:", "DOC:CITY"},
                                  {"S&tate:", "DOC:STATE"},
                                  {"&Zip Code:", "DOC:ZIPCODE"},
                                  {"&Email Address:", "DOC:EMAILADDRESS"}}}}};
    return spec;
}

const FormSpec &ReferenceForm::pharmacy()
{
    static const FormSpec spec{"UpdatePharmacy", "Pharmacy", "Pharmacy", "UpdatePharmacyData.htm",
                               {{"Pharmacy Record",
                                 {{"&Pharmacy Name:", "PHA:PHARMACYNAME"},
                                  {"&Street Address:", "PHA:STREETADDRESS"},
                                  {"C&ity:", "PHA:CITY"},
                                  {"S&tate:", "PHA:STATE"},
                                  {"&Zip Code:", "PHA:ZIPCODE"},
                                  {"Phone &Number:", "PHA:PHONENUMBER"},
                                  {"Ho&urs:", "PHA:HOURS"},
                                  {"Ph&armacists Name:", "PHA:PHARMACISTSNAME"},
                                  {.prompt = "&Web Address:", .field = "PHA:WEBADDRESS", .help = "web address.htm"}}}}};
    return spec;
}

const FormSpec &ReferenceForm::drugNames()
{
    static const FormSpec spec{"UpdateDrugNames", "Drug Name", "DrugNames", "UpdateDrugNames.htm",
                               {{"",
                                 {{"&Drug Name As Prescribed:", "DRU:DRUGNAMEASPRESCRIBED"},
                                  {"&Generic Name:", "DRU:GENERICNAME"},
                                  {"&Purpose:", "DRU:PURPOSE"}}}}};
    return spec;
}

const FormSpec &ReferenceForm::drugForm()
{
    static const FormSpec spec{"UpdateForm", "Form Form", "Form", "AddorUpdateaDrugForm.htm",
                               {{"&1) General", {{"&Drug Form:", "FOR:DRUGFORM"}}}}};
    return spec;
}

const FormSpec &ReferenceForm::manufacturer()
{
    static const FormSpec spec{"UpdateManufacturer", "Form Manufacturer", "Manufacturer",
                               "AddorUpdateaManufacturer.htm",
                               {{"&1) General",
                                 {{.prompt = "Co&mpany Name:", .field = "MAN:COMPANYNAME",
                                   .help = "Update Manufacturer.htm"}}}}};
    return spec;
}

const FormSpec &ReferenceForm::labTestName()
{
    static const FormSpec spec{"UpdateLabTestName", "", "LabTestName", "LabTestName.htm",
                               {{"", {{"&Test Name:", "LTN:TESTNAME"}}}}};
    return spec;
}

const std::vector<const FormSpec *> &ReferenceForm::all()
{
    static const std::vector<const FormSpec *> specs{&doctors(),  &pharmacy(),     &drugNames(),
                                                     &drugForm(), &manufacturer(), &labTestName()};
    return specs;
}

} // namespace tavimo
