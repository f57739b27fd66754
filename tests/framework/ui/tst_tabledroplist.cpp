// Drop-down lists over tables in a prescription form, offscreen, against
// real data files: synchronising, default fill, taking a row, failed reads,
// completion of typed text, and adding a value through the entry form or
// directly.
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "formdriver.h"
#include "formwindow.h"
#include "processvalues.h"
#include "record.h"
#include "referenceforms.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "storedtable.h"
#include "tabledropcombo.h"
#include "tabledroplist.h"
#include "tables.h"
#include "threadcontext.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace tavimo;

namespace {

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    Fixture() : context(make()) { ProcessValues::instance().clear(); }
    std::unique_ptr<ThreadContext> make()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(tmp.path());
        config.errors = &errors;
        return std::make_unique<ThreadContext>(config);
    }
    FileManager &doctors() { return *context->fileManager(tables::doctors()); }
    FileManager &prescripts() { return *context->fileManager(tables::prescripts()); }
    void addDoctor(const QString &name, const QString &phone)
    {
        FileManager &d = doctors();
        d.record().clear();
        d.record().setText("DOC:DOCTORSNAME", name);
        d.record().setText("DOC:PHONENUMBER", phone);
        QCOMPARE(d.insert(), int(ResultOk));
    }
    void addSomeDoctors()
    {
        addDoctor(QStringLiteral("Okafor, Nnamdi"), QStringLiteral("555-0177"));
        addDoctor(QStringLiteral("Chen, Wei"), QStringLiteral("555-0188"));
        addDoctor(QStringLiteral("Abernathy, Grace"), QStringLiteral("555-0143"));
        addDoctor(QStringLiteral("Chavez, Rosa"), QStringLiteral("555-0120"));
    }
    // A prescription naming a doctor, current in the buffer.
    void prescriptionFor(const QString &doctor, const QString &phone)
    {
        FileManager &p = prescripts();
        QCOMPARE(p.newRecord(), int(ResultOk));
        p.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Lisinopril"));
        p.record().setText("PRE:DRNAME", doctor);
        p.record().setText("PRE:DRPHONE", phone);
        QCOMPARE(p.update(), int(ResultOk));
    }
};

// A prescription form with the doctor picked from a drop-down list.
class PrescriptionForm : public FormWindow
{
public:
    PrescriptionForm(ThreadContext &context, bool combo, std::function<void(TableDropList &)> configure = {})
        : FormWindow(context, QStringLiteral("UpdatePrescripts"), *context.relationManager(tables::prescripts())),
          m_combo(combo), m_configure(std::move(configure))
    {
    }
    // The drop list is a member: the procedure ends while it still exists.
    ~PrescriptionForm() override
    {
        if (isRunning())
            endWith(Response::Cancelled);
    }
    TableDropList *drop = nullptr;
    TableDropCombo *comboDrop = nullptr;
    QComboBox *control = nullptr;
    QLineEdit *phone = nullptr;
    QLineEdit *drug = nullptr;

protected:
    void createFields(QWidget *area) override
    {
        auto *form = new QFormLayout(area);
        drug = bindText(new QLineEdit(area), "PRE:DRUGNAMEASPRESCRIBED");
        form->addRow(QStringLiteral("&Drug Name:"), drug);
        control = new QComboBox(area);
        form->addRow(QStringLiteral("D&octor:"), control);
        phone = bindText(new QLineEdit(area), "PRE:DRPHONE");
        form->addRow(QStringLiteral("Doctor's &Phone:"), phone);

        RelationManager &doctors = *context().relationManager(tables::doctors());
        if (m_combo) {
            m_owned = std::make_unique<TableDropCombo>();
            comboDrop = static_cast<TableDropCombo *>(m_owned.get());
            comboDrop->setup(*control, *this, doctors);
        } else {
            m_owned = std::make_unique<TableDropList>();
            m_owned->setup(*control, *this, doctors);
        }
        drop = m_owned.get();
        drop->addOrder(0);
        drop->addDisplayField(QStringLiteral("DOC:DOCTORSNAME"));
        drop->addUpdateField(QStringLiteral("DOC:DOCTORSNAME"), record(), QStringLiteral("PRE:DRNAME"));
        drop->addUpdateField(QStringLiteral("DOC:PHONENUMBER"), record(), QStringLiteral("PRE:DRPHONE"));
        if (m_configure)
            m_configure(*drop);
    }
    int setup() override
    {
        const int result = FormWindow::setup();
        if (result == ResultOk) {
            if (comboDrop)
                comboDrop->setValue(record().text("PRE:DRNAME").trimmed());
            drop->fillList();
        }
        return result;
    }

private:
    bool m_combo;
    std::function<void(TableDropList &)> m_configure;
    std::unique_ptr<TableDropList> m_owned;
};

