#pragma once

#include "formwindow.h"
#include "personlogs.h"

#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace tavimo {

class BrowseList;
class TableDropCombo;
class WindowHelp;

// The profile form: a person's demographic, emergency and medical data on
// six tabs, and on ten more the person's logs as lists, each with its
// entry form and report. Whoever is open here is the current person.
class UpdatePersonsName : public FormWindow
{
    Q_OBJECT
public:
    explicit UpdatePersonsName(ThreadContext &context, QWidget *owner = nullptr);
    ~UpdatePersonsName() override;

    QTabWidget *tabs() const { return m_tabs; }
    PersonLogList *logList(int tab) const;
    QWidget *logButton(int tab, int control) const; // an Insert/Change/Delete of a log list
    QPushButton *printButton(int tab) const;
    QPushButton *button(const QString &caption) const; // any push button, by caption
    QLineEdit *entry(const char *field) const;          // the entry bound to a field
    const std::vector<QWidget *> &menstruationControls() const { return m_menstruation; }
    QButtonGroup *genderGroup() const { return m_gender; }
    TableDropCombo *doctorCombo() const { return m_doctorDrop.get(); }
    TableDropCombo *planCombo() const { return m_planDrop.get(); }
    QLabel *totalLabel() const { return m_total; }
    QPlainTextEdit *bloodPressureText() const { return m_bpText; }

    // How the log forms are run (tests put their own in); by default
    // through the procedure table, on this context.
    using FormRunner = std::function<int(const QString &procedure)>;
    void setFormRunner(FormRunner runner) { m_runner = std::move(runner); }

    // The work of the fields when they are left, also for tests.
    void lastNameCompleted();
    void birthdateCompleted();
    void genderChanged();
    void heightCompleted();
    void recalcBmi();

    static QString bloodPressureExplanation();

protected:
    void createFields(QWidget *area) override;
    void createContents(QDialog *window) override;
    int setup() override;
    QString helpTopic() const override { return QStringLiteral("tavimo.htm"); }

private:
    QWidget *generalTab();
    QWidget *contactsTab();
    QWidget *conditionsTab();
    QWidget *equipmentTab();
    QWidget *allergiesTab();
    QWidget *immunizationsTab();
    QWidget *logTab(const PersonLogSpec &spec);

    QLineEdit *text(QWidget *page, const char *field, const QString &picture = QString());
    bool takeEntry(QWidget *control);
    void showField(const char *field);
    void showUpdated();
    void pressOkStamped();
    int runLogForm(const QString &procedure);
    void printLog(const PersonLogSpec &spec);
    void showTabHelp(const QString &topic);
    void viewImmunizationSchedule();

    QTabWidget *m_tabs = nullptr;
    QButtonGroup *m_gender = nullptr;
    QButtonGroup *m_marital = nullptr;
    std::vector<QWidget *> m_menstruation;
    QPlainTextEdit *m_bpText = nullptr;
    QLabel *m_total = nullptr;
    QLabel *m_updated = nullptr;
    bool m_totalShown = false;
    std::unique_ptr<TableDropCombo> m_doctorDrop;
    std::unique_ptr<TableDropCombo> m_planDrop;
    struct LogSheet
    {
        std::unique_ptr<PersonLogList> list;
        BrowseList *control = nullptr;
        std::array<QPushButton *, 3> actions{}; // insert, change, delete
        QPushButton *print = nullptr;
    };
    std::vector<LogSheet> m_logs;
    std::vector<QPushButton *> m_buttons;
    QPointer<WindowHelp> m_help;
    FormRunner m_runner;
};

} // namespace tavimo
