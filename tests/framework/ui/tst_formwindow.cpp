// Entry forms against real data files, offscreen: insert, change, delete
// and view flows, closing rules and recall.
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "formdriver.h"
#include "formwindow.h"
#include "ownerkey.h"
#include "record.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "sqlconnection.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDialog>
#include <QApplication>
#include <QFormLayout>
#include <QPushButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

class PrescriptionForm : public FormWindow
{
public:
    using FormWindow::FormWindow;

protected:
    void createFields(QWidget *area) override
    {
        auto *form = new QFormLayout(area);
        form->addRow(QStringLiteral("&Drug Name As Prescribed:"),
                     bindText(new QLineEdit(area), "PRE:DRUGNAMEASPRESCRIBED"));
        form->addRow(QStringLiteral("&Purpose:"), bindText(new QLineEdit(area), "PRE:PURPOSE"));
        form->addRow(QStringLiteral("P&erson:"), bindText(new QLineEdit(area), "PRE:PERSONSNAME"));
        form->addRow(QStringLiteral("Date &Filled:"), bindText(new QLineEdit(area), "PRE:DATEFILLED", QStringLiteral("d17")));
        form->addRow(QStringLiteral("C&ost:"), bindText(new QLineEdit(area), "PRE:COST", QStringLiteral("n-10.2")));
        form->addRow(QStringLiteral("&Number:"), bindText(new QLineEdit(area), "PRE:NUMBER", QStringLiteral("n3")));
    }
};

class DoctorForm : public FormWindow
{
public:
    using FormWindow::FormWindow;

protected:
    void createFields(QWidget *area) override
    {
        auto *form = new QFormLayout(area);
        form->addRow(QStringLiteral("&Name:"), bindText(new QLineEdit(area), "DOC:DOCTORSNAME"));
        form->addRow(QStringLiteral("&City:"), bindText(new QLineEdit(area), "DOC:CITY"));
        form->addRow(QStringLiteral("&Hours:"), bindText(new QLineEdit(area), "DOC:HOURS"));
    }
};

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    Fixture() : context(make(tmp.path())) {}
    std::unique_ptr<ThreadContext> make(const QString &dir)
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(dir);
        config.errors = &errors;
        return std::make_unique<ThreadContext>(config);
    }
    FileManager &file(const TableLayout &t) { return *context->fileManager(t); }
    RelationManager &relation(const TableLayout &t) { return *context->relationManager(t); }

    void addDoctor(const QString &name, const QString &city)
    {
        FileManager &d = file(tables::doctors());
        d.record().clear();
        d.record().setText("DOC:DOCTORSNAME", name);
        d.record().setText("DOC:CITY", city);
        QCOMPARE(d.insert(), int(ResultOk));
    }
    bool readDoctor(FileManager &d, const QString &name)
    {
        d.record().clear();
        d.record().setText("DOC:DOCTORSNAME", name);
        return d.getByKey(0) == ResultOk;
    }
};

// Another program's connection to the prescriptions file that reads in a
// transaction of its own, so that a commit here is refused.
std::unique_ptr<SqlConnection> holdPrescriptions(Fixture &f)
{
    const QString path = f.context->storage().pathOf(tables::prescripts());
    DriverStatus status;
    std::unique_ptr<SqlConnection> other =
        SqlConnection::open(path, rawCipherKey(tables::ownerPassword()), false, status);
    if (!other || !other->exec("BEGIN; SELECT count(*) FROM sqlite_master", status))
        return nullptr;
    return other;
}

QString storedPurpose(Fixture &f)
{
    ThreadContext reader(programContextConfig(f.tmp.path()));
    StoredTable &pre = reader.table(tables::prescripts());
    if (pre.open() != 0)
        return QStringLiteral("cannot open");
    pre.set(StoredTable::ByTable);
    QStringList out;
    while (pre.next() == 0)
        out << pre.record().text("PRE:DRUGNAMEASPRESCRIBED") + QLatin1Char('/') + pre.record().text("PRE:PURPOSE");
    return out.join(QLatin1Char(','));
}

} // namespace

