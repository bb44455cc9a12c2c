// Renders a glb in a real glTF renderer (three.js's GLTFLoader in headless Chromium) and
// writes the picture as raw RGBA bytes, top row first.
//
//   node render_gltf.js MODEL.glb TEXTURE.png SIZE OUT.rgba
//   node render_gltf.js --lit MODEL.glb NORMALS.png|- SIZE OUT.rgba [FRAME.glb]
//
// The first form gives the model one unlit material whose base colour is TEXTURE.png.
// The second gives it a white, fully rough standard material, with NORMALS.png as its
// tangent-space normal texture unless "-", lit by one directional light from over the
// viewer's right shoulder and a little ambient light. Either way the material is written
// into the glb, the way a glTF file carries it, so that the loader sets it up as it does
// for any glTF file. The camera looks down -Z at the bounding box of FRAME.glb (default:
// the model), +Y up, and the box fills the picture. Exits 1 on any failure, saying why.
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

const lit = process.argv[2] === '--lit';
const [modelPath, texturePath, sizeText, outPath, framePath] = process.argv.slice(lit ? 3 : 2);
const size = Number(sizeText);
const textured = texturePath !== '-';

// The glb with material on every primitive (and texture.png as image 0 when textured).
function WithMaterial(glb, material) {
  const jsonLength = glb.readUInt32LE(12);
  const json = JSON.parse(glb.subarray(20, 20 + jsonLength).toString('utf8'));
  const rest = glb.subarray(20 + jsonLength);
  if (textured) {
    json.images = [{uri: 'texture.png'}];
    // Unlit colours stay pure with the nearest texel; normals are filtered as in any viewer.
    json.samplers = [lit ? {magFilter: 9729, minFilter: 9729} : {magFilter: 9728, minFilter: 9728}];
    json.textures = [{source: 0, sampler: 0}];
  }
  json.materials = [material];
  if (!lit) json.extensionsUsed = ['KHR_materials_unlit'];
  for (const mesh of json.meshes) for (const primitive of mesh.primitives) primitive.material = 0;
  let text = JSON.stringify(json);
  while (Buffer.byteLength(text) % 4 !== 0) text += ' ';
  const chunk = Buffer.from(text, 'utf8');
  const header = Buffer.alloc(20);
  header.writeUInt32LE(0x46546c67, 0);
  header.writeUInt32LE(2, 4);
  header.writeUInt32LE(20 + chunk.length + rest.length, 8);
  header.writeUInt32LE(chunk.length, 12);
  header.writeUInt32LE(0x4e4f534a, 16);
  return Buffer.concat([header, chunk, rest]);
}

const material = lit
  ? Object.assign({pbrMetallicRoughness: {baseColorFactor: [1, 1, 1, 1], metallicFactor: 0, roughnessFactor: 1}},
                  textured ? {normalTexture: {index: 0}} : {})
  : {pbrMetallicRoughness: {baseColorTexture: {index: 0}}, extensions: {KHR_materials_unlit: {}}};

const page = `<!doctype html><script type="importmap">
{"imports": {"three": "/three/build/three.module.js", "three/addons/": "/three/examples/jsm/"}}
</script><script type="module">
import * as THREE from 'three';
import {GLTFLoader} from 'three/addons/loaders/GLTFLoader.js';
try {
  const loader = new GLTFLoader();
  const gltf = await loader.loadAsync('/model.glb');
  const frame = ${framePath ? "(await loader.loadAsync('/frame.glb')).scene" : 'gltf.scene'};
  const box = new THREE.Box3().setFromObject(frame);
  const centre = box.getCenter(new THREE.Vector3()), extent = box.getSize(new THREE.Vector3());
  const half = Math.max(extent.x, extent.y) / 2;
  const camera = new THREE.OrthographicCamera(-half, half, half, -half, 0.01, 2 * extent.z + 10);
  camera.position.set(centre.x, centre.y, box.max.z + 1);
  camera.lookAt(centre.x, centre.y, centre.z);
  const renderer = new THREE.WebGLRenderer();
  const target = new THREE.WebGLRenderTarget(${size}, ${size});
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(0, 0, 0);
  scene.add(gltf.scene);
  if (${lit}) {
    const sun = new THREE.DirectionalLight(0xffffff, 3);
    sun.position.set(0.4, 0.6, 1);
    scene.add(sun, new THREE.AmbientLight(0xffffff, 0.3));
  }
  renderer.setRenderTarget(target);
  renderer.render(scene, camera);
  const pixels = new Uint8Array(${size} * ${size} * 4);
  renderer.readRenderTargetPixels(target, 0, 0, ${size}, ${size}, pixels);
  // GL reads the bottom row first.
  const rows = [];
  for (let y = ${size} - 1; y >= 0; --y) rows.push(...pixels.subarray(y * ${size} * 4, (y + 1) * ${size} * 4));
  window.result = {pixels: rows};
} catch (error) {
  window.result = {error: String(error)};
}
</script>`;

const files = {
  '/': {type: 'text/html', data: Buffer.from(page)},
  '/model.glb': {type: 'model/gltf-binary', data: WithMaterial(fs.readFileSync(modelPath), material)},
};
if (textured) files['/texture.png'] = {type: 'image/png', data: fs.readFileSync(texturePath)};
if (framePath) files['/frame.glb'] = {type: 'model/gltf-binary', data: fs.readFileSync(framePath)};
const three = path.dirname(path.dirname(require.resolve('three')));
const server = http.createServer((request, response) => {
  const url = request.url.split('?')[0];
  let file = files[url];
  if (!file && url.startsWith('/three/') && !url.includes('..')) {
    const on = path.join(three, url.slice('/three/'.length));
    if (fs.existsSync(on)) file = {type: 'text/javascript', data: fs.readFileSync(on)};
  }
  response.writeHead(file ? 200 : 404, {'Content-Type': file ? file.type : 'text/plain'});
  response.end(file ? file.data : 'not found');
});

(async () => {
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const userData = fs.mkdtempSync(path.join(require('os').tmpdir(), 'render-gltf-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    userDataDir: userData,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
           '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update',
           '--disable-sync'],
  });
  try {
    const tab = await browser.newPage();
    await tab.goto(`http://127.0.0.1:${server.address().port}/`);
    await tab.waitForFunction('window.result', {timeout: 60000});
    const result = await tab.evaluate('window.result');
    if (result.error) throw new Error(result.error);
    fs.writeFileSync(outPath, Buffer.from(result.pixels));
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(userData, {recursive: true, force: true});
  }
})().catch((error) => {
  console.log(String(error));
  process.exit(1);
});
