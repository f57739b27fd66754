#pragma once

#include "messagepresenter.h"

class QWidget;

namespace tavimo {

// Shows the program's messages as Qt message boxes over the active window.
class QtMessagePresenter final : public MessagePresenter
{
public:
    int show(const MessageBoxRequest &request) override;
    int showHistory(const QString &caption, const QStringList &messages, int buttons) override;
};

} // namespace tavimo
