#include "EnsembleReport.h"

#include "ExitStatus.h"
#include "OneLineText.h"

#include <string>

EnsembleReport::EnsembleReport(const GrowthMode& mode, std::uint64_t runs, bool json, std::ostream& out,
                               std::ostream& errors, ProgressBar* bar)
    : runs_(runs), json_(json), out_(out), errors_(errors), bar_(bar), aggregate_(mode)
{
    pace_.start();
}

void EnsembleReport::tell(const RunResult& result)
{
    clearBar();
    switch (result.end) {
    case RunResult::End::Written:
        out_ << (json_ ? result.json() : result.line()) << '\n' << std::flush;
        aggregate_.add(result);
        break;
    case RunResult::End::NotWritten:
        for (const std::string& error : result.errors)
            errors_ << "dla-grow: seed " << result.seed << ": " << OneLineText::of(error) << '\n' << std::flush;
        anyNotWritten_ = true;
        // A run grown (its picture, if any, written) is told and summed up, also when its
        // particle list could not be.
        if (result.summarised()) {
            out_ << (json_ ? result.json() : result.line()) << '\n' << std::flush;
            aggregate_.add(result);
        }
        break;
    case RunResult::End::Stopped:
        break;
    }
}

void EnsembleReport::tellAggregate()
{
    clearBar();
    if (runs_ < 2 || aggregate_.runs() == 0)
        return;
    out_ << (json_ ? aggregate_.json() : aggregate_.line()) << '\n' << std::flush;
}

void EnsembleReport::drawProgress(std::uint64_t done, std::uint64_t running)
{
    if (bar_ == nullptr || !pace_.due(bar_->shown()))
        return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(pace_.elapsed()).count();
    bar_->draw(static_cast<double>(done) / static_cast<double>(runs_),
               std::to_string(done) + " of " + std::to_string(runs_) + " runs done, " + std::to_string(running) +
                   " in progress  " + std::to_string(seconds) + " s");
}

int EnsembleReport::status() const
{
    return anyNotWritten_ ? ExitStatus::NotWritten : ExitStatus::Written;
}

void EnsembleReport::clearBar()
{
    if (bar_ != nullptr)
        bar_->clear();
}
