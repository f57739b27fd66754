#pragma once

#include <QString>

namespace tavimo {

// Where the data files live: the --data-dir option, else $TAVIMO_DATA_DIR,
// else the user's data folder (~/.local/share/Tavimo on Linux).
QString resolveDataFolder(const QString &fromCommandLine);

} // namespace tavimo
