#include "rc4.h"

#include <nettle/arcfour.h>

#include <algorithm>

namespace tavimo {

Rc4::Rc4(QByteArrayView key)
    : m_ctx(std::make_unique<arcfour_ctx>())
{
    const std::size_t length = std::clamp<std::size_t>(std::size_t(key.size()), ARCFOUR_MIN_KEY_SIZE,
                                                       ARCFOUR_MAX_KEY_SIZE);
    QByteArray padded(key.data(), key.size());
    padded.resize(qsizetype(length), '\0');
    arcfour_set_key(m_ctx.get(), length, reinterpret_cast<const std::uint8_t *>(padded.constData()));
}

Rc4::~Rc4() = default;

void Rc4::apply(char *data, qsizetype length)
{
    if (length <= 0)
        return;
    auto *p = reinterpret_cast<std::uint8_t *>(data);
    arcfour_crypt(m_ctx.get(), std::size_t(length), p, p);
}

QByteArray Rc4::apply(QByteArrayView data)
{
    QByteArray out(data.data(), data.size());
    apply(out.data(), out.size());
    return out;
}

QByteArray Rc4::crypt(QByteArrayView key, QByteArrayView data)
{
    Rc4 rc4(key);
    return rc4.apply(data);
}

} // namespace tavimo
