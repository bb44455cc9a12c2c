# Reads a tangent-space normal map back as Blender does, and compares the normals with
# an object-space map of the same bake and with rlf render's picture of the same map.
#
#   blender -b --factory-startup --python-exit-code 1 -P blender_check.py -- \
#       LOW.glb TANGENT.png OBJECT.png SIZE RENDERED.png
#
# LOW.glb is imported with its texture coordinates, and shaded smooth with the normals
# Blender computes for it, as for a mesh made in Blender: LOW.glb's normals should be
# those. (Blender 3.4 rounds a file's normals differently corner by corner, which can
# part corners of one vertex in its tangent frames.) Its material sends TANGENT.png
# through a Normal Map node (tangent space: the MikkTSpace frames Blender builds for the
# mesh itself) and emits the node's normal (world space, the mesh's object space here)
# as colour: a surface shader would show Cycles' own adjustments too, which bend normals
# that would reflect light from below the surface. Then, with Cycles on the CPU:
#  - a bake, texel by texel, into an image of SIZE x SIZE, compared with OBJECT.png over
#    the texels both cover;
#  - a render under the camera of rlf render (orthographic, looking along (-1, -0.8,
#    -1.4) in glTF's axes at the mesh's bounding box, which fills 1/2.1 of the picture's
#    width per radius), written to RENDERED.png.exr and compared with RENDERED.png (rlf
#    render --shade normal, the same size) over the pixels both draw, leaving out those
#    beside the silhouette.
# Prints one line for each:
#   texels N mean DEGREES p99 DEGREES max DEGREES
#   pixels N mean DEGREES p99 DEGREES max DEGREES
import sys

import bpy
import numpy as np
from mathutils import Matrix, Vector

# Debian's Blender 3.4 glTF importer still uses np.bool, which its numpy (1.24) removed.
if 'bool' not in np.__dict__:
    np.bool = bool

low, tangent_map, object_map, size, rendered = sys.argv[sys.argv.index('--') + 1:]
size = int(size)

bpy.ops.wm.read_factory_settings(use_empty=True)
bpy.ops.import_scene.gltf(filepath=low)
mesh = next(o for o in bpy.context.scene.objects if o.type == 'MESH')
bpy.context.view_layer.objects.active = mesh
mesh.select_set(True)
bpy.ops.mesh.customdata_custom_splitnormals_clear()
mesh.data.use_auto_smooth = False
for polygon in mesh.data.polygons:
    polygon.use_smooth = True

material = bpy.data.materials.new('baked')
material.use_nodes = True
nodes, links = material.node_tree.nodes, material.node_tree.links
nodes.remove(nodes['Principled BSDF'])
texture = nodes.new('ShaderNodeTexImage')
texture.image = bpy.data.images.load(tangent_map)
texture.image.colorspace_settings.name = 'Non-Color'
texture.interpolation = 'Linear'  # bilinear, as rlf render reads a map; at texel centres the texel itself
normal_map = nodes.new('ShaderNodeNormalMap')
normal_map.space = 'TANGENT'
normal_map.uv_map = mesh.data.uv_layers[0].name
links.new(texture.outputs['Color'], normal_map.inputs['Color'])
# The normal, from [-1, 1] to [0, 1], as the surface's emission.
to_colour = nodes.new('ShaderNodeVectorMath')
to_colour.operation = 'MULTIPLY_ADD'
to_colour.inputs[1].default_value = (0.5, 0.5, 0.5)
to_colour.inputs[2].default_value = (0.5, 0.5, 0.5)
emission = nodes.new('ShaderNodeEmission')
links.new(normal_map.outputs['Normal'], to_colour.inputs[0])
links.new(to_colour.outputs['Vector'], emission.inputs['Color'])
links.new(emission.outputs['Emission'], nodes['Material Output'].inputs['Surface'])
target = bpy.data.images.new('target', size, size, alpha=True, float_buffer=True)
target.generated_color = (0, 0, 0, 0)
target.colorspace_settings.name = 'Non-Color'
target_node = nodes.new('ShaderNodeTexImage')
target_node.image = target
nodes.active = target_node
mesh.data.materials.clear()
mesh.data.materials.append(material)

