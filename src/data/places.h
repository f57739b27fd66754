#pragma once

#include <QString>

namespace tavimo {

// The folder where the person's PDF documents and the immunization
// schedule are kept: $TAVIMO_HOME/Uploads, else ~/Tavimo/Uploads.
QString uploadFolder();

} // namespace tavimo
