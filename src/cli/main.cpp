// dla-grow: grows diffusion-limited aggregation pictures without a window (one, or an ensemble
// of seeds on several threads) and writes them as BMP or PNG files, with particle lists and
// summaries; or sums up summaries with --aggregate. Its exit statuses are those of ExitStatus.

#include "AggregateCommand.h"
#include "memory/AvailableMemory.h"
#include "Ensemble.h"
#include "EnsembleReport.h"
#include "ExitStatus.h"
#include "lattice/FieldSizeError.h"
#include "GrowOptions.h"
#include "GrowRequest.h"
#include "GrowthMode.h"
#include "GrowthRun.h"
#include "JobCount.h"
#include "OneLineText.h"
#include "ProgressBar.h"
#include "RunPlan.h"
#include "files/SaveError.h"
#include "StopSignals.h"
#include "UsageError.h"
#include "WholeWriteBuffer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

int fail(const std::string& message, int status)
{
    std::cerr << "dla-grow: " << OneLineText::of(message) << '\n';
    return status;
}

/// Whether standard input was closed when dla-grow started (it then holds /dev/null).
bool standardInputClosed = false;

/// A closed standard stream would hand its number to the next file opened, and the summary
/// would land in the picture. A closed standard output gets a stand-in that takes no writes, so
/// the summary still fails as it should; the others get /dev/null.
void holdStandardStreams()
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == STDIN_FILENO)
            standardInputClosed = true;
        const int standIn = open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (standIn >= 0 && standIn != fd) {
            dup2(standIn, fd);
            close(standIn);
        }
    }
}

/// Output that did not reach its reader is a failure: the summary is the data a script runs
/// dla-grow for. The picture, if any, stays written.
int deliverOutput(int status)
{
    if (std::cout.flush())
        return status;
    fail("Cannot write to standard output", ExitStatus::OutputLost);
    return status == ExitStatus::Written ? ExitStatus::OutputLost : status;
}

/// A progress bar is drawn on a terminal only, and never with --quiet.
bool progressWanted(const GrowRequest& request)
{
    return !request.quiet && isatty(STDERR_FILENO) == 1;
}

/// Refuses before anything grows what the plan cannot carry out: status 2 (1 for a folder no
/// file can be written to), or 0 when it can.
int checkPlan(const RunPlan& plan)
{
    try {
        plan.check();
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitStatus::BadInput);
    } catch (const UsageError& error) {
        return fail(error.what(), ExitStatus::BadInput);
    } catch (const SaveError& error) {
        return fail(error.what(), ExitStatus::NotWritten);
    }
    return ExitStatus::Written;
}

int grow(const GrowRequest& request)
{
    const RunPlan plan(request);
    if (const int refused = checkPlan(plan))
        return refused;
    const GrowRequest run = plan.requestOf(0);
    std::unique_ptr<GrowthRun> growth;
    try {
        growth = run.mode->makeRun(run);
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitStatus::BadInput);
    }
    try {
        growth->checkWritable();
    } catch (const SaveError& error) {
        return fail(error.what(), ExitStatus::NotWritten);
    }
    ProgressBar bar(std::cerr, ProgressBar::terminalColumns(STDERR_FILENO));
    const RunResult result = growth->run(progressWanted(request) ? &bar : nullptr, nullptr);
    for (const std::string& error : result.errors)
        fail(error, ExitStatus::NotWritten);
    // A run grown (its picture, if any, written) is told, also when its particle list could not be.
    if (result.summarised())
        std::cout << (request.json ? result.json() : result.line()) << '\n' << std::flush;
    return result.end == RunResult::End::Written ? ExitStatus::Written : ExitStatus::NotWritten;
}

/// One run of an ensemble, on one of its threads: its own state and random source, its own
/// file names, no progress bar of its own. Whatever keeps it from being written (no memory
/// left for its picture, a file that cannot be made) is told for this run alone.
RunResult growForEnsemble(const RunPlan& plan, std::uint64_t index, const std::atomic<bool>& cancelled)
{
    const GrowRequest run = plan.requestOf(index);
    try {
        const std::unique_ptr<GrowthRun> growth = run.mode->makeRun(run);
        growth->checkWritable();
        return growth->run(nullptr, &cancelled);
    } catch (const std::exception& error) {
        RunResult result = RunResult::of(run);
        result.end = RunResult::End::NotWritten;
        result.errors.push_back(error.what());
        return result;
    }
}

