// Tavrix on a web page: the puppet runtime compiled to WebAssembly, drawing
// with WebGL into a canvas. `Puppet.load(canvas, url)` for scripts, and the
// `<tavrix-puppet>` element for pages without one. Each puppet runs in a
// module instance of its own (one compiled module, shared), so a damaged
// file can take down no more than the puppet it was meant for.
import createTavrixCore from './tavrix-core.js';

const WASM_URL = new URL('./tavrix-core.wasm', import.meta.url);
// Samples the lip sync is handed at a time (about 21 ms at 48000 a second).
const HEARING_BLOCK = 1024;
const DEFAULT_FPS = 60;

/** A failure the page can show: the file at fault and the runtime's reason. */
export class TavrixError extends Error {
  constructor(message) {
    super(message);
    this.name = 'TavrixError';
  }
}

let compiledCore = null;

// The module compiled once per page; a failed fetch is tried again later.
function compileCore() {
  if (!compiledCore) {
    compiledCore = (async () => {
      const response = await fetch(WASM_URL);
      if (!response.ok) throw new TavrixError(`${WASM_URL}: cannot be fetched: ${response.status} ${response.statusText}`);
      const copy = response.clone();
      try {
        return await WebAssembly.compileStreaming(response);
      } catch {
        // Served without the application/wasm type.
        return WebAssembly.compile(await copy.arrayBuffer());
      }
    })();
    compiledCore.catch(() => { compiledCore = null; });
  }
  return compiledCore;
}

// A fresh instance of the module drawing into canvas.
async function startCore(canvas) {
  const compiled = await compileCore();
  return new Promise((resolve, reject) => {
    createTavrixCore({
      canvas,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled), reject);
        return {};
      },
      print() {},
      printErr() {},
      onAbort(reason) { reject(new TavrixError(`the puppet's module stopped: ${reason}`)); },
    }).then(resolve, reject);
  });
}

async function fetchBytes(url, what) {
  let response;
  try {
    response = await fetch(url);
  } catch (error) {
    throw new TavrixError(`${url}: cannot be fetched: ${error.message}`);
  }
  if (!response.ok) throw new TavrixError(`${url}: cannot be fetched: ${response.status} ${response.statusText}`.trim());
  return new Uint8Array(await response.arrayBuffer());
}

async function bytesOf(source) {
  if (source instanceof Uint8Array) return source;
  if (source instanceof ArrayBuffer) return new Uint8Array(source);
  if (ArrayBuffer.isView(source)) return new Uint8Array(source.buffer, source.byteOffset, source.byteLength);
  return fetchBytes(new URL(String(source), document.baseURI).href);
}

function parseJson(text, url) {
  try {
    return JSON.parse(text);
  } catch (error) {
    throw new TavrixError(`${url}: not valid JSON: ${error.message}`);
  }
}

function isFileName(value) {
  return typeof value === 'string' && value.length > 0;
}

// The files of a model: a model JSON file {"model": "a.moc", "textures":
// [...]} whose names count from its own URL, or a .moc file alone.
async function modelFiles(url) {
  if (/\.moc$/i.test(new URL(url).pathname)) return { model: url, textures: [] };
  const document = parseJson(new TextDecoder().decode(await fetchBytes(url)), url);
  if (document === null || typeof document !== 'object' || Array.isArray(document)) {
    throw new TavrixError(`${url}: the document must be an object with "model" and "textures"`);
  }
  if (!('model' in document)) throw new TavrixError(`${url}: model is missing (the .moc file to load)`);
  if (!isFileName(document.model)) throw new TavrixError(`${url}: model must be a file name (a non-empty string)`);
  const textures = document.textures ?? [];
  if (!Array.isArray(textures)) throw new TavrixError(`${url}: textures must be an array of file names`);
  textures.forEach((name, i) => {
    if (!isFileName(name)) throw new TavrixError(`${url}: textures[${i}] must be a file name (a non-empty string)`);
  });
  return { model: new URL(document.model, url).href, textures: textures.map((name) => new URL(name, url).href) };
}

