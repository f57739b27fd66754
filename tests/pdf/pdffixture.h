#pragma once

#include "pdfgenerator.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Writes a document through the generator into a file and keeps what a
// test looks at: the bytes, the messages shown and the results.
struct WrittenPdf
{
    QString path;
    QByteArray bytes;
    QStringList messages; // "title: text"
    int openResult = -1;
    int closeResult = -1;
};

class PdfFixture
{
public:
    using Step = std::function<void(tavimo::PdfGenerator &)>;

    // Reproducible, uncompressed unless the set-up says otherwise; `draw`
    // opens its own pages.
    static WrittenPdf write(const QString &path, const Step &draw, const Step &setUp = {});
    // One page, drawn by `draw`.
    static WrittenPdf page(const QString &path, const Step &draw, const Step &setUp = {});
};
