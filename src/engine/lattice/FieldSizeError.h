#pragma once

#include <stdexcept>
#include <string>

/// Thrown when a picture cannot be given a size: too large for the memory available, too large
/// for a BMP file, or not a positive size. Whatever threw it has changed nothing.
class FieldSizeError : public std::runtime_error {
public:
    explicit FieldSizeError(const std::string& message) : std::runtime_error(message) {}
};
