// The data dictionary: relations between prescriptions and the medicine
// schedule and between body sections and parts, initial values, and the
// pain-event rules.
#include "datacontext.h"
#include "dictionary.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "storedtable.h"
#include "tablemanagers.h"
#include "tables.h"
#include "threadcontext.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    explicit Fixture(dictionary::FileManagerFactory factory = {})
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(tmp.path());
        config.errors = &errors;
        config.dictionary = [factory](ThreadContext &c) { dictionary::initialise(c, factory); };
        context = std::make_unique<ThreadContext>(config);
    }
    FileManager &file(const TableLayout &t) { return *context->fileManager(t); }
    RelationManager &relation(const TableLayout &t) { return *context->relationManager(t); }

    void addPrescription(const QString &person, const QString &drug, const QString &active)
    {
        FileManager &pre = file(tables::prescripts());
        QCOMPARE(pre.newRecord(), int(ResultOk));
        pre.record().setText("PRE:PERSONSNAME", person);
        pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", drug);
        pre.record().setText("PRE:ACTIVE", active);
        QCOMPARE(pre.insert(), int(ResultOk));
    }
    void addLine(const QString &person, const QString &drug, const QString &active, const QString &dose = {})
    {
        FileManager &mdm = file(tables::medicineManager());
        QCOMPARE(mdm.newRecord(), int(ResultOk));
        mdm.record().setText("MDM:PERSONSNAME", person);
        mdm.record().setText("MDM:DRUGNAME", drug);
        mdm.record().setText("MDM:ACTIVE", active);
        mdm.record().setText("MDM:DOSE", dose);
        QCOMPARE(mdm.insert(), int(ResultOk));
    }
    // Every schedule line as "person/drug/active".
    QStringList lines()
    {
        QStringList out;
        StoredTable &t = context->table(tables::medicineManager());
        if (!t.isOpen())
            file(tables::medicineManager()).use();
        t.set(StoredTable::ByTable);
        while (t.next() == 0)
            out << QStringLiteral("%1/%2/%3").arg(t.record().text("MDM:PERSONSNAME"), t.record().text("MDM:DRUGNAME"),
                                                  t.record().text("MDM:ACTIVE"));
        return out;
    }
    bool findPrescription(const QString &drug)
    {
        FileManager &pre = file(tables::prescripts());
        StoredTable &t = context->table(tables::prescripts());
        pre.use();
        t.set(StoredTable::ByTable);
        while (t.next() == 0)
            if (t.record().text("PRE:DRUGNAMEASPRESCRIBED") == drug)
                return true;
        return false;
    }
};

// A schedule line whose dose says so refuses to be written.
class FailingScheduleFile : public MedicineManagerFile
{
public:
    using MedicineManagerFile::MedicineManagerFile;

protected:
    int checkFieldRule(int field, bool) override
    {
        return field == 19 && record().text(18) == QLatin1String("fail") ? ResultNotify : ResultOk;
    }
};

} // namespace

class TestDictionary : public QObject
{
    Q_OBJECT

private slots:
    void everyTableHasItsManagers();
    void newRecordsGetTheirInitialValues();
    void deletingAPrescriptionDeletesExactlyItsLines();
    void changingActiveCascadesToTheLines();
    void interruptedCascadeLeavesEverythingAsItWas();
    void bodySectionWithPartsCannotBeDeleted();
    void bodySectionWithPartsCannotBeRenamed();
    void painRules_data();
    void painRules();
    void deletingAPersonLeavesTheLogs();
    void relatedTablesOpenOncePerPass();
};

void TestDictionary::everyTableHasItsManagers()
{
    Fixture f;
    for (const TableLayout *t : tables::all()) {
        QVERIFY(f.context->fileManager(*t));
        QVERIFY(f.context->relationManager(*t));
        QCOMPARE(&f.context->fileManager(*t)->table(), &f.context->table(*t));
    }
    QVERIFY(dynamic_cast<PrescriptsFile *>(f.context->fileManager(tables::prescripts())));
    QVERIFY(dynamic_cast<PainEventsFile *>(f.context->fileManager(tables::painEvents())));
    const auto &pre = f.relation(tables::prescripts()).relations();
    QCOMPARE(pre.size(), std::size_t(1));
    QCOMPARE(pre[0].updateMode, int(RelationManager::Cascade));
    QCOMPARE(pre[0].deleteMode, int(RelationManager::Cascade));
    QCOMPARE(pre[0].fields.size(), std::size_t(3));
    const auto &parts = f.relation(tables::bodyParts()).relations();
    QCOMPARE(parts.size(), std::size_t(1));
    QCOMPARE(parts[0].hisKey, -1); // the plain way back to the section
}

