// The shared library exports exactly the geometry library's API, with the signatures
// that existing callers link against, and none of its internal functions. (The demo and
// print_base_path link through it as callers do.)
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

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

// The geometry library's exported functions, with the signatures existing callers link.
const std::set<std::string> kGeometryLibrary = {
    "T RlWriteTriangles(_IO_FILE*, int, RlRawTriangle*)",
    "T RlReadTriangleChunk(_IO_FILE*, int*, RlRawTriangle**)",
    "T RlFileHasTriangles(_IO_FILE*)",
    "T RlReadTriangles(_IO_FILE*, int*, RlRawTriangle**)",
    "T RlConvertFile(_IO_FILE*, _IO_FILE*)",
    "T DcTangentSpace(float*, float*, float*, float*, float*, float*, double*, double*, double*)",
    "T RlComputeTangentsD(int, RlRawTriangle*, RlRawTangentSpaceD**)",
    "T RlComputeTangents(int, RlRawTriangle*, RlRawTangentSpace**)",
    "T RlCreateVertexBuffers(int, RlRawTriangle*, int*, RlTangentPointD**, RlIndex**)",
    "T RlSetWeldThreads(int)",
    "T VekByteSwap_bool8(void*, unsigned int)",
    "T VekByteSwap_char8(void*, unsigned int)",
    "T VekByteSwap_int8(void*, unsigned int)",
    "T VekByteSwap_uint8(void*, unsigned int)",
    "T VekByteSwap_int16(void*, unsigned int)",
    "T VekByteSwap_uint16(void*, unsigned int)",
    "T VekByteSwap_int32(void*, unsigned int)",
    "T VekByteSwap_uint32(void*, unsigned int)",
    "T VekByteSwap_float32(void*, unsigned int)",
    "T VekByteSwap_float64(void*, unsigned int)",
    "T VekByteSwap_RlHeader(void*, unsigned int)",
    "T VekByteSwap_RlRawPoint(void*, unsigned int)",
    "T VekByteSwap_RlRawPointD(void*, unsigned int)",
    "T VekByteSwap_RlRawTexCoord(void*, unsigned int)",
    "T VekByteSwap_RlRawTriangle(void*, unsigned int)",
    "T VekByteSwap_RlRawTangentSpace(void*, unsigned int)",
    "T VekByteSwap_RlRawTangentSpaceD(void*, unsigned int)",
    "T VekByteSwap_RlIndex(void*, unsigned int)",
    "T VekByteSwap_RlTangentPointD(void*, unsigned int)",
    "T VekByteSwap_TGAHeaderInfo(void*, unsigned int)",
    "T VekByteSwap_VekBitmap(void*, unsigned int)",
    "T StrToLower(char*)",
    "T strcmpi(char const*, char const*)",
    "T stricmp(char const*, char const*)",
    "T strnicmp(char const*, char const*, unsigned long)",
    "T GetBaseFilePath(char*, int, bool)",
    "T ReadBitmapFileHeader(_IO_FILE*, tagBITMAPFILEHEADER*)",
    "T ReadBitmapCoreHeader(_IO_FILE*, tagBITMAPCOREHEADER*)",
};

}  // namespace

TEST(ExportList, TheLibraryExportsExactlyItsPublicFunctions) {
  EXPECT_EQ(DefinedSymbols(RL_LIBRARY), kGeometryLibrary);
}

TEST(ExportList, ThePluginExportsItsEntryPointsAndTheLibrary) {
  std::set<std::string> expected = kGeometryLibrary;
  expected.insert({"T initializePlugin(MObject)", "T uninitializePlugin", "D MApiVersion"});
  EXPECT_EQ(DefinedSymbols(RL_PLUGIN_MODULE), expected);
}
