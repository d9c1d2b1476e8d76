#include "Ensemble.h"

#include "GrowHost.h"
#include "OneLineText.h"
#include "OrderedRunPool.h"
#include "StopSignals.h"

#include <string>

namespace {

constexpr int ExitWritten = 0;
constexpr int ExitNotWritten = 1;
/// How long the ensemble's own thread waits for a result before it looks at signals and the bar.
constexpr std::chrono::milliseconds PollInterval{100};

} // namespace

int Ensemble::run(const RunJob& job)
{
    StopSignals stopSignals;
    started_ = std::chrono::steady_clock::now();
    int stoppedBy = 0;
    {
        OrderedRunPool<RunOutcome> pool(settings_.runs, settings_.jobs,
                                        [this, &job](std::uint64_t index, const std::atomic<bool>& cancelled) {
                                            return job(seedOf(settings_.firstSeed, index), cancelled);
                                        });
        while (!pool.allHandedBack()) {
            for (auto outcome = pool.next(PollInterval); outcome; outcome = pool.next(std::chrono::milliseconds(0)))
                tell(*outcome);
            stoppedBy = stopSignals.take();
            // Summaries nobody can read any more (a closed pipe, a full disk): growing on would
            // spend every run left for nothing, so the ensemble stops as for a signal, keeping
            // what has finished, and dla-grow then tells the lost output.
            const bool outputLost = !out_;
            if (stoppedBy != 0 || outputLost) {
                pool.cancel();
                stopSignals.release();
                pool.join();
                for (const RunOutcome& outcome : pool.takeRest())
                    tell(outcome);
                break;
            }
            drawProgress(pool.done(), pool.running());
        }
    }
    tellAggregate();
    if (stoppedBy != 0)
        StopSignals::endBy(stoppedBy);
    return anyNotWritten_ ? ExitNotWritten : ExitWritten;
}

void Ensemble::tell(const RunOutcome& outcome)
{
    if (bar_ != nullptr)
        bar_->clear();
    switch (outcome.end) {
    case RunOutcome::End::Written:
        // Flushed run by run: a consumer sees each summary at once, and an ensemble ended from
        // outside loses none that was told.
        out_ << outcome.report << '\n' << std::flush;
        aggregate_.add(outcome.figures);
        break;
    case RunOutcome::End::NotWritten:
        errors_ << "dla-grow: seed " << outcome.seed << ": " << OneLineText::of(outcome.error) << '\n' << std::flush;
        anyNotWritten_ = true;
        break;
    case RunOutcome::End::Stopped:
        break;
    }
}

void Ensemble::tellAggregate()
{
    if (bar_ != nullptr)
        bar_->clear();
    if (settings_.runs < 2 || aggregate_.runs() == 0)
        return;
    out_ << (settings_.json ? aggregate_.json() : aggregate_.line()) << '\n' << std::flush;
}

void Ensemble::drawProgress(std::uint64_t done, std::uint64_t running)
{
    if (bar_ == nullptr)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - started_ < GrowHost::firstDrawDelay() || (bar_->shown() && now - lastDrawn_ < GrowHost::RedrawInterval))
        return;
    lastDrawn_ = now;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - started_).count();
    bar_->draw(static_cast<double>(done) / settings_.runs,
               std::to_string(done) + " of " + std::to_string(settings_.runs) + " runs done, " + std::to_string(running) +
                   " in progress  " + std::to_string(seconds) + " s");
}
