#include "helpviewer.h"

#include "screenfit.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace tavimo {

namespace {

constexpr int FileRole = Qt::UserRole;
const QString kContentsMarker = QStringLiteral("<!-- contents -->");
const QString kUsingHelpTopic = QStringLiteral("usinghelp.htm");

QPointer<HelpViewer> &sharedViewer()
{
    static QPointer<HelpViewer> viewer;
    return viewer;
}

} // namespace

// Serves the pages from the catalogue, so that the home page can carry the
// contents list that topics.txt describes.
class HelpBrowser : public QTextBrowser
{
public:
    HelpBrowser(const HelpCatalogue &catalogue, QWidget *parent)
        : QTextBrowser(parent)
        , m_catalogue(catalogue)
    {
    }

    QVariant loadResource(int type, const QUrl &name) override
    {
        const QUrl url = name.isRelative() && source().isValid() ? source().resolved(name) : name;
        const QString file = m_catalogue.fileOf(url);
        if (type == QTextDocument::HtmlResource && !file.isEmpty()) {
            QString html = m_catalogue.pageHtml(file);
            if (file == m_catalogue.homeTopic())
                html.replace(kContentsMarker, m_catalogue.contentsHtml());
            return html;
        }
        return QTextBrowser::loadResource(type, url);
    }

private:
    const HelpCatalogue &m_catalogue;
};

HelpViewer::HelpViewer(QWidget *parent, const QString &root)
    : QWidget(parent, Qt::Window)
    , m_catalogue(root)
{
    setWindowTitle(tr("Tavimo Help"));
    buildWindow();
    fillContents();
    fillIndex();
    resize(900, 620);
}

HelpViewer::~HelpViewer() = default;

HelpViewer *HelpViewer::shared()
{
    QPointer<HelpViewer> &viewer = sharedViewer();
    if (!viewer) {
        viewer = new HelpViewer;
        // Help left open must not keep the program running.
        viewer->setAttribute(Qt::WA_QuitOnClose, false);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, &HelpViewer::releaseShared);
    }
    return viewer;
}

bool HelpViewer::hasShared()
{
    return !sharedViewer().isNull();
}

void HelpViewer::releaseShared()
{
    delete sharedViewer().data();
}

