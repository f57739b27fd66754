#include "tablemanagers.h"

#include "errormanager.h"
#include "record.h"
#include "starterlists.h"
#include "threadcontext.h"

namespace tavimo {

void PrescriptsFile::setupTable()
{
    FileManager::setupTable();
    registerKey(0, QStringLiteral("PRE:printby"), 1);
}

void PrescriptsFile::setInitialValues()
{
    record().setText("PRE:ACTIVE", QStringLiteral("Y"));
    record().setText("PRE:INCLUDEINMEDICINEMANAGER", QStringLiteral("Y"));
}

void MedicineManagerFile::setInitialValues()
{
    record().setText("MDM:ACTIVE", QStringLiteral("Y"));
}

void StarterListFile::setupTable()
{
    FileManager::setupTable();
    // A failure has been told already; the table is then used as it is.
    starterlists::addOnce(*this);
}

QString PainEventsFile::painTypeList()
{
    return QStringLiteral("]Throbbing[]Stabbing[]Dull[]Aching[]Pinching[]Steady[]Localized[]Pervasive["
                          "]Chronic(Persistent)[]Acute(in the moment)[]Sharp[]Other[");
}

QString PainEventsFile::painTypeMessage()
{
    return QStringLiteral("'Throbbing','Stabbing','Dull','Aching','Pinching','Steady','Localized','Pervasive',"
                          "'Chronic(Persistent)','Acute(in the moment)','Sharp','Other'");
}

int PainEventsFile::checkFieldRule(int field, bool showMessages)
{
    if (field == PainScaleField) {
        const int scale = record().integer(field - 1);
        if (scale >= 0 && scale <= 10)
            return ResultOk;
        errors().setFieldName(context(), QStringLiteral("PAI:PainScale"));
        if (showMessages)
            raiseWithText(18, QStringLiteral("0 .. 10"));
        return ResultNotify;
    }
    if (field == PainTypeField) {
        // Exact in case; a blank type ("][") is not in the list.
        const QString probe = QLatin1Char(']') + record().text(field - 1) + QLatin1Char('[');
        if (painTypeList().contains(probe))
            return ResultOk;
        errors().setFieldName(context(), QStringLiteral("PAI:PainType"));
        if (showMessages)
            raiseWithText(17, painTypeMessage());
        return ResultNotify;
    }
    return ResultOk;
}

} // namespace tavimo
