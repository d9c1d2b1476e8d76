#include "RunFileName.h"

#include <string_view>

namespace {

/// Where "-SEED" goes: before the extension of the name's last part, or at its end when that
/// part has none (a leading full stop marks a hidden file, not an extension).
std::size_t extensionStart(const std::string& name)
{
    const auto slash = name.rfind('/');
    const std::size_t partStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot <= partStart)
        return name.size();
    return dot;
}

} // namespace

std::string RunFileName::forSeed(const std::string& name, std::uint32_t seed, bool markEveryName)
{
    const std::string seedText = std::to_string(seed);
    const std::string_view field(SeedField);
    std::string result;
    bool replaced = false;
    std::size_t from = 0;
    for (auto at = name.find(field); at != std::string::npos; at = name.find(field, from)) {
        result.append(name, from, at - from).append(seedText);
        from = at + field.size();
        replaced = true;
    }
    result.append(name, from, std::string::npos);
    if (replaced || !markEveryName)
        return result;
    return result.insert(extensionStart(result), "-" + seedText);
}
