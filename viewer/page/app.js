// The page of `tavrix view`. It keeps the whole state of what the user
// looks at (document, frame, composition, slider values and keys, animation)
// and sends all of it with every frame request over the WebSocket; the
// server draws the frame through the effect plug-in and answers with raw
// RGBA pixels. One request is in flight at a time: when the state changed
// while it was, the newest state is sent as soon as its answer is in, so
// the last picture always shows the last values.
"use strict";

const POSITION = 3;
const SCALE = 4;

const $ = (id) => document.getElementById(id);

const view = {
  session: null,           // what the server said of the document
  document: "",            // "" the command's own, else a project of the folder
  composition: { width: 1, height: 1, frameRate: 30, frameCount: 1 },
  frameCountEdited: false, // the user chose the length, so the animation's is not taken
  background: null,
  values: {},              // slider index -> number, or [x, y] for the position
  keys: {},                // slider index -> [[frame, value], ...] in frame order
  pinned: new Set(),       // sliders the user moved: held while the animation plays
  animation: { motions: [], loop: false, blink: null, physics: null, lipsync: null },
  frame: 0,
  rig: false,
};

const link = {
  socket: null,
  nextId: 1,
  inFlight: null,          // the request waiting for its frame
  dirty: false,            // the state changed while a request was in flight
  serial: 0,               // counts changes of the state
  shownSerial: -1,         // the change the picture on screen shows
  frameError: false,       // the last request was refused (the status says why)
};

const stats = { frames: 0, since: performance.now(), rate: 0, renderMs: 0 };
let lastFrame = null;      // {header, pixels} of the picture on screen
let selectedKey = null;    // {index, frame}
let playing = null;        // {startTime, startFrame} while playing

// ---- helpers -------------------------------------------------------------

function status(text, isError) {
  const line = $("status");
  line.textContent = text;
  line.classList.toggle("error", !!isError);
}

function sliderInfo(index) {
  return view.session.sliders.find((s) => s.index === index);
}

function groupOf(slider) {
  if (!slider.model) return "Layer";
  const name = slider.name.replace(/^PARAM_/, "");
  const cut = name.indexOf("_");
  return cut > 0 ? name.slice(0, cut) : name;
}

function decimals(slider) {
  const span = slider.max - slider.min;
  return span <= 2 ? 3 : span <= 100 ? 2 : 1;
}

function stepOf(slider) {
  return Math.pow(10, -decimals(slider));
}

// The value of a track at a frame: linear between keys, held before the
// first and after the last, as the host interpolates them.
function trackValue(keys, frame) {
  if (frame <= keys[0][0]) return keys[0][1];
  const last = keys[keys.length - 1];
  if (frame >= last[0]) return last[1];
  for (let i = 1; i < keys.length; i++) {
    if (frame < keys[i][0]) {
      const [f0, v0] = keys[i - 1];
      const [f1, v1] = keys[i];
      const t = (frame - f0) / (f1 - f0);
      if (Array.isArray(v0)) return [v0[0] + (v1[0] - v0[0]) * t, v0[1] + (v1[1] - v0[1]) * t];
      return v0 + (v1 - v0) * t;
    }
  }
  return last[1];
}

function api(path, options) {
  return fetch(path, Object.assign({ credentials: "same-origin" }, options)).then(async (response) => {
    if (!response.ok) throw new Error((await response.text()).trim());
    return response;
  });
}

// ---- the state sent with every request ---------------------------------

function stateForServer() {
  const values = {};
  for (const [index, value] of Object.entries(view.values)) values[index] = value;
  const keys = {};
  for (const [index, track] of Object.entries(view.keys)) if (track.length) keys[index] = track;
  const anim = view.animation;
  const state = {
    document: view.document,
    frame: Math.min(view.frame, view.composition.frameCount - 1),
    composition: view.composition,
    background: view.background,
    values,
    keys,
    pinned: [...view.pinned],
    animation: {
      motions: anim.motions.map((m) => (m.upload ? { upload: m.upload, start: m.start } : { file: m.file, start: m.start })),
      loop: anim.loop,
      blink: anim.blink,
      physics: anim.physics,
      lipsync: anim.lipsync,
    },
    rig: view.rig,
  };
  return state;
}

function animationActive() {
  const a = view.animation;
  return a.motions.length > 0 || a.blink !== null || a.physics !== null || a.lipsync !== null;
}

// ---- the WebSocket -------------------------------------------------------

