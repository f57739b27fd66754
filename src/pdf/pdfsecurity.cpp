#include "pdfsecurity.h"

#include "md5.h"
#include "rc4.h"

namespace tavimo {

namespace {

const unsigned char kPadding[32] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A,
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

} // namespace

QByteArray PdfSecurity::padding()
{
    return QByteArray(reinterpret_cast<const char *>(kPadding), 32);
}

QByteArray PdfSecurity::padPassword(QByteArrayView password)
{
    QByteArray out(password.data(), qMin<qsizetype>(password.size(), 32));
    out.append(reinterpret_cast<const char *>(kPadding), 32 - out.size());
    return out;
}

QByteArray PdfSecurity::identifierBytes(QByteArrayView hex)
{
    QByteArray text = hex.toByteArray().toUpper();
    if (text.size() % 2)
        text.append('0');
    QByteArray out(text.size() / 2, '\0');
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char(hexValue(text[2 * i]) * 16 + hexValue(text[2 * i + 1]));
    return out;
}

void PdfSecurity::setUp(QByteArrayView userPassword, QByteArrayView ownerPassword, qint32 permissionsMagnitude,
                        QByteArrayView identifierHex)
{
    const QByteArray user = padPassword(userPassword);
    const QByteArray owner = padPassword(ownerPassword.isEmpty() ? userPassword : ownerPassword);
    m_p = -permissionsMagnitude;

    const QByteArray ownerKey = Md5::digest({owner}).left(5);
    m_owner = Rc4::crypt(ownerKey, user);

    const auto p = static_cast<quint32>(m_p);
    const char pBytes[4] = {char(p & 0xFF), char((p >> 8) & 0xFF), char((p >> 16) & 0xFF), char(p >> 24)};
    m_key = Md5::digest({user, m_owner, QByteArrayView(pBytes, 4), identifierBytes(identifierHex)}).left(5);
    m_user = Rc4::crypt(m_key, padding());
    m_ready = true;
}

void PdfSecurity::clear()
{
    *this = PdfSecurity();
}

QByteArray PdfSecurity::objectKey(int objectNumber) const
{
    const auto n = static_cast<quint32>(objectNumber);
    const char extra[5] = {char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF), 0, 0};
    return Md5::digest({m_key, QByteArrayView(extra, 5)}).left(10);
}

} // namespace tavimo
