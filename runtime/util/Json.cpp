#include "util/Json.h"

#include <cstdio>
#include <cstdlib>

#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "type/LDHashIndex.h"
#include "util/UtDebug.h"
#include "util/UtFile.h"
#include "util/UtHash.h"

namespace tavrix {

namespace {

const size_t HOLDER_PAGE_SIZE = 2048;

// Bytes strtod may take into a number (digits, signs, point, exponents, hex,
// inf and nan forms).
bool mayBelongToNumber(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
           c == '-' || c == '_' || c == '(' || c == ')';
}

// strtod over text[from, end), which is not terminated: the candidate bytes
// are copied first so that strtod cannot read past the text. *consumed
// receives the bytes strtod used.
double readNumber(const char* text, int from, int end, int* consumed)
{
    int stop = from;
    while (stop < end && mayBelongToNumber(text[stop])) ++stop;
    int length = stop - from;
    char* copy = static_cast<char*>(UtMemory::malloc_exe(nullptr, static_cast<size_t>(length) + 1));
    if (!copy) {
        *consumed = 0;
        return 0.0;
    }
    for (int i = 0; i < length; ++i) copy[i] = text[from + i];
    copy[length] = '\0';
    char* after = copy;
    double value = std::strtod(copy, &after);
    *consumed = static_cast<int>(after - copy);
    UtMemory::free_exe(copy);
    return value;
}

} // namespace

Json::Json()
{
    init("Json-A");
}

Json::Json(const char* bytes, int length, int option)
{
    init("Json-B");
    parseBytes(bytes, length, option);
}

void Json::init(const char* holderName)
{
    option = 0;
    lineCount = 0;
    error_message = nullptr;
    root = nullptr;
    text = nullptr;
    textLength = 0;
    depth = 0;
    memoryParam = MemoryParam::newWithFixedHolder(holderName, HOLDER_PAGE_SIZE, memoryHolder);
}

Json::~Json()
{
    release();
    delete memoryParam;
    delete memoryHolder;
}

void Json::release()
{
    if (root && !root->isStatic()) delete root;
    root = nullptr;
}

Value* Json::newError(const char* message)
{
    return new (memoryParam) Error(memoryParam, LDString(message, memoryParam), false);
}

bool Json::parseBytes(const char* bytes, int length, int option)
{
    this->option = option;
    release();
    return parse_exe(bytes, length);
}

bool Json::parseFile(const char* path, int option)
{
    this->option = option;
    release();
    int size = 0;
    char* bytes = UtFile::loadFile(path, &size);
    if (!bytes) {
        error_message = "file not found error";
        root = newError(error_message);
        return false;
    }
    bool parsed = parse_exe(bytes, size);
    UtFile::releaseLoadBuffer(bytes);
    return parsed;
}

Json* Json::parseFromBytes(const char* bytes, int length, int option)
{
    Json* json = new (UtMemory::getTmpMemoryParam()) Json();
    if (json && !json->parseBytes(bytes, length, option)) {
        delete json;
        return nullptr;
    }
    return json;
}

Json* Json::parseFromFile(const char* path, int option)
{
    Json* json = new (UtMemory::getTmpMemoryParam()) Json();
    if (json && !json->parseFile(path, option)) {
        delete json;
        return nullptr;
    }
    return json;
}

bool Json::parse_exe(const char* bytes, int length)
{
    // Each parse starts clean, so a reader can be used again after a failure.
    error_message = nullptr;
    lineCount = 0;
    depth = 0;
    text = bytes;
    textLength = bytes && length > 0 ? length : 0;

    int next = 0;
    root = parseValue(0, &next);
    text = nullptr;
    if (error_message) {
        release();
        char message[256];
        std::snprintf(message, sizeof(message), "Json parse error : @line %d\n", lineCount + 1);
        root = newError(message);
        if (root) UtDebug::println("%s", root->c_str());
        return false;
    }
    if (!root) {
        root = newError("");
        return false;
    }
    return true;
}

Value* Json::parseValue(int from, int* next)
{
    *next = from;
    if (error_message) return nullptr;
    for (int i = from; i < textLength; ++i) {
        char c = text[i];
        switch (c) {
        case '{':
            return parseObject(i + 1, next);
        case '[':
            return parseArray(i + 1, next);
        case '"': {
            LDString* string = parseString(i + 1, next);
            if (!string) return nullptr;
            Value* value = new (memoryParam) String(memoryParam, *string);
            delete string;
            return value;
        }
        case '-':
        case '.':
        case '0': case '1': case '2': case '3': case '4':
        case '5': case '6': case '7': case '8': case '9': {
            int consumed = 0;
            double number = readNumber(text, i, textLength, &consumed);
            *next = i + consumed;
            return new (memoryParam) Double(memoryParam, number);
        }
        case 't':
            // Only the length is checked; the letters after t are not.
            if (i + 3 < textLength) {
                *next = i + 4;
                return Boolean::TRUE_VALUE;
            }
            setError("parse true");
            return nullptr;
        case 'f':
            if (i + 4 < textLength) {
                *next = i + 5;
                return Boolean::FALSE_VALUE;
            }
            setError("parse false");
            return nullptr;
        case 'n':
            if (i + 3 < textLength) {
                *next = i + 4;
                // The shared null: a null is never deleted by its container.
                return Value::NULL_VALUE;
            }
            setError("parse null");
            return nullptr;
        case ']':
            *next = i;
            return nullptr;
        case ',':
            setError("illegal ',' position");
            return nullptr;
        case '\n':
            ++lineCount;
            break;
        default:
            break;
        }
    }
    setError("illegal end of value");
    return nullptr;
}

LDString* Json::parseString(int from, int* next)
{
    *next = from;
    if (error_message) return nullptr;
    LDVector<char> bytes(UtMemory::getTmpMemoryParam());
    for (int i = from; i < textLength; ++i) {
        char c = text[i];
        if (c == '"') {
            *next = i + 1;
            return new (memoryParam) LDString(static_cast<const char*>(bytes.getPtr()), bytes.size(), memoryParam);
        }
        if (c != '\\') {
            bytes.push_back(c);
            continue;
        }
        if (++i >= textLength) break;
        switch (text[i]) {
        case '"': case '\\': case '/': bytes.push_back(text[i]); break;
        case 'b': bytes.push_back('\b'); break;
        case 'f': bytes.push_back('\f'); break;
        case 'n': bytes.push_back('\n'); break;
        case 'r': bytes.push_back('\r'); break;
        case 't': bytes.push_back('\t'); break;
        case 'u':
            setError("parse string/unicode escape not supported");
            return nullptr;
        default: break; // other escaped bytes are dropped
        }
    }
    setError("parse string/illegal end");
    return nullptr;
}

bool Json::enterContainer()
{
    if (++depth <= MAX_NESTING) return true;
    setError("nesting too deep");
    return false;
}

Value* Json::leaveContainer(Value* container)
{
    --depth;
    return container;
}

bool Json::skipToSeparator(int& i, char close, int* next)
{
    for (; i < textLength && text[i] != ',' && text[i] != close; ++i) {
        if (text[i] == '\n') ++lineCount;
    }
    if (i >= textLength) {
        // Arrays report the same text as objects.
        setError("illegal end of parseObject");
        return true;
    }
    if (text[i] == close) {
        *next = i + 1;
        return false;
    }
    ++i;
    return true;
}

namespace {

// Where each key of one object being parsed sits in its map, so that an
// object with many keys parses in linear time (the map alone finds keys by a
// scan). Small objects, the common case, keep that scan and build no index.
class ObjectKeyIndex {
public:
    ObjectKeyIndex() : index(nullptr) {}
    ~ObjectKeyIndex() { delete index; }
    ObjectKeyIndex(const ObjectKeyIndex&) = delete;
    ObjectKeyIndex& operator=(const ObjectKeyIndex&) = delete;

