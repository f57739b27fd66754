// The help window, the catalogue of shipped pages and the per-window help.
#include "helpcatalogue.h"
#include "helpviewer.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace tavimo;

namespace {

QString shownText(const HelpViewer &viewer)
{
    return viewer.browser()->toPlainText();
}

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return true;
}

QString page(const QString &title, const QString &body)
{
    return QStringLiteral("<html><head><title>%1</title></head><body><h1>%1</h1><p>%2</p></body></html>")
        .arg(title, body);
}

} // namespace

class TestHelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void shippedPagesAreAllListed();
    void linksLeadToPages();
    void topicShowsItsPage_data();
    void topicShowsItsPage();
    void windowTopicsAreWritten_data();
    void windowTopicsAreWritten();
    void linksInShippedPagesOpen();
    void unknownTopicFallsBackToContents_data();
    void unknownTopicFallsBackToContents();
    void noteGoesWithTheNextTopic();
    void contentsPageListsTopics();
    void linksInPagesAreFollowed();
    void backAndForward();
    void contentsListFollowsPage();
    void keywordLookup_data();
    void keywordLookup();
    void indexFindsKeywordAsTyped();
    void listsShowAPageBesideThem_data();
    void listsShowAPageBesideThem();
    void opensInsideTheScreen();
    void search_data();
    void search();
    void searchWithoutWordsFindsNothing();
    void searchResultOpensPageAtWord();
    void f1OpensViewerOnWindowTopic_data();
    void f1OpensViewerOnWindowTopic();
    void f1WithoutHelpObjectDoesNothing();
    void helpButtonSlotShowsTopic();
    void windowsShareOneViewer();
    void listFileRules();
    void oddFileNames();
    void missingListFile();
};

void TestHelpViewer::cleanup()
{
    HelpViewer::releaseShared();
    QVERIFY(!HelpViewer::hasShared());
}

void TestHelpViewer::shippedPagesAreAllListed()
{
    const HelpCatalogue catalogue;
    QVERIFY2(catalogue.problems().isEmpty(), qPrintable(catalogue.problems().join(QLatin1Char('\n'))));
    QCOMPARE(catalogue.homeTopic(), QStringLiteral("index.htm"));
    QStringList listed;
    for (const HelpTopic &topic : catalogue.topics()) {
        listed << topic.file;
        QVERIFY2(!topic.title.isEmpty(), qPrintable(topic.file));
    }
    for (const QString &page : catalogue.pages())
        QVERIFY2(listed.contains(page), qPrintable(page + QStringLiteral(" has no line in topics.txt")));
    for (const char *topic : {"index.htm", "calendar.htm", "enteringrecords.htm", "usinghelp.htm"})
        QVERIFY2(listed.contains(QLatin1String(topic)), topic);
}

void TestHelpViewer::linksLeadToPages()
{
    const HelpCatalogue catalogue;
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    for (const QString &page : catalogue.pages()) {
        const QString html = catalogue.pageHtml(page);
        QVERIFY2(!html.isEmpty(), qPrintable(page));
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QUrl target(it.next().captured(1));
            if (!target.scheme().isEmpty() || target.path().isEmpty())
                continue;
            const QString where = page + QStringLiteral(" -> ") + target.toString();
            if (target.path().endsWith(QLatin1String(".css")))
                QVERIFY2(QFile::exists(QStringLiteral(":/help/") + target.path()), qPrintable(where));
            else
                QVERIFY2(!catalogue.resolve(target.path()).isEmpty(), qPrintable(where));
        }
    }
}

void TestHelpViewer::topicShowsItsPage_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("heading");
    QTest::newRow("calendar") << "calendar.htm" << "calendar.htm" << "Choosing a date from the calendar";
    QTest::newRow("other case") << "Calendar.HTM" << "calendar.htm" << "Choosing a date from the calendar";
    QTest::newRow("forms") << "enteringrecords.htm" << "enteringrecords.htm" << "Entering records in a form";
    QTest::newRow("with a part") << "enteringrecords.htm#ok" << "enteringrecords.htm" << "Entering records in a form";
    QTest::newRow("home") << "index.htm" << "index.htm" << "Welcome to Tavimo Help";
}