void HelpViewer::buildWindow()
{
    auto *outer = new QVBoxLayout(this);

    auto *tools = new QHBoxLayout;
    auto makeTool = [this, tools](QStyle::StandardPixmap icon, const QString &text, const QString &tip,
                                  const QKeySequence &keys) {
        auto *button = new QToolButton(this);
        button->setIcon(style()->standardIcon(icon));
        button->setText(text);
        button->setToolTip(tip);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        if (!keys.isEmpty())
            button->setShortcut(keys);
        tools->addWidget(button);
        return button;
    };
    QToolButton *back = makeTool(QStyle::SP_ArrowBack, tr("Back"), tr("Back to the page before (Alt+Left)"),
                                 QKeySequence(QKeySequence::Back));
    QToolButton *forward = makeTool(QStyle::SP_ArrowForward, tr("Forward"), tr("Forward again (Alt+Right)"),
                                    QKeySequence(QKeySequence::Forward));
    QToolButton *home = makeTool(QStyle::SP_DirHomeIcon, tr("&Home"), tr("The first page of Help"), QKeySequence());
    tools->addStretch(1);
    outer->addLayout(tools);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);

    m_panes = new QTabWidget(splitter);

    m_contents = new QTreeWidget;
    m_contents->setHeaderHidden(true);
    m_contents->setRootIsDecorated(true);
    m_panes->addTab(m_contents, tr("&Contents"));

    auto *indexPage = new QWidget;
    auto *indexLayout = new QVBoxLayout(indexPage);
    auto *keywordLabel = new QLabel(tr("&Keyword:"), indexPage);
    m_keywordEdit = new QLineEdit(indexPage);
    m_keywordEdit->setClearButtonEnabled(true);
    keywordLabel->setBuddy(m_keywordEdit);
    m_index = new QTreeWidget(indexPage);
    m_index->setHeaderHidden(true);
    indexLayout->addWidget(keywordLabel);
    indexLayout->addWidget(m_keywordEdit);
    indexLayout->addWidget(m_index, 1);
    m_panes->addTab(indexPage, tr("I&ndex"));

    auto *searchPage = new QWidget;
    auto *searchLayout = new QVBoxLayout(searchPage);
    auto *searchLabel = new QLabel(tr("Search &for:"), searchPage);
    m_searchEdit = new QLineEdit(searchPage);
    m_searchEdit->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_searchEdit);
    auto *searchButton = new QPushButton(tr("&List Topics"), searchPage);
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(m_searchEdit, 1);
    searchRow->addWidget(searchButton);
    m_resultCount = new QLabel(searchPage);
    m_results = new QListWidget(searchPage);
    searchLayout->addWidget(searchLabel);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(m_resultCount);
    searchLayout->addWidget(m_results, 1);
    m_panes->addTab(searchPage, tr("&Search"));

    auto *pageSide = new QWidget(splitter);
    auto *pageLayout = new QVBoxLayout(pageSide);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto *noteBar = new QFrame(pageSide);
    noteBar->setFrameShape(QFrame::StyledPanel);
    noteBar->setBackgroundRole(QPalette::ToolTipBase);
    noteBar->setForegroundRole(QPalette::ToolTipText);
    noteBar->setAutoFillBackground(true);
    auto *noteLayout = new QHBoxLayout(noteBar);
    m_noteLabel = new QLabel(noteBar);
    m_noteLabel->setWordWrap(true);
    m_noteLabel->setForegroundRole(QPalette::ToolTipText);
    noteLayout->addWidget(m_noteLabel);
    noteBar->hide();
    m_noteBar = noteBar;
    m_browser = new HelpBrowser(m_catalogue, pageSide);
    m_browser->setOpenLinks(false);
    m_browser->document()->setDocumentMargin(10);
    QFile css(QStringLiteral("%1/help.css").arg(m_catalogue.root()));
    if (css.open(QIODevice::ReadOnly))
        m_browser->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
    pageLayout->addWidget(noteBar);
    pageLayout->addWidget(m_browser, 1);

    splitter->addWidget(m_panes);
    splitter->addWidget(pageSide);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({290, 610});
    outer->addWidget(splitter, 1);

    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, &HelpViewer::showContents);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpViewer::openUrl);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpViewer::sourceChanged);

    auto chooseContents = [this](QTreeWidgetItem *item) {
        const QString file = item ? item->data(0, FileRole).toString() : QString();
        if (!file.isEmpty())
            showTopic(file);
    };
    connect(m_contents, &QTreeWidget::itemClicked, this, chooseContents);
    connect(m_contents, &QTreeWidget::itemActivated, this, chooseContents);

    connect(m_keywordEdit, &QLineEdit::textChanged, this, &HelpViewer::filterIndex);
    connect(m_keywordEdit, &QLineEdit::returnPressed, this, [this] { indexItemChosen(m_index->currentItem()); });
    connect(m_index, &QTreeWidget::itemClicked, this, &HelpViewer::indexItemChosen);
    connect(m_index, &QTreeWidget::itemActivated, this, &HelpViewer::indexItemChosen);

    connect(searchButton, &QPushButton::clicked, this, &HelpViewer::runSearch);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &HelpViewer::runSearch);
    connect(m_results, &QListWidget::itemClicked, this, &HelpViewer::searchItemChosen);
    connect(m_results, &QListWidget::itemActivated, this, &HelpViewer::searchItemChosen);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto *helpOnHelp = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpOnHelp, &QShortcut::activated, this, [this] { showTopic(kUsingHelpTopic); });
}

void HelpViewer::fillContents()
{
    m_contents->clear();
    QHash<QString, QTreeWidgetItem *> groups;
    for (const HelpTopic &topic : m_catalogue.topics()) {
        QTreeWidgetItem *parent = nullptr;
        if (!topic.group.isEmpty()) {
            parent = groups.value(topic.group);
            if (!parent) {
                parent = new QTreeWidgetItem(m_contents, {topic.group});
                parent->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
                groups.insert(topic.group, parent);
            }
        }
        auto *item = parent ? new QTreeWidgetItem(parent, {topic.title}) : new QTreeWidgetItem(m_contents, {topic.title});
        item->setData(0, FileRole, topic.file);
        item->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    }
    m_contents->expandAll();
}

