#pragma once

#include "formwindow.h"

#include <QString>

#include <vector>

namespace tavimo {

// The entry forms of the reference lists (doctors, pharmacies, drug names,
// drug forms, manufacturers, laboratory test names): one record each,
// plain text fields of the field's width, in tab order.
struct ReferenceFormSpec
{
    struct Field
    {
        const char *prompt;
        const char *name;
    };
    const char *procedure;
    const char *title;      // empty: none
    const char *tabCaption; // empty: no tab
    const char *helpTopic;
    const char *table;      // the table's label
    std::vector<Field> fields;
};

class ReferenceForm : public FormWindow
{
    Q_OBJECT
public:
    ReferenceForm(ThreadContext &context, const ReferenceFormSpec &spec, QWidget *owner = nullptr);

    static const ReferenceFormSpec &doctors();     // UpdateDoctors
    static const ReferenceFormSpec &pharmacy();    // UpdatePharmacy
    static const ReferenceFormSpec &drugNames();   // UpdateDrugNames
    static const ReferenceFormSpec &drugForm();    // UpdateForm
    static const ReferenceFormSpec &manufacturer(); // UpdateManufacturer
    static const ReferenceFormSpec &labTestName(); // UpdateLabTestName

protected:
    void createFields(QWidget *area) override;
    QString helpTopic() const override { return QString::fromLatin1(m_spec.helpTopic); }
    QString caption() const override;

private:
    const ReferenceFormSpec &m_spec;
};

} // namespace tavimo
