#pragma once

#include <QString>

#include <functional>

class QLineEdit;
class QToolButton;

namespace tavimo {

// A small button beside a date entry that opens the calendar on the date
// typed (or today) and puts the chosen date into the entry. `chosen` runs
// afterwards, for forms that work something out from the date.
QToolButton *addCalendarButton(QLineEdit *entry, const QString &caption = QString(),
                               std::function<void()> chosen = {});

} // namespace tavimo
