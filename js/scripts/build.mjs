// Builds the WebAssembly module with emscripten into js/dist/, and the web page into web/dist/.
import { spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, readFileSync, rmSync } from 'node:fs';
import { delimiter, dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import * as esbuild from 'esbuild';

const jsDir = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const rootDir = resolve(jsDir, '..');
const buildDir = join(jsDir, 'build-wasm');
const distDir = join(jsDir, 'dist');
const webDir = join(rootDir, 'web');
const webDist = join(webDir, 'dist');
const withScalar = process.argv.includes('--scalar'); // the module without SIMD too, for bench.mjs

function fail(message) {
  console.error(`build: ${message}`);
  process.exit(1);
}

// What to install for each tool the build runs, named as Debian names its package.
const packages = { emcmake: 'emscripten', cmake: 'cmake' };

function run(command, args, env) {
  console.log(`build: ${command} ${args.join(' ')}`);
  const outcome = spawnSync(command, args, { stdio: 'inherit', env });
  if (outcome.error?.code === 'ENOENT') {
    fail(`${command} is not installed; the WebAssembly module is built with emscripten and CMake: on Debian or ` +
      `Ubuntu, "sudo apt-get install ${packages[command] ?? command} cmake" (js/README.md tells more)`);
  }
  if (outcome.error) fail(`${command}: ${outcome.error.message}`);
  if (outcome.status !== 0) fail(`${command} exited with status ${outcome.status}`);
}

// The package's version must be the project's, from project() in the root CMakeLists.txt.
function checkVersion() {
  const cmake = readFileSync(join(rootDir, 'CMakeLists.txt'), 'utf8');
  const match = /project\(\s*vqz2xml\s+VERSION\s+([0-9.]+)/.exec(cmake);
  if (!match) fail('no project(vqz2xml VERSION ...) in CMakeLists.txt');
  const { version } = JSON.parse(readFileSync(join(jsDir, 'package.json'), 'utf8'));
  if (version !== match[1]) fail(`package.json has version ${version}, the project ${match[1]}: make them one`);
}

// emscripten's own tools need acorn, which Debian keeps in a folder that a Node.js from
// elsewhere does not search.
function emscriptenEnvironment() {
  const env = { ...process.env };
  const folders = ['/usr/share/nodejs', '/usr/lib/nodejs'].filter((folder) => existsSync(join(folder, 'acorn')));
  if (folders.length > 0) env.NODE_PATH = [...folders, env.NODE_PATH].filter(Boolean).join(delimiter);
  return env;
}

function buildModule() {
  const env = emscriptenEnvironment();
  // ccache, where there is one, keeps a rebuild of unchanged sources short.
  const launcher = spawnSync('ccache', ['--version'], { stdio: 'ignore' }).status === 0 ? ['-DCMAKE_CXX_COMPILER_LAUNCHER=ccache'] : [];
  run('emcmake', ['cmake', '-S', rootDir, '-B', buildDir, '-DCMAKE_BUILD_TYPE=Release', ...launcher], env);
  const targets = ['vqz2xml_wasm', 'vqz2xml_wasm_web', 'vqz2xml_wasm_small', ...(withScalar ? ['vqz2xml_wasm_scalar'] : [])];
  run('cmake', ['--build', buildDir, '-j2', '--target', ...targets], env);
  mkdirSync(distDir, { recursive: true });
  for (const file of ['vqz2xml_wasm.js', 'vqz2xml_wasm.wasm', 'vqz2xml_wasm_web.js', 'vqz2xml_wasm_web.wasm']) {
    copyFileSync(join(buildDir, 'js', file), join(distDir, file));
  }
}

async function buildPage() {
  rmSync(webDist, { recursive: true, force: true });
  mkdirSync(webDist, { recursive: true });
  await esbuild.build({
    entryPoints: { app: join(webDir, 'app.js'), worker: join(webDir, 'worker.js') },
    outdir: webDist,
    bundle: true,
    format: 'iife',
    platform: 'browser',
    target: ['es2020'],
    minify: true,
    sourcemap: false,
    legalComments: 'eof',
    nodePaths: [join(jsDir, 'node_modules')],
    logLevel: 'warning',
  });
  for (const file of ['index.html', 'style.css', 'icon.svg']) copyFileSync(join(webDir, file), join(webDist, file));
  copyFileSync(join(distDir, 'vqz2xml_wasm_web.wasm'), join(webDist, 'vqz2xml_wasm_web.wasm'));
  console.log(`build: the page is in ${webDist}`);
}

checkVersion();
buildModule();
await buildPage();
