// A form built from its declaration, offscreen against real data files:
// every kind of row, prompts and Tab order, view mode, refused entries
// that say why, recall across openings, Ctrl+Tab between pages, and names
// that do not resolve.
#include "calendarpicker.h"
#include "contextfixture.h"
#include "datacontext.h"
#include "declaredform.h"
#include "errormanager.h"
#include "filemanager.h"
#include "formdriver.h"
#include "helpviewer.h"
#include "picture.h"
#include "record.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "softcheck.h"
#include "storedtable.h"
#include "tabledropcombo.h"
#include "tables.h"
#include "threadcontext.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tavimo;

namespace {

const DropSpec doctorDrop{"Doctors", "DOC:ByName", "DOC:DOCTORSNAME", "", {{"DOC:DOCTORSNAME", "PRE:DRNAME"},
                                                                        {"DOC:PHONENUMBER", "PRE:DRPHONE"}}};

const FormSpec &prescriptionForm()
{
    static const FormSpec spec{
        "UpdatePrescripts", "", "Prescripts", "",
        {{"&1) Drug",
          {{.prompt = "&Drug Name:", .field = "PRE:DRUGNAMEASPRESCRIBED"},
           {.prompt = "Date &Filled:", .field = "PRE:DATEFILLED", .kind = RowKind::Date, .calendar = "Date Filled"},
           {.prompt = "C&ost:", .field = "PRE:COST", .kind = RowKind::Number, .picture = "n-10.2"},
           {.prompt = "&Number:", .field = "PRE:NUMBER", .kind = RowKind::Spin, .low = 0, .high = 500},
           {.prompt = "&Active", .field = "PRE:ACTIVE", .kind = RowKind::Check, .on = "Y", .off = "N"},
           {.prompt = "&Rx Number:", .field = "PRE:RXNUMBER", .readOnly = true, .history = false},
           {.prompt = "&Generic Name:", .field = "PRE:GENERICNAME", .help = "calendar.htm"}}},
         {"&2) Doctor",
          {{.prompt = "D&octor:", .field = "PRE:DRNAME", .kind = RowKind::DropCombo, .drop = &doctorDrop},
           {.prompt = "Take &When", .field = "PRE:TAKEWHEN", .kind = RowKind::Radio,
            .choices = {{"&Morning", "AM"}, {"&Evening", "PM"}}},
           {.prompt = "&Notes:", .field = "PRE:SPECIALINSTRUCTIONSNOTES", .kind = RowKind::Memo}}}}};
    return spec;
}

struct Fixture : testing::ContextFixture
{
    FileManager &file(const TableLayout &t) { return *context->fileManager(t); }
    void addDoctor(const QString &name, const QString &phone)
    {
        FileManager &d = file(tables::doctors());
        d.record().clear();
        d.record().setText("DOC:DOCTORSNAME", name);
        d.record().setText("DOC:PHONENUMBER", phone);
        QCOMPARE(d.insert(), int(ResultOk));
    }
    // Opens the form for a new prescription, numbered as a list would.
    std::unique_ptr<DeclaredForm> insertForm(const FormSpec &spec = prescriptionForm())
    {
        file(tables::prescripts()).newRecord();
        context->request = Request::Insert;
        auto form = std::make_unique<DeclaredForm>(*context, spec);
        if (!form->start())
            return nullptr;
        // Focus is only given to the active window.
        form->window()->activateWindow();
        if (!QTest::qWaitForWindowActive(form->window()))
            return nullptr;
        return form;
    }
};

QLabel *labelFor(QWidget *window, QWidget *control)
{
    for (QLabel *l : window->findChildren<QLabel *>())
        if (l->buddy() == control)
            return l;
    return nullptr;
}

} // namespace

class TestDeclaredForm : public QObject
{
    Q_OBJECT

private slots:
    // The program's own start on a C desktop; the fields are US-shaped.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void rowsBecomeBoundControls();
    void promptsNameTheirControlsAndTabFollowsTheRows();
    void viewModeChangesNothing();
    void refusedEntrySaysWhichFieldAndWhatForm_data();
    void refusedEntrySaysWhichFieldAndWhatForm();
    void cancelWithChangesAsksChangesWillBeLost();
    void recallBringsBackTheLastSavedRecord();
    void controlTabTurnsThePages();
    void aMisspeltNameIsSkippedWithAWarning();
    void fieldHelpComesBeforeTheForms();
};

