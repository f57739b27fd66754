#pragma once

#include "processvalues.h"
#include "record.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <vector>

namespace tavimo::csv {

class ColumnPlan;
class QuietContext;

// A person refused, or the key under which a new person is known.
struct PersonCheck
{
    QString problem; // "column LASTNAME: ..."; empty when the person may be added
    QString key;
};

// The people of a data folder, read once, for the rows of a log to find
// their person by name, and for new people not to take a name twice.
// Names compare without regard to case and to blanks at either end.
class People
{
public:
    // Reads every person; a data folder without a people table has none
    // (and gets none made). False with the problem when it cannot be read.
    bool load(QuietContext &context, QString &problem);

    int byName(const QString &name) const; // -1 if none
    // The person whose name, cut to what a log's name field of `size`
    // bytes keeps of it, is the given one; -1 if none.
    int byCutName(const QString &name, int size) const;
    bool matchesCut(int person, const QString &name, int size) const;

    QString name(int person) const;
    // The person as a new log entry copies them: as the profile form makes
    // them current when it opens on them today.
    CurrentPersonValues snapshot(int person) const;

    // A new person, as the profile form saves one: the last name is
    // required, the person's name made from the first and last names when
    // the file gives none, the age and BMI worked out when the file lacks
    // their columns, the record stamped as updated now. `added` holds the
    // keys of the people this file added before.
    PersonCheck completeNew(Record &person, const ColumnPlan &plan, const QSet<QString> &added) const;

private:
    static QString key(const QString &name);
    static QString cut(const QString &name, int size);
    const QHash<QString, int> &cutIndex(int size) const;

    std::vector<Record> m_people;
    QHash<QString, int> m_byName;
    mutable QHash<int, QHash<QString, int>> m_byCut;
};

} // namespace tavimo::csv