void TestHelpViewer::topicShowsItsPage()
{
    QFETCH(QString, topic);
    QFETCH(QString, file);
    QFETCH(QString, heading);
    HelpViewer viewer;
    QVERIFY(viewer.showTopic(topic));
    QVERIFY(viewer.isVisible());
    QCOMPARE(viewer.currentTopic(), file);
    QCOMPARE(viewer.browser()->documentTitle(), heading);
    QVERIFY(shownText(viewer).startsWith(heading));
    QVERIFY(viewer.note().isEmpty());
}

// The topics that windows of Tavimo ask for by name: each must open its own
// page, whose heading is the title the contents give it.
void TestHelpViewer::windowTopicsAreWritten_data()
{
    QTest::addColumn<QString>("topic");
    for (const char *topic : {"'Ambrel Series'.htm", "listofprofiles.htm", "tavimo.htm", "surgerylist.htm",
                              "doctorsvisits.htm", "BloodPressureMonitoring.htm", "GlucoseMonitoring.htm",
                              "Prescriptionlist.htm", "labtestlist.htm", "Symptomslist.htm", "painevents.htm",
                              "FamilyHistory.htm", "expenselist.htm", "selectrecords.htm", "remind.htm",
                              "browsedoctors.htm", "updatedoctors.htm", "calendar.htm", "usinghelp.htm"})
        QTest::newRow(topic) << QString::fromLatin1(topic);
}

void TestHelpViewer::windowTopicsAreWritten()
{
    QFETCH(QString, topic);
    HelpViewer viewer;
    QVERIFY2(viewer.showTopic(topic), qPrintable(viewer.note()));
    QCOMPARE(viewer.currentTopic(), topic); // the very page, not one of another case
    QVERIFY(viewer.note().isEmpty());
    const QString title = viewer.catalogue().title(topic);
    QVERIFY(title != topic); // listed in topics.txt with a title
    QCOMPARE(viewer.browser()->documentTitle(), title);
    QVERIFY(shownText(viewer).startsWith(title));
    const auto listed = std::find_if(viewer.catalogue().topics().cbegin(), viewer.catalogue().topics().cend(),
                                     [&topic](const HelpTopic &t) { return t.file == topic; });
    QVERIFY(listed != viewer.catalogue().topics().cend());
    QVERIFY2(!listed->group.isEmpty(), "every topic but the home page belongs to a group");
    QVERIFY(!listed->keywords.isEmpty());
}

// Following each link in the shipped pages, as a click does, reaches the
// page it names, also when the name has blanks or quotes.
void TestHelpViewer::linksInShippedPagesOpen()
{
    HelpViewer viewer;
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    int followed = 0;
    for (const QString &page : viewer.catalogue().pages()) {
        const QString html = viewer.catalogue().pageHtml(page);
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QString link = it.next().captured(1);
            const QUrl target(link);
            if (!target.scheme().isEmpty() || target.path().isEmpty() || target.path().endsWith(QLatin1String(".css")))
                continue;
            QVERIFY(viewer.showTopic(page));
            emit viewer.browser()->anchorClicked(target);
            const QString where = page + QStringLiteral(" -> ") + link;
            QVERIFY2(viewer.note().isEmpty(), qPrintable(where));
            QCOMPARE(viewer.currentTopic(), viewer.catalogue().resolve(target.path()));
            ++followed;
        }
    }
    QVERIFY(followed > 0);
}

void TestHelpViewer::unknownTopicFallsBackToContents_data()
{
    QTest::addColumn<QString>("topic");
    QTest::newRow("not written") << "no-such-window.htm";
    QTest::newRow("blanks and quotes") << "'No Such Series'.htm";
    QTest::newRow("empty") << "";
}