// Types into the combo's entry the way a person does, key by key.
void typeInto(QLineEdit *entry, const QString &text)
{
    entry->setFocus();
    for (QChar c : text)
        QTest::keyClicks(entry, QString(c));
}

} // namespace

class TestTableDropList : public QObject
{
    Q_OBJECT

private slots:
    void changeFormShowsItsDoctor_data();
    void changeFormShowsItsDoctor();
    void insertFormTakesTheFirstDoctor();
    void emptyTableLeavesTargetsBlank();
    void pickingARowCopiesItsFields();
    void failedReadClearsTargets();
    void syncOnDisplayValue();
    void comboSortsAndDropsDuplicates();
    void typeAheadCompletion_data();
    void typeAheadCompletion();
    void backspaceTakesBackTheLastTypedCharacter();
    void acceptingTakesTheMatchingRow();
    void unknownNameRunsTheEntryForm();
    void unknownNameAddedDirectlyAfterMessageFive();
    void viewModeAddsNothing();
};

void TestTableDropList::changeFormShowsItsDoctor_data()
{
    QTest::addColumn<bool>("combo");
    QTest::newRow("list") << false;
    QTest::newRow("combo") << true;
}

void TestTableDropList::changeFormShowsItsDoctor()
{
    QFETCH(bool, combo);
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QStringLiteral("Chen, Wei"), QStringLiteral("555-0188"));
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, combo, [](TableDropList &d) { d.defaultFill = true; });
    QVERIFY(form.start());
    QCOMPARE(form.drop->rowCount(), 4);
    QVERIFY(form.drop->loaded());
    // Synchronised through the first update pair, not the first row.
    QCOMPARE(form.drop->row(form.drop->selectedRow()).columns.value(0), QStringLiteral("Chen, Wei"));
    QCOMPARE(form.control->currentText(), QStringLiteral("Chen, Wei"));
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QStringLiteral("Chen, Wei"));
    QCOMPARE(form.phone->text(), QStringLiteral("555-0188"));
    if (combo)
        QCOMPARE(form.comboDrop->entry()->cursorPosition(), 0);
    // A plain list keeps the view's order; a combo sorts by the shown value.
    QCOMPARE(form.drop->row(1).columns.value(0), QStringLiteral("Abernathy, Grace"));
    QCOMPARE(form.drop->row(2).columns.value(0), QStringLiteral("Chavez, Rosa"));
    QCOMPARE(f.presenter.count(), 0);
}

