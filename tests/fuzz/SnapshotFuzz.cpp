// libFuzzer target of the snapshot reader: any bytes, read as a snapshot file, must be
// refused with a reason or accepted, never crash or hang; and what is accepted must write
// back as a text that reads to the same records.
#include "run/RouterSnapshot.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using VLQLWizUIControl::RouterSnapshot;
    // Through ReadFile, so that its checks of the file (size, kind) are fuzzed too; a
    // memory file keeps the disk out of it.
    const int fd = ::memfd_create("snapshot", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    RouterSnapshot kept, again;
    std::string error;
    const bool read = RouterSnapshot::ReadFile("/proc/self/fd/" + std::to_string(fd), kept, error);
    ::close(fd);
    if (!read && error.empty())
        std::abort();
    if (read && (!RouterSnapshot::Parse(kept.Text(), again, error) || again.Text() != kept.Text()))
        std::abort();
    return 0;
}