scene = bpy.context.scene
scene.render.engine = 'CYCLES'
scene.cycles.device = 'CPU'
scene.cycles.samples = 1
scene.cycles.use_denoising = False
scene.cycles.filter_width = 0.01


def to_gltf(n):
    """Blender's (x, y, z) as glTF's axes: (x, z, -y)."""
    return np.stack([n[:, 0], n[:, 2], -n[:, 1]], axis=1)


def pixels(image):
    return np.array(image.pixels[:], dtype=np.float64).reshape(-1, 4)


def report(name, a, b):
    a = a / np.linalg.norm(a, axis=1)[:, None]
    b = b / np.linalg.norm(b, axis=1)[:, None]
    angles = np.degrees(np.arccos(np.clip(np.sum(a * b, axis=1), -1, 1)))
    print('%s %d mean %.4f p99 %.4f max %.4f' % (
        name, len(angles), angles.mean(), np.percentile(angles, 99), angles.max()))


def load(path):
    image = bpy.data.images.load(path)
    image.colorspace_settings.name = 'Non-Color'
    return pixels(image)


# The bake, texel by texel.
bpy.ops.object.bake(type='EMIT', margin=0, use_clear=False)
baked = pixels(target)
reference = load(object_map)[:, :3] * 2 - 1
covered = (baked[:, 3] > 0) & (np.linalg.norm(reference, axis=1) > 0.5)
report('texels', to_gltf(baked[covered, :3] * 2 - 1), reference[covered])

# The render, under rlf render's camera.
corners = np.array([mesh.matrix_world @ v.co for v in mesh.data.vertices])
low_corner, high_corner = corners.min(axis=0), corners.max(axis=0)
centre = Vector((low_corner + high_corner) / 2)
radius = max(1e-6, float(np.linalg.norm(high_corner - low_corner)) / 2)


def from_gltf(x, y, z):
    return Vector((x, -z, y))


forward = from_gltf(-1, -0.8, -1.4).normalized()
right = forward.cross(from_gltf(0, 1, 0)).normalized()
up = right.cross(forward)
camera = bpy.data.objects.new('camera', bpy.data.cameras.new('camera'))
camera.data.type = 'ORTHO'
camera.data.ortho_scale = 2.1 * radius
camera.data.clip_end = 100 * radius
camera.matrix_world = Matrix.Translation(centre - 10 * radius * forward) @ \
    Matrix((right, up, -forward)).transposed().to_4x4()
scene.collection.objects.link(camera)
scene.camera = camera
scene.render.resolution_x = scene.render.resolution_y = size
scene.render.resolution_percentage = 100
scene.render.film_transparent = True
scene.view_settings.view_transform = 'Standard'
scene.render.image_settings.file_format = 'OPEN_EXR'
scene.render.image_settings.color_depth = '32'
scene.render.image_settings.color_mode = 'RGBA'
scene.render.filepath = rendered + '.exr'
bpy.ops.render.render(write_still=True)
blender = load(rendered + '.exr')
ours = load(rendered)
drawn = (blender[:, 3] > 0.999).reshape(size, size) & \
    (np.abs(ours[:, :3] - 32 / 255).sum(axis=1) > 1e-6).reshape(size, size)
inside = drawn.copy()
inside[1:, :] &= drawn[:-1, :]
inside[:-1, :] &= drawn[1:, :]
inside[:, 1:] &= drawn[:, :-1]
inside[:, :-1] &= drawn[:, 1:]
inside = inside.ravel()
report('pixels', to_gltf(blender[inside, :3] * 2 - 1), ours[inside, :3] * 2 - 1)
