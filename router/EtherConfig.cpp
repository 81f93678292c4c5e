#include "router/EtherConfig.h"

#include "router/RecordText.h"

#include <cstring>

EtherConfig::EtherConfig() { std::memset(static_cast<VlEther*>(this), 0, sizeof(VlEther)); }

EtherConfig::EtherConfig(const VlEther& ether) : VlEther(ether) {}

void EtherConfig::SetAddress(const std::string& text) { SetText(address, text); }

void EtherConfig::SetNetmask(const std::string& text) { SetText(netmask, text); }
