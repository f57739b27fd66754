#pragma once

#include <QString>

class QWidget;

namespace tavimo {

class FormWindow;

// Drives a form the way a person would, for tests and scripted use: types
// into the control bound to a field, presses the form's buttons, recalls
// a field with the history key. Questions the form asks are answered by
// the message presenter the test installed.
class FormDriver
{
public:
    explicit FormDriver(FormWindow &form) : m_form(form) {}

    QWidget *control(const QString &field) const; // the control bound to the field, or null
    bool type(const QString &field, const QString &text);
    QString shown(const QString &field) const;     // what the control shows
    bool check(const QString &field, bool on);
    void ok();
    void save();
    void cancel();
    void recall(const QString &field);

    bool isOpen() const;
    int response() const;

private:
    FormWindow &m_form;
};

} // namespace tavimo
