// The output file: byte counting, stream collection with deflate and its
// fallback, enciphering per object, and copying source files in pieces.
#include "pdfsecurity.h"
#include "pdftargetfile.h"
#include "rc4.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray inflate(const QByteArray &zlib, qsizetype expected)
{
    QByteArray withSize(4, '\0');
    withSize[0] = char((expected >> 24) & 0xFF);
    withSize[1] = char((expected >> 16) & 0xFF);
    withSize[2] = char((expected >> 8) & 0xFF);
    withSize[3] = char(expected & 0xFF);
    return qUncompress(withSize + zlib);
}

const char kId[] = "b94f171e8c6ad92a8dc45b559e759d39";

} // namespace

class TestPdfTargetFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void offsetsCountEveryByte();
    void streams_data();
    void streams();
    void encipheredStreamUsesTheObjectKey();
    void copiesSourcesInPieces_data();
    void copiesSourcesInPieces();
    void copyFromShortSourceFails();
    void strings_data();
    void strings();
    void openAndWriteFailuresAreReported();
    void replacesOnlyWhenClosed_data();
    void replacesOnlyWhenClosed();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestPdfTargetFile::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("out.pdf"));
}

void TestPdfTargetFile::offsetsCountEveryByte()
{
    PdfTargetFile out;
    QVERIFY(out.open(m_path));
    out.writeRaw("abc");
    QCOMPARE(out.offset(), 3);
    out.writeLine("de");
    QCOMPARE(out.offset(), 7);
    const QByteArray big(100000, 'z'); // past the write buffer
    out.writeRaw(big);
    QCOMPARE(out.offset(), 100007);
    out.beginStream(9, false);
    out.writeRaw("collected");
    QCOMPARE(out.offset(), 100007); // nothing reaches the file while collecting
    out.endStream();
    out.writeStoredStream();
    QCOMPARE(out.offset(), 100007 + 9 + 2);
    QVERIFY(out.close());
    QCOMPARE(QFileInfo(m_path).size(), 100007 + 9 + 2);
    QCOMPARE(readAll(m_path).left(7), QByteArray("abcde\r\n"));
}

void TestPdfTargetFile::streams_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("deflate");
    QTest::addColumn<bool>("flated");
    QTest::newRow("page text deflated") << QByteArray("BT /F1 10 Tf 1 0 0 1 72 700 Tm [(Hello)] TJ ET\r\n").repeated(40)
                                       << true << true;
    QTest::newRow("deflate not asked") << QByteArray("q 1 0 0 1 0 0 cm Q").repeated(10) << false << false;
    // Deflate output of a few bytes does not fit twice their size plus one;
    // such streams stay as they are, without a filter.
    QTest::newRow("empty stream falls back") << QByteArray() << true << false;
    QTest::newRow("tiny stream falls back") << QByteArray("ET") << true << false;
}

void TestPdfTargetFile::streams()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, deflate);
    QFETCH(bool, flated);
    PdfTargetFile out;
    QVERIFY(out.open(m_path));
    out.beginStream(6, deflate);
    QVERIFY(out.isCollecting());
    out.writeRaw(data);
    const PdfTargetFile::StoredStream stored = out.endStream();
    QVERIFY(!out.isCollecting());
    QCOMPARE(stored.flated, flated);
    out.writeStoredStream();
    QVERIFY(out.close());
    const QByteArray file = readAll(m_path);
    QCOMPARE(file.size(), stored.length + 2);
    QVERIFY(file.endsWith("\r\n"));
    const QByteArray body = file.left(stored.length);
    QCOMPARE(flated ? inflate(body, data.size()) : body, data);
    if (flated)
        QVERIFY(stored.length < data.size());
}

void TestPdfTargetFile::encipheredStreamUsesTheObjectKey()
{
    PdfTargetFile out;
    QVERIFY(out.open(m_path));
    out.setUpEncryption("pw", {}, 36, kId);
    QVERIFY(out.isEncrypting());
    const QByteArray data = QByteArray("0 0 0 RG 1 w [] 0 d\r\n").repeated(5);
    out.beginStream(7, false);
    out.writeRaw(data);
    const PdfTargetFile::StoredStream stored = out.endStream();
    out.writeStoredStream();
    QVERIFY(out.close());
    PdfSecurity security;
    security.setUp("pw", {}, 36, kId);
    QCOMPARE(readAll(m_path).left(stored.length), Rc4::crypt(security.objectKey(7), data));
}

void TestPdfTargetFile::copiesSourcesInPieces_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::newRow("plain") << false;
    QTest::newRow("enciphered") << true;
}

