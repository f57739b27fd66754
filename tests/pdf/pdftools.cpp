#include "pdftools.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {
constexpr int kTimeoutMs = 60000;

QStringList withPassword(const char *option, const QByteArray &password)
{
    return password.isEmpty() ? QStringList() : QStringList{QString::fromLatin1(option), QString::fromUtf8(password)};
}
} // namespace

PdfTools::Run PdfTools::run(const QString &program, const QStringList &arguments)
{
    Run r;
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForStarted(kTimeoutMs)) {
        r.err = "could not start " + program.toUtf8();
        return r;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(kTimeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = program.toUtf8() + " did not finish";
        return r;
    }
    r.finished = p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

PdfTools::Run PdfTools::check(const QString &file, const QByteArray &password)
{
    QStringList args{QStringLiteral("--check")};
    if (!password.isEmpty())
        args << QStringLiteral("--password=") + QString::fromUtf8(password);
    return run(QStringLiteral("qpdf"), args << file);
}

// Poppler takes the user and the owner password under different options.
static PdfTools::Run withEitherPassword(const QString &program, const QByteArray &password, const QStringList &rest)
{
    PdfTools::Run r = PdfTools::run(program, withPassword("-upw", password) + rest);
    if (!password.isEmpty() && r.exitCode != 0 && r.err.contains("Incorrect password"))
        r = PdfTools::run(program, withPassword("-opw", password) + rest);
    return r;
}

PdfTools::Run PdfTools::info(const QString &file, const QByteArray &password)
{
    return withEitherPassword(QStringLiteral("pdfinfo"), password, {file});
}

PdfTools::Run PdfTools::text(const QString &file, const QByteArray &password)
{
    return withEitherPassword(QStringLiteral("pdftotext"), password, {file, QStringLiteral("-")});
}

QString PdfTools::validate(const QString &file, const QByteArray &password)
{
    const Run c = check(file, password);
    // qpdf exits 0 when clean and 3 when it only warns.
    if (!c.finished || c.exitCode != 0 || !c.out.contains("No syntax or stream encoding errors"))
        return QStringLiteral("qpdf --check: ") + QString::fromUtf8(c.out + c.err);
    const Run i = info(file, password);
    if (!i.finished || i.exitCode != 0 || !i.err.isEmpty())
        return QStringLiteral("pdfinfo: ") + QString::fromUtf8(i.out + i.err);
    return {};
}

QImage PdfTools::render(const QString &file, int page, int dpi, const QByteArray &password)
{
    QTemporaryDir dir;
    const QString prefix = dir.path() + QStringLiteral("/page");
    const QStringList args = QStringList()
        << QStringLiteral("-png") << QStringLiteral("-r") << QString::number(dpi) << QStringLiteral("-f")
        << QString::number(page) << QStringLiteral("-l") << QString::number(page) << QStringLiteral("-singlefile")
        << file << prefix;
    const Run r = withEitherPassword(QStringLiteral("pdftoppm"), password, args);
    if (!r.finished || r.exitCode != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}

QByteArray PdfTools::streamData(const QString &file, int object, const QByteArray &password)
{
    QStringList args{QStringLiteral("--show-object=") + QString::number(object), QStringLiteral("--filtered-stream-data")};
    if (!password.isEmpty())
        args << QStringLiteral("--password=") + QString::fromUtf8(password);
    const Run r = run(QStringLiteral("qpdf"), args << file);
    return r.exitCode == 0 ? r.out : QByteArray();
}

QByteArray PdfTools::readFile(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<qint64> PdfTools::crossReference(const QByteArray &pdf, qint64 *xrefOffset)
{
    QList<qint64> offsets;
    const qsizetype start = pdf.lastIndexOf("startxref\r\n");
    if (start < 0)
        return offsets;
    const qsizetype numberEnd = pdf.indexOf("\r\n", start + 11);
    const qint64 xref = pdf.mid(start + 11, numberEnd - start - 11).toLongLong();
    if (xrefOffset)
        *xrefOffset = xref;
    if (!pdf.mid(xref).startsWith("xref\r\n"))
        return offsets;
    qsizetype pos = xref + 6;
    const qsizetype lineEnd = pdf.indexOf("\r\n", pos);
    const QList<QByteArray> head = pdf.mid(pos, lineEnd - pos).trimmed().split(' ');
    const int count = head.value(1).toInt();
    pos = lineEnd + 2;
    for (int i = 0; i < count; ++i) {
        const QByteArray entry = pdf.mid(pos + 20 * i, 20);
        offsets.append(entry.endsWith(" n\r\n") ? entry.left(10).toLongLong() : -1);
    }
    return offsets;
}

QByteArray PdfTools::object(const QByteArray &pdf, int n)
{
    qint64 xref = 0;
    const QList<qint64> offsets = crossReference(pdf, &xref);
    if (n <= 0 || n >= offsets.size() || offsets[n] < 0)
        return {};
    // Up to the next object in the file, so binary stream data cannot cut it short.
    qint64 end = xref;
    for (qint64 o : offsets) {
        if (o > offsets[n] && o < end)
            end = o;
    }
    return pdf.mid(offsets[n], end - offsets[n]);
}

QByteArray PdfTools::rawStream(const QByteArray &pdf, int n)
{
    const QByteArray text = object(pdf, n);
    const qsizetype begin = text.indexOf("stream\r\n");
    static const QRegularExpression length(QStringLiteral("/Length (\\d+)(?!\\d| 0 R)"));
    const QRegularExpressionMatch m = length.match(QString::fromLatin1(text.left(begin)));
    if (begin < 0 || !m.hasMatch())
        return {};
    return text.mid(begin + 8, m.captured(1).toLongLong());
}

QList<int> PdfTools::references(const QByteArray &objectText, const QByteArray &key)
{
    QList<int> out;
    const qsizetype at = objectText.indexOf(key + " [");
    if (at < 0)
        return out;
    const qsizetype end = objectText.indexOf(']', at);
    const QList<QByteArray> words = objectText.mid(at + key.size() + 2, end - at - key.size() - 2).simplified().split(' ');
    for (qsizetype i = 0; i + 2 < words.size(); i += 3)
        out.append(words[i].toInt());
    return out;
}

QList<int> PdfTools::pages(const QByteArray &pdf)
{
    return references(object(pdf, 3), "/Kids");
}

QByteArray PdfTools::pageContent(const QByteArray &pdf, int pageIndex)
{
    const QList<int> kids = pages(pdf);
    if (pageIndex < 0 || pageIndex >= kids.size())
        return {};
    QByteArray out;
    for (int stream : references(object(pdf, kids[pageIndex]), "/Contents"))
        out += rawStream(pdf, stream);
    return out;
}