function connect() {
  const socket = new WebSocket(`ws://${location.host}/ws`);
  socket.binaryType = "arraybuffer";
  socket.onopen = () => {
    link.socket = socket;
    status("Connected");
    requestFrame();
  };
  socket.onmessage = (event) => (typeof event.data === "string" ? onText(event.data) : onFrame(event.data));
  socket.onclose = () => {
    link.socket = null;
    link.inFlight = null;
    status("The viewer has closed the connection; reconnecting…", true);
    setTimeout(connect, 1000);
  };
}

function changed() {
  link.serial++;
  requestFrame();
}

function requestFrame() {
  if (!link.socket || !view.session) return;
  if (link.inFlight) {
    link.dirty = true;
    return;
  }
  link.dirty = false;
  const request = { type: "render", id: link.nextId++, state: stateForServer() };
  link.inFlight = { id: request.id, serial: link.serial };
  link.socket.send(JSON.stringify(request));
}

function onText(text) {
  const message = JSON.parse(text);
  if (message.type === "error") {
    status(message.reason, true);
    link.frameError = true;
    link.inFlight = null;
    if (link.dirty) requestFrame();
  }
}

function onFrame(buffer) {
  const bytes = new DataView(buffer);
  const magic = String.fromCharCode(bytes.getUint8(0), bytes.getUint8(1), bytes.getUint8(2), bytes.getUint8(3));
  if (magic !== "TVF1") return;
  const headerLength = bytes.getUint32(4, true);
  const header = JSON.parse(new TextDecoder().decode(new Uint8Array(buffer, 8, headerLength)));
  const pixels = new Uint8ClampedArray(buffer, 8 + headerLength, header.width * header.height * 4);
  const request = link.inFlight;
  link.inFlight = null;
  if (request && request.id === header.id) link.shownSerial = request.serial;
  show(header, pixels);
  if (link.dirty) requestFrame();
}

function show(header, pixels) {
  const picture = $("picture");
  if (picture.width !== header.width || picture.height !== header.height) {
    picture.width = $("overlay").width = header.width;
    picture.height = $("overlay").height = header.height;
  }
  picture.getContext("2d").putImageData(new ImageData(pixels, header.width, header.height), 0, 0);
  lastFrame = { header, pixels };
  stats.frames++;
  stats.renderMs = header.renderMs;
  const now = performance.now();
  if (now - stats.since >= 1000) {
    stats.rate = (stats.frames * 1000) / (now - stats.since);
    stats.frames = 0;
    stats.since = now;
    $("rate").textContent = `${stats.rate.toFixed(1)} pictures/s, ${stats.renderMs.toFixed(1)} ms on the server`;
  }
  $("set-options").value = header.setOptions;
  if (link.frameError) {
    link.frameError = false;
    status("Ready");
  }
  if (header.naturalFrameCount > 0 && !view.frameCountEdited && header.naturalFrameCount !== view.composition.frameCount) {
    view.composition.frameCount = header.naturalFrameCount;
    showComposition();
    changed();
  }
  showValues(header.values);
  drawRig(header.rig || null);
}

// ---- sliders ---------------------------------------------------------------

function buildSliders() {
  const panel = $("sliders");
  panel.textContent = "";
  const groups = new Map();
  for (const slider of view.session.sliders) {
    const group = groupOf(slider);
    if (!groups.has(group)) {
      const details = document.createElement("details");
      details.open = true;
      const summary = document.createElement("summary");
      summary.textContent = group;
      details.append(summary);
      panel.append(details);
      groups.set(group, details);
    }
    groups.get(group).append(slider.point ? pointRow(slider) : sliderRow(slider));
  }
  const lipParam = $("lipsync-param");
  lipParam.textContent = "";
  for (const slider of view.session.sliders.filter((s) => s.model)) {
    lipParam.append(new Option(slider.name, slider.name, false, slider.name === "PARAM_MOUTH_OPEN_Y"));
  }
}

function sliderRow(slider) {
  const row = document.createElement("div");
  row.className = "slider-row";
  row.id = `row-${slider.index}`;
  row.dataset.slider = slider.name;
  const name = document.createElement("span");
  name.className = "slider-name";
  name.textContent = slider.name;
  name.title = `${slider.name} (${slider.min} .. ${slider.max}, default ${slider.default})`;
  const range = document.createElement("input");
  range.type = "range";
  range.id = `slider-${slider.index}`;
  range.dataset.slider = slider.name;
  range.min = slider.min;
  range.max = slider.max;
  range.step = stepOf(slider);
  const number = document.createElement("input");
  number.type = "number";
  number.id = `number-${slider.index}`;
  number.min = slider.min;
  number.max = slider.max;
  number.step = stepOf(slider);
  const [key, reset] = rowButtons(slider);
  const ends = document.createElement("div");
  ends.className = "range";
  ends.innerHTML = "<span></span><span></span>";
  ends.children[0].textContent = slider.min;
  ends.children[1].textContent = slider.max;

  range.addEventListener("input", () => setSlider(slider, Number(range.value)));
  number.addEventListener("change", () => {
    const value = Number(number.value);
    if (number.value === "" || !Number.isFinite(value) || value < slider.min || value > slider.max) {
      status(`${slider.name}: a number from ${slider.min} to ${slider.max}`, true);
      return;
    }
    setSlider(slider, value);
  });
  row.append(name, range, number, key, reset, ends);
  return row;
}

