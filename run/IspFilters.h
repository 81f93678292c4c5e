// The rules of the two filters that guard the ISP link when security is on: "isp.in"
// for packets arriving from the ISP and "isp.out" for packets sent to it.
#pragma once

#include "router/FilterRule.h"

#include <vector>

class ConfigSettings;

namespace VLQLWizUIControl {

inline constexpr const char* IspInFilterName = "isp.in";
inline constexpr const char* IspOutFilterName = "isp.out";

// The rules in the order they are appended (the router numbers them from 1).
std::vector<FilterRule> IspInRules(const ConfigSettings& settings);
std::vector<FilterRule> IspOutRules(const ConfigSettings& settings);

} // namespace VLQLWizUIControl
