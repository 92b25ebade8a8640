#include "util/UtDebug.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "type/LDVector.h"

namespace tavrix {

int UtDebug::errorCount = 0;
UtDebug::Sink UtDebug::sink = &UtDebug::standardOutputSink;
void* UtDebug::sinkContext = nullptr;

namespace {

const char* const BANNER_START = "******************** < ERROR[%3d] @UtDebug > ********************\n";
const char* const BANNER_END = "*****************************************************************\n";

// The last error report's message; a longer one is cut at a character
// boundary.
char lastErrorMessage[1024] = "";

// One call's text, formatted piece by piece: on the stack while it is short,
// on the heap when it grows. When the heap refuses, the text keeps what fit.
class Text {
public:
    Text() : data(local), length(0), capacity(sizeof local) { local[0] = '\0'; }
    ~Text()
    {
        if (data != local) std::free(data);
    }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    void append(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        appendV(format, args);
        va_end(args);
    }

    void appendV(const char* format, va_list args)
    {
        va_list first;
        va_copy(first, args);
        const int needed = std::vsnprintf(data + length, capacity - length, format, first);
        va_end(first);
        if (needed < 0) {
            data[length] = '\0';
            return;
        }
        const size_t wanted = length + static_cast<size_t>(needed);
        if (wanted < capacity) {
            length = wanted;
        } else if (grow(wanted + 1)) {
            std::vsnprintf(data + length, capacity - length, format, args);
            length = wanted;
        } else {
            length = capacity - 1;
        }
    }

    const char* text() const { return data; }
    size_t size() const { return length; }

private:
    bool grow(size_t wanted)
    {
        size_t larger = capacity * 2 > wanted ? capacity * 2 : wanted;
        char* block = static_cast<char*>(std::malloc(larger));
        if (!block) return false;
        std::memcpy(block, data, length + 1);
        if (data != local) std::free(data);
        data = block;
        capacity = larger;
        return true;
    }

    char local[1024];
    char* data;
    size_t length;
    size_t capacity;
};

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Length of message without the source tag it ends with, "@Class#method()"
// followed by nothing but spaces, full stops and line breaks; its whole
// length when it ends otherwise.
size_t withoutSourceTag(const char* message, size_t length)
{
    size_t at = length;
    while (at > 0 && message[at - 1] != '@') --at;
    if (at == 0) return length;
    size_t i = at;
    const size_t classStart = i;
    while (i < length && isNameChar(message[i])) ++i;
    if (i == classStart || i >= length || message[i] != '#') return length;
    const size_t methodStart = ++i;
    while (i < length && isNameChar(message[i])) ++i;
    if (i == methodStart || length - i < 2 || message[i] != '(' || message[i + 1] != ')') return length;
    for (i += 2; i < length; ++i) {
        const char c = message[i];
        if (c != ' ' && c != '.' && c != '\n' && c != '\r') return length;
    }
    return at - 1;
}

} // namespace

void UtDebug::setSink(Sink newSink, void* context)
{
    sink = newSink ? newSink : &UtDebug::standardOutputSink;
    sinkContext = newSink ? context : nullptr;
}

void UtDebug::standardOutputSink(void*, MessageKind, const char* text, int length)
{
    std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    std::fflush(stdout);
}

void UtDebug::standardErrorSink(void*, MessageKind, const char* text, int length)
{
    std::fwrite(text, 1, static_cast<size_t>(length), stderr);
    std::fflush(stderr);
}

void UtDebug::discardingSink(void*, MessageKind, const char*, int) {}

void UtDebug::emit(MessageKind kind, const char* text, int length)
{
    sink(sinkContext, kind, text, length);
}

void UtDebug::keepLastErrorMessage(const char* message, int length)
{
    size_t n = withoutSourceTag(message, static_cast<size_t>(length));
    if (n >= sizeof lastErrorMessage) {
        n = sizeof lastErrorMessage - 1;
        // Not in the middle of a UTF-8 sequence.
        while (n > 0 && (static_cast<unsigned char>(message[n]) & 0xC0) == 0x80) --n;
    }
    for (size_t i = 0; i < n; ++i) {
        const char c = message[i];
        lastErrorMessage[i] = c == '\n' || c == '\r' ? ' ' : c;
    }
    while (n > 0 && lastErrorMessage[n - 1] == ' ') --n;
    lastErrorMessage[n] = '\0';
}

const char* UtDebug::getLastErrorMessage()
{
    return lastErrorMessage;
}

void UtDebug::clearLastErrorMessage()
{
    lastErrorMessage[0] = '\0';
}

void UtDebug::error(const char* format, ...)
{
    Text report;
    report.append(BANNER_START, ++errorCount);
    const size_t messageStart = report.size();
    va_list args;
    va_start(args, format);
    report.appendV(format, args);
    va_end(args);
    keepLastErrorMessage(report.text() + messageStart, static_cast<int>(report.size() - messageStart));
    report.append("\n%s", BANNER_END);
    emit(MESSAGE_ERROR, report.text(), static_cast<int>(report.size()));
}

void UtDebug::assertF(const char* file, int line, const char* format, ...)
{
    Text report;
    report.append(BANNER_START, ++errorCount);
    const size_t messageStart = report.size();
    va_list args;
    va_start(args, format);
    report.appendV(format, args);
    va_end(args);
    keepLastErrorMessage(report.text() + messageStart, static_cast<int>(report.size() - messageStart));
    report.append("\n      @ %s : %d\n%s", file, line, BANNER_END);
    emit(MESSAGE_ERROR, report.text(), static_cast<int>(report.size()));
}

void UtDebug::print(const char* format, ...)
{
    Text text;
    va_list args;
    va_start(args, format);
    text.appendV(format, args);
    va_end(args);
    emit(MESSAGE_TEXT, text.text(), static_cast<int>(text.size()));
}

void UtDebug::println(const char* format, ...)
{
    Text text;
    va_list args;
    va_start(args, format);
    text.appendV(format, args);
    va_end(args);
    text.append("\n");
    emit(MESSAGE_TEXT, text.text(), static_cast<int>(text.size()));
}

void UtDebug::dumpByte(const char* bytes, int n)
{
    Text text;
    for (int i = 0; i < n; ++i) {
        if (i > 0 && i % 16 == 0) text.append("\n");
        else if (i > 0 && i % 8 == 0) text.append("  ");
        text.append("%02X ", static_cast<unsigned char>(bytes[i]));
    }
    text.append("\n");
    emit(MESSAGE_TEXT, text.text(), static_cast<int>(text.size()));
}

void UtDebug::printVectorUShort(const char* name, LDVector<unsigned short>* values, const char* suffix)
{
    Text text;
    text.append("%s\n", name);
    for (int i = 0; values && i < values->size(); ++i) text.append("%d%s", (*values)[i], suffix);
    emit(MESSAGE_TEXT, text.text(), static_cast<int>(text.size()));
}

} // namespace tavrix