// ◆ keys the slider at the current frame, ↺ puts it back to its default.
function rowButtons(slider) {
  const key = document.createElement("button");
  key.type = "button";
  key.id = `key-${slider.index}`;
  key.textContent = "◆";
  key.title = "Key this value at the current frame";
  key.addEventListener("click", () => keyHere(slider));
  const reset = document.createElement("button");
  reset.type = "button";
  reset.id = `reset-${slider.index}`;
  reset.textContent = "↺";
  reset.title = `Back to the default, ${JSON.stringify(slider.default)}`;
  reset.addEventListener("click", () => resetSlider(slider));
  return [key, reset];
}

function pointRow(slider) {
  const row = document.createElement("div");
  row.className = "slider-row point-row";
  row.id = `row-${slider.index}`;
  const name = document.createElement("span");
  name.className = "slider-name";
  name.textContent = `${slider.name} x, y`;
  const inputs = [0, 1].map((axis) => {
    const input = document.createElement("input");
    input.type = "number";
    input.step = "1";
    input.id = `number-${slider.index}-${axis ? "y" : "x"}`;
    input.addEventListener("change", () => {
      const x = Number(inputs[0].value);
      const y = Number(inputs[1].value);
      if (!Number.isFinite(x) || !Number.isFinite(y)) return status(`${slider.name}: two numbers`, true);
      setSlider(slider, [x, y]);
    });
    return input;
  });
  row.append(name, inputs[0], inputs[1], ...rowButtons(slider));
  return row;
}

// The user moved a slider: a keyed one is keyed at this frame, as a
// compositing host does; another takes the value and holds it against the
// animation.
function setSlider(slider, value) {
  const track = view.keys[slider.index];
  if (track && track.length) {
    putKey(slider.index, view.frame, value);
    buildTracks();
  } else {
    view.values[slider.index] = value;
  }
  view.pinned.add(slider.index);
  markRow(slider.index);
  changed();
}

// The value a slider has at the current frame: its keys', the one the user
// gave it, or, while the animation moves it, the one the frame was drawn with.
function currentValue(slider) {
  const track = view.keys[slider.index];
  if (track && track.length) return trackValue(track, view.frame);
  const animated = animationActive() && slider.model && !view.pinned.has(slider.index);
  if (animated && lastFrame && lastFrame.header.frame === view.frame) return lastFrame.header.values[slider.index];
  return view.values[slider.index];
}

function keyHere(slider) {
  putKey(slider.index, view.frame, currentValue(slider));
  markRow(slider.index);
  buildTracks();
  changed();
}

function putKey(index, frame, value) {
  const track = view.keys[index] || (view.keys[index] = []);
  const at = track.findIndex((key) => key[0] === frame);
  if (at >= 0) track[at][1] = value;
  else track.push([frame, value]);
  track.sort((a, b) => a[0] - b[0]);
}

function resetSlider(slider) {
  view.values[slider.index] = slider.default;
  delete view.keys[slider.index];
  view.pinned.delete(slider.index);
  if (selectedKey && selectedKey.index === slider.index) selectedKey = null;
  markRow(slider.index);
  buildTracks();
  changed();
}

function resetAll() {
  for (const slider of view.session.sliders) {
    view.values[slider.index] = slider.default;
    delete view.keys[slider.index];
    view.pinned.delete(slider.index);
    markRow(slider.index);
  }
  if (view.session.kind === "model") view.values[POSITION] = modelPosition();
  selectedKey = null;
  buildTracks();
  changed();
}

function markRow(index) {
  const row = $(`row-${index}`);
  if (!row) return;
  row.classList.toggle("pinned", view.pinned.has(index));
  row.classList.toggle("keyed", !!(view.keys[index] && view.keys[index].length));
}

