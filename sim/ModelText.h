// Words, numbers and record fields as the simulated router reads and writes them: shared by
// the parts of RouterModel, not part of its interface.
#pragma once

#include "sim/RouterModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

CommandResult Refuse(const std::string& why);
CommandResult Done();

// Blank- or tab-separated words of a command line, with where each starts.
void SplitWords(const std::string& line, std::vector<std::string>* words,
                std::vector<size_t>* starts);
bool ToInt(const std::string& w, long lo, long hi, long* out);
bool ToHex(const std::string& w, uint32_t* out);
bool IsAddress(const std::string& w);
// "on"/"off" into a bit; `setWhenOn` false for the router's "off" bits (PAP off and so on).
bool OnOff(const std::string& w, uint32_t bit, bool setWhenOn, uint32_t* flags);
bool OnOffInt(const std::string& w, int bit, bool setWhenOn, int* flags);
// The routing words of the global and Ethernet "route" settings: bit 0x1 sends routes,
// bit 0x20 stops listening.
bool RouteWord(const std::string& w, uint32_t* flags);
int IpxFrameCode(const std::string& w);
// The words "set" takes for the global settings (so no location may be named after one).
bool IsGlobalKeyword(const std::string& w);

const char* ServiceName(int service);
int ServiceCode(const std::string& w);
int ClassCode(PortKind k);
const char* KindName(PortKind k);

// Record fields are blank-separated: an empty address goes out as 0.0.0.0, an empty word as 0,
// an empty marker text as "-" (which the client reads back as empty).
std::string Addr(const std::string& s);
std::string Word(const std::string& s);
std::string Dash(const std::string& s);
std::string Q(const std::string& s);
// A text field cannot hold a double quote: the record's scanner would end it there.
bool Quotable(const std::string& s);
std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The router keeps "$hostname" in a prompt as its short form "$h".
std::string PromptOut(const std::string& p);

// A port's settings at power-on, by its kind.
PortSettings DefaultPort(const PortDef& def);

} // namespace sim