    // Stores value under key as Map::put does; false when memory ran out.
    bool put(Map* map, const LDString& key, Value* value)
    {
        LDMap<LDString, Value*>* pairs = map->getMap();
        if (!pairs) return map->put(key, value);
        if (!index && pairs->size() < SCAN_LIMIT) return map->put(key, value);
        if (!index && !build(pairs)) return map->put(key, value);
        const uint64_t hash = hashOf(key);
        auto holdsKey = [pairs, &key](int position) { return pairs->begin()[position].key == key; };
        const int position = index->find(hash, holdsKey);
        if (position >= 0) return map->putAt(position, key, value);
        if (!map->putAt(-1, key, value)) return false;
        if (!index->put(hash, pairs->size() - 1, holdsKey)) {
            // Without the index the map's own scan still finds every key.
            delete index;
            index = nullptr;
        }
        return true;
    }

private:
    static constexpr int SCAN_LIMIT = 16;

    static uint64_t hashOf(const LDString& key) { return UtHash::hashBytes(key.c_str(), key.length()); }

    bool build(LDMap<LDString, Value*>* pairs)
    {
        if (built) return false;
        built = true;
        // Lives only while its object is parsed: temporary memory.
        MemoryParam* tmp = UtMemory::getTmpMemoryParam();
        index = new (tmp) LDHashIndex(tmp);
        for (int position = 0; index && position < pairs->size(); ++position) {
            const LDString& key = pairs->begin()[position].key;
            auto holdsKey = [pairs, &key](int at) { return pairs->begin()[at].key == key; };
            if (!index->put(hashOf(key), position, holdsKey)) {
                delete index;
                index = nullptr;
            }
        }
        return index != nullptr;
    }

