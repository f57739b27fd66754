#pragma once

#include "browsewindow.h"

#include <QString>

#include <functional>
#include <memory>

namespace tavimo {

class FormWindow;

// The doctors list: doctors by name with their phone numbers, kept through
// the doctors entry form.
class BrowseDoctors : public BrowseWindow
{
    Q_OBJECT
public:
    explicit BrowseDoctors(ThreadContext &context, QWidget *owner = nullptr);

    // Starts the list in the context given, as a window of its own (not
    // modal, whatever the owner), keeping the context alive until the
    // window closes; the window goes away then. Null when it could not start.
    static BrowseDoctors *startIn(std::shared_ptr<ThreadContext> context, QWidget *owner = nullptr);
    // The same in a new context over the data folder.
    static BrowseDoctors *startInNewContext(const QString &dataFolder);

    // How the entry form is run; by default it waits for the user.
    using FormRunner = std::function<int(FormWindow &form)>;
    void setFormRunner(FormRunner runner) { m_runner = std::move(runner); }

    BrowseManager &list() const { return browse(); }
    QString helpTopic() const override { return QStringLiteral("browsedoctors.htm"); }

protected:
    void createBrowses(QWidget *area) override;
    QString caption() const override { return QStringLiteral("List Doctors "); }

private:
    int runForm();

    FormRunner m_runner;
};

} // namespace tavimo
