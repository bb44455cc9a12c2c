// rlf bake as a user runs it: the analytic bumped sphere baked onto a smooth one, and its
// map read back by rlf render and by a real glTF renderer, each picture beside the high
// mesh's own under the same camera and light. A map whose green channel is flipped (the
// other common convention) must do clearly worse, so that the comparison can fail.
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <thread>
#include <tuple>

#include "Meshes.h"
#include "RlfProgram.h"
#include "Spheres.h"

namespace {

// Greys of a picture, and where the background shows (pure black there).
struct Picture {
  int size = 0;
  std::vector<double> grey;
  std::vector<bool> drawn;
};

Picture FromPixels(const unsigned char* pixels, int size, int channels) {
  Picture p;
  p.size = size;
  for (int i = 0; i < size * size; ++i) {
    const unsigned char* at = &pixels[channels * i];
    p.grey.push_back((at[0] + at[1] + at[2]) / 3.0);
    p.drawn.push_back(at[0] + at[1] + at[2] > 0);
  }
  return p;
}

// The mean absolute difference of grey, 0 to 255, over pixels both pictures draw,
// leaving out a pixel's width along silhouettes (where the bumps move the outline).
double MeanDifference(const Picture& a, const Picture& b) {
  double sum = 0;
  int count = 0;
  for (int y = 1; y < a.size - 1; ++y) {
    for (int x = 1; x < a.size - 1; ++x) {
      bool inside = true;
      for (int d : {0, 1, -1, a.size, -a.size}) {
        const int at = y * a.size + x + d;
        inside = inside && a.drawn[at] && b.drawn[at];
      }
      if (inside) {
        sum += std::fabs(a.grey[y * a.size + x] - b.grey[y * a.size + x]);
        ++count;
      }
    }
  }
  EXPECT_GT(count, a.size * a.size / 2);
  return sum / count;
}

// tris with the normals Blender computes for a mesh imported from glTF, whose vertices
// are split where texture coordinates differ: at each vertex, the unit normals of its
// triangles weighted by their angles there. Blender 3.4 builds its tangent frames from
// these rather than from the normals the file gives, so a mesh whose normals are these
// is one whose frames are the same in Blender as in the file.
std::vector<RlRawTriangle> WithBlenderNormals(std::vector<RlRawTriangle> tris) {
  std::map<std::array<float, 5>, std::array<double, 3>> sums;
  const auto key = [](const RlRawTriangle& t, int i) {
    return std::array<float, 5>{t.vert[i].x, t.vert[i].y, t.vert[i].z, t.texCoord[i].u, t.texCoord[i].v};
  };
  for (const RlRawTriangle& t : tris) {
    double p[3][3], face[3];
    for (int i = 0; i < 3; ++i) p[i][0] = t.vert[i].x, p[i][1] = t.vert[i].y, p[i][2] = t.vert[i].z;
    const auto unit = [](double* v) {
      const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      for (int k = 0; k < 3; ++k) v[k] /= l;
    };
    double e[3], f[3];
    for (int k = 0; k < 3; ++k) e[k] = p[1][k] - p[0][k], f[k] = p[2][k] - p[0][k];
    face[0] = e[1] * f[2] - e[2] * f[1], face[1] = e[2] * f[0] - e[0] * f[2], face[2] = e[0] * f[1] - e[1] * f[0];
    unit(face);
    for (int i = 0; i < 3; ++i) {
      double a[3], b[3];
      for (int k = 0; k < 3; ++k) a[k] = p[(i + 1) % 3][k] - p[i][k], b[k] = p[(i + 2) % 3][k] - p[i][k];
      unit(a), unit(b);
      const double angle = std::acos(std::clamp(a[0] * b[0] + a[1] * b[1] + a[2] * b[2], -1.0, 1.0));
      std::array<double, 3>& sum = sums[key(t, i)];
      for (int k = 0; k < 3; ++k) sum[static_cast<std::size_t>(k)] += angle * face[k];
    }
  }
  for (RlRawTriangle& t : tris) {
    for (int i = 0; i < 3; ++i) {
      const std::array<double, 3>& n = sums[key(t, i)];
      const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      t.norm[i] = {{static_cast<float>(n[0] / l), static_cast<float>(n[1] / l), static_cast<float>(n[2] / l)}};
    }
  }
  return tris;
}

class BakeCommand : public RlfProgramTest {
 protected:
  void SetUp() override {
    RlfProgramTest::SetUp();
    WriteRlf("low.rlf", Sphere(32, 64, false));
    WriteRlf("high.rlf", Sphere(200, 400, true));
  }