// Shows the values the frame was drawn with, except in the field the user
// is typing into.
function showValues(values) {
  for (const slider of view.session.sliders) {
    const value = values[slider.index];
    if (value === undefined) continue;
    if (slider.point) {
      ["x", "y"].forEach((axis, i) => {
        const input = $(`number-${slider.index}-${axis}`);
        if (input && document.activeElement !== input) input.value = +value[i].toFixed(2);
      });
      continue;
    }
    const range = $(`slider-${slider.index}`);
    const number = $(`number-${slider.index}`);
    if (range && document.activeElement !== range) range.value = value;
    if (number && document.activeElement !== number) number.value = +value.toFixed(decimals(slider) + 1);
  }
}

// Before the first frame comes, the sliders show the state itself.
function showStateValues() {
  const values = {};
  for (const slider of view.session.sliders) {
    const track = view.keys[slider.index];
    values[slider.index] = track && track.length ? trackValue(track, view.frame) : view.values[slider.index];
  }
  showValues(values);
}

// ---- the timeline ----------------------------------------------------------

function lastFrameIndex() {
  return Math.max(0, view.composition.frameCount - 1);
}

function buildTracks() {
  const tracks = $("tracks");
  tracks.textContent = "";
  const span = Math.max(1, lastFrameIndex());
  for (const slider of view.session.sliders) {
    const keys = view.keys[slider.index];
    if (!keys || !keys.length) continue;
    const track = document.createElement("div");
    track.className = "track";
    const name = document.createElement("span");
    name.className = "track-name";
    name.textContent = slider.name;
    const lane = document.createElement("div");
    lane.className = "lane";
    lane.id = `lane-${slider.index}`;
    const head = document.createElement("div");
    head.className = "playhead";
    head.style.left = `${(view.frame / span) * 100}%`;
    lane.append(head);
    for (const key of keys) {
      const mark = document.createElement("div");
      mark.className = "key";
      mark.dataset.index = slider.index;
      mark.dataset.frame = key[0];
      mark.title = `${slider.name} = ${JSON.stringify(key[1])} at frame ${key[0]}`;
      mark.style.left = `${(Math.min(key[0], span) / span) * 100}%`;
      if (selectedKey && selectedKey.index === slider.index && selectedKey.frame === key[0]) mark.classList.add("selected");
      mark.addEventListener("mousedown", (event) => dragKey(event, slider.index, key));
      mark.addEventListener("dblclick", () => deleteKey(slider.index, key[0]));
      lane.append(mark);
    }
    track.append(name, lane);
    tracks.append(track);
  }
}

function dragKey(event, index, key) {
  event.preventDefault();
  // Only marked here, not drawn anew, so that a double-click lands on the
  // same key twice.
  selectedKey = { index, frame: key[0] };
  for (const mark of document.querySelectorAll(".key")) {
    mark.classList.toggle("selected", Number(mark.dataset.index) === index && Number(mark.dataset.frame) === key[0]);
  }
  const span = Math.max(1, lastFrameIndex());
  const move = (moveEvent) => {
    // The timeline is drawn anew as keys move: measure the lane as it is now.
    const box = $(`lane-${index}`).getBoundingClientRect();
    const frame = Math.round(Math.min(1, Math.max(0, (moveEvent.clientX - box.left) / box.width)) * span);
    const track = view.keys[index];
    if (frame === key[0] || track.some((other) => other !== key && other[0] === frame)) return;
    key[0] = frame;
    track.sort((a, b) => a[0] - b[0]);
    selectedKey = { index, frame };
    buildTracks();
    changed();
  };
  const up = () => {
    window.removeEventListener("mousemove", move);
    window.removeEventListener("mouseup", up);
  };
  window.addEventListener("mousemove", move);
  window.addEventListener("mouseup", up);
}

function deleteKey(index, frame) {
  const track = view.keys[index];
  if (!track) return;
  view.keys[index] = track.filter((key) => key[0] !== frame);
  if (!view.keys[index].length) {
    // The slider keeps the value the last key gave it.
    view.values[index] = track[0][1];
    delete view.keys[index];
  }
  selectedKey = null;
  markRow(index);
  buildTracks();
  changed();
}

// ---- frames and playing ------------------------------------------------------

function setFrame(frame) {
  view.frame = Math.max(0, Math.min(lastFrameIndex(), Math.round(frame)));
  $("frame-number").value = view.frame;
  $("scrub").value = view.frame;
  $("time-display").textContent = `${(view.frame / view.composition.frameRate).toFixed(3)} s`;
  for (const head of document.querySelectorAll(".playhead")) {
    head.style.left = `${(view.frame / Math.max(1, lastFrameIndex())) * 100}%`;
  }
  changed();
}

function play() {
  if (playing) return;
  if (view.frame >= lastFrameIndex()) setFrame(0);
  playing = { startTime: performance.now(), startFrame: view.frame };
  syncSound(true);
  requestAnimationFrame(tick);
}

