#include "reportpdf.h"

#include "batchreport.h"
#include "errormanager.h"
#include "pdfgenerator.h"
#include "screenfit.h"
#include "threadcontext.h"

#include <QFileDialog>
#include <QFileInfo>

namespace tavimo {

PdfProperties PdfProperties::interactive(const QString &procedure)
{
    PdfProperties p;
    p.title = QStringLiteral("LM Report");
    p.creator = QStringLiteral("tavimo2");
    p.producer = procedure;
    p.subject = procedure;
    return p;
}

ReportPdf::ReportPdf(ThreadContext &context, PdfProperties properties, QWidget *owner)
    : m_context(context), m_properties(std::move(properties)), m_owner(owner),
      m_generator(std::make_unique<PdfGenerator>())
{
    // A script names the file and its password; the report the rest.
    if (const BatchReport *batch = BatchReportScope::current()) {
        m_properties.outputFile = batch->outputFile;
        m_properties.password = batch->password;
    }
    PdfGenerator &g = *m_generator;
    g.setMessageHandler([this](const QString &title, const QString &text) { show(title, text); });
    g.setAttributeErrorHandler([this](const QByteArray &text, int position) {
        ErrorManager &errors = m_context.errors();
        errors.setMessageText(m_context, QString::fromLatin1(text));
        errors.setFieldName(m_context, QString::number(position));
        errors.raise(m_context, AttributeMessage);
    });
    g.setSetUpHook([this](PdfGenerator &generator) { applyProperties(generator); });
    g.setFileNameChooser([this] {
        const QString chosen = m_chooser ? m_chooser(m_owner) : askFileName(m_owner);
        return chosen.isEmpty() ? QString() : withExtension(chosen);
    });
}

ReportPdf::~ReportPdf()
{
    if (BatchReport *batch = BatchReportScope::current())
        batch->written += m_generator->outputFiles();
}

void ReportPdf::applyProperties(PdfGenerator &g)
{
    const PdfProperties &p = m_properties;
    g.setDocumentInfo(p.title, p.creator, p.producer, p.subject, p.author, p.keywords);
    g.setPageBookmarks(p.pageOutline);
    g.setCompression(p.compress, p.compress);
    g.setEncryption(p.password, Permissions);
    if (!p.outputFile.isEmpty())
        g.setOutputFileName(withExtension(p.outputFile));
}

void ReportPdf::show(const QString &title, const QString &text)
{
    // The writer names its trouble by title; each has its catalogue entry.
    struct Kind
    {
        int id;
        const char *title;
    };
    static const Kind kinds[] = {{FontMessage, "Font Error"}, {ImageMessage, "GetImageInfo"}, {FileMessage, "PDF File"}};
    int id = FileMessage;
    for (const Kind &k : kinds)
        if (title == QLatin1String(k.title))
            id = k.id;
    ErrorManager &errors = m_context.errors();
    if (!errors.entry(id)) {
        std::vector<CatalogueEntry> entries;
        for (const Kind &k : kinds)
            entries.push_back({k.id, ResultNotify, QString::fromLatin1(k.title), QStringLiteral("%Message"), {}});
        errors.appendCatalogue(entries);
    }
    errors.raiseWithText(m_context, id, text);
}

QString ReportPdf::withExtension(const QString &chosen)
{
    if (chosen.isEmpty() || QFileInfo(chosen).fileName().contains(QLatin1Char('.')))
        return chosen;
    return chosen + QStringLiteral(".PDF");
}

QString ReportPdf::askFileName(QWidget *parent)
{
    QFileDialog dialog(parent, QStringLiteral("Save PDF File"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("PDF (*.PDF *.pdf)"), QStringLiteral("All (*)")});
    // The dialog itself puts ".PDF" on a name without one, so that it asks
    // before replacing the file that name really means.
    dialog.setDefaultSuffix(QStringLiteral("PDF"));
    fitToScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace tavimo