  // map.png, baked at 512 x 512, and flipped.png, the same with green flipped.
  void BakeMaps() {
    const RunResult bake = Rlf({"bake", "low.rlf", "high.rlf", "-o", "map.png", "--size", "512"});
    ASSERT_EQ(bake.status, 0) << bake.err;
    // The same map with its green channel flipped.
    int w = 0;
    std::vector<unsigned char> map = Samples("map.png", 3, &w);
    ASSERT_FALSE(map.empty());
    for (std::size_t i = 1; i < map.size(); i += 3) map[i] = static_cast<unsigned char>(255 - map[i]);
    ASSERT_TRUE(stbi_write_png(Path("flipped.png").c_str(), w, w, 3, map.data(), 3 * w));
  }

  // A picture's samples, channels a pixel, rows from the top (empty when it cannot be
  // read); its width and the channels the file holds in *width and *held.
  std::vector<unsigned char> Samples(const std::string& name, int channels, int* width = nullptr, int* held = nullptr) {
    int w = 0, h = 0, fileChannels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> pixels(
        stbi_load(Path(name).c_str(), &w, &h, &fileChannels, channels), stbi_image_free);
    EXPECT_TRUE(pixels) << name;
    if (width != nullptr) *width = w;
    if (held != nullptr) *held = fileChannels;
    return pixels ? std::vector<unsigned char>(pixels.get(), pixels.get() + channels * w * h)
                  : std::vector<unsigned char>{};
  }

