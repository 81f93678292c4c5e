// What the router tests' main prepares before any hook is read: the hooks are read once
// per process, so the ports are chosen here, free, on loopback.
#pragma once

// UDP socket on 127.0.0.1 that receives the responder's replies (its port is the
// QLWIZ_BOOTP_CLIENT_PORT of this process).
extern int g_bootpClientSocket;