void TestTableDropList::insertFormTakesTheFirstDoctor()
{
    Fixture f;
    f.addSomeDoctors();
    QCOMPARE(f.prescripts().newRecord(), int(ResultOk)); // the caller prepares it
    f.context->request = Request::Insert;
    PrescriptionForm form(*f.context, false, [](TableDropList &d) { d.defaultFill = true; });
    QVERIFY(form.start());
    QCOMPARE(form.drop->selectedRow(), 1);
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QStringLiteral("Abernathy, Grace"));
    QCOMPARE(form.record().text("PRE:DRPHONE").trimmed(), QStringLiteral("555-0143"));
    QCOMPARE(form.phone->text(), QStringLiteral("555-0143"));

    // Saved with the copied doctor.
    FormDriver driver(form);
    driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Metformin"));
    driver.ok();
    QCOMPARE(driver.response(), int(Response::Completed));
    QCOMPARE(f.prescripts().record().text("PRE:DRNAME").trimmed(), QStringLiteral("Abernathy, Grace"));

    // Without DEFAULTFILL nothing is picked for a new record.
    QCOMPARE(f.prescripts().newRecord(), int(ResultOk));
    f.context->request = Request::Insert;
    PrescriptionForm plain(*f.context, false);
    QVERIFY(plain.start());
    QCOMPARE(plain.drop->selectedRow(), 0);
    QCOMPARE(plain.control->currentIndex(), -1);
    QCOMPARE(plain.record().text("PRE:DRNAME").trimmed(), QString());
}

void TestTableDropList::emptyTableLeavesTargetsBlank()
{
    Fixture f;
    f.prescriptionFor(QStringLiteral("Gone, Doctor"), QStringLiteral("555-9999"));
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, false, [](TableDropList &d) { d.defaultFill = true; });
    QVERIFY(form.start());
    QCOMPARE(form.drop->rowCount(), 0);
    QCOMPARE(form.drop->selectedRow(), 0);
    QCOMPARE(form.control->currentIndex(), -1);
    form.drop->takeSelection(0);
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QString());
    QCOMPARE(form.record().text("PRE:DRPHONE").trimmed(), QString());
    QCOMPARE(form.phone->text(), QString());
    QCOMPARE(f.presenter.count(), 0);
}

void TestTableDropList::pickingARowCopiesItsFields()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QStringLiteral("Chen, Wei"), QStringLiteral("555-0188"));
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, false);
    QVERIFY(form.start());
    int taken = -1;
    connect(form.drop, &TableDropList::selectionTaken, this, [&](int row) { taken = row; });
    // The user picks the fourth row from the list.
    form.control->setFocus();
    QTest::keyClick(form.control, Qt::Key_End);
    QCOMPARE(taken, 4);
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QStringLiteral("Okafor, Nnamdi"));
    QCOMPARE(form.phone->text(), QStringLiteral("555-0177"));
    QVERIFY(form.drop->allowReset());
    // The copied values are what the form saves.
    FormDriver driver(form);
    driver.ok();
    QCOMPARE(f.prescripts().record().text("PRE:DRPHONE").trimmed(), QStringLiteral("555-0177"));
}

void TestTableDropList::failedReadClearsTargets()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QStringLiteral("Chen, Wei"), QStringLiteral("555-0188"));
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, false);
    QVERIFY(form.start());
    QCOMPARE(form.drop->selectedRow(), 3);

    // Another station deletes Okafor after the list was filled.
    auto other = f.make();
    FileManager &d2 = *other->fileManager(tables::doctors());
    d2.record().clear();
    d2.record().setText("DOC:DOCTORSNAME", QStringLiteral("Okafor, Nnamdi"));
    QCOMPARE(d2.getByKey(0), int(ResultOk));
    QCOMPARE(d2.deleteRecord(false), int(ResultOk));

    form.drop->takeSelection(4);
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QString()); // no stale values
    QCOMPARE(form.record().text("PRE:DRPHONE").trimmed(), QString());
    QCOMPARE(form.phone->text(), QString());
}

void TestTableDropList::syncOnDisplayValue()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QStringLiteral("Nobody"), QString());
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, true, [](TableDropList &d) { d.initSyncPair = 0; });
    QVERIFY(form.start());
    QCOMPARE(form.drop->selectedRow(), 0);
    form.comboDrop->setValue(QStringLiteral("Chavez, Rosa"));
    QCOMPARE(form.drop->fillList(true), 2);
    QCOMPARE(form.phone->text(), QStringLiteral("555-0120"));
    // Unforced and unchanged: the rows stay as they are.
    f.addDoctor(QStringLiteral("Zhou, Li"), QString());
    QCOMPARE(form.drop->fillList(false), 2);
    QCOMPARE(form.drop->rowCount(), 4);
}

