#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <vector>

namespace tavimo {

// One report control as replayed from a stored page, handed to the
// generator operation of its kind. Positions and sizes are thousandths
// of an inch from the top-left corner of the page.
struct ReportControl
{
    static constexpr int Italic = 4096;
    static constexpr int Underline = 8192;
    static constexpr int StrikeOut = 16384;
    static constexpr int NoColor = -1;

    struct Line
    {
        int top = 0, left = 0, bottom = 0, right = 0;
        int x = 0, y = 0;
        QByteArray text;
    };

    QByteArray kind;       // "STRING", "BOX" and so on
    QByteArray attributes; // the control's attribute text, up to 2048 characters
    int top = 0, left = 0, bottom = 0, right = 0;
    int x = 0, y = 0; // text position
    QByteArray text;
    QByteArray fontFace; // up to 32
    double fontSize = 0; // points
    int fontStyle = 0;   // weight in the low 11 bits, plus Italic, Underline, StrikeOut
    int charset = 0;
    int angle = 0; // degrees
    int fontColor = 0;
    int backgroundColor = NoColor;
    int borderColor = 0;
    int borderWidth = 0;
    int borderStyle = 0;
    bool checked = false;
    std::vector<Line> lines; // text blocks
    QString imageFile;
    long long imageOffset = -1; // a bitmap carried inside the page file
    std::vector<QPoint> points; // polygons
};

} // namespace tavimo
