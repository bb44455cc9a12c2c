// Renders a glb in a real glTF renderer (three.js's GLTFLoader in headless Chromium) and
// writes the picture as raw RGBA bytes, top row first.
//
//   node render_gltf.js MODEL.glb TEXTURE.png SIZE OUT.rgba
//
// The model is first given one unlit material whose base colour is TEXTURE.png, the way
// a glTF file carries a texture, so that the loader sets the texture up as it does for
// any glTF file. The camera looks down -Z at the model's bounding box, +Y up, and the
// box fills the picture. Exits 1 on any failure, saying why.
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [modelPath, texturePath, sizeText, outPath] = process.argv.slice(2);
const size = Number(sizeText);

// The glb with a material whose base colour texture is "texture.png", on every primitive.
function Textured(glb) {
  const jsonLength = glb.readUInt32LE(12);
  const json = JSON.parse(glb.subarray(20, 20 + jsonLength).toString('utf8'));
  const rest = glb.subarray(20 + jsonLength);
  json.images = [{uri: 'texture.png'}];
  json.samplers = [{magFilter: 9728, minFilter: 9728}];  // nearest: colours stay pure
  json.textures = [{source: 0, sampler: 0}];
  json.materials = [{pbrMetallicRoughness: {baseColorTexture: {index: 0}}, extensions: {KHR_materials_unlit: {}}}];
  json.extensionsUsed = ['KHR_materials_unlit'];
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

const page = `<!doctype html><script type="importmap">
{"imports": {"three": "/three/build/three.module.js", "three/addons/": "/three/examples/jsm/"}}
</script><script type="module">
import * as THREE from 'three';
import {GLTFLoader} from 'three/addons/loaders/GLTFLoader.js';
try {
  const gltf = await new GLTFLoader().loadAsync('/model.glb');
  const box = new THREE.Box3().setFromObject(gltf.scene);
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
  '/model.glb': {type: 'model/gltf-binary', data: Textured(fs.readFileSync(modelPath))},
  '/texture.png': {type: 'image/png', data: fs.readFileSync(texturePath)},
};
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
