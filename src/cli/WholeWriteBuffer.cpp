#include "WholeWriteBuffer.h"

#include <cerrno>
#include <unistd.h>

WholeWriteBuffer::int_type WholeWriteBuffer::overflow(int_type character)
{
    if (!traits_type::eq_int_type(character, traits_type::eof()))
        held_.push_back(traits_type::to_char_type(character));
    return traits_type::not_eof(character);
}

std::streamsize WholeWriteBuffer::xsputn(const char* text, std::streamsize count)
{
    held_.append(text, static_cast<std::size_t>(count));
    return count;
}

int WholeWriteBuffer::sync()
{
    std::size_t written = 0;
    // One call takes it all unless the file is full, over a size limit or a signal came in the
    // middle of a pipe's write: then the rest goes after it, the best that can still be done.
    while (written < held_.size()) {
        const ssize_t taken = ::write(descriptor_, held_.data() + written, held_.size() - written);
        if (taken < 0 && errno == EINTR)
            continue;
        if (taken <= 0) {
            held_.clear();
            return -1;
        }
        written += static_cast<std::size_t>(taken);
    }
    held_.clear();
    return 0;
}
