// The router's global settings: the record read at construction is the desired one the
// run edits, `current` keeps what the router had, and Write sends the differences.
#pragma once

#include "cmdlib/vl.h"

#include <string>

class VLVelunor;

struct GlobalConfig : VlRouter {
    explicit GlobalConfig(VLVelunor& owner);
    ~GlobalConfig();
    GlobalConfig(const GlobalConfig&) = delete;
    GlobalConfig& operator=(const GlobalConfig&) = delete;

    // Sends the differences from `current` (no password); throws the integer -1. With
    // `save` non-zero, "save address" follows (its result ignored).
    void Write(int save);

    std::string SwitchTypeName() const;
    int SetSwitchType(const std::string& name);  // an unknown name changes nothing; 0
    int SetGateway(const std::string& address);   // 0

    // The switch-type name of a router switch number; "" for numbers without one.
    static std::string SwitchTypeName(int number);
    // The router switch number of a name; -1 for an unknown name.
    static int SwitchTypeNumber(const std::string& name);

    VlRouter* current = nullptr;
    VLVelunor* owner = nullptr;
};
