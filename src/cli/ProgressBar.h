#pragma once

#include <ostream>
#include <string>

/// One line on a terminal, redrawn in place: a bar filled to a fraction, the percentage and a
/// short text. Meant for standard error while a long run goes on.
class ProgressBar {
public:
    static constexpr int BarWidth = 30;

    /// Draws on `out`, never wider than `columns` characters.
    explicit ProgressBar(std::ostream& out, int columns = 80) : out_(out), columns_(columns) {}

    /// Replaces the line: the bar filled to `fraction` (taken as 0 to 1), then `text`.
    void draw(double fraction, const std::string& text);
    /// Removes the line, if one is shown, leaving the cursor at the start of an empty line.
    void clear();
    bool shown() const { return shown_; }

    /// The line draw() shows, without the control characters around it: "[####      ]  40%  text",
    /// cut to `columns` - 1 characters so the terminal never wraps it.
    static std::string render(double fraction, const std::string& text, int columns);

    /// The width of the terminal on file descriptor `fd`, or 80 when it cannot be told.
    static int terminalColumns(int fd);

private:
    std::ostream& out_;
    int columns_;
    bool shown_ = false;
};
