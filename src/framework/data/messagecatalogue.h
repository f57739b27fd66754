#pragma once

#include <QString>

#include <vector>

namespace tavimo {

struct CatalogueEntry
{
    int id = 0;
    int fatality = 0; // a Result used as severity
    QString title;    // the message box caption
    QString text;     // template with placeholders; "|" starts a new line
    QString category; // empty reads as the manager's default category
};

// The program's own messages, ids 1 to 53. If you add one, keep its id
// unique and its severity a Result value.
const std::vector<CatalogueEntry> &builtinCatalogue();

} // namespace tavimo
