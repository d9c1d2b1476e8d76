#include "Ensemble.h"

#include "OrderedRunPool.h"

#include <chrono>

namespace {

/// How long the ensemble's own thread waits for a result before it asks its hooks again.
constexpr std::chrono::milliseconds PollInterval{100};

} // namespace

bool Ensemble::run(const RunJob& job, const Hooks& hooks) const
{
    OrderedRunPool<RunResult> pool(runs_, jobs_, job);
    while (!pool.allHandedBack()) {
        for (auto result = pool.next(PollInterval); result; result = pool.next(std::chrono::milliseconds(0)))
            hooks.take(*result);
        if (hooks.stopWanted()) {
            pool.cancel();
            hooks.stopping();
            pool.join();
            for (const RunResult& result : pool.takeRest())
                hooks.take(result);
            return false;
        }
        hooks.progress(pool.done(), pool.running());
    }
    return true;
}
