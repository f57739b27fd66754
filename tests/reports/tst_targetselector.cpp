// Choosing where a report goes: the printer or a registered generator,
// with the "Select an Output" window only when there is a choice.
#include "datacontext.h"
#include "errormanager.h"
#include "ireportgenerator.h"
#include "reporttargetselector.h"
#include "scriptedpresenter.h"
#include "selectoutputdialog.h"
#include "threadcontext.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

class NamedGenerator : public IReportGenerator
{
public:
    NamedGenerator(QString name, QString display) : m_name(std::move(name)), m_display(std::move(display)) {}
    void initialise() override {}
    int openDocument(int) override { return Done; }
    int closeDocument() override { return Done; }
    int openPage(int, int, int, int, const QString &) override { return Done; }
    int closePage() override { return Done; }
    int setUp() override { return Done; }
    QString name() const override { return m_name; }
    QString displayName() const override { return m_display; }
    QString icon() const override { return QString(); }

private:
    QString m_name;
    QString m_display;
};

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;
    NamedGenerator pdf{QStringLiteral("PDF"), QStringLiteral("Portable Document")};
    NamedGenerator html{QStringLiteral("HTML"), QStringLiteral("Web Page")};

    // What the chooser was shown, and the row it answers.
    QStringList shown;
    bool printerFirst = false;
    int chooserCalls = 0;
    int answer = -1;

    Fixture()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(tmp.path());
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
    }
    std::unique_ptr<ReportTargetSelector> selector(int generators)
    {
        auto s = std::make_unique<ReportTargetSelector>(*context);
        if (generators >= 1)
            s->addGenerator(pdf);
        if (generators >= 2)
            s->addGenerator(html);
        s->setChooser([this](const QStringList &entries, bool printer, QWidget *) {
            ++chooserCalls;
            shown = entries;
            printerFirst = printer;
            return answer;
        });
        return s;
    }
};

} // namespace

class TestTargetSelector : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void disabledGeneratorsAreNotOffered();
    void generatorsByName();
    void nameOfANumberNotInTheList_data();
    void nameOfANumberNotInTheList();
    void windowListsTheEntriesAndTakesTheHighlightedOne();
};

void TestTargetSelector::choice_data()
{
    QTest::addColumn<int>("generators");
    QTest::addColumn<bool>("withPrinter");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("entries"); // empty: no window
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("chosen");

    // Nothing to choose: no window.
    QTest::newRow("printer wanted, no generator") << 0 << true << -1 << QStringList{}
                                                  << int(TargetChoice::Printer) << QString();
    QTest::newRow("no printer, one generator") << 1 << false << -1 << QStringList{}
                                               << int(TargetChoice::Generator) << "PDF";
    QTest::newRow("no printer, no generator") << 0 << false << -1 << QStringList{}
                                              << int(TargetChoice::Cancelled) << QString();
    // Otherwise the window, "Print" first when the printer is wanted.
    QTest::newRow("printer and one generator, Print taken")
        << 1 << true << 0 << QStringList{"Print", "Portable Document"} << int(TargetChoice::Printer) << QString();
    QTest::newRow("printer and one generator, generator taken")
        << 1 << true << 1 << QStringList{"Print", "Portable Document"} << int(TargetChoice::Generator) << "PDF";
    QTest::newRow("printer and two generators, second taken")
        << 2 << true << 2 << QStringList{"Print", "Portable Document", "Web Page"} << int(TargetChoice::Generator)
        << "HTML";
    QTest::newRow("no printer, two generators") << 2 << false << 1 << QStringList{"Portable Document", "Web Page"}
                                                << int(TargetChoice::Generator) << "HTML";
    QTest::newRow("cancelled") << 2 << false << -1 << QStringList{"Portable Document", "Web Page"}
                               << int(TargetChoice::Cancelled) << QString();
}

void TestTargetSelector::choice()
{
    QFETCH(int, generators);
    QFETCH(bool, withPrinter);
    QFETCH(int, answer);
    QFETCH(QStringList, entries);
    QFETCH(int, kind);
    QFETCH(QString, chosen);

    Fixture f;
    auto selector = f.selector(generators);
    f.answer = answer;
    if (generators == 0 && !withPrinter)
        QTest::ignoreMessage(QtWarningMsg, "ReportTargetSelector: no output generator to save to");
    const TargetChoice choice = selector->ask(withPrinter);

    QCOMPARE(f.chooserCalls, entries.isEmpty() ? 0 : 1);
    QCOMPARE(f.shown, entries);
    if (!entries.isEmpty())
        QCOMPARE(f.printerFirst, withPrinter);
    QCOMPARE(int(choice.kind), kind);
    QCOMPARE(choice.generator ? choice.generator->name() : QString(), chosen);
}

