// The blocked welding road against the flat reference: identical bytes for every
// exported result, over meshes and insertion orders chosen to stress the blocked index
// (block splits, many groups, appends at either end, tolerance ties on x).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Meshes.h"
#include "RlCornerFeed.h"
#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"

namespace {

template <typename T>
std::string BytesOf(const T* records, std::size_t count) {
  return std::string(reinterpret_cast<const char*>(records), count * sizeof(T));
}

// Every result of one road, as bytes.
struct Results {
  std::string tangentsD, tangents, vertices, indices;
};

Results Weld(std::vector<RlRawTriangle>& tris, const RlWeldOptions& road) {
  const int n = static_cast<int>(tris.size());
  Results r;
  RlRawTangentSpaceD* tanD = nullptr;
  EXPECT_TRUE(RlComputeTangentsDOnRoad(n, tris.data(), &tanD, road));
  r.tangentsD = BytesOf(tanD, tris.size());
  delete[] tanD;
  RlRawTangentSpace* tan = nullptr;
  EXPECT_TRUE(RlComputeTangentsOnRoad(n, tris.data(), &tan, road));
  r.tangents = BytesOf(tan, tris.size());
  delete[] tan;
  int numVerts = 0;
  RlTangentPointD* verts = nullptr;
  RlIndex* indices = nullptr;
  EXPECT_TRUE(RlCreateVertexBuffersOnRoad(n, tris.data(), &numVerts, &verts, &indices, road));
  r.vertices = BytesOf(verts, static_cast<std::size_t>(numVerts));
  r.indices = BytesOf(indices, tris.size());
  delete[] verts;
  delete[] indices;
  return r;
}

// The blocked road with every layer, and with each optional layer off in turn.
std::vector<std::pair<const char*, RlWeldOptions>> BlockedRoads() {
  std::vector<std::pair<const char*, RlWeldOptions>> roads;
  const auto add = [&](const char* name, bool RlWeldLayers::*layer) {
    RlWeldOptions options(RlWeldRoad::kBlocked);
    if (layer != nullptr) options.layers.*layer = false;
    roads.emplace_back(name, options);
  };
  add("all layers", nullptr);
#if !RL_EMULATED  // the layers are byte-order blind: under emulation, all of them at once
  add("no helper thread", &RlWeldLayers::helperThread);
  add("no mapping ahead", &RlWeldLayers::mapAhead);
  add("no search memo", &RlWeldLayers::searchMemo);
  add("no block cache", &RlWeldLayers::blockCache);
#endif
  return roads;
}

void ExpectSameOnBothRoads(std::vector<RlRawTriangle> tris) {
  const Results flat = Weld(tris, RlWeldRoad::kFlat);
  for (const auto& [name, options] : BlockedRoads()) {
    SCOPED_TRACE(name);
    const Results blocked = Weld(tris, options);
    EXPECT_TRUE(flat.tangentsD == blocked.tangentsD) << "RlComputeTangentsD";
    EXPECT_TRUE(flat.tangents == blocked.tangents) << "RlComputeTangents";
    EXPECT_EQ(flat.vertices.size(), blocked.vertices.size()) << "vertex count";
    EXPECT_TRUE(flat.vertices == blocked.vertices) << "vertex buffer";
    EXPECT_TRUE(flat.indices == blocked.indices) << "index buffer";
  }
}

// n triangles whose corner k lies at position(k, axis) on each axis.
template <typename Position>
std::vector<RlRawTriangle> Placed(int n, Position position) {
  std::vector<RlRawTriangle> tris;
  for (int t = 0; t < n; ++t) {
    float p[3][3];
    for (int j = 0; j < 3; ++j) {
      for (int axis = 0; axis < 3; ++axis) {
        p[j][axis] = position(3 * t + j, axis);
      }
    }
    tris.push_back(FlatTriangle(p, {{0, 0}, {1, 0}, {0, 1}}));
  }
  return tris;
}

// A reproducible shuffle.
void Shuffle(std::vector<RlRawTriangle>& tris, uint32_t seed) {
  for (std::size_t i = tris.size(); i > 1; --i) {
    seed = seed * 1664525u + 1013904223u;
    std::swap(tris[i - 1], tris[(seed >> 8) % i]);
  }
}

}  // namespace

TEST(WeldRoads, SeededTroubledMeshes) {
  for (uint32_t seed = 1; seed <= 5; ++seed) {
    SCOPED_TRACE(seed);
    ExpectSameOnBothRoads(TroubleMesh(400 * static_cast<int>(seed) * static_cast<int>(seed), seed));
  }
}

// Corners along x whose y is their place in the triangle.
template <typename Position>
std::vector<RlRawTriangle> AlongX(int n, Position x) {
  return Placed(n, [x](int k, int axis) { return axis == 0 ? x(k) : axis == 1 ? static_cast<float>(k % 3) : 0.0f; });
}

TEST(WeldRoads, SortedAscendingAndDescending) {
  // 75K distinct corners (splits leave blocks half full: more than one group of blocks),
  // then each again, in reverse, to be found at its rank.
  for (const float sign : {1.0f, -1.0f}) {
    std::vector<RlRawTriangle> tris = AlongX(25000, [sign](int k) { return sign * static_cast<float>(k); });
    tris.insert(tris.end(), tris.rbegin(), tris.rend());
    ExpectSameOnBothRoads(tris);
  }
}

