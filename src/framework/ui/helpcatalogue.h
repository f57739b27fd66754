#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace tavimo {

struct HelpTopic
{
    QString file;       // the topic name, e.g. "calendar.htm"
    QString title;
    QStringList keywords;
    QString group;      // heading in the contents; empty at the top level
};

// The help pages the program ships and what is known about them: the
// contents order, the index keywords and the plain text for searching.
// Everything comes from one folder (the compiled-in resources by default),
// where topics.txt lists the topics:
//
//   # comment
//   file | title | keyword; keyword; ...
//   [Group heading]
//
// The first topic is the home page. A page in the folder that topics.txt
// does not list can still be shown and searched; its title comes from
// its <title>.
class HelpCatalogue
{
public:
    static const QString DefaultRoot;   // ":/help"
    static const QString ListFileName;  // "topics.txt"

    explicit HelpCatalogue(const QString &root = DefaultRoot);

    QString root() const { return m_root; }
    QString homeTopic() const;
    const QList<HelpTopic> &topics() const { return m_topics; } // contents order
    QStringList pages() const { return m_pages; }               // every page in the folder
    QStringList problems() const { return m_problems; }         // lines not understood, listed pages missing

    // The page's own file name for a topic name given in any case, without
    // any "#part"; empty when there is no such page.
    QString resolve(const QString &topic) const;
    QString title(const QString &file) const;
    QUrl urlOf(const QString &file) const;
    QString fileOf(const QUrl &url) const; // empty for a URL outside the folder

    QStringList keywords() const;                                  // sorted, without case duplicates
    QStringList topicsForKeyword(const QString &keyword) const;    // any case

    // Pages containing every word, in any case; the most hits first.
    QStringList search(const QString &words) const;

    QString pageHtml(const QString &file) const;
    QString pageText(const QString &file) const;

    // An HTML list of the contents, linking every topic, for the home page.
    QString contentsHtml() const;

private:
    void load();
    void parseList(const QString &text);

    QString m_root;
    QList<HelpTopic> m_topics;
    QStringList m_pages;
    QStringList m_problems;
    QHash<QString, QString> m_byLowerName;            // lower-case name -> file
    QHash<QString, QStringList> m_keywordTopics;      // lower-case keyword -> files
    QHash<QString, QString> m_keywordSpelling;        // lower-case keyword -> as first written
    mutable QHash<QString, QString> m_plainText;      // lower-case text, filled on first search
};

} // namespace tavimo
