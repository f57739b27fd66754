#pragma once

namespace tavimo {

// The thumbnails the preview tiles: so many pages across and down, from
// the first shown page (pages count from 1).
struct TileGrid
{
    static constexpr int MaxSide = 99; // two digits in the Across and Down boxes

    int across = 2;
    int down = 2;
    int first = 1;

    int cells() const { return across * down; }
    int last(int pageCount) const;

    // Fitted to the report: the first shown page moves back while the grid
    // would run past the last page, and the grid shrinks (its longer side
    // first) while it holds more cells than there are pages from the first.
    TileGrid fitted(int pageCount) const;
    // Fitted, with the first shown page moved as little as it takes to
    // show `page`.
    TileGrid showing(int page, int pageCount) const;

    bool operator==(const TileGrid &) const = default;
};

} // namespace tavimo
