// Types of the vqz2xml package, its ES module entry: the CommonJS entry's, and that entry as the default export.
import type * as entry from './index.js';

export * from './index.js';

declare const _default: typeof entry;
export default _default;