void TestDictionary::newRecordsGetTheirInitialValues()
{
    Fixture f;
    FileManager &pre = f.file(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk));
    QCOMPARE(pre.record().text("PRE:ACTIVE"), QStringLiteral("Y"));
    QCOMPARE(pre.record().text("PRE:INCLUDEINMEDICINEMANAGER"), QStringLiteral("Y"));
    QCOMPARE(pre.record().text("PRE:PRINTKEY"), QStringLiteral("0000000001"));
    QVERIFY(pre.autoIncrementDone());
    pre.cancelNumbering();
    FileManager &mdm = f.file(tables::medicineManager());
    QCOMPARE(mdm.newRecord(), int(ResultOk));
    QCOMPARE(mdm.record().text("MDM:ACTIVE"), QStringLiteral("Y"));
    FileManager &lab = f.file(tables::labTests());
    lab.record().setText("LAB:RESULTS", QStringLiteral("left over"));
    QCOMPARE(lab.newRecord(), int(ResultOk));
    QCOMPARE(lab.record().text("LAB:RESULTS"), QString());
}

void TestDictionary::deletingAPrescriptionDeletesExactlyItsLines()
{
    Fixture f;
    f.addLine("Ann Lee", "Aspirin", "Y");
    f.addLine("Ann Lee", "Aspirin", "N");      // other active flag
    f.addLine("Ann Lee", "Aspirin 81", "Y");   // other drug
    f.addLine("Bob Lee", "Aspirin", "Y");      // other person
    f.addLine("Ann Lee", "ASPIRIN", "Y");      // same only without regard to case
    f.addLine("Ann Lee", "Aspirin", "Y");
    f.addPrescription("Ann Lee", "Aspirin", "Y");
    f.addPrescription("Ann Lee", "Other", "Y");

    FileManager &pre = f.file(tables::prescripts());
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Aspirin"));
    pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee"));
    pre.record().setText("PRE:ACTIVE", QStringLiteral("Y"));
    QCOMPARE(pre.getByKey(1), int(ResultOk)); // PRE:ByPerson
    f.presenter.answer(Button::Yes);
    QCOMPARE(f.relation(tables::prescripts()).deleteRecord(true), int(ResultOk));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Confirm Delete"));

    QCOMPARE(f.lines(), (QStringList{QStringLiteral("Ann Lee/Aspirin/N"), QStringLiteral("Ann Lee/Aspirin 81/Y"),
                                     QStringLiteral("Bob Lee/Aspirin/Y"), QStringLiteral("Ann Lee/ASPIRIN/Y")}));
    QVERIFY(!f.findPrescription(QStringLiteral("Aspirin")));
    QVERIFY(f.findPrescription(QStringLiteral("Other")));
}

void TestDictionary::changingActiveCascadesToTheLines()
{
    Fixture f;
    f.addLine("Ann Lee", "Metformin", "Y", "500mg");
    f.addLine("Ann Lee", "Metformin", "Y", "1000mg");
    f.addLine("Ann Lee", "Insulin", "Y");
    f.addPrescription("Ann Lee", "Metformin", "Y");

    FileManager &pre = f.file(tables::prescripts());
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Metformin"));
    pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee"));
    pre.record().setText("PRE:ACTIVE", QStringLiteral("Y"));
    QCOMPARE(pre.getByKey(1), int(ResultOk));
    pre.record().setText("PRE:ACTIVE", QStringLiteral("N"));
    pre.record().setDate("PRE:DATEINACTIVE", Date::today());
    QCOMPARE(f.relation(tables::prescripts()).update(true), int(ResultOk));

    QCOMPARE(f.lines(), (QStringList{QStringLiteral("Ann Lee/Metformin/N"), QStringLiteral("Ann Lee/Metformin/N"),
                                     QStringLiteral("Ann Lee/Insulin/Y")}));
    // Renaming the drug carries the lines along too.
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Metformin XR"));
    QCOMPARE(f.relation(tables::prescripts()).update(true), int(ResultOk));
    QCOMPARE(f.lines(), (QStringList{QStringLiteral("Ann Lee/Metformin XR/N"), QStringLiteral("Ann Lee/Metformin XR/N"),
                                     QStringLiteral("Ann Lee/Insulin/Y")}));
    QCOMPARE(f.presenter.count(), 0);
}

