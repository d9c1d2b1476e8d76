#pragma once

#include <cstdint>

/// Bytes the process can still allocate without pushing the machine into swapping or the
/// out-of-memory killer: the kernel's MemAvailable, lowered by an address-space limit if one is
/// set. Where neither can be read, a very large number.
std::uint64_t availableMemoryBytes();
