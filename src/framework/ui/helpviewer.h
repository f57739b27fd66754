#pragma once

#include "helpcatalogue.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QShortcut;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

namespace tavimo {

class HelpBrowser;

// The help window: a page on the right, and on the left the contents, an
// index of keywords and a search over every page. Not modal; the whole
// program shares one (shared()), which windows reach through WindowHelp.
class HelpViewer : public QWidget
{
    Q_OBJECT

public:
    enum Pane { ContentsPane, IndexPane, SearchPane };

    explicit HelpViewer(QWidget *parent = nullptr, const QString &root = HelpCatalogue::DefaultRoot);
    ~HelpViewer() override;

    // The one viewer of the program, made on first use. releaseShared()
    // deletes it; it also goes when the application quits.
    static HelpViewer *shared();
    static bool hasShared();
    static void releaseShared();

    const HelpCatalogue &catalogue() const { return m_catalogue; }

    // Shows and raises the window on a topic (a file name such as
    // "calendar.htm", in any case). A topic that does not exist shows the
    // contents page with a note instead; the answer is then false.
    bool showTopic(const QString &topic);
    void showContents();
    void showIndex(const QString &keyword = QString());
    void showSearch(const QString &words = QString());
    // Shows the topic of a keyword; with several topics the index lists them.
    bool keywordLookup(const QString &keyword);

    QString currentTopic() const;   // file name of the page on show
    QString note() const;           // the note above the page; empty when none
    Pane currentPane() const;
    QStringList searchResults() const;  // topics listed by the last search
    QTextBrowser *browser() const;

signals:
    void topicShown(const QString &file);

private:
    void buildWindow();
    void fillContents();
    void fillIndex();
    void present();
    void showHomePage();
    void fillEmptyPage();
    void setNote(const QString &text);
    void openUrl(const QUrl &url);
    void sourceChanged(const QUrl &url);
    void filterIndex(const QString &text);
    void indexItemChosen(QTreeWidgetItem *item);
    void runSearch();
    void searchItemChosen();

    HelpCatalogue m_catalogue;
    HelpBrowser *m_browser = nullptr;
    QTabWidget *m_panes = nullptr;
    QTreeWidget *m_contents = nullptr;
    QLineEdit *m_keywordEdit = nullptr;
    QTreeWidget *m_index = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QListWidget *m_results = nullptr;
    QLabel *m_resultCount = nullptr;
    QWidget *m_noteBar = nullptr;
    QLabel *m_noteLabel = nullptr;
    QString m_lastSearchWord;
    bool m_keepNote = false;
};

// The help of one window: F1 on the window and the slot behind its "&Help"
// button both show the window's topic in the shared viewer. Made a child
// of the window, so it lives as long as the window does.
class WindowHelp : public QObject
{
    Q_OBJECT

public:
    WindowHelp(QWidget *window, const QString &topic);

    QString topic() const { return m_topic; }
    void setTopic(const QString &topic) { m_topic = topic; }
    QWidget *window() const { return m_window; }
    QShortcut *shortcut() const { return m_shortcut; }

public slots:
    void show();
    void showTopic(const QString &topic); // another topic, leaving the window's own unchanged
    void showContents();
    void showIndex();
    void showSearch();
    bool keywordLookup(const QString &keyword);

private:
    QPointer<QWidget> m_window;
    QString m_topic;
    QShortcut *m_shortcut = nullptr;
};

} // namespace tavimo
