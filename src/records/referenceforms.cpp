#include "referenceforms.h"

#include "relationmanager.h"
#include "threadcontext.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tavimo {

namespace {

RelationManager &primaryOf(ThreadContext &context, const ReferenceFormSpec &spec)
{
    StoredTable *table = context.table(QString::fromLatin1(spec.table));
    Q_ASSERT_X(table, "ReferenceForm", spec.table);
    return *context.relationManager(table->layout());
}

} // namespace

ReferenceForm::ReferenceForm(ThreadContext &context, const ReferenceFormSpec &spec, QWidget *owner)
    : FormWindow(context, QString::fromLatin1(spec.procedure), primaryOf(context, spec), owner), m_spec(spec)
{
}

void ReferenceForm::createFields(QWidget *area)
{
    auto *outer = new QVBoxLayout(area);
    outer->setContentsMargins(0, 0, 0, 0);
    QWidget *page = area;
    if (*m_spec.tabCaption) {
        auto *tabs = new QTabWidget(area);
        page = new QWidget(tabs);
        tabs->addTab(page, QString::fromLatin1(m_spec.tabCaption));
        outer->addWidget(tabs);
    }
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    if (page == area)
        outer->addLayout(form);
    else
        page->setLayout(form);
    for (const auto &f : m_spec.fields) {
        auto *edit = bindText(new QLineEdit(page), f.name);
        // Wide enough for what the field holds, up to a comfortable line.
        const int chars = std::min(edit->maxLength(), 60);
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * std::max(chars, 10));
        form->addRow(QString::fromUtf8(f.prompt), edit);
    }
}

QString ReferenceForm::caption() const
{
    const QString byRequest = FormWindow::caption();
    if (byRequest != procedureName() || !*m_spec.title)
        return byRequest;
    return QString::fromLatin1(m_spec.title);
}

const ReferenceFormSpec &ReferenceForm::doctors()
{
    static const ReferenceFormSpec spec{
        "UpdateDoctors", "Doctors", "Doctor", "updatedoctors.htm", "Doctors",
        {{"&Doctors Name:", "DOC:DOCTORSNAME"},
         {"&Phone Number:", "DOC:PHONENUMBER"},
         {"&Fax Number:", "DOC:FAXNUMBER"},
         {"&Hours:", "DOC:HOURS"},
         {"&Specialty:", "DOC:SPECIALTY"},
         {"P&ractice Name:", "DOC:PRACTICENAME"},
         {"Address &1:", "DOC:ADDRESS1"},
         {"Address &2:", "DOC:ADDRESS2"},
         {"C&ity:", "DOC:CITY"},
         {"S&tate:", "DOC:STATE"},
         {"&Zip Code:", "DOC:ZIPCODE"},
         {"&Email Address:", "DOC:EMAILADDRESS"}}};
    return spec;
}

const ReferenceFormSpec &ReferenceForm::pharmacy()
{
    static const ReferenceFormSpec spec{
        "UpdatePharmacy", "Pharmacy", "Pharmacy Record", "UpdatePharmacyData.htm", "Pharmacy",
        {{"&Pharmacy Name:", "PHA:PHARMACYNAME"},
         {"&Street Address:", "PHA:STREETADDRESS"},
         {"&City:", "PHA:CITY"},
         {"S&tate:", "PHA:STATE"},
         {"&Zip Code:", "PHA:ZIPCODE"},
         {"Phone &Number:", "PHA:PHONENUMBER"},
         {"&Hours:", "PHA:HOURS"},
         {"Ph&armacists Name:", "PHA:PHARMACISTSNAME"},
         {"&Web Address:", "PHA:WEBADDRESS"}}};
    return spec;
}

const ReferenceFormSpec &ReferenceForm::drugNames()
{
    static const ReferenceFormSpec spec{"UpdateDrugNames", "Drug Name", "", "UpdateDrugNames.htm", "DrugNames",
                                        {{"&Drug Name As Prescribed:", "DRU:DRUGNAMEASPRESCRIBED"},
                                         {"&Generic Name:", "DRU:GENERICNAME"},
                                         {"&Purpose:", "DRU:PURPOSE"}}};
    return spec;
}

const ReferenceFormSpec &ReferenceForm::drugForm()
{
    static const ReferenceFormSpec spec{"UpdateForm", "Form Form", "&1) General", "AddorUpdateaDrugForm.htm", "Form",
                                        {{"&Drug Form:", "FOR:DRUGFORM"}}};
    return spec;
}

const ReferenceFormSpec &ReferenceForm::manufacturer()
{
    static const ReferenceFormSpec spec{"UpdateManufacturer", "Form Manufacturer", "&1) General",
                                        "AddorUpdateaManufacturer.htm", "Manufacturer",
                                        {{"&Company Name:", "MAN:COMPANYNAME"}}};
    return spec;
}

const ReferenceFormSpec &ReferenceForm::labTestName()
{
    static const ReferenceFormSpec spec{"UpdateLabTestName", "", "", "LabTestName.htm", "LabTestName",
                                        {{"&Test Name:", "LTN:TESTNAME"}}};
    return spec;
}

} // namespace tavimo
