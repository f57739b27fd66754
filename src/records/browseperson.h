#pragma once

#include "declaredlist.h"

#include <QString>

#include <memory>

class QPushButton;

namespace tavimo {

// "List People": the household's profiles by name. Whoever is highlighted
// is the current person for everything started from here.
class BrowsePerson : public DeclaredList
{
    Q_OBJECT
public:
    explicit BrowsePerson(ThreadContext &context, QWidget *owner = nullptr);

    static const ListSpec &declaration();

    // Starts the list in the context given, keeping it alive until the
    // window closes. Null when it could not start.
    static BrowsePerson *startIn(std::shared_ptr<ThreadContext> context, QWidget *owner = nullptr);

    QPushButton *plansButton() const { return m_plans; }
    QPushButton *doctorsButton() const { return m_doctors; }

protected:
    void listBuilt(BrowseManager &browse) override;
    std::unique_ptr<FormWindow> makeForm() override;
    int runForm() override;

private:
    QPushButton *m_plans = nullptr;
    QPushButton *m_doctors = nullptr;
};

} // namespace tavimo
