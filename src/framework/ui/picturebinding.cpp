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
            return refuse(QStringLiteral("This entry does not fit %1.").arg(m_picture.text()));
        record.setText(m_field, *text);
        return true;
    }
    case FieldType::Date: {
        const auto date = m_picture.parseDate(entry);
        if (!date)
            return refuse(QStringLiteral("This is not a date."));
        record.setDate(m_field, *date);
        return true;
    }
    case FieldType::Time: {
        const auto time = m_picture.parseTime(entry);
        if (!time)
            return refuse(QStringLiteral("This is not a time of day."));
        record.setTime(m_field, *time);
        return true;
    }
    case FieldType::Real: {
        const auto n = m_picture.parseNumber(entry);
        if (!n)
            return refuse(QStringLiteral("This is not a number."));
        record.setReal(m_field, *n);
        return true;
    }
    case FieldType::Decimal: {
        const auto d = m_picture.parseDecimal(entry);
        if (!d || !d->fitsPacked())
            return refuse(QStringLiteral("This is not an amount that can be kept."));
        record.setDecimal(m_field, *d);
        return true;
    }
    case FieldType::Short:
    case FieldType::Byte: {
        const auto n = m_picture.parseNumber(entry);
        const double low = f.type == FieldType::Short ? -32768 : 0;
        const double high = f.type == FieldType::Short ? 32767 : 255;
        if (!n || *n != std::floor(*n) || *n < low || *n > high)
            return refuse(QStringLiteral("This is not a whole number the field can hold."));
        record.setInteger(m_field, int(*n));
        return true;
    }
    }
    return true;
}

} // namespace tavimo