/// The ensemble of --runs: runs with the seeds S, S + 1, ... (modulo 2^32), a few at once, each
/// with its own state and random source, so its picture is the one a single run with its seed
/// makes; summaries in seed order, then the aggregate. SIGINT, SIGTERM or SIGHUP stop the runs
/// in progress, let the saves in progress finish, tell the finished runs and then end the
/// process by that signal. Summaries that standard output can no longer take stop it too (the
/// finished runs' files kept); deliverOutput then tells the lost output.
int growEnsemble(const GrowRequest& request)
{
    const RunPlan plan(request);
    if (const int refused = checkPlan(plan))
        return refused;
    // Before any worker starts and before the memory is counted: the workers' stacks and
    // malloc's arenas are part of what a run costs.
    JobCount::setUpWorkers();
    if (plan.memoryOfOneRun() > AvailableMemory::bytes())
        return fail(request.mode->memoryRefusal(request), ExitStatus::BadInput);
    const RunPlan::Jobs jobs = plan.jobs();
    if (jobs.fitting < jobs.wanted)
        std::cerr << "dla-grow: " << jobs.wanted << " runs at once would not fit in memory; growing " << jobs.fitting
                  << " at once\n";

    ProgressBar bar(std::cerr, ProgressBar::terminalColumns(STDERR_FILENO));
    EnsembleReport report(*request.mode, plan.runs(), request.json, std::cout, std::cerr,
                          progressWanted(request) ? &bar : nullptr);
    // Made before the ensemble's threads start, so they inherit the blocked signals.
    StopSignals stopSignals;
    int stoppedBy = 0;
    Ensemble::Hooks hooks;
    hooks.take = [&report](const RunResult& result) { report.tell(result); };
    hooks.stopWanted = [&] {
        if (const int signal = stopSignals.take())
            stoppedBy = signal;
        // Summaries nobody can read any more: growing on would spend every run left for nothing.
        return stoppedBy != 0 || report.outputLost();
    };
    hooks.stopping = [&stopSignals] { stopSignals.release(); };
    hooks.progress = [&report](std::uint64_t done, std::uint64_t running) { report.drawProgress(done, running); };
    Ensemble(plan.runs(), jobs.fitting)
        .run([&plan](std::uint64_t index, const std::atomic<bool>& cancelled) {
            return growForEnsemble(plan, index, cancelled);
        }, hooks);
    report.tellAggregate();
    if (stoppedBy != 0)
        StopSignals::endBy(stoppedBy);
    return report.status();
}

int run(int argc, char** argv)
{
    std::optional<GrowOptions> options;
    try {
        options = GrowOptions::parse(argc, argv, std::cout);
    } catch (const UsageError& error) {
        return fail(error.what(), ExitStatus::BadInput);
    }
    if (!options)
        return ExitStatus::Written;
    if (!options->aggregate.empty())
        return aggregateSummaries(options->aggregate, options->seeds, options->request.json,
                                  standardInputClosed ? nullptr : &std::cin, std::cout, std::cerr);
    try {
        return options->request.runs ? growEnsemble(options->request) : grow(options->request);
    } catch (const std::exception& error) {
        return fail(error.what(), ExitStatus::NotWritten);
    }
}

} // namespace

int main(int argc, char** argv)
{
    holdStandardStreams();
    // A reader that has gone makes a write fail with EPIPE instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Each summary line is flushed on its own, so it reaches standard output in one write and
    // the summaries of runs appending to one file cannot interleave.
    WholeWriteBuffer standardOutput(STDOUT_FILENO);
    std::streambuf* const previous = std::cout.rdbuf(&standardOutput);
    const int status = deliverOutput(run(argc, argv));
    std::cout.rdbuf(previous);
    return status;
}