// A hair set-up file (the tool's --physics format), checked member by member.
function readHairs(root) {
  const fail = (why) => { throw new TavrixError(why); };
  const known = (object, at, names) => {
    for (const name of Object.keys(object)) if (!names.includes(name)) fail(`${at}.${name}: unknown member`);
  };
  const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);
  const number = (object, name, at, fallback, positive) => {
    if (!(name in object)) return fallback;
    const value = object[name];
    if (typeof value !== 'number') fail(`${at}.${name}: expected a number`);
    const single = Math.fround(value);
    if (!Number.isFinite(single)) fail(`${at}.${name}: out of range`);
    if (positive && !(single > 0)) fail(`${at}.${name}: must be above 0`);
    return single;
  };
  const links = (hair, name, at) => {
    if (!(name in hair)) return [];
    const list = hair[name];
    if (!Array.isArray(list)) fail(`${at}.${name}: expected an array`);
    return list.map((entry, j) => {
      const entryAt = `${at}.${name}[${j}]`;
      if (!isObject(entry)) fail(`${entryAt}: expected an object`);
      known(entry, entryAt, ['kind', 'id', 'scale', 'weight']);
      let kind = 0;
      if ('kind' in entry) {
        kind = entry.kind;
        if (!Number.isInteger(kind) || kind < -2147483648 || kind > 2147483647) fail(`${entryAt}.kind: expected a whole number`);
      }
      if (!isFileName(entry.id)) fail(`${entryAt}.id: expected a parameter name`);
      return { kind, id: entry.id, scale: number(entry, 'scale', entryAt, 1, false), weight: number(entry, 'weight', entryAt, 1, false) };
    });
  };
  if (!Array.isArray(root)) fail('expected an array of hairs');
  return root.map((hair, i) => {
    const at = `[${i}]`;
    if (!isObject(hair)) fail(`${at}: expected an object`);
    known(hair, at, ['length', 'air_resistance', 'mass', 'gravity_angle_deg', 'sources', 'targets']);
    return {
      length: number(hair, 'length', at, 0.3, true),
      airResistance: number(hair, 'air_resistance', at, 0.5, false),
      mass: number(hair, 'mass', at, 0.1, true),
      gravityAngleDeg: number(hair, 'gravity_angle_deg', at, 0, false),
      sources: links(hair, 'sources', at),
      targets: links(hair, 'targets', at),
    };
  });
}

let audioContext = null;
// An element's sound reaches Web Audio through one source node for good.
const elementSources = new WeakMap();

function sharedAudioContext() {
  audioContext ??= new AudioContext();
  return audioContext;
}

function elementSource(context, element) {
  let node = elementSources.get(element);
  if (!node) {
    node = context.createMediaElementSource(element);
    // Still heard through the speakers.
    node.connect(context.destination);
    elementSources.set(element, node);
  }
  return node;
}

export class Puppet {
  /**
   * Loads a puppet from a model JSON file (or a .moc file) into a canvas.
   * options: fps (frame clock of the animation, default 60), start (begin
   * the draw loop at once, default true).
   */
  static async load(canvas, url, options = {}) {
    const href = new URL(String(url), document.baseURI).href;
    const fps = options.fps ?? DEFAULT_FPS;
    if (!Number.isInteger(fps) || fps < 1 || fps > 1000) throw new TavrixError(`fps ${fps} must be a whole number from 1 to 1000`);
    const files = await modelFiles(href);
    const [model, ...pngs] = await Promise.all([files.model, ...files.textures].map((file) => fetchBytes(file)));
    const core = await startCore(canvas);
    const puppet = new Puppet(canvas, core, fps);
    try {
      puppet.#open(files, model, pngs);
    } catch (error) {
      puppet.destroy();
      throw error;
    }
    if (options.start ?? true) puppet.start();
    return puppet;
  }

  #core;
  #fps;
  #running = false;
  #startedAt = 0;
  #seconds = 0;
  #frameRequest = 0;
  #ears = null;
  #failure = null;

  constructor(canvas, core, fps) {
    this.canvas = canvas;
    this.#core = core;
    this.#fps = fps;
    /** Parameters in model order: id, min, max, default. */
    this.params = [];
    /** Why textures could not be decoded (the puppet still draws). */
    this.warnings = [];
    /** Called with a TavrixError when the puppet stops for good. */
    this.onerror = null;
  }

