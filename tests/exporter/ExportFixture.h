// Exports through the loaded plug-in module, as the host runs them, with the file read
// back and the messages captured.
#ifndef TESTS_EXPORTER_EXPORT_FIXTURE_H
#define TESTS_EXPORTER_EXPORT_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "RlFileIO.h"
#include "host/PluginHost.h"
#include "host/Scene.h"

struct ExportResult {
  MStatus status;
  std::string out;  // standard output
  std::string err;  // standard error
  bool written = false;
  int count = -1;  // the file's triangle count
  std::vector<RlRawTriangle> tris;
};

class ExportTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  host::Scene& scene() { return host::Scene::Active(); }
  std::string Target(const std::string& name = "out.rlf") const { return (dir_ / name).string(); }
  ExportResult Export(MPxFileTranslator::FileAccessMode mode = MPxFileTranslator::kExportAccessMode,
                      const std::string& path = "");
  // What a file holds: its count and records (count 0 for the 20-byte empty file).
  static void ReadBack(const std::string& path, ExportResult* result);

  host::PluginHost plugin_;
  std::filesystem::path dir_;
};

#endif
