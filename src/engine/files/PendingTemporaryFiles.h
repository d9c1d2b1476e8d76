#pragma once

#include <cstddef>

/// The temporary files of the saves in progress, kept in a fixed table that a signal handler can
/// read without allocating or locking. When SIGINT, SIGTERM or SIGHUP ends the process, the
/// handler removes every listed file first and then lets the signal take its default course, so
/// the exit status still tells the signal and no half-written temporary file stays behind.
///
/// The table has room for Capacity files at once, enough for a thousand threads each writing a
/// picture and a second file; a save beyond that goes on without the signal's clean-up.
class PendingTemporaryFiles {
public:
    static constexpr std::size_t Capacity = 4096;
    /// Room for a temporary file's name, its final zero included.
    static constexpr std::size_t NameCapacity = 32;

    /// Installs the handlers for SIGINT, SIGTERM and SIGHUP, once per process. A signal the
    /// program ignores, or handles with a handler of its own, is left as it is: such a program
    /// ends its saves itself (and may call removeAll() from its handler).
    static void installHandlers();

    /// Lists the file `name` (shorter than NameCapacity) in the folder open as `folderFd`, before
    /// it is created, so a signal cannot come between its creation and its listing. Returns the
    /// slot to pass to the other calls, or -1 when the table is full.
    static int add(int folderFd, const char* name);
    /// Gives a listed slot another name (a new try after a name that was taken).
    static void rename(int slot, const char* name);
    /// Takes the file off the list (after it was renamed into place or removed). -1 is ignored.
    static void remove(int slot);

    /// Removes every listed file. Async-signal-safe.
    static void removeAll() noexcept;
};
