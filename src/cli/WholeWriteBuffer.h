#pragma once

#include <streambuf>
#include <string>

/// An output buffer on a file descriptor that hands everything written since the last flush to
/// the kernel in one write() call, whatever its length (the C library's buffer splits anything
/// longer than itself into several). Flushed after each line, a line is one write: appends of
/// several processes to one file (O_APPEND) never interleave inside a line, and a reader of a
/// pipe or socket gets each line whole.
///
/// The text is held until the flush, so it suits output flushed line by line or at the end.
class WholeWriteBuffer : public std::streambuf {
public:
    explicit WholeWriteBuffer(int descriptor) : descriptor_(descriptor) {}
    WholeWriteBuffer(const WholeWriteBuffer&) = delete;
    WholeWriteBuffer& operator=(const WholeWriteBuffer&) = delete;

protected:
    int_type overflow(int_type character) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    /// Writes what is held; -1 when the descriptor did not take all of it (what it took is
    /// gone, the rest is dropped, as a failed stream's text is).
    int sync() override;

private:
    int descriptor_;
    std::string held_;
};
