// A triangle array that cannot grow fails the export cleanly. This program replaces the
// non-throwing array allocator and exports it, so that the plug-in module binds to it.
#include <new>

#include "ExportFixture.h"
#include "Scenes.h"

namespace {

int gFailFrom = -1;  // allocations from this number on fail; -1: none
int gAllocations = 0;

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (gFailFrom >= 0 && ++gAllocations >= gFailFrom) {
    return nullptr;
  }
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

TEST_F(ExportTest, ATriangleArrayThatCannotGrowFailsTheExport) {
  // 30000 triangles: the array is allocated once, then must grow.
  scene().AssignObject(scene().AddShadingSet("sg"),
                       scene().AddMesh("grid", host::kWorld, GridMesh(100, 150)));
  for (int failing : {1, 2}) {
    SCOPED_TRACE(failing == 1 ? "first allocation" : "growth");
    gAllocations = 0;
    gFailFrom = failing;
    const ExportResult r = Export();
    gFailFrom = -1;
    EXPECT_FALSE(r.status);
    EXPECT_EQ(r.out, "Unable to process geometry");
    EXPECT_FALSE(r.written);
  }
  EXPECT_EQ(Export().count, 30000);  // memory back: the same translator code succeeds
}
