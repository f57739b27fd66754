// The message catalogue and how messages are composed, shown and answered.
#include "errormanager.h"
#include "scriptedpresenter.h"
#include "storagesession.h"
#include "threadcontext.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

// A context with no tables: the error manager only needs its state.
struct Fixture
{
    QTemporaryDir tmp;
    ThreadContext context{ContextConfig{tmp.path(), {}, {}, {}, nullptr, nullptr}};
    ScriptedPresenter presenter;
    ErrorManager errors;
    int fatalCalls = 0;

    Fixture()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([this] { ++fatalCalls; });
    }

    void driverFailed(int code, const QString &engineText = {}, const QString &engineCode = {})
    {
        DriverStatus s = DriverStatus::make(code);
        s.fileError = engineText;
        s.fileErrorCode = engineCode;
        context.storage().setLastStatus(s);
    }
};

} // namespace

class TestErrorManager : public QObject
{
    Q_OBJECT

private slots:
    void catalogueHasEveryMessage();
    void composesPlaceholders_data();
    void composesPlaceholders();
    void severityDecidesButtonsIconAndResult_data();
    void severityDecidesButtonsIconAndResult();
    void fatalEndsThroughTheHandler();
    void unknownIdShowsNothing();
    void appendedEntryOverridesOlder();
    void askReturnsTheButtonAndSilentTheDefault();
    void procedureNamesPerContext();
    void valueContainingItsPlaceholderDoesNotHang();
    void logAndHistoryWhenSwitchedOn();
};

void TestErrorManager::catalogueHasEveryMessage()
{
    ErrorManager errors;
    int found = 0;
    for (int id = 1; id <= 53; ++id) {
        const CatalogueEntry *e = errors.entry(id);
        if (id == 32) {
            QVERIFY(!e);
            continue;
        }
        QVERIFY2(e, qPrintable(QString::number(id)));
        QVERIFY(!e->title.isEmpty() && !e->text.isEmpty());
        QVERIFY(e->fatality >= ResultOk && e->fatality <= ResultNotify);
        ++found;
    }
    QCOMPARE(errors.categoryOf(26), QStringLiteral("KRN"));
    // Two texts where spacing matters.
    QCOMPARE(errors.entry(26)->text, QStringLiteral("File %File could not be opened.  Error: %ErrorText."));
    QCOMPARE(errors.entry(52)->text, QStringLiteral("Poorly Formed Comment String \"%Message\" at Position %Field."));
}

void TestErrorManager::composesPlaceholders_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("driverCode");
    QTest::addColumn<QString>("engineText");
    QTest::addColumn<QString>("engineCode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file beside file error and its code")
        << 900 << 90 << "disk I/O error" << "10"
        << "%File: %FileError [%FileErrorCode] in %file"
        << "Bloodpre: disk I/O error [10] in Bloodpre";
    QTest::newRow("error text of a driver-level failure")
        << 901 << 100 << "file is not a database" << "26"
        << "Error: (%ErrorText) creating %File."
        << "Error: (file is not a database (26)) creating Bloodpre.";
    QTest::newRow("error text of an ordinary failure")
        << 902 << 2 << "" << ""
        << "File %File could not be opened.  Error: %ErrorText."
        << "File Bloodpre could not be opened.  Error: File Not Found (2).";
    QTest::newRow("code, error, key, field, message, any case")
        << 903 << 40 << "" << ""
        << "%ERRORCODE/%error/%KEY/%field/%message"
        << "40/Creates Duplicate Key/BLO:ByDate/BLO:DATE/free text";
    QTest::newRow("no procedure pushed") << 904 << 0 << "" << "" << "[%Procedure]" << "[]";
    QTest::newRow("category") << 905 << 0 << "" << "" << "%Category" << "KRN";
}

