#include "softcheck.h"

#include <QtGlobal>

#include <atomic>

namespace tavimo {

namespace {
std::atomic<int> g_failures{0};
}

bool softCheck(bool condition, const char *where, const QString &what)
{
    if (condition)
        return true;
    ++g_failures;
    qWarning("%s: %s does not resolve", where, qPrintable(what));
    return false;
}

int softCheckFailures()
{
    return g_failures.load();
}

} // namespace tavimo