function pause() {
  playing = null;
  $("sound").pause();
}

// The clock of the page; the sound follows it, and is put back in step
// when it drifts.
function tick(now) {
  if (!playing) return;
  const fps = view.composition.frameRate;
  let frame = playing.startFrame + Math.floor(((now - playing.startTime) / 1000) * fps + 1e-9);
  if (frame > lastFrameIndex()) {
    if ($("loop-playback").checked) {
      playing = { startTime: now, startFrame: 0 };
      frame = 0;
      syncSound(true);
    } else {
      setFrame(lastFrameIndex());
      pause();
      return;
    }
  }
  if (frame !== view.frame) setFrame(frame);
  syncSound(false);
  requestAnimationFrame(tick);
}

function syncSound(restart) {
  const sound = $("sound");
  const lip = view.animation.lipsync;
  if (!playing || !lip) return;
  const t = view.frame / view.composition.frameRate - lip.offset;
  if (t < 0 || (sound.duration && t >= sound.duration)) {
    if (!sound.paused) sound.pause();
    return;
  }
  if (restart || sound.paused || Math.abs(sound.currentTime - t) > 0.1) {
    sound.currentTime = t;
    if (sound.paused) sound.play().catch(() => status("The browser would not play the sound", true));
  }
}

// ---- the rig ---------------------------------------------------------------

let rigFacts = null;

function drawRig(facts) {
  rigFacts = facts;
  const overlay = $("overlay");
  const g = overlay.getContext("2d");
  g.clearRect(0, 0, overlay.width, overlay.height);
  showDrawOrder();
  if (!facts) return;
  const [k, x0, y0] = facts.toPixel;
  const px = (x) => x0 + k * x;
  const py = (y) => y0 + k * y;
  if ($("show-meshes").checked) {
    g.lineWidth = 1;
    g.strokeStyle = "rgba(47, 111, 219, 0.55)";
    for (const mesh of facts.meshes) {
      if (!mesh.polygons || !mesh.available) continue;
      const p = mesh.points;
      g.beginPath();
      for (let t = 0; t + 2 < mesh.polygons.length; t += 3) {
        const [a, b, c] = [mesh.polygons[t], mesh.polygons[t + 1], mesh.polygons[t + 2]];
        g.moveTo(px(p[2 * a]), py(p[2 * a + 1]));
        g.lineTo(px(p[2 * b]), py(p[2 * b + 1]));
        g.lineTo(px(p[2 * c]), py(p[2 * c + 1]));
        g.closePath();
      }
      g.stroke();
    }
  }
  if ($("show-deformers").checked) {
    for (const deformer of facts.deformers) {
      if (deformer.points) {
        const columns = deformer.columns + 1;
        const p = deformer.points;
        g.strokeStyle = "rgba(224, 144, 47, 0.8)";
        g.beginPath();
        for (let r = 0; r <= deformer.rows; r++) {
          for (let c = 0; c < columns; c++) {
            const i = r * columns + c;
            if (c + 1 < columns) {
              g.moveTo(px(p[2 * i]), py(p[2 * i + 1]));
              g.lineTo(px(p[2 * i + 2]), py(p[2 * i + 3]));
            }
            if (r < deformer.rows) {
              const j = i + columns;
              g.moveTo(px(p[2 * i]), py(p[2 * i + 1]));
              g.lineTo(px(p[2 * j]), py(p[2 * j + 1]));
            }
          }
        }
        g.stroke();
      } else if (deformer.origin) {
        const [ox, oy] = [px(deformer.origin[0]), py(deformer.origin[1])];
        const a = (deformer.angle * Math.PI) / 180;
        g.strokeStyle = g.fillStyle = "rgba(179, 38, 30, 0.85)";
        g.beginPath();
        g.arc(ox, oy, 4, 0, 2 * Math.PI);
        g.fill();
        g.beginPath();
        g.moveTo(ox, oy);
        g.lineTo(ox + 24 * Math.sin(a), oy - 24 * Math.cos(a));
        g.stroke();
      }
    }
  }
}

function showDrawOrder() {
  const list = $("draw-order");
  list.hidden = !$("show-order").checked || !rigFacts;
  if (list.hidden) return;
  list.textContent = "";
  for (const name of rigFacts.drawSequence) {
    const item = document.createElement("li");
    item.textContent = name;
    list.append(item);
  }
}

function insideTriangle(x, y, ax, ay, bx, by, cx, cy) {
  const d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by);
  const d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy);
  const d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay);
  return !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0));
}

