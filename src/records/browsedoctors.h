#pragma once

#include "declaredlist.h"

#include <QString>

#include <memory>

namespace tavimo {

// The doctors list: doctors by name with their phone numbers, kept through
// the doctors entry form.
class BrowseDoctors : public DeclaredList
{
    Q_OBJECT
public:
    explicit BrowseDoctors(ThreadContext &context, QWidget *owner = nullptr);

    static const ListSpec &declaration();

    // Starts the list in the context given, as a window of its own (not
    // modal, whatever the owner), keeping the context alive until the
    // window closes; the window goes away then. Null when it could not start.
    static BrowseDoctors *startIn(std::shared_ptr<ThreadContext> context, QWidget *owner = nullptr);
    // The same in a new context over the data folder.
    static BrowseDoctors *startInNewContext(const QString &dataFolder);

protected:
    std::unique_ptr<FormWindow> makeForm() override;
};

} // namespace tavimo
