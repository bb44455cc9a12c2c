# Reads a tangent-space normal map back as Blender does, and compares it with an
# object-space map of the same bake.
#
#   blender -b --factory-startup --python-exit-code 1 -P blender_bake_check.py -- \
#       LOW.glb TANGENT.png OBJECT.png SIZE
#
# LOW.glb is imported with its texture coordinates, and shaded smooth with the normals
# Blender computes for it, as for a mesh made in Blender: LOW.glb's normals should be
# those. (Blender 3.4 rounds a file's normals differently corner by corner, which can
# part corners of one vertex in its tangent frames.) Its material sends
# TANGENT.png through a Normal Map node (tangent space: the MikkTSpace frames Blender
# builds for the mesh itself), and Cycles bakes the node's normal (world space, the
# mesh's object space here) as emitted colour, texel by texel, into an image of SIZE x
# SIZE. (A bake of the surface's normal would show Cycles' own shading adjustments too:
# it bends normals that would reflect light from below the surface.) Prints
#   texels N mean DEGREES p99 DEGREES max DEGREES
# over the texels both the bake and OBJECT.png cover: the angles between Blender's
# normals and OBJECT.png's (glTF's +Y up is Blender's +Z).
import sys

import bpy
import numpy as np

# Debian's Blender 3.4 glTF importer still uses np.bool, which its numpy (1.24) removed.
if 'bool' not in np.__dict__:
    np.bool = bool

low, tangent_map, object_map, size = sys.argv[sys.argv.index('--') + 1:]
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
texture.interpolation = 'Closest'
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
bpy.ops.object.bake(type='EMIT', margin=0, use_clear=False)

baked = np.array(target.pixels[:], dtype=np.float64).reshape(-1, 4)
reference_image = bpy.data.images.load(object_map)
reference_image.colorspace_settings.name = 'Non-Color'
reference = np.array(reference_image.pixels[:], dtype=np.float64).reshape(-1, 4)[:, :3] * 2 - 1
# glTF (x, y, z) is Blender's (x, -z, y).
reference = np.stack([reference[:, 0], -reference[:, 2], reference[:, 1]], axis=1)
ours = baked[:, :3] * 2 - 1
covered = (baked[:, 3] > 0) & (np.linalg.norm(reference, axis=1) > 0.5)
a = ours[covered] / np.linalg.norm(ours[covered], axis=1)[:, None]
b = reference[covered] / np.linalg.norm(reference[covered], axis=1)[:, None]
angles = np.degrees(np.arccos(np.clip(np.sum(a * b, axis=1), -1, 1)))
print('texels %d mean %.4f p99 %.4f max %.4f' % (
    len(angles), angles.mean(), np.percentile(angles, 99), angles.max()))
