#include "InterruptPoll.h"

void InterruptPoll::poll()
{
    const auto now = std::chrono::steady_clock::now();
    if (stopped() || now - last_ < Interval)
        return;
    last_ = now;
    pybind11::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
        error_.emplace(); // takes the exception out of the thread's error indicator
        stop_.store(true, std::memory_order_relaxed);
    }
}

void InterruptPoll::raiseIfInterrupted()
{
    // A signal that came after the last poll is handled here, before the result is handed over.
    if (!error_ && PyErr_CheckSignals() != 0)
        throw pybind11::error_already_set();
    if (error_) {
        pybind11::error_already_set error = std::move(*error_);
        error_.reset();
        throw error;
    }
}
