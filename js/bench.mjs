// Benchmark, not a test: the 100 MB version 1.1 input converted in Node.js beside the native program, and optionally in the page.
//
//   cmake -S .. -B ../build-rel -DCMAKE_BUILD_TYPE=Release && cmake --build ../build-rel -j2
//   npm run build -- --scalar          (the module without SIMD too, measured beside it)
//   node bench.mjs [--megabytes N] [--runs N] [--page [MEGABYTES]]
import { spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { closeSync, existsSync, mkdirSync, openSync, readFileSync, rmSync, statSync, writeSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const jsDir = dirname(fileURLToPath(import.meta.url));
const require = createRequire(import.meta.url);

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  if (at < 0) return fallback;
  const value = process.argv[at + 1];
  return value === undefined || value.startsWith('--') ? true : value;
}

const sha256 = (bytes) => createHash('sha256').update(bytes).digest('hex').slice(0, 16);

// In a child process of its own: load one module, convert the file `runs` times, report as JSON.
// In the mode 'pieces' the XML goes piece by piece to a file through convertTo, as the program
// writes its file; in the mode 'whole' convert() returns it in one array.
async function child(modulePath, inputPath, runs, mode) {
  const { makeConverter } = require('./src/converter.js');
  const loadStart = performance.now();
  const createModule = require(`${modulePath}.js`);
  const module = await createModule({ wasmBinary: readFileSync(`${modulePath}.wasm`) });
  const converter = makeConverter(module);
  const loadMs = performance.now() - loadStart;
  const input = readFileSync(inputPath);
  const times = [];
  const cpuTimes = [];
  const outputPath = `${inputPath}.wasm.xml`;
  let xml = null;
  for (let i = 0; i < runs; ++i) {
    xml = null; // the previous document may go while the next is made, as in a loop over files
    const cpuStart = process.cpuUsage();
    const start = performance.now();
    if (mode === 'pieces') {
      const output = openSync(outputPath, 'w');
      converter.convertTo(input, (piece) => writeSync(output, piece));
      closeSync(output);
    } else {
      xml = converter.convert(input).xml;
    }
    times.push(performance.now() - start);
    const cpu = process.cpuUsage(cpuStart);
    cpuTimes.push((cpu.user + cpu.system) / 1000);
  }
  const maxRssMB = process.resourceUsage().maxRSS / 1024;
  if (mode === 'pieces') {
    xml = readFileSync(outputPath);
    rmSync(outputPath);
  }
  console.log(JSON.stringify({ loadMs, times, cpuTimes, maxRssMB, xmlSize: xml.length, xmlHash: sha256(xml),
    wasmMemoryMB: module.HEAPU8.length / 2 ** 20 }));
}

function formatMs(ms) {
  return `${ms >= 100 ? ms.toFixed(0) : ms.toFixed(1)} ms`;
}

// Runs the native program `runs` times through GNU time for its peak memory where there is one.
function measureNative(program, inputPath, outputPath, runs) {
  const gnuTime = existsSync('/usr/bin/time') ? '/usr/bin/time' : null;
  const times = [];
  const cpuTimes = [];
  let maxRssMB = null;
  for (let i = 0; i < runs; ++i) {
    const args = ['-f', '-o', outputPath, inputPath];
    const start = performance.now();
    const run = gnuTime ? spawnSync(gnuTime, ['-f', 'peak %M cpu %U %S', program, ...args], { encoding: 'utf8' })
      : spawnSync(program, args, { encoding: 'utf8' });
    times.push(performance.now() - start);
    if (run.status !== 0) throw new Error(`${program} failed: ${run.stderr}`);
    const measured = /peak (\d+) cpu ([0-9.]+) ([0-9.]+)/.exec(run.stderr ?? '');
    if (measured) {
      maxRssMB = Math.max(maxRssMB ?? 0, Number(measured[1]) / 1024);
      cpuTimes.push((Number(measured[2]) + Number(measured[3])) * 1000);
    }
  }
  return { times, cpuTimes: cpuTimes.length ? cpuTimes : null, maxRssMB };
}

function measureModule(modulePath, inputPath, runs, mode) {
  const run = spawnSync(process.execPath, [fileURLToPath(import.meta.url), '--child', modulePath, inputPath, String(runs), mode],
    { encoding: 'utf8', maxBuffer: 1 << 20 });
  if (run.status !== 0) throw new Error(`the Node.js run failed: ${run.stderr}`);
  return JSON.parse(run.stdout.trim().split('\n').pop());
}

// The first run, and the best of the others: a first run pays for memory the system has not yet
// given, the others show the steady state, the best of them the least disturbed by other load.
function firstAndBest(times) {
  const [first, ...rest] = times;
  return [first, rest.length ? Math.min(...rest) : first];
}

let inputMegabytes = 0; // of the input measured, in millions of bytes, for the rates

function report(label, { times, cpuTimes, maxRssMB }, extra = '') {
  const [first, best] = firstAndBest(times);
  const rate = `${(inputMegabytes / (best / 1000)).toFixed(0)} MB/s`;
  const cpu = cpuTimes ? `, processor time best ${formatMs(firstAndBest(cpuTimes)[1])}` : '';
  const memory = maxRssMB === null ? 'peak memory unknown' : `peak RSS ${maxRssMB.toFixed(0)} MB`;
  console.log(`${label}:\n  wall first ${formatMs(first)}, best of the rest ${formatMs(best)} (${rate})${cpu}; ${memory}${extra}`);
  return best;
}

async function measurePage(inputPath) {
  const { openPage, uploadFiles } = await import('./scripts/browser.mjs');
  const session = await openPage();
  try {
    const name = inputPath.split('/').pop();
    const start = performance.now();
    await uploadFiles(session.page, [inputPath], 300000);
    const wallMs = performance.now() - start;
    const { status, milliseconds } = await session.page.$eval(`[data-file="${name}"]`, (e) => ({ ...e.dataset }));
    console.log(`the page, ${name} (worker, SIMD):\n  conversion ${formatMs(Number(milliseconds))}, ` +
      `from upload to result shown ${formatMs(wallMs)} (${status})`);
  } finally {
    await session.close();
  }
}

async function main() {
  const megabytes = Number(option('--megabytes', 100));
  const runs = Number(option('--runs', 3));
  const nativeDir = resolve(option('--native', join(jsDir, '..', 'build-rel')));
  const program = join(nativeDir, 'vqz2xml');
  const generator = join(nativeDir, 'vqz_generate');
  if (!existsSync(program) || !existsSync(generator)) {
    console.error(`bench: no native build in ${nativeDir}; make one with\n` +
      '  cmake -S .. -B ../build-rel -DCMAKE_BUILD_TYPE=Release && cmake --build ../build-rel -j2');
    process.exit(1);
  }
  const workDir = join(nativeDir, 'wasm-bench');
  mkdirSync(workDir, { recursive: true });
  const inputPath = join(workDir, `v11-${megabytes}.vqz`);
  if (!existsSync(inputPath)) spawnSync(generator, ['v11', String(megabytes), inputPath], { stdio: 'inherit' });
  const outputPath = join(workDir, 'native.xml');

  inputMegabytes = statSync(inputPath).size / 1e6;
  console.log(`input: ${inputPath}, ${(statSync(inputPath).size / 1e6).toFixed(1)} MB; ${runs} runs each`);
  const native = measureNative(program, inputPath, outputPath, runs);
  const nativeBest = report('native program (vqz2xml -f -o FILE)', native);
  const nativeXml = readFileSync(outputPath);
  const simd = join(jsDir, 'dist', 'vqz2xml_wasm');
  const scalar = join(jsDir, 'build-wasm', 'js', 'vqz2xml_wasm_scalar');
  const modules = [['Node.js, wasm SIMD, convert()', simd, 'whole'],
    ['Node.js, wasm SIMD, convertTo() into a file', simd, 'pieces'],
    ['Node.js, wasm scalar, convert()', scalar, 'whole'],
    ['Node.js, wasm scalar, convertTo() into a file', scalar, 'pieces']];
  for (const [label, modulePath, mode] of modules) {
    if (!existsSync(`${modulePath}.wasm`)) {
      console.log(`${label}: not built (npm run build -- --scalar builds it)`);
      continue;
    }
    const measured = measureModule(modulePath, inputPath, runs, mode);
    const same = measured.xmlSize === nativeXml.length && measured.xmlHash === sha256(nativeXml);
    const best = firstAndBest(measured.times)[1];
    report(label, measured, `, wasm memory ${measured.wasmMemoryMB.toFixed(0)} MB;` +
      ` ${(nativeBest / best * 100).toFixed(0)}% of the native program's speed (best against best)` +
      (same ? '; XML the same as the program\'s' : '; XML DIFFERS FROM THE PROGRAM\'S'));
  }
  rmSync(outputPath, { force: true });

  const pageMegabytes = option('--page', null);
  if (pageMegabytes !== null) {
    const size = pageMegabytes === true ? 10 : Number(pageMegabytes);
    const pageInput = join(workDir, `v11-${size}.vqz`);
    if (!existsSync(pageInput)) spawnSync(generator, ['v11', String(size), pageInput], { stdio: 'inherit' });
    await measurePage(pageInput);
  }
}

if (process.argv[2] === '--child') await child(process.argv[3], process.argv[4], Number(process.argv[5]), process.argv[6]);
else await main();