class TestFormWindow : public QObject
{
    Q_OBJECT

private slots:
    void cancelledInsertLeavesNoRecord();
    void insertActionThreeStartsFreshRecords();
    void unchangedChangeWritesNothing();
    void deleteWithoutTheForm();
    void conflictShowsTheOtherVersionAndRecallBringsBackTyping();
    void captionsAndViewMode_data();
    void captionsAndViewMode();
    void closingWithChanges();
    void saveAndStay();
    void entriesGoThroughTheirPictures();
    void refusedCommitKeepsTheFormAndTheTyping();
    void failedDeleteAsksYesNoOrCancel();
};

void TestFormWindow::cancelledInsertLeavesNoRecord()
{
    Fixture f;
    FileManager &pre = f.file(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk)); // the caller prepares and numbers it
    QCOMPARE(f.context->table(tables::prescripts()).records(), qint64(1));

    f.context->request = Request::Insert;
    PrescriptionForm form(*f.context, QStringLiteral("UpdatePrescripts"), f.relation(tables::prescripts()));
    QVERIFY(form.start());
    QCOMPARE(form.window()->windowTitle(), QStringLiteral("Record Will Be Added"));
    FormDriver driver(form);
    driver.cancel();
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Cancelled));
    QCOMPARE(f.context->response, int(Response::Cancelled));
    QCOMPARE(f.context->table(tables::prescripts()).records(), qint64(0));
    QCOMPARE(f.presenter.count(), 0);
}

void TestFormWindow::insertActionThreeStartsFreshRecords()
{
    Fixture f;
    FileManager &pre = f.file(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk));
    pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee")); // prepared by the caller

    f.context->request = Request::Insert;
    PrescriptionForm form(*f.context, QStringLiteral("UpdatePrescripts"), f.relation(tables::prescripts()));
    form.insertAction = 3;
    QVERIFY(form.start());
    FormDriver driver(form);
    QCOMPARE(driver.shown(QStringLiteral("PRE:PERSONSNAME")), QStringLiteral("Ann Lee"));
    QVERIFY(driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Lisinopril")));
    driver.ok();
    QVERIFY(driver.isOpen());
    // A fresh record with the prepared values and a new number.
    QCOMPARE(driver.shown(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED")), QString());
    QCOMPARE(driver.shown(QStringLiteral("PRE:PERSONSNAME")), QStringLiteral("Ann Lee"));
    QCOMPARE(pre.record().text("PRE:PRINTKEY"), QStringLiteral("0000000002"));
    QVERIFY(driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Metformin")));
    driver.ok();
    QVERIFY(driver.isOpen());
    driver.cancel();
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Completed));
    // The last inserted record is current, and no numbered leftover stays.
    QCOMPARE(pre.record().text("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Metformin"));
    QCOMPARE(f.context->table(tables::prescripts()).records(), qint64(2));
}

void TestFormWindow::unchangedChangeWritesNothing()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Adams"), QStringLiteral("Springfield"));
    FileManager &d = f.file(tables::doctors());
    QVERIFY(f.readDoctor(d, QStringLiteral("Adams")));
    // Another context changes it meanwhile; an unchanged form must not write over it.
    auto other = f.make(f.tmp.path());
    FileManager &d2 = *other->fileManager(tables::doctors());
    QVERIFY(f.readDoctor(d2, QStringLiteral("Adams")));

    f.context->request = Request::Change;
    DoctorForm form(*f.context, QStringLiteral("UpdateDoctors"), f.relation(tables::doctors()));
    QVERIFY(form.start());
    QCOMPARE(form.window()->windowTitle(), QStringLiteral("Record Will Be Changed"));
    d2.record().setText("DOC:CITY", QStringLiteral("Shelbyville"));
    QCOMPARE(d2.update(), int(ResultOk));
    FormDriver driver(form);
    driver.ok();
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Cancelled));
    QCOMPARE(f.presenter.count(), 0);
    QVERIFY(f.readDoctor(d2, QStringLiteral("Adams")));
    QCOMPARE(d2.record().text("DOC:CITY"), QStringLiteral("Shelbyville"));
}

