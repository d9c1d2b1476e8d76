#pragma once

#include <array>
#include <cstdint>

/// The colours of a picture coloured by age: a perceptual map from dark violet through blue
/// and green to yellow whose lightness rises with every entry, so later growth always looks
/// lighter than earlier growth, in colour and in grey print alike.
class ColourMap {
public:
    /// One colour as red, green and blue bytes.
    struct Rgb {
        std::uint8_t red = 0;
        std::uint8_t green = 0;
        std::uint8_t blue = 0;
        bool operator==(const Rgb&) const = default;
    };

    static constexpr std::size_t Entries = 256;

    /// Entry `entry` (0 darkest, Entries - 1 lightest).
    static Rgb entry(std::size_t entry) { return ViridisEntries[entry]; }

    /// The entry for the `order`-th of `last` + 1 events spread evenly over the map: 0 for the
    /// first, Entries - 1 for the last (0 when there is only one).
    static std::size_t entryFor(std::uint64_t order, std::uint64_t last)
    {
        return last == 0 ? 0 : static_cast<std::size_t>(order * (Entries - 1) / last);
    }

private:
    static const std::array<Rgb, Entries> ViridisEntries;
};