// What lies under the pointer: a rotation's origin, else the topmost mesh,
// else the smallest grid around it.
function rigAt(x, y) {
  if (!rigFacts) return null;
  const [k, x0, y0] = rigFacts.toPixel;
  const cx = (x - x0) / k;
  const cy = (y - y0) / k;
  if ($("show-deformers").checked) {
    for (const d of rigFacts.deformers) {
      if (d.origin && Math.hypot(x0 + k * d.origin[0] - x, y0 + k * d.origin[1] - y) <= 6) return `rotation deformer ${d.id}`;
    }
  }
  if ($("show-meshes").checked) {
    const order = rigFacts.drawSequence;
    for (let s = order.length - 1; s >= 0; s--) {
      const mesh = rigFacts.meshes.find((m) => m.id === order[s]);
      if (!mesh || !mesh.polygons) continue;
      const p = mesh.points;
      for (let t = 0; t + 2 < mesh.polygons.length; t += 3) {
        const [a, b, c] = [mesh.polygons[t], mesh.polygons[t + 1], mesh.polygons[t + 2]];
        if (insideTriangle(cx, cy, p[2 * a], p[2 * a + 1], p[2 * b], p[2 * b + 1], p[2 * c], p[2 * c + 1])) {
          return `mesh ${mesh.id} (drawn ${s + 1} of ${order.length})`;
        }
      }
    }
  }
  if ($("show-deformers").checked) {
    let best = null;
    for (const d of rigFacts.deformers) {
      if (!d.points) continue;
      const xs = d.points.filter((_, i) => i % 2 === 0);
      const ys = d.points.filter((_, i) => i % 2 === 1);
      const box = [Math.min(...xs), Math.min(...ys), Math.max(...xs), Math.max(...ys)];
      const area = (box[2] - box[0]) * (box[3] - box[1]);
      if (cx >= box[0] && cx <= box[2] && cy >= box[1] && cy <= box[3] && (!best || area < best.area)) best = { id: d.id, area };
    }
    if (best) return `grid deformer ${best.id}`;
  }
  return null;
}

function onHover(event) {
  const overlay = $("overlay");
  const box = overlay.getBoundingClientRect();
  const x = ((event.clientX - box.left) / box.width) * overlay.width;
  const y = ((event.clientY - box.top) / box.height) * overlay.height;
  const name = rigAt(x, y);
  const label = $("hover-name");
  label.hidden = !name;
  if (!name) return;
  label.textContent = name;
  label.style.left = `${event.clientX - box.left + 12}px`;
  label.style.top = `${event.clientY - box.top + 12}px`;
}

// ---- animation controls ----------------------------------------------------

function showMotions() {
  const list = $("motions");
  list.textContent = "";
  view.animation.motions.forEach((motion, i) => {
    const item = document.createElement("li");
    item.textContent = `${motion.label} @ ${motion.start} s`;
    const remove = document.createElement("button");
    remove.type = "button";
    remove.textContent = "✕";
    remove.title = "Remove this motion";
    remove.addEventListener("click", () => {
      view.animation.motions.splice(i, 1);
      showMotions();
      changed();
    });
    item.append(remove);
    list.append(item);
  });
}

function readBlink() {
  view.animation.blink = $("blink-on").checked ? Math.max(0, Math.floor(Number($("blink-seed").value) || 0)) : null;
  changed();
}

function readLipSync() {
  const file = $("sound-list").value;
  const sound = $("sound");
  if (!file) {
    view.animation.lipsync = null;
    sound.removeAttribute("src");
  } else {
    const number = (id) => Number($(id).value);
    view.animation.lipsync = {
      file,
      param: $("lipsync-param").value || "PARAM_MOUTH_OPEN_Y",
      gain: number("lipsync-gain"),
      gate: number("lipsync-gate"),
      smoothing: number("lipsync-smoothing"),
      offset: number("lipsync-offset"),
    };
    const source = `/api/sound?name=${encodeURIComponent(file)}`;
    if (sound.getAttribute("src") !== source) sound.src = source;
  }
  changed();
}

async function dropFiles(files) {
  for (const file of files) {
    const lower = file.name.toLowerCase();
    if (!/\.(mtn|mtnb|json)$/.test(lower)) {
      status(`${file.name}: drop motions (.mtn, .mtnb) or hair set-ups (.json)`, true);
      continue;
    }
    try {
      const response = await api(`/api/upload?name=${encodeURIComponent(file.name)}`, { method: "POST", body: file });
      const { upload } = await response.json();
      if (lower.endsWith(".json")) {
        view.animation.physics = { upload };
        const list = $("physics-list");
        list.append(new Option(`${file.name} (dropped)`, `upload:${upload}`, true, true));
      } else {
        view.animation.motions.push({ upload, start: Number($("motion-start").value) || 0, label: `${file.name} (dropped)` });
        showMotions();
      }
      changed();
    } catch (error) {
      status(`${file.name}: ${error.message}`, true);
    }
  }
}

