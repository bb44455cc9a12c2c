// Every road of every operation under faults: the n-th allocation, write or read fails,
// for every n until the operation runs without meeting one. Each road must report as
// specified, hand over or release what it allocated (LeakSanitizer checks under asan),
// and leave no partial target.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "AddressSpace.h"
#include "ExportFixture.h"
#include "Faults.h"
#include "Meshes.h"
#include "RLFExport.h"
#if RL_HAVE_BAKE
#include "RlBake.h"
#include "Spheres.h"
#endif
#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"
#include "Scenes.h"
#include "Streams.h"
#include "Triangles.h"

namespace {

Fault gWalkFault;
int gWalkStep;
bool gWalkStruck;
std::string gWalkMessages;  // what the last run a fault struck wrote to standard error

// Runs the call under test with the walk's fault armed (setting up and checking around
// it stay unharmed); returns what the call returned.
bool Armed(const std::function<bool()>& call) {
  ArmFault(gWalkFault, gWalkStep);
  const bool ok = call();
  gWalkStruck = FaultStruck();
  DisarmFaults();
  return ok;
}

// Runs op with the fault striking at n = 0, 1, 2, ... until op runs clean. op returns
// whether it succeeded; a struck run must fail, a clean run must succeed. Returns the
// number of roads walked.
int Walk(Fault fault, const std::function<bool()>& op) {
  gWalkFault = fault;
  for (int n = 0; n < 10000; ++n) {
    gWalkStep = n;
    gWalkStruck = false;
    testing::internal::CaptureStderr();
    const bool ok = op();
    const std::string messages = testing::internal::GetCapturedStderr();
    const bool struck = gWalkStruck;
    if (!struck) {
      EXPECT_TRUE(ok) << "a run without a fault failed";
      return n;
    }
    EXPECT_FALSE(ok) << "fault " << n << " was reported as success";
    gWalkMessages = messages;
  }
  ADD_FAILURE() << "never ran clean";
  return -1;
}

bool WriteFile(FILE* fp, std::vector<RlRawTriangle>& tris) {
  return Armed([&] { return RlWriteTriangles(fp, static_cast<int>(tris.size()), tris.data()); });
}

}  // namespace

TEST(FaultWalk, RlfFunctions) {
  std::vector<RlRawTriangle> tris = PatternTriangles(300);
  const Bytes file = RlfFileOf(tris);
  const Bytes body(file.begin() + 16, file.end());
  for (const Fault fault : {Fault::kArrayAllocation, Fault::kWrite, Fault::kRead}) {
    SCOPED_TRACE(static_cast<int>(fault));
    int roads = Walk(fault, [&] {
      UniqueFile fp(std::tmpfile());
      return WriteFile(fp.get(), tris);
    });
    roads += Walk(fault, [&] {
      UniqueFile fp(TempFileWith(file));
      int numTris = 0;
      RlRawTriangle* read = nullptr;
      const bool ok = Armed([&] { return RlReadTriangles(fp.get(), &numTris, &read); });
      delete[] read;  // handed over on every road that allocated it
      return ok;
    });
    if (fault == Fault::kArrayAllocation) {
      EXPECT_EQ(gWalkMessages, "Unable to allocate space for 300 triangles\n");
    }
    roads += Walk(fault, [&] {
      UniqueFile in(TempFileWith(body));
      UniqueFile out(std::tmpfile());
      const bool ok = Armed([&] { return RlConvertFile(in.get(), out.get()); });
      // A failed conversion may have written part of a file; a good one all of it.
      return ok && ContentsOf(out.get()) == file;
    });
    EXPECT_GT(roads, 0) << "the fault never struck";
  }
}

TEST(FaultWalk, TangentsAndVertexBuffersOnBothRoads) {
  std::vector<RlRawTriangle> tris = TroubleMesh(300, 3);
  const int n = static_cast<int>(tris.size());
  for (RlWeldRoad road : {RlWeldRoad::kFlat, RlWeldRoad::kBlocked}) {
    for (Fault fault : {Fault::kArrayAllocation, Fault::kAllocation}) {
      SCOPED_TRACE(testing::Message() << "road " << static_cast<int>(road) << " fault " << static_cast<int>(fault));
      Walk(fault, [&] {
        RlRawTangentSpaceD* tan = nullptr;
        const bool ok = Armed([&] { return RlComputeTangentsDOnRoad(n, tris.data(), &tan, road); });
        delete[] tan;  // the caller's once stored
        return ok;
      });
      Walk(fault, [&] {
        RlRawTangentSpace* tan = nullptr;
        const bool ok = Armed([&] { return RlComputeTangentsOnRoad(n, tris.data(), &tan, road); });
        delete[] tan;
        return ok;
      });
      Walk(fault, [&] {
        int numVerts = 0;
        RlTangentPointD* verts = nullptr;
        RlIndex* indices = nullptr;
        const bool ok =
            Armed([&] { return RlCreateVertexBuffersOnRoad(n, tris.data(), &numVerts, &verts, &indices, road); });
        delete[] verts;
        delete[] indices;
        return ok;
      });
    }
  }
}

namespace {

// Whether this system reserves address space for the largest triangle array.
bool ReservationsOffered() {
  const std::size_t bytes = RL_RESERVED_TRIANGLES * sizeof(RlRawTriangle);
  void* space = ReserveAddressSpace(bytes);
  if (space != nullptr) ReleaseAddressSpace(space, bytes);
  return space != nullptr;
}

}  // namespace

