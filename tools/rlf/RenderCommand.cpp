// rlf render: a quick look at an RLF file before or after baking. A small software
// rasteriser (depth buffer, orthographic camera fitted to the bounding box) draws normals,
// tangent frames or texture coordinates as colours, or the surface lit by one light,
// into a PNG. With a normal map, the map's normals, decoded in the tangent frames a
// viewer builds for the welded mesh, are lit or shown as colours.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <memory>

#include "Commands.h"
#include "GltfMesh.h"
#include "InputFile.h"
#include "MeshInput.h"
#include "NonFinite.h"
#include "OutputFile.h"
#include "RlTangentSpace.h"

namespace {

struct Vec3 {
  double x, y, z;
};
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Unit(Vec3 a) {
  const double l = std::sqrt(Dot(a, a));
  return l > 0 ? Vec3{a.x / l, a.y / l, a.z / l} : Vec3{0, 0, 0};
}
Vec3 Of(const RlRawPoint& p) { return {p.x, p.y, p.z}; }

// A direction as a colour: each component from [-1, 1] to [0, 1].
Vec3 DirectionColour(Vec3 d) {
  const Vec3 u = Unit(d);
  return {u.x * 0.5 + 0.5, u.y * 0.5 + 0.5, u.z * 0.5 + 0.5};
}

struct RenderOptions {
  std::string input, output, shade, normalMap, occlusionMap, boundsOf;  // shade: "lit" with a map, else "normal"
  std::vector<std::string> beside;
  int size = 512;
  FrameChoice frames;
};

// A map as read back: 16-bit levels (8-bit files are widened exactly).
struct MapImage {
  int width = 0, height = 0;
  std::unique_ptr<stbi_us, void (*)(void*)> levels{nullptr, stbi_image_free};

  // The levels at glTF texture coordinates (u, v), 0 to 1, bilinear, repeating.
  Vec3 At(double u, double v) const {
    const double x = u * width - 0.5, y = v * height - 0.5;
    const double fx = std::floor(x), fy = std::floor(y);
    Vec3 sum{0, 0, 0};
    for (int j = 0; j < 2; ++j) {
      for (int i = 0; i < 2; ++i) {
        const double weight = (i ? x - fx : 1 - (x - fx)) * (j ? y - fy : 1 - (y - fy));
        const auto wrap = [](double c, int n) {
          return static_cast<std::size_t>(((static_cast<long long>(c) % n) + n) % n);
        };
        const stbi_us* texel =
            &levels.get()[3 * (wrap(fy + j, height) * static_cast<std::size_t>(width) + wrap(fx + i, width))];
        sum = {sum.x + weight * texel[0] / 65535, sum.y + weight * texel[1] / 65535, sum.z + weight * texel[2] / 65535};
      }
    }
    return sum;
  }
  // The unit vector a normal map holds there.
  Vec3 NormalAt(double u, double v) const {
    const Vec3 l = At(u, v);
    return Unit({2 * l.x - 1, 2 * l.y - 1, 2 * l.z - 1});
  }
};

// The corners' bounding box of tris, lo and hi.
void Bounds(const std::vector<RlRawTriangle>& tris, Vec3* lo, Vec3* hi) {
  *lo = {INFINITY, INFINITY, INFINITY}, *hi = {-INFINITY, -INFINITY, -INFINITY};
  for (const RlRawTriangle& t : tris) {
    for (const RlRawPoint& p : t.vert) {
      *lo = {std::min(lo->x, double{p.x}), std::min(lo->y, double{p.y}), std::min(lo->z, double{p.z})};
      *hi = {std::max(hi->x, double{p.x}), std::max(hi->y, double{p.y}), std::max(hi->z, double{p.z})};
    }
  }
}

// What the picture shows: the options' shade, or by default normals (lit with a map).
// Empty, with a line said, when the request cannot be drawn.
std::string CheckRequest(const RenderOptions& options) {
  const std::string shade = !options.shade.empty() ? options.shade : options.normalMap.empty() ? "normal" : "lit";
  if (!options.normalMap.empty() && shade != "lit" && shade != "normal") {
    std::cerr << "rlf: a normal map shows through --shade lit or normal\n";
    return {};
  }
  if (!options.occlusionMap.empty() && (options.normalMap.empty() || shade != "lit")) {
    std::cerr << "rlf: an occlusion map darkens a surface lit through its normal map: give --normal-map too\n";
    return {};
  }
  const std::string extension = ExtensionOf(options.output);
  if (!extension.empty() && extension != ".png") {
    std::cerr << "rlf: " << options.output << ": render writes PNG pictures; name the file .png\n";
    return {};
  }
  return shade;
}

bool ReadMap(const std::string& path, MapImage* map, std::string* error) {
  FILE* image = OpenInput(path, error);
  if (image == nullptr) return false;
  int channels = 0;
  map->levels.reset(stbi_load_from_file_16(image, &map->width, &map->height, &channels, 3));
  std::fclose(image);
  if (!map->levels) *error = path + ": not a readable PNG or TGA image (" + stbi_failure_reason() + ")";
  return map->levels != nullptr;
}

// The colour of each corner for shade (with "lit", the normal the light falls on); false
// when memory runs out.
bool CornerColours(const std::vector<RlRawTriangle>& tris, const std::string& shade, std::vector<Vec3>* colours) {
  colours->resize(3 * tris.size());
  if (shade == "tangent" && !tris.empty()) {
    RlRawTangentSpace* raw = nullptr;
    const bool computed =
        RlComputeTangents(static_cast<int>(tris.size()), const_cast<RlRawTriangle*>(tris.data()), &raw);
    const std::unique_ptr<RlRawTangentSpace[]> frames(raw);
    if (!computed) return false;
    for (std::size_t t = 0; t < tris.size(); ++t) {
      for (int i = 0; i < 3; ++i)
        (*colours)[3 * t + static_cast<std::size_t>(i)] = DirectionColour(Of(frames[t].tangent[i]));
    }
    return true;
  }
  for (std::size_t t = 0; t < tris.size(); ++t) {
    for (int i = 0; i < 3; ++i) {
      const RlRawTexCoord& uv = tris[t].texCoord[i];
      (*colours)[3 * t + static_cast<std::size_t>(i)] =
          shade == "uv"    ? Vec3{uv.u - std::floor(uv.u), uv.v - std::floor(uv.v), 0.25}
          : shade == "lit" ? Unit(Of(tris[t].norm[i]))
                           : DirectionColour(Of(tris[t].norm[i]));
    }
  }
  return true;
}

// The camera: looking at the box's centre from above the front right, the box filling
// the picture; and one light, from above the viewer's right, low enough over the surface
// that bumps show, with a tenth of it everywhere.
struct View {
  int size;
  Vec3 centre, forward, right, up, light;
  double scale;  // pixels per unit