// ---- documents -------------------------------------------------------------

function modelPosition() {
  return [view.composition.width / 2, view.composition.width / 2];
}

function fillList(select, names, none) {
  select.textContent = "";
  if (none !== undefined) select.append(new Option(none, ""));
  for (const name of names) select.append(new Option(name, name));
}

async function openDocument(documentName) {
  pause();
  const response = await api(`/api/session?document=${encodeURIComponent(documentName)}`);
  const session = await response.json();
  view.session = session;
  view.document = documentName;
  view.composition = Object.assign({}, session.composition);
  view.frameCountEdited = session.kind === "project";
  view.values = {};
  view.keys = {};
  view.pinned = new Set();
  for (const slider of session.sliders) view.values[slider.index] = slider.default;
  Object.assign(view.values, session.values);
  for (const [index, keys] of Object.entries(session.keys)) view.keys[index] = keys;
  // A project's own values hold against the animation; a model's position
  // follows the picture's width until the user moves it.
  if (session.kind === "project") for (const index of Object.keys(session.values)) view.pinned.add(Number(index));
  view.animation = { motions: [], loop: false, blink: null, physics: null, lipsync: null };
  selectedKey = null;

  $("document-name").textContent = session.file;
  $("document-kind").textContent = session.kind;
  document.title = `${session.file} – Tavrix view`;
  fillList($("motion-list"), session.files.motions);
  fillList($("physics-list"), session.files.physics, "none");
  fillList($("sound-list"), session.files.sounds, "none");
  const projects = $("project-list");
  projects.textContent = "";
  projects.append(new Option(`${view.session.kind === "model" && !documentName ? session.file : "the opened file"}`, ""));
  for (const name of session.files.projects) projects.append(new Option(name, name, false, name === documentName));
  buildSliders();
  for (const slider of session.sliders) markRow(slider.index);
  $("loop-motions").checked = false;
  $("blink-on").checked = false;
  showMotions();
  if (session.sound && session.sound.file) {
    $("sound-list").value = session.sound.file;
    $("lipsync-param").value = session.sound.param;
    $("lipsync-gain").value = session.sound.gain;
    $("lipsync-gate").value = session.sound.gate;
    $("lipsync-smoothing").value = session.sound.smoothing;
    $("lipsync-offset").value = session.sound.offset;
    readLipSync();
  }
  if (session.warnings.length) status(session.warnings.join("; "), true);
  showComposition();
  buildTracks();
  showStateValues();
  setFrame(0);
}

function showComposition() {
  $("comp-width").value = view.composition.width;
  $("comp-height").value = view.composition.height;
  $("comp-fps").value = view.composition.frameRate;
  $("comp-frames").value = view.composition.frameCount;
  $("scrub").max = lastFrameIndex();
  $("frame-number").max = lastFrameIndex();
  if (view.frame > lastFrameIndex()) setFrame(lastFrameIndex());
}

function readComposition() {
  const width = Math.round(Number($("comp-width").value));
  const height = Math.round(Number($("comp-height").value));
  const frameRate = Number($("comp-fps").value);
  const frameCount = Math.round(Number($("comp-frames").value));
  if (!(width >= 1 && width <= 4096 && height >= 1 && height <= 4096)) return status("Size: 1 to 4096 a side", true);
  if (!(frameRate > 0 && frameRate <= 1000)) return status("fps: above 0, at most 1000", true);
  if (!(frameCount >= 1 && frameCount <= 100000)) return status("frames: 1 to 100000", true);
  const widthChanged = width !== view.composition.width;
  if (frameCount !== view.composition.frameCount) view.frameCountEdited = true;
  view.composition = { width, height, frameRate, frameCount };
  // A model's layer keeps standing as `tavrix draw` draws it.
  if (widthChanged && view.session.kind === "model" && !view.pinned.has(POSITION) && !view.keys[POSITION]) {
    view.values[POSITION] = modelPosition();
  }
  showComposition();
  buildTracks();
  changed();
}

async function save() {
  const name = $("save-name").value.trim();
  try {
    const response = await api("/api/save", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ name, state: stateForServer() }),
    });
    const answer = await response.json();
    status(`Saved ${answer.saved}. ${answer.warnings.join(" ")} Render it with: ${answer.render}`);
    const projects = $("project-list");
    if (![...projects.options].some((o) => o.value === answer.saved)) projects.append(new Option(answer.saved, answer.saved));
  } catch (error) {
    status(`Not saved: ${error.message}`, true);
  }
}

