#pragma once

#include "values.h"

#include <QChar>
#include <QString>

namespace tavimo {

// The person being worked on, as the profile windows and person choosers
// set it and every log form, list filter and report reads it.
struct CurrentPersonValues
{
    QString name;           // 40
    QString firstName;      // 20
    QString lastName;       // 30
    QString socialSecurity; // 12
    QString gender;         // 1
    double age = 0;
    double bmi = 0;
    int weight = 0;
    QString height; // 5, feet and inches with their marks

    void clear() { *this = CurrentPersonValues(); }
};

// The reason and amount that a plan or prescription hands to a new expense.
struct PendingExpense
{
    QString reason;
    Decimal amount;
};

// The settings kept between runs (section "Preserved" of the settings store).
struct PreservedSettings
{
    QString hpath;         // 70
    QString sponsorit;     // 1: "Y" once the sponsor was copied to the doctors
    QString uploadAccount; // 20
    QString uploadName;    // 20
};

// The values shared by every window of the process. There is one of each;
// windows all run on the GUI thread, so they are read and written without
// a lock, as the design has always had it.
struct ProcessValues
{
    CurrentPersonValues currentPerson;
    QString disclaimerText; // 300
    PendingExpense pendingExpenseItem;
    Date fromDate; // the report date range
    Date toDate;
    QChar pdfProtection = QLatin1Char(' '); // 'Y' when PDF files are to get a password
    QString nameOnPrescription; // 50: bound by the profile form for its prescription list
    PreservedSettings settings;

    void clear() { *this = ProcessValues(); }

    static ProcessValues &instance();
};

QString defaultDisclaimerText();

} // namespace tavimo
