// A working copy of an Ethernet interface; written with VLVelunor::WriteEthernet.
#pragma once

#include "cmdlib/vl.h"

#include <string>

struct EtherConfig : VlEther {
    EtherConfig();  // all zero
    explicit EtherConfig(const VlEther& ether);

    void SetAddress(const std::string& text);
    void SetNetmask(const std::string& text);
};

static_assert(sizeof(EtherConfig) == sizeof(VlEther), "an EtherConfig must be a VlEther");
