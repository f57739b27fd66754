#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <initializer_list>

namespace tavimo {

// MD5 as published (RFC 1321); the security handler needs nothing stronger.
class Md5
{
public:
    static QByteArray digest(std::initializer_list<QByteArrayView> parts); // 16 bytes
};

} // namespace tavimo
