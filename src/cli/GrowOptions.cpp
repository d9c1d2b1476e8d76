#include "GrowOptions.h"

#include "files/BmpFile.h"
#include "files/StreamTarget.h"
#include "JobCount.h"
#include "ModeTable.h"
#include "SummaryKeys.h"
#include "SystemSeed.h"
#include "UsageError.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <map>
#include <limits>

namespace {

/// `text` as a plain decimal number (an optional minus sign, then digits, nothing else), if it
/// is one that fits in T. Unlike strtol this takes no blanks, no plus sign, no hex or octal.
template <class T>
std::optional<T> decimal(std::string_view text)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

/// "10 to 1000000": the sides a picture may have.
std::string sideRange()
{
    return std::to_string(FieldSize::MinimumSide) + " to " + std::to_string(FieldSize::MaximumSide);
}

std::string sizeName(FieldSize size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

UsageError badSize(const std::string& text)
{
    return UsageError("--size must be WxH with W and H whole numbers from " + sideRange() + ", not '" + text + "'");
}

std::int32_t sideOf(std::string_view text, const std::string& whole)
{
    const auto side = decimal<std::int64_t>(text);
    if (!side || *side < FieldSize::MinimumSide || *side > FieldSize::MaximumSide)
        throw badSize(whole);
    return static_cast<std::int32_t>(*side);
}

/// Reads the chosen mode's own options into its settings, once; an option of another mode is
/// refused.
void takeModeOptions(GrowRequest& request, const std::vector<CLI::Option*>& modeOptions,
                     const std::map<std::string, std::string>& texts)
{
    const auto& own = request.mode->options;
    ModeOptionTexts given;
    for (const CLI::Option* option : modeOptions) {
        if (option->count() == 0)
            continue;
        const std::string name = option->get_name();
        if (std::none_of(own.begin(), own.end(), [&name](const ModeOption& mine) { return mine.name == name; }))
            throw UsageError(name + " is not an option of the " + std::string(request.mode->name) + " mode");
        given[name] = texts.at(name);
    }
    if (request.mode->readSettings != nullptr)
        request.modeSettings = request.mode->readSettings(given);
}

/// What the modes' help says in one place, each mode's text in the table's order, a text that
/// two modes share told once, joined by `separator`.
std::string modesSay(std::string_view ModeHelp::*part, std::string_view separator)
{
    std::vector<std::string_view> told;
    std::string text;
    for (const GrowthMode& mode : ModeTable::modes()) {
        const std::string_view says = mode.help.*part;
        if (says.empty() || std::find(told.begin(), told.end(), says) != told.end())
            continue;
        text += (told.empty() ? "" : std::string(separator)) + std::string(says);
        told.push_back(says);
    }
    return text;
}

/// " (what the modes say)" when they say something.
std::string inParentheses(const std::string& text)
{
    return text.empty() ? text : " (" + text + ")";
}

/// `text` broken into lines of at most 79 characters, each after `indent`.
std::string wrapped(const std::string& text, const std::string& indent)
{
    constexpr std::size_t Width = 79;
    std::string out;
    std::string line = indent;
    std::size_t from = 0;
    while (from < text.size()) {
        auto space = text.find(' ', from);
        if (space == std::string::npos)
            space = text.size();
        const std::string word = text.substr(from, space - from);
        if (line.size() > indent.size() && line.size() + 1 + word.size() > Width) {
            out += line + "\n";
            line = indent;
        }
        line += (line.size() > indent.size() ? " " : "") + word;
        from = space + 1;
    }
    return out + line + "\n";
}

/// What `figure` means: its own meaning, then the modes' notes on it, "(offlattice: ...)", or
/// the note alone, "offlattice: ...", for a figure with no meaning of its own. A note that
/// several modes share is told once, after all their names.
std::string meaningOf(SummaryKeys::Figure figure)
{
    std::vector<std::pair<std::string_view, std::string>> notes; // note, the modes that give it
    for (const GrowthMode& mode : ModeTable::modes())
        for (const ModeHelp::FigureNote& note : mode.help.figures) {
            if (note.figure != figure)
                continue;
            const auto same = std::find_if(notes.begin(), notes.end(), [&](const auto& told) { return told.first == note.note; });
            if (same == notes.end())
                notes.emplace_back(note.note, std::string(mode.name));
            else
                same->second += ", " + std::string(mode.name);
        }
    std::string text(SummaryKeys::of(figure).meaning);
    for (const auto& [note, modes] : notes) {
        const std::string told = modes + ": " + std::string(note);
        text += text.empty() ? told : " (" + told + ")";
    }
    return text;
}

/// Every summary figure of every mode, as the key table defines it, and the particle list's
/// parents.
std::string figuresHelp()
{
    std::string text = "Summary (the keys of --json, in their order; a key that does not apply to the\n"
                       "run's mode is null):\n" +
                       wrapped("mode: the growth mode: " + ModeTable::names() + ".", "  ") +
                       wrapped("engine: the version of the growth engine that grew the run (now " +
                                   ModeTable::listed([](const GrowthMode& mode) { return std::string(mode.engine); },
                                                     " or ") +
                                   "); a seed grows the same cluster under the same engine only, and --aggregate "
                                   "sums up runs of one engine only.",
                               "  ") +
                       "  width: the picture's width in pixels.\n"
                       "  height: its height in pixels.\n"
                       "  seed: the seed of the random source; a run with it grows again byte for byte.\n";
    std::vector<SummaryKeys::Figure> told;
    for (const GrowthMode& mode : ModeTable::modes())
        for (const SummaryKeys::Figure figure : mode.figures) {
            if (std::find(told.begin(), told.end(), figure) != told.end())
                continue;
            told.push_back(figure);
            const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
            text += wrapped(std::string(key.key) + ": " + meaningOf(figure) + ".", "  ");
        }
    return text + "  output: the picture's file; null with --no-picture.\n" +
           "  particle_list: with --particles, the particle list's file; null when it could\n"
           "  not be written.\n\n" +
           wrapped("Particle list: " + modesSay(&ModeHelp::particleList, " "), "");
}

/// The modes' example command lines, then the aggregate's.
std::string examples()
{
    std::string text;
    for (const GrowthMode& mode : ModeTable::modes())
        for (const std::string_view example : mode.help.examples)
            text += (text.empty() ? "Examples: " : "          ") + std::string(example) + "\n";
    return text + "          dla-grow --aggregate runs-*.jsonl\n";
}

std::string version()
{
    return std::string("dla-grow ") + DLA_VERSION;
}

} // namespace

FieldSize GrowOptions::parseSize(const std::string& text)
{
    const auto cross = text.find('x');
    if (cross == std::string::npos)
        throw badSize(text);
    const std::string_view whole(text);
    return FieldSize{sideOf(whole.substr(0, cross), text), sideOf(whole.substr(cross + 1), text)};
}

std::uint32_t GrowOptions::parseSeed(const std::string& text)
{
    const auto seed = decimal<std::uint32_t>(text);
    if (!seed)
        throw UsageError("--seed must be a whole number from 0 to 4294967295, not '" + text + "'");
    return *seed;
}

std::int64_t GrowOptions::parsePoints(const std::string& text, const GrowthMode& mode)
{
    const auto points = decimal<std::int64_t>(text);
    if (points && *points >= mode.fewestPoints && *points <= mode.mostPoints)
        return *points;
    // A mode whose range is not the default mode's is named, so the range is not taken for all.
    const GrowthMode& usual = ModeTable::defaultMode();
    const bool ownRange = mode.fewestPoints != usual.fewestPoints || mode.mostPoints != usual.mostPoints;
    throw UsageError("--points must be a whole number from " + std::to_string(mode.fewestPoints) + " to " +
                     std::to_string(mode.mostPoints) +
                     (ownRange ? " for the " + std::string(mode.name) + " mode" : std::string()) + ", not '" + text +
                     "'");
}

std::uint32_t GrowOptions::parseRuns(const std::string& text)
{
    const auto runs = decimal<std::uint32_t>(text);
    if (!runs || *runs < 1 || *runs > MaximumRuns)
        throw UsageError("--runs must be a whole number from 1 to " + std::to_string(MaximumRuns) + ", not '" + text + "'");
    return *runs;
}

SeedRange GrowOptions::parseSeeds(const std::string& text)
{
    const auto dash = text.find('-');
    const auto first = dash == std::string::npos ? std::nullopt : decimal<std::uint32_t>(std::string_view(text).substr(0, dash));
    const auto last = dash == std::string::npos ? std::nullopt : decimal<std::uint32_t>(std::string_view(text).substr(dash + 1));
    if (!first || !last || *first > *last)
        throw UsageError("--seeds must be FIRST-LAST, two seeds from 0 to 4294967295 with FIRST no larger than LAST, "
                         "not '" + text + "'");
    return SeedRange{*first, *last};
}

int GrowOptions::parseJobs(const std::string& text)
{
    const auto jobs = decimal<int>(text);
    if (!jobs || *jobs < JobCount::Minimum || *jobs > JobCount::Maximum)
        throw UsageError("--jobs must be a whole number from " + std::to_string(JobCount::Minimum) + " to " +
                         std::to_string(JobCount::Maximum) + ", not '" + text + "'");
    return *jobs;
}

const GrowthMode& GrowOptions::parseMode(const std::string& text)
{
    if (const GrowthMode* mode = ModeTable::find(text))
        return *mode;
    throw UsageError("--mode must be " + ModeTable::names() + ", not '" + text + "'");
}

PictureColour GrowOptions::parseColour(const std::string& text)
{
    if (text == "white")
        return PictureColour::White;
    if (text == "age")
        return PictureColour::Age;
    throw UsageError("--colour must be white or age, not '" + text + "'");
}

std::optional<GrowOptions> GrowOptions::parse(int argc, const char* const* argv, std::ostream& out)
{
    CLI::App app("Grows a diffusion-limited aggregation cluster and writes it as a 24-bit BMP or PNG file.",
                 "dla-grow");
    // Values are taken as text and read by our own strict readers: CLI11's number conversion
    // would also take blanks, hex and octal ("010" as 8).
    std::string modeText;
    std::string sizeText;
    std::string pointsText;
    std::string seedText;
    std::string outputText;
    std::string colourText;
    std::string particlesText;
    GrowOptions options;
    GrowRequest& request = options.request;
    // An option given twice is told in the program's voice after parsing, not by the parser.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    auto* modeOption =
        app.add_option("-m,--mode", modeText,
                       ModeTable::names() + " (default: " + std::string(ModeTable::defaultMode().name) + ")")
            ->type_name("MODE");
    const std::string sizeNotes = modesSay(&ModeHelp::size, "; ");
    auto* sizeOption = app.add_option("-s,--size", sizeText,
                                      "picture size WxH, each from " + sideRange() + " (default: " +
                                          ModeTable::listed(
                                              [](const GrowthMode& mode) {
                                                  return sizeName(mode.defaultSize) + " for " + std::string(mode.name);
                                              },
                                              ", ") +
                                          (sizeNotes.empty() ? "" : "; " + sizeNotes) + ")")
                           ->type_name("WxH");
    auto* pointsOption = app.add_option("-n,--points", pointsText,
                                        "release N + 1 wanderers instead of growing to the limit; "
                                        "a negative N releases none" +
                                            inParentheses(modesSay(&ModeHelp::points, "; ")))
                             ->type_name("N");
    auto* seedOption = app.add_option("-r,--seed", seedText,
                                      "seed of the random source, 0 to 4294967295 (default: drawn from the "
                                      "system's random source, and told in the summary)")
                           ->type_name("S");
    auto* outputOption = app.add_option("-o,--output", outputText,
                                        "file to write, PNG when its name ends in .png, else BMP; .bmp is added "
                                        "unless the name's fourth character from the end is a full stop "
                                        "(default: " +
                                            ModeTable::listed(
                                                [](const GrowthMode& mode) { return std::string(mode.name) + ".bmp"; },
                                                " or ") +
                                            ")")
                             ->type_name("FILE");
    auto* noPictureOption = app.add_flag("--no-picture")->description(
        "write no picture, only what else is asked for: the particle list, the summary (its output null)");
    auto* colourOption = app.add_option("--colour,--color", colourText,
                                        "white (default): white cluster on black; age: each wanderer in the "
                                        "colour of its release order, dark violet to yellow")
                             ->type_name("COLOUR");
    auto* particlesOption = app.add_option("--particles", particlesText,
                                           "also write the particle list as CSV: index,x,y,parent for every "
                                           "wanderer in release order" +
                                               inParentheses(modesSay(&ModeHelp::particles, "; ")))
                                ->type_name("FILE");
    std::string runsText;
    std::string jobsText;
    auto* runsOption = app.add_option("--runs", runsText,
                                      "grow K pictures with the seeds S, S + 1, ..., S + K - 1; {seed} in a file "
                                      "name becomes the seed, and with K > 1 a name without it gets -SEED "
                                      "before its extension")
                           ->type_name("K");
    auto* jobsOption = app.add_option("--jobs", jobsText,
                                      "with --runs: grow up to J of them at once (default: the processors this "
                                      "process may use; lowered to what the memory holds)")
                           ->type_name("J");
    app.add_flag("--json", request.json, "print the summary as one JSON object");
    auto* aggregateOption =
        app.add_option("--aggregate", options.aggregate,
                       "grow nothing; sum up the JSON Lines run summaries in FILE... ('-' for standard input)")
            ->type_name("FILE")
            ->expected(1, -1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    std::string seedsText;
    auto* seedsOption = app.add_option("--seeds", seedsText,
                                       "with --aggregate: every seed from FIRST to LAST must be summed up, and "
                                       "no other")
                            ->type_name("FIRST-LAST");
    app.add_flag("-q,--quiet", request.quiet, "no progress bar");
    auto* engineOption = app.add_flag("--engine")->description(
        "grow nothing; print the version of the growth engine the other options choose (their summaries' engine)");
    // Each mode's own options; one that two modes share is added once, with both modes' texts.
    std::map<std::string, std::string> modeOptionTexts;
    std::vector<CLI::Option*> modeOptions;
    for (const GrowthMode& mode : ModeTable::modes())
        for (const ModeOption& own : mode.options) {
            const std::string name(own.name);
            if (CLI::Option* shared = app.get_option_no_throw(name))
                shared->description(shared->get_description() + "; " + std::string(own.help));
            else
                modeOptions.push_back(app.add_option(name, modeOptionTexts[name], std::string(own.help))
                                          ->type_name(std::string(own.typeName)));
        }
    app.set_version_flag("--version", version());
    app.footer(examples() +
               "\nExit status: 0 everything was written; 1 the picture or the particle list could\n"
               "not be (the other still is), or with --runs one or more runs could not be (the\n"
               "others are); 2 bad input (nothing grown, nothing written); 3 the pictures were\n"
               "written but standard output could not take the summaries.\n\n" +
               figuresHelp());

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return std::nullopt;
    } catch (const CLI::CallForVersion& request) {
        out << request.what() << '\n';
        return std::nullopt;
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }

    // --aggregate takes at least one file, even one that looks like an option: say how to
    // write it, instead of failing to read a file named "--seeds".
    for (const std::string& file : options.aggregate)
        if (file.size() > 1 && file[0] == '-' && app.get_option_no_throw(file) != nullptr)
            throw UsageError("--aggregate takes its files first: dla-grow --aggregate FILE... " + file + " ...");
    std::vector<const CLI::Option*> once{modeOption,      sizeOption,      pointsOption, seedOption,
                                        outputOption,    colourOption,    particlesOption,
                                        runsOption,      jobsOption,      seedsOption};
    once.insert(once.end(), modeOptions.begin(), modeOptions.end());
    for (const CLI::Option* option : once)
        if (option->count() > 1)
            throw UsageError(option->get_name() + " is given more than once");

    // Summing up grows nothing: an option for growing beside it is a mistake worth telling.
    if (aggregateOption->count() > 0) {
        std::vector<const CLI::Option*> growing{modeOption,   sizeOption,      pointsOption,    seedOption,
                                               outputOption, noPictureOption, colourOption,    particlesOption,
                                               runsOption,   jobsOption,      engineOption};
        growing.insert(growing.end(), modeOptions.begin(), modeOptions.end());
        for (const CLI::Option* option : growing)
            if (option->count() > 0)
                throw UsageError("--aggregate grows nothing and takes no " + option->get_name());
    }

    if (seedsOption->count() > 0) {
        if (aggregateOption->count() == 0)
            throw UsageError("--seeds goes with --aggregate only");
        options.seeds = parseSeeds(seedsText);
    }
    if (jobsOption->count() > 0 && runsOption->count() == 0)
        throw UsageError("--jobs goes with --runs only: a single run grows on one thread");
    if (noPictureOption->count() > 0 && outputOption->count() > 0)
        throw UsageError("--no-picture writes no picture and takes no --output");
    request.mode = modeOption->count() > 0 ? &parseMode(modeText) : &ModeTable::defaultMode();
    request.sizeGiven = sizeOption->count() > 0;
    if (request.sizeGiven)
        request.size = parseSize(sizeText);
    takeModeOptions(request, modeOptions, modeOptionTexts);
    if (pointsOption->count() > 0)
        request.points = parsePoints(pointsText, *request.mode);
    if (!request.sizeGiven)
        request.size = request.mode->sizeWithoutSizeOption != nullptr ? request.mode->sizeWithoutSizeOption(request)
                                                                       : request.mode->defaultSize;
    request.seed = seedOption->count() > 0 ? parseSeed(seedText) : SystemSeed::draw();
    if (runsOption->count() > 0)
        request.runs = parseRuns(runsText);
    if (jobsOption->count() > 0)
        request.jobs = parseJobs(jobsText);
    if (outputOption->count() > 0 && outputText.empty())
        throw UsageError("--output needs a file name");
    if (noPictureOption->count() == 0) {
        const std::string name = outputOption->count() > 0 ? outputText : std::string(request.mode->name) + ".bmp";
        // A device or FIFO (/dev/null, a pipe to a viewer) is written as named: with ".bmp"
        // added the picture would land in a new regular file beside it.
        request.output = StreamTarget::isStream(name) ? name : BmpFile::fileNameFor(name);
    }
    if (colourOption->count() > 0)
        request.colour = parseColour(colourText);
    if (particlesOption->count() > 0) {
        if (particlesText.empty())
            throw UsageError("--particles needs a file name");
        request.particles = particlesText;
    }
    if (engineOption->count() > 0) {
        out << request.mode->engine << '\n';
        return std::nullopt;
    }
    return options;
}