void TestTargetSelector::disabledGeneratorsAreNotOffered()
{
    Fixture f;
    auto selector = f.selector(2);
    selector->setEnabled(1, false);
    QVERIFY(!selector->isEnabled(1));
    QVERIFY(selector->isEnabled(2));

    // The one left is taken without a window...
    TargetChoice choice = selector->ask(false);
    QCOMPARE(f.chooserCalls, 0);
    QCOMPARE(choice.generator, &f.html);

    // ...and is the only one listed beside the printer.
    f.answer = 1;
    choice = selector->ask(true);
    QCOMPARE(f.shown, (QStringList{"Print", "Web Page"}));
    QCOMPARE(choice.generator, &f.html);

    selector->setEnabled(2, false);
    choice = selector->ask(true);
    QCOMPARE(choice.kind, TargetChoice::Printer);
    QCOMPARE(f.chooserCalls, 1);
}

void TestTargetSelector::generatorsByName()
{
    Fixture f;
    ReportTargetSelector selector(*f.context);
    QCOMPARE(selector.addGenerator(f.pdf), 1);
    QCOMPARE(selector.addGenerator(f.html), 2);
    QCOMPARE(selector.generator(QStringLiteral("pdf")), &f.pdf);
    QCOMPARE(selector.generator(QStringLiteral("HTML")), &f.html);
    QCOMPARE(selector.generator(QStringLiteral("XPS")), nullptr);
    QCOMPARE(selector.generator(2), &f.html);
    QCOMPARE(selector.generatorName(1), QStringLiteral("PDF"));

    // A second generator of a name takes the first one's place and number.
    NamedGenerator newer(QStringLiteral("Pdf"), QStringLiteral("PDF, newer"));
    QCOMPARE(selector.addGenerator(newer), 1);
    QCOMPARE(selector.count(), 2);
    QCOMPARE(selector.generator(QStringLiteral("PDF")), &newer);
    QCOMPARE(f.presenter.count(), 0);
}

void TestTargetSelector::nameOfANumberNotInTheList_data()
{
    QTest::addColumn<int>("generators");
    QTest::addColumn<int>("number");
    QTest::newRow("none registered") << 0 << 1;
    QTest::newRow("past the last") << 2 << 3;
    QTest::newRow("zero") << 2 << 0;
    QTest::newRow("negative") << 1 << -4;
}

void TestTargetSelector::nameOfANumberNotInTheList()
{
    QFETCH(int, generators);
    QFETCH(int, number);
    Fixture f;
    auto selector = f.selector(generators);
    QCOMPARE(selector->generatorName(number), QString());
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("The number \"%1\" is not a valid Generator: GetReportGeneratorName").arg(number));
    QCOMPARE(f.presenter.last().buttons, int(Button::Ok));

    // Asked again, the message is said again, from one catalogue entry.
    selector->generatorName(number);
    QCOMPARE(f.presenter.count(), 2);
}

void TestTargetSelector::windowListsTheEntriesAndTakesTheHighlightedOne()
{
    const QStringList entries{"Print", "Portable Document", "Web Page", "Text", "Spreadsheet"};
    {
        SelectOutputDialog dialog(entries, true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select an Output"));
        QListWidget *list = dialog.list();
        QCOMPARE(list->count(), entries.size());
        for (int i = 0; i < entries.size(); ++i)
            QCOMPARE(list->item(i)->text(), entries[i]);
        QVERIFY(!list->item(0)->icon().isNull() || QIcon::fromTheme(QStringLiteral("document-print")).isNull());
        QCOMPARE(list->flow(), QListView::TopToBottom);
        QVERIFY(list->isWrapping());
        // At least three rows fit before a column wraps.
        QVERIFY(list->minimumHeight() >= 3 * list->sizeHintForRow(0));

        // Keyboard only: the list has the focus, Down twice, Enter takes it.
        QCOMPARE(QApplication::focusWidget(), list);
        QCOMPARE(list->currentRow(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenRow(), 2);
    }
    {
        SelectOutputDialog dialog(entries, false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.list(), Qt::Key_Down);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.chosenRow(), -1);
    }
    {
        SelectOutputDialog dialog(entries, false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QList<QPushButton *> buttons = dialog.findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons[0]->text(), QStringLiteral("&OK"));
        QCOMPARE(buttons[1]->text(), QStringLiteral("&Cancel"));
        // Alt+O presses OK on the row highlighted.
        dialog.list()->setCurrentRow(3);
        QTest::keyClick(dialog.list(), Qt::Key_O, Qt::AltModifier);
        QTRY_COMPARE(dialog.chosenRow(), 3); // a mnemonic clicks after a moment
    }
}

QTEST_MAIN(TestTargetSelector)
#include "tst_targetselector.moc"
