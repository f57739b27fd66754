#include "personlogforms.h"

#include "logpriming.h"
#include "processvalues.h"
#include "record.h"
#include "softcheck.h"
#include "threadcontext.h"

namespace tavimo {

namespace {

const char *const activityTip = "Enter activity preceeding measurement.";

const DropSpec labTestNameDrop{"LabTestName", "LTN:LabTestNames", "LTN:TESTNAME", "",
                               {{"LTN:TESTNAME", "LAB:TESTNAME"}}, "UpdateLabTestName"};
const DropSpec orderedByDrop{"Doctors", "DOC:ByName", "DOC:DOCTORSNAME", "",
                             {{"DOC:DOCTORSNAME", "LAB:ORDEREDBY"}}, "UpdateDoctors"};

const LogPriming bloodPressurePriming{"BLO:PERSONNAME", "BLO:DATE", "BLO:TIME", true};
const LogPriming glucosePriming{"GLU:PERSONNAME", "GLU:DATE", "GLU:TIME", true};
const LogPriming labTestPriming{"LAB:PERSONSNAME", "", "", false};

} // namespace

// A new reading shows its numbers blank rather than as zeros to type over.
const FormSpec &PersonLogForm::bloodPressure()
{
    static const FormSpec spec{
        "UpdateBloodpre", "Blood Pressure Form", "Bloodpre", "BloodPressureMonitoring.htm",
        {{"",
          {{.prompt = "&Date:", .field = "BLO:DATE", .kind = RowKind::Date},
           {.prompt = "&Time:", .field = "BLO:TIME", .kind = RowKind::Time},
           {.prompt = "&Systolic:", .field = "BLO:SYSTOLIC", .kind = RowKind::Number, .picture = "n3b"},
           {.prompt = "D&iastolic:", .field = "BLO:DIASTOLIC", .kind = RowKind::Number, .picture = "n3b"},
           {.prompt = "&Pulse:", .field = "BLO:PULSE", .kind = RowKind::Number, .picture = "n3b"},
           {.prompt = "Co&mment:", .field = "BLO:COMMENT", .tip = activityTip}}}}};
    return spec;
}

const FormSpec &PersonLogForm::glucose()
{
    static const FormSpec spec{
        "UpdateGlucose", "Blood Glucose Form", "Glucose", "GlucoseMonitoring.htm",
        {{"Blood Glucose Reading",
          {{.prompt = "&Date:", .field = "GLU:DATE", .kind = RowKind::Date},
           {.prompt = "&Time:", .field = "GLU:TIME", .kind = RowKind::Time},
           {.prompt = "&Reading:", .field = "GLU:READING", .kind = RowKind::Number, .picture = "n3b"},
           {.prompt = "Co&mment:", .field = "GLU:COMMENT", .tip = activityTip}}}}};
    return spec;
}

const FormSpec &PersonLogForm::labTests()
{
    // Only the date, name, results, reason and facility are recalled with Ctrl+H.
    static const FormSpec spec{
        "UpdateLabTests", "", "LabTests", "AddorUpdateLabTests.htm",
        {{"Lab Tests",
          {{.prompt = "&Date of Test:", .field = "LAB:DATEOFTEST", .kind = RowKind::Date, .calendar = "Date OF Test"},
           {.prompt = "&Person's Name:", .field = "LAB:PERSONSNAME"},
           {.prompt = "&Lab Test Name:", .field = "LAB:TESTNAME", .kind = RowKind::DropCombo, .history = false,
            .drop = &labTestNameDrop, .beside = "LabTestsName", .besideTip = "List the laboratory test names"},
           {.prompt = "&Results:", .field = "LAB:RESULTS"},
           {.prompt = "R&eason For Test:", .field = "LAB:REASONFORTEST"},
           {.prompt = "Ordered &By (Doctor's Name):", .field = "LAB:ORDEREDBY", .kind = RowKind::DropCombo,
            .history = false, .drop = &orderedByDrop},
           {.prompt = "&Facility Where Test Was Done:", .field = "LAB:FACILITYWHERETESTWASDONE"}}}}};
    return spec;
}

const std::vector<const FormSpec *> &PersonLogForm::all()
{
    static const std::vector<const FormSpec *> specs{&bloodPressure(), &glucose(), &labTests()};
    return specs;
}

const LogPriming &PersonLogForm::primingOf(const FormSpec &spec)
{
    if (&spec == &glucose())
        return glucosePriming;
    if (&spec == &labTests())
        return labTestPriming;
    return bloodPressurePriming;
}

PersonLogForm::PersonLogForm(ThreadContext &context, const FormSpec &spec, QWidget *owner)
    : DeclaredForm(context, spec, owner), m_priming(primingOf(spec))
{
}

void PersonLogForm::initialValues()
{
    Record &r = record();
    const int nameField = r.layout().fieldIndex(QString::fromLatin1(m_priming.nameField));
    softCheck(nameField >= 0, "PersonLogForm", QString::fromLatin1(m_priming.nameField));
    logpriming::primeFromPerson(r, nameField, ProcessValues::instance().currentPerson);
    if (*m_priming.dateField)
        r.setDate(QString::fromLatin1(m_priming.dateField), Date::today());
    if (*m_priming.timeField)
        r.setTime(QString::fromLatin1(m_priming.timeField), Time::now());
}

QString PersonLogForm::caption() const
{
    const QString byRequest = DeclaredForm::caption();
    if (!m_priming.personInCaption)
        return byRequest;
    const QString person = QStringLiteral("  (") + ProcessValues::instance().currentPerson.name.left(40)
                           + QLatin1Char(')');
    switch (request) {
    case Request::Insert:
        return byRequest + QStringLiteral("  (New)");
    case Request::Change:
    case Request::SaveAndStay:
        return byRequest + person;
    case Request::Delete:
        return QString::fromLatin1(spec().title) + person;
    default:
        return byRequest;
    }
}

} // namespace tavimo
