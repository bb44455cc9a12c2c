#include "ExportFixture.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

void ExportTest::SetUp() {
  scene().Reset();
  std::string error;
  ASSERT_TRUE(plugin_.Load(RLF_EXPORT_MODULE, &error)) << error;
  dir_ = std::filesystem::temp_directory_path() / ("rlf_export_" + std::to_string(getpid()) + "_" +
                                                   testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
}

void ExportTest::TearDown() {
  plugin_.Unload();
  std::filesystem::remove_all(dir_);
}

ExportResult ExportTest::Export(MPxFileTranslator::FileAccessMode mode, const std::string& path) {
  const std::string target = path.empty() ? Target() : path;
  ExportResult result;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  result.status = plugin_.Write("rlf", target, mode);
  std::fflush(stdout);
  result.out = testing::internal::GetCapturedStdout();
  result.err = testing::internal::GetCapturedStderr();
  ReadBack(target, &result);
  return result;
}

void ExportTest::ReadBack(const std::string& path, ExportResult* result) {
  FILE* fp = std::fopen(path.c_str(), "rb");
  result->written = fp != nullptr;
  if (fp == nullptr) {
    return;
  }
  std::fseek(fp, 0, SEEK_END);
  const long size = std::ftell(fp);
  std::rewind(fp);
  if (size == 20) {
    result->count = 0;
  } else {
    int numTris = 0;
    RlRawTriangle* tris = nullptr;
    if (RlReadTriangles(fp, &numTris, &tris)) {
      result->count = numTris;
      result->tris.assign(tris, tris + numTris);
    }
    delete[] tris;
  }
  std::fclose(fp);
}
