#pragma once

#include "record.h"
#include "tablelayout.h"

#include <QByteArray>

namespace tavimo {

// Encodes a key's components from a record into bytes whose plain byte
// order is the key's order: descending components are inverted, texts
// ignore trailing blanks (and case, for case-insensitive keys), and no date
// or time sorts before every real one. One indexed column per key then
// gives every order, seek and duplicate check the driver needs.
QByteArray encodeKey(const Record &record, const KeyDef &key);

// The same for a single field value, as a range test on one component uses it.
QByteArray encodeKeyComponent(const Record &record, const KeyComponent &component, bool noCase);

} // namespace tavimo
