#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tavimo {

// The standard security handler, revision 2: 40-bit RC4 keys derived from
// the passwords, the permissions and the file identifier.
class PdfSecurity
{
public:
    static QByteArray padding();                         // the 32 published padding bytes
    static QByteArray padPassword(QByteArrayView password); // padded or cut to 32 bytes
    static QByteArray identifierBytes(QByteArrayView hex);  // upper-cased, odd length padded with "0"

    // An empty owner password means the user password. Keys are derived
    // once here and kept for the document.
    void setUp(QByteArrayView userPassword, QByteArrayView ownerPassword, qint32 permissionsMagnitude,
               QByteArrayView identifierHex);
    void clear();
    bool isReady() const { return m_ready; }

    qint32 pValue() const { return m_p; }
    const QByteArray &ownerEntry() const { return m_owner; } // /O, 32 bytes
    const QByteArray &userEntry() const { return m_user; }   // /U, 32 bytes
    const QByteArray &documentKey() const { return m_key; }  // 5 bytes
    QByteArray objectKey(int objectNumber) const;           // 10 bytes, generation 0

private:
    bool m_ready = false;
    qint32 m_p = 0;
    QByteArray m_owner;
    QByteArray m_user;
    QByteArray m_key;
};

} // namespace tavimo