  Picture Png(const std::string& name) {
    int w = 0;
    const std::vector<unsigned char> pixels = Samples(name, 3, &w);
    return pixels.empty() ? Picture{} : FromPixels(pixels.data(), w, 3);
  }
};

TEST_F(BakeCommand, TheLowMeshWithItsMapLooksLikeTheHighMeshInThePreview) {
  const int kSize = 256;
  const auto render = [&](const std::string& file, const std::string& map, const std::string& out) {
    std::vector<std::string> args = {"render",  file,  "-o",          out,      "--size", std::to_string(kSize),
                                     "--shade", "lit", "--bounds-of", "low.rlf"};
    if (!map.empty()) args.insert(args.end(), {"--normal-map", map});
    const RunResult r = Rlf(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return Png(out);
  };
  BakeMaps();
  const Picture high = render("high.rlf", "", "high.png");
  const double baked = MeanDifference(render("low.rlf", "map.png", "baked.png"), high);
  const double flipped = MeanDifference(render("low.rlf", "flipped.png", "flipped-render.png"), high);
  const double plain = MeanDifference(render("low.rlf", "", "plain.png"), high);
  std::printf("preview: baked %.2f, flipped %.2f, plain %.2f\n", baked, flipped, plain);
  RecordProperty("preview_differences",
                 std::to_string(baked) + " " + std::to_string(flipped) + " " + std::to_string(plain));
  EXPECT_LT(baked, 3.0);
  EXPECT_LT(3 * baked, flipped);
  EXPECT_LT(3 * baked, plain);
  // An occlusion map of one half darkens the lit surface by half; a picture of its height
  // goes beside it (others are refused: the files session).
  const unsigned char half[4] = {128, 128, 128, 128};
  ASSERT_TRUE(stbi_write_png(Path("half.png").c_str(), 2, 2, 1, half, 2));
  const std::vector<std::string> args = {
      "render",   "low.rlf",  "--size",   std::to_string(kSize), "--normal-map", "map.png", "--ao-map",
      "half.png", "--beside", "high.png", "--bounds-of",         "low.rlf",      "-o",      "both.png"};
  ASSERT_EQ(Rlf(args).status, 0);
  int width = 0;
  const std::vector<unsigned char> both = Samples("both.png", 3, &width), lit = Samples("baked.png", 3),
                                   beside = Samples("high.png", 3);
  ASSERT_EQ(width, 2 * kSize);
  for (std::size_t y = 0, row = 3 * kSize; y < kSize; ++y) {
    for (std::size_t x = 0; x < row; ++x) {
      const int was = lit[row * y + x], is = both[2 * row * y + x];  // the ground (grey 32) stays
      EXPECT_TRUE(std::abs(is - was * 128 / 255) <= 1 || (was == 32 && is == 32)) << was << " " << is;
    }
    EXPECT_TRUE(std::equal(&beside[row * y], &beside[row * y] + row, &both[2 * row * y + row])) << y;
  }
}

TEST_F(BakeCommand, TheLowMeshWithItsMapLooksLikeTheHighMeshInAGltfRenderer) {
  RL_REQUIRE_TOOL(!std::string(RL_NODE).empty(), "node");
  RL_REQUIRE_TOOL(access(RL_CHROMIUM, X_OK) == 0, std::string(RL_CHROMIUM));
  BakeMaps();
  ASSERT_EQ(Rlf({"weld", "low.rlf", "-o", "low.glb"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "high.rlf", "-o", "high.glb"}).status, 0);
  const int kSize = 256;
  const auto render = [&](const std::string& model, const std::string& map, const std::string& out) {
    const std::string command =
        NodeCommand(RL_RENDER_GLTF, "--lit '" + Path(model) + "' " + (map.empty() ? "-" : "'" + Path(map) + "'") + " " +
                                        std::to_string(kSize) + " '" + Path(out) + "' '" + Path("low.glb") + "'");
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(Path(out), std::ios::binary);
    const std::string pixels((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(pixels.size(), 4u * kSize * kSize);
    return pixels.size() == 4u * kSize * kSize
               ? FromPixels(reinterpret_cast<const unsigned char*>(pixels.data()), kSize, 4)
               : Picture{};
  };
  const Picture high = render("high.glb", "", "high.rgba");
  const double baked = MeanDifference(render("low.glb", "map.png", "baked.rgba"), high);
  const double flipped = MeanDifference(render("low.glb", "flipped.png", "flipped.rgba"), high);
  const double plain = MeanDifference(render("low.glb", "", "plain.rgba"), high);
  RecordProperty("renderer_differences",
                 std::to_string(baked) + " " + std::to_string(flipped) + " " + std::to_string(plain));
  std::printf("three.js: baked %.2f, flipped %.2f, plain %.2f\n", baked, flipped, plain);
  EXPECT_LT(baked, 4.0);
  EXPECT_LT(3 * baked, flipped);
  EXPECT_LT(3 * baked, plain);
}

// Blender reads the map back in the frames it builds for the mesh itself: a coarse torus
// whose two halves are mirror images side by side in texture space, its tangent-space map
// decoded by Blender's Normal Map node, baked and rendered by Cycles, against rlf's
// object-space bake of the same pair and rlf render's decoding of the same map.
TEST_F(BakeCommand, BlenderReadsTheMapAsItWasBaked) {
  RL_REQUIRE_TOOL(!std::string(RL_BLENDER).empty(), "blender");
  std::vector<RlRawTriangle> low = Torus(6, 5);
  for (RlRawTriangle& t : low) {
    if (t.texCoord[0].u + t.texCoord[1].u + t.texCoord[2].u < 1.5f) continue;
    for (RlRawTexCoord& c : t.texCoord) c.u = 1.5f - c.u;  // [1/2, 1] mirrored onto itself
  }
  low = WithBlenderNormals(low);
  const std::vector<RlRawTriangle> high = FlatShell(low, 0.03f);
  WriteRlf("tube.rlf", low);
  WriteRlf("shell.rlf", high);
  ASSERT_EQ(Rlf({"weld", "tube.rlf", "-o", "tube.glb"}).status, 0);
  for (const char* space : {"tangent", "object"}) {
    const RunResult bake = Rlf({"bake", "tube.rlf", "shell.rlf", "-o", std::string(space) + ".png", "--space", space,
                                "--size", "256", "--bits", "16", "--samples", "1", "--padding", "0"});
    ASSERT_EQ(bake.status, 0) << bake.err;
  }
  const RunResult render = Rlf({"render", "tube.rlf", "--normal-map", "tangent.png", "--shade", "normal", "--size",
                                "256", "-o", "rendered.png"});
  ASSERT_EQ(render.status, 0) << render.err;
  const std::string command = std::string("'") + RL_BLENDER + "' -b --factory-startup --python-exit-code 1 -P '" +
                              RL_BLENDER_CHECK + "' -- '" + Path("tube.glb") + "' '" + Path("tangent.png") + "' '" +
                              Path("object.png") + "' 256 '" + Path("rendered.png") + "' 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> blender(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(blender);
  std::string output;
  char line[4096];
  while (std::fgets(line, sizeof line, blender.get()) != nullptr) output += line;
  // Blender's normals against the object-space bake, texel by texel, and against rlf
  // render's decoding of the map, pixel by pixel (8-bit colours there).
  for (const auto& [what, least, mean, p99] :
       {std::tuple{"texels", 20000L, 0.1, 1.0}, std::tuple{"pixels", 10000L, 0.3, 0.6}}) {
    const std::size_t at = output.find(std::string(what) + " ");
    ASSERT_NE(at, std::string::npos) << output;
    long count = 0;
    double measured[3] = {INFINITY, INFINITY, INFINITY};
    ASSERT_EQ(std::sscanf(output.c_str() + at + std::strlen(what), " %ld mean %lf p99 %lf max %lf", &count,
                          &measured[0], &measured[1], &measured[2]),
              4);
    std::printf("Blender against rlf (%s): %ld, mean %.4f, p99 %.4f, max %.4f degrees\n", what, count, measured[0],
                measured[1], measured[2]);
    EXPECT_GT(count, least) << what;
    EXPECT_LT(measured[0], mean) << what;
    EXPECT_LT(measured[1], p99) << what;
  }
}

// Maps in EXR read back with OpenEXR: the values themselves, as halves.
TEST_F(BakeCommand, ExrFilesHoldTheValues) {
  CopyScene("quad.obj");
  const RunResult exr = Rlf({"bake", "quad.obj", "quad.obj", "-o", "e_{map}.exr", "--size", "8", "--bits", "16",
                             "--maps", "normal,height,position"});
  ASSERT_EQ(exr.status, 0) << exr.err;
  std::unique_ptr<FILE, int (*)(FILE*)> header(popen(("exrheader '" + Path("e_position.exr") + "'").c_str(), "r"),
                                               pclose);
  ASSERT_TRUE(header);
  std::string text;
  char line[512];
  while (std::fgets(line, sizeof line, header.get()) != nullptr) text += line;
  EXPECT_NE(text.find("B, 16-bit floating-point"), std::string::npos) << text;
  EXPECT_NE(text.find("zip, multi-scanline blocks"), std::string::npos) << text;
  const struct {
    const char* file;
    std::vector<const char*> channels;
    std::vector<float> first;  // the top left texel
  } files[] = {{"e_normal.exr", {"R", "G", "B"}, {0, 0, 1}},
               {"e_height.exr", {"Y"}, {0}},
               {"e_position.exr", {"R", "G", "B"}, {1.0f / 16, 15.0f / 16, 0}}};
  for (const auto& f : files) {
    Imf::InputFile in(Path(f.file).c_str());
    const Imath::Box2i window = in.header().dataWindow();
    const int width = window.max.x - window.min.x + 1;
    EXPECT_EQ(width, 8) << f.file;
    std::vector<float> values(static_cast<std::size_t>(width) * 8 * f.channels.size());
    Imf::FrameBuffer frame;
    for (std::size_t k = 0; k < f.channels.size(); ++k) {
      const std::size_t stride = sizeof(float) * f.channels.size();
      frame.insert(f.channels[k], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(values.data() + k), stride,
                                             stride * static_cast<std::size_t>(width)));
    }
    in.setFrameBuffer(frame);
    in.readPixels(window.min.y, window.max.y);
    for (std::size_t k = 0; k < f.channels.size(); ++k) EXPECT_NEAR(values[k], f.first[k], 1e-3) << f.file << " " << k;
  }
}

// Ctrl-C while baking: the bake stops within moments (not minutes later, when its rays
// are done) and nothing is written.
TEST_F(BakeCommand, AnInterruptedBakeWritesNothing) {
  Child bake(dir_, {"bake", "low.rlf", "high.rlf", "-o", "big.png", "--size", "4096", "--samples", "64"});
  std::this_thread::sleep_for(std::chrono::seconds(3));
  kill(bake.Pid(), SIGINT);
  const auto sent = std::chrono::steady_clock::now();
  const RunResult r = bake.Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "rlf: interrupted; big.png not written\n");
  EXPECT_FALSE(Exists("big.png"));
}

// With no thread to be had (the user's process limit reached): a large OBJ file is read
// in turn instead of in two halves, and the bake refuses with one line, for the ray
// tracer cannot run without its threads. Run as an unprivileged user, whom the limit binds.
TEST_F(BakeCommand, NoThreadToBeHadEndsInOneLine) {
  std::string obj;
  for (int i = 0; obj.size() < (3u << 20); ++i) {
    obj += "v " + std::to_string(i) + " 0 0\nv " + std::to_string(i) + " 1 0\nv " + std::to_string(i + 1) +
           " 0 0\nvt 0 0\nvt 0 1\nvt 1 0\nf -3/-3 -2/-2 -1/-1\n";
  }
  Write("large.obj", obj);
  std::filesystem::permissions(dir_, std::filesystem::perms::all);
  const auto limited = [&](const std::string& args) {
    // (LeakSanitizer, in sanitizer builds, needs a thread of its own to look for leaks.)
    const std::string command = "cd '" + dir_.string() +
                                "' && ASAN_OPTIONS=detect_leaks=0 prlimit --nproc=1 setpriv --reuid=65534 "
                                "--regid=65534 --clear-groups '" RLF_PROGRAM "' " +
                                args + " > out.txt 2> err.txt";
    const int raw = std::system(command.c_str());
    std::ifstream in(Path("err.txt"));
    return std::make_pair(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
                          std::string((std::istreambuf_iterator<char>(in)), {}));
  };
  const auto exported = limited("export large.obj -o large.rlf");
  EXPECT_EQ(exported.first, 0) << exported.second;
  const auto baked = limited("bake large.rlf large.rlf -o m.png --size 16");
  EXPECT_EQ(baked.first, 1);
  EXPECT_EQ(baked.second,
            "rlf: cannot bake large.rlf onto large.rlf: the system gives no threads to trace rays "
            "with (Resource temporarily unavailable)\n");
  EXPECT_FALSE(Exists("m.png"));
}

}  // namespace
