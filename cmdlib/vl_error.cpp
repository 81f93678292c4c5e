// Library error codes and their message texts.
#include "cmdlib/vl.h"

namespace {

const char* const kErrorText[] = {
    "No error",
    "Unknown Host",
    "All ports in use",
    "Invalid Hostname",
    "Request Denied",
    "No Active Connection",
    "Unknown Velunor",
    "File Does Not Exist",
    "IPX Protocol Not Running",
    "Connection Timed Out",
};

} // namespace

const char* vl_error_text(int code) {
    if (code < 0 || code >= static_cast<int>(sizeof kErrorText / sizeof kErrorText[0]))
        return "";
    return kErrorText[code];
}
