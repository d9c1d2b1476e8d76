#pragma once

#include <QString>
#include <QStringList>

/// The picture formats that the save dialog lists and its preview shows, in the order the
/// dialog's filter lists them: Bitmaps, Icons, Enhanced Metafiles, Metafiles. Whatever the
/// entry chosen, the program writes BMP content, or PNG for a name ending in ".png" (which no
/// entry lists).
class PictureFormats {
public:
    /// The five filter entries: "All" with the four patterns joined by semicolons, then one
    /// entry per format, each "Description (*.ext)".
    static QStringList nameFilters();
    /// The file patterns of filter entry `index` (0-based): entry 0 has all four.
    static QStringList patternsOf(int index);
    /// Whether a file name's suffix (without the full stop) names one of the formats, in any case.
    static bool isPictureSuffix(const QString& suffix);
};
