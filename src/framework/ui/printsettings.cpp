#include "printsettings.h"

#include <QCoreApplication>
#include <QPageSetupDialog>
#include <QPrinter>

#include <memory>

namespace tavimo {

namespace {

std::unique_ptr<QPrinter> &sharedPrinter()
{
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

PrintSettings::Dialog &dialogRunner()
{
    static PrintSettings::Dialog run;
    return run;
}

// A printer's engine must not outlive the application's print support.
void releasePrinter()
{
    sharedPrinter().reset();
}

} // namespace

QPrinter &PrintSettings::printer()
{
    std::unique_ptr<QPrinter> &printer = sharedPrinter();
    if (!printer) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        qAddPostRoutine(releasePrinter);
    }
    return *printer;
}

void PrintSettings::setDialog(Dialog dialog)
{
    dialogRunner() = std::move(dialog);
}

bool PrintSettings::runSetup(QWidget *parent)
{
    if (const Dialog &run = dialogRunner())
        return run(printer(), parent);
    QPageSetupDialog dialog(&printer(), parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace tavimo
