#include "registerprocedures.h"

#include "frameprocedures.h"
#include "procedures.h"
#include "recordwindows.h"
#include "reportprocedures.h"

namespace tavimo {

void registerProcedures()
{
    registerRecordWindows(Procedures::instance());
    registerReportProcedures(Procedures::instance());
    registerFrameProcedures();
}

const QStringList &proceduresToCome()
{
    static const QStringList names{
        // entry forms of the logs, plans and expenses
        "updsurgery", "UpdateAppointments", "UpdatePrescripts",
        "Updsymptoms", "UpdatePainFemale", "UpdateFamilyHistory", "UpdateExpense", "UpdatePlanName",
        // lists
        "BrowsePlanName", "listjournal", "WalletcardBrowse", "OtherHistory",
        // reports and the windows before them
        "profile", "profileALL", "printsurgery", "apptform", "glucreport", "printlabtests",
        "printsymtoms", "printpain", "printfamhist", "expensereport", "premmreport", "preprescript", "blankform",
        "printtopdf", "printBMI", "aboutsending"};
    return names;
}

} // namespace tavimo
