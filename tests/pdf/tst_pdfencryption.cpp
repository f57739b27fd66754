// Enciphered documents as readers see them: they open with the user or the
// owner password and not without, their permissions read back, their
// strings decipher, and no two documents share a key stream.
#include "imagesamples.h"
#include "pdffixture.h"
#include "pdftools.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

QByteArray identifier(const QByteArray &pdf)
{
    const QRegularExpression id(QStringLiteral("/ID\\[<([0-9a-f]+)><"));
    return id.match(QString::fromLatin1(pdf)).captured(1).toLatin1();
}

// Every object of the file as qpdf deciphers it, keyed "obj:n 0 R".
QJsonObject objects(const QString &file, const QByteArray &password)
{
    const PdfTools::Run r = PdfTools::run(
        QStringLiteral("qpdf"), {QStringLiteral("--json"), QStringLiteral("--json-key=qpdf"),
                                 QStringLiteral("--password=") + QString::fromUtf8(password), file});
    return QJsonDocument::fromJson(r.out).object()[QStringLiteral("qpdf")].toArray()[1].toObject();
}

} // namespace

class TestPdfEncryption : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensWithItsPasswordOnly_data();
    void opensWithItsPasswordOnly();
    void permissionsReadBack_data();
    void permissionsReadBack();
    void encryptionDictionary();
    void stringsDecipher();
    void eachDocumentGetsItsOwnIdentifier();
    void sameTextInTwoObjectsDiffers();
    void emptyPasswordLeavesTheDocumentPlain_data();
    void emptyPasswordLeavesTheDocumentPlain();

private:
    WrittenPdf writeSample(const QString &name, const QByteArray &user, const QByteArray &owner, int permissions = 36);
    QTemporaryDir m_dir;
    QString m_png;
};

void TestPdfEncryption::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_png = m_dir.filePath(QStringLiteral("image.png"));
    QFile f(m_png);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ImageSamples::png(ImageSamples::indexed(24, 16, 8)));
}

WrittenPdf TestPdfEncryption::writeSample(const QString &name, const QByteArray &user, const QByteArray &owner,
                                          int permissions)
{
    return PdfFixture::write(
        m_dir.filePath(name),
        [this](PdfGenerator &g) {
            g.openPage();
            g.setFont(QStringLiteral("Arial"), 12);
            g.drawText(1000, 1000, "Glucose 5.4 (fasting)");
            g.drawRectangle(1000, 1500, 3000, 500);
            g.drawImage(m_png, -1, 1000, 2500, 0, 0);
            g.addHyperlink(1000, 1000, 2000, 200, "https://example.org/(a)");
            g.addNote(1000, 3000, "private remark");
            g.addBookmark("Glucose (fasting)", 1000, 1000);
            g.closePage();
        },
        [&](PdfGenerator &g) {
            g.setCompression(true, true);
            g.setDocumentInfo(QStringLiteral("Report (glucose)"), QStringLiteral("tavimo2"), QStringLiteral("glucose"),
                              QStringLiteral("subject"), QStringLiteral("author"), QString());
            g.setEncryption(user, permissions);
            g.setOwnerPassword(owner);
        });
}

void TestPdfEncryption::opensWithItsPasswordOnly_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("owner");
    QTest::addColumn<QByteArray>("tried");
    QTest::addColumn<bool>("opens");
    QTest::newRow("user password") << QByteArray("Tavimo") << QByteArray() << QByteArray("Tavimo") << true;
    QTest::newRow("no password") << QByteArray("Tavimo") << QByteArray() << QByteArray() << false;
    QTest::newRow("wrong case") << QByteArray("Tavimo") << QByteArray() << QByteArray("tavimo") << false;
    QTest::newRow("own owner password, user opens") << QByteArray("user1") << QByteArray("owner1") << QByteArray("user1")
                                                    << true;
    QTest::newRow("own owner password, owner opens") << QByteArray("user1") << QByteArray("owner1")
                                                     << QByteArray("owner1") << true;
    QTest::newRow("own owner password, none") << QByteArray("user1") << QByteArray("owner1") << QByteArray() << false;
}

