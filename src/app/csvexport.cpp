// export-csv: a table's records as a CSV file the import takes back.
#include "csvtables.h"

#include "csvcontext.h"
#include "csvformat.h"
#include "csvpeople.h"
#include "csvvalues.h"
#include "filemanager.h"
#include "keycodec.h"
#include "logpriming.h"
#include "record.h"
#include "storedtable.h"
#include "tables.h"

#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavimo::csv {

namespace {

constexpr qsizetype kFlushBytes = 1 << 20;

Report failure(Outcome outcome, const QString &message)
{
    return Report{outcome, 0, message};
}

QString clippedKey(const QString &text)
{
    return text.trimmed().toCaseFolded();
}

// Which records an export takes: the person's (by the name as the table
// keeps it, or by the social security number, as the profile's lists
// find them) and those dated in the range.
struct Selection
{
    int nameField = -1;
    QString nameKey;
    int ssnField = -1;
    QString ssn;
    int dateField = -1;
    Date from;
    Date to;

    bool takes(const Record &r) const
    {
        if (dateField >= 0) {
            const Date d = r.date(dateField);
            if (d.isNull() || (!from.isNull() && d < from) || (!to.isNull() && d > to))
                return false;
        }
        if (nameField < 0)
            return true;
        if (clippedKey(r.text(nameField)) == nameKey)
            return true;
        return ssnField >= 0 && !ssn.isEmpty() && r.text(ssnField).trimmed() == ssn;
    }
};

// Where a record's line and its key lie in the export's two buffers.
struct Line
{
    qsizetype line;
    qsizetype lineSize;
    qsizetype key;
    qsizetype keySize;
};

class LineWriter
{
public:
    explicit LineWriter(const TableLayout &layout) : m_layout(layout) {}

    void header(QByteArray &out) const
    {
        bool first = true;
        for (const FieldDef &f : m_layout.fields()) {
            if (!first)
                out.append(',');
            first = false;
            appendField(out, f.column.toUtf8());
        }
        if (m_layout.memo()) {
            out.append(',');
            appendField(out, m_layout.memo()->column.toUtf8());
        }
        out.append("\r\n");
    }

    void record(QByteArray &out, const Record &r) const
    {
        const std::uint8_t *data = r.data();
        for (int i = 0; i < m_layout.fieldCount(); ++i) {
            if (i > 0)
                out.append(',');
            const FieldDef &f = m_layout.field(i);
            const char *at = reinterpret_cast<const char *>(data + f.offset);
            switch (f.type) {
            case FieldType::Text: {
                // As the record reads it back: without trailing blanks.
                qsizetype n = f.size;
                while (n > 0 && (at[n - 1] == ' ' || at[n - 1] == '\0'))
                    --n;
                appendField(out, at, n);
                break;
            }
            case FieldType::CString: {
                qsizetype n = 0;
                while (n < f.size - 1 && at[n] != '\0')
                    ++n;
                appendField(out, at, n);
                break;
            }
            case FieldType::Date:
                appendDate(out, r.date(i));
                break;
            case FieldType::Time:
                appendTime(out, r.time(i));
                break;
            case FieldType::Real:
                appendReal(out, r.real(i));
                break;
            case FieldType::Short:
            case FieldType::Byte:
                appendInteger(out, r.integer(i));
                break;
            case FieldType::Decimal:
                appendDecimal(out, r.decimal(i));
                break;
            }
        }
        if (m_layout.memo()) {
            out.append(',');
            appendField(out, r.memo().toUtf8());
        }
        out.append("\r\n");
    }

private:
    const TableLayout &m_layout;
};

} // namespace

int rangeField(const TableLayout &table)
{
    for (int i = 0; i < table.fieldCount(); ++i)
        if (table.field(i).type == FieldType::Date)
            return i;
    return -1;
}