void TestHelpViewer::unknownTopicFallsBackToContents()
{
    QFETCH(QString, topic);
    HelpViewer viewer;
    viewer.showTopic("calendar.htm");
    viewer.showIndex();
    QVERIFY(!viewer.showTopic(topic));
    QVERIFY(viewer.isVisible());
    QCOMPARE(viewer.currentTopic(), QStringLiteral("index.htm"));
    QCOMPARE(viewer.currentPane(), HelpViewer::ContentsPane);
    QVERIFY(!viewer.note().isEmpty());
    if (!topic.isEmpty())
        QVERIFY2(viewer.note().contains(topic), qPrintable(viewer.note()));
    QVERIFY(QApplication::activeModalWidget() == nullptr); // no message box
}

void TestHelpViewer::noteGoesWithTheNextTopic()
{
    HelpViewer viewer;
    viewer.showTopic("no-such-window.htm");
    QVERIFY(!viewer.note().isEmpty());
    viewer.showTopic("calendar.htm");
    QVERIFY(viewer.note().isEmpty());
    viewer.showTopic("no-such-window.htm");
    viewer.showContents();
    QVERIFY(viewer.note().isEmpty());
    viewer.showTopic("no-such-window.htm");
    viewer.browser()->backward(); // back to the calendar page
    QCOMPARE(viewer.currentTopic(), QStringLiteral("calendar.htm"));
    QVERIFY(viewer.note().isEmpty());
}

void TestHelpViewer::contentsPageListsTopics()
{
    HelpViewer viewer;
    viewer.showContents();
    QCOMPARE(viewer.currentTopic(), QStringLiteral("index.htm"));
    const QString text = shownText(viewer);
    qsizetype from = 0;
    for (const HelpTopic &topic : viewer.catalogue().topics()) {
        if (topic.file == viewer.catalogue().homeTopic())
            continue;
        const qsizetype at = text.indexOf(topic.title, from);
        QVERIFY2(at >= 0, qPrintable(topic.title + QStringLiteral(" missing or out of order")));
        from = at;
    }
    QVERIFY(!text.contains(QLatin1String("<!--")));
}

void TestHelpViewer::linksInPagesAreFollowed()
{
    HelpViewer viewer;
    viewer.showTopic("calendar.htm");
    emit viewer.browser()->anchorClicked(QUrl(QStringLiteral("enteringrecords.htm")));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("enteringrecords.htm"));
    emit viewer.browser()->anchorClicked(QUrl(QStringLiteral("no-such-window.htm")));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("index.htm"));
    QVERIFY(viewer.note().contains(QLatin1String("no-such-window.htm")));
}

void TestHelpViewer::backAndForward()
{
    HelpViewer viewer;
    viewer.showTopic("calendar.htm");
    viewer.showTopic("enteringrecords.htm");
    viewer.browser()->backward();
    QCOMPARE(viewer.currentTopic(), QStringLiteral("calendar.htm"));
    viewer.browser()->forward();
    QCOMPARE(viewer.currentTopic(), QStringLiteral("enteringrecords.htm"));
}

void TestHelpViewer::contentsListFollowsPage()
{
    HelpViewer viewer;
    viewer.showTopic("calendar.htm");
    auto *tree = viewer.findChild<QTreeWidget *>();
    QVERIFY(tree);
    QTreeWidgetItem *current = tree->currentItem();
    QVERIFY(current);
    QCOMPARE(current->text(0), viewer.catalogue().title("calendar.htm"));

    // Clicking a title in the contents shows that page.
    QTreeWidgetItem *target = tree->findItems(viewer.catalogue().title("enteringrecords.htm"),
                                              Qt::MatchExactly | Qt::MatchRecursive)
                                  .value(0);
    QVERIFY(target);
    tree->scrollToItem(target);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(target).center());
    QCOMPARE(viewer.currentTopic(), QStringLiteral("enteringrecords.htm"));
}

