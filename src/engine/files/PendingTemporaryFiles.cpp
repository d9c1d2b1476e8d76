#include "files/PendingTemporaryFiles.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

enum SlotState : int {
    Free,     ///< nobody's
    Filling,  ///< its owner is writing the name; not to be read
    Listed,   ///< a file to remove should a signal come
    Removing, ///< the signal handler has it; its owner leaves it alone
};

/// One listed file. The state is the only field read across threads and by the handler: the
/// name is written while the slot is Filling and read only after the state says Listed.
struct Slot {
    std::atomic<int> state{Free};
    int folderFd = -1;
    char name[PendingTemporaryFiles::NameCapacity] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free slots");

// The one process-wide table: a signal handler can reach nothing else. Zero-initialised, so it
// is ready before any constructor runs.
std::array<Slot, PendingTemporaryFiles::Capacity> slots;
// Where the next search for a free slot starts, so threads do not all contend for slot 0.
std::atomic<std::size_t> nextSlot{0};

constexpr int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP};

void writeName(Slot& slot, const char* name)
{
    std::strncpy(slot.name, name, PendingTemporaryFiles::NameCapacity - 1);
    slot.name[PendingTemporaryFiles::NameCapacity - 1] = '\0';
}

extern "C" void removeFilesThenEnd(int signal)
{
    const int savedErrno = errno;
    PendingTemporaryFiles::removeAll();
    // The signal is blocked while its handler runs: raised again with its default action, it
    // ends the process as soon as the handler returns, and the exit status tells the signal.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signal, &defaultAction, nullptr);
    raise(signal);
    errno = savedErrno;
}

void installHandlerFor(int signal)
{
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0)
        return;
    const bool programsOwn = (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL;
    if (programsOwn) // ignored (nohup) or handled by the program itself
        return;
    struct sigaction handler {};
    handler.sa_handler = removeFilesThenEnd;
    sigemptyset(&handler.sa_mask);
    for (const int other : HandledSignals)
        sigaddset(&handler.sa_mask, other); // one clean-up at a time
    handler.sa_flags = SA_RESTART;
    sigaction(signal, &handler, nullptr);
}

} // namespace

void PendingTemporaryFiles::installHandlers()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        for (const int signal : HandledSignals)
            installHandlerFor(signal);
    });
}

int PendingTemporaryFiles::add(int folderFd, const char* name)
{
    const std::size_t start = nextSlot.fetch_add(1, std::memory_order_relaxed);
    for (std::size_t i = 0; i < Capacity; ++i) {
        const std::size_t index = (start + i) % Capacity;
        Slot& slot = slots[index];
        int expected = Free;
        if (!slot.state.compare_exchange_strong(expected, Filling, std::memory_order_acquire))
            continue;
        slot.folderFd = folderFd;
        writeName(slot, name);
        slot.state.store(Listed, std::memory_order_release);
        return static_cast<int>(index);
    }
    return -1;
}

void PendingTemporaryFiles::rename(int slotIndex, const char* name)
{
    if (slotIndex < 0)
        return;
    Slot& slot = slots[static_cast<std::size_t>(slotIndex)];
    int expected = Listed;
    if (!slot.state.compare_exchange_strong(expected, Filling, std::memory_order_acquire))
        return; // the handler is ending the process
    writeName(slot, name);
    slot.state.store(Listed, std::memory_order_release);
}

void PendingTemporaryFiles::remove(int slotIndex)
{
    if (slotIndex < 0)
        return;
    int expected = Listed;
    slots[static_cast<std::size_t>(slotIndex)].state.compare_exchange_strong(expected, Free,
                                                                            std::memory_order_release);
}

void PendingTemporaryFiles::removeAll() noexcept
{
    for (Slot& slot : slots) {
        int expected = Listed;
        if (slot.state.compare_exchange_strong(expected, Removing, std::memory_order_acquire))
            unlinkat(slot.folderFd, slot.name, 0);
    }
}
