#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace tavimo {

// The printer the program prints with: one for the whole run, so that what
// Print Setup chose (printer, paper, orientation) holds for every report
// printed afterwards.
class PrintSettings
{
public:
    // Made on first use; it goes when the application does.
    static QPrinter &printer();

    // Shows the set-up dialog on the printer; true when it was accepted.
    // The platform's page set-up dialog unless another is set (tests).
    using Dialog = std::function<bool(QPrinter &printer, QWidget *parent)>;
    static void setDialog(Dialog dialog);
    static bool runSetup(QWidget *parent);
};

} // namespace tavimo
