// Takes the screenshots shown in the README, from real windows over a
// throw-away data folder. Run under a display (e.g. xvfb-run):
//   ./build/tools/screenshots/tavimo-screenshots docs/screenshots
#include "calendarpicker.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "formwindow.h"
#include "processvalues.h"
#include "record.h"
#include "referenceforms.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "threadcontext.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace tavimo;

namespace {

bool save(QWidget *window, const QString &path)
{
    QApplication::processEvents();
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
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

    ErrorManager::global().setPresenter(nullptr);
    return failures ? 1 : 0;
}
