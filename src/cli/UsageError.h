#pragma once

#include <stdexcept>
#include <string>

/// Bad input on dla-grow's command line. Its message is one line that says what was wrong;
/// dla-grow prints it and exits with status 2 before anything is grown or written.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};