async function exportPng() {
  try {
    const response = await api("/api/export", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(stateForServer()),
    });
    const blob = await response.blob();
    const anchor = document.createElement("a");
    anchor.href = URL.createObjectURL(blob);
    anchor.download = `frame_${String(view.frame).padStart(4, "0")}.png`;
    anchor.click();
    setTimeout(() => URL.revokeObjectURL(anchor.href), 1000);
  } catch (error) {
    status(`Not exported: ${error.message}`, true);
  }
}

// ---- wiring -----------------------------------------------------------------

function wire() {
  $("reset-all").addEventListener("click", resetAll);
  for (const id of ["comp-width", "comp-height", "comp-fps", "comp-frames"]) $(id).addEventListener("change", readComposition);
  const readBackground = () => {
    view.background = $("background-on").checked ? $("background-color").value : null;
    changed();
  };
  $("background-on").addEventListener("change", readBackground);
  $("background-color").addEventListener("input", readBackground);
  const readRig = () => {
    const wanted = $("show-meshes").checked || $("show-deformers").checked || $("show-order").checked;
    view.rig = wanted;
    if (!wanted) drawRig(null);
    changed();
  };
  for (const id of ["show-meshes", "show-deformers", "show-order"]) $(id).addEventListener("change", readRig);
  $("overlay").addEventListener("mousemove", onHover);
  $("overlay").addEventListener("mouseleave", () => ($("hover-name").hidden = true));
  $("open-project").addEventListener("click", () => openDocument($("project-list").value).catch((e) => status(e.message, true)));
  $("save-project").addEventListener("click", save);
  $("export-png").addEventListener("click", exportPng);
  $("copy-set").addEventListener("click", () => {
    $("set-options").select();
    if (navigator.clipboard) navigator.clipboard.writeText($("set-options").value).catch(() => {});
  });

  $("add-motion").addEventListener("click", () => {
    const file = $("motion-list").value;
    if (!file) return;
    view.animation.motions.push({ file, start: Math.max(0, Number($("motion-start").value) || 0), label: file });
    showMotions();
    changed();
  });
  $("loop-motions").addEventListener("change", () => {
    view.animation.loop = $("loop-motions").checked;
    changed();
  });
  $("blink-on").addEventListener("change", readBlink);
  $("blink-seed").addEventListener("change", readBlink);
  $("physics-list").addEventListener("change", () => {
    const value = $("physics-list").value;
    view.animation.physics = !value ? null : value.startsWith("upload:") ? { upload: Number(value.slice(7)) } : value;
    changed();
  });
  for (const id of ["sound-list", "lipsync-param", "lipsync-gain", "lipsync-gate", "lipsync-smoothing", "lipsync-offset"]) {
    $(id).addEventListener("change", readLipSync);
  }

  $("play").addEventListener("click", play);
  $("pause").addEventListener("click", pause);
  $("step-back").addEventListener("click", () => {
    pause();
    setFrame(view.frame - 1);
  });
  $("step-forward").addEventListener("click", () => {
    pause();
    setFrame(view.frame + 1);
  });
  $("frame-number").addEventListener("change", () => {
    pause();
    setFrame(Number($("frame-number").value) || 0);
  });
  $("scrub").addEventListener("input", () => {
    pause();
    setFrame(Number($("scrub").value));
  });
  $("delete-key").addEventListener("click", () => selectedKey && deleteKey(selectedKey.index, selectedKey.frame));
  document.addEventListener("keydown", (event) => {
    if ((event.key === "Delete" || event.key === "Backspace") && selectedKey && !(event.target instanceof HTMLInputElement)) {
      deleteKey(selectedKey.index, selectedKey.frame);
    }
  });

  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dropping");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dropping"));
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    document.body.classList.remove("dropping");
    dropFiles([...event.dataTransfer.files]);
  });
}

// What tests and benchmarks read: the picture, whether it shows the last
// state, and the rate of pictures.
window.tavrixViewer = {
  view,
  settled: () => !link.inFlight && !link.dirty && link.shownSerial === link.serial && lastFrame !== null,
  lastHeader: () => (lastFrame ? lastFrame.header : null),
  stats: () => ({ rate: stats.rate, renderMs: stats.renderMs }),
  stateForServer,
};

wire();
// The token has done its work: the cookie carries it from here on.
if (location.search) history.replaceState(null, "", "/");
openDocument("")
  .then(connect)
  .catch((error) => status(error.message, true));