void TestPdfTargetFile::copiesSourcesInPieces()
{
    QFETCH(bool, encrypt);
    QByteArray source;
    for (int i = 0; i < 200000; ++i)
        source.append(char((i * 7) & 0xFF));
    QBuffer buffer(&source);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    PdfTargetFile out;
    QVERIFY(out.open(m_path));
    if (encrypt)
        out.setUpEncryption("pw", "owner", 4, kId);
    out.beginData(12);
    QVERIFY(out.copyData(buffer, 1000, 150000)); // more than two pieces
    QCOMPARE(out.endData(), 150000);
    QVERIFY(out.close());
    QByteArray expected = source.mid(1000, 150000);
    if (encrypt) {
        PdfSecurity security;
        security.setUp("pw", "owner", 4, kId);
        expected = Rc4::crypt(security.objectKey(12), expected);
    }
    QCOMPARE(readAll(m_path), expected);
}

void TestPdfTargetFile::copyFromShortSourceFails()
{
    QByteArray source(100, 'a');
    QBuffer buffer(&source);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    PdfTargetFile out;
    QVERIFY(out.open(m_path));
    out.beginData(3);
    QVERIFY(!out.copyData(buffer, 50, 100));
    QCOMPARE(out.endData(), 50);
    QVERIFY(!out.copyData(buffer, 200, 1));
}

void TestPdfTargetFile::strings_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("plain text") << false << QByteArray("a (b) \\ c");
    QTest::newRow("enciphered text") << true << QByteArray("a (b) \\ c");
    QTest::newRow("enciphered line ends") << true << QByteArray("\r\n\r\n\r\n\r\n");
}

void TestPdfTargetFile::strings()
{
    QFETCH(bool, encrypt);
    QFETCH(QByteArray, text);
    PdfTargetFile out;
    if (encrypt)
        out.setUpEncryption("pw", {}, 36, kId);
    const QByteArray written = out.textString(5, text);
    // Undo the literal-string escapes as a reader does.
    QByteArray read;
    for (qsizetype i = 0; i < written.size(); ++i) {
        char c = written[i];
        QVERIFY2(c != '\r' && c != '\n', "a bare line end would reach the reader as LF");
        if (c == '\\') {
            c = written[++i];
            switch (c) {
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            case 'b': c = '\b'; break;
            case 'f': c = '\f'; break;
            default: break;
            }
        } else {
            QVERIFY(c != '(' && c != ')');
        }
        read.append(c);
    }
    if (encrypt) {
        PdfSecurity security;
        security.setUp("pw", {}, 36, kId);
        read = Rc4::crypt(security.objectKey(5), read);
    }
    QCOMPARE(read, text);
}

void TestPdfTargetFile::openAndWriteFailuresAreReported()
{
    PdfTargetFile out;
    QVERIFY(!out.open(m_dir.filePath(QStringLiteral("missing/folder/out.pdf"))));
    QVERIFY(!out.errorString().isEmpty());
    QVERIFY(!out.isOpen());

    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QVERIFY(out.open(QStringLiteral("/dev/full")));
    out.writeRaw(QByteArray(200000, 'x'));
    QVERIFY(!out.close());
    QVERIFY(out.failed());
    // The device is still the device: nothing was moved in its place.
    QVERIFY(!QFileInfo(QStringLiteral("/dev/full")).isFile());
}

static QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestPdfTargetFile::replacesOnlyWhenClosed_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("closed: replaced, the owner's only") << true;
    QTest::newRow("abandoned: the old file as it was") << false;
}

void TestPdfTargetFile::replacesOnlyWhenClosed()
{
    QFETCH(bool, closed);
    {
        QFile old(m_path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old report");
        QVERIFY(old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    }
    {
        PdfTargetFile out;
        QVERIFY(out.open(m_path));
        out.writeLine("new report");
        out.beginStream(7, true);
        out.writeRaw(QByteArray(5000, 'a'));
        QVERIFY(out.endStream().flated);
        out.writeStoredStream();
        QCOMPARE(bytesOf(m_path), QByteArray("old report")); // nothing yet
        if (closed)
            QVERIFY(out.close());
        else
            out.abandon();
    }
    const QByteArray now = bytesOf(m_path);
    QCOMPARE(now.startsWith("new report"), closed);
    QCOMPARE(now == "old report", !closed);
    if (closed)
        QCOMPARE(QFileInfo(m_path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.pdf")});
}

QTEST_APPLESS_MAIN(TestPdfTargetFile)
#include "tst_pdftargetfile.moc"