void TestTableDropList::comboSortsAndDropsDuplicates()
{
    Fixture f;
    f.addSomeDoctors();
    f.addDoctor(QStringLiteral("chen, wei"), QStringLiteral("555-0000")); // the keys allow duplicates
    f.prescriptionFor(QString(), QString());
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, true, [](TableDropList &d) {
        static_cast<TableDropCombo &>(d).removeDuplicates = true;
    });
    QVERIFY(form.start());
    QStringList shown;
    for (int i = 1; i <= form.drop->rowCount(); ++i)
        shown << form.drop->row(i).columns.value(0);
    QCOMPARE(shown, (QStringList{"Abernathy, Grace", "Chavez, Rosa", "Chen, Wei", "Okafor, Nnamdi"}));
}

void TestTableDropList::typeAheadCompletion_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("phone");
    QTest::newRow("two letters") << "ch" << "Chavez, Rosa" << "avez, Rosa" << "";
    QTest::newRow("three letters") << "che" << "Chen, Wei" << "n, Wei" << "";
    QTest::newRow("whole name") << "Okafor, Nnamdi" << "Okafor, Nnamdi" << "" << "";
    QTest::newRow("no row begins so") << "Zz" << "Zz" << "" << "";
}

void TestTableDropList::typeAheadCompletion()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, selected);
    QFETCH(QString, phone);
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QString(), QString());
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, true);
    QVERIFY(form.start());
    QLineEdit *entry = form.comboDrop->entry();
    entry->clear();
    typeInto(entry, typed);
    QCOMPARE(entry->text(), shown);
    QCOMPARE(entry->selectedText(), selected);
    // What was typed, with the case of the completion it replaced.
    QCOMPARE(form.comboDrop->lastTyped().toUpper(), typed.toUpper());
    // Completing copies nothing until the row is taken.
    QCOMPARE(form.phone->text(), phone);

    // With take-at-once the completed row is taken while typing.
    form.comboDrop->takeAtOnce = true;
    entry->clear();
    typeInto(entry, QStringLiteral("ab"));
    QCOMPARE(entry->text(), QStringLiteral("Abernathy, Grace"));
    QCOMPARE(form.phone->text(), QStringLiteral("555-0143"));
}

void TestTableDropList::backspaceTakesBackTheLastTypedCharacter()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QString(), QString());
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, true);
    QVERIFY(form.start());
    QLineEdit *entry = form.comboDrop->entry();
    entry->clear();
    typeInto(entry, QStringLiteral("che"));
    QCOMPARE(entry->text(), QStringLiteral("Chen, Wei"));
    QTest::keyClick(entry, Qt::Key_Backspace);
    QCOMPARE(form.comboDrop->lastTyped().toUpper(), QStringLiteral("CH"));
    QCOMPARE(entry->text(), QStringLiteral("Chavez, Rosa"));
    QCOMPARE(entry->selectedText(), QStringLiteral("avez, Rosa"));
}

void TestTableDropList::acceptingTakesTheMatchingRow()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QString(), QString());
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, true);
    QVERIFY(form.start());
    QLineEdit *entry = form.comboDrop->entry();
    entry->clear();
    typeInto(entry, QStringLiteral("oka"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QStringLiteral("Okafor, Nnamdi"));
    QCOMPARE(form.phone->text(), QStringLiteral("555-0177"));
    QCOMPARE(f.presenter.count(), 0);

    // An emptied entry takes nothing and adds nothing.
    entry->clear();
    form.comboDrop->accept();
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QString());
    QCOMPARE(form.phone->text(), QString());
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(4));
}

