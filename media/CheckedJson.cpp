#include "CheckedJson.h"

#include <cmath>
#include <cstdio>

namespace tavrix_media {
namespace checked_json {

void refuse(const std::string& where, const std::string& what)
{
    throw Refusal{where, what};
}

std::string member(const std::string& where, const std::string& name)
{
    return where.empty() ? name : where + "." + name;
}

std::string element(const std::string& where, Json::ArrayIndex index)
{
    return where + "[" + std::to_string(index) + "]";
}

void allowOnly(const Json::Value& object, const std::string& where, std::initializer_list<const char*> names)
{
    requireObject(object, where.empty() ? "(document)" : where);
    for (const std::string& name : object.getMemberNames()) {
        bool known = false;
        for (const char* allowed : names) known = known || name == allowed;
        if (!known) refuse(member(where, name), "unknown member");
    }
}

const Json::Value& required(const Json::Value& object, const char* name, const std::string& where)
{
    if (!object.isMember(name)) refuse(member(where, name), "is missing");
    return object[name];
}

const Json::Value& requireObject(const Json::Value& value, const std::string& where)
{
    if (!value.isObject()) refuse(where, "must be an object");
    return value;
}

double number(const Json::Value& value, const std::string& where)
{
    if (!value.isNumeric() || value.isBool()) refuse(where, "must be a number");
    const double result = value.asDouble();
    if (!std::isfinite(result)) refuse(where, "must be a finite number");
    return result;
}

double numberBetween(const Json::Value& value, const std::string& where, double min, double max)
{
    const double result = number(value, where);
    if (result < min || result > max) {
        char range[96];
        std::snprintf(range, sizeof range, "must lie between %g and %g (is %g)", min, max, result);
        refuse(where, range);
    }
    return result;
}

int64_t wholeNumber(const Json::Value& value, const std::string& where, int64_t min, int64_t max)
{
    if (!value.isNumeric() || value.isBool() || !value.isIntegral()) refuse(where, "must be a whole number");
    const int64_t result = value.isInt64() ? value.asInt64() : INT64_MAX;
    if (result < min || result > max) {
        refuse(where, "must lie between " + std::to_string(min) + " and " + std::to_string(max) + " (is " +
                          std::to_string(result) + ")");
    }
    return result;
}

std::string text(const Json::Value& value, const std::string& where)
{
    if (!value.isString()) refuse(where, "must be a string");
    return value.asString();
}

} // namespace checked_json
} // namespace tavrix_media
