#pragma once

#include <stdexcept>
#include <string>

/// A save that failed: "Cannot create file <name>" or "Stream write error". The file that was
/// there before, if any, is untouched.
class SaveError : public std::runtime_error {
public:
    explicit SaveError(const std::string& message) : std::runtime_error(message) {}
};
