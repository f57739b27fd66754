// import-csv: the rows of a CSV file into one table, all or none.
#include "csvtables.h"

#include "csvcolumns.h"
#include "csvcontext.h"
#include "csvformat.h"
#include "csvpeople.h"
#include "datafolder.h"
#include "filemanager.h"
#include "logpriming.h"
#include "record.h"
#include "relationmanager.h"
#include "storedtable.h"
#include "tables.h"
#include "transaction.h"

#include <QSet>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace tavimo::csv {

namespace {

constexpr int kTransactionSeconds = 10;

Report failure(Outcome outcome, const QString &message)
{
    return Report{outcome, 0, message};
}

// The person a row belongs to: the one --person names, or the one its
// name column names. Gives the index into people, or -1 with a reason.
struct RowPerson
{
    int index = -1;
    QString reason;
};

class Importer
{
public:
    Importer(const QString &dataFolder, const ImportRequest &request)
        : m_request(request), m_layout(*request.table), m_lookup(dataFolder)
    {
    }

    Report run(const QByteArray &file);

private:
    Report prepareTarget();
    Report readRows(Reader &reader);
    RowPerson personOf(const std::vector<QString> &values) const;
    QString takeRow(int row, const std::vector<QString> &values, int person);
    QString finishPerson(int row, Record &r);
    QString managersRefuse(int row, const std::vector<QString> &values);

    const ImportRequest &m_request;
    const TableLayout &m_layout;
    QuietContext m_lookup;       // the data folder
    std::unique_ptr<QTemporaryDir> m_scratchFolder;
    std::unique_ptr<QuietContext> m_scratch; // a dry run over a table not yet made
    QuietContext *m_target = nullptr;
    FileManager *m_file = nullptr;
    RelationManager *m_relation = nullptr;