// Every corner equal; neighbours 0.6e-7 apart in x, y or z equal there while those two
// steps apart are not, so that the comparison falls through to the full record along the
// chain; with x equal it falls to y, then (with y equal too) to z.
TEST(WeldRoads, EqualCornersAndNearToleranceChains) {
  ExpectSameOnBothRoads(std::vector<RlRawTriangle>(
      3000, FlatTriangle({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}})));
  ExpectSameOnBothRoads(AlongX(5000, [](int k) { return 1.0f + static_cast<float>(k % 97) * 6e-8f; }));
  ExpectSameOnBothRoads(AlongX(5000, [](int k) { return static_cast<float>(k % 7) * 1e-7f; }));
  ExpectSameOnBothRoads(Placed(5000, [](int k, int axis) {
    return axis == 1 ? 1.0f + static_cast<float>(k % 89) * 6e-8f : static_cast<float>(axis == 2 ? k % 3 : 0);
  }));
  ExpectSameOnBothRoads(
      Placed(5000, [](int k, int axis) { return axis == 2 ? 0.5f + static_cast<float>(k % 83) * 3e-8f : 1.0f; }));
}

TEST(WeldRoads, TangentsNearTheWeldingAngle) {
  // Fans of triangles around shared corners, each mapped with its texture axes turned
  // by an angle close to a multiple of the welding angle: corners meet summed frames
  // whose angle to theirs lies on either side of the limit, some within rounding of it.
  const double limit = 1.2661036727794992;  // acos(0.3)
  std::vector<RlRawTriangle> tris;
  uint32_t seed = 5;
  for (int fan = 0; fan < 400; ++fan) {
    const float centre[3] = {static_cast<float>(fan), 0, 0};
    for (int k = 0; k < 6; ++k) {
      seed = seed * 1664525u + 1013904223u;
      const double jitter = (static_cast<double>(seed >> 8) / (1 << 24) - 0.5) * 2e-6;
      const double angle = (k % 3) * limit + jitter + (k / 3) * 1e-3;
      float c, s;
      CosSin(angle, &c, &s);
      const float p[3][3] = {{centre[0], centre[1], centre[2]},
                             {centre[0] + c, centre[1] + s, centre[2]},
                             {centre[0] - s, centre[1] + c, centre[2]}};
      tris.push_back(FlatTriangle(p, {{0.5f, 0.5f}, {1.5f, 0.5f}, {0.5f, 1.5f}}));
    }
  }
  ExpectSameOnBothRoads(tris);
}

TEST(WeldRoads, LargeTorusFedByTheHelperThread) {
  ExpectSameOnBothRoads(Torus(320, 80));  // 51,200 triangles
}

// The public switch keeps a weld on the caller's thread, with the same results.
TEST(WeldRoads, OneThreadOnRequest) {
  std::vector<RlRawTriangle> tris = Torus(320, 80);
  const Results helped = Weld(tris, RlWeldRoad::kAuto);
  RlSetWeldThreads(1);
  EXPECT_FALSE(RlCornerFeed(static_cast<int>(tris.size()), tris.data()).Threaded());
  const Results alone = Weld(tris, RlWeldRoad::kAuto);
  RlSetWeldThreads(2);
  EXPECT_EQ(RlCornerFeed(static_cast<int>(tris.size()), tris.data()).Threaded(),
            std::thread::hardware_concurrency() >= 2);
  EXPECT_TRUE(helped.tangentsD == alone.tangentsD && helped.vertices == alone.vertices &&
              helped.indices == alone.indices);
}

TEST(WeldRoads, ShuffledTorus) {
  std::vector<RlRawTriangle> tris = Torus(120, 60);
  ExpectSameOnBothRoads(tris);
  Shuffle(tris, 99);
  ExpectSameOnBothRoads(tris);
}

TEST(WeldRoads, RepeatedKeysWithMirroredFrames) {
  // Fans whose centre has the same keys in every triangle, mapped once as they lie and
  // once mirrored in u: each centre becomes two vertices, tangents +x and -x. After the
  // fans are built, triangles drawn from them at random, a few from one fan at a time,
  // make no new vertex: each centre is searched for again and again with either frame,
  // and the search meets the centre's other vertex first about half of the time.
  constexpr int kFans = 12;
  constexpr int kRing = 300;
  const auto fanTriangle = [](int fan, int k, bool mirrored) {
    const float centre = static_cast<float>(10 * fan);
    float p[3][3] = {{centre, 0, 0}};
    float t[3][2] = {{0.5f, 0.5f}};
    for (int j = 1; j < 3; ++j) {
      float c, s;
      CosSin(6.283185307179586 * ((k + j - 1) % kRing) / kRing, &c, &s);
      p[j][0] = centre + c, p[j][1] = s, p[j][2] = 0;
      t[j][0] = 0.5f + (mirrored ? -0.5f : 0.5f) * c, t[j][1] = 0.5f + 0.5f * s;
    }
    return FlatTriangle(p, t);
  };
  std::vector<RlRawTriangle> tris;
  for (int fan = 0; fan < kFans; ++fan) {
    for (int k = 0; k < 2 * kRing; ++k) {
      tris.push_back(fanTriangle(fan, k % kRing, k >= kRing));
    }
  }
  uint32_t seed = 7;
  const auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % range);
  };
  for (int run = 0; run < 2000; ++run) {
    const int fan = next(kFans);
    for (int i = 0; i < 6; ++i) {
      tris.push_back(fanTriangle(fan, next(kRing), next(2) == 1));
    }
  }
  ExpectSameOnBothRoads(tris);
}
