#include "router/Validators.h"

#include "platform/Sockets.h"
#include "router/ValueTables.h"

#include <climits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

} // namespace

void CheckAddress(const std::string& text, std::string& message, std::string& field) {
    // A NUL inside the text would let inet_addr judge only the part before it.
    if (text.size() < 3 || text.find('\0') != std::string::npos ||
        platform::InetAddr(text.c_str()) == 0xFFFFFFFFu) {
        message = InvalidAddressMessage;
        return;
    }
    message.clear();
    field = text;
}

void CheckDigits(const std::string& text, std::string& message, std::string& field, int maxDigits) {
    if (text.size() > static_cast<size_t>(maxDigits < 0 ? 0 : maxDigits)) {
        message = std::string(TooManyDigitsMessage) + NumberText(maxDigits) +
                  std::string(TooManyDigitsMessageEnd);
    } else if (AllDigits(text)) {
        message.clear();
        field = text;
    } else {
        message = OnlyNumbersMessage;
    }
}

void CheckRange(const std::string& text, std::string& message, std::string& field, int lowest,
                int highest) {
    if (!AllDigits(text)) {
        message = OnlyNumbersMessage;
        return;
    }
    int value = TextNumber(text);
    if (value < lowest || value > highest) {
        message = std::string(OutOfBoundsMessage) + NumberText(lowest) +
                  std::string(OutOfBoundsMessageAnd) + NumberText(highest);
        return;
    }
    message.clear();
    field = text;
}

void CheckPhoneNumber(const std::string& text, std::string& message, std::string& field) {
    std::string digits;
    for (char c : text)
        if (IsDigit(c))
            digits += c;
    if (digits.empty()) {
        message = InvalidPhoneMessage;
        return;
    }
    message.clear();
    field = digits;
}

std::string NumberText(int value) { return std::to_string(value); }

int TextNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;  // saturated; keeps going past the digits
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

bool AllDigits(const std::string& text) {
    for (char c : text)
        if (!IsDigit(c))
            return false;
    return true;
}
