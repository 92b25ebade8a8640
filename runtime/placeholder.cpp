// Placeholder until the first runtime sources land.
