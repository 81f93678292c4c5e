#include "router/Validators.h"
#include "router/ValueTables.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

enum Check { Address, Digits20, Digits16, Range12, Phone };

struct Case {
    Check check;
    std::string text;
    std::string message;  // expected; "" = accepted
    std::string stored;   // expected field after an accepted entry
};

void Apply(Check check, const std::string& text, std::string& message, std::string& field) {
    switch (check) {
    case Address: CheckAddress(text, message, field); break;
    case Digits20: CheckDigits(text, message, field, 20); break;
    case Digits16: CheckDigits(text, message, field, 16); break;
    case Range12: CheckRange(text, message, field, 1, 2); break;
    case Phone: CheckPhoneNumber(text, message, field); break;
    }
}

const std::string badAddress = "Entry is an invalid IP address";
const std::string onlyNumbers = "Entry can only have numbers";
const std::string tooMany20 = "Value has too many digits: only 20 digits are allowed.";
const std::string tooMany16 = "Value has too many digits: only 16 digits are allowed.";
const std::string bounds12 = "Value out of bounds: it must be between 1 and 2";
const std::string badPhone = "Not a valid telephone number.";

} // namespace

TEST(Validators, AcceptOrRejectWithTheirMessages) {
    const Case cases[] = {
        {Address, "10.0.0.1", "", "10.0.0.1"},
        {Address, "1.2", "", "1.2"},                  // shortened form
        {Address, "0x0A.0.0.1", "", "0x0A.0.0.1"},    // hexadecimal part
        {Address, "012.0.0.1", "", "012.0.0.1"},      // octal part
        {Address, "0.0.0.0", "", "0.0.0.0"},
        {Address, "255.255.255.255", badAddress, ""}, // equals inet_addr's failure value
        {Address, "router", badAddress, ""},
        {Address, "", badAddress, ""},
        {Address, "12", badAddress, ""},              // valid for inet_addr, but too short
        {Address, "10.0.0.256", badAddress, ""},
        {Address, std::string("10.0.0.1\0zz", 11), badAddress, ""},
        {Digits20, std::string(20, '9'), "", std::string(20, '9')},
        {Digits20, std::string(21, '9'), tooMany20, ""},
        {Digits16, std::string(17, '1'), tooMany16, ""},
        {Digits20, "555-1212", onlyNumbers, ""},
        {Digits20, "", "", ""},
        {Digits16, "0123", "", "0123"},
        {Range12, "3", bounds12, ""},
        {Range12, "0", bounds12, ""},
        {Range12, "", bounds12, ""},                  // empty reads as 0
        {Range12, "a", onlyNumbers, ""},
        {Range12, "-1", onlyNumbers, ""},
        {Range12, "2", "", "2"},
        {Range12, "01", "", "01"},
        {Range12, "4294967297", bounds12, ""},        // must not wrap round to 1
        {Phone, "(555) 123-4567", "", "5551234567"},
        {Phone, "--", badPhone, ""},
        {Phone, "abc", badPhone, ""},
        {Phone, "", badPhone, ""},
        {Phone, "9,1 800 ISP", "", "91800"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("check " + std::to_string(c.check) + " text \"" + c.text + "\"");
        std::string message = "stale";
        std::string field = "previous";
        Apply(c.check, c.text, message, field);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(field, c.message.empty() ? c.stored : "previous");
    }
}

TEST(Validators, NumberConversions) {
    const struct {
        std::string text;
        int value;
    } numbers[] = {
        {"42", 42}, {"  7x", 7}, {"-15", -15}, {"+3", 3}, {"", 0}, {"abc", 0}, {"\t\n9", 9},
        {"- 4", 0}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const auto& n : numbers)
        EXPECT_EQ(TextNumber(n.text), n.value) << n.text;
    for (int v : {0, 1, -7, 2147483647})
        EXPECT_EQ(TextNumber(NumberText(v)), v);
    EXPECT_EQ(NumberText(-30), "-30");
    EXPECT_TRUE(AllDigits(""));
    EXPECT_TRUE(AllDigits("0123456789"));
    EXPECT_FALSE(AllDigits("12 3"));
    EXPECT_FALSE(AllDigits("+1"));
}

TEST(ValueTables, SwitchTypesAndNames) {
    ASSERT_EQ(SwitchTypeList.size(), 11u);
    EXPECT_EQ(SwitchTypeList.front(), "National ISDN1");
    EXPECT_EQ(SwitchTypeList[1], "Northern Telecom DMS-100");
    EXPECT_EQ(SwitchTypeList.back(), "France VN4");
    EXPECT_EQ(ConnectionStateNames.front(), "NO-SERVICE");
    EXPECT_EQ(ConnectionStateNames[3], "ESTABLISHED");
    // The page puts its own first words before this text; the two blanks after the full
    // stop and the empty line before "Press" are part of what the user sees.
    EXPECT_TRUE(NotSameNetworkMessage.starts_with("is not on the same network"));
    EXPECT_NE(NotSameNetworkMessage.find("for the Quillet.  Are you sure"), std::string_view::npos);
    EXPECT_NE(NotSameNetworkMessage.find("correct?\n\nPress Yes"), std::string_view::npos);
    EXPECT_TRUE(NotSameNetworkMessage.ends_with("F1 for more information"));
}
