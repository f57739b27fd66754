#pragma once

#include <QByteArray>
#include <QString>

namespace tavimo {

// The cipher key of a password-protected data file, derived from the owner
// password. Deriving it costs tens of milliseconds, and a window opens a
// dozen tables at once, so each password is derived once per process and
// handed to the engine as a raw key.
QByteArray rawCipherKey(const QString &password); // "x'<64 hex digits>'"

} // namespace tavimo
