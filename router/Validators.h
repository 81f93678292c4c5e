// Entry checks shared by the settings record and the pages. Each sets `message` to ""
// and stores the (cleaned) value in `field` when the entry is accepted; otherwise it
// sets the complaint and leaves `field` alone.
#pragma once

#include <string>

void CheckAddress(const std::string& text, std::string& message, std::string& field);
void CheckDigits(const std::string& text, std::string& message, std::string& field, int maxDigits);
void CheckRange(const std::string& text, std::string& message, std::string& field, int lowest,
                int highest);
void CheckPhoneNumber(const std::string& text, std::string& message, std::string& field);

// Decimal text of a number.
std::string NumberText(int value);
// atoi rules: leading white space, optional sign, digits up to the first non-digit, 0
// without digits. Values beyond the int range saturate instead of wrapping, so a huge
// entry can never pass as a small one.
int TextNumber(const std::string& text);
// True when every character is 0 to 9 (also for the empty text).
bool AllDigits(const std::string& text);