// An export through the loaded module, on both roads of the triangle array (growing in
// reserved address space, and, where none is offered, by allocating and copying): each
// step of the array's growth, each write and the closing of the new file fail in turn.
// A failed growth reports "Unable to process geometry", a failed close "Unable to write
// geometry"; the target never exists unless the export succeeded, and nothing is left
// beside it.
TEST_F(ExportTest, FaultWalkOfAnExport) {
  // 24,000 triangles: the array is made, then grows once.
  scene().AssignObject(scene().AddShadingSet("sg"), scene().AddMesh("grid", host::kWorld, GridMesh(100, 120)));
  struct Road {
    bool reserved;
    Fault fault;
  };
  // Where the system offers no reservation (a 32-bit host, an emulator), both roads copy.
  // The growth's two steps come first.
  const Fault growth = ReservationsOffered() ? Fault::kCommit : Fault::kArrayAllocation;
  for (const Road& road : {Road{true, growth}, Road{false, Fault::kArrayAllocation}, Road{true, Fault::kWrite},
                           Road{false, Fault::kWrite}, Road{true, Fault::kClose}}) {
    SCOPED_TRACE(std::string(road.reserved ? "reserved" : "copied") + ", fault " +
                 std::to_string(static_cast<int>(road.fault)));
    RefuseReservations(!road.reserved);
    const int roads = Walk(road.fault, [&] {
      const std::string target = Target();
      std::remove(target.c_str());
      MStatus status;
      testing::internal::CaptureStdout();
      Armed([&] {
        status = plugin_.Write("rlf", target, MPxFileTranslator::kExportAccessMode);
        return static_cast<bool>(status);
      });
      std::fflush(stdout);
      const std::string out = testing::internal::GetCapturedStdout();
      const bool exists = std::filesystem::exists(target);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), exists ? 1 : 0);
      if (!status) {
        EXPECT_FALSE(exists) << "a failed export left a target";
        if (road.fault != Fault::kWrite) {
          EXPECT_EQ(out, gWalkStep < 2 && road.fault != Fault::kClose ? "Unable to process geometry"
                                                                      : "Unable to write geometry");
        }
        return false;
      }
      ExportResult r;
      ReadBack(target, &r);
      return r.count == 24000;
    });
    RefuseReservations(false);
    EXPECT_GE(roads, 1);
  }
}

namespace {

// Reaches the translator's triangle array.
class TriangleArrayProbe : public RLFExport {
 public:
  // Reserves k more records, marking each with its number; false when one is refused.
  bool Fill(int k) {
    for (int i = 0; i < k; ++i) {
      RlRawTriangle* tri = GetNextTriangle();
      if (tri == nullptr) return false;
      tri->vert[0].x = static_cast<float>(m_numTriangles - 1);
    }
    return true;
  }
  int Capacity() const { return m_maxNumTriangles; }
  // Whether every record reserved so far still holds its number.
  bool Intact() const {
    for (int i = 0; i < m_numTriangles; ++i) {
      if (m_triList[i].vert[0].x != static_cast<float>(i)) return false;
    }
    return true;
  }
  void Restart() { m_numTriangles = 0; }  // as the writer does before each export
};

}  // namespace

// The capacity after k triangles is the next multiple of 20,000, on both roads; records
// keep their contents through every growth, and the capacity outlives an export.
TEST(TriangleArray, GrowsByFixedStepsOnBothRoads) {
  for (const bool reserved : {true, false}) {
    SCOPED_TRACE(reserved ? "reserved" : "copied");
    RefuseReservations(!reserved);
    for (const int k : {1, 19999, 20000, 20001, 39999, 40000, 40001, 100001}) {
      TriangleArrayProbe probe;
      ASSERT_TRUE(probe.Fill(k));
      const int capacity = (k + 19999) / 20000 * 20000;
      EXPECT_EQ(probe.Capacity(), capacity) << k;
      EXPECT_TRUE(probe.Intact()) << k;
      probe.Restart();
      ASSERT_TRUE(probe.Fill(k / 2 + 1));
      EXPECT_EQ(probe.Capacity(), capacity) << k;
      EXPECT_TRUE(probe.Intact()) << k;
    }
    RefuseReservations(false);
  }
}

#if RL_HAVE_BAKE
// The bake, on one thread, with each of its allocations failing in turn (those that
// throw and the array allocations that return null; the ray tracer's own are spared, as
// it does not survive them): each bake reports a failure and frees what it took, or,
// where a failure only cost it a helper thread, bakes the same map.
TEST(FaultWalk, TheBake) {
  const std::vector<RlRawTriangle> low = Sphere(6, 8, false), high = Sphere(12, 16, true);
  RlBakeOptions options;
  options.width = options.height = 16;
  options.threads = 1;
  options.maps.heights = true;
  std::string error;
  RlBakeMap clean;
  ASSERT_EQ(RlBake(low, high, options, &clean, &error), RlBakeStatus::kDone);
  SpareLibrary("embree");
  for (const Fault fault : {Fault::kAllocation, Fault::kArrayAllocation}) {
    int n = 0;
    for (bool struck = true; struck && n < 10000; ++n) {
      RlBakeMap map;
      error.clear();
      ArmFault(fault, n);
      const RlBakeStatus status = RlBake(low, high, options, &map, &error);
      struck = FaultStruck();
      DisarmFaults();
      if (status == RlBakeStatus::kDone) {
        EXPECT_EQ(map.normals, clean.normals) << "fault " << n;
        EXPECT_EQ(map.heights, clean.heights) << "fault " << n;
      } else {
        EXPECT_TRUE(struck && status == RlBakeStatus::kFailed && !error.empty()) << "fault " << n;
      }
    }
    EXPECT_GT(n, fault == Fault::kAllocation ? 10 : 0);
  }
  SpareLibrary(nullptr);
}
#endif