void TestFormWindow::deleteWithoutTheForm()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Baker"), QString());
    FileManager &d = f.file(tables::doctors());
    QVERIFY(f.readDoctor(d, QStringLiteral("Baker")));
    f.context->request = Request::Delete;
    DoctorForm form(*f.context, QStringLiteral("UpdateDoctors"), f.relation(tables::doctors()));
    f.presenter.answer(Button::Yes);
    QVERIFY(!form.start()); // never shown
    QVERIFY(!form.window()->isVisible());
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Confirm Delete"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("Are you sure you want to delete the highlighted record?"));
    QCOMPARE(form.response, int(Response::Completed));
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(0));

    // Declined: nothing deleted, the caller hears cancelled.
    f.addDoctor(QStringLiteral("Clark"), QString());
    QVERIFY(f.readDoctor(d, QStringLiteral("Clark")));
    f.context->request = Request::Delete;
    DoctorForm again(*f.context, QStringLiteral("UpdateDoctors"), f.relation(tables::doctors()));
    f.presenter.answer(Button::No);
    QVERIFY(!again.start());
    QCOMPARE(again.response, int(Response::Cancelled));
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(1));
}

void TestFormWindow::conflictShowsTheOtherVersionAndRecallBringsBackTyping()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Dunn"), QStringLiteral("Old Town"));
    FileManager &d = f.file(tables::doctors());
    QVERIFY(f.readDoctor(d, QStringLiteral("Dunn")));
    f.context->request = Request::Change;
    DoctorForm form(*f.context, QStringLiteral("UpdateDoctors"), f.relation(tables::doctors()));
    QVERIFY(form.start());
    FormDriver driver(form);

    auto other = f.make(f.tmp.path());
    FileManager &d2 = *other->fileManager(tables::doctors());
    QVERIFY(f.readDoctor(d2, QStringLiteral("Dunn")));
    d2.record().setText("DOC:CITY", QStringLiteral("Their Town"));
    QCOMPARE(d2.update(), int(ResultOk));

    QVERIFY(driver.type(QStringLiteral("DOC:CITY"), QStringLiteral("My Town")));
    QVERIFY(driver.type(QStringLiteral("DOC:HOURS"), QStringLiteral("9-5")));
    driver.ok();
    QVERIFY(driver.isOpen());
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Record Was Not Updated"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("This record was changed by another station. Those changes will now be displayed. "
                            "Use the Ditto Button or Ctrl+H to recall your changes."));
    QCOMPARE(driver.shown(QStringLiteral("DOC:CITY")), QStringLiteral("Their Town"));
    QCOMPARE(driver.shown(QStringLiteral("DOC:HOURS")), QString());
    driver.recall(QStringLiteral("DOC:CITY"));
    QCOMPARE(driver.shown(QStringLiteral("DOC:CITY")), QStringLiteral("My Town"));
    // Ctrl+H on the focused field does the same.
    driver.control(QStringLiteral("DOC:HOURS"))->setFocus();
    QTest::keyClick(driver.control(QStringLiteral("DOC:HOURS")), Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(driver.shown(QStringLiteral("DOC:HOURS")), QStringLiteral("9-5"));
    driver.ok();
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Completed));
    QVERIFY(f.readDoctor(d2, QStringLiteral("Dunn")));
    QCOMPARE(d2.record().text("DOC:CITY"), QStringLiteral("My Town"));
}

void TestFormWindow::captionsAndViewMode_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("editable");
    QTest::newRow("insert") << int(Request::Insert) << "Record Will Be Added" << true;
    QTest::newRow("change") << int(Request::Change) << "Record Will Be Changed" << true;
    QTest::newRow("view") << int(Request::View) << "View Record" << false;
}

void TestFormWindow::captionsAndViewMode()
{
    QFETCH(int, request);
    QFETCH(QString, caption);
    QFETCH(bool, editable);
    Fixture f;
    f.addDoctor(QStringLiteral("Evans"), QString());
    FileManager &d = f.file(tables::doctors());
    QVERIFY(f.readDoctor(d, QStringLiteral("Evans")));
    if (request == Request::Insert)
        d.newRecord();
    f.context->request = request;
    DoctorForm form(*f.context, QStringLiteral("UpdateDoctors"), f.relation(tables::doctors()));
    QVERIFY(form.start());
    QCOMPARE(form.window()->windowTitle(), caption);
    FormDriver driver(form);
    QCOMPARE(driver.control(QStringLiteral("DOC:CITY"))->isEnabled(), editable);
    QCOMPARE(form.okButton()->isVisible(), editable);
    QCOMPARE(driver.type(QStringLiteral("DOC:CITY"), QStringLiteral("x")), editable);
    driver.cancel();
    if (editable && driver.isOpen()) {
        f.presenter.answer(Button::No);
        driver.cancel();
    }
    QVERIFY(!driver.isOpen());
    QCOMPARE(f.context->request, 0); // taken and cleared at start
}

