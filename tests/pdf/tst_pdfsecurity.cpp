// MD5, RC4 and the standard security handler against known answers.
// The /O and /U values were produced by qpdf, an independent implementation
// of the same handler, from the same passwords, permissions and identifier.
#include "md5.h"
#include "pdfsecurity.h"
#include "rc4.h"

#include <QTest>

using namespace tavimo;

class TestPdfSecurity : public QObject
{
    Q_OBJECT

private slots:
    void md5_data();
    void md5();
    void rc4_data();
    void rc4();
    void rc4RunsOnAcrossPieces();
    void passwordPadding_data();
    void passwordPadding();
    void identifierBytes_data();
    void identifierBytes();
    void ownerAndUserEntries_data();
    void ownerAndUserEntries();
    void objectKeysDifferPerObject();
};

void TestPdfSecurity::md5_data()
{
    // RFC 1321, appendix A.5.
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("digest");
    QTest::newRow("empty") << QByteArray("") << QByteArray("d41d8cd98f00b204e9800998ecf8427e");
    QTest::newRow("a") << QByteArray("a") << QByteArray("0cc175b9c0f1b6a831c399e269772661");
    QTest::newRow("abc") << QByteArray("abc") << QByteArray("900150983cd24fb0d6963f7d28e17f72");
    QTest::newRow("message digest") << QByteArray("message digest") << QByteArray("f96b697d7cb7938d525a2f31aaf161d0");
    QTest::newRow("alphabet") << QByteArray("abcdefghijklmnopqrstuvwxyz") << QByteArray("c3fcd3d76192e4007dfb496cca67e13b");
    QTest::newRow("80 digits") << QByteArray("1234567890").repeated(8) << QByteArray("57edf4a22be3c955ac49da2e2107b67a");
}

void TestPdfSecurity::md5()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, digest);
    QCOMPARE(Md5::digest({input}).toHex(), digest);
    // Parts are hashed as one message.
    QCOMPARE(Md5::digest({input.left(input.size() / 2), input.mid(input.size() / 2)}).toHex(), digest);
}

void TestPdfSecurity::rc4_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipher");
    QTest::newRow("Key") << QByteArray("Key") << QByteArray("Plaintext") << QByteArray("bbf316e8d940af0ad3");
    QTest::newRow("Wiki") << QByteArray("Wiki") << QByteArray("pedia") << QByteArray("1021bf0420");
    QTest::newRow("Secret") << QByteArray("Secret") << QByteArray("Attack at dawn")
                            << QByteArray("45a01f645fc35b383552544b9bf5");
    // RFC 6229: the 40-bit key 0x0102030405, key stream from offset 0.
    QTest::newRow("RFC 6229 40-bit") << QByteArray::fromHex("0102030405") << QByteArray(16, '\0')
                                     << QByteArray("b2396305f03dc027ccc3524a0a1118a8");
}

void TestPdfSecurity::rc4()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipher);
    QCOMPARE(Rc4::crypt(key, plain).toHex(), cipher);
    QCOMPARE(Rc4::crypt(key, QByteArray::fromHex(cipher)), plain);
}

void TestPdfSecurity::rc4RunsOnAcrossPieces()
{
    const QByteArray key("piecewise");
    const QByteArray data = QByteArray("0123456789abcdef").repeated(9000);
    Rc4 rc4(key);
    QByteArray pieces;
    for (qsizetype at = 0; at < data.size(); at += 64000)
        pieces += rc4.apply(data.mid(at, 64000));
    QCOMPARE(pieces, Rc4::crypt(key, data));
}

void TestPdfSecurity::passwordPadding_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("padded");
    const QByteArray pad = QByteArray::fromHex("28bf4e5e4e758a4164004e56fffa01082e2e00b6d0683e802f0ca9fe6453697a");
    QTest::newRow("empty") << QByteArray() << pad;
    QTest::newRow("short") << QByteArray("abc") << QByteArray("abc") + pad.left(29);
    QTest::newRow("exactly 32") << QByteArray(32, 'p') << QByteArray(32, 'p');
    QTest::newRow("cut to 32") << QByteArray(40, 'q') << QByteArray(32, 'q');
}