  View(const std::vector<RlRawTriangle>& framed, int pixels) : size(pixels) {
    Vec3 lo, hi;
    Bounds(framed, &lo, &hi);
    centre = framed.empty() ? Vec3{0, 0, 0} : Vec3{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    const double radius = framed.empty() ? 1.0 : std::max(1e-6, std::sqrt(Dot(hi - lo, hi - lo)) / 2);
    forward = Unit({-1, -0.8, -1.4});
    right = Unit(Cross(forward, {0, 1, 0}));
    up = Cross(right, forward);
    scale = size / (2.1 * radius);
    light = Unit({-0.5 * forward.x + 0.8 * up.x + 0.5 * right.x, -0.5 * forward.y + 0.8 * up.y + 0.5 * right.y,
                  -0.5 * forward.z + 0.8 * up.z + 0.5 * right.z});
  }
  Vec3 Lit(Vec3 normal) const {
    const double grey = 0.1 + 0.9 * std::max(0.0, Dot(Unit(normal), light));
    return {grey, grey, grey};
  }
};

// What a picture is drawn from.
struct Drawing {
  const std::vector<RlRawTriangle>& tris;
  const std::vector<Vec3>& colours;  // per corner, without a map
  const MapImage& map;
  const MapImage& occlusion;  // with a normal map, may be empty
  const RlGltfMesh& welded;   // with a map: the mesh as a viewer has it
  RlBitangent bitangent;
  bool lit;
};

// The colour at weights w of triangle t.
Vec3 ColourAt(const Drawing& d, const View& view, std::size_t t, const double w[3]) {
  if (!d.map.levels) {
    const Vec3 &c0 = d.colours[3 * t], &c1 = d.colours[3 * t + 1], &c2 = d.colours[3 * t + 2];
    const Vec3 colour{w[0] * c0.x + w[1] * c1.x + w[2] * c2.x, w[0] * c0.y + w[1] * c1.y + w[2] * c2.y,
                      w[0] * c0.z + w[1] * c1.z + w[2] * c2.z};
    return d.lit ? view.Lit(colour) : colour;
  }
  const RlIndex& corners = d.welded.indices[t];
  const RlGltfVertex* const c[3] = {&d.welded.vertices[static_cast<std::size_t>(corners.idx[0])],
                                    &d.welded.vertices[static_cast<std::size_t>(corners.idx[1])],
                                    &d.welded.vertices[static_cast<std::size_t>(corners.idx[2])]};
  const double u = w[0] * c[0]->uv[0] + w[1] * c[1]->uv[0] + w[2] * c[2]->uv[0];
  const double v = w[0] * c[0]->uv[1] + w[1] * c[1]->uv[1] + w[2] * c[2]->uv[1];
  const Vec3 m = d.map.NormalAt(u, v);
  const double tangentSpace[3] = {m.x, m.y, m.z};
  double n[3];
  RlFromTangentSpace(RlTangentFrameAt(c, w, d.bitangent), tangentSpace, n);
  if (!d.lit) return DirectionColour({n[0], n[1], n[2]});
  const Vec3 lit = view.Lit({n[0], n[1], n[2]});
  const double open = d.occlusion.levels ? d.occlusion.At(u, v).x : 1.0;
  return {lit.x * open, lit.y * open, lit.z * open};
}

// The triangles through a depth buffer into RGB rows, on a dark grey ground.
std::vector<unsigned char> Draw(const Drawing& d, const View& view) {
  const int size = view.size;
  const auto pixels = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  std::vector<unsigned char> image(3 * pixels, 32);
  std::vector<double> depth(pixels, std::numeric_limits<double>::infinity());
  for (std::size_t t = 0; t < d.tris.size(); ++t) {
    double sx[3], sy[3], sz[3];
    for (int i = 0; i < 3; ++i) {
      const Vec3 v = Of(d.tris[t].vert[i]) - view.centre;
      sx[i] = size / 2.0 + Dot(v, view.right) * view.scale;
      sy[i] = size / 2.0 - Dot(v, view.up) * view.scale;
      sz[i] = Dot(v, view.forward);
    }
    const double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
    if (!(std::fabs(area) > 1e-12)) continue;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
    const int x1 = std::min(size - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
    const int y1 = std::min(size - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        double w[3];
        w[0] = ((sx[1] - px) * (sy[2] - py) - (sy[1] - py) * (sx[2] - px)) / area;
        w[1] = ((sx[2] - px) * (sy[0] - py) - (sy[2] - py) * (sx[0] - px)) / area;
        w[2] = 1.0 - w[0] - w[1];
        if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;
        const double z = w[0] * sz[0] + w[1] * sz[1] + w[2] * sz[2];
        const std::size_t at =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x);
        if (!(z < depth[at])) continue;
        depth[at] = z;
        const Vec3 colour = ColourAt(d, view, t, w);
        const double rgb[3] = {colour.x, colour.y, colour.z};
        for (std::size_t k = 0; k < 3; ++k) {
          image[3 * at + k] = static_cast<unsigned char>(std::clamp(rgb[k], 0.0, 1.0) * 255.0 + 0.5);
        }
      }
    }
  }
  return image;
}

// The picture at path put to the right of image (RGB rows, *width wide, height high),
// which it widens; false with *error when it cannot be read or is not height high.
bool PlaceBeside(const std::string& path, int height, std::vector<unsigned char>* image, int* width,
                 std::string* error) {
  FILE* file = OpenInput(path, error);
  if (file == nullptr) return false;
  int w = 0, h = 0, channels = 0;
  const std::unique_ptr<stbi_uc, void (*)(void*)> picture(stbi_load_from_file(file, &w, &h, &channels, 3),
                                                          stbi_image_free);
  std::fclose(file);
  if (!picture || h != height) {
    *error = path + (picture ? ": is " + std::to_string(h) + " pixels high, not " + std::to_string(height)
                             : std::string(": not a readable picture (") + stbi_failure_reason() + ")");
    return false;
  }
  std::vector<unsigned char> wider(3 * static_cast<std::size_t>(*width + w) * static_cast<std::size_t>(height));
  for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
    const auto row = [y](int across) { return 3 * y * static_cast<std::size_t>(across); };
    std::copy_n(image->begin() + static_cast<std::ptrdiff_t>(row(*width)), 3 * *width,
                wider.begin() + static_cast<std::ptrdiff_t>(row(*width + w)));
    std::copy_n(picture.get() + row(w), 3 * w,
                wider.begin() + static_cast<std::ptrdiff_t>(row(*width + w) + 3 * static_cast<std::size_t>(*width)));
  }
  *image = std::move(wider);
  *width += w;
  return true;
}

