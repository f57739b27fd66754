#pragma once

#include <QString>

#include <array>

namespace tavimo {

// What a font descriptor and its widths need of one face, in units of
// 1/1000 em.
struct FaceMetrics
{
    QString family; // of the face that was loaded
    bool fixedPitch = false;
    int bboxLeft = 0, bboxBottom = 0, bboxRight = 0, bboxTop = 0;
    int weight = 0;
    double italicAngle = 0;
    int ascent = 0;  // above the baseline
    int descent = 0; // below it, positive
    int leading = 0; // internal plus external
    int maxWidth = 0;
    int avgWidth = 0;
    int firstChar = 32;
    int lastChar = 255;
    std::array<int, 256> widths{}; // by WinAnsi code
};

} // namespace tavimo
