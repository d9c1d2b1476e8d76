#include "PictureFormats.h"

#include <iterator>

namespace {
struct PictureFormat {
    const char* extension;
    const char* description;
};

constexpr PictureFormat Formats[] = {
    {"bmp", "Bitmaps"},
    {"ico", "Icons"},
    {"emf", "Enhanced Metafiles"},
    {"wmf", "Metafiles"},
};
constexpr int FormatCount = static_cast<int>(std::size(Formats));

QString patternOf(const PictureFormat& format)
{
    return QStringLiteral("*.") + QLatin1String(format.extension);
}

QString filterEntry(const QString& description, const QString& pattern)
{
    return QStringLiteral("%1 (%2)").arg(description, pattern);
}
} // namespace

QStringList PictureFormats::nameFilters()
{
    QStringList entries{filterEntry(QStringLiteral("All"), patternsOf(0).join(QLatin1Char(';')))};
    for (const PictureFormat& format : Formats)
        entries << filterEntry(QLatin1String(format.description), patternOf(format));
    return entries;
}

QStringList PictureFormats::patternsOf(int index)
{
    if (index > 0 && index <= FormatCount)
        return {patternOf(Formats[index - 1])};
    QStringList patterns;
    for (const PictureFormat& format : Formats)
        patterns << patternOf(format);
    return patterns;
}

bool PictureFormats::isPictureSuffix(const QString& suffix)
{
    for (const PictureFormat& format : Formats) {
        if (suffix.compare(QLatin1String(format.extension), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
