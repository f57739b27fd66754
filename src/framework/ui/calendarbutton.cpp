#include "calendarbutton.h"

#include "calendarpicker.h"
#include "picture.h"

#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>

namespace tavimo {

namespace {

class EnabledFollower : public QObject
{
public:
    EnabledFollower(QLineEdit *entry, QToolButton *button) : QObject(button), m_entry(entry), m_button(button)
    {
        entry->installEventFilter(this);
        follow();
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_entry.data() && (event->type() == QEvent::EnabledChange || event->type() == QEvent::ReadOnlyChange))
            follow();
        return false;
    }

private:
    void follow()
    {
        // Not a QLineEdit any more while it is being destroyed.
        auto *entry = qobject_cast<QLineEdit *>(m_entry.data());
        if (entry && m_button)
            m_button->setEnabled(entry->isEnabled() && !entry->isReadOnly());
    }
    QPointer<QWidget> m_entry;
    QPointer<QToolButton> m_button;
};

} // namespace

QToolButton *addCalendarButton(QLineEdit *entry, const QString &caption, std::function<void()> chosen)
{
    const QString title = caption.isEmpty() ? CalendarPicker::DefaultCaption : caption;
    auto *button = new QToolButton(entry->parentWidget());
    button->setText(QStringLiteral("..."));
    button->setToolTip(title);
    button->setAccessibleName(title);
    // Tab goes from entry to entry; the calendar is a mouse shortcut.
    button->setFocusPolicy(Qt::NoFocus);
    // The button changes the entry, so it goes with the entry's state.
    new EnabledFollower(entry, button);
    QObject::connect(button, &QToolButton::clicked, entry, [entry, title, chosen] {
        if (!entry->isEnabled() || entry->isReadOnly())
            return;
        const Picture picture = *Picture::parse(QStringLiteral("d17"));
        const Date typed = picture.parseDate(entry->text()).value_or(Date());
        CalendarPicker picker(entry->window());
        const Date date = picker.ask(typed, title);
        if (!date.isNull()) {
            entry->setText(picture.format(date));
            emit entry->editingFinished();
        }
        entry->setFocus();
        if (chosen)
            chosen();
    });
    return button;
}

} // namespace tavimo
