#include "formdriver.h"

#include "formwindow.h"
#include "record.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tavimo {

QWidget *FormDriver::control(const QString &field) const
{
    const bool memo = m_form.record().layout().memo()
        && m_form.record().layout().memo()->name.compare(field, Qt::CaseInsensitive) == 0;
    const int index = memo ? -1 : m_form.record().layout().fieldIndex(field);
    if (!memo && index < 0)
        return nullptr;
    for (const auto &b : m_form.bindings())
        if (b->field() == index)
            return b->control();
    return nullptr;
}

bool FormDriver::type(const QString &field, const QString &text)
{
    QWidget *c = control(field);
    if (!c || !c->isEnabled())
        return false;
    c->setFocus();
    if (auto *e = qobject_cast<QLineEdit *>(c)) {
        e->selectAll();
        e->insert(text);
        return true;
    }
    if (auto *e = qobject_cast<QPlainTextEdit *>(c)) {
        e->setPlainText(text);
        return true;
    }
    if (auto *combo = qobject_cast<QComboBox *>(c); combo && combo->lineEdit()) {
        combo->lineEdit()->selectAll();
        combo->lineEdit()->insert(text);
        return true;
    }
    return false;
}

QString FormDriver::shown(const QString &field) const
{
    QWidget *c = control(field);
    if (auto *e = qobject_cast<QLineEdit *>(c))
        return e->text();
    if (auto *e = qobject_cast<QPlainTextEdit *>(c))
        return e->toPlainText();
    if (auto *b = qobject_cast<QCheckBox *>(c))
        return b->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    if (auto *combo = qobject_cast<QComboBox *>(c))
        return combo->currentText();
    return QString();
}

bool FormDriver::check(const QString &field, bool on)
{
    auto *b = qobject_cast<QCheckBox *>(control(field));
    if (!b || !b->isEnabled())
        return false;
    b->setChecked(on);
    return true;
}

void FormDriver::ok()
{
    // Through the button, as a person would, so that a form's own OK work runs.
    if (QPushButton *b = m_form.okButton(); b && b->isEnabled())
        b->click();
    else
        m_form.pressOk();
}

void FormDriver::save()
{
    m_form.pressSave();
}

void FormDriver::cancel()
{
    m_form.pressCancel();
}

void FormDriver::recall(const QString &field)
{
    if (QWidget *c = control(field)) {
        c->setFocus();
        m_form.recallField(c);
    }
}

bool FormDriver::isOpen() const
{
    return m_form.isRunning();
}

int FormDriver::response() const
{
    return m_form.response;
}

} // namespace tavimo
