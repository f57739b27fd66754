// Page files of any shape replayed into the real PDF writer: the reader
// replays them or stops with its message, and whatever reaches the writer
// is drawn or refused without reading outside its bytes, looping or
// growing without bound. Each input is one document in a private folder,
// closed when its page went through and abandoned when it did not.
#include "errormanager.h"
#include "ireportgenerator.h"
#include "pagereader.h"
#include "pdfgenerator.h"
#include "reportcontrol.h"
#include "threadcontext.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tavimo;

namespace {

// The folder every document of the run goes to, with the pictures the
// seeds name. Images a page names are looked for here only: what else a
// mutated name could reach on the machine (devices, pipes) is not the
// page's doing.
struct Workplace
{
    QTemporaryDir dir;
    QString page;
    QString pdf;
    ErrorManager errors;
    ThreadContext *context = nullptr;

    Workplace()
    {
        if (!dir.isValid())
            std::abort();
        page = dir.filePath(QStringLiteral("page.wmf"));
        pdf = dir.filePath(QStringLiteral("fuzz.pdf"));
        const QDir corpus(QStringLiteral(TAVIMO_FUZZ_CORPUS));
        const struct
        {
            const char *from, *to;
        } pictures[] = {
            {"png/rgb.png", "logo.png"},   {"png/palette.png", "palette.png"}, {"jpeg/baseline.jpg", "photo.jpg"},
            {"gif/small.gif", "chart.gif"}, {"png/mono.png", "mono.png"},
        };
        for (const auto &p : pictures)
            QFile::copy(corpus.filePath(QString::fromLatin1(p.from)), dir.filePath(QString::fromLatin1(p.to)));
        errors.silent = true; // no boxes; a fatal message only returns
        errors.setFatalHandler([] {});
        ContextConfig config;
        config.errors = &errors;
        context = new ThreadContext(config); // kept to the end of the process
    }

    QString picture(const QString &name) const
    {
        QString base = QFileInfo(name).fileName();
        for (QChar &c : base)
            if (!c.isLetterOrNumber() && c != QLatin1Char('.') && c != QLatin1Char('_') && c != QLatin1Char('-'))
                c = QLatin1Char('_');
        return dir.filePath(base.isEmpty() || base.startsWith(QLatin1Char('.')) ? QStringLiteral("none") : base);
    }
};

Workplace &workplace()
{
    static Workplace w; // the folder goes at the end of the run
    return w;
}

// Hands every control to the PDF writer, with image names kept inside the
// folder. A bitmap carried in the page file is read from the page file,
// which is in the folder already.
class InFolder : public IReportGenerator
{
public:
    explicit InFolder(PdfGenerator &pdf) : m_pdf(pdf) {}

    void initialise() override { m_pdf.initialise(); }
    int openDocument(int pageCount) override { return m_pdf.openDocument(pageCount); }
    int closeDocument() override { return m_pdf.closeDocument(); }
    void abandonDocument() override { m_pdf.abandonDocument(); }
    int openPage(int left, int top, int right, int bottom, const QString &name) override
    {
        return m_pdf.openPage(left, top, right, bottom, name);
    }
    int closePage() override { return m_pdf.closePage(); }
    int setUp() override { return Done; }
    QString name() const override { return m_pdf.name(); }
    QString displayName() const override { return m_pdf.displayName(); }
    QString icon() const override { return m_pdf.icon(); }

    int arc(const ReportControl &c) override { return m_pdf.arc(c); }
    int furtherControlData(const ReportControl &c) override { return m_pdf.furtherControlData(c); }
    int checkBox(const ReportControl &c) override { return m_pdf.checkBox(c); }
    int chord(const ReportControl &c) override { return m_pdf.chord(c); }
    int ellipse(const ReportControl &c) override { return m_pdf.ellipse(c); }
    int image(const ReportControl &c) override
    {
        if (c.imageOffset >= 0 && c.imageFile == workplace().page)
            return m_pdf.image(c);
        ReportControl kept = c;
        kept.imageFile = workplace().picture(c.imageFile);
        return m_pdf.image(kept);
    }
    int line(const ReportControl &c) override { return m_pdf.line(c); }
    int groupBox(const ReportControl &c) override { return m_pdf.groupBox(c); }
    int pie(const ReportControl &c) override { return m_pdf.pie(c); }
    int polygon(const ReportControl &c) override { return m_pdf.polygon(c); }
    int radioButton(const ReportControl &c) override { return m_pdf.radioButton(c); }
    int box(const ReportControl &c) override { return m_pdf.box(c); }
    int string(const ReportControl &c) override { return m_pdf.string(c); }
    int textBlock(const ReportControl &c) override { return m_pdf.textBlock(c); }

private:
    PdfGenerator &m_pdf;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Workplace &w = workplace();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        // On disk too: a bitmap in the page is read from the file by its offset.
        QFile file(w.page);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }

    PdfGenerator pdf;
    pdf.setReproducible(true);
    pdf.setMessageHandler([](const QString &, const QString &) {});
    pdf.setAttributeErrorHandler([](const QByteArray &, int) {});
    pdf.setOutputFileName(w.pdf);
    InFolder generator(pdf);

    WmfParser parser(*w.context);
    parser.setGenerator(&generator);
    parser.setPages({w.page});
    if (parser.openDocument() != 0)
        std::abort(); // the folder is ours: the document always opens
    if (parser.replay(bytes, w.page, generator) == 0)
        parser.closeDocument();
    else
        pdf.abandonDocument();
    return 0;
}
