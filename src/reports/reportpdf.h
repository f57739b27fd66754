#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace tavimo {

class PdfGenerator;
class ThreadContext;

// What a report tells the PDF it is saved as.
struct PdfProperties
{
    QString title, creator, producer, subject, author, keywords;
    bool pageOutline = false; // an outline item for every page
    QString outputFile;       // empty: "Save PDF File" asks
    QByteArray password;      // empty: not protected
    bool compress = true;

    // The interactive reports': "LM Report" by "tavimo2", produced by and
    // about the procedure, no page outline, the file name asked for.
    static PdfProperties interactive(const QString &procedure);
};

// The PDF generator of a report run, wired to the run's context: the
// report's properties are set on it at every set-up, its messages go
// through the error manager, an attribute text it cannot read raises
// "Poorly Formed Comment String", and the file name comes from the
// "Save PDF File" dialog when the report names none.
class ReportPdf
{
public:
    // The permissions of a protected report file: print, change and copy.
    static constexpr int Permissions = 36;
    // Messages of the PDF writer, added to the catalogue when first needed.
    static constexpr int AttributeMessage = 52;
    static constexpr int FileMessage = 78;
    static constexpr int FontMessage = 79;
    static constexpr int ImageMessage = 80;

    // Answers the chosen file name, or empty for Cancel.
    using Chooser = std::function<QString(QWidget *parent)>;

    ReportPdf(ThreadContext &context, PdfProperties properties, QWidget *owner = nullptr); // not owned
    ~ReportPdf();
    ReportPdf(const ReportPdf &) = delete;
    ReportPdf &operator=(const ReportPdf &) = delete;

    PdfGenerator &generator() { return *m_generator; }
    PdfProperties &properties() { return m_properties; }
    // The dialog unless another is set (tests, scripts).
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    // "Save PDF File": PDF files first, the current folder, a confirmation
    // before a file is replaced.
    static QString askFileName(QWidget *parent);
    // A file name whose own name has no "." gets ".PDF".
    static QString withExtension(const QString &chosen);

private:
    void show(const QString &title, const QString &text);
    void applyProperties(PdfGenerator &generator);

    ThreadContext &m_context;
    PdfProperties m_properties;
    QPointer<QWidget> m_owner;
    Chooser m_chooser;
    std::unique_ptr<PdfGenerator> m_generator;
};

} // namespace tavimo
