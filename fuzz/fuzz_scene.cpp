// The scene loaders of rlf on arbitrary bytes (the first byte picks OBJ, glTF text,
// binary glTF, or PLY, STL or OFF read through Assimp), and an export through the
// loaded plug-in of whatever loads. Oracles: a
// scene either loads or is refused with a SceneError; an export of a loaded scene
// succeeds and writes a readable RLF file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RlFileIO.h"
#include "SceneFiles.h"
#include "host/PluginHost.h"
#include "host/Scene.h"

namespace {

host::PluginHost* gPlugin = nullptr;
std::string gDir;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

// The sanitizers' hook, where a sanitizer is linked in (the replaying build has none).
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

// Assimp reads in a child process, which may run out of memory or crash on a hostile
// file: the reader reports it, so the child must not report it to the fuzzer as a
// finding of its own.
class QuietChildren : public ChildWatch {
 public:
  void Forking() override {}
  void Started(pid_t) override {}
  void InChild() override {
    if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(nullptr);
  }
  void Ended() override {}
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gDir = "/tmp/rlf_fuzz_scene_" + std::to_string(getpid());
  std::system(("mkdir -p " + gDir).c_str());
  gPlugin = new host::PluginHost();
  std::string error;
  if (!gPlugin->Load(RLF_EXPORT_MODULE, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (gPlugin == nullptr) LLVMFuzzerInitialize(nullptr, nullptr);
  if (size == 0) return 0;
  // Assimp reads in a child process, which costs a fuzzing process tens of milliseconds
  // to start: its formats get three inputs in 64, the readers of our own the rest.
  static const char* const kOwn[] = {".obj", ".gltf", ".glb"};
  static const char* const kAssimp[] = {".ply", ".stl", ".off"};
  const unsigned pick = data[0] % 64u;
  const std::string scene = gDir + "/scene" + (pick < 61 ? kOwn[pick % 3] : kAssimp[pick - 61]);
  const std::string target = gDir + "/out.rlf";
  FILE* fp = std::fopen(scene.c_str(), "wb");
  std::fwrite(data + 1, 1, size - 1, fp);
  std::fclose(fp);
  std::remove(target.c_str());
  try {
    // Assimp's readers loop forever on many mutated files: a fifth of a second is plenty
    // for inputs of this size.
    static QuietChildren quiet;
    SceneOptions options;
    options.assimpSeconds = 0.2;
    options.childWatch = &quiet;
    LoadSceneFile(scene, host::Scene::Active(), options);
  } catch (const SceneError&) {
    return 0;  // refused with a message
  }
  Check(gPlugin->Write("rlf", target, MPxFileTranslator::kExportAccessMode));
  FILE* out = std::fopen(target.c_str(), "rb");
  Check(out != nullptr);
  std::fseek(out, 0, SEEK_END);
  const long bytes = std::ftell(out);
  Check(bytes >= 20 && (bytes - 20) % 96 == 0);
  std::fclose(out);
  host::Scene::Active().Reset();
  return 0;
}
