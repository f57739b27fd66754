#pragma once

#include "messagecatalogue.h"

#include <QString>

namespace tavimo {

// The error manager's state for one program context: the names that fill a
// message's placeholders, the codes captured at the last raise, and the
// message being raised. A message therefore always shows the context of
// the window that raised it.
struct ThreadErrorState
{
    QString fieldName;   // FIELDNAME
    QString fileName;    // FILENAME
    QString keyName;     // KEYNAME
    QString messageText; // MESSAGETEXT
    QString saveError;   // SAVEERROR: the driver's text for its code
    int saveErrorCode = 0;
    QString saveFileError;     // SAVEFILEERROR: the engine's own text
    QString saveFileErrorCode; // SAVEFILEERRORCODE
    CatalogueEntry errorBuffer; // ERRORBUFFER: a copy of the current entry
    int prevErrorId = 0;        // PREVERRORID
};

} // namespace tavimo
