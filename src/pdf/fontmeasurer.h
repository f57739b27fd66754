#pragma once

#include "facemetrics.h"
#include "fontfinder.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavimo {

// Measures faces with FreeType: descriptor values and the widths of the
// 256 WinAnsi codes. Faces are read once per document and kept.
class FontMeasurer
{
public:
    using Finder = std::function<std::optional<FontFile>(const QString &family, bool bold, bool italic)>;

    FontMeasurer();
    ~FontMeasurer();
    FontMeasurer(const FontMeasurer &) = delete;
    FontMeasurer &operator=(const FontMeasurer &) = delete;

    void setFinder(Finder finder); // tests put a face where they want it
    void clear();

    // Null when no face can be loaded; `failure` then says why, in the
    // words of the "Font Error" message ("|NOT LOC:HFont" and the like).
    const FaceMetrics *metrics(const QString &family, bool bold, bool italic, bool symbol, QString *failure);

private:
    struct Loaded
    {
        std::optional<FaceMetrics> metrics;
        QString failure;
    };
    Loaded load(const QString &family, bool bold, bool italic, bool symbol);

    struct Library;
    std::unique_ptr<Library> m_library; // created on first use
    Finder m_finder;
    QHash<QString, Loaded> m_cache;
};

} // namespace tavimo
