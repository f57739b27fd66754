#pragma once

#include "declaredform.h"

namespace tavimo {

// The entry forms of the reference lists (doctors, pharmacies, drug names,
// drug forms, manufacturers, laboratory test names): one record each,
// plain text fields of the field's width, in tab order.
class ReferenceForm : public DeclaredForm
{
    Q_OBJECT
public:
    ReferenceForm(ThreadContext &context, const FormSpec &spec, QWidget *owner = nullptr);

    static const FormSpec &doctors();      // UpdateDoctors
    static const FormSpec &pharmacy();     // UpdatePharmacy
    static const FormSpec &drugNames();    // UpdateDrugNames
    static const FormSpec &drugForm();     // UpdateForm
    static const FormSpec &manufacturer(); // UpdateManufacturer
    static const FormSpec &labTestName();  // UpdateLabTestName
    static const std::vector<const FormSpec *> &all();
};

} // namespace tavimo
