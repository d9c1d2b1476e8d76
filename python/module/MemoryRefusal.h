#pragma once

#include <stdexcept>
#include <string>

/// A growth refused before it starts because the memory cannot hold it; raised in Python as
/// MemoryError with dla-grow's message.
class MemoryRefusal : public std::runtime_error {
public:
    explicit MemoryRefusal(const std::string& message) : std::runtime_error(message) {}
};
