#include "processvalues.h"

namespace tavimo {

ProcessValues &ProcessValues::instance()
{
    static ProcessValues values;
    return values;
}

QString defaultDisclaimerText()
{
    return QStringLiteral("Quorvex Inc. does not provide medical advice, or suggest medical procedures. "
                          "Please consult your doctor for advice concerning any medical condition.");
}

} // namespace tavimo