    ColumnPlan m_plan;
    People m_people;
    int m_personField = -1;
    int m_namedPerson = -1; // --person
    std::vector<std::optional<Record>> m_primed; // by person
    std::optional<Record> m_blank;
    QSet<QString> m_newNames; // people added by this file
    std::int64_t m_taken = 0;
};

Report Importer::run(const QByteArray &file)
{
    QString text;
    int badRow = 0;
    if (!decodeUtf8(file, text, badRow))
        return failure(Outcome::BadInput, QStringLiteral("row %1 is not UTF-8 text").arg(badRow));
    Reader reader(text);
    std::vector<QString> header;
    if (!reader.next(header)) {
        return failure(Outcome::BadInput, reader.error().isEmpty()
                                              ? QStringLiteral("the file is empty: it has no header row")
                                              : QStringLiteral("row %1: %2").arg(reader.row()).arg(reader.error()));
    }
    QString problem;
    if (!m_plan.build(m_layout, header, m_request.map, problem))
        return failure(Outcome::BadInput, problem);

    const bool people = &m_layout == &tables::personsName();
    m_personField = logpriming::personField(m_layout);
    if (!m_request.person.isEmpty() && m_personField < 0)
        return failure(Outcome::BadInput, QStringLiteral("%1 is nobody's log: --person does not apply to it")
                                              .arg(m_layout.label()));
    if (m_personField >= 0 || people) {
        if (!m_people.load(m_lookup, problem))
            return failure(Outcome::Failed, problem);
    }
    if (!m_request.person.isEmpty()) {
        m_namedPerson = m_people.byName(m_request.person);
        if (m_namedPerson < 0)
            return failure(Outcome::BadInput, QStringLiteral("no person named \"%1\" in %2")
                                                  .arg(m_request.person, m_lookup.dataFolder()));
    } else if (m_personField >= 0 && m_plan.columnOf(m_personField) < 0) {
        return failure(Outcome::BadInput,
                       QStringLiteral("whose records are these? %1 is a person's log: give --person NAME, or a "
                                      "%2 column with the person's name on each row")
                           .arg(m_layout.label(), m_layout.field(m_personField).column));
    }

    const Report target = prepareTarget();
    if (target.outcome != Outcome::Done)
        return target;
    Report result = readRows(reader);
    m_relation->close();
    return result;
}

// The table the rows go into, open inside the transaction. A dry run over
// a table whose file is not there yet checks the rows against an empty
// table of its own, so that nothing is made in the data folder.
Report Importer::prepareTarget()
{
    if (m_request.dryRun && !m_lookup.hasFile(m_layout)) {
        m_scratchFolder = std::make_unique<QTemporaryDir>();
        if (!m_scratchFolder->isValid())
            return failure(Outcome::Failed, QStringLiteral("no temporary folder for the dry run: %1")
                                                .arg(m_scratchFolder->errorString()));
        m_scratch = std::make_unique<QuietContext>(m_scratchFolder->path());
        m_target = m_scratch.get();
    } else {
        m_target = &m_lookup;
        if (!m_request.dryRun) {
            const QString privacy = makeDataFolderPrivate(m_lookup.dataFolder(), tableFiles(m_lookup.context()));
            if (!privacy.isEmpty())
                return failure(Outcome::Failed, privacy);
        }
    }
    ThreadContext &context = m_target->context();
    m_file = context.fileManager(m_layout);
    m_relation = context.relationManager(m_layout);
    m_target->clearMessage();
    if (m_relation->open() != ResultOk || m_file->use(FileManager::UseWrite) != ResultOk) {
        m_relation->close();
        return failure(Outcome::Failed, QStringLiteral("cannot open %1 in %2: %3")
                                            .arg(m_layout.label(), m_lookup.dataFolder(), m_target->lastMessage()));
    }
    return Report{};
}

Report Importer::readRows(Reader &reader)
{
    Transaction transaction(m_target->context().storage());
    if (transaction.begin(kTransactionSeconds, {&m_file->table()}) != 0) {
        const DriverStatus &s = m_target->context().storage().lastStatus();
        return failure(Outcome::Failed, QStringLiteral("%1 could not be written: %2 (%3); is another program "
                                                       "writing to it?")
                                            .arg(m_layout.label(), s.text)
                                            .arg(s.code));
    }
    std::vector<QString> values;
    while (reader.next(values)) {
        const int row = reader.row();
        if (int(values.size()) != m_plan.size())
            return failure(Outcome::BadInput, QStringLiteral("row %1 has %2 values, but the header has %3 columns")
                                                  .arg(row)
                                                  .arg(values.size())
                                                  .arg(m_plan.size()));
        bool blank = true;
        for (const QString &v : values)
            blank = blank && v.trimmed().isEmpty();
        if (blank)
            continue;
        int person = -1;
        if (m_personField >= 0) {
            const RowPerson p = personOf(values);
            if (p.index < 0)
                return failure(Outcome::BadInput, QStringLiteral("row %1, %2").arg(row).arg(p.reason));
            person = p.index;
        }
        const QString refused = takeRow(row, values, person);
        if (!refused.isEmpty()) {
            // A refusal by the managers that is not about the row's values.
            if (refused.startsWith(u'!'))
                return failure(Outcome::Failed, refused.mid(1));
            return failure(Outcome::BadInput, refused);
        }
        ++m_taken;
    }
    if (!reader.error().isEmpty())
        return failure(Outcome::BadInput, QStringLiteral("row %1: %2").arg(reader.row()).arg(reader.error()));
    if (m_request.dryRun) {
        transaction.rollback();
        return Report{Outcome::Done, m_taken, {}};
    }
    if (transaction.commit() != 0) {
        const DriverStatus &s = m_target->context().storage().lastStatus();
        return failure(Outcome::Failed, QStringLiteral("%1 could not be saved: %2 (%3); nothing was imported")
                                            .arg(m_layout.label(), s.text)
                                            .arg(s.code));
    }
    return Report{Outcome::Done, m_taken, {}};
}

RowPerson Importer::personOf(const std::vector<QString> &values) const
{
    const int column = m_plan.columnOf(m_personField);
    const QString named = column >= 0 ? values[std::size_t(column)] : QString();
    const int fieldSize = m_layout.field(m_personField).size;
    if (m_namedPerson >= 0) {
        if (named.trimmed().isEmpty() || m_people.matchesCut(m_namedPerson, named, fieldSize))
            return RowPerson{m_namedPerson, {}};
        return RowPerson{-1, QStringLiteral("%1: \"%2\" is not %3, whom --person names")
                                 .arg(m_plan.describe(column), quoted(named), m_people.name(m_namedPerson))};
    }
    if (named.trimmed().isEmpty())
        return RowPerson{-1, QStringLiteral("%1: the person's name is blank").arg(m_plan.describe(column))};
    const int found = m_people.byCutName(named, fieldSize);
    if (found < 0)
        return RowPerson{-1, QStringLiteral("%1: \"%2\" is no person in %3 (people come in with "
                                            "tavimo import-csv PersonsName FILE)")
                                 .arg(m_plan.describe(column), quoted(named), m_lookup.dataFolder())};
    return RowPerson{found, {}};
}

QString Importer::takeRow(int row, const std::vector<QString> &values, int person)
{
    Record &r = m_file->record();
    if (person >= 0) {
        if (m_primed.size() <= std::size_t(person))
            m_primed.resize(std::size_t(person) + 1);
        std::optional<Record> &primed = m_primed[std::size_t(person)];
        if (!primed) {
            primed.emplace(m_layout);
            logpriming::primeFromPerson(*primed, m_personField, m_people.snapshot(person));
        }
        r = *primed;
    } else {
        if (!m_blank)
            m_blank.emplace(m_layout);
        r = *m_blank;
    }
    m_target->clearMessage();
    if (m_file->newRecord(true) != ResultOk)
        return QStringLiteral("!row %1 could not be numbered: %2").arg(row).arg(m_target->lastMessage());

    QString problem;
    if (!m_plan.apply(values, r, problem))
        return QStringLiteral("row %1, %2").arg(row).arg(problem);
    if (&m_layout == &tables::personsName()) {
        const QString refused = finishPerson(row, r);
        if (!refused.isEmpty())
            return refused;
    }
    return managersRefuse(row, values);
}

// What the profile form works out when a person is saved.
QString Importer::finishPerson(int row, Record &r)
{
    const PersonCheck check = m_people.completeNew(r, m_plan, m_newNames);
    if (!check.problem.isEmpty())
        return QStringLiteral("row %1, %2").arg(row).arg(check.problem);
    m_newNames.insert(check.key);
    return {};
}

// The table's own rules, then the insert; a refused insert that is not a
// duplicate key is the data folder's fault, not the row's.
QString Importer::managersRefuse(int row, const std::vector<QString> &values)
{
    int failing = 0;
    m_target->clearMessage();
    if (m_file->checkRecord(&failing) != ResultOk) {
        const int field = failing - 1;
        const int column = m_plan.columnOf(field);
        const QString value = column >= 0 ? values[std::size_t(column)] : QString();
        return QStringLiteral("row %1, %2: \"%3\": %4")
            .arg(row)
            .arg(column >= 0 ? m_plan.describe(column)
                             : QStringLiteral("%1 (not in the file)").arg(m_layout.field(field).column))
            .arg(quoted(value), m_target->lastMessage());
    }
    m_target->clearMessage();
    if (m_file->insert() == ResultOk)
        return {};
    if (m_target->lastMessageId() == 15)
        return QStringLiteral("row %1: %2").arg(row).arg(m_target->lastMessage());
    return QStringLiteral("!row %1 could not be added: %2").arg(row).arg(m_target->lastMessage());
}

} // namespace

Report importCsv(const QString &dataFolder, const ImportRequest &request, const QByteArray &file)
{
    if (!request.table)
        return failure(Outcome::BadInput, QStringLiteral("no table"));
    Importer importer(dataFolder, request);
    return importer.run(file);
}

} // namespace tavimo::csv