void TestPdfEncryption::opensWithItsPasswordOnly()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, owner);
    QFETCH(QByteArray, tried);
    QFETCH(bool, opens);
    const WrittenPdf pdf = writeSample(QStringLiteral("locked.pdf"), user, owner);
    QVERIFY(pdf.messages.isEmpty());
    const PdfTools::Run check = PdfTools::check(pdf.path, tried);
    const PdfTools::Run text = PdfTools::text(pdf.path, tried);
    if (opens) {
        QCOMPARE(PdfTools::validate(pdf.path, tried), QString());
        QVERIFY2(text.exitCode == 0 && text.out.contains("Glucose 5.4 (fasting)"), text.out + text.err);
        const PdfTools::Run encryption = PdfTools::run(
            QStringLiteral("qpdf"), {QStringLiteral("--show-encryption"), QStringLiteral("--password=") + QString::fromUtf8(tried),
                                     pdf.path});
        if (tried == (owner.isEmpty() ? user : owner))
            QVERIFY(encryption.out.contains("Supplied password is owner password"));
    } else {
        QVERIFY2(check.exitCode != 0 && (check.out + check.err).contains("invalid password"), check.out + check.err);
        QVERIFY(text.exitCode != 0);
        QVERIFY(!text.out.contains("Glucose"));
    }
}

void TestPdfEncryption::permissionsReadBack_data()
{
    QTest::addColumn<int>("permissions");
    QTest::addColumn<QByteArray>("pdfinfo");
    QTest::addColumn<QByteArrayList>("qpdf");
    QTest::newRow("reports: print, change, copy") << 36 << QByteArray("print:yes copy:yes change:yes addNotes:no")
                                                  << QByteArrayList{"P = -36", "modify annotations: not allowed",
                                                                    "extract for any purpose: allowed"};
    QTest::newRow("everything") << 4 << QByteArray("print:yes copy:yes change:yes addNotes:yes")
                                << QByteArrayList{"P = -4", "modify annotations: allowed"};
    QTest::newRow("print only") << 60 << QByteArray("print:yes copy:no change:no addNotes:no")
                                << QByteArrayList{"P = -60", "print high resolution: allowed", "modify other: not allowed",
                                                  "extract for any purpose: not allowed"};
}

void TestPdfEncryption::permissionsReadBack()
{
    QFETCH(int, permissions);
    QFETCH(QByteArray, pdfinfo);
    QFETCH(QByteArrayList, qpdf);
    const WrittenPdf pdf = writeSample(QStringLiteral("permissions.pdf"), "pw", "owner", permissions);
    QCOMPARE(PdfTools::validate(pdf.path, "pw"), QString());
    const PdfTools::Run info = PdfTools::info(pdf.path, "pw");
    QVERIFY2(info.out.contains("Encrypted:       yes (" + pdfinfo + " algorithm:RC4)"), info.out);
    const PdfTools::Run shown = PdfTools::run(QStringLiteral("qpdf"), {QStringLiteral("--show-encryption"),
                                                                      QStringLiteral("--password=pw"), pdf.path});
    for (const QByteArray &line : qpdf)
        QVERIFY2(shown.out.contains(line), shown.out);
}

void TestPdfEncryption::encryptionDictionary()
{
    const WrittenPdf pdf = writeSample(QStringLiteral("dictionary.pdf"), "Tavimo", {});
    const QRegularExpression encrypt(QStringLiteral("/Encrypt (\\d+) 0 R\\r\\n/Root 2 0 R"));
    const QRegularExpressionMatch m = encrypt.match(QString::fromLatin1(pdf.bytes));
    QVERIFY(m.hasMatch());
    const QByteArray dictionary = PdfTools::object(pdf.bytes, m.captured(1).toInt());
    QVERIFY2(dictionary.contains("<< \r\n/Filter /Standard\r\n/R 2\r\n/O ("), dictionary.constData());
    QVERIFY(dictionary.contains(")\r\n/P -36\r\n/V 1\r\n/Length 40\r\n>> \r\nendobj"));
    // The dictionary is the last object, the identifier stays readable.
    QCOMPARE(m.captured(1).toInt(), PdfTools::crossReference(pdf.bytes).size() - 1);
    QCOMPARE(identifier(pdf.bytes), QByteArray("b94f171e8c6ad92a8dc45b559e759d39"));
}

void TestPdfEncryption::stringsDecipher()
{
    const WrittenPdf pdf = writeSample(QStringLiteral("strings.pdf"), "Tavimo", {});
    const QJsonObject all = objects(pdf.path, "Tavimo");
    const QJsonObject info = all[QStringLiteral("obj:1 0 R")].toObject()[QStringLiteral("value")].toObject();
    QCOMPARE(info[QStringLiteral("/Title")].toString(), QStringLiteral("u:Report (glucose)"));
    QCOMPARE(info[QStringLiteral("/CreationDate")].toString(), QStringLiteral("u:D:20000101000000"));
    QCOMPARE(info[QStringLiteral("/ModDate")].toString(), QStringLiteral("u:D:20000101000000"));
    QStringList strings;
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject value = it.value().toObject()[QStringLiteral("value")].toObject();
        for (const QString &key : {QStringLiteral("/Title"), QStringLiteral("/Contents")})
            if (value.contains(key))
                strings << value[key].toString();
        const QJsonObject action = value[QStringLiteral("/A")].toObject();
        if (action.contains(QStringLiteral("/URI")))
            strings << action[QStringLiteral("/URI")].toString();
    }
    QVERIFY2(strings.contains(QStringLiteral("u:Glucose (fasting)")), qPrintable(strings.join(QLatin1Char('|'))));
    QVERIFY(strings.contains(QStringLiteral("u:private remark")));
    QVERIFY(strings.contains(QStringLiteral("u:https://example.org/(a)")));
    // Nothing readable is left beside the cipher text.
    for (const char *plain : {"Glucose", "private remark", "example.org", "TEXT:"})
        QVERIFY2(!pdf.bytes.contains(plain), plain);
    QCOMPARE(PdfTools::render(pdf.path, 1, 36, "Tavimo").isNull(), false);
}

