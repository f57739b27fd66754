#pragma once

#include <QByteArray>

namespace tavimo {

class PdfObjectTable;
class PdfTargetFile;

// A link or note on the current page, written after the page object.
struct PdfAnnotation
{
    enum Type { UriLink = 1, LaunchLink = 2, TextNote = 3, NamedAction = 4 };

    Type type = UriLink;
    double left = 0, bottom = 0, right = 0, top = 0; // points
    bool boxed = false;
    int boxColor = 0;
    QByteArray target;     // URI, file to launch, note text or action word
    QByteArray parameters; // launch parameters

    static constexpr int MaxTarget = 5000;
    static constexpr int MaxParameters = 1048;

    void write(PdfTargetFile &out, PdfObjectTable &objects, int objectNumber) const;
    static QByteArray actionName(const QByteArray &word); // empty for an unknown word
};

} // namespace tavimo
