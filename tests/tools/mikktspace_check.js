// Compares the TANGENT attribute of a glb's triangles with the tangents MikkTSpace
// computes from its positions, normals and texture coordinates (the npm package
// mikktspace, the reference algorithm compiled to WebAssembly), as glTF viewers do: w
// negated, since glTF's v runs down the image. Prints one JSON line:
//   {"corners", "maxDifference" (largest per component), "signMismatches",
//    "mixedTriangles" (triangles whose corners differ in w),
//    "mixedInReference" (triangles to which the reference gives corners of both signs),
//    "noTangentInReference" (corners to which it gives a zero tangent)}
// Sign mismatches are counted over the other triangles, and differences over the other
// corners: a glb holds one w for all of a triangle's corners, and unit tangents only.
// and exits 1 when the file cannot be read.
const fs = require('fs');
const {generateTangents} = require('mikktspace');

const glb = fs.readFileSync(process.argv[2]);
const jsonLength = glb.readUInt32LE(12);
const json = JSON.parse(glb.subarray(20, 20 + jsonLength).toString('utf8'));
const bin = glb.subarray(20 + jsonLength + 8);

// An accessor's elements as a flat array (tightly packed, as rlf weld writes them).
function Read(index) {
  const accessor = json.accessors[index];
  const view = json.bufferViews[accessor.bufferView];
  const width = {SCALAR: 1, VEC2: 2, VEC3: 3, VEC4: 4}[accessor.type];
  const offset = (view.byteOffset || 0) + (accessor.byteOffset || 0);
  const Type = accessor.componentType === 5126 ? Float32Array : Uint32Array;
  return new Type(bin.buffer.slice(bin.byteOffset + offset, bin.byteOffset + offset + 4 * width * accessor.count));
}

let corners = 0, maxDifference = 0, signMismatches = 0, mixedTriangles = 0, mixedInReference = 0, noTangentInReference = 0;
for (const mesh of json.meshes) {
  for (const primitive of mesh.primitives) {
    const a = primitive.attributes;
    const [position, normal, uv, tangent] = [a.POSITION, a.NORMAL, a.TEXCOORD_0, a.TANGENT].map(Read);
    const indices = Read(primitive.indices);
    const n = indices.length;
    const p = new Float32Array(3 * n), nn = new Float32Array(3 * n), t = new Float32Array(2 * n);
    for (let c = 0; c < n; ++c) {
      const v = indices[c];
      p.set(position.subarray(3 * v, 3 * v + 3), 3 * c);
      nn.set(normal.subarray(3 * v, 3 * v + 3), 3 * c);
      t.set(uv.subarray(2 * v, 2 * v + 2), 2 * c);
    }
    const expected = generateTangents(p, nn, t);
    const mixed = (w) => w[0] !== w[1] || w[0] !== w[2];
    for (let t = 0; t < n / 3; ++t) {
      const reference = mixed([0, 1, 2].map((i) => expected[4 * (3 * t + i) + 3]));
      mixedInReference += reference;
      mixedTriangles += mixed([0, 1, 2].map((i) => tangent[4 * indices[3 * t + i] + 3]));
      for (let c = 3 * t; c < 3 * t + 3; ++c) {
        const v = indices[c];
        const e = expected.subarray(4 * c, 4 * c + 3);
        if (e[0] === 0 && e[1] === 0 && e[2] === 0) {
          ++noTangentInReference;
          continue;
        }
        for (let k = 0; k < 3; ++k) {
          maxDifference = Math.max(maxDifference, Math.abs(expected[4 * c + k] - tangent[4 * v + k]));
        }
        if (!reference && -expected[4 * c + 3] !== tangent[4 * v + 3]) ++signMismatches;
      }
    }
    corners += n;
  }
}
console.log(JSON.stringify({corners, maxDifference, signMismatches, mixedTriangles, mixedInReference, noTangentInReference}));
