// Writing a whole buffer to a file descriptor.
#pragma once

#include <cstddef>

namespace platform {

// Writes all `size` bytes, again after a signal cut a write short; false on an error.
bool WriteAll(int fd, const void* data, size_t size);

} // namespace platform