void TestFormWindow::closingWithChanges()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Ford"), QStringLiteral("A"));
    FileManager &d = f.file(tables::doctors());
    struct Case { int cancelAction; int answer; bool staysOpen; const char *caption; const char *city; };
    const Case cases[] = {
        {3, Button::Cancel, true, "Save Record", "A"}, // asked, cancelled: stays
        {3, Button::No, false, "Save Record", "A"},     // asked, no: closes without saving
        {3, Button::Yes, false, "Save Record", "C"},    // asked, yes: saved as OK
        {1, 0, false, nullptr, "D"},                    // saved without asking
        {0, Button::No, true, "Changes will be lost!", "D"},
        {0, Button::Yes, false, "Changes will be lost!", "D"},
    };
    const char *typed[] = {"B", "B", "C", "D", "E", "E"};
    int i = 0;
    for (const Case &c : cases) {
        QVERIFY(f.readDoctor(d, QStringLiteral("Ford")));
        f.context->request = Request::Change;
        DoctorForm form(*f.context, QStringLiteral("UpdateDoctors"), f.relation(tables::doctors()));
        form.cancelAction = c.cancelAction;
        QVERIFY(form.start());
        FormDriver driver(form);
        QVERIFY(driver.type(QStringLiteral("DOC:CITY"), QString::fromLatin1(typed[i++])));
        const int before = f.presenter.count();
        if (c.caption)
            f.presenter.answer(c.answer);
        driver.cancel();
        if (c.caption) {
            QCOMPARE(f.presenter.count(), before + 1);
            QCOMPARE(f.presenter.last().caption, QString::fromLatin1(c.caption));
        } else {
            QCOMPARE(f.presenter.count(), before);
        }
        QCOMPARE(driver.isOpen(), c.staysOpen);
        if (driver.isOpen()) {
            form.endWith(Response::Cancelled);
        }
        QVERIFY(f.readDoctor(d, QStringLiteral("Ford")));
        QCOMPARE(d.record().text("DOC:CITY"), QString::fromLatin1(c.city));
    }
}

void TestFormWindow::saveAndStay()
{
    Fixture f;
    FileManager &d = f.file(tables::doctors());
    QCOMPARE(d.newRecord(), int(ResultOk));
    f.context->request = Request::Insert;
    DoctorForm form(*f.context, QStringLiteral("UpdateDoctors"), f.relation(tables::doctors()));
    QVERIFY(form.start());
    FormDriver driver(form);
    QVERIFY(driver.type(QStringLiteral("DOC:DOCTORSNAME"), QStringLiteral("Gray")));
    driver.save();
    QVERIFY(driver.isOpen());
    QCOMPARE(form.request, int(Request::Change));
    QCOMPARE(form.window()->windowTitle(), QStringLiteral("Record Will Be Changed"));
    QVERIFY(driver.type(QStringLiteral("DOC:CITY"), QStringLiteral("Hill")));
    driver.ok();
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Completed));
    QVERIFY(f.readDoctor(d, QStringLiteral("Gray")));
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(1));
    QCOMPARE(d.record().text("DOC:CITY"), QStringLiteral("Hill"));
}

void TestFormWindow::entriesGoThroughTheirPictures()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Fixture f;
    FileManager &pre = f.file(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk));
    f.context->request = Request::Insert;
    PrescriptionForm form(*f.context, QStringLiteral("UpdatePrescripts"), f.relation(tables::prescripts()));
    QVERIFY(form.start());
    FormDriver driver(form);
    QCOMPARE(driver.shown(QStringLiteral("PRE:DATEFILLED")), QString()); // no date shows blank
    QVERIFY(driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Zinc")));
    QVERIFY(driver.type(QStringLiteral("PRE:DATEFILLED"), QStringLiteral("13/45/2024")));
    QVERIFY(driver.type(QStringLiteral("PRE:COST"), QStringLiteral("12.5")));
    driver.ok();
    QVERIFY(driver.isOpen()); // the date was refused, and its field is selected again
    QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget() : driver.control(QStringLiteral("PRE:DATEFILLED")),
             driver.control(QStringLiteral("PRE:DATEFILLED")));
    QVERIFY(driver.type(QStringLiteral("PRE:DATEFILLED"), QStringLiteral("3/9/2024")));
    QVERIFY(driver.type(QStringLiteral("PRE:NUMBER"), QStringLiteral("1000")));
    driver.ok();
    QVERIFY(driver.isOpen()); // 1000 does not fit three digits
    QVERIFY(driver.type(QStringLiteral("PRE:NUMBER"), QStringLiteral("30")));
    driver.ok();
    QVERIFY(!driver.isOpen());
    QCOMPARE(pre.record().date("PRE:DATEFILLED"), Date::fromYmd(2024, 3, 9));
    QCOMPARE(pre.record().decimal("PRE:COST").cents(), qint64(1250));
    QCOMPARE(pre.record().integer("PRE:NUMBER"), 30);
}

