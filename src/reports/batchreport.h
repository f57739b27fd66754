#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavimo {

// A report run with nobody to see it (a script): no preview, its pages
// straight into the report's own PDF generator under the name given, with
// the document information the report gives its "Save As". Any report run
// while a scope is alive goes this way, so every report procedure works
// from the command line without code of its own.
struct BatchReport
{
    QString outputFile;
    QByteArray password; // empty: not protected
    QStringList written; // the files the run wrote, whole
};

class BatchReportScope
{
public:
    explicit BatchReportScope(BatchReport report);
    ~BatchReportScope();
    BatchReportScope(const BatchReportScope &) = delete;
    BatchReportScope &operator=(const BatchReportScope &) = delete;

    // The run under way, or null.
    static BatchReport *current();

private:
    BatchReport m_report;
    BatchReport *m_previous;
};

} // namespace tavimo
