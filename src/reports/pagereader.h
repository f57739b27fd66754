#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavimo {

class IReportGenerator;
class ThreadContext;

// Replays stored report pages into an output generator: per page, open the
// page with its box in thousandths of an inch, hand every control collected
// between its control marks to the generator operation of its kind, close
// the page. The drawing records say how a control looks (pens, brushes,
// fonts, text, geometry); the marks say where it begins and ends and what
// the drawing cannot (its frame, the checked flag, an image file).
//
// A page that cannot be read raises its message under "WMF Parser Error"
// through the context's error manager and stops the replay; so does a
// non-zero result of the generator, which is returned.
class WmfParser
{
public:
    // Catalogue numbers of the reading errors.
    enum Message : int {
        NextRecordFailed = 22, // a record runs past the end, or the file cannot be read
        QueueFailed = 48,      // a list of the page (objects, lines, saved states) is full
        NotWmf = 49,           // not a placeable metafile, or a malformed record
        InvalidControl = 50,   // control marks out of order or malformed; %Field is the kind
        MissingObject = 51,    // a font, pen, brush or object number not in the table
    };

    // Bounds that keep any input, however made, within memory and time.
    static constexpr qint64 MaxFileSize = 256LL << 20;
    static constexpr int MaxObjects = 0xFFFF;
    static constexpr int MaxSavedStates = 1024;
    static constexpr int MaxLines = 10000; // of one text block

    explicit WmfParser(ThreadContext &context); // not owned

    // The export: the stored pages in order, and where they go (not owned).
    void setPages(const QStringList &pageFiles) { m_pages = pageFiles; }
    const QStringList &pages() const { return m_pages; }
    void setGenerator(IReportGenerator *generator) { m_generator = generator; }
    IReportGenerator *generator() const { return m_generator; }

    // A quiet export: open document with the page count, every page, close
    // document. The first non-zero result ends it, abandons the document
    // and is returned.
    int exportPages();
    // The same in steps, for a window that replays one page per tick.
    int openDocument();
    int replayPage(int index); // from 0
    int closeDocument();

    // One page file; 0 when every control went through.
    int replay(const QString &fileName, IReportGenerator &generator);
    // One page already read from the file of that name.
    int replay(const QByteArray &bytes, const QString &fileName, IReportGenerator &generator);

    // The name the page replayed last gave itself (its page name mark).
    QString pageName() const { return m_pageName; }

private:
    int raise(int message, const QString &fileName, const QString &field = QString());
    int noGenerator();

    ThreadContext &m_context;
    QStringList m_pages;
    IReportGenerator *m_generator = nullptr;
    QString m_pageName;
};

} // namespace tavimo
