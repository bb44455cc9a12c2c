// Lower-casing and case-insensitive comparison.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "MacSpecific.h"

TEST(StringCompare, StrcmpiIgnoresCaseAndKeepsItsArguments) {
  const char hello[] = "Hello";
  const char shout[] = "hELLO";
  EXPECT_EQ(strcmpi(hello, shout), 0);
  EXPECT_EQ(std::string(hello), "Hello");
  EXPECT_EQ(std::string(shout), "hELLO");
  EXPECT_LT(strcmpi("abc", "ABD"), 0);
  EXPECT_GT(strcmpi("b", "A"), 0);
  EXPECT_LT(strcmpi("abc", "ABCD"), 0);
  EXPECT_EQ(strcmpi("", ""), 0);
}

// Signs only: a word-at-a-time strcmp (PowerPC's, for one) returns magnitudes that
// depend on the bytes beyond the terminators, so two copies may compare with different
// magnitudes.
namespace {
int Sign(int value) { return (value > 0) - (value < 0); }
}  // namespace

TEST(StringCompare, StrcmpiOrdersAsStrcmpOnLoweredStrings) {
  const char* words[] = {"", "a", "A", "abc", "ABD", "Zebra", "zebra!", "[x", "_", "MiXeD 9"};
  for (const char* a : words) {
    for (const char* b : words) {
      std::string la(a), lb(b);
      StrToLower(la.data());
      StrToLower(lb.data());
      EXPECT_EQ(Sign(strcmpi(a, b)), Sign(std::strcmp(la.c_str(), lb.c_str()))) << a << "/" << b;
      EXPECT_EQ(Sign(stricmp(a, b)), Sign(strcmpi(a, b))) << a << " / " << b;
    }
  }
}

TEST(StringCompare, StrnicmpComparesAtMostLengthCharacters) {
  EXPECT_EQ(strnicmp("TEXTURE01", "texture02", 7), 0);
  EXPECT_LT(strnicmp("TEXTURE01", "texture02", 9), 0);
  EXPECT_EQ(strnicmp("TEXTURE01", "texture02", 0), 0);
  EXPECT_EQ(strnicmp("abc", "ABC", 100), 0);
}

TEST(StringCompare, StrToLowerChangesOnlyUpperCaseLetters) {
  char mixed[] = "Mixed CASE 123";
  StrToLower(mixed);
  EXPECT_STREQ(mixed, "mixed case 123");

  char empty[] = "";
  StrToLower(empty);
  EXPECT_STREQ(empty, "");

  // Bytes of 0x80 and above are negative chars here; in the C locale they stay.
  std::setlocale(LC_CTYPE, "C");
  char high[] = "\xC3\x89T\xFF";
  StrToLower(high);
  EXPECT_STREQ(high, "\xC3\x89t\xFF");
}
