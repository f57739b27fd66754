#pragma once

#include "pdfsecurity.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QFileDevice;
class QSaveFile;
struct z_stream_s;
class QIODevice;

namespace tavimo {

class Rc4;

// The file a PDF document is written to, front to back. It counts the
// bytes written (every object's offset), collects a stream in memory to
// deflate and encipher it as a whole, and enciphers strings and data for
// the object they belong to.
class PdfTargetFile
{
public:
    struct StoredStream
    {
        qint64 length = 0; // bytes as stored
        bool flated = false;
    };

    PdfTargetFile();
    ~PdfTargetFile();
    PdfTargetFile(const PdfTargetFile &) = delete;
    PdfTargetFile &operator=(const PdfTargetFile &) = delete;

    // Nothing reaches the named file before close(): the document is
    // written beside it and moved into place whole. The file is its
    // owner's only. A device or a pipe is written to directly.
    bool open(const QString &fileName);
    bool close();   // false when any write failed; the named file is then as it was
    void abandon(); // drops what was written; the named file stays as it was
    bool isOpen() const;
    bool failed() const { return m_failed; }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_fileName; }
    qint64 offset() const { return m_written + m_out.size(); }

    void writeRaw(QByteArrayView text);
    void writeLine(QByteArrayView text = {});

    // Between begin and end every write goes to the stream buffer.
    void beginStream(int objectNumber, bool deflate);
    bool isCollecting() const { return m_collecting; }
    StoredStream endStream();
    void writeStoredStream(); // the data, then a line end

    // Data written straight to the file, enciphered for one object.
    void beginData(int objectNumber);
    void writeData(QByteArrayView data);
    qint64 endData(); // bytes written since beginData
    // Copies a byte range of another file through the data path, in pieces.
    // Returns false when the source could not be read to the end.
    bool copyData(QIODevice &source, qint64 offset, qint64 length);

    void setUpEncryption(QByteArrayView userPassword, QByteArrayView ownerPassword, qint32 permissionsMagnitude,
                         QByteArrayView identifierHex);
    void switchEncryptionOff();
    bool isEncrypting() const { return m_security.isReady(); }
    const PdfSecurity &security() const { return m_security; }

    // The body of a "( )" string for an object: text already cleaned by
    // the caller, or binary bytes kept exactly.
    QByteArray textString(int objectNumber, QByteArrayView cleaned) const;
    QByteArray binaryString(int objectNumber, QByteArrayView bytes) const;

    static constexpr qint64 CopyPiece = 64000;

private:
    void append(QByteArrayView bytes);
    void flush();
    bool deflateWhole(const QByteArray &data, QByteArray &into, qsizetype &length);
    void releaseDeflate();

    std::unique_ptr<QFileDevice> m_file;
    QSaveFile *m_saving = nullptr; // m_file, when it is moved into place at the end
    QString m_fileName;
    QByteArray m_out; // not yet handed to the file
    qint64 m_written = 0;
    bool m_failed = false;
    QString m_error;

    bool m_collecting = false;
    bool m_deflate = false;
    int m_streamObject = 0;
    QByteArray m_stream;
    bool m_flated = false;
    std::unique_ptr<z_stream_s> m_zlib, m_zlibSmall;
    QByteArray m_packed;

    std::unique_ptr<Rc4> m_dataCipher;
    qint64 m_dataBytes = 0;

    PdfSecurity m_security;
};

} // namespace tavimo
