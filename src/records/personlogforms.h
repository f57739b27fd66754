#pragma once

#include "declaredform.h"

namespace tavimo {

// An entry form of one of a person's logs. A new record is primed from the
// current person: the name, and a copy of the person's details as they are
// today (sex, age, BMI, weight, height, names, social security number), so
// that a report shows each entry with the details of its day.
struct LogPriming
{
    const char *nameField;   // takes the current person name, cut to the field
    const char *dateField;   // takes today; empty: none
    const char *timeField;   // takes the clock; empty: none
    bool personInCaption;    // "Record Will Be Changed  (Ann Lee)", "Record Will Be Added  (New)"
};

class PersonLogForm : public DeclaredForm
{
    Q_OBJECT
public:
    PersonLogForm(ThreadContext &context, const FormSpec &spec, QWidget *owner = nullptr);

    static const FormSpec &bloodPressure(); // UpdateBloodpre
    static const FormSpec &glucose();       // UpdateGlucose
    static const FormSpec &labTests();      // UpdateLabTests
    static const std::vector<const FormSpec *> &all();
    static const LogPriming &primingOf(const FormSpec &spec);

protected:
    void initialValues() override;
    QString caption() const override;

private:
    const LogPriming &m_priming;
};

} // namespace tavimo
