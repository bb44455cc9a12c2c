// Walking the scene and turning every polygon of every exported mesh into triangles.
#define MNoVersionString  // MApiVersion lives in PluginMain.cpp
#include <maya/MFloatArray.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnMesh.h>
#include <maya/MFnSet.h>
#include <maya/MGlobal.h>
#include <maya/MIOStream.h>
#include <maya/MIntArray.h>
#include <maya/MItDag.h>
#include <maya/MItMeshPolygon.h>
#include <maya/MItSelectionList.h>
#include <maya/MObjectArray.h>
#include <maya/MPointArray.h>
#include <maya/MSelectionList.h>

#include <cstring>

#include "RLFExport.h"
#include "TriangleArray.h"

RlRawTriangle* RLFExport::GetNextTriangle() {
  if (m_numTriangles >= m_maxNumTriangles && !GrowTriangleArray(&m_triList, &m_maxNumTriangles, &m_reserved)) {
    return nullptr;
  }
  return &m_triList[m_numTriangles++];
}

bool RLFExport::isObjectSelected(const MDagPath& path) {
  MSelectionList selection;
  MGlobal::getActiveSelectionList(selection);
  for (MItSelectionList item(selection, MFn::kDagNode); !item.isDone(); item.next()) {
    MDagPath selected;
    if (item.getDagPath(selected) && selected == path) {
      return true;
    }
  }
  return false;
}

bool RLFExport::isObjectOrParentSelected(const MDagPath& path) {
  // The node itself, then each ancestor up to the top level (never the world).
  MDagPath search(path);
  while (true) {
    if (isObjectSelected(search)) {
      return true;
    }
    if (search.length() <= 1) {
      return false;
    }
    search.pop(1);
  }
}

bool RLFExport::ProcessGeom(MPxFileTranslator::FileAccessMode mode, MComputation& computation) {
  MStatus stat;
  MItDag dagIterator(MItDag::kDepthFirst, MFn::kInvalid, &stat);
  if (!stat) {
    return false;
  }
  for (; !dagIterator.isDone(); dagIterator.next()) {
    MObject node = dagIterator.item(&stat);
    MDagPath path;
    stat = dagIterator.getPath(path);
    if (!stat) {
      stat.perror("MItDag::getPath");
      continue;
    }
    if (mode == MPxFileTranslator::kExportActiveAccessMode && !isObjectOrParentSelected(path)) {
      continue;
    }
    MFnDagNode dagNode(path, &stat);
    if (!stat) {
      stat.perror("MFnDagNode::constructor");
      continue;
    }
    if (path.hasFn(MFn::kMesh) && !ExportMesh(path, node, computation)) {
      return false;  // out of memory
    }
    if (computation.isInterruptRequested()) {
      computation.endComputation();
      return false;
    }
  }
  return true;
}

namespace {

// A mesh's world-space data, fetched once, and the lookups of one corner, each index
// checked against the array it reads.
struct MeshArrays {
  MFloatPointArray points;
  MFloatVectorArray normals;
  MFloatArray us;
  MFloatArray vs;

