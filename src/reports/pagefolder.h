#pragma once

#include <QString>

namespace tavimo {

// The private folder a report run keeps its page files in: under the
// user's runtime folder (else the temporary folder), named after the
// process and a random part, readable by its owner only, and removed with
// everything in it when the folder object goes. A run that died leaves
// its folder behind; removeLeftovers() at the next start takes it away.
class PageFolder
{
public:
    // In the default place, or under `base` (tests).
    explicit PageFolder(const QString &base = QString());
    ~PageFolder();
    PageFolder(const PageFolder &) = delete;
    PageFolder &operator=(const PageFolder &) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    QString errorString() const { return m_error; }
    QString path() const { return m_path; }
    // The file of page `number` (from 1) in the folder; the page writer
    // creates it readable by its owner only.
    QString pageFile(int number) const;

    // Where the folders go: the runtime folder, else the temporary folder.
    static QString defaultBase();
    static QString prefix() { return QStringLiteral("tavimo-pages-"); }
    // Removes the folders of processes that no longer run, never those of
    // a running one; returns how many went. Where a process cannot be
    // asked after, every folder stays.
    static int removeLeftovers(const QString &base = QString());
    // Whether the process may still be running (true when it cannot be told).
    static bool processRuns(qint64 pid);

private:
    QString m_path;
    QString m_error;
};

} // namespace tavimo
