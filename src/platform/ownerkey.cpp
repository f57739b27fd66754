#include "ownerkey.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <nettle/pbkdf2.h>

namespace tavimo {

namespace {
constexpr unsigned kIterations = 64000;
const char kSalt[] = "Tavimo data file key";
}

QByteArray rawCipherKey(const QString &password)
{
    static QMutex mutex;
    static QHash<QString, QByteArray> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.constFind(password);
    if (it != cache.constEnd())
        return *it;

    const QByteArray secret = password.toUtf8();
    unsigned char derived[32];
    pbkdf2_hmac_sha256(std::size_t(secret.size()), reinterpret_cast<const std::uint8_t *>(secret.constData()),
                       kIterations, sizeof kSalt - 1, reinterpret_cast<const std::uint8_t *>(kSalt),
                       sizeof derived, derived);
    const QByteArray key = "x'" + QByteArray(reinterpret_cast<const char *>(derived), sizeof derived).toHex() + "'";
    cache.insert(password, key);
    return key;
}

} // namespace tavimo
