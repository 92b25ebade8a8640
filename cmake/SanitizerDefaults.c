/* Defaults for AddressSanitizer, compiled into every program of a sanitizer
 * build; ASAN_OPTIONS still overrides them.
 *
 * intercept_tls_get_addr=0: with it on, the runtime records each thread's
 * dynamic TLS blocks from __tls_get_addr and guesses where a block begins:
 * one whose address lies 16 bytes into a page is taken for a block with an
 * old glibc header in front, and the two words before it are read as that
 * block's start and size. Under glibc 2.36 the blocks come from malloc, so
 * a block that happens to land there (Mesa's LLVM keeps 24 bytes of
 * thread-local data; whether its block lands there depends on every
 * allocation before it) records a nonsense range, and the leak check at
 * exit dies scanning it ("Tracer caught signal 11"). Off, those blocks are
 * still found and scanned as the dynamic linker's own allocations, so
 * leaks are reported exactly as before. */
const char* __asan_default_options(void);
const char* __asan_default_options(void)
{
    return "intercept_tls_get_addr=0";
}
