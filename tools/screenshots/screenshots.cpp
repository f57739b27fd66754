// Takes the screenshots shown in the README, from real windows over a
// throw-away data folder. Run under a display (e.g. xvfb-run):
//   ./build/tools/screenshots/tavimo-screenshots docs/screenshots
#include "calendarpicker.h"
#include "datacontext.h"
#include "errormanager.h"
#include "currentperson.h"
#include "filemanager.h"
#include "formdriver.h"
#include "formwindow.h"
#include "processvalues.h"
#include "record.h"
#include "bpaverages.h"
#include "declaredlist.h"
#include "printpreview.h"
#include "reporthooks.h"
#include "reportmanager.h"
#include "reportpdf.h"
#include "reporttargetselector.h"
#include "selectoutputdialog.h"
#include "pdfgenerator.h"
#include "reportcontrol.h"
#include "idealbmi.h"
#include "personlogforms.h"
#include "recordwindows.h"
#include "referenceforms.h"
#include "referencelists.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "threadcontext.h"
#include "mainframe.h"
#include "procedures.h"
#include "registerprocedures.h"
#include "updatepersonsname.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTimer>
#include <QLabel>
#include <QListWidget>

#include <cstdio>
#include <memory>
#include <utility>

using namespace tavimo;

namespace {

// Under a window manager (TAVIMO_SHOTS_FRAMED=1) the picture is taken from
// the screen, so that the window's frame and title bar are in it.
bool save(QWidget *window, const QString &path)
{
    QApplication::processEvents();
    bool ok = false;
    if (qEnvironmentVariableIsSet("TAVIMO_SHOTS_FRAMED")) {
        window->raise();
        window->activateWindow();
        // Give the window manager time to frame and draw the window.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 700)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        const QRect g = window->frameGeometry();
        ok = QProcess::execute(QStringLiteral("import"),
                               {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                QStringLiteral("%1x%2+%3+%4").arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y()),
                                QStringLiteral("+repage"), path})
             == 0;
    } else {
        ok = window->grab().save(path);
    }
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

bool addPerson(FileManager &persons, std::initializer_list<std::pair<const char *, QString>> fields)
{
    Record &p = persons.record();
    p.clear();
    for (const auto &[name, value] : fields)
        p.setText(QString::fromLatin1(name), value);
    p.setText("PER:PERSONSNAME", p.text("PER:FIRSTNAME") + QLatin1Char(' ') + p.text("PER:LASTNAME"));
    return persons.insert() == ResultOk;
}

bool addHousehold(ThreadContext &context)
{
    FileManager &persons = *context.fileManager(tables::personsName());
    persons.open();
    bool ok = addPerson(persons, {{"PER:FIRSTNAME", QStringLiteral("Ann")},
                                  {"PER:LASTNAME", QStringLiteral("Lee")},
                                  {"PER:STREETADDRESS", QStringLiteral("27 Orchard Lane")},
                                  {"PER:CITY", QStringLiteral("Springfield")},
                                  {"PER:STATE", QStringLiteral("IL")},
                                  {"PER:ZIPCODE", QStringLiteral("62704")},
                                  {"PER:PHONENUMBER", QStringLiteral("2175550142")},
                                  {"PER:EMAILADDRESS", QStringLiteral("ann.lee@example.org")},
                                  {"PER:SOCIALSECURITY", QStringLiteral("123-45-6789")},
                                  {"PER:GENDER", QStringLiteral("F")},
                                  {"PER:MARITALSTATUS", QStringLiteral("Married")},
                                  {"PER:HEIGHT", QStringLiteral("5'06\"")},
                                  {"PER:PRIMARYCONTACTNAME", QStringLiteral("David Lee")},
                                  {"PER:PRIMARYCONTACTRELATIONSHIP", QStringLiteral("Husband")},
                                  {"PER:ASTHMA", QStringLiteral("Y")},
                                  {"PER:HYPERTENSION", QStringLiteral("Y")},
                                  {"PER:HEADACHES", QStringLiteral("Y")}});
    Record &ann = persons.record();
    ann.setDate("PER:BIRTHDATE", Date::fromYmd(1979, 4, 18));
    ann.setInteger("PER:WEIGHT", 138);
    ann.setReal("PER:BMI", 22.27);
    ann.setInteger("PER:MENSTRUATESTARTAGE", 12);
    ann.setDate("PER:DATEUPDATED", Date::fromYmd(2026, 11, 30));
    ann.setTime("PER:TIMEUPDATED", Time::fromHms(19, 42));
    ok = ok && persons.update() == ResultOk;
    ok = ok && addPerson(persons, {{"PER:FIRSTNAME", QStringLiteral("David")},
                                   {"PER:LASTNAME", QStringLiteral("Lee")},
                                   {"PER:STREETADDRESS", QStringLiteral("27 Orchard Lane")},
                                   {"PER:CITY", QStringLiteral("Springfield")},
                                   {"PER:ZIPCODE", QStringLiteral("62704")},
                                   {"PER:PHONENUMBER", QStringLiteral("2175550143")},
                                   {"PER:GENDER", QStringLiteral("M")},
                                   {"PER:PRIMARYCONTACTNAME", QStringLiteral("Ann Lee")},
                                   {"PER:PRIMARYCONTACTRELATIONSHIP", QStringLiteral("Wife")}});
    ok = ok && addPerson(persons, {{"PER:FIRSTNAME", QStringLiteral("Maya")},
                                   {"PER:LASTNAME", QStringLiteral("Lee")},
                                   {"PER:STREETADDRESS", QStringLiteral("27 Orchard Lane")},
                                   {"PER:CITY", QStringLiteral("Springfield")},
                                   {"PER:ZIPCODE", QStringLiteral("62704")},
                                   {"PER:GENDER", QStringLiteral("F")},
                                   {"PER:PRIMARYCONTACTNAME", QStringLiteral("Ann Lee")},
                                   {"PER:PRIMARYCONTACTRELATIONSHIP", QStringLiteral("Mother")}});
    persons.close();
    return ok;
}

// Hands everything to the report's PDF generator, and photographs the
// export window as the first page goes out.
class ShotGenerator : public IReportGenerator
{
public:
    ShotGenerator(IReportGenerator &target, std::function<void()> shot) : m_target(target), m_shot(std::move(shot)) {}

