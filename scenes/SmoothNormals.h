// Normals for meshes that come without them.
#ifndef RLF_SMOOTH_NORMALS_H
#define RLF_SMOOTH_NORMALS_H

#include "host/Scene.h"

// Area-weighted smooth normals: one per point, the normalised sum of the (area-long)
// normals of the polygons around it; every face-vertex uses its point's normal.
void SmoothNormals(host::MeshDesc& mesh);

#endif
