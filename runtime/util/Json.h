#pragma once

#include "memory/LDObject.h"
#include "type/LDString.h"
#include "type/LDVector.h"
#include "util/json/Array.h"
#include "util/json/Boolean.h"
#include "util/json/Double.h"
#include "util/json/Error.h"
#include "util/json/Map.h"
#include "util/json/NullValue.h"
#include "util/json/String.h"
#include "util/json/Value.h"

namespace tavrix {

class MemoryHolderFixed;
class MemoryParam;

// The runtime's JSON reader: parses a text into a tree of Value objects
// held by the reader. A failed parse leaves an Error root and prints the
// line of the fault; nothing throws.
class Json : public LDObject {
public:
    // Containers nest at most this deep; deeper text is refused.
    static constexpr int MAX_NESTING = 512;

    Json();
    Json(const char* bytes, int length, int option = 0);
    virtual ~Json();

    // True when the text parsed; otherwise the root is an Error.
    bool parseBytes(const char* bytes, int length, int option = 0);
    // As parseBytes for a file's text; "file not found error" when it
    // cannot be read.
    bool parseFile(const char* path, int option = 0);

    // A new reader holding the parsed tree, or null when the text (or file)
    // does not parse.
    static Json* parseFromBytes(const char* bytes, int length, int option = 0);
    static Json* parseFromFile(const char* path, int option = 0);

    // The root value; the shared null value before any parse.
    Value& getRoot() { return root ? *root : *Value::NULL_VALUE; }
    // The message of the last failed parse, or null.
    const char* getErrorMessage() const { return error_message; }
    int getOption() const { return option; }
    // Deletes the tree.
    void release();

    Json(const Json&) = delete;
    Json& operator=(const Json&) = delete;

private:
    void init(const char* holderName);
    bool parse_exe(const char* bytes, int length);
    // Each routine returns what it read (null after an error) and the index
    // after it through next; once an error is set they return at once.
    Value* parseValue(int from, int* next);
    LDString* parseString(int from, int* next);
    Value* parseObject(int from, int* next);
    Value* parseArray(int from, int* next);
    // Counts a container level; false (and the error) beyond MAX_NESTING.
    bool enterContainer();
    Value* leaveContainer(Value* container);
    // Moves i past the next ',' (true: another member follows) or to after
    // close (false, with next set); running off the end sets the error and
    // gives true, so the caller's loop ends on the error.
    bool skipToSeparator(int& i, char close, int* next);
    void setError(const char* message) { if (!error_message) error_message = message; }
    Value* newError(const char* message);

    int option;
    int lineCount;
    const char* error_message;
    Value* root;
    MemoryParam* memoryParam;
    MemoryHolderFixed* memoryHolder;
    // The text being parsed and the container depth.
    const char* text;
    int textLength;
    int depth;
};

} // namespace tavrix