    void initialise() override { m_target.initialise(); }
    int openDocument(int pages) override { return m_target.openDocument(pages); }
    int closeDocument() override { return m_target.closeDocument(); }
    void abandonDocument() override { m_target.abandonDocument(); }
    int openPage(int l, int t, int r, int b, const QString &name) override
    {
        if (m_shot)
            std::exchange(m_shot, nullptr)();
        return m_target.openPage(l, t, r, b, name);
    }
    int closePage() override { return m_target.closePage(); }
    int setUp() override { return m_target.setUp(); }
    QString name() const override { return m_target.name(); }
    QString displayName() const override { return m_target.displayName(); }
    QString icon() const override { return m_target.icon(); }
    QString targetName() const override { return m_target.targetName(); }
    int arc(const ReportControl &c) override { return m_target.arc(c); }
    int furtherControlData(const ReportControl &c) override { return m_target.furtherControlData(c); }
    int checkBox(const ReportControl &c) override { return m_target.checkBox(c); }
    int chord(const ReportControl &c) override { return m_target.chord(c); }
    int ellipse(const ReportControl &c) override { return m_target.ellipse(c); }
    int image(const ReportControl &c) override { return m_target.image(c); }
    int line(const ReportControl &c) override { return m_target.line(c); }
    int groupBox(const ReportControl &c) override { return m_target.groupBox(c); }
    int pie(const ReportControl &c) override { return m_target.pie(c); }
    int polygon(const ReportControl &c) override { return m_target.polygon(c); }
    int radioButton(const ReportControl &c) override { return m_target.radioButton(c); }
    int box(const ReportControl &c) override { return m_target.box(c); }
    int string(const ReportControl &c) override { return m_target.string(c); }
    int textBlock(const ReportControl &c) override { return m_target.textBlock(c); }

private:
    IReportGenerator &m_target;
    std::function<void()> m_shot;
};

QDialog *visibleDialog(const QString &title)
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<QDialog *>(top); d && d->isVisible() && d->windowTitle() == title)
            return d;
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);
    QTemporaryDir data;
    ScriptedPresenter presenter;
    ErrorManager::global().setPresenter(&presenter);
    ContextConfig config = programContextConfig(data.path());
    ThreadContext context(config);
    int failures = 0;

    // A doctor's entry form, as "Change" shows it.
    FileManager &doctors = *context.fileManager(tables::doctors());
    Record &r = doctors.record();
    r.setText("DOC:DOCTORSNAME", QStringLiteral("Dr. Helen Marsh"));
    r.setText("DOC:PHONENUMBER", QStringLiteral("(555) 201-3344"));
    r.setText("DOC:FAXNUMBER", QStringLiteral("(555) 201-3345"));
    r.setText("DOC:HOURS", QStringLiteral("Mon-Fri 8:30-5:00"));
    r.setText("DOC:SPECIALTY", QStringLiteral("Family Medicine"));
    r.setText("DOC:PRACTICENAME", QStringLiteral("Maple Street Family Practice"));
    r.setText("DOC:ADDRESS1", QStringLiteral("412 Maple Street"));
    r.setText("DOC:ADDRESS2", QStringLiteral("Suite 3"));
    r.setText("DOC:CITY", QStringLiteral("Springfield"));
    r.setText("DOC:STATE", QStringLiteral("IL"));
    r.setText("DOC:ZIPCODE", QStringLiteral("62704"));
    r.setText("DOC:EMAILADDRESS", QStringLiteral("office@maplefamily.example"));
    if (doctors.insert() != ResultOk)
        return 1;
    context.request = Request::Change;
    ReferenceForm form(context, ReferenceForm::doctors());
    if (!form.start())
        return 1;
    form.window()->adjustSize();
    failures += !save(form.window(), out + QStringLiteral("/form-doctor.png"));
    form.endWith(Response::Cancelled);

    // The calendar a date field opens, on a fixed day.
    CalendarPicker calendar;
    calendar.setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(10, 30)); });
    calendar.start(Date::fromYmd(2026, 12, 9), QStringLiteral("Date Filled?"));
    failures += !save(&calendar, out + QStringLiteral("/calendar.png"));
    calendar.done(QDialog::Rejected);

    // A household, and one person's profile as "Change" shows it.
    failures += !addHousehold(context);
    FileManager &persons = *context.fileManager(tables::personsName());
    persons.open();
    persons.record().clear();
    persons.record().setText("PER:PERSONSNAME", QStringLiteral("Ann Lee"));
    if (persons.getByKey(0) == ResultOk) {
        context.request = Request::Change;
        UpdatePersonsName profile(context);
        if (profile.start()) {
            profile.window()->resize(profile.window()->sizeHint().expandedTo(QSize(960, 580)));
            failures += !save(profile.window(), out + QStringLiteral("/profile-general.png"));
            profile.tabs()->setCurrentIndex(2);
            failures += !save(profile.window(), out + QStringLiteral("/profile-conditions.png"));
            if (qEnvironmentVariableIsSet("TAVIMO_SHOTS_ALL"))
                for (int i = 0; i < profile.tabs()->count(); ++i) {
                    profile.tabs()->setCurrentIndex(i);
                    save(profile.window(), out + QStringLiteral("/profile-tab%1.png").arg(i + 1));
                }
            profile.endWith(Response::Cancelled);
        } else {
            ++failures;
        }
    } else {
        ++failures;
    }

    // A blood pressure reading, the laboratory test form and the BMI window of Ann's profile.
    registerRecordWindows(Procedures::instance());
    if (persons.getByKey(0) == ResultOk) {
        person::makeCurrent(persons.record());
        FileManager &bp = *context.fileManager(tables::bloodpre());
        bp.open();
        bp.newRecord();
        context.request = Request::Insert;
        PersonLogForm reading(context, PersonLogForm::bloodPressure());
        if (reading.start()) {
            FormDriver d(reading);
            d.type(QStringLiteral("BLO:SYSTOLIC"), QStringLiteral("128"));
            d.type(QStringLiteral("BLO:DIASTOLIC"), QStringLiteral("82"));
            d.type(QStringLiteral("BLO:PULSE"), QStringLiteral("68"));
            d.type(QStringLiteral("BLO:COMMENT"), QStringLiteral("After the morning walk"));
            reading.window()->adjustSize();
            failures += !save(reading.window(), out + QStringLiteral("/form-bloodpressure.png"));
            reading.endWith(Response::Cancelled);
        }
        bp.close();

        FileManager &names = *context.fileManager(tables::labTestName());
        names.open();
        for (const char *name : {"A1C", "Lipid Panel", "Vitamin D"}) {
            names.record().clear();
            names.record().setText("LTN:TESTNAME", QString::fromLatin1(name));
            names.insert();
        }
        names.close();
        FileManager &labs = *context.fileManager(tables::labTests());
        labs.open();
        labs.newRecord();
        context.request = Request::Insert;
        PersonLogForm lab(context, PersonLogForm::labTests());
        if (lab.start()) {
            FormDriver d(lab);
            d.type(QStringLiteral("LAB:TESTNAME"), QStringLiteral("A1C"));
            d.type(QStringLiteral("LAB:RESULTS"), QStringLiteral("5.6 %"));
            d.type(QStringLiteral("LAB:REASONFORTEST"), QStringLiteral("Yearly check-up"));
            d.type(QStringLiteral("LAB:ORDEREDBY"), QStringLiteral("Dr. Helen Marsh"));
            d.type(QStringLiteral("LAB:FACILITYWHERETESTWASDONE"), QStringLiteral("Springfield Clinical Lab"));
            lab.window()->adjustSize();
            failures += !save(lab.window(), out + QStringLiteral("/form-labtest.png"));
            lab.endWith(Response::Cancelled);
        }
        labs.close();

        IdealBmi bmi(context);
        if (bmi.start()) {
            bmi.window()->adjustSize();
            failures += !save(bmi.window(), out + QStringLiteral("/idealbmi.png"));
            bmi.endWith(Response::Cancelled);
        }
        person::clearCurrent();
    }
    persons.close();

    // A reference list: the household's drug names.
    {
        FileManager &drugs = *context.fileManager(tables::drugNames());
        drugs.open();
        const char *rows[][3] = {{"Lisinopril 10 mg", "Lisinopril", "Blood pressure"},
                                 {"Albuterol Inhaler", "Albuterol sulfate", "Asthma"},
                                 {"Sumatriptan", "Sumatriptan succinate", "Migraine"},
                                 {"Vitamin D3", "Cholecalciferol", "Supplement"}};
        for (const auto &row : rows) {
            drugs.record().clear();
            drugs.record().setText("DRU:DRUGNAMEASPRESCRIBED", QString::fromUtf8(row[0]));
            drugs.record().setText("DRU:GENERICNAME", QString::fromUtf8(row[1]));
            drugs.record().setText("DRU:PURPOSE", QString::fromUtf8(row[2]));
            drugs.insert();
        }
        drugs.close();
        DeclaredList list(context, referencelists::drugNames());
        if (list.start()) {
            list.window()->resize(list.window()->width(), 360);
            failures += !save(list.window(), out + QStringLiteral("/list-drugnames.png"));
            list.endWith(Response::Cancelled);
        }
    }

    // The blood pressure report for Ann: its progress window, then the
    // preview at 100% and tiled.
    {
        FileManager &bp = *context.fileManager(tables::bloodpre());
        bp.open();
        const struct { int day, systolic, diastolic, pulse; const char *comment; } readings[] = {
            {3, 128, 82, 66, "Before breakfast"}, {5, 135, 88, 70, "After coffee"},
            {9, 122, 79, 64, "Resting"},         {12, 131, 84, 68, "After the morning walk"},
            {16, 126, 80, 65, "Before breakfast"}, {20, 119, 77, 62, "Resting"}};
        for (const auto &r : readings) {
            Record &rec = bp.record();
            rec.clear();
            rec.setText("BLO:PERSONNAME", QStringLiteral("Ann Lee"));
            rec.setDate("BLO:DATE", Date::fromYmd(2026, 11, r.day));
            rec.setTime("BLO:TIME", Time::fromHms(7, 30));
            rec.setReal("BLO:SYSTOLIC", r.systolic);
            rec.setReal("BLO:DIASTOLIC", r.diastolic);
            rec.setReal("BLO:PULSE", r.pulse);
            rec.setText("BLO:COMMENT", QString::fromLatin1(r.comment));
            bp.insert();
        }
        bp.close();
        ProcessValues &values = ProcessValues::instance();
        values.currentPerson.name = QStringLiteral("Ann Lee");
        values.fromDate = Date::fromYmd(2026, 11, 1);
        values.toDate = Date::fromYmd(2026, 11, 30);
        LogReportHooks hooks;
        // The progress window as the first reading is read.
        struct Snapshot : RecordProcessor
        {
            std::function<void()> take;
            bool takeRecord() override
            {
                if (take)
                    std::exchange(take, nullptr)();
                return true;
            }
        } snapshot;
        // Print offers the printer and the PDF; the PDF is taken, and the
        // export window is photographed on its way.
        QTemporaryDir saved;
        std::unique_ptr<ShotGenerator> shotPdf;
        hooks.pdf = [&](ReportPdf &pdf) {
            pdf.setChooser([&](QWidget *) { return saved.filePath(QStringLiteral("Ann Lee blood pressure")); });
            shotPdf = std::make_unique<ShotGenerator>(pdf.generator(), [&] {
                if (QDialog *progress = visibleDialog(QStringLiteral("Progress..."))) {
                    progress->adjustSize();
                    failures += !save(progress, out + QStringLiteral("/report-export.png"));
                } else {
                    ++failures;
                }
            });
        };
        hooks.report = [&](ReportManager &report) {
            snapshot.take = [&] { failures += !save(report.window(), out + QStringLiteral("/report-progress.png")); };
            report.addProcessor(snapshot);
            report.targetSelector()->addGenerator(*shotPdf);
            report.targetSelector()->setChooser([&](const QStringList &entries, bool printerFirst, QWidget *parent) {
                SelectOutputDialog dialog(entries, printerFirst, parent);
                dialog.list()->setCurrentRow(int(entries.indexOf(QStringLiteral("PDF"))));
                dialog.show();
                failures += !save(&dialog, out + QStringLiteral("/report-select-output.png"));
                return int(entries.indexOf(QStringLiteral("PDF")));
            });
        };
        hooks.preview = [&](PrintPreview &preview) {
            QTimer::singleShot(0, &preview, [&] {
                failures += !save(preview.window(), out + QStringLiteral("/report-preview.png"));
                preview.setZoom(PrintPreview::TileZoom);
                failures += !save(preview.window(), out + QStringLiteral("/report-tiled.png"));
                preview.print();
            });
        };
        BpAverages::run(context, nullptr, hooks);
        if (!QFile::exists(saved.filePath(QStringLiteral("Ann Lee blood pressure.PDF")))) {
            std::printf("the report was not saved as a PDF\n");
            ++failures;
        }
        values.clear();
    }

    // The frame with the people list, as "Add Update or Change Profiles" opens it.
    {
        registerProcedures();
        MainFrame frame(context, data.path());
        frame.setSponsorWindow([](ThreadContext &, QWidget *) {});
        frame.setReminderWindow([](ThreadContext &, QWidget *) {});
        frame.resize(1100, 640);
        frame.show();
        QApplication::processEvents();
        frame.startInNewContext(QStringLiteral("BrowsePerson"));
        QApplication::processEvents();
        if (QMdiSubWindow *list = frame.mdiArea()->activeSubWindow())
            list->move(16, 16);
        failures += !save(&frame, out + QStringLiteral("/frame-people.png"));
        frame.close();
    }

    ErrorManager::global().setPresenter(nullptr);
    return failures ? 1 : 0;
}
