#pragma once

#include <QString>

namespace tavimo {

// A check that survives a release build: a name that does not resolve is
// logged with where it was met, and the caller goes on without it instead
// of reading blank, throwing or dereferencing null.
bool softCheck(bool condition, const char *where, const QString &what);

// Every failed check so far, for the test that resolves every declared name.
int softCheckFailures();

} // namespace tavimo
