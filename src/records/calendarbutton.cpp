#include "calendarbutton.h"

#include "calendarpicker.h"
#include "picture.h"

#include <QLineEdit>
#include <QToolButton>

namespace tavimo {

QToolButton *addCalendarButton(QLineEdit *entry, const QString &caption, std::function<void()> chosen)
{
    const QString title = caption.isEmpty() ? CalendarPicker::DefaultCaption : caption;
    auto *button = new QToolButton(entry->parentWidget());
    button->setText(QStringLiteral("..."));
    button->setToolTip(title);
    button->setAccessibleName(title);
    // Tab goes from entry to entry; the calendar is a mouse shortcut.
    button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(button, &QToolButton::clicked, entry, [entry, title, chosen] {
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