void TestDictionary::interruptedCascadeLeavesEverythingAsItWas()
{
    Fixture f([](ThreadContext &c, const TableLayout &t) -> std::unique_ptr<FileManager> {
        if (&t != &tables::medicineManager())
            return nullptr;
        return std::make_unique<FailingScheduleFile>(c, c.table(t), c.errors());
    });
    f.addLine("Ann Lee", "Warfarin", "Y", "2mg");
    f.addLine("Ann Lee", "Warfarin", "Y", "5mg");
    f.addPrescription("Ann Lee", "Warfarin", "Y");
    // The second line cannot be written once it is changed.
    {
        StoredTable &t = f.context->table(tables::medicineManager());
        t.set(StoredTable::ByTable);
        QCOMPARE(t.next(), 0);
        QCOMPARE(t.next(), 0);
        t.record().setText("MDM:DOSE", QStringLiteral("fail"));
        QCOMPARE(t.put(), 0);
    }
    FileManager &pre = f.file(tables::prescripts());
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Warfarin"));
    pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee"));
    pre.record().setText("PRE:ACTIVE", QStringLiteral("Y"));
    QCOMPARE(pre.getByKey(1), int(ResultOk));
    pre.record().setText("PRE:ACTIVE", QStringLiteral("N"));
    pre.record().setText("PRE:PURPOSE", QStringLiteral("typed by the user"));
    QCOMPARE(f.relation(tables::prescripts()).update(true), int(ResultNotify));

    // Parent and children as they were; the buffer keeps the typing, not the link change.
    QCOMPARE(f.lines(), (QStringList{QStringLiteral("Ann Lee/Warfarin/Y"), QStringLiteral("Ann Lee/Warfarin/Y")}));
    QCOMPARE(pre.record().text("PRE:ACTIVE"), QStringLiteral("Y"));
    QCOMPARE(pre.record().text("PRE:PURPOSE"), QStringLiteral("typed by the user"));
    FileManager probe(*f.context, f.context->table(tables::prescripts()), f.errors);
    StoredTable &t = f.context->table(tables::prescripts());
    const int state = t.saveState();
    t.set(StoredTable::ByTable);
    QCOMPARE(t.next(), 0);
    QCOMPARE(t.record().text("PRE:ACTIVE"), QStringLiteral("Y"));
    QCOMPARE(t.record().text("PRE:PURPOSE"), QString());
    t.restoreState(state);
    // After fixing nothing, a plain save of other fields still works (no false conflict).
    pre.record().setText("PRE:ACTIVE", QStringLiteral("Y"));
    QCOMPARE(f.relation(tables::prescripts()).update(true), int(ResultOk));
}

void TestDictionary::bodySectionWithPartsCannotBeDeleted()
{
    Fixture f;
    FileManager &sections = f.file(tables::bodySection());
    FileManager &parts = f.file(tables::bodyParts());
    for (const char *s : {"Head", "Arm"}) {
        sections.record().setText("BOD1:BODYSECTION", QString::fromLatin1(s));
        QCOMPARE(sections.insert(), int(ResultOk));
    }
    parts.record().setText("BOD:BODYSECTION", QStringLiteral("Head"));
    parts.record().setText("BOD:BODYPART", QStringLiteral("Forehead"));
    QCOMPARE(parts.insert(), int(ResultOk));

    sections.record().setText("BOD1:BODYSECTION", QStringLiteral("Head"));
    QCOMPARE(sections.getByKey(0), int(ResultOk));
    QCOMPARE(f.relation(tables::bodySection()).deleteRecord(false), int(ResultNotify));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Referential Integrity Delete Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("This record is referenced from the file BodyParts. This record cannot be deleted while "
                            "these references exist."));
    QCOMPARE(f.context->table(tables::bodySection()).records(), qint64(2));

    // A section without parts goes.
    sections.record().setText("BOD1:BODYSECTION", QStringLiteral("Arm"));
    QCOMPARE(sections.getByKey(0), int(ResultOk));
    QCOMPARE(f.relation(tables::bodySection()).deleteRecord(false), int(ResultOk));
    QCOMPARE(f.context->table(tables::bodySection()).records(), qint64(1));
}

void TestDictionary::bodySectionWithPartsCannotBeRenamed()
{
    Fixture f;
    FileManager &sections = f.file(tables::bodySection());
    FileManager &parts = f.file(tables::bodyParts());
    sections.record().setText("BOD1:BODYSECTION", QStringLiteral("Leg"));
    QCOMPARE(sections.insert(), int(ResultOk));
    parts.record().setText("BOD:BODYSECTION", QStringLiteral("Leg"));
    parts.record().setText("BOD:BODYPART", QStringLiteral("Knee"));
    QCOMPARE(parts.insert(), int(ResultOk));

    sections.record().setText("BOD1:BODYSECTION", QStringLiteral("Leg"));
    QCOMPARE(sections.getByKey(0), int(ResultOk));
    sections.record().setText("BOD1:BODYSECTION", QStringLiteral("Lower limb"));
    QCOMPARE(f.relation(tables::bodySection()).update(true), int(ResultNotify));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Referential Integrity Update Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("This record is referenced from the file BodyParts. Linking field(s) have been restricted "
                            "from change and have been reset to original values."));
    QCOMPARE(sections.record().text("BOD1:BODYSECTION"), QStringLiteral("Leg"));
    StoredTable &t = f.context->table(tables::bodySection());
    t.set(StoredTable::ByTable);
    QCOMPARE(t.next(), 0);
    QCOMPARE(t.record().text("BOD1:BODYSECTION"), QStringLiteral("Leg"));
}

