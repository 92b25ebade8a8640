// Types of the Tavrix web package (tavrix.js).

/** A failure the page can show: the file at fault and the runtime's reason. */
export class TavrixError extends Error {}

export interface PuppetParam {
  id: string;
  min: number;
  max: number;
  default: number;
}

export interface LoadOptions {
  /** Frames per second of the animation's clock (1 to 1000, default 60). */
  fps?: number;
  /** Begin the draw loop at once (default true). */
  start?: boolean;
}

export interface MotionOptions {
  /** Seconds on the puppet's clock at which it starts (default: now). */
  at?: number;
  /** Restart it at its end instead of finishing. */
  loop?: boolean;
}

export interface LipSyncOptions {
  /** The parameter moved (default PARAM_MOUTH_OPEN_Y). */
  param?: string;
  /** Loudness times gain opens fully at 1 (0 to 1000, default 5). */
  gain?: number;
  /** Loudness below this is silence (0 to 1, default 0.01). */
  gate?: number;
  /** Seconds the mouth takes to close after a sound (0.04 to 2, default 0.1). */
  smoothing?: number;
}

/** Straight-alpha RGBA rows, top first, as `tavrix draw` writes them. */
export interface Pixels {
  width: number;
  height: number;
  data: Uint8ClampedArray;
}

/** The evaluated model; see `tavrix inspect --help` and the README for every member. */
export interface ModelFacts {
  canvasWidth: number;
  canvasHeight: number;
  params: { id: string; min: number; max: number; default: number; value: number }[];
  parts: { id: string; visible: boolean; opacity: number }[];
  deformers: { id: string; points?: number[]; [member: string]: unknown }[];
  meshes: { id: string; points: number[]; drawOrder: number; opacity: number; [member: string]: unknown }[];
  drawSequence: string[];
  [member: string]: unknown;
}

/** One hair of a set-up, as the tool's --physics files hold them. */
export interface HairLink {
  kind?: number;
  id: string;
  scale?: number;
  weight?: number;
}
export interface Hair {
  length?: number;
  air_resistance?: number;
  mass?: number;
  gravity_angle_deg?: number;
  sources?: HairLink[];
  targets?: HairLink[];
}

export type BytesSource = string | URL | ArrayBuffer | ArrayBufferView;

export class Puppet {
  /** Loads a puppet from a model JSON file (or a .moc file) into a canvas. */
  static load(canvas: HTMLCanvasElement, url: string | URL, options?: LoadOptions): Promise<Puppet>;

  readonly canvas: HTMLCanvasElement;
  /** Parameters in model order. */
  readonly params: PuppetParam[];
  /** Why textures could not be decoded (the puppet still draws). */
  readonly warnings: string[];
  readonly fps: number;
  /** Seconds of animation played. */
  readonly time: number;
  readonly running: boolean;
  /** Why the puppet stopped for good, or null. */
  readonly failure: TavrixError | null;
  /** Called when the puppet stops for good. */
  onerror: ((error: TavrixError) => void) | null;

  setParam(id: string, value: number): void;
  clearParam(id: string): void;
  getParam(id: string): number;
  playMotion(source: BytesSource, options?: MotionOptions): Promise<void>;
  blink(seed?: number): void;
  physics(source: string | URL | Hair[]): Promise<void>;
  lipSync(source: HTMLMediaElement | MediaStream | 'microphone', options?: LipSyncOptions): Promise<void>;
  stopLipSync(): void;
  place(x: number, y: number, scale?: number): void;
  fillWidth(): void;
  start(): void;
  stop(): void;
  seek(seconds: number): void;
  drawFrame(seconds?: number): void;
  readPixels(seconds?: number): Pixels;
  /** The model evaluated at a time, in the JSON format of `tavrix inspect --json`. */
  inspect(seconds?: number): ModelFacts;
  /** Milliseconds per model update over count updates, each moving two parameters first. */
  measureUpdate(first?: string, second?: string, count?: number): number;
  destroy(): void;
}

/** The <tavrix-puppet> element. */
export class TavrixPuppetElement extends HTMLElement {
  readonly puppet: Puppet | null;
}

declare global {
  interface HTMLElementTagNameMap {
    'tavrix-puppet': TavrixPuppetElement;
  }
}