void TestErrorManager::composesPlaceholders()
{
    QFETCH(int, id);
    QFETCH(int, driverCode);
    QFETCH(QString, engineText);
    QFETCH(QString, engineCode);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    Fixture f;
    f.errors.appendCatalogue({CatalogueEntry{id, ResultNotify, QStringLiteral("T"), text, {}}});
    f.errors.setFileName(f.context, QStringLiteral("Bloodpre   "));
    f.errors.setKeyName(f.context, QStringLiteral("BLO:ByDate"));
    f.errors.setFieldName(f.context, QStringLiteral("BLO:DATE"));
    f.errors.setMessageText(f.context, QStringLiteral("free text"));
    f.driverFailed(driverCode, engineText, engineCode);
    QCOMPARE(f.errors.raise(f.context, id), int(ResultNotify));
    QCOMPARE(f.presenter.last().text, expected);
    QCOMPARE(f.errors.composeText(f.context), expected);
}

void TestErrorManager::severityDecidesButtonsIconAndResult_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("answer"); // -1: close the box
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");

    const int yesNo = Button::Yes | Button::No;
    QTest::newRow("question answered yes") << 10 << int(Button::Yes) << int(ResultOk) << "Changes will be lost!"
                                           << "Are you sure you want to cancel?" << yesNo
                                           << int(MessageIcon::Exclamation);
    QTest::newRow("question answered no") << 11 << int(Button::No) << int(ResultCancel) << "Confirm Delete"
                                          << "Are you sure you want to delete the highlighted record?" << yesNo
                                          << int(MessageIcon::Exclamation);
    QTest::newRow("question closed") << 38 << -1 << int(ResultCancel) << "Save Record"
                                     << "Do you want to save the changes to this record?" << yesNo
                                     << int(MessageIcon::Exclamation);
    QTest::newRow("notice") << 25 << int(Button::Ok) << int(ResultNotify) << "No Records"
                            << "There are no records available to process." << int(Button::Ok)
                            << int(MessageIcon::Information);
    QTest::newRow("lines split at bars")
        << 4 << int(Button::Ok) << int(ResultNotify) << "Record Insert Error"
        << "An error was experienced during the creation of a record.\nFile: Journal\nError: Record Is Already Held (43)."
        << int(Button::Ok) << int(MessageIcon::Information);
}

void TestErrorManager::severityDecidesButtonsIconAndResult()
{
    QFETCH(int, id);
    QFETCH(int, answer);
    QFETCH(int, result);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QFETCH(int, buttons);
    QFETCH(int, icon);
    Fixture f;
    f.errors.setFileName(f.context, QStringLiteral("Journal"));
    f.driverFailed(43);
    if (answer < 0)
        f.presenter.closeBox();
    else
        f.presenter.answer(answer);
    QCOMPARE(f.errors.raise(f.context, id), result);
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, caption);
    QCOMPARE(f.presenter.last().text, text);
    QCOMPARE(f.presenter.last().buttons, buttons);
    QCOMPARE(int(f.presenter.last().icon), icon);
    QCOMPARE(f.fatalCalls, 0);
}

void TestErrorManager::fatalEndsThroughTheHandler()
{
    Fixture f;
    f.errors.setFileName(f.context, QStringLiteral("DUMMY"));
    f.driverFailed(2);
    QCOMPARE(f.errors.raise(f.context, 26), int(ResultFatal));
    QCOMPARE(f.fatalCalls, 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("File Access Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("File DUMMY could not be opened.  Error: File Not Found (2).  Press OK to end this application"));
    QCOMPARE(f.presenter.last().buttons, int(Button::Ok));
    // A program error is handled as fatal too.
    QCOMPARE(f.errors.raise(f.context, 42), int(ResultFatal));
    QCOMPARE(f.fatalCalls, 2);
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("Attempt to use file (DUMMY) before it was opened  Press OK to end this application"));
}

void TestErrorManager::unknownIdShowsNothing()
{
    Fixture f;
    QCOMPARE(f.errors.raise(f.context, 999), int(ResultOk));
    QCOMPARE(f.presenter.count(), 0);
    QCOMPARE(f.errors.composeText(f.context), QString());
}

void TestErrorManager::appendedEntryOverridesOlder()
{
    Fixture f;
    f.errors.appendCatalogue({CatalogueEntry{25, ResultNotify, QStringLiteral("Nothing Here"),
                                             QStringLiteral("No %File to show."), QStringLiteral("APP")}});
    f.errors.setFileName(f.context, QStringLiteral("Journal"));
    QCOMPARE(f.errors.raise(f.context, 25), int(ResultNotify));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Nothing Here"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("No Journal to show."));
    QCOMPARE(f.errors.categoryOf(25), QStringLiteral("APP"));
    QCOMPARE(f.errors.categoryOf(24), QStringLiteral("KRN"));
}

void TestErrorManager::askReturnsTheButtonAndSilentTheDefault()
{
    Fixture f;
    const int buttons = Button::Yes | Button::No | Button::Cancel;
    f.presenter.answer(Button::Cancel);
    QCOMPARE(f.errors.ask(f.context, 37, buttons, Button::Yes), int(Button::Cancel));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Record Update Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("An error was experienced changing this record. Do you want to try to save again?"));
    QCOMPARE(f.presenter.last().buttons, buttons);
    QCOMPARE(f.presenter.last().defaultButton, int(Button::Yes));
    f.errors.silent = true;
    QCOMPARE(f.errors.ask(f.context, 37, buttons, Button::No), int(Button::No));
    QCOMPARE(f.presenter.count(), 1);
}