  /** The frame clock's rate, frames per second. */
  get fps() { return this.#fps; }
  /** Seconds of animation played, as the draw loop and seek set them. */
  get time() { return this.#running ? (performance.now() - this.#startedAt) / 1000 : this.#seconds; }
  get running() { return this.#running; }
  /** Why the puppet stopped for good, or null. */
  get failure() { return this.#failure; }

  /** Sets a parameter by name; it wins over motions, blink and hairs until cleared. */
  setParam(id, value) {
    if (!Number.isFinite(value)) throw new TavrixError(`${id}: the value must be a finite number`);
    this.#withString(id, (at) => this.#call(() => this.#core._tavrix_set_param(at, value))) || this.#fail();
  }

  clearParam(id) {
    this.#withString(id, (at) => this.#call(() => this.#core._tavrix_clear_param(at)));
  }

  /** The parameter's value at the last frame drawn. */
  getParam(id) {
    return this.#withString(id, (at) => this.#call(() => this.#core._tavrix_param_value(at)));
  }

  /**
   * Plays a motion (.mtn or .mtnb: a URL or its bytes) through the queue,
   * fading out what plays: from `at` seconds (default now), looping with loop.
   */
  async playMotion(source, { at, loop = false } = {}) {
    const bytes = await bytesOf(source);
    const start = at ?? this.time;
    if (!(start >= 0)) throw new TavrixError(`motion start ${start} must be 0 or more seconds`);
    const name = typeof source === 'string' ? source : 'motion';
    const added = this.#withBytes([bytes], ([pointer]) =>
      this.#call(() => this.#core._tavrix_add_motion(pointer, bytes.length, start, loop ? 1 : 0)));
    if (!added) throw new TavrixError(`${name}: ${this.#message()}`);
  }

  /** Blinks the eyes at random intervals drawn from seed (as `tavrix play --blink SEED`). */
  blink(seed = Math.floor(Math.random() * 4294967296)) {
    if (!Number.isInteger(seed) || seed < 0 || seed > 4294967295) throw new TavrixError(`blink seed ${seed} must be from 0 to 4294967295`);
    this.#call(() => this.#core._tavrix_blink(seed >>> 0));
  }

  /** Swings hairs set up by a hair file (a URL, or the parsed array). */
  async physics(source) {
    let root = source;
    let name = 'hairs';
    if (typeof source === 'string' || source instanceof URL) {
      name = new URL(String(source), document.baseURI).href;
      root = parseJson(new TextDecoder().decode(await fetchBytes(name)), name);
    }
    let hairs;
    try {
      hairs = readHairs(root);
    } catch (error) {
      throw new TavrixError(`${name}: ${error.message}`);
    }
    const core = this.#core;
    this.#call(() => {
      for (const hair of hairs) {
        core._tavrix_hair(hair.length, hair.airResistance, hair.mass, hair.gravityAngleDeg);
        for (const [target, list] of [[0, hair.sources], [1, hair.targets]]) {
          for (const link of list) this.#withString(link.id, (at) => core._tavrix_hair_link(target, link.kind, at, link.scale, link.weight));
        }
      }
      core._tavrix_add_hairs();
    });
  }

  /**
   * Moves the mouth with the loudness of a sound: an <audio> or <video>
   * element, a MediaStream, or 'microphone'. Options as `tavrix play
   * --lipsync`: param (default PARAM_MOUTH_OPEN_Y), gain (5), gate (0.01),
   * smoothing (0.1 seconds).
   */
  async lipSync(source, { param = 'PARAM_MOUTH_OPEN_Y', gain = 5, gate = 0.01, smoothing = 0.1 } = {}) {
    if (!(gain >= 0 && gain <= 1000)) throw new TavrixError(`lip sync gain ${gain} must be from 0 to 1000`);
    if (!(gate >= 0 && gate <= 1)) throw new TavrixError(`lip sync gate ${gate} must be from 0 to 1`);
    if (!(smoothing >= 0.04 && smoothing <= 2)) throw new TavrixError(`lip sync smoothing ${smoothing} must be from 0.04 to 2 seconds`);
    this.stopLipSync();
    const context = sharedAudioContext();
    let stream = null;
    let node;
    if (source === 'microphone') {
      try {
        stream = await navigator.mediaDevices.getUserMedia({ audio: true });
      } catch (error) {
        throw new TavrixError(`lip sync: no microphone: ${error.message}`);
      }
      node = context.createMediaStreamSource(stream);
    } else if (source instanceof MediaStream) {
      node = context.createMediaStreamSource(source);
    } else if (source instanceof HTMLMediaElement) {
      node = elementSource(context, source);
    } else {
      throw new TavrixError('lip sync: the source must be an audio or video element, a MediaStream or "microphone"');
    }
    const started = this.#withString(param, (at) =>
      this.#call(() => this.#core._tavrix_lipsync(at, gain, gate, smoothing, context.sampleRate)));
    if (!started) {
      if (stream) stream.getTracks().forEach((track) => track.stop());
      throw new TavrixError(this.#message());
    }
    // Every sample reaches the lip sync, mixed down to one channel (the mean
    // of the channels, as the tool mixes a sound file); it plays on silently.
    const hearing = context.createScriptProcessor(HEARING_BLOCK, 1, 1);
    hearing.onaudioprocess = (event) => {
      if (this.#failure || !this.#core) return;
      const samples = event.inputBuffer.getChannelData(0);
      this.#call(() => {
        const pointer = this.#core._tavrix_heard_samples(samples.length);
        this.#core.HEAPF32.set(samples, pointer >> 2);
        this.#core._tavrix_hear(samples.length);
      });
    };
    node.connect(hearing);
    hearing.connect(context.destination);
    this.#ears = { node, hearing, stream };
    await context.resume();
  }

  stopLipSync() {
    if (!this.#ears) return;
    this.#ears.node.disconnect(this.#ears.hearing);
    this.#ears.hearing.disconnect();
    this.#ears.hearing.onaudioprocess = null;
    if (this.#ears.stream) this.#ears.stream.getTracks().forEach((track) => track.stop());
    this.#ears = null;
    if (this.#core && !this.#failure) this.#call(() => this.#core._tavrix_lipsync_stop());
  }

  /** Stands the model point (canvas width / 2, canvas width / 2) on pixel (x, y), scaled. */
  place(x, y, scale = 1) {
    this.#call(() => this.#core._tavrix_place(x, y, scale));
  }

  /** Back to the default: the canvas's width fills the picture, top edge at the top. */
  fillWidth() {
    this.#call(() => this.#core._tavrix_fill_width());
  }

  /** Starts (or resumes) the draw loop at the display's frame rate. */
  start() {
    if (this.#running || this.#failure) return;
    this.#running = true;
    this.#startedAt = performance.now() - this.#seconds * 1000;
    const loop = () => {
      if (!this.#running) return;
      try {
        this.drawFrame();
      } catch {
        return; // stopped for good; onerror has the reason
      }
      this.#frameRequest = requestAnimationFrame(loop);
    };
    this.#frameRequest = requestAnimationFrame(loop);
  }

  /** Stops the draw loop; the time stays where it was. */
  stop() {
    if (!this.#running) return;
    this.#seconds = this.time;
    this.#running = false;
    cancelAnimationFrame(this.#frameRequest);
  }

  /** Moves the animation to a time in seconds (playing again from 0 when going back). */
  seek(seconds) {
    if (!(seconds >= 0)) throw new TavrixError(`time ${seconds} must be 0 or more seconds`);
    this.#seconds = seconds;
    this.#startedAt = performance.now() - seconds * 1000;
  }

  /** Draws the frame of the current time (or of `seconds`) into the canvas. */
  drawFrame(seconds = this.time) {
    // A canvas without a size (an element not laid out yet) shows nothing.
    if (this.#failure || !this.canvas.width || !this.canvas.height) return;
    const core = this.#core;
    const drawn = this.#call(() => core._tavrix_render(core._tavrix_frame_at(seconds), this.canvas.width, this.canvas.height));
    if (!drawn && !this.#failure) this.#stopFor(new TavrixError(this.#message()));
  }

  /**
   * Draws the frame of the current time (or of `seconds`) and reads it
   * back: {width, height, data} with straight-alpha RGBA rows, top first,
   * as `tavrix draw` writes them.
   */
  readPixels(seconds = this.time) {
    const core = this.#core;
    const { width, height } = this.canvas;
    const pointer = this.#call(() => core._tavrix_draw(core._tavrix_frame_at(seconds), width, height));
    if (!pointer) this.#fail();
    // Read after the call: a grown heap has detached earlier views.
    return { width, height, data: new Uint8ClampedArray(core.HEAPU8.slice(pointer, pointer + width * height * 4).buffer) };
  }

  /**
   * The model evaluated at the current time (or at `seconds`): canvas,
   * parameters, parts, deformers and meshes with their evaluated points, and
   * the draw order, as `tavrix inspect --json` prints them.
   */
  inspect(seconds = this.time) {
    const core = this.#core;
    const pointer = this.#call(() => core._tavrix_inspect(core._tavrix_frame_at(seconds)));
    if (!pointer) this.#fail();
    return JSON.parse(core.UTF8ToString(pointer));
  }

  /**
   * Milliseconds per model update over count updates, each moving parameters
   * first and second through their range first, as an animation would.
   */
  measureUpdate(first = 'PARAM_ANGLE_X', second = 'PARAM_BODY_ANGLE_X', count = 2000) {
    return this.#withString(first, (a) => this.#withString(second, (b) =>
      this.#call(() => this.#core._tavrix_time_updates(a, b, count))));
  }

  /** Stops everything and gives the WebGL context back to the browser. */
  destroy() {
    this.stop();
    this.stopLipSync();
    this.#failure ??= new TavrixError('the puppet was destroyed');
    const gl = this.canvas.getContext('webgl');
    if (gl) gl.getExtension('WEBGL_lose_context')?.loseContext();
    this.#core = null;
  }

  // Opens the stage and loads the files' bytes into it.
  #open(files, model, pngs) {
    const core = this.#core;
    this.#call(() => core._tavrix_open()) || this.#fail();
    const names = [files.model, ...files.textures].join('\n');
    const loaded = this.#withBytes([model, ...pngs], (pointers) => this.#withString(names, (namesAt) => {
      const table = core._malloc(8 * pngs.length + 8);
      try {
        pngs.forEach((png, i) => {
          core.HEAPU32[(table >> 2) + i] = pointers[i + 1];
          core.HEAP32[(table >> 2) + pngs.length + i] = png.length;
        });
        return this.#call(() => core._tavrix_load(namesAt, pointers[0], model.length, table, table + 4 * pngs.length,
          pngs.length, this.#fps));
      } finally {
        core._free(table);
      }
    }));
    if (!loaded) this.#fail();
    this.warnings = this.#message() ? this.#message().split('\n') : [];
    this.params = Array.from({ length: core._tavrix_param_count() }, (_, i) => ({
      id: core.UTF8ToString(core._tavrix_param_id(i)),
      min: core._tavrix_param_range(i, 0),
      max: core._tavrix_param_range(i, 1),
      default: core._tavrix_param_range(i, 2),
    }));
  }

  #message() {
    return this.#core ? this.#core.UTF8ToString(this.#core._tavrix_message()) : '';
  }

  #fail() {
    throw this.#failure ?? new TavrixError(this.#message());
  }

  // Runs calls into the module; a module that traps (a fault the runtime
  // did not catch) stops this puppet for good, and nothing else.
  #call(work) {
    if (this.#failure) throw this.#failure;
    try {
      return work();
    } catch (error) {
      if (error instanceof TavrixError) throw error;
      this.#stopFor(new TavrixError(`the puppet's module stopped: ${error.message ?? error}`));
      throw this.#failure;
    }
  }

  #stopFor(failure) {
    this.stop();
    this.#failure = failure;
    if (this.onerror) this.onerror(failure);
  }

  #withString(text, use) {
    const core = this.#core;
    if (!core) throw this.#failure;
    const size = core.lengthBytesUTF8(text) + 1;
    const at = core._malloc(size);
    try {
      core.stringToUTF8(text, at, size);
      return use(at);
    } finally {
      core._free(at);
    }
  }

  #withBytes(list, use) {
    const core = this.#core;
    const pointers = [];
    try {
      for (const bytes of list) {
        const at = core._malloc(Math.max(bytes.length, 1));
        if (!at) throw new TavrixError('out of memory for the files');
        pointers.push(at);
        core.HEAPU8.set(bytes, at);
      }
      return use(pointers);
    } finally {
      for (const at of pointers) core._free(at);
    }
  }
}

/**
 * <tavrix-puppet src="model.json" motion="idle.mtn" loop blink physics="hair.json">
 * shows a puppet with no script of the page's own. Attributes: src (model
 * JSON or .moc), motion (space-separated URLs, started at 0), loop, blink
 * (present: random seed; a number: that seed), physics, lipsync (a CSS
 * selector of an audio element, or "microphone"), fps, x/y/scale (placement
 * in pixels of the drawing buffer), width/height (drawing buffer size;
 * default the element's size times the display's pixel ratio). Events:
 * "load" when the puppet shows, "error" (an ErrorEvent with the runtime's
 * message) when something cannot be loaded or the puppet stops.
 */
export class TavrixPuppetElement extends HTMLElement {
  static get observedAttributes() { return ['src', 'motion', 'loop', 'blink', 'physics', 'lipsync', 'fps', 'x', 'y', 'scale', 'width', 'height']; }

  #canvas;
  #puppet = null;
  #loading = 0;
  #loadQueued = false;
  #resizer;

  constructor() {
    super();
    const root = this.attachShadow({ mode: 'open' });
    root.innerHTML = '<style>:host{display:inline-block;width:320px;height:400px}canvas{display:block;width:100%;height:100%}</style>';
    this.#canvas = document.createElement('canvas');
    root.appendChild(this.#canvas);
    this.#resizer = new ResizeObserver(() => this.#fitCanvas());
  }

  /** The Puppet shown, once loaded. */
  get puppet() { return this.#puppet; }

  connectedCallback() {
    this.#resizer.observe(this);
    this.#fitCanvas();
    if (this.#puppet) this.#puppet.start();
    else if (!this.#loading) this.#queueLoad();
  }

  disconnectedCallback() {
    this.#resizer.disconnect();
    if (this.#puppet) this.#puppet.stop();
  }

  attributeChangedCallback(name, before, after) {
    if (before === after || !this.isConnected) return;
    if (name === 'width' || name === 'height') this.#fitCanvas();
    else if (name === 'x' || name === 'y' || name === 'scale') this.#place();
    else this.#queueLoad();
  }

  // Attributes set together (as the parser or a script sets them) load once.
  #queueLoad() {
    if (this.#loadQueued) return;
    this.#loadQueued = true;
    queueMicrotask(() => {
      this.#loadQueued = false;
      this.#load();
    });
  }

  #fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const width = Number(this.getAttribute('width')) || Math.round(this.clientWidth * ratio);
    const height = Number(this.getAttribute('height')) || Math.round(this.clientHeight * ratio);
    if (width > 0 && height > 0 && (this.#canvas.width !== width || this.#canvas.height !== height)) {
      this.#canvas.width = width;
      this.#canvas.height = height;
    }
  }

  #place() {
    if (!this.#puppet) return;
    if (this.hasAttribute('x') || this.hasAttribute('y') || this.hasAttribute('scale')) {
      this.#puppet.place(Number(this.getAttribute('x') ?? this.#canvas.width / 2),
        Number(this.getAttribute('y') ?? this.#canvas.height / 2), Number(this.getAttribute('scale') ?? 1));
    } else {
      this.#puppet.fillWidth();
    }
  }

  // Loads anew from the attributes; a load that fails leaves the puppet
  // shown before in place and says why in an error event.
  async #load() {
    const attempt = ++this.#loading;
    const src = this.getAttribute('src');
    if (!src) return;
    // A canvas keeps the WebGL context of its first puppet: each load draws
    // into a canvas of its own, shown once the puppet is ready.
    const canvas = document.createElement('canvas');
    canvas.width = this.#canvas.width;
    canvas.height = this.#canvas.height;
    let puppet = null;
    try {
      const fps = this.hasAttribute('fps') ? Number(this.getAttribute('fps')) : DEFAULT_FPS;
      puppet = await Puppet.load(canvas, src, { fps, start: false });
      const loop = this.hasAttribute('loop');
      for (const motion of (this.getAttribute('motion') ?? '').split(/\s+/).filter(Boolean)) {
        await puppet.playMotion(motion, { at: 0, loop });
      }
      if (this.hasAttribute('blink')) {
        const seed = this.getAttribute('blink');
        puppet.blink(seed === '' ? undefined : Number(seed));
      }
      if (this.hasAttribute('physics')) await puppet.physics(this.getAttribute('physics'));
      const lipsync = this.getAttribute('lipsync');
      if (lipsync) {
        const source = lipsync === 'microphone' ? 'microphone' : document.querySelector(lipsync);
        if (!source) throw new TavrixError(`lipsync: no element matches ${lipsync}`);
        await puppet.lipSync(source);
      }
    } catch (error) {
      if (puppet) puppet.destroy();
      if (attempt === this.#loading) this.#report(error);
      return;
    }
    if (attempt !== this.#loading) {
      puppet.destroy();
      return;
    }
    if (this.#puppet) this.#puppet.destroy();
    this.#canvas.replaceWith(canvas);
    this.#canvas = canvas;
    this.#puppet = puppet;
    puppet.onerror = (error) => this.#report(error);
    this.#place();
    if (this.isConnected) puppet.start();
    this.dispatchEvent(new Event('load'));
  }

  #report(error) {
    const message = error instanceof Error ? error.message : String(error);
    this.dispatchEvent(new ErrorEvent('error', { message, error }));
  }
}

if (typeof customElements !== 'undefined' && !customElements.get('tavrix-puppet')) {
  customElements.define('tavrix-puppet', TavrixPuppetElement);
}
