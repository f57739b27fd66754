#include "programnames.h"

#include "processvalues.h"

namespace tavimo {

std::optional<FilterValue> ProgramNames::value(const QString &name) const
{
    const ProcessValues &v = ProcessValues::instance();
    if (name.compare(QLatin1String("personname"), Qt::CaseInsensitive) == 0)
        return FilterValue::fromText(v.currentPerson.name);
    if (name.compare(QLatin1String("ssnum"), Qt::CaseInsensitive) == 0) {
        // A person without a number must not take in every record that has
        // none: a blank number matches no record.
        if (v.currentPerson.socialSecurity.trimmed().isEmpty())
            return FilterValue::fromText(QStringLiteral("\u0001"));
        return FilterValue::fromText(v.currentPerson.socialSecurity);
    }
    if (name.compare(QLatin1String("FromDate"), Qt::CaseInsensitive) == 0)
        return FilterValue::fromDate(v.fromDate);
    if (name.compare(QLatin1String("ToDate"), Qt::CaseInsensitive) == 0)
        return FilterValue::fromDate(v.toDate);
    if (name.compare(QLatin1String("NameOnPrescription"), Qt::CaseInsensitive) == 0)
        return FilterValue::fromText(v.nameOnPrescription);
    return std::nullopt;
}

const ProgramNames &ProgramNames::instance()
{
    static const ProgramNames names;
    return names;
}

} // namespace tavimo
