#pragma once

#include "values.h"

#include <QString>

#include <cstdint>

// Conversion between program values and the stored form of each field type
// inside a record buffer. Texts are kept as UTF-8 and cut on a character
// boundary when they do not fit.
namespace tavimo::stored {

void putText(std::uint8_t *p, int size, const QString &value);    // blank-padded
QString getText(const std::uint8_t *p, int size);                  // trailing blanks removed
void putCString(std::uint8_t *p, int size, const QString &value); // at most size-1 bytes, zero-filled
QString getCString(const std::uint8_t *p, int size);

void putDate(std::uint8_t *p, Date value);
Date getDate(const std::uint8_t *p);
void putTime(std::uint8_t *p, Time value);
Time getTime(const std::uint8_t *p);
void putDecimal(std::uint8_t *p, Decimal value); // clamped to 7 digits
Decimal getDecimal(const std::uint8_t *p);
void putReal(std::uint8_t *p, double value);
double getReal(const std::uint8_t *p);
void putShort(std::uint8_t *p, std::int16_t value);
std::int16_t getShort(const std::uint8_t *p);

// The longest prefix of utf8 that fits in max bytes without splitting a character.
int fittingUtf8Length(const QByteArray &utf8, int max);

} // namespace tavimo::stored
