#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// The PDF readers the tests hold the writer's files against (qpdf and
// poppler's tools), run with a time limit, and a little reading of the
// files' own structure.
class PdfTools
{
public:
    struct Run
    {
        bool finished = false;
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    static Run run(const QString &program, const QStringList &arguments);
    // Empty when qpdf --check and pdfinfo both accept the file, else what they said.
    static QString validate(const QString &file, const QByteArray &password = {});
    static Run check(const QString &file, const QByteArray &password = {});
    static Run info(const QString &file, const QByteArray &password = {});
    static Run text(const QString &file, const QByteArray &password = {});
    static QImage render(const QString &file, int page, int dpi, const QByteArray &password = {});
    // An object's stream data with every filter undone, by qpdf.
    static QByteArray streamData(const QString &file, int object, const QByteArray &password = {});

    static QByteArray readFile(const QString &file);
    // The text of object n, from its cross-reference offset to "endobj".
    static QByteArray object(const QByteArray &pdf, int n);
    // Offsets listed in the cross-reference table, by object number (0 unused).
    static QList<qint64> crossReference(const QByteArray &pdf, qint64 *xrefOffset = nullptr);
    // The raw stream bytes of object n (between "stream" CR LF and the line end before "endstream").
    static QByteArray rawStream(const QByteArray &pdf, int n);
    // The numbers in "key [ n 0 R ... ]" of an object's text.
    static QList<int> references(const QByteArray &objectText, const QByteArray &key);
    // The object numbers of the pages, in order, from the page tree.
    static QList<int> pages(const QByteArray &pdf);
    // A page's content streams joined, as stored (unfiltered).
    static QByteArray pageContent(const QByteArray &pdf, int pageIndex);
};
