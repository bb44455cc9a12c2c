# Blender's bake of the same scene, for the baking benchmark: Cycles on the CPU, the high
# mesh selected onto the active low one, tangent-space normals (and with AO_RAYS above 0
# ambient occlusion too, at that many samples). Prints the seconds of the bake calls
# alone as "bake seconds S".
#
#   blender -b --factory-startup --python blender_bake.py -- LOW.obj HIGH.obj SIZE SAMPLES DISTANCE OUT.png [AO_RAYS]
import sys
import time

import bpy

arguments = sys.argv[sys.argv.index('--') + 1:]
low_path, high_path, size, samples, distance, out = arguments[:6]
size, samples, distance = int(size), int(samples), float(distance)
ao_rays = int(arguments[6]) if len(arguments) > 6 else 0

bpy.ops.wm.read_factory_settings(use_empty=True)


def imported(path):
    bpy.ops.wm.obj_import(filepath=path)
    return bpy.context.selected_objects[0]


low = imported(low_path)
high = imported(high_path)

image = bpy.data.images.new('normals', size, size)
material = bpy.data.materials.new('bake')
material.use_nodes = True
node = material.node_tree.nodes.new('ShaderNodeTexImage')
node.image = image
material.node_tree.nodes.active = node
low.data.materials.clear()
low.data.materials.append(material)

scene = bpy.context.scene
scene.render.engine = 'CYCLES'
scene.cycles.device = 'CPU'
scene.cycles.samples = samples
# Without a denoiser in Debian's build, a bake with denoising on returns a flat grey map.
scene.cycles.use_denoising = False
scene.render.bake.margin = 16

bpy.ops.object.select_all(action='DESELECT')
high.select_set(True)
low.select_set(True)
bpy.context.view_layer.objects.active = low

start = time.perf_counter()
bpy.ops.object.bake(type='NORMAL', normal_space='TANGENT', use_selected_to_active=True,
                    cage_extrusion=distance, max_ray_distance=2 * distance, margin=16)
seconds = time.perf_counter() - start
image.filepath_raw = out
image.file_format = 'PNG'
image.save()
if ao_rays > 0:
    scene.cycles.samples = ao_rays
    scene.world = scene.world or bpy.data.worlds.new('world')
    scene.world.light_settings.distance = 4 * distance
    start = time.perf_counter()
    bpy.ops.object.bake(type='AO', use_selected_to_active=True, cage_extrusion=distance,
                        max_ray_distance=2 * distance, margin=16)
    seconds += time.perf_counter() - start
    image.filepath_raw = out.replace('.png', '-ao.png')
    image.save()
print('bake seconds %.3f' % seconds, flush=True)
