#include "HostString.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace tavrix_frei0r {

namespace {

// Copies up to size bytes from address without touching it directly: the
// kernel stops at memory that is not mapped instead of faulting. The count
// copied.
size_t readOwnMemory(uintptr_t address, void* copy, size_t size)
{
    iovec local{copy, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    const ssize_t copied = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    return copied > 0 ? static_cast<size_t>(copied) : 0;
}

// User-space addresses of 64-bit Linux lie below 2^48; the first page is
// never mapped.
bool mayBeAddress(uintptr_t value)
{
    return value >= 4096 && value < (uintptr_t{1} << 48);
}

// The NUL-terminated text at address, read in pieces that end at page
// boundaries, so that a string near the end of its mapping is read whole.
std::string textAt(uintptr_t address)
{
    std::string text;
    char piece[256];
    while (text.size() < MAX_HOST_STRING) {
        const size_t toPageEnd = 4096 - (address & 4095);
        const size_t wanted = toPageEnd < sizeof piece ? toPageEnd : sizeof piece;
        const size_t copied = readOwnMemory(address, piece, wanted);
        if (copied == 0) break;
        const void* end = std::memchr(piece, '\0', copied);
        if (end) {
            text.append(piece, static_cast<const char*>(end) - piece);
            break;
        }
        text.append(piece, copied);
        address += copied;
    }
    if (text.size() > MAX_HOST_STRING) text.resize(MAX_HOST_STRING);
    return text;
}

// No control characters (tabs aside) and not cut off.
bool isText(const std::string& text)
{
    if (text.size() >= MAX_HOST_STRING) return false;
    for (unsigned char c : text) {
        if (c < 0x20 && c != '\t') return false;
    }
    return true;
}

// Whether this process may read itself through the kernel (a sandbox may
// refuse the call).
bool kernelReadsWork()
{
    const uintptr_t probe = 1;
    uintptr_t copy = 0;
    return readOwnMemory(reinterpret_cast<uintptr_t>(&probe), &copy, sizeof copy) == sizeof copy && copy == 1;
}

} // namespace

std::string hostString(const void* param)
{
    if (!param) return "";
    static const bool guarded = kernelReadsWork();
    if (!guarded) {
        // Without the kernel's help, trust the interface's convention.
        const char* text = *static_cast<const char* const*>(param);
        return text ? std::string(text, strnlen(text, MAX_HOST_STRING)) : "";
    }
    const uintptr_t at = reinterpret_cast<uintptr_t>(param);
    uintptr_t pointed = 0;
    if (readOwnMemory(at, &pointed, sizeof pointed) < sizeof pointed) return textAt(at);
    if (pointed == 0) return "";
    char first = 0;
    if (mayBeAddress(pointed) && readOwnMemory(pointed, &first, 1) == 1) {
        // What a stray address in the leftover bytes after a short string
        // would lead to is rarely text.
        const std::string text = textAt(pointed);
        if (isText(text)) return text;
    }
    return textAt(at);
}

} // namespace tavrix_frei0r
