// A byte-level management client for the simulator's tests: it frames and reads exactly what
// the wire carries (4-byte header: 0x65, type, big-endian signed 16-bit length; payload),
// independent of the command library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

enum : uint8_t { kLogin = 2, kCommand = 4, kStatus = 8, kConsole = 14, kTable = 17 };

struct Frame {
    uint8_t magic = 0;
    uint8_t type = 0;
    int length = 0;       // as the header says, signed
    std::string payload;  // what arrived of it
};

class SimClient {
public:
    SimClient() = default;
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    // 0, or the errno of the failed connect (ECONNREFUSED while another session is open).
    int Connect(int port, const std::string& address = "127.0.0.1");
    void Close();
    bool Connected() const { return fd_ >= 0; }

    bool SendRaw(const std::string& bytes);
    bool Send(uint8_t type, const std::string& payload);
    // Reads one frame; a negative or oversized length reads nothing past the header.
    // False when the connection closed or nothing came within `timeoutMs`.
    bool Read(Frame* frame, long timeoutMs = 5000);
    // True when the peer closes the connection within `timeoutMs` (data before it is dropped).
    bool WaitClosed(long timeoutMs = 5000);
    // True when nothing at all arrives for `ms` and the connection stays open.
    bool QuietFor(long ms);

    // One request with a text payload and its NUL; the reply payload up to its first NUL.
    std::string Exchange(uint8_t type, const std::string& text, bool* ok = nullptr);
    bool Login(const std::string& password);
    std::string Command(const std::string& line) { return Exchange(kCommand, line); }
    std::string Status(const std::string& name) { return Exchange(kStatus, name); }
    std::string Console() { return Exchange(kConsole, ""); }
    // Sends a table request and reads `replies` replies.
    std::vector<std::string> Table(const std::string& request, int replies);
    std::vector<std::string> ReadReplies(int replies);

private:
    bool ReadExactly(char* buf, size_t count, long long deadline);
    int fd_ = -1;
};

// The fields of a record as the client's scanner sees them: words split at blanks and tabs,
// a field starting with a double quote runs to the next one (quotes dropped); the record ends
// at a NUL or a newline outside quotes.
std::vector<std::string> Fields(const std::string& record);

}  // namespace simtest