void TestTableDropList::unknownNameRunsTheEntryForm()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QString(), QString());
    f.context->request = Request::Change;
    bool save = false;
    QString primed;
    int runs = 0;
    auto entryForm = [&] {
        ++runs;
        ReferenceForm entryForm(*f.context, ReferenceForm::doctors());
        if (!entryForm.start())
            return entryForm.response;
        FormDriver driver(entryForm);
        primed = driver.shown(QStringLiteral("DOC:DOCTORSNAME"));
        if (save) {
            driver.type(QStringLiteral("DOC:PHONENUMBER"), QStringLiteral("555-0111"));
            driver.ok();
        } else {
            driver.cancel();
        }
        return entryForm.response;
    };
    PrescriptionForm form(*f.context, true,
                          [&](TableDropList &d) { static_cast<TableDropCombo &>(d).setEntryForm(entryForm); });
    QVERIFY(form.start());
    QLineEdit *entry = form.comboDrop->entry();

    // Cancelling the form empties the entry and clears the copied fields.
    entry->clear();
    typeInto(entry, QStringLiteral("Xu, Ming"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(runs, 1);
    QCOMPARE(primed, QStringLiteral("Xu, Ming"));
    QCOMPARE(entry->text(), QString());
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QString());
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(4));

    // Saving it adds the doctor, who is then selected and copied.
    save = true;
    typeInto(entry, QStringLiteral("Xu, Ming"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(runs, 2);
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(5));
    QCOMPARE(form.drop->rowCount(), 5);
    QCOMPARE(form.drop->row(form.drop->selectedRow()).columns.value(0), QStringLiteral("Xu, Ming"));
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QStringLiteral("Xu, Ming"));
    QCOMPARE(form.phone->text(), QStringLiteral("555-0111"));
}

void TestTableDropList::unknownNameAddedDirectlyAfterMessageFive()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QString(), QString());
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, true, [](TableDropList &d) { static_cast<TableDropCombo &>(d).addWithoutForm = true; });
    QVERIFY(form.start());
    QLineEdit *entry = form.comboDrop->entry();

    f.presenter.answer(Button::No);
    entry->clear();
    typeInto(entry, QStringLiteral("Xu, Ming"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Add New Record?"));
    QCOMPARE(f.presenter.last().buttons, Button::Yes | Button::No);
    QCOMPARE(f.presenter.last().defaultButton, int(Button::Yes));
    QCOMPARE(entry->text(), QString());
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(4));

    f.presenter.answer(Button::Yes);
    typeInto(entry, QStringLiteral("Xu, Ming"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(5));
    QCOMPARE(form.record().text("PRE:DRNAME").trimmed(), QStringLiteral("Xu, Ming"));
    QCOMPARE(entry->text(), QStringLiteral("Xu, Ming"));

    // Without asking.
    form.comboDrop->askBeforeAdding = false;
    entry->clear();
    typeInto(entry, QStringLiteral("Yates, Ann"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(f.presenter.count(), 2);
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(6));
}

void TestTableDropList::viewModeAddsNothing()
{
    Fixture f;
    f.addSomeDoctors();
    f.prescriptionFor(QStringLiteral("Chen, Wei"), QStringLiteral("555-0188"));
    f.context->request = Request::View;
    int runs = 0;
    PrescriptionForm form(*f.context, true, [&](TableDropList &d) {
        auto &combo = static_cast<TableDropCombo &>(d);
        combo.addWithoutForm = true;
        combo.setEntryForm([&] {
            ++runs;
            return int(Response::Completed);
        });
    });
    QVERIFY(form.start());
    QCOMPARE(form.comboDrop->addValue(), int(ResultCancel));
    form.comboDrop->setValue(QStringLiteral("Xu, Ming"));
    form.comboDrop->accept();
    QCOMPARE(runs, 0);
    QCOMPARE(f.presenter.count(), 0);
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(4));
}

QTEST_MAIN(TestTableDropList)
#include "tst_tabledroplist.moc"
