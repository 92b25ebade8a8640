// Reading the JSON files and texts users hand the tool and the host, so that
// no input can stop the process: a document nested deeper than JsonCpp's
// limit makes its reader throw, which here is a refusal like any other, and
// a file is read only up to a size no such file reaches (a device such as
// /dev/zero never ends).
#pragma once

#include <json/json.h>

#include <cstddef>
#include <fstream>
#include <memory>
#include <string>

namespace tavrix_media {

// Larger text files are refused rather than read.
constexpr size_t MAX_JSON_FILE_BYTES = 64u << 20;

// Parses text with a reader from builder; false with the reader's report
// (or why it gave up) in errors, when given.
inline bool parseJsonText(const std::string& text, const Json::CharReaderBuilder& builder, Json::Value& root,
                          std::string* errors)
{
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        return reader->parse(text.data(), text.data() + text.size(), &root, errors);
    } catch (const Json::Exception& e) {
        if (errors) *errors = std::string("the document is nested too deeply: ") + e.what();
        return false;
    }
}

// The whole file, when it can be read and holds at most limit bytes; else
// false with why ("cannot be read", or that it is too large).
inline bool readTextFile(const std::string& path, std::string& text, std::string& why,
                         size_t limit = MAX_JSON_FILE_BYTES)
{
    std::ifstream in(path, std::ios::binary);
    text.clear();
    char block[65536];
    while (in && (in.read(block, sizeof block) || in.gcount() > 0)) {
        text.append(block, static_cast<size_t>(in.gcount()));
        if (text.size() > limit) {
            why = "is larger than " + std::to_string(limit >> 20) + " MB, more than such a file holds";
            return false;
        }
    }
    if (in.bad() || (!in.eof() && text.empty())) {
        why = "cannot be read";
        return false;
    }
    return true;
}

// A value as JSON text on one line, without spaces.
inline std::string compactJsonText(const Json::Value& value)
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    return Json::writeString(writer, value);
}

} // namespace tavrix_media
