// The router's vocabulary (switch types, port states, filter names) and the texts the
// validators and pages show. All are fixed at compile time, so they exist before the
// first dialog opens and no start-up order can reach them half built.
#pragma once

#include <array>
#include <string_view>

// The ISDN switch types, in the order the switch-type page lists them: the router's number
// for each (its own keyword for it is cmdlib's), the name the user picks, and whether the
// lines are identified by SPIDs as well as directory numbers. The router's numbers 3 and 6
// have no name here.
struct SwitchType {
    int number;
    std::string_view name;
    bool spids;
};
inline constexpr std::array<SwitchType, 11> SwitchTypes = {{
    {0, "National ISDN1", true},
    {2, "Northern Telecom DMS-100", true},
    {1, "AT&T 5ESS Custom", true},
    {4, "AT&T 5ESS Custom Point to Point", false},
    {5, "EuroISDN Net3", false},
    {7, "German National 1TR6", false},
    {8, "Japan KDD", false},
    {9, "Japan NTT", false},
    {10, "France VN2", false},
    {11, "France VN3", false},
    {12, "France VN4", false},
}};

// The entry of a name (exact) or a router number; null when there is none.
constexpr const SwitchType* FindSwitchType(std::string_view name) {
    for (const SwitchType& t : SwitchTypes)
        if (t.name == name)
            return &t;
    return nullptr;
}
constexpr const SwitchType* FindSwitchType(int number) {
    for (const SwitchType& t : SwitchTypes)
        if (t.number == number)
            return &t;
    return nullptr;
}
// Whether the lines of the switch type so named are identified by SPIDs.
constexpr bool UsesSpids(std::string_view name) {
    const SwitchType* t = FindSwitchType(name);
    return t != nullptr && t->spids;
}

// A port's connection state as the router reports it; compared exactly.
inline constexpr std::string_view StateNoService = "NO-SERVICE";
inline constexpr std::string_view StateUnknown = "Unknown";
inline constexpr std::string_view StateCommand = "COMMAND";
inline constexpr std::string_view StateEstablished = "ESTABLISHED";
inline constexpr std::string_view StateIdle = "IDLE";
inline constexpr std::string_view StateUsername = "USERNAME";
inline constexpr std::array<std::string_view, 6> ConnectionStateNames = {
    StateNoService, StateUnknown, StateCommand, StateEstablished, StateIdle, StateUsername,
};

// Filter protocol names and the IP protocol numbers they stand for.
inline constexpr std::string_view ProtocolTcp = "TCP";
inline constexpr std::string_view ProtocolUdp = "UDP";
inline constexpr std::string_view ProtocolIcmp = "ICMP";
inline constexpr std::string_view ProtocolNone = "";
struct ProtocolEntry {
    std::string_view name;
    int number;
};
inline constexpr std::array<ProtocolEntry, 4> ProtocolNames = {{
    {ProtocolTcp, 6}, {ProtocolUdp, 17}, {ProtocolIcmp, 1}, {ProtocolNone, 0},
}};

// Port comparisons of a filter rule.
inline constexpr std::string_view CompareGreater = "GT";
inline constexpr std::string_view CompareLess = "LT";

// The location destination keyword; it stands for 255.255.255.255.
inline constexpr std::string_view Negotiated = "Negotiated";
inline constexpr std::string_view NegotiatedAddress = "255.255.255.255";

// The empty text: a validator's "accepted".
inline constexpr std::string_view EmptyText = "";

// Messages. The split ones are completed with numbers by the validators.
inline constexpr std::string_view InvalidAddressMessage = "Entry is an invalid IP address";
inline constexpr std::string_view OnlyNumbersMessage = "Entry can only have numbers";
inline constexpr std::string_view TooManyDigitsMessage = "Value has too many digits: only ";
inline constexpr std::string_view TooManyDigitsMessageEnd = " digits are allowed.";
inline constexpr std::string_view OutOfBoundsMessage = "Value out of bounds: it must be between ";
inline constexpr std::string_view OutOfBoundsMessageAnd = " and ";
inline constexpr std::string_view InvalidPhoneMessage = "Not a valid telephone number.";
inline constexpr std::string_view InvalidPasswordMessage = "Supplied password is invalid";
inline constexpr std::string_view NotSameNetworkMessage =
    "is not on the same network that you specified for the Quillet.  Are you sure that this "
    "is correct?\n\nPress Yes to continue, No to reenter the address, Cancel to abort the "
    "Wizard or F1 for more information";
