// The plug-in as the host loads it: its deregistration, an empty selection, one translator
// writing twice, and interrupts. (Targets that cannot be opened: the targets session.)
#include <maya/MFileObject.h>
#include <maya/MFnPlugin.h>

#include <fstream>
#include <memory>

#include "ExportFixture.h"
#include "Scenes.h"

using Translator = MPxFileTranslator;

TEST_F(ExportTest, ReportsAFailedDeregistration) {
  MObject object;
  MFnPlugin other(object);
  ASSERT_TRUE(other.deregisterFileTranslator("rlf"));  // taken away behind its back
  testing::internal::CaptureStderr();
  EXPECT_EQ(plugin_.Unload(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "deregisterFileTranslator: (kFailure): Unexpected Internal Failure\n");
}

// An empty selection exports nothing, not the whole scene. (An empty scene: the export
// session.)
TEST_F(ExportTest, AnEmptySelectionWritesTheEmptyFile) {
  scene().AssignObject(scene().AddShadingSet("sg"), scene().AddMesh("cube", scene().AddTransform("t"), CubeMesh()));
  const ExportResult r = Export(Translator::kExportActiveAccessMode);
  EXPECT_TRUE(r.status);
  EXPECT_EQ(r.count, 0);
  EXPECT_EQ(r.out + r.err, "");
}

// An interrupt at any poll of a large mesh's export, the last (after the file is written)
// among them, fails the export and leaves the target and its directory as they were; the
// computation begun is ended. A request from a signal handler (rlf's Ctrl-C) takes the
// same road.
TEST_F(ExportTest, InterruptsLeaveTheTargetAlone) {
  scene().AssignObject(scene().AddShadingSet("sg"), scene().AddMesh("grid", host::kWorld, GridMesh(100, 100)));
  ASSERT_TRUE(Export().status);
  const int polls = scene().Computations().polls;
  ASSERT_GT(polls, 3);  // the mesh is polled within, not only before and after
  for (int at = 0; at < polls; ++at) {
    SCOPED_TRACE(at);
    std::ofstream(Target()) << "keep me";
    scene().InterruptAfter(at);
    const ExportResult r = Export();
    EXPECT_FALSE(r.status);
    EXPECT_GE(scene().Computations().ended, scene().Computations().begun);
    std::ifstream kept(Target());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
  }
  scene().InterruptAfter(-1);
  host::RequestInterrupt();
  const ExportResult r = Export(Translator::kExportAccessMode, Target("other.rlf"));
  EXPECT_FALSE(r.status);
  EXPECT_EQ(r.out, "Unable to process geometry");
  EXPECT_FALSE(r.written);
}

TEST_F(ExportTest, TwoExportsOnOneTranslatorReuseTheArray) {
  const host::NodeId grid = scene().AddMesh("grid", host::kWorld, GridMesh(2, 3));
  const int set = scene().AddShadingSet("sg");
  scene().AssignObject(set, grid);
  std::unique_ptr<Translator> translator(static_cast<Translator*>(host::FindTranslator("rlf")->creator()));
  MFileObject first, second;
  first.setFullName(Target("first.rlf").c_str());
  second.setFullName(Target("second.rlf").c_str());
  ASSERT_TRUE(translator->writer(first, "", Translator::kExportAccessMode));

  scene().Reset();
  scene().AssignObject(scene().AddShadingSet("sg"), scene().AddMesh("quad", host::kWorld, GridMesh(1, 1)));
  ASSERT_TRUE(translator->writer(second, "", Translator::kExportAccessMode));

  ExportResult a, b;
  ReadBack(Target("first.rlf"), &a);
  ReadBack(Target("second.rlf"), &b);
  EXPECT_EQ(a.count, 12);
  EXPECT_EQ(b.count, 2);
  EXPECT_EQ(b.tris[1].vert[2].y, 1.0f);
}
