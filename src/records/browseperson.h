#pragma once

#include "browsewindow.h"

#include <QString>

#include <functional>
#include <memory>

class QPushButton;

namespace tavimo {

class FormWindow;

// "List People": the household's profiles by name. Whoever is highlighted
// is the current person for everything started from here.
class BrowsePerson : public BrowseWindow
{
    Q_OBJECT
public:
    explicit BrowsePerson(ThreadContext &context, QWidget *owner = nullptr);

    // Starts the list in the context given, keeping it alive until the
    // window closes. Null when it could not start.
    static BrowsePerson *startIn(std::shared_ptr<ThreadContext> context, QWidget *owner = nullptr);

    // How the profile form is run; by default it waits for the user.
    using FormRunner = std::function<int(FormWindow &form)>;
    void setFormRunner(FormRunner runner) { m_runner = std::move(runner); }

    BrowseManager &list() const { return browse(); }
    QPushButton *plansButton() const { return m_plans; }
    QPushButton *doctorsButton() const { return m_doctors; }
    QString helpTopic() const override { return QStringLiteral("listofprofiles.htm"); }

protected:
    void createBrowses(QWidget *area) override;
    QString caption() const override { return QStringLiteral("List People"); }

private:
    int runForm();

    FormRunner m_runner;
    QPushButton *m_plans = nullptr;
    QPushButton *m_doctors = nullptr;
};

} // namespace tavimo
