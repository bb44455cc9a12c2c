// The shared library exports exactly the geometry library's API, with the signatures
// that existing callers link against, and none of its internal functions. (The demo and
// print_base_path link through it as callers do.)
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "Tables.h"

namespace {

// Every defined dynamic symbol of a shared object, demangled, as "TYPE NAME".
std::set<std::string> DefinedSymbols(const char* object) {
  const std::string command = std::string(RL_NM) + " -D --defined-only -C " + object;
  FILE* pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr);
  std::set<std::string> symbols;
  char line[1024];
  while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    fields >> address >> type;
    std::getline(fields >> std::ws, name);
    // Not ours: the sanitizers' markers, and the standard library's templates of vague
    // linkage that instrumented builds emit.
    if (name.starts_with("__odr_asan") || name.starts_with("typeinfo for std::") ||
        name.starts_with("typeinfo name for std::")) {
      continue;
    }
    symbols.insert(type + " " + name);
  }
  EXPECT_EQ(pipe != nullptr ? pclose(pipe) : -1, 0) << command;
  return symbols;
}

// The geometry library's exported functions, one a line in a file of the tests.
std::set<std::string> GeometryLibrary() {
  std::set<std::string> symbols;
  for (const std::vector<std::string>& row : ReadTable(RL_EXPORTED_SYMBOLS)) symbols.insert(row[0]);
  EXPECT_GT(symbols.size(), 30u) << RL_EXPORTED_SYMBOLS;
  return symbols;
}

}  // namespace

TEST(ExportList, TheLibraryExportsExactlyItsPublicFunctions) {
  EXPECT_EQ(DefinedSymbols(RL_LIBRARY), GeometryLibrary());
}

TEST(ExportList, ThePluginExportsItsEntryPointsAndTheLibrary) {
  std::set<std::string> expected = GeometryLibrary();
  expected.insert({"T initializePlugin(MObject)", "T uninitializePlugin", "D MApiVersion"});
  EXPECT_EQ(DefinedSymbols(RL_PLUGIN_MODULE), expected);
}
