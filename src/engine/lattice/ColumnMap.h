#pragma once

#include <cstdint>

/// How the touch test maps the columns of its side neighbours.
enum class ColumnMap {
    Identity, ///< the snowflake field: no wrap
    Ring      ///< the plant-life field: column 0 stands for w - 1 and column w for 1
};

/// The column a side read at column `a` lands on in a picture `width` columns wide: on a Ring,
/// w - 1 for 0 and 1 for w; everything else (and every column of an Identity map) unchanged.
inline std::int32_t mapColumn(ColumnMap map, std::int32_t a, std::int32_t width)
{
    if (map == ColumnMap::Ring) {
        if (a == 0)
            return width - 1;
        if (a == width)
            return 1;
    }
    return a;
}
