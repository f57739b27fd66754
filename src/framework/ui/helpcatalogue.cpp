#include "helpcatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <algorithm>

namespace tavimo {

const QString HelpCatalogue::DefaultRoot = QStringLiteral(":/help");
const QString HelpCatalogue::ListFileName = QStringLiteral("topics.txt");

namespace {

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString titleTag(const QString &html)
{
    static const QRegularExpression re(QStringLiteral("<title[^>]*>(.*?)</title>"),
                                       QRegularExpression::CaseInsensitiveOption
                                           | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(html);
    return m.hasMatch() ? QTextDocumentFragment::fromHtml(m.captured(1)).toPlainText().simplified() : QString();
}

QString link(const QString &file, const QString &title)
{
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(file)), title.toHtmlEscaped());
}

} // namespace

HelpCatalogue::HelpCatalogue(const QString &root)
    : m_root(root)
{
    load();
}

void HelpCatalogue::load()
{
    const QDir dir(m_root);
    m_pages = dir.entryList({QStringLiteral("*.htm"), QStringLiteral("*.html")}, QDir::Files,
                            QDir::Name | QDir::IgnoreCase);
    for (const QString &page : std::as_const(m_pages))
        m_byLowerName.insert(page.toLower(), page);

    const QString listPath = dir.filePath(ListFileName);
    if (!QFileInfo::exists(listPath)) {
        m_problems << QStringLiteral("%1 is missing").arg(ListFileName);
        const QString index = resolve(QStringLiteral("index.htm"));
        if (!index.isEmpty())
            m_topics.append({index, title(index), {}, {}});
        for (const QString &page : std::as_const(m_pages))
            if (page != index)
                m_topics.append({page, title(page), {}, {}});
        return;
    }
    parseList(readText(listPath));
}

void HelpCatalogue::parseList(const QString &text)
{
    QString group;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("%1 line %2").arg(ListFileName).arg(n + 1);
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']'))) {
                m_problems << where + QStringLiteral(": a group heading needs a closing ]");
                continue;
            }
            group = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const QStringList parts = line.split(QLatin1Char('|'));
        const QString name = parts.value(0).trimmed();
        const QString file = resolve(name);
        if (file.isEmpty()) {
            m_problems << where + QStringLiteral(": there is no page %1").arg(name);
            continue;
        }
        if (std::any_of(m_topics.cbegin(), m_topics.cend(), [&file](const HelpTopic &t) { return t.file == file; })) {
            m_problems << where + QStringLiteral(": %1 is listed twice").arg(file);
            continue;
        }
        HelpTopic topic;
        topic.file = file;
        topic.title = parts.value(1).trimmed();
        topic.group = group;
        for (const QString &word : parts.value(2).split(QLatin1Char(';'))) {
            const QString keyword = word.simplified();
            if (keyword.isEmpty() || topic.keywords.contains(keyword, Qt::CaseInsensitive))
                continue;
            topic.keywords << keyword;
            const QString key = keyword.toLower();
            m_keywordTopics[key] << file;
            if (!m_keywordSpelling.contains(key))
                m_keywordSpelling.insert(key, keyword);
        }
        m_topics.append(topic);
    }
    for (HelpTopic &topic : m_topics)
        if (topic.title.isEmpty())
            topic.title = title(topic.file);
}

QString HelpCatalogue::homeTopic() const
{
    if (!m_topics.isEmpty())
        return m_topics.first().file;
    const QString index = resolve(QStringLiteral("index.htm"));
    return index.isEmpty() ? m_pages.value(0) : index;
}

QString HelpCatalogue::resolve(const QString &topic) const
{
    QString name = topic.section(QLatin1Char('#'), 0, 0).trimmed();
    name = name.section(QLatin1Char('/'), -1);
    return m_byLowerName.value(name.toLower());
}

QString HelpCatalogue::title(const QString &file) const
{
    for (const HelpTopic &topic : m_topics)
        if (topic.file == file && !topic.title.isEmpty())
            return topic.title;
    const QString fromPage = titleTag(pageHtml(file));
    return fromPage.isEmpty() ? file : fromPage;
}

QUrl HelpCatalogue::urlOf(const QString &file) const
{
    if (m_root.startsWith(QLatin1Char(':'))) {
        QUrl url;
        url.setScheme(QStringLiteral("qrc"));
        url.setPath(m_root.mid(1) + QLatin1Char('/') + file);
        return url;
    }
    return QUrl::fromLocalFile(QDir(m_root).absoluteFilePath(file));
}

QString HelpCatalogue::fileOf(const QUrl &url) const
{
    const QString scheme = url.scheme();
    if (!scheme.isEmpty() && scheme != QLatin1String("qrc") && scheme != QLatin1String("file"))
        return QString();
    return resolve(QFileInfo(url.path()).fileName());
}

QStringList HelpCatalogue::keywords() const
{
    QStringList all = m_keywordSpelling.values();
    std::sort(all.begin(), all.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return all;
}

QStringList HelpCatalogue::topicsForKeyword(const QString &keyword) const
{
    return m_keywordTopics.value(keyword.simplified().toLower());
}

QStringList HelpCatalogue::search(const QString &words) const
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList wanted = words.toLower().split(blanks, Qt::SkipEmptyParts);
    if (wanted.isEmpty())
        return {};

    // Listed pages first, in contents order, so equal hits keep that order.
    QStringList order;
    for (const HelpTopic &topic : m_topics)
        order << topic.file;
    for (const QString &page : m_pages)
        if (!order.contains(page))
            order << page;

    QList<std::pair<QString, qsizetype>> found;
    for (const QString &page : std::as_const(order)) {
        auto cached = m_plainText.constFind(page);
        if (cached == m_plainText.cend())
            cached = m_plainText.insert(page, pageText(page).toLower());
        qsizetype hits = 0;
        for (const QString &word : std::as_const(wanted)) {
            const qsizetype count = cached->count(word);
            if (count == 0) {
                hits = 0;
                break;
            }
            hits += count;
        }
        if (hits)
            found.append({page, hits});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    QStringList pages;
    for (const auto &entry : std::as_const(found))
        pages << entry.first;
    return pages;
}

QString HelpCatalogue::pageHtml(const QString &file) const
{
    if (file.isEmpty() || !m_pages.contains(file))
        return QString();
    return readText(QDir(m_root).filePath(file));
}

QString HelpCatalogue::pageText(const QString &file) const
{
    return QTextDocumentFragment::fromHtml(pageHtml(file)).toPlainText();
}

QString HelpCatalogue::contentsHtml() const
{
    const QString home = homeTopic();
    QString html = QStringLiteral("<ul class=\"contents\">\n");
    QString openGroup;
    bool inGroup = false;
    for (const HelpTopic &topic : m_topics) {
        if (topic.file == home)
            continue;
        if (topic.group != openGroup || (!inGroup && !topic.group.isEmpty())) {
            if (inGroup)
                html += QStringLiteral("</ul></li>\n");
            inGroup = !topic.group.isEmpty();
            openGroup = topic.group;
            if (inGroup)
                html += QStringLiteral("<li><b>%1</b><ul>\n").arg(topic.group.toHtmlEscaped());
        }
        html += QStringLiteral("<li>%1</li>\n").arg(link(topic.file, topic.title));
    }
    if (inGroup)
        html += QStringLiteral("</ul></li>\n");
    html += QStringLiteral("</ul>\n");
    return html;
}

} // namespace tavimo
