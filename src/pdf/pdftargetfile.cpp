#include "pdftargetfile.h"

#include "pdfstrings.h"
#include "rc4.h"

#include <QSaveFile>

#include <zlib.h>

namespace tavimo {

namespace {
constexpr qsizetype kFlushAt = 64 * 1024;
}

PdfTargetFile::PdfTargetFile() = default;

PdfTargetFile::~PdfTargetFile()
{
    // A document that was never closed is not kept.
    abandon();
}

bool PdfTargetFile::open(const QString &fileName)
{
    abandon();
    m_fileName = fileName;
    // Written beside the target and moved over it only when complete: a
    // file the user chose to replace survives an export that fails.
    m_file = std::make_unique<QSaveFile>(fileName);
    m_out.clear();
    m_written = 0;
    m_failed = false;
    m_error.clear();
    m_collecting = false;
    m_dataCipher.reset();
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_failed = true;
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    // Health data: the file is its owner's from the first byte, whatever
    // the file it replaces allowed.
    if (!m_file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        m_failed = true;
        m_error = m_file->errorString();
        m_file->cancelWriting();
        m_file.reset();
        return false;
    }
    return true;
}

bool PdfTargetFile::close()
{
    if (!m_file)
        return !m_failed;
    flush();
    if (m_failed)
        m_file->cancelWriting();
    if (!m_file->commit() && !m_failed) {
        m_failed = true;
        m_error = m_file->errorString();
    }
    m_file.reset();
    m_stream.clear();
    m_collecting = false;
    return !m_failed;
}

void PdfTargetFile::abandon()
{
    if (!m_file)
        return;
    m_file->cancelWriting();
    m_file.reset(); // an uncommitted file takes what it wrote with it
    m_out.clear();
    m_stream.clear();
    m_collecting = false;
    m_dataCipher.reset();
}

bool PdfTargetFile::isOpen() const
{
    return m_file != nullptr;
}

void PdfTargetFile::append(QByteArrayView bytes)
{
    if (!m_file)
        return;
    m_out.append(bytes.data(), bytes.size());
    if (m_out.size() >= kFlushAt)
        flush();
}

void PdfTargetFile::flush()
{
    if (!m_file || m_out.isEmpty())
        return;
    if (!m_failed && m_file->write(m_out) != m_out.size()) {
        m_failed = true;
        m_error = m_file->errorString();
    }
    m_written += m_out.size();
    m_out.clear();
}

void PdfTargetFile::writeRaw(QByteArrayView text)
{
    if (m_collecting)
        m_stream.append(text.data(), text.size());
    else
        append(text);
}

void PdfTargetFile::writeLine(QByteArrayView text)
{
    writeRaw(text);
    writeRaw("\r\n");
}

void PdfTargetFile::beginStream(int objectNumber, bool deflate)
{
    m_collecting = true;
    m_deflate = deflate;
    m_streamObject = objectNumber;
    m_stream.clear();
    m_flated = false;
}

PdfTargetFile::StoredStream PdfTargetFile::endStream()
{
    m_collecting = false;
    m_flated = false;
    if (m_deflate) {
        // One-shot deflate into twice the size plus one; when that is not
        // enough (tiny streams) the data stay as they are.
        uLongf length = uLongf(m_stream.size()) * 2 + 1;
        QByteArray packed(qsizetype(length), Qt::Uninitialized);
        if (compress(reinterpret_cast<Bytef *>(packed.data()), &length,
                     reinterpret_cast<const Bytef *>(m_stream.constData()), uLong(m_stream.size())) == Z_OK) {
            packed.resize(qsizetype(length));
            m_stream = std::move(packed);
            m_flated = true;
        }
    }
    if (isEncrypting()) {
        Rc4 rc4(m_security.objectKey(m_streamObject));
        rc4.apply(m_stream.data(), m_stream.size());
    }
    return StoredStream{m_stream.size(), m_flated};
}

void PdfTargetFile::writeStoredStream()
{
    append(m_stream);
    append("\r\n");
    m_stream = QByteArray();
}

void PdfTargetFile::beginData(int objectNumber)
{
    m_dataBytes = 0;
    m_dataCipher.reset();
    if (isEncrypting())
        m_dataCipher = std::make_unique<Rc4>(m_security.objectKey(objectNumber));
}

void PdfTargetFile::writeData(QByteArrayView data)
{
    m_dataBytes += data.size();
    if (!m_dataCipher) {
        append(data);
        return;
    }
    QByteArray piece(data.data(), data.size());
    m_dataCipher->apply(piece.data(), piece.size());
    append(piece);
}

qint64 PdfTargetFile::endData()
{
    m_dataCipher.reset();
    return m_dataBytes;
}

bool PdfTargetFile::copyData(QIODevice &source, qint64 offset, qint64 length)
{
    if (offset < 0 || length < 0 || !source.seek(offset))
        return false;
    QByteArray piece;
    while (length > 0) {
        const qint64 want = qMin(length, CopyPiece);
        piece.resize(qsizetype(want));
        const qint64 got = source.read(piece.data(), want);
        if (got <= 0)
            return false;
        writeData(QByteArrayView(piece.constData(), qsizetype(got)));
        length -= got;
    }
    return true;
}

void PdfTargetFile::setUpEncryption(QByteArrayView userPassword, QByteArrayView ownerPassword,
                                    qint32 permissionsMagnitude, QByteArrayView identifierHex)
{
    m_security.setUp(userPassword, ownerPassword, permissionsMagnitude, identifierHex);
}

void PdfTargetFile::switchEncryptionOff()
{
    m_security.clear();
}

QByteArray PdfTargetFile::textString(int objectNumber, QByteArrayView cleaned) const
{
    if (!isEncrypting())
        return PdfStrings::escapeLiteral(cleaned);
    return binaryString(objectNumber, cleaned);
}

QByteArray PdfTargetFile::binaryString(int objectNumber, QByteArrayView bytes) const
{
    if (!isEncrypting())
        return PdfStrings::escapeBinary(bytes);
    return PdfStrings::escapeBinary(Rc4::crypt(m_security.objectKey(objectNumber), bytes));
}

} // namespace tavimo
