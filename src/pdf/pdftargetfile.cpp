#include "pdftargetfile.h"

#include "pdfstrings.h"
#include "rc4.h"

#include <QFileInfo>
#include <QSaveFile>

#include <zlib.h>

namespace tavimo {

namespace {
constexpr qsizetype kFlushAt = 64 * 1024;
// A 512-byte window with a 256-entry hash and fixed codes for streams that fit it.
constexpr int kSmallWindowBits = 9;
constexpr qsizetype kSmallWindow = qsizetype(1) << kSmallWindowBits;
constexpr int kSmallMemoryLevel = 1;
}

PdfTargetFile::PdfTargetFile() = default;

PdfTargetFile::~PdfTargetFile()
{
    // A document that was never closed is not kept.
    abandon();
    releaseDeflate();
}

bool PdfTargetFile::open(const QString &fileName)
{
    abandon();
    m_fileName = fileName;
    m_out.clear();
    m_written = 0;
    m_failed = false;
    m_error.clear();
    m_collecting = false;
    m_dataCipher.reset();
    // Written beside the target and moved over it only when complete: a
    // file the user chose to replace survives an export that fails. A
    // device or a pipe is written as it is: nothing may take its place.
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        m_file = std::make_unique<QFile>(fileName);
        m_saving = nullptr;
    } else {
        auto saving = std::make_unique<QSaveFile>(fileName);
        m_saving = saving.get();
        m_file = std::move(saving);
    }
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_failed = true;
        m_error = m_file->errorString();
        m_file.reset();
        m_saving = nullptr;
        return false;
    }
    // Health data: the file is its owner's from the first byte, whatever
    // the file it replaces allowed.
    if (m_saving && !m_saving->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        m_failed = true;
        m_error = m_file->errorString();
        m_saving->cancelWriting();
        m_file.reset();
        m_saving = nullptr;
        return false;
    }
    return true;
}

bool PdfTargetFile::close()
{
    if (!m_file)
        return !m_failed;
    flush();
    if (m_saving) {
        if (m_failed)
            m_saving->cancelWriting();
        if (!m_saving->commit() && !m_failed) {
            m_failed = true;
            m_error = m_file->errorString();
        }
    } else {
        m_file->close();
        if (m_file->error() != QFileDevice::NoError && !m_failed) {
            m_failed = true;
            m_error = m_file->errorString();
        }
    }
    m_file.reset();
    m_saving = nullptr;
    m_stream.clear();
    m_collecting = false;
    releaseDeflate();
    return !m_failed;
}

void PdfTargetFile::abandon()
{
    if (!m_file)
        return;
    if (m_saving)
        m_saving->cancelWriting();
    m_file.reset(); // an uncommitted file takes what it wrote with it
    m_saving = nullptr;
    releaseDeflate();
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
        // Into twice the size plus one, as a one-shot compress would; when
        // that is not enough (tiny streams) the data stay as they are.
        const qsizetype capacity = m_stream.size() * 2 + 1;
        if (m_packed.size() < capacity)
            m_packed.resize(capacity);
        qsizetype packedLength = 0;
        if (deflateWhole(m_stream, m_packed, packedLength)) {
            m_stream = QByteArray(m_packed.constData(), packedLength);
            m_flated = true;
        }
    }
    if (isEncrypting()) {
        Rc4 rc4(m_security.objectKey(m_streamObject));
        rc4.apply(m_stream.data(), m_stream.size());
    }
    return StoredStream{m_stream.size(), m_flated};
}

// Deflate states kept for the whole document: a page holds hundreds of
// small streams, and making a state afresh for each (its window and tables
// allocated, zeroed and freed) cost far more than compressing them. A
// stream that fits a small window gets a state of that size, whose tables
// are as small (it finds every match the default one would), and the fixed
// codes: for a hundred bytes, building codes of its own costs more than it
// saves.
bool PdfTargetFile::deflateWhole(const QByteArray &data, QByteArray &into, qsizetype &length)
{
    const bool small = data.size() <= kSmallWindow;
    std::unique_ptr<z_stream_s> &state = small ? m_zlibSmall : m_zlib;
    if (!state) {
        state = std::make_unique<z_stream>();
        *state = z_stream{};
        const int initialised = small ? deflateInit2(state.get(), Z_DEFAULT_COMPRESSION, Z_DEFLATED, kSmallWindowBits,
                                                     kSmallMemoryLevel, Z_FIXED)
                                      : deflateInit(state.get(), Z_DEFAULT_COMPRESSION);
        if (initialised != Z_OK) {
            state.reset();
            return false;
        }
    } else if (deflateReset(state.get()) != Z_OK) {
        return false;
    }
    z_stream &z = *state;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(into.data());
    z.avail_out = uInt(into.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END)
        return false;
    length = qsizetype(z.total_out);
    return true;
}

void PdfTargetFile::releaseDeflate()
{
    for (std::unique_ptr<z_stream_s> *state : {&m_zlib, &m_zlibSmall}) {
        if (*state)
            deflateEnd(state->get());
        state->reset();
    }
    m_packed = QByteArray();
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