int RunRender(const RenderOptions& options) {
  const std::string shade = CheckRequest(options);
  if (shade.empty()) return 2;
  std::vector<RlRawTriangle> tris, framing;
  std::string error;
  MapImage map, occlusion;
  if (!ReadMesh(options.input, &tris, &error) ||
      (!options.boundsOf.empty() && !ReadMesh(options.boundsOf, &framing, &error)) ||
      (!options.normalMap.empty() && !ReadMap(options.normalMap, &map, &error)) ||
      (!options.occlusionMap.empty() && !ReadMap(options.occlusionMap, &occlusion, &error))) {
    std::cerr << "rlf: " << error << "\n";
    return 1;
  }
  // Infinities and NaNs have no place in the picture, and would spoil the tangent frames.
  const std::size_t nonFinite = std::erase_if(tris, [](const RlRawTriangle& t) { return !IsFinite(t); });
  std::erase_if(framing, [](const RlRawTriangle& t) { return !IsFinite(t); });
  OutputFile file(options.output);
  if (!file.Open()) {
    std::cerr << "rlf: " << file.Error() << "\n";
    return 1;
  }
  RlGltfMesh welded;
  std::vector<Vec3> colours;
  if ((map.levels && !tris.empty() && !RlWeldGltfMesh(tris, options.frames.Basis(), &welded)) ||
      (!map.levels && !CornerColours(tris, shade, &colours))) {
    std::cerr << "rlf: " << options.input << ": not enough memory for its tangent frames\n";
    return 1;
  }
  const View view(framing.empty() ? tris : framing, options.size);
  std::vector<unsigned char> image =
      Draw({tris, colours, map, occlusion, welded, options.frames.bitangent, shade == "lit"}, view);
  int width = view.size;
  for (const std::string& path : options.beside) {
    if (!PlaceBeside(path, view.size, &image, &width, &error)) {
      std::cerr << "rlf: " << error << "\n";
      return 1;
    }
  }
  const auto write = [](void* context, void* data, int bytes) {
    static_cast<OutputFile*>(context)->Write(data, static_cast<std::size_t>(bytes));
  };
  if (!stbi_write_png_to_func(write, &file, width, view.size, 3, image.data(), 3 * width)) {
    std::cerr << "rlf: " << options.output << ": not enough memory to encode the picture\n";
    return 1;
  }
  if (!file.Commit()) {
    std::cerr << "rlf: " << file.Error() << "\n";
    return 1;
  }
  std::cout << "rendered " << tris.size() << " triangles (" << shade << ") to " << options.output;
  if (nonFinite > 0) std::cout << "; left out " << nonFinite << " triangles for their non-finite values";
  std::cout << "\n";
  return 0;
}

}  // namespace

void AddRenderCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<RenderOptions>();
  CLI::App* command = app.add_subcommand(
      "render", "Draw a mesh's normals, tangent frames or texture coordinates as colours, or lit, into a PNG");
  command->add_option("file", options->input, "RLF file, or any scene rlf export reads")->required();
  command->add_option("-o,--output", options->output, "OUT.png")->required();
  command->add_option("--shade", options->shade, "What the colours show (default: normal, or lit with a normal map)")
      ->check(CLI::IsMember({"normal", "tangent", "uv", "lit"}));
  command->add_option("--normal-map", options->normalMap,
                      "Show the surface's normals through this tangent-space normal map (PNG or TGA, as rlf bake "
                      "writes it), lit or as colours");
  AddFrameOptions(command, &options->frames, true, false);
  command->add_option("--ao-map", options->occlusionMap,
                      "With --normal-map, darken the lit surface by this ambient occlusion map (as rlf bake writes "
                      "it)");
  command->add_option("--beside", options->beside,
                      "Put these pictures (PNG, as high as this one) to its right, to compare them side by side");
  command->add_option("--bounds-of", options->boundsOf,
                      "Fit the camera to this mesh's bounds instead (to compare two meshes picture by picture)");
  command->add_option("--size", options->size, "Width and height in pixels")
      ->check(CLI::Range(16, 8192))
      ->capture_default_str();
  command->callback([options, &exitStatus] { exitStatus = RunRender(*options); });
}
