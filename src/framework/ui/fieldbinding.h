#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace tavimo {

class Record;

// Ties one control of a form to one field of the record being edited (or
// to the record's memo): shows the field, and takes back what was typed.
class FieldBinding
{
public:
    FieldBinding(QWidget *control, int field) : m_control(control), m_field(field) {}
    virtual ~FieldBinding() = default;

    QWidget *control() const { return m_control; }
    int field() const { return m_field; } // -1 for the memo

    virtual void load(const Record &record) = 0;
    // Puts the entry into the record; false, with a reason, when the entry
    // cannot be taken (the record is then left as it was).
    virtual bool store(Record &record, QString *reason = nullptr) = 0;

protected:
    QPointer<QWidget> m_control;
    int m_field;
};

} // namespace tavimo
