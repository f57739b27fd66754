#include "profilebindings.h"

#include "record.h"

#include <QLineEdit>
#include <QRegularExpression>

namespace tavimo {

std::optional<QString> HeightBinding::read(const QString &entry)
{
    const QString typed = entry.trimmed();
    if (typed.isEmpty())
        return QString();
    // Feet, a mark or a blank, one or two inch digits, an optional mark.
    static const QRegularExpression shape(QStringLiteral(R"(^(\d)\s*(?:'|\s)\s*(\d{1,2})\s*"?$)"));
    const QRegularExpressionMatch m = shape.match(typed);
    if (!m.hasMatch())
        return std::nullopt;
    const int inches = m.captured(2).toInt();
    if (inches > 11)
        return std::nullopt;
    return QStringLiteral("%1'%2\"").arg(m.captured(1)).arg(inches, 2, 10, QLatin1Char('0'));
}

void HeightBinding::load(const Record &record)
{
    if (auto *e = qobject_cast<QLineEdit *>(m_control.data()))
        e->setText(record.text(m_field).trimmed());
}

bool HeightBinding::store(Record &record, QString *reason)
{
    auto *e = qobject_cast<QLineEdit *>(m_control.data());
    if (!e)
        return true;
    const std::optional<QString> height = read(e->text());
    if (!height) {
        if (reason)
            *reason = QStringLiteral("a height like 5'10\" or 5'4\": feet, then 0 to 11 inches");
        return false;
    }
    record.setText(m_field, *height);
    return true;
}

bool BirthdateBinding::store(Record &record, QString *reason)
{
    auto *e = qobject_cast<QLineEdit *>(m_control.data());
    const std::optional<Date> date = e ? picture().parseDate(e->text()) : std::nullopt;
    if (date && !date->isNull() && date->toQDate() > QDate::currentDate()) {
        if (reason)
            *reason = QStringLiteral("a birth date no later than today (%1)").arg(picture().format(Date::today()).trimmed());
        return false;
    }
    return PictureBinding::store(record, reason);
}

} // namespace tavimo