void HelpViewer::fillIndex()
{
    m_index->clear();
    for (const QString &keyword : m_catalogue.keywords()) {
        const QStringList files = m_catalogue.topicsForKeyword(keyword);
        auto *item = new QTreeWidgetItem(m_index, {keyword});
        if (files.size() == 1) {
            item->setData(0, FileRole, files.first());
            continue;
        }
        for (const QString &file : files) {
            auto *child = new QTreeWidgetItem(item, {m_catalogue.title(file)});
            child->setData(0, FileRole, file);
        }
        item->setExpanded(true);
    }
}

bool HelpViewer::showTopic(const QString &topic)
{
    const QString file = m_catalogue.resolve(topic);
    setNote(QString());
    if (file.isEmpty()) {
        showContents();
        const QString name = topic.trimmed().isEmpty() ? tr("(none)") : topic.trimmed();
        setNote(tr("There is no help page called \u201c%1\u201d yet. Here are the contents of Help instead.")
                    .arg(name));
        return false;
    }
    QUrl url = m_catalogue.urlOf(file);
    const QString part = topic.section(QLatin1Char('#'), 1);
    if (!part.isEmpty())
        url.setFragment(part);
    m_browser->setSource(url);
    present();
    return true;
}

void HelpViewer::showContents()
{
    setNote(QString());
    m_panes->setCurrentIndex(ContentsPane);
    showHomePage();
    present();
}

void HelpViewer::showHomePage()
{
    const QString home = m_catalogue.homeTopic();
    if (home.isEmpty())
        m_browser->setHtml(tr("<p>No help pages are installed.</p>"));
    else
        m_browser->setSource(m_catalogue.urlOf(home));
}

void HelpViewer::fillEmptyPage()
{
    // The index and the search list pages but show none themselves.
    if (m_browser->source().isEmpty() && m_browser->document()->isEmpty())
        showHomePage();
}

void HelpViewer::showIndex(const QString &keyword)
{
    m_panes->setCurrentIndex(IndexPane);
    m_keywordEdit->setText(keyword);
    filterIndex(keyword);
    fillEmptyPage();
    present();
    m_keywordEdit->setFocus(Qt::OtherFocusReason);
}

void HelpViewer::showSearch(const QString &words)
{
    m_panes->setCurrentIndex(SearchPane);
    if (!words.isEmpty()) {
        m_searchEdit->setText(words);
        runSearch();
    }
    fillEmptyPage();
    present();
    m_searchEdit->setFocus(Qt::OtherFocusReason);
}

bool HelpViewer::keywordLookup(const QString &keyword)
{
    const QStringList files = m_catalogue.topicsForKeyword(keyword);
    if (files.size() > 1)
        showIndex(keyword);
    if (files.isEmpty()) {
        showIndex(keyword);
        return false;
    }
    showTopic(files.first());
    return true;
}

QString HelpViewer::currentTopic() const
{
    return m_catalogue.fileOf(m_browser->source());
}

QString HelpViewer::note() const
{
    return m_noteBar->isHidden() ? QString() : m_noteLabel->text();
}

HelpViewer::Pane HelpViewer::currentPane() const
{
    return Pane(m_panes->currentIndex());
}

QStringList HelpViewer::searchResults() const
{
    QStringList files;
    for (int i = 0; i < m_results->count(); ++i)
        files << m_results->item(i)->data(FileRole).toString();
    return files;
}

QTextBrowser *HelpViewer::browser() const
{
    return m_browser;
}

void HelpViewer::present()
{
    const bool wasShown = isVisible();
    if (!wasShown)
        fitToScreen(this);
    if (isMinimized())
        showNormal();
    else
        show();
    // A window just shown is already in front; one left behind others is not.
    if (wasShown && !isActiveWindow())
        raise();
    activateWindow();
}

void HelpViewer::setNote(const QString &text)
{
    m_noteLabel->setText(text);
    m_noteBar->setVisible(!text.isEmpty());
}

