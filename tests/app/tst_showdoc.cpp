// "Your Doctor": the sponsor's lines, the e-mail link and the copied text.
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "showdoc.h"
#include "tables.h"
#include "threadcontext.h"
#include "contextfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace tavimo;

namespace {

// Takes the links the window hands the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

struct Fixture : testing::ContextFixture
{
    void addSponsor(const QMap<QString, QString> &fields)
    {
        FileManager &s = *context->fileManager(tables::sponsor());
        s.record().clear();
        for (auto it = fields.begin(); it != fields.end(); ++it)
            s.record().setText(it.key(), it.value());
        QCOMPARE(s.insert(), int(ResultOk));
    }
};

const QMap<QString, QString> kMarsh{{"SPO:DOCTORSNAME", "Dr. Ellen Marsh"},
                                    {"SPO:PRACTICENAME", "Maple Street Family Practice"},
                                    {"SPO:SPECIALTY", "Family Medicine"},
                                    {"SPO:ADDRESS1", "12 Maple Street"},
                                    {"SPO:ADDRESS2", "Suite 4"},
                                    {"SPO:CITY", "Springfield"},
                                    {"SPO:STATE", "IL"},
                                    {"SPO:ZIPCODE", "62704"},
                                    {"SPO:PHONENUMBER", "(217) 555-0142"},
                                    {"SPO:FAXNUMBER", "(217) 555-0143"},
                                    {"SPO:EMAILADDRESS", "ellen.marsh@example.org"}};

} // namespace

class TestShowDoc : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void windowShowsTheFirstSponsorAndCopiesItsLines();
    void emailOpensANewMail();
    void noSponsorShowsBlankLinesAndNoMail();
};

void TestShowDoc::lines_data()
{
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("fax");
    QTest::addColumn<QStringList>("tail"); // the lines after "city, state zip"
    QTest::newRow("both numbers") << "(217) 555-0142" << "(217) 555-0143"
                                  << QStringList{"Phone: (217) 555-0142", "Fax: (217) 555-0143", "dr@example.org"};
    QTest::newRow("no fax") << "(217) 555-0142" << "" << QStringList{"Phone: (217) 555-0142", "dr@example.org"};
    QTest::newRow("no phone") << "" << "(217) 555-0143" << QStringList{"Fax: (217) 555-0143", "dr@example.org"};
    QTest::newRow("neither") << "  " << "" << QStringList{"dr@example.org"};
}

void TestShowDoc::lines()
{
    QFETCH(QString, phone);
    QFETCH(QString, fax);
    QFETCH(QStringList, tail);
    Record r(tables::sponsor());
    r.clear();
    r.setText("SPO:DOCTORSNAME", QStringLiteral("Dr. Marsh"));
    r.setText("SPO:CITY", QStringLiteral("Springfield"));
    r.setText("SPO:STATE", QStringLiteral("IL"));
    r.setText("SPO:ZIPCODE", QStringLiteral("62704"));
    r.setText("SPO:PHONENUMBER", phone);
    r.setText("SPO:FAXNUMBER", fax);
    r.setText("SPO:EMAILADDRESS", QStringLiteral("dr@example.org"));
    const QStringList lines = ShowDoc::linesOf(r);
    QCOMPARE(lines.mid(0, 6), (QStringList{"Dr. Marsh", "", "", "", "", "Springfield, IL 62704"}));
    QCOMPARE(lines.mid(6), tail);
}

void TestShowDoc::windowShowsTheFirstSponsorAndCopiesItsLines()
{
    Fixture f;
    f.addSponsor(kMarsh);
    f.addSponsor({{"SPO:DOCTORSNAME", "Dr. Abel Second"}});
    ShowDoc doc(*f.context);
    QVERIFY(doc.start());
    QCOMPARE(doc.window()->windowTitle(), QStringLiteral("Your Doctor"));
    const QStringList expected{"Dr. Ellen Marsh",         "Maple Street Family Practice", "Family Medicine",
                               "12 Maple Street",         "Suite 4",                      "Springfield, IL 62704",
                               "Phone: (217) 555-0142",   "Fax: (217) 555-0143",          "ellen.marsh@example.org"};
    QCOMPARE(doc.lines(), expected);
    QStringList shown;
    for (QLabel *label : doc.window()->findChildren<QLabel *>())
        shown << label->text();
    QCOMPARE(shown, expected);

    QCOMPARE(doc.copyButton()->text(), QStringLiteral("Copy To Clipboard"));
    QApplication::clipboard()->clear();
    doc.copyButton()->click();
    QCOMPARE(QApplication::clipboard()->text(), expected.join(QLatin1Char('\n')));

    QCOMPARE(doc.closeButton()->text(), QStringLiteral("Close"));
    doc.closeButton()->click();
    QVERIFY(!doc.isRunning());
    QCOMPARE(doc.response, int(Response::Completed));
}

void TestShowDoc::emailOpensANewMail()
{
    Fixture f;
    f.addSponsor(kMarsh);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    ShowDoc doc(*f.context);
    QVERIFY(doc.start());
    QCOMPARE(doc.emailButton()->text(), QStringLiteral("Send an Email To Dr."));
    QVERIFY(doc.emailButton()->isEnabled());
    doc.emailButton()->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("mailto:ellen.marsh@example.org"))});
    QVERIFY(doc.isRunning()); // writing a mail does not close the window
    doc.endWith(Response::Completed);
}

void TestShowDoc::noSponsorShowsBlankLinesAndNoMail()
{
    Fixture f;
    ShowDoc doc(*f.context);
    QVERIFY(doc.start());
    QCOMPARE(doc.lines(), (QStringList{"", "", "", "", "", "", ""}));
    QVERIFY(!doc.emailButton()->isEnabled());
    // Escape goes through the close rules and ends it.
    QTest::keyClick(doc.window(), Qt::Key_Escape);
    QVERIFY(!doc.isRunning());
    QCOMPARE(f.presenter.count(), 0);
}

QTEST_MAIN(TestShowDoc)
#include "tst_showdoc.moc"
