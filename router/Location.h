// One dial-out location, filled from the wizard's texts. It is exactly the library's
// location record, so the library takes it as one.
#pragma once

#include "cmdlib/vl.h"

#include <string>

struct Location : VlLocation {
    // All zero but flags 0x69 (routes neither sent nor listened to, header compression,
    // PPP) and an MTU of 1500.
    Location();
    explicit Location(const VlLocation& record);

    void SetName(const std::string& text);
    void SetDestination(const std::string& text);  // "Negotiated" stands for 255.255.255.255
    void SetNetmask(const std::string& text);
    void SetGroup(const std::string& text);
    void SetIdle(const std::string& minutes);  // stored in seconds
    void SetMaxPorts(const std::string& text);
    void SetInputFilter(const std::string& text);
    void SetOutputFilter(const std::string& text);
    void SetTelephone(const std::string& text);
    void SetTelephone2(const std::string& text);
    void SetUsername(const std::string& text);
    void SetPassword(const std::string& text);
    void SetContinuous(int on);
    void SetOnDemand(int on);
    void SetChap(int on);
    // On clears both "routes not sent" and "routes not listened to"; off sets both.
    void SetRouting(int on);

    std::string NameText() const;
    std::string MaxPortsText() const;
    std::string UsernameText() const;
    std::string PasswordText() const;
    std::string TelephoneText() const;
    std::string Telephone2Text() const;
    VlLocation* Next() const { return next; }
};

static_assert(sizeof(Location) == sizeof(VlLocation), "a Location must be a VlLocation");