void TestErrorManager::procedureNamesPerContext()
{
    Fixture f;
    ThreadContext other(ContextConfig{f.tmp.path(), {}, {}, {}, nullptr, nullptr});
    f.errors.appendCatalogue({CatalogueEntry{950, ResultNotify, QStringLiteral("T"), QStringLiteral("in %procedure"), {}}});
    f.errors.pushProcedureName(f.context, QStringLiteral("BrowsePerson"));
    f.errors.pushProcedureName(f.context, QStringLiteral("UpdatePersonsName"));
    f.errors.pushProcedureName(other, QStringLiteral("BrowseDoctors"));
    f.errors.raise(f.context, 950);
    QCOMPARE(f.presenter.last().text, QStringLiteral("in UpdatePersonsName"));
    f.errors.popProcedureName(f.context);
    f.errors.raise(f.context, 950);
    QCOMPARE(f.presenter.last().text, QStringLiteral("in BrowsePerson"));
    f.errors.raise(other, 950);
    QCOMPARE(f.presenter.last().text, QStringLiteral("in BrowseDoctors"));
}

void TestErrorManager::valueContainingItsPlaceholderDoesNotHang()
{
    Fixture f;
    f.errors.setFileName(f.context, QStringLiteral("%File"));
    f.errors.raise(f.context, 2);
    QCOMPARE(f.presenter.last().text, QStringLiteral("Could not get write access to %File so trying read-only."));
    f.errors.setFileName(f.context, QStringLiteral("my %FILE copy"));
    f.errors.raise(f.context, 2);
    QCOMPARE(f.presenter.last().text, QStringLiteral("Could not get write access to my %FILE copy so trying read-only."));
}

void TestErrorManager::logAndHistoryWhenSwitchedOn()
{
    Fixture f;
    f.errors.setLogFolder(f.tmp.path());
    f.errors.raise(f.context, 25);
    QVERIFY(!QFile::exists(f.errors.logPath())); // off unless asked for

    f.errors.logErrors = true;
    f.errors.raise(f.context, 25);
    QFile log(f.errors.logPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(log.readAll()).trimmed();
    QVERIFY2(line.contains(QStringLiteral("@")) && line.endsWith(QStringLiteral(" --> There are no records available to process.")),
             qPrintable(line));

    // With a history, boxes give way to the history window at its level.
    f.errors.logErrors = false;
    f.errors.historyThreshold = 2;
    f.errors.historyViewLevel = ResultNotify;
    const int before = f.presenter.count();
    f.errors.raise(f.context, 25);
    f.errors.raise(f.context, 14);
    f.errors.raise(f.context, 41);
    QCOMPARE(f.errors.history().size(), 2);
    QCOMPARE(f.errors.history().last().message, QStringLiteral("This form cannot be used to update a record"));
    QCOMPARE(f.presenter.count(), before + 3);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Errors History"));
}

QTEST_GUILESS_MAIN(TestErrorManager)
#include "tst_errormanager.moc"
