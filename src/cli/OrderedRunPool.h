#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

/// Runs jobs 0 .. count - 1 on a few threads and hands their results back in index order,
/// whatever order they finish in. A result waits only until those before it are handed back,
/// so memory holds the results that finished early, not all of them.
///
/// Each job gets its index and the pool's cancel flag; a cancelled pool starts no more jobs,
/// and a job in progress may end early by watching the flag. The threads are joined when the
/// pool is destroyed.
template <class Result>
class OrderedRunPool {
public:
    using Job = std::function<Result(std::uint64_t index, const std::atomic<bool>& cancelled)>;

    /// Starts `threads` threads (at least one, and no more than there are jobs).
    OrderedRunPool(std::uint64_t count, int threads, Job job) : count_(count), job_(std::move(job))
    {
        const auto wanted = std::max<std::uint64_t>(1, std::min<std::uint64_t>(count, static_cast<std::uint64_t>(std::max(threads, 1))));
        workers_.reserve(static_cast<std::size_t>(wanted));
        for (std::uint64_t i = 0; i < wanted; ++i)
            workers_.emplace_back([this] { work(); });
    }

    ~OrderedRunPool()
    {
        cancel();
        join();
    }

    OrderedRunPool(const OrderedRunPool&) = delete;
    OrderedRunPool& operator=(const OrderedRunPool&) = delete;

    /// The next result in index order, waiting for it up to `timeout`; empty when it has not
    /// come by then, or when every job has been handed back. A job that threw has its exception
    /// rethrown here, in its turn.
    std::optional<Result> next(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        const bool ready = finishedOne_.wait_for(lock, timeout, [this] {
            return handedBack_ == count_ || finished_.count(handedBack_) != 0;
        });
        if (!ready || handedBack_ == count_)
            return std::nullopt;
        return takeLocked(handedBack_++);
    }

    /// Every job handed back by next().
    bool allHandedBack() const
    {
        std::lock_guard lock(mutex_);
        return handedBack_ == count_;
    }

    /// Starts no more jobs and raises the flag the jobs in progress see.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

    /// Waits until every thread has ended (after cancel(), once the jobs in progress end).
    void join()
    {
        for (auto& worker : workers_)
            if (worker.joinable())
                worker.join();
    }

    /// After join(): the results not yet handed back, in index order, leaving out the jobs that
    /// never ran. Exceptions of jobs that threw are rethrown here.
    std::vector<Result> takeRest()
    {
        std::lock_guard lock(mutex_);
        std::vector<Result> rest;
        while (!finished_.empty())
            rest.push_back(takeLocked(finished_.begin()->first));
        handedBack_ = count_;
        return rest;
    }

    /// Jobs finished so far, handed back or not.
    std::uint64_t done() const
    {
        std::lock_guard lock(mutex_);
        return done_;
    }
    /// Jobs in progress now.
    std::uint64_t running() const
    {
        std::lock_guard lock(mutex_);
        return running_;
    }

private:
    struct Outcome {
        std::optional<Result> result;
        std::exception_ptr error;
    };

    void work()
    {
        for (;;) {
            std::uint64_t index = 0;
            {
                std::lock_guard lock(mutex_);
                if (cancelled_ || started_ == count_)
                    return;
                index = started_++;
                ++running_;
            }
            Outcome outcome;
            try {
                outcome.result.emplace(job_(index, cancelled_));
            } catch (...) {
                outcome.error = std::current_exception();
            }
            {
                std::lock_guard lock(mutex_);
                finished_.emplace(index, std::move(outcome));
                --running_;
                ++done_;
            }
            finishedOne_.notify_all();
        }
    }

    Result takeLocked(std::uint64_t index)
    {
        auto found = finished_.find(index);
        Outcome outcome = std::move(found->second);
        finished_.erase(found);
        if (outcome.error)
            std::rethrow_exception(outcome.error);
        return std::move(*outcome.result);
    }

    const std::uint64_t count_;
    const Job job_;
    std::atomic<bool> cancelled_{false};
    mutable std::mutex mutex_;
    std::condition_variable finishedOne_;
    std::uint64_t started_ = 0;
    std::uint64_t running_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t handedBack_ = 0;
    std::map<std::uint64_t, Outcome> finished_;
    std::vector<std::thread> workers_;
};
