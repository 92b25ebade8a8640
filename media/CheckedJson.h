// Reading a JSON document from a user member by member: each reader checks
// one member's type and range and, when it is wrong, stops the reading with
// where the member stands (such as layers[0].effect.params.ANGLE_X) and what
// is wrong with it. The refusal is thrown and caught where the reading of
// the document begins, which turns it into its one line.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <json/json.h>

namespace tavrix_media {
namespace checked_json {

struct Refusal {
    std::string where;
    std::string what;
};

[[noreturn]] void refuse(const std::string& where, const std::string& what);
// The path of a member (a bare name at the top) and of an array element.
std::string member(const std::string& where, const std::string& name);
std::string element(const std::string& where, Json::ArrayIndex index);

// An object whose members all have one of the names.
void allowOnly(const Json::Value& object, const std::string& where, std::initializer_list<const char*> names);
const Json::Value& required(const Json::Value& object, const char* name, const std::string& where);
const Json::Value& requireObject(const Json::Value& value, const std::string& where);
// A finite number, within [min, max] where asked.
double number(const Json::Value& value, const std::string& where);
double numberBetween(const Json::Value& value, const std::string& where, double min, double max);
int64_t wholeNumber(const Json::Value& value, const std::string& where, int64_t min, int64_t max);
std::string text(const Json::Value& value, const std::string& where);

} // namespace checked_json
} // namespace tavrix_media