void TestPdfEncryption::eachDocumentGetsItsOwnIdentifier()
{
    QByteArrayList ids;
    QByteArrayList streams;
    for (int i = 0; i < 2; ++i) {
        const QString path = m_dir.filePath(QStringLiteral("own%1.pdf").arg(i));
        PdfGenerator g;
        g.setCompression(false, false);
        g.setOutputFileName(path);
        g.setEncryption("same password", 36);
        QCOMPARE(g.openDocument(1), int(IReportGenerator::Done));
        g.openPage();
        g.drawText(1000, 1000, "same text");
        g.closePage();
        QCOMPARE(g.closeDocument(), int(IReportGenerator::Done));
        const QByteArray bytes = PdfTools::readFile(path);
        QCOMPARE(PdfTools::validate(path, "same password"), QString());
        ids << identifier(bytes);
        streams << PdfTools::pageContent(bytes, 0);
        QCOMPARE(ids.last().size(), 32);
        QCOMPARE(g.identifier(), ids.last());
    }
    QVERIFY(ids[0] != ids[1]);
    QVERIFY(ids[0] != "b94f171e8c6ad92a8dc45b559e759d39");
    QCOMPARE(streams[0].size(), streams[1].size());
    QVERIFY(streams[0] != streams[1]);

    // A plain document keeps the fixed identifier.
    const QString plain = m_dir.filePath(QStringLiteral("plain.pdf"));
    PdfGenerator g;
    g.setOutputFileName(plain);
    g.openDocument(0);
    g.closeDocument();
    QCOMPARE(identifier(PdfTools::readFile(plain)), QByteArray("b94f171e8c6ad92a8dc45b559e759d39"));
}

void TestPdfEncryption::sameTextInTwoObjectsDiffers()
{
    const WrittenPdf pdf = PdfFixture::write(
        m_dir.filePath(QStringLiteral("twice.pdf")),
        [](PdfGenerator &g) {
            for (int i = 0; i < 2; ++i) {
                g.openPage();
                g.drawText(1000, 1000, "identical line");
                g.closePage();
            }
        },
        [](PdfGenerator &g) { g.setEncryption("pw", 36); });
    QCOMPARE(PdfTools::validate(pdf.path, "pw"), QString());
    const QByteArray first = PdfTools::pageContent(pdf.bytes, 0);
    const QByteArray second = PdfTools::pageContent(pdf.bytes, 1);
    QCOMPARE(first.size(), second.size());
    QVERIFY(first != second);
    const QList<int> pages = PdfTools::pages(pdf.bytes);
    const int s1 = PdfTools::references(PdfTools::object(pdf.bytes, pages[0]), "/Contents")[0];
    const int s2 = PdfTools::references(PdfTools::object(pdf.bytes, pages[1]), "/Contents")[0];
    QCOMPARE(PdfTools::streamData(pdf.path, s1, "pw"), PdfTools::streamData(pdf.path, s2, "pw"));
    QVERIFY(PdfTools::streamData(pdf.path, s1, "pw").contains("(identical line)"));
}

void TestPdfEncryption::emptyPasswordLeavesTheDocumentPlain_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("blank") << QByteArray("   ");
}

void TestPdfEncryption::emptyPasswordLeavesTheDocumentPlain()
{
    QFETCH(QByteArray, password);
    const WrittenPdf pdf = writeSample(QStringLiteral("open.pdf"), password, "owner");
    QVERIFY(!pdf.bytes.contains("/Encrypt"));
    QVERIFY(!pdf.bytes.contains("/Standard"));
    QVERIFY(PdfTools::info(pdf.path).out.contains("Encrypted:       no"));
    QVERIFY(PdfTools::text(pdf.path).out.contains("Glucose 5.4 (fasting)"));
}

QTEST_GUILESS_MAIN(TestPdfEncryption)
#include "tst_pdfencryption.moc"
