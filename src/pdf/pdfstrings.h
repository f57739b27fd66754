#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace tavimo {

// The byte-level rules for text inside PDF strings, names and comments,
// and the single-byte encoding the documents declare (WinAnsi).
class PdfStrings
{
public:
    static constexpr int BalticCharset = 186;

    // Blanks trimmed at both ends; bytes below 0x1E, 127 and 129 become blanks.
    static QByteArray clean(QByteArrayView text);
    // Backslash before "\", "(" and ")".
    static QByteArray escapeLiteral(QByteArrayView text);
    // A string of page text between "(" and ")", with the Baltic byte map.
    static QByteArray pageText(QByteArrayView text, int charset);
    // Arbitrary bytes (cipher text, palettes) that must survive a reader
    // unchanged, line ends included.
    static QByteArray escapeBinary(QByteArrayView bytes);
    // The /O and /U entries, with a line continuation every 74 bytes.
    static QByteArray escapeKeyEntry(QByteArrayView bytes);
    // A name object's characters (after the slash).
    static QByteArray name(QByteArrayView text);
    // Text safe inside a "%" comment line.
    static QByteArray comment(QByteArrayView text);

    static QByteArray toWinAnsi(QStringView text); // unmapped characters become "?"
    static char16_t winAnsiToUnicode(unsigned char code); // 0 when the code is unassigned
};

} // namespace tavimo
