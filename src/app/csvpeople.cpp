#include "csvpeople.h"

#include "csvcolumns.h"
#include "csvcontext.h"
#include "currentperson.h"
#include "filemanager.h"
#include "storedform.h"
#include "storedtable.h"
#include "tables.h"

namespace tavimo::csv {

QString People::key(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

// What a log's name field keeps of a person's name: the current person's
// forty characters, cut again to the field's bytes.
QString People::cut(const QString &name, int size)
{
    QByteArray utf8 = name.left(std::min(40, size)).toUtf8();
    utf8.truncate(stored::fittingUtf8Length(utf8, size));
    return QString::fromUtf8(utf8);
}

bool People::load(QuietContext &quiet, QString &problem)
{
    const TableLayout &layout = tables::personsName();
    if (!quiet.hasFile(layout))
        return true;
    FileManager &file = *quiet.context().fileManager(layout);
    quiet.clearMessage();
    if (file.open() != ResultOk || file.use() != ResultOk) {
        file.close();
        problem = QStringLiteral("cannot read the people in %1: %2").arg(quiet.dataFolder(), quiet.lastMessage());
        return false;
    }
    StoredTable &table = file.table();
    int code = table.set(0);
    while (code == DriverCode::Ok && (code = table.next()) == DriverCode::Ok)
        m_people.push_back(table.record());
    file.close();
    if (code != DriverCode::NoRecord) {
        problem = QStringLiteral("cannot read the people in %1: %2 (%3)")
                      .arg(quiet.dataFolder(), table.status().text)
                      .arg(table.status().code);
        return false;
    }
    // The first of two people of one name is the one found.
    for (int i = int(m_people.size()) - 1; i >= 0; --i)
        m_byName.insert(key(m_people[std::size_t(i)].text("PER:PERSONSNAME")), i);
    return true;
}

int People::byName(const QString &name) const
{
    return m_byName.value(key(name), -1);
}

const QHash<QString, int> &People::cutIndex(int size) const
{
    auto it = m_byCut.find(size);
    if (it == m_byCut.end()) {
        QHash<QString, int> index;
        for (int i = int(m_people.size()) - 1; i >= 0; --i)
            index.insert(key(cut(m_people[std::size_t(i)].text("PER:PERSONSNAME"), size)), i);
        it = m_byCut.insert(size, index);
    }
    return *it;
}

int People::byCutName(const QString &name, int size) const
{
    return cutIndex(size).value(key(name), -1);
}

bool People::matchesCut(int person, const QString &name, int size) const
{
    return key(cut(m_people[std::size_t(person)].text("PER:PERSONSNAME"), size)) == key(name);
}

QString People::name(int person) const
{
    return m_people[std::size_t(person)].text("PER:PERSONSNAME");
}

CurrentPersonValues People::snapshot(int person) const
{
    return person::openedOn(m_people[std::size_t(person)], Date::today());
}

PersonCheck People::completeNew(Record &r, const ColumnPlan &plan, const QSet<QString> &added) const
{
    const TableLayout &layout = r.layout();
    auto describe = [&](const char *field) {
        const int column = plan.columnOf(layout.fieldIndex(QString::fromLatin1(field)));
        if (column >= 0)
            return plan.describe(column);
        if (qstrcmp(field, "PER:PERSONSNAME") == 0)
            return QStringLiteral("PERSONSNAME (from FIRSTNAME and LASTNAME)");
        return QStringLiteral("%1 (not in the file)").arg(QString::fromLatin1(field).mid(4));
    };
    auto has = [&](const char *field) { return plan.columnOf(layout.fieldIndex(QString::fromLatin1(field))) >= 0; };

    const QString last = person::clipped(r.text("PER:LASTNAME"));
    if (last.trimmed().isEmpty())
        return PersonCheck{QStringLiteral("%1: a person needs a last name").arg(describe("PER:LASTNAME")), {}};
    QString name = r.text("PER:PERSONSNAME");
    if (name.trimmed().isEmpty()) {
        name = person::fullName(r.text("PER:FIRSTNAME"), r.text("PER:LASTNAME"));
        r.setText("PER:PERSONSNAME", name);
        name = r.text("PER:PERSONSNAME");
    }
    const QString k = key(name);
    if (m_byName.contains(k) || added.contains(k))
        return PersonCheck{QStringLiteral("%1: \"%2\" is one of the people already")
                               .arg(describe("PER:PERSONSNAME"), quoted(name)),
                           {}};

    const Date today = Date::today();
    const Date born = r.date("PER:BIRTHDATE");
    if (!born.isNull() && born > today)
        return PersonCheck{QStringLiteral("%1: \"%2\" is after today, which no birth date can be")
                               .arg(describe("PER:BIRTHDATE"), born.toQDate().toString(Qt::ISODate)),
                           {}};
    if (!has("PER:AGE") && !born.isNull())
        r.setReal("PER:AGE", person::ageOn(born, today));
    if (!has("PER:BMI"))
        r.setReal("PER:BMI", person::bmi(r.integer("PER:WEIGHT"), r.text("PER:HEIGHT")));
    if (!has("PER:DATEUPDATED"))
        r.setDate("PER:DATEUPDATED", today);
    if (!has("PER:TIMEUPDATED"))
        r.setTime("PER:TIMEUPDATED", Time::now());
    return PersonCheck{{}, k};
}

} // namespace tavimo::csv