void TestFormWindow::refusedCommitKeepsTheFormAndTheTyping()
{
    Fixture f;
    FileManager &pre = f.file(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk));
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Warfarin"));
    QCOMPARE(pre.insert(), int(ResultOk));
    f.relation(tables::prescripts()).transactionTimeout = 1;
    f.context->request = Request::Change;
    PrescriptionForm form(*f.context, QStringLiteral("UpdatePrescripts"), f.relation(tables::prescripts()));
    QVERIFY(form.start());
    FormDriver driver(form);
    QVERIFY(driver.type(QStringLiteral("PRE:PURPOSE"), QStringLiteral("blood thinner")));

    std::unique_ptr<SqlConnection> other = holdPrescriptions(f);
    QVERIFY(other);
    f.presenter.answer(Button::Ok);     // what went wrong
    f.presenter.answer(Button::Cancel); // try to save again? not now
    driver.ok();
    QCOMPARE(f.presenter.count(), 2);
    QCOMPARE(f.presenter.shown().at(0).caption, QStringLiteral("Record was not updated"));
    QVERIFY(f.presenter.shown().at(0).text.contains(QStringLiteral("locked")));
    QCOMPARE(f.presenter.shown().at(1).caption, QStringLiteral("Record Update Error"));
    QCOMPARE(f.presenter.shown().at(1).defaultButton, int(Button::Cancel));
    // Still open, with what was typed; nothing stored, nothing said to be.
    QVERIFY(driver.isOpen());
    QCOMPARE(driver.shown(QStringLiteral("PRE:PURPOSE")), QStringLiteral("blood thinner"));
    QCOMPARE(storedPurpose(f), QStringLiteral("Warfarin/"));

    // Once the other program lets go, OK saves it.
    other.reset();
    driver.ok();
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Completed));
    QCOMPARE(storedPurpose(f), QStringLiteral("Warfarin/blood thinner"));
}

void TestFormWindow::failedDeleteAsksYesNoOrCancel()
{
    Fixture f;
    FileManager &pre = f.file(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk));
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Insulin"));
    QCOMPARE(pre.insert(), int(ResultOk));
    f.relation(tables::prescripts()).transactionTimeout = 1;
    f.context->request = Request::Delete;
    PrescriptionForm form(*f.context, QStringLiteral("UpdatePrescripts"), f.relation(tables::prescripts()));
    form.deleteAction = 1; // the form is shown and deletes on OK
    QVERIFY(form.start());
    FormDriver driver(form);
    std::unique_ptr<SqlConnection> other = holdPrescriptions(f);
    QVERIFY(other);

    f.presenter.answer(Button::Ok);     // not deleted
    f.presenter.answer(Button::Cancel); // back to the record
    driver.ok();
    const MessageBoxRequest asked = f.presenter.last();
    QCOMPARE(asked.caption, QStringLiteral("Record Delete Error"));
    QCOMPARE(asked.buttons, int(Button::Yes | Button::No | Button::Cancel));
    QCOMPARE(asked.defaultButton, int(Button::Cancel));
    QVERIFY(driver.isOpen());

    f.presenter.answer(Button::Ok);
    f.presenter.answer(Button::No); // give up: the form closes
    driver.ok();
    QCOMPARE(f.presenter.shown().at(2).caption, QStringLiteral("Record was not deleted")); // said again
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Cancelled));
    other.reset();
    QCOMPARE(storedPurpose(f), QStringLiteral("Insulin/"));
}

QTEST_MAIN(TestFormWindow)
#include "tst_formwindow.moc"
