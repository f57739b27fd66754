#include "tilegrid.h"

#include <algorithm>

namespace tavimo {

int TileGrid::last(int pageCount) const
{
    return std::min(first + cells() - 1, pageCount);
}

TileGrid TileGrid::fitted(int pageCount) const
{
    TileGrid g = *this;
    g.across = std::clamp(g.across, 1, MaxSide);
    g.down = std::clamp(g.down, 1, MaxSide);
    const int pages = std::max(pageCount, 1);
    g.first = std::clamp(g.first, 1, pages);
    while (g.first > 1 && g.first + g.cells() - 1 > pages)
        --g.first;
    while (g.cells() > pages - g.first + 1) {
        if (g.down >= g.across && g.down > 1)
            --g.down;
        else
            --g.across;
    }
    return g;
}

TileGrid TileGrid::showing(int page, int pageCount) const
{
    TileGrid g = fitted(pageCount);
    if (page < g.first)
        g.first = page;
    else if (page > g.first + g.cells() - 1)
        g.first = page - g.cells() + 1;
    return g.fitted(pageCount);
}

} // namespace tavimo
