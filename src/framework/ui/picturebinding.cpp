#include "picturebinding.h"

#include "record.h"

#include <QLineEdit>

#include <cmath>

namespace tavimo {

PictureBinding::PictureBinding(QWidget *control, int field, const Picture &picture)
    : FieldBinding(control, field), m_picture(picture)
{
    if (auto *e = qobject_cast<QLineEdit *>(control); e && picture.kind() == Picture::Kind::Number)
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A date's form depends on the desktop's settings: the tip says which.
    if (control && control->toolTip().isEmpty()
        && (picture.kind() == Picture::Kind::Date || picture.kind() == Picture::Kind::Time))
        control->setToolTip(QStringLiteral("Enter %1").arg(expectedForm()));
}

void PictureBinding::load(const Record &record)
{
    auto *e = qobject_cast<QLineEdit *>(m_control.data());
    if (!e)
        return;
    QString shown;
    switch (record.layout().field(m_field).type) {
    case FieldType::Text:
    case FieldType::CString:
        shown = m_picture.format(record.text(m_field));
        break;
    case FieldType::Date:
        shown = m_picture.format(record.date(m_field));
        break;
    case FieldType::Time:
        shown = m_picture.format(record.time(m_field));
        break;
    case FieldType::Real:
        shown = m_picture.format(record.real(m_field));
        break;
    case FieldType::Decimal:
        shown = m_picture.format(record.decimal(m_field));
        break;
    case FieldType::Short:
    case FieldType::Byte:
        shown = m_picture.format(double(record.integer(m_field)));
        break;
    }
    // Numbers are aligned by the control, not by padding.
    e->setText(m_picture.kind() == Picture::Kind::Number ? shown.trimmed() : shown);
}

bool PictureBinding::store(Record &record, QString *reason)
{
    auto *e = qobject_cast<QLineEdit *>(m_control.data());
    if (!e)
        return true;
    const QString entry = e->text();
    const FieldDef &f = record.layout().field(m_field);
    auto refuse = [&](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    switch (f.type) {
    case FieldType::Text:
    case FieldType::CString: {
        const auto text = m_picture.parseText(entry);
        if (!text)
            return refuse(expectedForm());
        record.setText(m_field, *text);
        return true;
    }
    case FieldType::Date: {
        const auto date = m_picture.parseDate(entry);
        if (!date)
            return refuse(expectedForm());
        record.setDate(m_field, *date);
        return true;
    }
    case FieldType::Time: {
        const auto time = m_picture.parseTime(entry);
        if (!time)
            return refuse(expectedForm());
        record.setTime(m_field, *time);
        return true;
    }
    case FieldType::Real: {
        const auto n = m_picture.parseNumber(entry);
        if (!n)
            return refuse(expectedForm());
        record.setReal(m_field, *n);
        return true;
    }
    case FieldType::Decimal: {
        const auto d = m_picture.parseDecimal(entry);
        if (!d || !d->fitsPacked())
            return refuse(expectedForm());
        record.setDecimal(m_field, *d);
        return true;
    }
    case FieldType::Short:
    case FieldType::Byte: {
        const auto n = m_picture.parseNumber(entry);
        double low = f.type == FieldType::Short ? -32768 : 0;
        double high = f.type == FieldType::Short ? 32767 : 255;
        // The picture may hold fewer digits than the field.
        if (m_picture.kind() == Picture::Kind::Number && m_picture.width() > 0 && m_picture.decimals() == 0) {
            const int digits = m_picture.width() - (m_picture.isSigned() ? 1 : 0);
            if (digits > 0 && digits < 6)
                high = std::min(high, std::pow(10.0, digits) - 1);
        }
        if (!m_picture.isSigned())
            low = std::max(low, 0.0);
        if (!n || *n != std::floor(*n) || *n < low || *n > high)
            return refuse(QStringLiteral("a whole number from %1 to %2").arg(low).arg(high));
        record.setInteger(m_field, int(*n));
        return true;
    }
    }
    return true;
}

QString PictureBinding::expectedForm() const
{
    switch (m_picture.kind()) {
    case Picture::Kind::Date:
        return QStringLiteral("a date like %1").arg(m_picture.format(Date::fromQDate(QDate(2026, 12, 31))).trimmed());
    case Picture::Kind::Time:
        return QStringLiteral("a time like %1").arg(m_picture.format(Time::fromQTime(QTime(14, 30))).trimmed());
    case Picture::Kind::Number: {
        const int digits = m_picture.width() - m_picture.decimals() - (m_picture.decimals() ? 1 : 0)
                           - (m_picture.isSigned() ? 1 : 0);
        QString example = QStringLiteral("120").left(std::max(1, digits));
        if (m_picture.decimals() > 0)
            example += QLatin1Char('.') + QStringLiteral("50").leftJustified(m_picture.decimals(), QLatin1Char('0'), true);
        return QStringLiteral("a number like %1").arg(m_picture.format(example.toDouble()).trimmed());
    }
    case Picture::Kind::Template: {
        QString example = m_picture.text();
        int digit = 1;
        for (QChar &c : example)
            if (c == u'#' || c == u'<')
                c = QLatin1Char(char('0' + (digit++ % 10)));
        return QStringLiteral("digits in the form %1").arg(example);
    }
    case Picture::Kind::Text:
        break;
    }
    return QStringLiteral("at most %1 characters").arg(m_picture.width());
}

} // namespace tavimo