void HelpViewer::openUrl(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (!scheme.isEmpty() && scheme != QLatin1String("qrc") && scheme != QLatin1String("file")) {
        QDesktopServices::openUrl(url);
        return;
    }
    if (url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        return;
    }
    const QUrl resolved = m_browser->source().resolved(url);
    QString topic = m_catalogue.fileOf(resolved);
    if (topic.isEmpty())
        topic = QFileInfo(url.path()).fileName();
    if (url.hasFragment())
        topic += QLatin1Char('#') + url.fragment();
    showTopic(topic);
}

void HelpViewer::sourceChanged(const QUrl &url)
{
    const QString file = m_catalogue.fileOf(url);
    // Moving back or forward leaves a note about another topic behind.
    if (file != m_catalogue.homeTopic())
        setNote(QString());
    const QSignalBlocker block(m_contents);
    QTreeWidgetItemIterator it(m_contents);
    for (; *it; ++it) {
        if ((*it)->data(0, FileRole).toString() == file) {
            m_contents->setCurrentItem(*it);
            break;
        }
    }
    emit topicShown(file);
}

void HelpViewer::filterIndex(const QString &text)
{
    const QString wanted = text.simplified();
    QTreeWidgetItem *best = nullptr;
    QTreeWidgetItem *firstShown = nullptr;
    for (int i = 0; i < m_index->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_index->topLevelItem(i);
        const QString keyword = item->text(0);
        const bool shown = wanted.isEmpty() || keyword.contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (!shown)
            continue;
        if (!firstShown)
            firstShown = item;
        if (!best && keyword.startsWith(wanted, Qt::CaseInsensitive))
            best = item;
    }
    m_index->setCurrentItem(best ? best : firstShown);
}

void HelpViewer::indexItemChosen(QTreeWidgetItem *item)
{
    if (!item)
        return;
    QString file = item->data(0, FileRole).toString();
    if (file.isEmpty() && item->childCount() > 0) {
        item->setExpanded(true);
        file = item->child(0)->data(0, FileRole).toString();
    }
    if (!file.isEmpty())
        showTopic(file);
}

void HelpViewer::runSearch()
{
    const QString words = m_searchEdit->text();
    const QStringList found = m_catalogue.search(words);
    m_lastSearchWord = words.simplified().section(QLatin1Char(' '), 0, 0);
    m_results->clear();
    for (const QString &file : found) {
        auto *item = new QListWidgetItem(m_catalogue.title(file), m_results);
        item->setData(FileRole, file);
    }
    if (words.simplified().isEmpty())
        m_resultCount->setText(tr("Type a word to look for, then press Enter."));
    else if (found.isEmpty())
        m_resultCount->setText(tr("No page contains these words."));
    else
        m_resultCount->setText(found.size() == 1 ? tr("1 page found:") : tr("%1 pages found:").arg(found.size()));
    if (!found.isEmpty())
        m_results->setCurrentRow(0);
}

void HelpViewer::searchItemChosen()
{
    QListWidgetItem *item = m_results->currentItem();
    if (!item)
        return;
    showTopic(item->data(FileRole).toString());
    if (!m_lastSearchWord.isEmpty())
        m_browser->find(m_lastSearchWord);
}

WindowHelp::WindowHelp(QWidget *window, const QString &topic)
    : QObject(window)
    , m_window(window)
    , m_topic(topic)
{
    if (window) {
        m_shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
        m_shortcut->setContext(Qt::WindowShortcut);
        connect(m_shortcut, &QShortcut::activated, this, &WindowHelp::show);
    }
}

void WindowHelp::show()
{
    HelpViewer::shared()->showTopic(m_topic);
}

void WindowHelp::showTopic(const QString &topic)
{
    HelpViewer::shared()->showTopic(topic);
}

void WindowHelp::showContents()
{
    HelpViewer::shared()->showContents();
}

void WindowHelp::showIndex()
{
    HelpViewer::shared()->showIndex();
}

void WindowHelp::showSearch()
{
    HelpViewer::shared()->showSearch();
}

bool WindowHelp::keywordLookup(const QString &keyword)
{
    return HelpViewer::shared()->keywordLookup(keyword);
}

} // namespace tavimo
