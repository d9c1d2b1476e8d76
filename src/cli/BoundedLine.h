#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

/// Reads text line by line without ever holding more than a bound of one line, so no input can
/// make the reader take more memory than the bound. A longer line is where reading stops: the
/// stream is left within it.
class BoundedLine {
public:
    enum class Read {
        Line,    ///< `line` holds the next line, without its line break
        TooLong, ///< the next line is longer than the bound; the stream is left within it
        End      ///< no line left (or the stream failed: see its bad())
    };

    /// Lines of at most `limit` bytes.
    explicit BoundedLine(std::size_t limit) : buffer_(limit + 2) {}

    /// The next line of `in`.
    Read next(std::istream& in, std::string& line);

private:
    // Room for one byte past the bound, so a line of exactly the bound ends at its line break
    // rather than at a full buffer.
    std::vector<char> buffer_;
};
