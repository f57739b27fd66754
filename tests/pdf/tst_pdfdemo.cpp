// The demonstration tool end to end: its pages use every drawing call,
// font kind and image kind, so its files are held against the readers too.
#include "pdftools.h"

#include <QTemporaryDir>
#include <QTest>

class TestPdfDemo : public QObject
{
    Q_OBJECT

private slots:
    void writesAValidDocument_data();
    void writesAValidDocument();
    void refusesBadArguments_data();
    void refusesBadArguments();
};

void TestPdfDemo::writesAValidDocument_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("plain") << QStringList() << QByteArray();
    QTest::newRow("password") << QStringList{QStringLiteral("--password"), QStringLiteral("pw")} << QByteArray("pw");
    QTest::newRow("owner password opens it")
        << QStringList{QStringLiteral("--password"), QStringLiteral("pw"), QStringLiteral("--owner-password"),
                       QStringLiteral("boss")}
        << QByteArray("boss");
}

void TestPdfDemo::writesAValidDocument()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, password);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("demo.pdf"));
    const PdfTools::Run run = PdfTools::run(QStringLiteral(TAVIMO_PDF_DEMO), QStringList{out} + options);
    QVERIFY2(run.finished && run.exitCode == 0, run.err);
    QVERIFY2(run.err.isEmpty(), run.err); // no font or image message
    QCOMPARE(PdfTools::validate(out, password), QString());
    const PdfTools::Run info = PdfTools::info(out, password);
    QVERIFY(info.out.contains("Pages:           4"));
    QVERIFY(info.out.contains(password.isEmpty() ? QByteArray("Encrypted:       no") : QByteArray("Encrypted:       yes")));
    const QByteArray text = PdfTools::text(out, password).out;
    for (const char *expected : {"Tavimo PDF writer", "Times New Roman bold italic", "Lines, rectangles",
                                 "bitmap 24 bits", "half-letter page"})
        QVERIFY2(text.contains(expected), expected);
    const PdfTools::Run images = PdfTools::run(QStringLiteral("pdfimages"),
                                               (password.isEmpty() ? QStringList()
                                                                   : QStringList{QStringLiteral("-opw"),
                                                                                 QString::fromUtf8(password)})
                                                   << QStringLiteral("-list") << QStringLiteral("-f")
                                                   << QStringLiteral("3") << QStringLiteral("-l")
                                                   << QStringLiteral("3") << out);
    QCOMPARE(images.out.trimmed().split('\n').size(), 2 + 9);
}

void TestPdfDemo::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no file") << QStringList();
    QTest::newRow("owner password alone") << QStringList{QStringLiteral("x.pdf"), QStringLiteral("--owner-password"),
                                                         QStringLiteral("boss")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("x.pdf"), QStringLiteral("--colour")};
}

void TestPdfDemo::refusesBadArguments()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    QStringList args = arguments;
    if (!args.isEmpty())
        args[0] = dir.filePath(args[0]);
    const PdfTools::Run run = PdfTools::run(QStringLiteral(TAVIMO_PDF_DEMO), args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("usage: tavimo-pdfdemo OUT.pdf"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.pdf"))));
}

QTEST_GUILESS_MAIN(TestPdfDemo)
#include "tst_pdfdemo.moc"
