#pragma once

/// How dla-grow paints the cluster.
enum class PictureColour {
    White, ///< white on black, the picture the desktop program shows
    Age    ///< each wanderer's pixel in the colour of its release order
};