void TestHelpViewer::keywordLookup_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("pane");
    QTest::newRow("Ctrl+H, lower case") << "ctrl+h" << true << "enteringrecords.htm" << int(HelpViewer::ContentsPane);
    QTest::newRow("upper case") << "CALENDAR" << true << "calendar.htm" << int(HelpViewer::ContentsPane);
    QTest::newRow("blanks around") << "  record will be ADDED " << true << "enteringrecords.htm"
                                   << int(HelpViewer::ContentsPane);
    QTest::newRow("several topics") << "Help" << true << "index.htm" << int(HelpViewer::IndexPane);
    QTest::newRow("the frame's own topic") << "Ambrel Series" << true << "'Ambrel Series'.htm"
                                           << int(HelpViewer::ContentsPane);
    QTest::newRow("unknown") << "no such keyword" << false << "" << int(HelpViewer::IndexPane);
}

void TestHelpViewer::keywordLookup()
{
    QFETCH(QString, keyword);
    QFETCH(bool, found);
    QFETCH(QString, shown);
    QFETCH(int, pane);
    HelpViewer viewer;
    const QStringList topics = viewer.catalogue().topicsForKeyword(keyword);
    QCOMPARE(!topics.isEmpty(), found);
    if (found)
        QCOMPARE(topics.first(), shown);
    QCOMPARE(viewer.keywordLookup(keyword), found);
    QVERIFY(viewer.isVisible());
    QCOMPARE(int(viewer.currentPane()), pane);
    if (found)
        QCOMPARE(viewer.currentTopic(), shown);
}

void TestHelpViewer::indexFindsKeywordAsTyped()
{
    HelpViewer viewer;
    viewer.showIndex();
    QVERIFY(QTest::qWaitForWindowActive(&viewer));
    auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(edit);
    QTest::keyClicks(edit, "cal");
    QTreeWidget *index = nullptr;
    for (QTreeWidget *tree : viewer.findChildren<QTreeWidget *>())
        if (tree->isVisible())
            index = tree;
    QVERIFY(index);
    QVERIFY(index->currentItem());
    QCOMPARE(index->currentItem()->text(0), QStringLiteral("calendar"));
    for (int i = 0; i < index->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = index->topLevelItem(i);
        QCOMPARE(item->isHidden(), !item->text(0).contains("cal", Qt::CaseInsensitive));
    }
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("calendar.htm"));
}

void TestHelpViewer::listsShowAPageBesideThem_data()
{
    QTest::addColumn<int>("pane");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("before"); // the page on show before, if any
    QTest::addColumn<QString>("shown");
    QTest::newRow("index") << int(HelpViewer::IndexPane) << "" << "" << "index.htm";
    QTest::newRow("index, nothing matches") << int(HelpViewer::IndexPane) << "no such keyword" << "" << "index.htm";
    QTest::newRow("search") << int(HelpViewer::SearchPane) << "" << "" << "index.htm";
    QTest::newRow("search, words") << int(HelpViewer::SearchPane) << "calendar" << "" << "index.htm";
    QTest::newRow("index keeps the page")
        << int(HelpViewer::IndexPane) << "" << "calendar.htm" << "calendar.htm";
    QTest::newRow("search keeps the page")
        << int(HelpViewer::SearchPane) << "xylophone" << "calendar.htm" << "calendar.htm";
}

void TestHelpViewer::listsShowAPageBesideThem()
{
    QFETCH(int, pane);
    QFETCH(QString, words);
    QFETCH(QString, before);
    QFETCH(QString, shown);
    HelpViewer viewer;
    if (!before.isEmpty())
        QVERIFY(viewer.showTopic(before));
    if (pane == HelpViewer::IndexPane)
        viewer.showIndex(words);
    else
        viewer.showSearch(words);
    QCOMPARE(int(viewer.currentPane()), pane);
    QCOMPARE(viewer.currentTopic(), shown);
    QVERIFY(!shownText(viewer).trimmed().isEmpty());
}