void TestDeclaredForm::rowsBecomeBoundControls()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Adams, Ann"), QStringLiteral("(555) 010-1000"));
    auto form = f.insertForm();
    QVERIFY(form);
    QCOMPARE(form->tabs()->count(), 2);
    QCOMPARE(form->tabs()->tabText(1), QStringLiteral("&2) Doctor"));
    QVERIFY(qobject_cast<QSpinBox *>(form->control(QStringLiteral("PRE:NUMBER"))));
    QCOMPARE(qobject_cast<QSpinBox *>(form->control(QStringLiteral("PRE:NUMBER")))->maximum(), 500);
    QVERIFY(qobject_cast<QPlainTextEdit *>(form->control(QStringLiteral("PRE:SPECIALINSTRUCTIONSNOTES"))));
    QVERIFY(qobject_cast<QLineEdit *>(form->control(QStringLiteral("PRE:RXNUMBER")))->isReadOnly());

    FormDriver driver(*form);
    QVERIFY(driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Lisinopril")));
    QVERIFY(driver.type(QStringLiteral("PRE:DATEFILLED"), QStringLiteral("10/01/2026")));
    QVERIFY(driver.type(QStringLiteral("PRE:COST"), QStringLiteral("12.50")));
    qobject_cast<QSpinBox *>(form->control(QStringLiteral("PRE:NUMBER")))->setValue(30);
    QVERIFY(driver.check(QStringLiteral("PRE:ACTIVE"), false));
    for (QRadioButton *b : form->control(QStringLiteral("PRE:TAKEWHEN"))->findChildren<QRadioButton *>())
        if (b->property("value").toString() == QLatin1String("PM"))
            b->setChecked(true);
    QVERIFY(driver.type(QStringLiteral("PRE:SPECIALINSTRUCTIONSNOTES"), QStringLiteral("with food")));
    // The doctor is picked from the list, and the phone comes with the name.
    auto *combo = static_cast<TableDropCombo *>(form->drop(QStringLiteral("PRE:DRNAME")));
    QCOMPARE(combo->rowCount(), 1);
    combo->takeSelection(1);
    driver.ok();
    QVERIFY(!driver.isOpen());
    QCOMPARE(driver.response(), int(Response::Completed));

    FileManager &pre = f.file(tables::prescripts());
    const Record &r = pre.record();
    QCOMPARE(r.text("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Lisinopril"));
    QCOMPARE(r.date("PRE:DATEFILLED").toQDate(), QDate(2026, 10, 1));
    QCOMPARE(r.decimal("PRE:COST").toString(), QStringLiteral("12.50"));
    QCOMPARE(r.integer("PRE:NUMBER"), 30);
    QCOMPARE(r.text("PRE:ACTIVE"), QStringLiteral("N"));
    QCOMPARE(r.text("PRE:TAKEWHEN"), QStringLiteral("PM"));
    QCOMPARE(r.memo(), QStringLiteral("with food"));
    QCOMPARE(r.text("PRE:DRNAME"), QStringLiteral("Adams, Ann"));
    QCOMPARE(r.text("PRE:DRPHONE"), QStringLiteral("(555) 010-1000"));
    QCOMPARE(f.context->table(tables::prescripts()).records(), qint64(1));
}

void TestDeclaredForm::promptsNameTheirControlsAndTabFollowsTheRows()
{
    Fixture f;
    auto form = f.insertForm();
    QVERIFY(form);
    QWidget *window = form->window();
    for (const char *field : {"PRE:DRUGNAMEASPRESCRIBED", "PRE:DATEFILLED", "PRE:COST", "PRE:NUMBER"}) {
        QLabel *label = labelFor(window, form->control(QString::fromLatin1(field)));
        QVERIFY2(label, field);
        QVERIFY2(label->text().contains(QLatin1Char('&')), field);
    }
    // Down the rows as they stand; the calendar button is the mouse's.
    QWidget *name = form->control(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"));
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form->control(QStringLiteral("PRE:DATEFILLED")));
    // A mnemonic takes the focus to its entry and types nothing there.
    auto *cost = qobject_cast<QLineEdit *>(form->control(QStringLiteral("PRE:COST")));
    const QString shown = cost->text();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), cost);
    QCOMPARE(cost->text(), shown);
    form->endWith(Response::Cancelled);
}

