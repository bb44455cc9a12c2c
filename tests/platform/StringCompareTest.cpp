// Lower-casing and case-insensitive comparison.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "MacSpecific.h"

// Each comparison orders as strcmp does on the lowered strings (signs only: a
// word-at-a-time strcmp, PowerPC's for one, returns magnitudes that depend on the bytes
// beyond the terminators), and leaves its arguments as they were.
TEST(StringCompare, OrdersAsStrcmpOnLoweredStrings) {
  const auto sign = [](int value) { return (value > 0) - (value < 0); };
  const char* words[] = {"", "a", "A", "abc", "ABD", "ABCD", "Zebra", "zebra!", "[x", "_", "MiXeD 9"};
  for (const char* a : words) {
    for (const char* b : words) {
      std::string la(a), lb(b);
      StrToLower(la.data());
      StrToLower(lb.data());
      const int order = sign(std::strcmp(la.c_str(), lb.c_str()));
      EXPECT_EQ(sign(strcmpi(a, b)), order) << a << " / " << b;
      EXPECT_EQ(sign(stricmp(a, b)), order) << a << " / " << b;
      EXPECT_EQ(sign(strnicmp(a, b, 100)), order) << a << " / " << b;
    }
  }
  char hello[] = "Hello", shout[] = "hELLO";
  EXPECT_EQ(strcmpi(hello, shout), 0);
  EXPECT_STREQ(hello, "Hello");
  EXPECT_STREQ(shout, "hELLO");
  EXPECT_EQ(strnicmp("TEXTURE01", "texture02", 7), 0);
  EXPECT_LT(strnicmp("TEXTURE01", "texture02", 9), 0);
  EXPECT_EQ(strnicmp("TEXTURE01", "texture02", 0), 0);
  EXPECT_EQ(strnicmp("abC", "ABD", 2), 0);
}

// Only upper-case letters change; bytes of 0x80 and above (negative chars here) stay in
// the C locale.
TEST(StringCompare, StrToLowerChangesOnlyUpperCaseLetters) {
  std::setlocale(LC_CTYPE, "C");
  char mixed[] = "Mixed CASE 123 \xC3\x89T\xFF", empty[] = "";
  StrToLower(mixed);
  StrToLower(empty);
  EXPECT_STREQ(mixed, "mixed case 123 \xC3\x89t\xFF");
  EXPECT_STREQ(empty, "");
}