void TestHelpViewer::opensInsideTheScreen()
{
    // Asked for more than the screen has, and placed off it.
    HelpViewer viewer;
    const QRect room = viewer.screen()->availableGeometry();
    viewer.resize(room.size() + QSize(300, 200));
    viewer.move(room.topLeft() + QPoint(room.width() / 2, room.height() / 2));
    viewer.showContents();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(room.contains(viewer.frameGeometry()));

    HelpViewer *shared = HelpViewer::shared();
    shared->showIndex();
    QVERIFY(QTest::qWaitForWindowExposed(shared));
    QVERIFY(room.contains(shared->frameGeometry()));
}

void TestHelpViewer::search_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QStringList>("mustFind");
    QTest::addColumn<QStringList>("mustNotFind");
    QTest::newRow("one word") << "Ctrl+H" << QStringList{"enteringrecords.htm"} << QStringList{"calendar.htm"};
    QTest::newRow("any case") << "SPACEBAR" << QStringList{"calendar.htm"} << QStringList{"enteringrecords.htm"};
    QTest::newRow("in two pages") << "calendar" << QStringList{"calendar.htm", "enteringrecords.htm"}
                                  << QStringList{"usinghelp.htm"};
    QTest::newRow("every word must be there") << "calendar spacebar" << QStringList{"calendar.htm"}
                                              << QStringList{"enteringrecords.htm"};
    QTest::newRow("words apart") << "holidays   colour" << QStringList{"calendar.htm"}
                                 << QStringList{"enteringrecords.htm"};
    QTest::newRow("nowhere") << "xylophone" << QStringList{} << QStringList{"calendar.htm"};
    QTest::newRow("markup is not text") << "href" << QStringList{} << QStringList{"calendar.htm"};
}

void TestHelpViewer::search()
{
    QFETCH(QString, words);
    QFETCH(QStringList, mustFind);
    QFETCH(QStringList, mustNotFind);
    HelpViewer viewer;
    const QStringList found = viewer.catalogue().search(words);
    for (const QString &page : mustFind)
        QVERIFY2(found.contains(page), qPrintable(page));
    for (const QString &page : mustNotFind)
        QVERIFY2(!found.contains(page), qPrintable(page));
    QCOMPARE(found.isEmpty(), mustFind.isEmpty());

    viewer.showSearch(words);
    QCOMPARE(viewer.currentPane(), HelpViewer::SearchPane);
    QCOMPARE(viewer.searchResults(), found);
}

void TestHelpViewer::searchWithoutWordsFindsNothing()
{
    const HelpCatalogue catalogue;
    QVERIFY(catalogue.search(QString()).isEmpty());
    QVERIFY(catalogue.search(" \t ").isEmpty());
}

void TestHelpViewer::searchResultOpensPageAtWord()
{
    HelpViewer viewer;
    viewer.showSearch("spacebar");
    auto *results = viewer.findChild<QListWidget *>();
    QVERIFY(results);
    const int row = int(viewer.searchResults().indexOf("calendar.htm"));
    QVERIFY(row >= 0);
    QListWidgetItem *item = results->item(row);
    results->scrollToItem(item);
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, results->visualItemRect(item).center());
    QCOMPARE(viewer.currentTopic(), QStringLiteral("calendar.htm"));
    QCOMPARE(viewer.browser()->textCursor().selectedText().toLower(), QStringLiteral("spacebar"));
}

void TestHelpViewer::f1OpensViewerOnWindowTopic_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("noted");
    QTest::newRow("written") << "calendar.htm" << "calendar.htm" << false;
    QTest::newRow("no such page") << "no-such-window.htm" << "index.htm" << true;
}

void TestHelpViewer::f1OpensViewerOnWindowTopic()
{
    QFETCH(QString, topic);
    QFETCH(QString, shown);
    QFETCH(bool, noted);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *entry = new QLineEdit(&window);
    layout->addWidget(entry);
    auto *help = new WindowHelp(&window, topic);
    QCOMPARE(help->parent(), &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    entry->setFocus();
    QVERIFY(!HelpViewer::hasShared());

    QTest::keyClick(entry, Qt::Key_F1);
    QVERIFY(HelpViewer::hasShared());
    HelpViewer *viewer = HelpViewer::shared();
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->currentTopic(), shown);
    QCOMPARE(!viewer->note().isEmpty(), noted);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestHelpViewer::f1WithoutHelpObjectDoesNothing()
{
    QWidget withHelp;
    new WindowHelp(&withHelp, "calendar.htm");
    withHelp.show();
    QWidget without;
    without.show();
    without.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&without));
    QTest::keyClick(&without, Qt::Key_F1);
    QVERIFY(!HelpViewer::hasShared());
}

