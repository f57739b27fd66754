#include "tables.h"

namespace tavimo::tables {

TableLayout::Builder detail::start(const QString &label, const QString &prefix, const QString &storedName,
                                   Protection protection)
{
    TableLayout::Builder b(label, prefix, storedName, protection);
    b.noCaseKeys(true);
    return b;
}

const std::vector<const TableLayout *> &all()
{
    static const std::vector<const TableLayout *> list = {
        &personsName(), &doctors(), &sponsor(), &pharmacy(), &drugNames(), &form(),
        &manufacturer(), &labTestName(), &topics(), &conditions(), &bodySection(),
        &bodyParts(), &gender(), &reportName(), &expenseReasons(), &otherTimes(),
        &dummy(), &bloodpre(), &glucose(), &prescripts(), &medicineManager(),
        &labTests(), &painEvents(), &symptoms(), &familyHistory(), &surgeries(),
        &appointments(), &journal(), &planName(), &expenses(), &wallet(),
        &otherHistory(), &listFormats(),
    };
    return list;
}

const TableLayout *byLabel(const QString &label)
{
    for (const TableLayout *t : all())
        if (t->label().compare(label, Qt::CaseInsensitive) == 0)
            return t;
    return nullptr;
}

QString ownerPassword()
{
    return QStringLiteral("QRV LTD");
}

} // namespace tavimo::tables
