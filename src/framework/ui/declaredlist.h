#pragma once

#include "browsewindow.h"
#include "listspec.h"

#include <QString>

#include <functional>
#include <memory>

namespace tavimo {

class FormWindow;

// A list window built from its declaration: its tabs with their orders,
// filters and ranges, its columns, locator and buttons, and the entry form
// its buttons run. Lists with behaviour of their own derive and override
// only their hooks.
class DeclaredList : public BrowseWindow
{
    Q_OBJECT
public:
    DeclaredList(ThreadContext &context, const ListSpec &spec, QWidget *owner = nullptr);

    const ListSpec &spec() const { return m_spec; }
    BrowseManager &list() const { return browse(); }
    QString helpTopic() const override { return QString::fromLatin1(m_spec.helpTopic); }

    // How the entry form is run; by default it waits for the user.
    using FormRunner = std::function<int(FormWindow &form)>;
    void setFormRunner(FormRunner runner) { m_runner = std::move(runner); }

protected:
    void createBrowses(QWidget *area) override;
    QString caption() const override { return QString::fromLatin1(m_spec.title); }

    // The list is declared; a derived list adds its own buttons and work here.
    virtual void listBuilt(BrowseManager &browse) { (void)browse; }
    // The entry form the buttons run, not yet started; null: none is written.
    virtual std::unique_ptr<FormWindow> makeForm();
    // Runs the entry form for the request in the context.
    virtual int runForm();

private:
    const ListSpec &m_spec;
    FormRunner m_runner;
};

} // namespace tavimo
