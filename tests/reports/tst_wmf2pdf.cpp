// The page replay tool end to end: pages the renderer writes become one
// PDF the readers accept; a page that cannot be read prints the parser's
// message, fails, and leaves the output as it was; wrong arguments are
// refused. It runs without any display.
#include "pagewriter.h"
#include "pdftools.h"
#include "reportlayout.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

PdfTools::Run runTool(const QStringList &arguments)
{
    // As from a console without a desktop: no display, no platform chosen.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    PdfTools::Run r;
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral(TAVIMO_WMF2PDF), arguments);
    if (!p.waitForStarted(30000)) {
        r.err = "could not start the tool";
        return r;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = "the tool did not finish";
        return r;
    }
    r.finished = p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

FinishedPage pageWith(const QStringList &texts, int width = 8500, int height = 11000)
{
    FinishedPage page;
    page.width = width;
    page.height = height;
    int top = 500;
    for (const QString &text : texts) {
        PlacedControl c;
        c.kind = ControlKind::String;
        c.left = 500;
        c.top = top;
        c.right = 6000;
        c.bottom = top + 250;
        c.x = 500;
        c.y = top;
        c.text = text;
        page.controls.push_back(c);
        top += 400;
    }
    PlacedControl frame;
    frame.kind = ControlKind::Box;
    frame.left = 400;
    frame.top = 400;
    frame.right = 6100;
    frame.bottom = top;
    frame.style.borderStyle = BorderStyle::Solid;
    page.controls.push_back(frame);
    return page;
}

QString writePage(const QTemporaryDir &dir, const QString &name, const FinishedPage &page)
{
    const QString file = dir.filePath(name);
    QString error;
    if (!PageWriter::write(page, file, &error))
        qWarning("%s", qPrintable(error));
    return file;
}

void writeBytes(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QList<QByteArray> lines(const QByteArray &text)
{
    QList<QByteArray> out = text.split('\n');
    if (!out.isEmpty() && out.back().isEmpty())
        out.removeLast();
    return out;
}

} // namespace

class TestWmf2Pdf : public QObject
{
    Q_OBJECT

private slots:
    void pagesBecomeOneDocument();
    void aBadPageWritesNothing_data();
    void aBadPageWritesNothing();
    void wrongArguments_data();
    void wrongArguments();
};

void TestWmf2Pdf::pagesBecomeOneDocument()
{
    QTemporaryDir dir;
    const QStringList pages{
        writePage(dir, QStringLiteral("page00001.wmf"),
                  pageWith({QStringLiteral("Blood pressure averages"), QStringLiteral("Systolic 128")})),
        writePage(dir, QStringLiteral("page00002.wmf"), pageWith({QStringLiteral("Diastolic 84")}, 11000, 8500)),
        writePage(dir, QStringLiteral("page00003.wmf"), pageWith({QStringLiteral("Readings 31")})),
    };
    const QString out = dir.filePath(QStringLiteral("report.pdf"));
    const PdfTools::Run run = runTool(QStringList{out} + pages);
    QVERIFY2(run.finished && run.exitCode == 0, run.err);
    QVERIFY2(run.err.isEmpty(), run.err);
    QCOMPARE(PdfTools::validate(out), QString());

    const QByteArray info = PdfTools::info(out).out;
    QVERIFY2(info.contains("Pages:           3"), info);
    const QByteArray text = PdfTools::text(out).out;
    for (const char *expected : {"Blood pressure averages", "Systolic 128", "Diastolic 84", "Readings 31"})
        QVERIFY2(text.contains(expected), expected);
    // In order: a page per file.
    QVERIFY(text.indexOf("Systolic 128") < text.indexOf("Diastolic 84"));
    QVERIFY(text.indexOf("Diastolic 84") < text.indexOf("Readings 31"));
}

void TestWmf2Pdf::aBadPageWritesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message"); // %1: the file name
    QTest::addColumn<bool>("existing");   // an OUT.pdf is there before

    QString error;
    const QByteArray good = PageWriter::encode(pageWith({QStringLiteral("Glucose 5.4")}), &error);
    QVERIFY2(!good.isEmpty(), qPrintable(error));
    QByteArray wrongKey = good;
    wrongKey[0] = 'W';
    wrongKey[3] = 'F';
    // Cut inside the last control's records: the header promises more.
    const QByteArray truncated = good.left(good.size() - 40);

    const QString notWmf = QStringLiteral("The File %1 is not a valid WMF file.");
    const QString nextRecord = QStringLiteral("Get next record from file %1 failed.");
    QTest::newRow("wrong key") << wrongKey << notWmf << false;
    QTest::newRow("wrong key, over an older file") << wrongKey << notWmf << true;
    QTest::newRow("truncated") << truncated << nextRecord << false;
    QTest::newRow("truncated, over an older file") << truncated << nextRecord << true;
    QTest::newRow("empty") << QByteArray() << notWmf << true;
}

void TestWmf2Pdf::aBadPageWritesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(bool, existing);

    QTemporaryDir dir;
    const QString first = writePage(dir, QStringLiteral("page00001.wmf"), pageWith({QStringLiteral("First")}));
    const QString bad = dir.filePath(QStringLiteral("page00002.wmf"));
    writeBytes(bad, bytes);
    const QString last = writePage(dir, QStringLiteral("page00003.wmf"), pageWith({QStringLiteral("Last")}));
    const QString out = dir.filePath(QStringLiteral("report.pdf"));
    const QByteArray older("%PDF-1.3 an older report\n");
    if (existing)
        writeBytes(out, older);

    // The bad page after a good one: what was written of the first is not kept either.
    const PdfTools::Run run = runTool({out, first, bad, last});
    QVERIFY2(run.finished, run.err);
    QCOMPARE(run.exitCode, 1);
    const QList<QByteArray> said = lines(run.err);
    QCOMPARE(said.size(), 1);
    QCOMPARE(QString::fromLocal8Bit(said[0]), message.arg(bad));
    if (existing)
        QCOMPARE(PdfTools::readFile(out), older);
    else
        QVERIFY(!QFile::exists(out));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), existing ? 4 : 3); // no temporary left behind
}

void TestWmf2Pdf::wrongArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList();
    QTest::newRow("no page") << QStringList{QStringLiteral("x.pdf")};
    QTest::newRow("an option") << QStringList{QStringLiteral("x.pdf"), QStringLiteral("--verbose"),
                                              QStringLiteral("p.wmf")};
}

void TestWmf2Pdf::wrongArguments()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    QStringList args = arguments;
    if (!args.isEmpty())
        args[0] = dir.filePath(args[0]);
    const PdfTools::Run run = runTool(args);
    QVERIFY2(run.finished, run.err);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith("usage: tavimo-wmf2pdf OUT.pdf PAGE.wmf"), run.err);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.pdf"))));
}

QTEST_GUILESS_MAIN(TestWmf2Pdf)
#include "tst_wmf2pdf.moc"
