#include "reportmetrics.h"

#include "reportunits.h"

#include <algorithm>
#include <cmath>

namespace tavimo {

namespace {

constexpr double kDefaultSize = 10;

double sizeOf(const ReportFont &font)
{
    return font.size > 0 ? font.size : kDefaultSize;
}

} // namespace

ReportMetrics::ReportMetrics() : m_device(1, 1, QImage::Format_ARGB32)
{
    // 39370 dots per metre is 1000 per inch once Qt rounds it.
    const int perMetre = int(std::lround(reportunits::PerInch / 0.0254));
    m_device.setDotsPerMeterX(perMetre);
    m_device.setDotsPerMeterY(perMetre);
}

QFont ReportMetrics::fontOf(const ReportFont &font)
{
    QFont f(font.face.trimmed());
    f.setPointSizeF(sizeOf(font));
    f.setWeight(QFont::Weight(std::clamp(font.weight > 0 ? font.weight : 400, 1, 1000)));
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

const QFontMetricsF &ReportMetrics::metrics(const ReportFont &font)
{
    for (const auto &[known, m] : m_cache)
        if (known == font)
            return m;
    m_cache.emplace_back(font, QFontMetricsF(fontOf(font), &m_device));
    return m_cache.back().second;
}

double ReportMetrics::width(const ReportFont &font, const QString &text)
{
    return text.isEmpty() ? 0 : metrics(font).horizontalAdvance(text);
}

int ReportMetrics::textHeight(const ReportFont &font)
{
    return int(std::lround(sizeOf(font) * reportunits::PerInch / 72.0));
}

int ReportMetrics::lineHeight(const ReportFont &font)
{
    return std::max(textHeight(font), int(std::ceil(metrics(font).lineSpacing())));
}

int ReportMetrics::ascent(const ReportFont &font)
{
    return int(std::lround(metrics(font).ascent()));
}

void ReportMetrics::breakWord(const QFontMetricsF &m, QString word, int width, QStringList &lines, QString &line)
{
    // At least one character a line, or a narrow box would never end.
    while (word.size() > 1 && m.horizontalAdvance(word) > width) {
        qsizetype fits = 1;
        while (fits < word.size() && m.horizontalAdvance(word.left(fits + 1)) <= width)
            ++fits;
        lines << word.left(fits);
        word.remove(0, fits);
    }
    line = word;
}

QStringList ReportMetrics::wrap(const ReportFont &font, const QString &text, int width)
{
    const QFontMetricsF &m = metrics(font);
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QLatin1Char('\t'), QLatin1Char(' '));

    QStringList lines;
    for (const QString &paragraph : plain.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (m.horizontalAdvance(longer) <= width) {
                line = longer;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            breakWord(m, word, width, lines, line);
        }
        lines << line;
    }
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace tavimo
