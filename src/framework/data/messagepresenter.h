#pragma once

#include <QString>
#include <QStringList>

namespace tavimo {

// Message-box buttons, as a bit set; a box answers with the value of the
// button pressed.
namespace Button {
enum : int {
    Ok = 1,
    Yes = 2,
    No = 4,
    Abort = 8,
    Retry = 16,
    Ignore = 32,
    Cancel = 64,
    Help = 128,
};
}

enum class MessageIcon {
    None,
    Exclamation, // standard icon 32515
    Information, // standard icon 32516
};

struct MessageBoxRequest
{
    QString caption;
    QString text; // "|" already turned into line breaks
    MessageIcon icon = MessageIcon::None;
    int buttons = Button::Ok;
    int defaultButton = Button::Ok;
    int style = 0;
};

// Every message box of the program goes through one of these: the Qt one
// in the program, a scripted one in tests.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;

    // Shows the box and returns the button pressed; closing the box
    // without a button returns 0.
    virtual int show(const MessageBoxRequest &request) = 0;

    // The "Errors History" window: the messages shown so far.
    virtual int showHistory(const QString &caption, const QStringList &messages, int buttons) = 0;
};

} // namespace tavimo
