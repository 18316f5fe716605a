// The package's ES module entry point, over the CommonJS one so that both share one implementation.
import entry from './index.js';

export const load = entry.load;
export default entry;
