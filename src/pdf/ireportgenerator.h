#pragma once

#include <QString>
#include <QStringList>

namespace tavimo {

struct ReportControl;

// An output generator that stored report pages are replayed into. The
// slots keep their order: document and page operations, set-up and
// names, then one operation per control kind. Results are 0 for done;
// anything else stops the export.
class IReportGenerator
{
public:
    // The framework's severity codes, as far as generators use them.
    enum Result : int { Done = 0, Failed = 3, Cancelled = 5 };

    virtual ~IReportGenerator() = default;

    virtual void initialise() = 0;
    virtual int openDocument(int pageCount) = 0;
    virtual int closeDocument() = 0;
    // The export stopped before the document was closed: nothing it wrote
    // is kept, and whatever the output replaces stays as it was.
    virtual void abandonDocument() {}
    // The page box in thousandths of an inch.
    virtual int openPage(int left, int top, int right, int bottom, const QString &pageName) = 0;
    virtual int closePage() = 0;
    virtual int setUp() = 0; // may ask the user; non-zero cancels
    virtual QString name() const = 0;
    virtual QString displayName() const = 0;
    virtual QString icon() const = 0;
    // Where the pages go, as the export window names it: a file, a printer.
    virtual QString targetName() const { return displayName(); }

    // Controls. A generator draws the kinds it knows and ignores the rest.
    virtual int arc(const ReportControl &) { return Done; }
    virtual int furtherControlData(const ReportControl &) { return Done; }
    virtual int checkBox(const ReportControl &) { return Done; }
    virtual int chord(const ReportControl &) { return Done; }
    virtual int ellipse(const ReportControl &) { return Done; }
    virtual int image(const ReportControl &) { return Done; }
    virtual int line(const ReportControl &) { return Done; }
    virtual int groupBox(const ReportControl &) { return Done; }
    virtual int pie(const ReportControl &) { return Done; }
    virtual int polygon(const ReportControl &) { return Done; }
    virtual int radioButton(const ReportControl &) { return Done; }
    virtual int box(const ReportControl &) { return Done; }
    virtual int string(const ReportControl &) { return Done; }
    virtual int textBlock(const ReportControl &) { return Done; }
};

// A generator that names the files it writes implements this as well:
// it is handed the list before the export and adds each file it wrote.
class OutputFileListUser
{
public:
    virtual ~OutputFileListUser() = default;
    virtual bool usesOutputFileList() const = 0;
    virtual void setOutputFileList(QStringList *files) = 0; // not owned
};

} // namespace tavimo