void TestDeclaredForm::viewModeChangesNothing()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Adams, Ann"), QString());
    FileManager &pre = f.file(tables::prescripts());
    pre.record().clear();
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Aspirin"));
    QCOMPARE(pre.insert(), int(ResultOk));
    f.context->request = Request::View;
    DeclaredForm form(*f.context, prescriptionForm());
    QVERIFY(form.start());
    QCOMPARE(form.window()->windowTitle(), QStringLiteral("View Record"));
    for (const FormTab &tab : prescriptionForm().tabs)
        for (const FormRow &row : tab.rows)
            QVERIFY2(!form.control(QString::fromLatin1(row.field))->isEnabled(), row.field);
    auto *calendar = form.window()->findChild<QToolButton *>();
    QVERIFY(calendar);
    QVERIFY(!calendar->isEnabled());
    QVERIFY(!form.drop(QStringLiteral("PRE:DRNAME"))->list()->isEnabled());
    // Ctrl+H has nothing to put into a record that is only shown.
    QWidget *name = form.control(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"));
    form.recallField(name);
    QCOMPARE(qobject_cast<QLineEdit *>(name)->text(), QStringLiteral("Aspirin"));
    form.okButton()->click();
    QVERIFY(!form.isRunning());
}

void TestDeclaredForm::refusedEntrySaysWhichFieldAndWhatForm_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("date") << "PRE:DATEFILLED" << "13/45/2026"
                          << "Date Filled: this entry cannot be taken. Enter a date like 12/31/2026.";
    QTest::newRow("letters in an amount") << "PRE:COST" << "twelve"
                                          << "Cost: this entry cannot be taken. Enter a number like 120.50.";
}