void TestHelpViewer::helpButtonSlotShowsTopic()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *button = new QPushButton("&Help", &window);
    layout->addWidget(button);
    auto *help = new WindowHelp(&window, "enteringrecords.htm");
    connect(button, &QPushButton::clicked, help, &WindowHelp::show);
    window.show();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(HelpViewer::shared()->currentTopic(), QStringLiteral("enteringrecords.htm"));

    // A tab's own help shows its topic and leaves the window's alone.
    help->showTopic("calendar.htm");
    QCOMPARE(HelpViewer::shared()->currentTopic(), QStringLiteral("calendar.htm"));
    QCOMPARE(help->topic(), QStringLiteral("enteringrecords.htm"));
    help->setTopic("index.htm");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(HelpViewer::shared()->currentTopic(), QStringLiteral("index.htm"));
}

void TestHelpViewer::windowsShareOneViewer()
{
    QWidget first;
    QWidget second;
    new WindowHelp(&first, "calendar.htm");
    auto *secondHelp = new WindowHelp(&second, "enteringrecords.htm");
    first.show();
    QVERIFY(QTest::qWaitForWindowActive(&first));
    QTest::keyClick(&first, Qt::Key_F1);
    HelpViewer *viewer = HelpViewer::shared();
    QCOMPARE(viewer->currentTopic(), QStringLiteral("calendar.htm"));
    second.show();
    second.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&second));
    QTest::keyClick(&second, Qt::Key_F1);
    QCOMPARE(HelpViewer::shared(), viewer);
    QCOMPARE(viewer->currentTopic(), QStringLiteral("enteringrecords.htm"));
    QCOMPARE(secondHelp->window(), &second);
}

void TestHelpViewer::listFileRules()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("start.htm"), page("Start", "first page")));
    QVERIFY(writeFile(dir.filePath("Alpha.htm"), page("Alpha page", "alpha words")));
    QVERIFY(writeFile(dir.filePath("beta.htm"), page("Beta page", "beta words, more WORDS")));
    QVERIFY(writeFile(dir.filePath("gamma.htm"), page("Gamma from its title", "gamma words")));
    QVERIFY(writeFile(dir.filePath("unlisted.htm"), page("Not in the list", "hidden treasure")));
    QVERIFY(writeFile(dir.filePath("topics.txt"),
                      "# notes are skipped\n"
                      "\n"
                      "start.htm | Start here | begin\n"
                      "[First group]\n"
                      "  alpha.HTM |  Alpha  | One; two ;ONE\n"
                      "missing.htm | Missing | one\n"
                      "[Second group]\n"
                      "beta.htm | Beta | one; three\n"
                      "gamma.htm\n"
                      "beta.htm | Beta again | four\n"
                      "[broken group\n"));
    const HelpCatalogue catalogue(dir.path());
    QCOMPARE(catalogue.homeTopic(), QStringLiteral("start.htm"));
    QStringList files, titles, groups;
    for (const HelpTopic &t : catalogue.topics()) {
        files << t.file;
        titles << t.title;
        groups << t.group;
    }
    QCOMPARE(files, (QStringList{"start.htm", "Alpha.htm", "beta.htm", "gamma.htm"}));
    QCOMPARE(titles, (QStringList{"Start here", "Alpha", "Beta", "Gamma from its title"}));
    QCOMPARE(groups, (QStringList{"", "First group", "Second group", "Second group"}));
    QCOMPARE(catalogue.topics().at(1).keywords, (QStringList{"One", "two"}));
    QCOMPARE(catalogue.problems().size(), 3); // missing page, listed twice, broken group
    QVERIFY(catalogue.problems().at(0).contains("missing.htm"));

    QCOMPARE(catalogue.keywords(), (QStringList{"begin", "One", "three", "two"}));
    QCOMPARE(catalogue.topicsForKeyword("one"), (QStringList{"Alpha.htm", "beta.htm"}));
    QCOMPARE(catalogue.topicsForKeyword("four"), QStringList{});
    QCOMPARE(catalogue.resolve("ALPHA.htm#part"), QStringLiteral("Alpha.htm"));
    QCOMPARE(catalogue.title("unlisted.htm"), QStringLiteral("Not in the list"));
    QCOMPARE(catalogue.search("treasure"), QStringList{"unlisted.htm"});
    // Most hits first; equal hits in contents order.
    QCOMPARE(catalogue.search("words"), (QStringList{"beta.htm", "Alpha.htm", "gamma.htm"}));
    QCOMPARE(catalogue.search("words alpha"), QStringList{"Alpha.htm"});

    const QString contents = catalogue.contentsHtml();
    QVERIFY(!contents.contains("start.htm")); // the home page does not list itself
    QVERIFY(contents.indexOf("First group") < contents.indexOf("Alpha.htm"));
    QVERIFY(contents.indexOf("Alpha.htm") < contents.indexOf("Second group"));
    QVERIFY(contents.indexOf("Second group") < contents.indexOf("beta.htm"));

    HelpViewer viewer(nullptr, dir.path());
    auto *tree = viewer.findChild<QTreeWidget *>();
    QCOMPARE(tree->topLevelItemCount(), 3); // start, and the two groups
    QCOMPARE(tree->topLevelItem(2)->childCount(), 2);
}

