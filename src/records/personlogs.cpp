#include "personlogs.h"

#include "contextnames.h"
#include "filemanager.h"
#include "processvalues.h"
#include "record.h"
#include "relationmanager.h"
#include "softcheck.h"
#include "storedtable.h"
#include "tables.h"
#include "tableview.h"
#include "threadcontext.h"

#include <QApplication>
#include <QCursor>

namespace tavimo {

using S = PersonLogSpec;

const std::vector<PersonLogSpec> &PersonLogSpec::all()
{
    static const std::vector<PersonLogSpec> specs{
        {6, "6) Surgeries", &tables::surgeries,
         {{"SUR:ByPerson", "+SUR:DateOfSurgery", "(SUR:Person=personname or SUR:SocialSecurity = ssnum)"}},
         S::Choice::Fixed, nullptr,
         {{"Date", "SUR:DATEOFSURGERY", "d17", 10},
          {"Surgical Procedure", "SUR:SURGICALPROCEDURE", "", 40},
          {"Doctors Name", "SUR:DOCTOR", "", 30}},
         "updsurgery", S::Print::AfterDates, "Print Surgery Report", "printsurgery", "Surgery Help", "surgerylist.htm"},
        {8, "8) Doctors Visits", &tables::appointments,
         {{nullptr, "", "(APP:Personsname = personname  OR APP:SocialSecurity = ssnum)"}},
         S::Choice::Fixed, nullptr,
         {{"Date", "APP:DATE", "d17", 10},
          {"Time", "APP:TIME", "t7", 8},
          {"Doctors Name", "APP:DOCTOR", "", 30},
          {"Reason", "APP:REASON", "", 40}},
         "UpdateAppointments", S::Print::Highlighted, "&Print Highlighted Record To Take To Appt", "apptform",
         "Dr. Visits Help", "doctorsvisits.htm"},
        {9, "9) Blood Pressure Monitoring", &tables::bloodpre,
         {{"Blo:byperson", "", "(Blo:personname=personname)"},
          {"Blo:byperson", "+Blo:Date", "(Blo:personname=personname  OR Blo:SocialSecurity = ssnum)"}},
         S::Choice::NameSet, nullptr,
         {{"Date", "BLO:DATE", "d17", 10},
          {"Time", "BLO:TIME", "t7", 8},
          {"Systolic", "BLO:SYSTOLIC", "n5", 8},
          {"Diastolic", "BLO:DIASTOLIC", "n5", 8},
          {"Pulse", "BLO:PULSE", "n5", 8}},
         "UpdateBloodpre", S::Print::AfterDates, "Print BP Log For Doctor", "bpaverages", "BP Help",
         "BloodPressureMonitoring.htm", "BLO:PERSONNAME"},
        {10, "10) Blood Glucose Monitoring", &tables::glucose,
         {{"Glu:byperson", "", "(Glu:personname=personname)"},
          {"Glu:ByDate", "+Glu:Date", "(Glu:personname=personname or Glu:SocialSecurity = ssnum)"}},
         S::Choice::NameSet, nullptr,
         {{"Date", "GLU:DATE", "d17", 10},
          {"Time", "GLU:TIME", "t7", 8},
          {"Reading", "GLU:READING", "n5", 8},
          {"Comment", "GLU:COMMENT", "", 35}},
         "UpdateGlucose", S::Print::AfterDates, "Print Log For Doctor", "glucreport", "Glucose Help",
         "GlucoseMonitoring.htm", "GLU:PERSONNAME"},
        {11, "11) Prescriptions", &tables::prescripts,
         {{"PRE:ByName", "PRE:Active", "(NameOnPrescription=personname)"},
          {"PRE:ByName", "+PRE:DateFilled,+PRE:Active", "(PRE:PersonsName=personname or PRE:SocialSecurity = ssnum)"}},
         S::Choice::Second, nullptr,
         {{"Date Filled", "PRE:DATEFILLED", "d17", 10},
          {"Active", "PRE:ACTIVE", "", 6},
          {"Drug Name As Prescribed", "PRE:DRUGNAMEASPRESCRIBED", "", 40},
          {"Mg Size", "PRE:MGSIZE", "", 12},
          {"Refill Reminder Date", "PRE:REFILLREMINDERDATE", "d17", 12}},
         "UpdatePrescripts", S::Print::None, "", "", "Prescriptions Help", "Prescriptionlist.htm"},
        {12, "12) Laboratory Tests", &tables::labTests,
         {{"LAB:ByName", "", "(LAB:PersonsName=personname)"},
          {"LAB:ByName", "", "(LAB:PersonsName=personname or LAB:SocialSecurity = ssnum)"}},
         S::Choice::BufferName, "LAB:PERSONSNAME",
         {{"Persons Name", "LAB:PERSONSNAME", "", 30},
          {"Date", "LAB:DATEOFTEST", "d17", 10},
          {"Test Name", "LAB:TESTNAME", "", 30},
          {"Results", "LAB:RESULTS", "", 30}},
         "UpdateLabTests", S::Print::AfterDates, "Print Lab Tests", "printlabtests", "Lab Test Help",
         "labtestlist.htm"},
        {13, "13) Symptoms Tracking", &tables::symptoms,
         {{"SYM:ByName", "", "(SYM:PersonsName=personname  OR SYM:SocialSecurity = ssnum)"}},
         S::Choice::Fixed, nullptr,
         {{"Date", "SYM:DATE", "d17", 10},
          {"Time", "SYM:TIME", "t7", 8},
          {"Symptom 1", "SYM:SYMPTOM_1", "", 25},
          {"Symptom 2", "SYM:SYMPTOM_2", "", 25},
          {"Symptom 3", "SYM:SYMPTOM_3", "", 25}},
         "Updsymptoms", S::Print::AfterDates, "Print Symptoms", "printsymtoms", "Symptoms Help", "Symptomslist.htm"},
        {14, "14) Pain Event Tracking", &tables::painEvents,
         {{"PAI:byname", "", "(PAI:Personsname=personname  OR PAI:SocialSecurity = ssnum)"}},
         S::Choice::Fixed, nullptr,
         {{"Date", "PAI:DATE", "d17", 10},
          {"Time", "PAI:TIME", "t7", 8},
          {"Body Location", "PAI:BODYLOCATIONS", "", 20},
          {"Pain Scale", "PAI:PAINSCALE", "n2", 8},
          {"Pain Type", "PAI:PAINTYPE", "", 25}},
         "UpdatePainFemale", S::Print::AfterDates, "Print Pain Events", "printpain", "Pain Help", "painevents.htm"},
        {15, "15) Familiy History", &tables::familyHistory,
         {{"FAM:byName", "", "(FAM:Personsname=personname  OR FAM:SocialSecurity = ssnum)"}},
         S::Choice::Fixed, nullptr,
         {{"Relatives Name", "FAM:RELATIVESNAME", "", 30},
          {"Relation To Person", "FAM:RELATIONTOPERSON", "", 20},
          {"Disease", "FAM:DISEASE", "", 20},
          {"Year of Passing", "FAM:YEAROFILLNESS", "", 8}},
         "UpdateFamilyHistory", S::Print::NewContext, "Print Family History", "printfamhist", "History Help",
         "FamilyHistory.htm"},
        {16, "16) Medical Expenses", &tables::expenses,
         {{"EXP:ByPerson", "+EXP:DateOfService,+EXP:Reason", "(EXP:PersonsName=personname)"}},
         S::Choice::Fixed, nullptr,
         {{"Date Of Service", "EXP:DATEOFSERVICE", "d17", 12},
          {"Reason", "EXP:REASON", "", 40},
          {"Amount You Paid", "EXP:AMOUNTYOUPAID", "n-10.2", 12}},
         "UpdateExpense", S::Print::AfterDates, "Print Expense Report", "expensereport", "Expense Help",
         "expenselist.htm"},
    };
    return specs;
}

const PersonLogSpec *PersonLogSpec::byTab(int tab)
{
    for (const PersonLogSpec &s : all())
        if (s.tab == tab)
            return &s;
    return nullptr;
}

PersonLogList::PersonLogList(const PersonLogSpec &spec) : m_spec(spec)
{
}

void PersonLogList::declare()
{
    const TableLayout &layout = m_spec.table();
    for (const PersonLogSpec::Order &o : m_spec.orders) {
        const int key = o.key ? layout.keyIndex(QString::fromLatin1(o.key)) : -1;
        // A key that does not resolve leaves the order the view reads in.
        softCheck(!o.key || key >= 0, "PersonLogList", QString::fromLatin1(o.key));
        addOrder(key);
        if (*o.extra)
            extendOrder(QString::fromLatin1(o.extra));
        putFilter(QString::fromLatin1(o.filter));
    }
    for (const PersonLogSpec::Column &c : m_spec.columns)
        addColumn(QString::fromLatin1(c.heading), QString::fromLatin1(c.field), QString::fromLatin1(c.picture),
                  c.width);
    selectOrder(chosenOrder());
}

void PersonLogList::bindPerson()
{
    if (!m_spec.shortNameField)
        return;
    const TableLayout &layout = m_spec.table();
    const int field = layout.fieldIndex(QString::fromLatin1(m_spec.shortNameField));
    if (!softCheck(field >= 0, "PersonLogList", QString::fromLatin1(m_spec.shortNameField)))
        return;
    // A reading stores the name cut to its field; a longer name would match none.
    const QString &name = ProcessValues::instance().currentPerson.name;
    names().set(QStringLiteral("personname"), FilterValue::fromText(name.left(layout.field(field).size)));
}

int PersonLogList::chosenOrder()
{
    const QString &name = ProcessValues::instance().currentPerson.name;
    switch (m_spec.choice) {
    case PersonLogSpec::Choice::Fixed:
        return 1;
    case PersonLogSpec::Choice::NameSet:
        return name.trimmed().isEmpty() ? 2 : 1;
    case PersonLogSpec::Choice::Second:
        return 2;
    case PersonLogSpec::Choice::BufferName:
        return file().record().text(QString::fromLatin1(m_spec.choiceField)) == name ? 1 : 2;
    }
    return 1;
}

void PersonLogList::reset(bool force)
{
    bindPerson();
    const int wanted = chosenOrder();
    if (wanted != currentOrder())
        changeOrder(wanted);
    else
        BrowseManager::reset(force);
    if (m_spec.tab == 16 && loaded())
        sumSelected();
}

void PersonLogList::formReturned()
{
    bindPerson();
    const int wanted = chosenOrder();
    if (wanted != currentOrder())
        selectOrder(wanted);
    if (m_spec.tab == 16)
        sumSelected();
}

Decimal PersonLogList::sumSelected()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    StoredTable &table = file().table();
    const int state = table.saveState();
    const Record kept = file().record();
    Decimal sum;
    {
        TableView all(table);
        // Read along the list's key, so the view walks the person's stretch
        // of it instead of gathering and sorting every row first.
        const int key = order().mainKey;
        if (key >= 0)
            all.setOrder(table.layout().key(key).components);
        all.setFilter(filterText());
        const ContextNames bound(context(), &names());
        if (all.restart(bound) == 0)
            while (all.next() == 0)
                sum = sum + table.record().decimal("EXP:AMOUNTYOUPAID");
    }
    table.restoreState(state);
    table.freeState(state);
    file().record() = kept;
    QApplication::restoreOverrideCursor();
    m_total = sum;
    emit totalChanged(sum.toString());
    return sum;
}

} // namespace tavimo