void TestDictionary::painRules_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("failingField"); // 0: valid
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    const QString list = PainEventsFile::painTypeMessage();
    QTest::newRow("0 and Sharp") << 0 << "Sharp" << 0 << "" << "";
    QTest::newRow("10 and Acute") << 10 << "Acute(in the moment)" << 0 << "" << "";
    QTest::newRow("-1") << -1 << "Dull" << 8 << "Range Error" << "The value of PAI:PainScale must be in range 0 .. 10.";
    QTest::newRow("11") << 11 << "Dull" << 8 << "Range Error" << "The value of PAI:PainScale must be in range 0 .. 10.";
    const QString listText = QStringLiteral("The value of PAI:PainType must be in the list : %1.").arg(list);
    QTest::newRow("lower case") << 5 << "sharp" << 9 << "Value Error" << listText;
    QTest::newRow("more words") << 5 << "Sharp pain" << 9 << "Value Error" << listText;
    QTest::newRow("blank") << 5 << "" << 9 << "Value Error" << listText;
    QTest::newRow("part of a name") << 5 << "Acute" << 9 << "Value Error" << listText;
}

void TestDictionary::painRules()
{
    QFETCH(int, scale);
    QFETCH(QString, type);
    QFETCH(int, failingField);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    Fixture f;
    FileManager &pain = f.file(tables::painEvents());
    pain.record().setInteger("PAI:PAINSCALE", scale);
    pain.record().setText("PAI:PAINTYPE", type);
    int failing = 0;
    const int result = pain.checkRecord(&failing);
    QCOMPARE(result, failingField ? int(ResultNotify) : int(ResultOk));
    QCOMPARE(failing, failingField);
    if (failingField) {
        QCOMPARE(f.presenter.last().caption, caption);
        QCOMPARE(f.presenter.last().text, text);
        QCOMPARE(pain.insert(), int(ResultNotify));
    } else {
        QCOMPARE(f.presenter.count(), 0);
        QCOMPARE(pain.insert(), int(ResultOk));
    }
    // Rules of other fields and other tables only run the generic checks.
    QCOMPARE(pain.checkField(1), int(ResultOk));
}

void TestDictionary::deletingAPersonLeavesTheLogs()
{
    Fixture f;
    FileManager &people = f.file(tables::personsName());
    people.record().setText("PER:PERSONSNAME", QStringLiteral("Ann Lee"));
    people.record().setText("PER:SOCIALSECURITY", QStringLiteral("123-45-6789"));
    QCOMPARE(people.insert(), int(ResultOk));
    FileManager &bp = f.file(tables::bloodpre());
    bp.record().setText("BLO:PERSONNAME", QStringLiteral("Ann Lee"));
    bp.record().setReal("BLO:SYSTOLIC", 120);
    QCOMPARE(bp.insert(), int(ResultOk));
    FileManager &glucose = f.file(tables::glucose());
    glucose.record().setText("GLU:SOCIALSECURITY", QStringLiteral("123-45-6789"));
    QCOMPARE(glucose.insert(), int(ResultOk));

    people.record().setText("PER:PERSONSNAME", QStringLiteral("Ann Lee"));
    QCOMPARE(people.getByKey(0), int(ResultOk));
    QCOMPARE(f.relation(tables::personsName()).deleteRecord(false), int(ResultOk));
    QCOMPARE(f.context->table(tables::personsName()).records(), qint64(0));
    QCOMPARE(f.context->table(tables::bloodpre()).records(), qint64(1));
    QCOMPARE(f.context->table(tables::glucose()).records(), qint64(1));
}

void TestDictionary::relatedTablesOpenOncePerPass()
{
    Fixture f;
    RelationManager &pre = f.relation(tables::prescripts());
    FileManager &mdm = f.file(tables::medicineManager());
    QCOMPARE(pre.open(), int(ResultOk));
    QCOMPARE(f.file(tables::prescripts()).openedCount(), 1);
    QCOMPARE(mdm.openedCount(), 1); // reached from both sides, opened once
    QCOMPARE(pre.relations()[0].opened, 1);
    QCOMPARE(f.relation(tables::medicineManager()).relations()[0].opened, 0);
    QCOMPARE(pre.close(), int(ResultOk));
    QCOMPARE(mdm.openedCount(), 0);
    QCOMPARE(f.file(tables::prescripts()).openedCount(), 0);
}

QTEST_GUILESS_MAIN(TestDictionary)
#include "tst_dictionary.moc"