  bool HasPoint(int i) const { return i >= 0 && static_cast<unsigned>(i) < points.length(); }
  bool HasNormal(int i) const { return i >= 0 && static_cast<unsigned>(i) < normals.length(); }
  bool HasUV(int i) const {
    return i >= 0 && static_cast<unsigned>(i) < us.length() && static_cast<unsigned>(i) < vs.length();
  }
};

// Corner i of tri from the corner vertex: its position, and the normal and texture
// coordinate of the first face-vertex on it. A vertex the polygon does not visit (or
// an index out of range) leaves a zero normal and texture coordinate.
void MatchCorner(RlRawTriangle& tri, int i, int vertex, const FaceIndex* face, int numVerts, const MeshArrays& mesh) {
  if (mesh.HasPoint(vertex)) {
    for (int k = 0; k < 3; ++k) {
      tri.vert[i].v[k] = mesh.points[static_cast<unsigned>(vertex)][static_cast<unsigned>(k)];
    }
  }
  int nIdx = -1;
  int uvIdx = -1;
  for (int v = 0; v < numVerts; ++v) {
    if (face[v].vertIdx == vertex) {
      nIdx = face[v].nIdx;
      uvIdx = face[v].uvIdx;
      break;
    }
  }
  if (!mesh.HasPoint(vertex) || !mesh.HasNormal(nIdx) || (uvIdx != -1 && !mesh.HasUV(uvIdx))) {
    std::cerr << "** Error: Unable to find matching vertex index\n";
    return;
  }
  for (int k = 0; k < 3; ++k) {
    tri.norm[i].v[k] = mesh.normals[static_cast<unsigned>(nIdx)][static_cast<unsigned>(k)];
  }
  if (uvIdx != -1) {
    tri.texCoord[i].u = mesh.us[static_cast<unsigned>(uvIdx)];
    tri.texCoord[i].v = mesh.vs[static_cast<unsigned>(uvIdx)];
  }
}

// The indices of each of the polygon's numVerts vertices into indices (-1 where it has none).
void FaceIndices(MItMeshPolygon& polygon, MFnMesh& fnMesh, int numVerts, FaceIndex* indices) {
  MStatus stat;
  for (int v = 0; v < numVerts; ++v) {
    FaceIndex& entry = indices[v];
    entry.vertIdx = polygon.vertexIndex(v, &stat);
    entry.nIdx = polygon.normalIndex(v, &stat);
    entry.uvIdx = -1;
    polygon.getUVIndex(v, entry.uvIdx, nullptr);
    entry.cIdx = -1;
    if (!fnMesh.getFaceVertexColorIndex(polygon.index(&stat), v, entry.cIdx)) {
      entry.cIdx = -1;
    }
  }
}

}  // namespace

bool RLFExport::ExportMesh(const MDagPath& path, MObject& node, MComputation& computation) {
  // The mesh's data, once, in world space.
  MFnMesh fnMesh;
  fnMesh.setObject(path);
  MeshArrays mesh;
  fnMesh.getPoints(mesh.points, MSpace::kWorld);
  fnMesh.getNormals(mesh.normals, MSpace::kWorld);
  fnMesh.getUVs(mesh.us, mesh.vs, nullptr);

  // The polygons of each renderable set of instance 0.
  MStatus stat;
  MFnMesh fnNode(node, &stat);
  MObjectArray sets;
  MObjectArray comps;
  fnNode.getConnectedSetsAndMembers(0, sets, comps, true);
  // The triangle query's arrays, filled afresh for every triangle.
  MPointArray points;
  MIntArray vertexList;
  constexpr unsigned kPollPolygons = 4096;
  unsigned polygons = 0;
  for (unsigned sk = 0; sk < sets.length(); ++sk) {
    MObject set = sets[sk];
    MObject comp = comps[sk];
    MFnSet fnSet(set, &stat);
    for (MItMeshPolygon polygon(path, comp, &stat); !polygon.isDone(); polygon.next()) {
      // A mesh of millions of polygons must not keep an interrupt waiting.
      if (++polygons % kPollPolygons == 0 && computation.isInterruptRequested()) {
        return true;
      }
      const int numVerts = polygon.polygonVertexCount(&stat);
      if (numVerts > RL_MAX_VERTICES_PER_FACE) {
        std::cerr << "** Too many vertices on this face " << numVerts << "\n";
        continue;
      }
      FaceIndices(polygon, fnMesh, numVerts, m_faceIndices);
      int numTris = 0;
      polygon.numTriangles(numTris);
      for (int q = 0; q < numTris; ++q) {
        polygon.getTriangle(q, points, vertexList, MSpace::kWorld);
        if (vertexList.length() < 3) {
          continue;  // the host gave no triangle
        }
        RlRawTriangle* tri = GetNextTriangle();
        if (tri == nullptr) {
          return false;
        }
        std::memset(tri, 0, sizeof *tri);
        for (int i = 0; i < 3; ++i) {
          MatchCorner(*tri, i, vertexList[static_cast<unsigned>(i)], m_faceIndices, numVerts, mesh);
        }
      }
    }
  }
  return true;
}
