#pragma once

#include "reportlayout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tavimo {

// Measures report text in thousandths of an inch, at a fixed resolution of
// 1000 dots per inch, so that a layout comes out the same whatever screen
// the program runs on. Needs a QGuiApplication.
class ReportMetrics
{
public:
    ReportMetrics();

    static QFont fontOf(const ReportFont &font);

    double width(const ReportFont &font, const QString &text);
    // How far below its top a text's baseline lies: the generators put it
    // one font size down, so this is the height a line of text takes.
    static int textHeight(const ReportFont &font);
    // The distance between the tops of two lines of a text block.
    int lineHeight(const ReportFont &font);
    int ascent(const ReportFont &font);

    // The text cut into lines no wider than `width`: at line breaks, then
    // between words, and inside a word too long for a line by itself.
    // Runs of blanks between words become one blank.
    QStringList wrap(const ReportFont &font, const QString &text, int width);

private:
    const QFontMetricsF &metrics(const ReportFont &font);
    void breakWord(const QFontMetricsF &m, QString word, int width, QStringList &lines, QString &line);

    QImage m_device; // only lends its resolution
    std::vector<std::pair<ReportFont, QFontMetricsF>> m_cache; // a report uses few fonts
};

} // namespace tavimo
