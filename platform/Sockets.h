// Blocking BSD sockets with the error reporting of Windows Sockets 1.1: every failing
// call leaves a WinSock error number (10048, 10061, ...) for LastSocketError(), so the
// layers above test the same numbers on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// WinSock error numbers the program tests or reports.
enum WsaError : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEDESTADDRREQ = 10039,
    WSAEMSGSIZE = 10040,
    WSAEPROTOTYPE = 10041,
    WSAENOPROTOOPT = 10042,
    WSAEPROTONOSUPPORT = 10043,
    WSAESOCKTNOSUPPORT = 10044,
    WSAEOPNOTSUPP = 10045,
    WSAEPFNOSUPPORT = 10046,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAELOOP = 10062,
    WSAENAMETOOLONG = 10063,
    WSAEHOSTDOWN = 10064,
    WSAEHOSTUNREACH = 10065,
    WSANOTINITIALISED = 10093,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// Start-up and clean-up of the socket layer (counted, like WSAStartup/WSACleanup).
// Sockets can only be created between the two; otherwise creation fails with 10093.
bool SocketsStartup();
void SocketsCleanup();
bool SocketsStarted();

// The WinSock number of the last failing socket call on this thread.
int LastSocketError();
void SetLastSocketError(int wsaError);

// Maps an errno value to its WinSock number (WSAEINVAL when none fits).
int WsaFromErrno(int err);

// inet_addr: the dotted forms the classic resolver accepts (shortened, octal and hex);
// returns the address in network byte order, or 0xFFFFFFFF (INADDR_NONE) when invalid.
uint32_t InetAddr(const char* text);

// gethostbyname: first IPv4 address of `name`, network byte order. 0 or -1 (11001).
int ResolveHost(const char* name, uint32_t* addrNetOrder);

// The local computer's IPv4 addresses (network byte order), in interface order,
// loopback included. Empty when they cannot be read.
std::vector<uint32_t> LocalHostAddresses();

int TcpSocket();  // -1 on failure
int UdpSocket();
int CloseSocket(int s);  // 0 or -1
int SetSockOptInt(int s, int level, int option, int value);  // 0 or -1
int BindAny(int s, uint16_t port);                           // INADDR_ANY:port; 0 or -1
int BindAddress(int s, uint32_t addrNetOrder, uint16_t port);
int LocalPort(int s);                                        // bound port, or -1
int Listen(int s, int backlog);
int Accept(int s);                                           // new socket or -1
// Blocking connect with the platform's own time-out. 0 or -1.
int Connect(int s, uint32_t addrNetOrder, uint16_t port);
// One send call (no SIGPIPE). Bytes sent or -1.
int Send(int s, const void* data, int count);
// One recv call. Waits at most timeoutMs (already scaled; negative waits for ever);
// on time-out returns -1 with 10060. 0 when the peer closed.
int Recv(int s, void* buffer, int count, long timeoutMs);
// 1 readable, 0 time-out, -1 error. timeoutMs already scaled; negative waits for ever.
int WaitReadable(int s, long timeoutMs);
int SendTo(int s, const void* data, int count, uint32_t addrNetOrder, uint16_t port);
// Receives one datagram; `fromAddr`/`fromPort` may be null.
int RecvFrom(int s, void* buffer, int count, uint32_t* fromAddr, uint16_t* fromPort);

} // namespace platform
