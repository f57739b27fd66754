#pragma once

#include "filemanager.h"

#include <QString>

namespace tavimo {

// Prescriptions number PRE:PRINTKEY through PRE:printby and start active
// and in the medicine schedule.
class PrescriptsFile : public FileManager
{
public:
    using FileManager::FileManager;

protected:
    void setupTable() override;
    void setInitialValues() override;
};

// A medicine schedule line starts active.
class MedicineManagerFile : public FileManager
{
public:
    using FileManager::FileManager;

protected:
    void setInitialValues() override;
};

// A reference list that starts with common entries: drug forms, laboratory
// test names. They are added when the context first sets the table up and
// finds it empty and never given its list.
class StarterListFile : public FileManager
{
public:
    using FileManager::FileManager;

protected:
    void setupTable() override;
};

// Pain events: a scale from 0 to 10 and one of twelve pain types.
class PainEventsFile : public FileManager
{
public:
    using FileManager::FileManager;

    static constexpr int PainScaleField = 8; // numbered from 1 in record order
    static constexpr int PainTypeField = 9;
    static QString painTypeList();    // "]Throbbing[]Stabbing[...]Other["
    static QString painTypeMessage(); // "'Throbbing','Stabbing',...,'Other'"

protected:
    int checkFieldRule(int field, bool showMessages) override;
};

} // namespace tavimo