    LDHashIndex* index;
    bool built = false; // an index was tried: one that failed stays off
};

} // namespace

Value* Json::parseObject(int from, int* next)
{
    *next = from;
    if (error_message) return nullptr;
    if (!enterContainer()) return nullptr;
    Map* map = new (memoryParam) Map(memoryParam);
    ObjectKeyIndex keyIndex;
    int i = from;
    while (map && !error_message) {
        // The next key.
        for (; i < textLength && text[i] != '"'; ++i) {
            if (text[i] == '\n') {
                ++lineCount;
            } else if (text[i] == ':') {
                setError("illegal ':' position");
                break;
            } else if (text[i] == '}') {
                *next = i + 1;
                return leaveContainer(map);
            }
        }
        if (error_message) break;
        if (i >= textLength) {
            setError("key not found");
            break;
        }
        LDString* key = parseString(i + 1, &i);
        if (!key) break;

        for (; i < textLength && text[i] != ':'; ++i) {
            if (text[i] == '\n') {
                ++lineCount;
            } else if (text[i] == '}') {
                setError("illegal '}' position");
                break;
            }
        }
        if (!error_message && i >= textLength) setError("':' not found");
        Value* value = parseValue(i + 1, &i);
        if (!error_message) keyIndex.put(map, *key, value ? value : Value::NULL_VALUE);
        delete key;
        if (error_message) break;

        if (!skipToSeparator(i, '}', next)) return leaveContainer(map);
    }
    delete map;
    return nullptr;
}

Value* Json::parseArray(int from, int* next)
{
    *next = from;
    if (error_message) return nullptr;
    if (!enterContainer()) return nullptr;
    Array* array = new (memoryParam) Array(memoryParam);
    int i = from;
    while (array && !error_message) {
        Value* value = parseValue(i, &i);
        if (error_message) break;
        // Nothing is read at a ']', so an empty array stays empty.
        if (value) array->add(value);

        if (!skipToSeparator(i, ']', next)) return leaveContainer(array);
    }
    delete array;
    return nullptr;
}

} // namespace tavrix