void TestDeclaredForm::refusedEntrySaysWhichFieldAndWhatForm()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    Fixture f;
    auto form = f.insertForm();
    QVERIFY(form);
    FormDriver driver(*form);
    QVERIFY(driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Aspirin")));
    QVERIFY(driver.type(field, typed));
    form->tabs()->setCurrentIndex(1);
    const int before = f.presenter.count();
    driver.ok();
    QCOMPARE(f.presenter.count(), before + 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Entry Not Accepted"));
    QCOMPARE(f.presenter.last().text, text);
    // The form stays with what was typed, on the page and field refused.
    QVERIFY(driver.isOpen());
    QCOMPARE(driver.shown(field), typed);
    QCOMPARE(form->tabs()->currentIndex(), 0);
    QVERIFY(form->control(field)->hasFocus());
    QCOMPARE(f.context->table(tables::prescripts()).records(), qint64(1)); // only the numbered one
    form->endWith(Response::Cancelled);
}

void TestDeclaredForm::cancelWithChangesAsksChangesWillBeLost()
{
    Fixture f;
    auto form = f.insertForm();
    QVERIFY(form);
    FormDriver driver(*form);
    QVERIFY(driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Aspirin")));
    f.presenter.answer(Button::No);
    driver.cancel();
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Changes will be lost!"));
    QVERIFY(driver.isOpen()); // No: the typing is kept
    QCOMPARE(driver.shown(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED")), QStringLiteral("Aspirin"));
    f.presenter.answer(Button::Yes);
    driver.cancel();
    QVERIFY(!driver.isOpen());
    QCOMPARE(f.context->table(tables::prescripts()).records(), qint64(0));
}

void TestDeclaredForm::recallBringsBackTheLastSavedRecord()
{
    Fixture f;
    {
        auto form = f.insertForm();
        QVERIFY(form);
        FormDriver driver(*form);
        QVERIFY(driver.type(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Metformin")));
        QVERIFY(driver.type(QStringLiteral("PRE:DATEFILLED"), QStringLiteral("11/02/2026")));
        driver.ok();
        QVERIFY(!driver.isOpen());
    }
    // The next form, opened afresh, recalls the values just saved with Ctrl+H.
    auto form = f.insertForm();
    QVERIFY(form);
    auto *name = qobject_cast<QLineEdit *>(form->control(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED")));
    auto *date = qobject_cast<QLineEdit *>(form->control(QStringLiteral("PRE:DATEFILLED")));
    QCOMPARE(name->text(), QString());
    QTest::keyClick(name, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(name->text(), QStringLiteral("Metformin"));
    QTest::keyClick(date, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(date->text(), Picture::parse(QStringLiteral("d17"))->format(Date::fromQDate(QDate(2026, 11, 2))));
    form->endWith(Response::Cancelled);
}

void TestDeclaredForm::controlTabTurnsThePages()
{
    Fixture f;
    auto form = f.insertForm();
    QVERIFY(form);
    QWidget *name = form->control(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"));
    name->setFocus();
    struct Step { Qt::Key key; Qt::KeyboardModifiers mods; int page; };
    const Step steps[] = {{Qt::Key_Tab, Qt::ControlModifier, 1},
                          {Qt::Key_Tab, Qt::ControlModifier, 0},
                          {Qt::Key_PageDown, Qt::ControlModifier, 1},
                          {Qt::Key_PageUp, Qt::ControlModifier, 0},
                          {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 1}};
    for (const Step &s : steps) {
        QTest::keyClick(QApplication::focusWidget(), s.key, s.mods);
        QCOMPARE(form->tabs()->currentIndex(), s.page);
        QVERIFY(form->tabs()->currentWidget()->isAncestorOf(QApplication::focusWidget()));
    }
    form->endWith(Response::Cancelled);
}

void TestDeclaredForm::aMisspeltNameIsSkippedWithAWarning()
{
    static const FormSpec misspelt{
        "UpdateDoctors", "", "Doctors", "",
        {{"", {{.prompt = "&Name:", .field = "DOC:DOCTORSNAME"}, {.prompt = "&City:", .field = "DOC:CTY"},
               {.prompt = "&When:", .field = "DOC:HOURS", .picture = "q99"}}}}};
    Fixture f;
    f.context->request = Request::Insert;
    f.file(tables::doctors()).newRecord();
    const int before = softCheckFailures();
    QTest::ignoreMessage(QtWarningMsg, "UpdateDoctors: DOC:CTY does not resolve");
    QTest::ignoreMessage(QtWarningMsg, "FormWindow::bindText: q99 does not resolve");
    DeclaredForm form(*f.context, misspelt);
    QVERIFY(form.start());
    QCOMPARE(softCheckFailures(), before + 2);
    QVERIFY(!form.control(QStringLiteral("DOC:CTY")));
    FormDriver driver(form);
    QVERIFY(driver.type(QStringLiteral("DOC:DOCTORSNAME"), QStringLiteral("Baker")));
    driver.ok();
    QCOMPARE(driver.response(), int(Response::Completed));
}

void TestDeclaredForm::fieldHelpComesBeforeTheForms()
{
    static const FormSpec helped{"UpdatePrescripts", "", "Prescripts", "enteringrecords.htm",
                                 prescriptionForm().tabs};
    Fixture f;
    auto form = f.insertForm(helped);
    QVERIFY(form);
    QWidget *generic = form->control(QStringLiteral("PRE:GENERICNAME"));
    generic->setFocus();
    QTest::keyClick(generic, Qt::Key_F1);
    QCOMPARE(HelpViewer::shared()->currentTopic(), QStringLiteral("calendar.htm"));
    QWidget *name = form->control(QStringLiteral("PRE:DRUGNAMEASPRESCRIBED"));
    name->setFocus();
    QTest::keyClick(name, Qt::Key_F1);
    QCOMPARE(HelpViewer::shared()->currentTopic(), QStringLiteral("enteringrecords.htm"));
    HelpViewer::releaseShared();
    form->endWith(Response::Cancelled);
}

QTEST_MAIN(TestDeclaredForm)
#include "tst_declaredform.moc"