void TestPdfSecurity::passwordPadding()
{
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, padded);
    QCOMPARE(PdfSecurity::padPassword(password), padded);
}

void TestPdfSecurity::identifierBytes_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("fixed identifier") << QByteArray("b94f171e8c6ad92a8dc45b559e759d39")
                                      << QByteArray::fromHex("b94f171e8c6ad92a8dc45b559e759d39");
    QTest::newRow("upper case") << QByteArray("AbCd") << QByteArray::fromHex("abcd");
    QTest::newRow("odd length padded") << QByteArray("abc") << QByteArray::fromHex("abc0");
}

void TestPdfSecurity::identifierBytes()
{
    QFETCH(QByteArray, hex);
    QFETCH(QByteArray, bytes);
    QCOMPARE(PdfSecurity::identifierBytes(hex), bytes);
}

void TestPdfSecurity::ownerAndUserEntries_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("owner");
    QTest::addColumn<QByteArray>("ownerEntry");
    QTest::addColumn<QByteArray>("userEntry");
    QTest::newRow("different passwords")
        << QByteArray("Tavimo") << QByteArray("secret")
        << QByteArray("c2acc77373c2d0cff946b7ac55f51081dcf0d116554c4bfcb0a5e446f69ea48a")
        << QByteArray("9941009b1ce48fc59055ceeed6a918089a567ed388f166d3e44bf44bcd5876bd");
    QTest::newRow("owner is the user password")
        << QByteArray("Tavimo") << QByteArray("Tavimo")
        << QByteArray("e6288611a9bee59253703012b23c091388ae6603a18d8150b5054a996dcc4f15")
        << QByteArray("6d934c5b232ddb823fb6cef99430e5237385f262443c64ea41fcf2b756e4669c");
    QTest::newRow("no owner password given") // defaults to the user password
        << QByteArray("Tavimo") << QByteArray()
        << QByteArray("e6288611a9bee59253703012b23c091388ae6603a18d8150b5054a996dcc4f15")
        << QByteArray("6d934c5b232ddb823fb6cef99430e5237385f262443c64ea41fcf2b756e4669c");
    QTest::newRow("empty user password")
        << QByteArray() << QByteArray("owner")
        << QByteArray("c92422687facee686e373f10b5c7d04738053152f7e2ee30e11c69ec442576ab")
        << QByteArray("9b2ff3130136d6bbe07ecf7b834edefaefb97d8e144d10c6a0737ad65f39fb74");
    QTest::newRow("password longer than 32 bytes")
        << QByteArray("abcdefghijklmnopqrstuvwxyz0123456789") << QByteArray("x")
        << QByteArray("47f5df82276eec863cb5f9b8e0dac0bc7273bc788859ed1eae52044da2846433")
        << QByteArray("1fd486d243b800578c9d6b9ab9241c455b5c2f91239a404e53e156e47f2dc014");
}

void TestPdfSecurity::ownerAndUserEntries()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, owner);
    QFETCH(QByteArray, ownerEntry);
    QFETCH(QByteArray, userEntry);
    PdfSecurity security;
    security.setUp(user, owner, 36, "b94f171e8c6ad92a8dc45b559e759d39");
    QVERIFY(security.isReady());
    QCOMPARE(security.pValue(), -36);
    QCOMPARE(security.ownerEntry().toHex(), ownerEntry);
    QCOMPARE(security.userEntry().toHex(), userEntry);
    QCOMPARE(security.documentKey().size(), 5);
}

void TestPdfSecurity::objectKeysDifferPerObject()
{
    PdfSecurity security;
    security.setUp("Tavimo", {}, 36, "b94f171e8c6ad92a8dc45b559e759d39");
    const QByteArray k1 = security.objectKey(1);
    QCOMPARE(k1.size(), 10);
    QVERIFY(k1 != security.objectKey(2));
    // Only the three low bytes of the number enter the key.
    QCOMPARE(security.objectKey(0x1000007), security.objectKey(7));
}

QTEST_APPLESS_MAIN(TestPdfSecurity)
#include "tst_pdfsecurity.moc"
