#include "md5.h"

#include <nettle/md5.h>

namespace tavimo {

QByteArray Md5::digest(std::initializer_list<QByteArrayView> parts)
{
    md5_ctx ctx;
    md5_init(&ctx);
    for (QByteArrayView part : parts)
        md5_update(&ctx, std::size_t(part.size()), reinterpret_cast<const std::uint8_t *>(part.data()));
    QByteArray out(MD5_DIGEST_SIZE, Qt::Uninitialized);
    md5_digest(&ctx, MD5_DIGEST_SIZE, reinterpret_cast<std::uint8_t *>(out.data()));
    return out;
}

} // namespace tavimo
