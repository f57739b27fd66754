#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

struct arcfour_ctx;

namespace tavimo {

// The RC4 stream cipher as published. The key stream runs on across
// calls, so a long stream can be enciphered piece by piece.
class Rc4
{
public:
    explicit Rc4(QByteArrayView key); // 1 to 256 bytes
    ~Rc4();
    Rc4(const Rc4 &) = delete;
    Rc4 &operator=(const Rc4 &) = delete;

    void apply(char *data, qsizetype length);
    QByteArray apply(QByteArrayView data);

    static QByteArray crypt(QByteArrayView key, QByteArrayView data);

private:
    std::unique_ptr<arcfour_ctx> m_ctx;
};

} // namespace tavimo
