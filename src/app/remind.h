#pragma once

#include "browsewindow.h"

#include <QString>

class QLabel;
class QPushButton;

namespace tavimo {

// "Prescription Refills Reminders": the active prescriptions whose refill
// reminder date comes before today + 30. Read only.
class Remind : public BrowseWindow
{
    Q_OBJECT
public:
    explicit Remind(ThreadContext &context, QWidget *owner = nullptr);

    static QString filter()
    {
        return QStringLiteral(
            "(PRE:RefillReminderDate < today()+30 and PRE:RefillReminderDate > '' and PRE:Active = 'Y')");
    }

    BrowseManager &list() const { return browse(); }
    QPushButton *okButton() const { return m_ok; }
    QLabel *todayLabel() const { return m_today; }
    QString helpTopic() const override { return QStringLiteral("remind.htm"); }

protected:
    void createBrowses(QWidget *area) override;
    void createContents(QDialog *window) override;
    QString caption() const override { return QStringLiteral("Prescription Refills Reminders"); }

private:
    QPushButton *m_ok = nullptr;
    QLabel *m_today = nullptr;
};

} // namespace tavimo