Report exportCsv(const QString &dataFolder, const ExportRequest &request, QIODevice &out)
{
    if (!request.table)
        return failure(Outcome::BadInput, QStringLiteral("no table"));
    const TableLayout &layout = *request.table;
    QuietContext quiet(dataFolder);

    Selection selection;
    if (!request.from.isNull() || !request.to.isNull()) {
        selection.dateField = rangeField(layout);
        if (selection.dateField < 0)
            return failure(Outcome::BadInput,
                           QStringLiteral("%1 has no date to choose records by: --from and --to do not apply to it")
                               .arg(layout.label()));
        selection.from = request.from;
        selection.to = request.to;
    }
    if (!request.person.isEmpty()) {
        const bool people = &layout == &tables::personsName();
        selection.nameField = people ? layout.fieldIndex(QStringLiteral("PER:PERSONSNAME"))
                                     : logpriming::personField(layout);
        if (selection.nameField < 0)
            return failure(Outcome::BadInput,
                           QStringLiteral("%1 is nobody's log: --person does not apply to it").arg(layout.label()));
        People known;
        QString problem;
        if (!known.load(quiet, problem))
            return failure(Outcome::Failed, problem);
        const int person = known.byName(request.person);
        if (person < 0)
            return failure(Outcome::BadInput,
                           QStringLiteral("no person named \"%1\" in %2").arg(request.person, dataFolder));
        // The name as the table keeps it: cut to its field, as it was primed.
        Record primed(layout);
        logpriming::primeFromPerson(primed, selection.nameField, known.snapshot(person));
        selection.nameKey = clippedKey(people ? known.name(person) : primed.text(selection.nameField));
        if (!people) {
            selection.ssnField = layout.fieldIndex(layout.prefix() + QStringLiteral(":SOCIALSECURITY"));
            selection.ssn = known.snapshot(person).socialSecurity.trimmed();
        }
    }

    if (!quiet.hasFile(layout))
        return failure(Outcome::NothingMatched, QStringLiteral("%1 has no records in %2").arg(layout.label(), dataFolder));
    FileManager &file = *quiet.context().fileManager(layout);
    quiet.clearMessage();
    if (file.open() != ResultOk || file.use() != ResultOk) {
        file.close();
        return failure(Outcome::Failed,
                       QStringLiteral("cannot read %1 in %2: %3").arg(layout.label(), dataFolder, quiet.lastMessage()));
    }
    StoredTable &table = file.table();
    const LineWriter writer(layout);
    const bool keyed = layout.keyCount() > 0;
    // Reading along a key visits the pages of a large table in the key's
    // order, and every visit deciphers its page again: the records are
    // read in the order they are stored, and their lines put in the key's
    // order here, by the very bytes the key is stored as. Equal keys keep
    // the order the records were added in, as the key does.
    QByteArray lines;
    QByteArray keys;
    std::vector<Line> order;
    table.send(QStringLiteral("QUICKSCAN=on"));
    int code = table.set(StoredTable::ByTable);
    while (code == DriverCode::Ok && (code = table.next()) == DriverCode::Ok) {
        const Record &r = table.record();
        if (!selection.takes(r))
            continue;
        Line line{lines.size(), 0, keys.size(), 0};
        writer.record(lines, r);
        line.lineSize = lines.size() - line.line;
        if (keyed) {
            keys.append(encodeKey(r, layout.key(0)));
            line.keySize = keys.size() - line.key;
        }
        order.push_back(line);
    }
    const DriverStatus status = table.status();
    table.send(QStringLiteral("QUICKSCAN=off"));
    file.close();
    if (code != DriverCode::NoRecord)
        return failure(Outcome::Failed, QStringLiteral("cannot read %1 in %2: %3 (%4)")
                                            .arg(layout.label(), dataFolder, status.text)
                                            .arg(status.code));
    if (order.empty())
        return failure(Outcome::NothingMatched, QStringLiteral("no record of %1 matched").arg(layout.label()));
    if (keyed) {
        const char *k = keys.constData();
        std::stable_sort(order.begin(), order.end(), [k](const Line &a, const Line &b) {
            const int c = std::memcmp(k + a.key, k + b.key, std::size_t(std::min(a.keySize, b.keySize)));
            return c != 0 ? c < 0 : a.keySize < b.keySize;
        });
    }

    QByteArray buffer;
    buffer.reserve(kFlushBytes + 64 * 1024);
    writer.header(buffer);
    for (const Line &line : order) {
        buffer.append(lines.constData() + line.line, line.lineSize);
        if (buffer.size() >= kFlushBytes) {
            if (out.write(buffer) != buffer.size())
                return failure(Outcome::Failed, QStringLiteral("the records could not be written: %1").arg(out.errorString()));
            buffer.clear();
        }
    }
    if (!buffer.isEmpty() && out.write(buffer) != buffer.size())
        return failure(Outcome::Failed, QStringLiteral("the records could not be written: %1").arg(out.errorString()));
    const std::int64_t written = std::int64_t(order.size());
    return Report{Outcome::Done, written, {}};
}

Report exportCsvFile(const QString &dataFolder, const ExportRequest &request, const QString &fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failure(Outcome::Failed, QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
    // Health data: for the owner's eyes only, whatever the file was before.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return failure(Outcome::Failed, QStringLiteral("cannot make %1 private to its owner").arg(fileName));
    }
    Report report = exportCsv(dataFolder, request, file);
    if (report.outcome != Outcome::Done) {
        file.cancelWriting();
        return report;
    }
    if (!file.commit())
        return failure(Outcome::Failed, QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
    return report;
}

} // namespace tavimo::csv
