#include "DialogSession.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "JsonText.h"

namespace tavrix_host {

namespace {

struct Fault {
    std::string where;
    std::string what;
};

const struct {
    const char* key;
    DialogAction::Kind kind;
    // The label of the row whose "File" button the action presses.
    const char* rowLabel;
} KINDS[] = {
    {"chooseModel", DialogAction::Kind::ChooseModel, "Model:"},
    {"chooseTextures", DialogAction::Kind::ChooseTextures, "Texture(s):"},
    {"chooseJson", DialogAction::Kind::ChooseJson, "JSON:"},
    {"select", DialogAction::Kind::Select, ""},
    {"press", DialogAction::Kind::Press, ""},
};

std::string compact(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

std::string chosenFile(const Json::Value& value, const std::string& where, const std::string& baseFolder)
{
    if (!value.isString() || value.asString().empty()) throw Fault{where, "must be a file path"};
    std::string path = value.asString();
    const char* home = std::getenv("HOME");
    if ((path == "~" || path.rfind("~/", 0) == 0) && home) path = home + path.substr(1);
    std::filesystem::path resolved(path);
    if (resolved.is_relative()) resolved = std::filesystem::path(baseFolder.empty() ? "." : baseFolder) / resolved;
    std::error_code error;
    resolved = std::filesystem::absolute(resolved, error).lexically_normal();
    if (error || !std::filesystem::is_regular_file(resolved, error)) {
        throw Fault{where, "'" + resolved.string() + "': no such file"};
    }
    return resolved.string();
}

DialogAction readAction(const Json::Value& value, const std::string& where, const std::string& baseFolder)
{
    if (!value.isObject() || value.size() != 1) {
        throw Fault{where, "must be an object with one member: chooseModel, chooseTextures, chooseJson, select or press"};
    }
    const std::string key = value.getMemberNames().front();
    const Json::Value& argument = value[key];
    const std::string memberWhere = where + "." + key;
    for (const auto& known : KINDS) {
        if (key != known.key) continue;
        DialogAction action;
        action.kind = known.kind;
        action.where = where;
        action.text = key + " " + compact(argument);
        if (known.kind == DialogAction::Kind::Select || known.kind == DialogAction::Kind::Press) {
            if (!argument.isString()) throw Fault{memberWhere, "must be the text of a control"};
            action.label = argument.asString();
        } else if (argument.isNull()) {
            action.dismiss = true;
        } else if (known.kind == DialogAction::Kind::ChooseTextures && argument.isArray()) {
            if (argument.empty()) throw Fault{memberWhere, "must name at least one file (null chooses none)"};
            for (Json::ArrayIndex i = 0; i < argument.size(); ++i) {
                action.files.push_back(chosenFile(argument[i], memberWhere + "[" + std::to_string(i) + "]", baseFolder));
            }
        } else {
            action.files.push_back(chosenFile(argument, memberWhere, baseFolder));
        }
        return action;
    }
    throw Fault{memberWhere, "unknown action (chooseModel, chooseTextures, chooseJson, select or press)"};
}

} // namespace

bool DialogSession::read(const Json::Value& actions, const std::string& where, const std::string& baseFolder,
                         DialogSession& session, std::string& faultWhere, std::string& fault)
{
    session.actions.clear();
    try {
        if (!actions.isArray()) throw Fault{where, "must be an array of the user's actions"};
        for (Json::ArrayIndex i = 0; i < actions.size(); ++i) {
            session.actions.push_back(readAction(actions[i], where + "[" + std::to_string(i) + "]", baseFolder));
        }
    } catch (const Fault& refused) {
        faultWhere = refused.where;
        fault = refused.what;
        session.actions.clear();
        return false;
    }
    return true;
}

bool DialogSession::parse(const std::string& text, const std::string& where, const std::string& baseFolder,
                          DialogSession& session, std::string& error)
{
    Json::CharReaderBuilder builder;
    Json::Value actions;
    std::string report;
    if (!tavrix_media::parseJsonText(text, builder, actions, &report)) {
        error = where + ": not valid JSON: " + report;
        return false;
    }
    std::string faultWhere;
    std::string fault;
    if (read(actions, where, baseFolder, session, faultWhere, fault)) return true;
    error = faultWhere + ": " + fault;
    return false;
}

std::string DialogSession::toolkitJson() const
{
    Json::Value list(Json::arrayValue);
    for (const DialogAction& action : actions) {
        Json::Value item;
        for (const auto& known : KINDS) {
            if (known.kind != action.kind) continue;
            item["kind"] = known.key;
            item["label"] = known.rowLabel[0] ? known.rowLabel : action.label;
        }
        item["files"] = Json::Value(Json::arrayValue);
        for (const std::string& file : action.files) item["files"].append(file);
        item["dismiss"] = action.dismiss;
        item["where"] = action.where;
        item["text"] = action.text;
        list.append(item);
    }
    return compact(list);
}

} // namespace tavrix_host