void TestHelpViewer::oddFileNames()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("index.htm"), "<html><body><h1>Home</h1><!-- contents --></body></html>"));
    QVERIFY(writeFile(dir.filePath("'Ambrel Series'.htm"), page("Ambrel Series", "the series")));
    QVERIFY(writeFile(dir.filePath("web address.htm"), page("Web address", "where on the web")));
    QVERIFY(writeFile(dir.filePath("topics.txt"), "index.htm | Home\n'Ambrel Series'.htm | Ambrel Series | Ambrel Series\n"
                                                  "web address.htm | Web address\n"));
    HelpViewer viewer(nullptr, dir.path());
    QVERIFY(viewer.catalogue().problems().isEmpty());
    QVERIFY(viewer.showTopic("'ambrel series'.htm"));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("'Ambrel Series'.htm"));
    QVERIFY(shownText(viewer).contains("the series"));
    QVERIFY(viewer.keywordLookup("ambrel series"));

    // The links the contents page makes for such names must work.
    viewer.showContents();
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    QStringList opened;
    for (auto it = href.globalMatch(viewer.catalogue().contentsHtml()); it.hasNext();) {
        emit viewer.browser()->anchorClicked(QUrl(it.next().captured(1)));
        opened << viewer.currentTopic();
        QVERIFY(viewer.note().isEmpty());
    }
    QCOMPARE(opened, (QStringList{"'Ambrel Series'.htm", "web address.htm"}));
}

void TestHelpViewer::missingListFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("b.htm"), page("Bee", "b")));
    QVERIFY(writeFile(dir.filePath("a.htm"), page("Ay", "a")));
    QVERIFY(writeFile(dir.filePath("index.htm"), page("Home", "home")));
    const HelpCatalogue catalogue(dir.path());
    QCOMPARE(catalogue.problems().size(), 1);
    QCOMPARE(catalogue.topics().size(), 3);
    QCOMPARE(catalogue.homeTopic(), QStringLiteral("index.htm"));
    QCOMPARE(catalogue.topics().first().file, QStringLiteral("index.htm"));
    QCOMPARE(catalogue.title("b.htm"), QStringLiteral("Bee"));
}

QTEST_MAIN(TestHelpViewer)
#include "tst_helpviewer.moc"
