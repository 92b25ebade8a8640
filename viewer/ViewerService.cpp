#include "ViewerService.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "AccessGuard.h"
#include "FolderAccess.h"
#include "JsonText.h"
#include "PageAssets.h"
#include "RenderWorker.h"
#include "UploadStore.h"
#include "ViewState.h"
#include "ViewerSession.h"

namespace tavrix_viewer {

namespace {

const char* const JSON_TYPE = "application/json";

// The page may use only what the viewer itself serves.
const char* const PAGE_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data: blob:; media-src 'self' blob:; "
    "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

std::string soundType(const std::string& extension)
{
    if (extension == "wav") return "audio/wav";
    if (extension == "flac") return "audio/flac";
    if (extension == "ogg" || extension == "oga") return "audio/ogg";
    if (extension == "opus") return "audio/ogg";
    if (extension == "mp3") return "audio/mpeg";
    if (extension == "m4a" || extension == "aac") return "audio/mp4";
    if (extension == "webm") return "audio/webm";
    if (extension == "mp4" || extension == "mov") return "video/mp4";
    if (extension == "mkv") return "video/x-matroska";
    return "";
}

} // namespace

bool ViewerService::admit(HttpExchange& exchange)
{
    return guard.admit(exchange);
}

bool ViewerService::onRenderThread(HttpExchange& exchange,
                                   const std::function<bool(ViewerSession&, Failure&)>& work)
{
    Failure failure{503, "the viewer is stopping"};
    bool done = false;
    worker.run([&](ViewerSession& session) {
        try {
            done = work(session, failure);
        } catch (const std::exception& fault) {
            failure = Failure{500, std::string("the viewer failed: ") + fault.what()};
        }
    });
    if (!done) exchange.refuse(failure.status, failure.reason);
    return done;
}

bool ViewerService::readJson(HttpExchange& exchange, Json::Value& root)
{
    std::string body;
    int status = 0;
    std::string why;
    if (!exchange.readBody(MAX_JSON_BYTES, body, status, why)) {
        exchange.refuse(status, why);
        return false;
    }
    if (!parsePageJson(body, root, why)) {
        exchange.refuse(400, "the request body is " + why);
        return false;
    }
    return true;
}

void ViewerService::handle(HttpExchange& exchange)
{
    const std::string& path = exchange.path();
    const std::string& method = exchange.method();
    struct Route {
        const char* path;
        const char* method;
        void (ViewerService::*serve)(HttpExchange&);
    };
    static const Route routes[] = {
        {"/", "GET", &ViewerService::servePage},
        {"/app.js", "GET", &ViewerService::servePage},
        {"/style.css", "GET", &ViewerService::servePage},
        {"/api/session", "GET", &ViewerService::describe},
        {"/api/sound", "GET", &ViewerService::sound},
        {"/api/upload", "POST", &ViewerService::upload},
        {"/api/export", "POST", &ViewerService::exportFrame},
        {"/api/save", "POST", &ViewerService::save},
    };
    for (const Route& route : routes) {
        if (path != route.path) continue;
        if (method != route.method && !(method == "HEAD" && std::string(route.method) == "GET")) {
            exchange.refuse(405, path + " takes " + route.method + ", not " + method);
            return;
        }
        (this->*route.serve)(exchange);
        return;
    }
    exchange.refuse(404, "the viewer has nothing at " + path);
}

void ViewerService::servePage(HttpExchange& exchange)
{
    const std::string& path = exchange.path();
    if (path == "/app.js") {
        exchange.reply(200, "text/javascript; charset=utf-8", viewerScript());
    } else if (path == "/style.css") {
        exchange.reply(200, "text/css; charset=utf-8", viewerStyle());
    } else {
        HttpExchange::Headers headers = {{"Content-Security-Policy", PAGE_POLICY}};
        std::string token;
        if (exchange.queryValue(AccessGuard::TOKEN_VARIABLE, token)) headers.emplace_back("Set-Cookie", guard.cookieHeader());
        exchange.reply(200, "text/html; charset=utf-8", viewerPage(), headers);
    }
}

void ViewerService::describe(HttpExchange& exchange)
{
    std::string document;
    exchange.queryValue("document", document);
    std::string json;
    if (!onRenderThread(exchange, [&](ViewerSession& session, Failure& failure) {
            return session.describe(document, json, failure);
        })) {
        return;
    }
    exchange.reply(200, JSON_TYPE, json);
}

void ViewerService::sound(HttpExchange& exchange)
{
    std::string name;
    if (!exchange.queryValue("name", name)) return exchange.refuse(400, "name: which sound file?");
    const std::string type = soundType(FolderAccess::extensionOf(name));
    if (type.empty()) return exchange.refuse(403, "'" + name + "' is not a sound file the page plays");
    std::string path;
    int status = 0;
    std::string why;
    if (!folder.existingFile(name, path, status, why)) return exchange.refuse(status, why);
    exchange.sendFile(path, type);
}

void ViewerService::upload(HttpExchange& exchange)
{
    std::string name;
    if (!exchange.queryValue("name", name) || name.empty() || name.size() > 255) {
        return exchange.refuse(400, "name: the dropped file's name (1 to 255 bytes)");
    }
    std::string body;
    int status = 0;
    std::string why;
    if (!exchange.readBody(UploadStore::MAX_FILE_BYTES, body, status, why)) return exchange.refuse(status, why);
    Json::Value answer(Json::objectValue);
    answer["upload"] = uploads.add(name, std::move(body));
    answer["name"] = name;
    exchange.reply(200, JSON_TYPE, tavrix_media::compactJsonText(answer));
}

void ViewerService::exportFrame(HttpExchange& exchange)
{
    Json::Value state;
    if (!readJson(exchange, state)) return;
    std::string png;
    if (!onRenderThread(exchange, [&](ViewerSession& session, Failure& failure) {
            return session.exportPng(state, png, failure);
        })) {
        return;
    }
    exchange.reply(200, "image/png", png, {{"Content-Disposition", "attachment; filename=\"frame.png\""}});
}

void ViewerService::save(HttpExchange& exchange)
{
    Json::Value request;
    if (!readJson(exchange, request)) return;
    if (!request.isObject() || !request["name"].isString() || !request.isMember("state")) {
        return exchange.refuse(400, "a save takes {\"name\": \"shot.json\", \"state\": {...}}");
    }
    const std::string name = request["name"].asString();
    std::string json;
    if (!onRenderThread(exchange, [&](ViewerSession& session, Failure& failure) {
            return session.save(name, request["state"], json, failure);
        })) {
        return;
    }
    exchange.reply(200, JSON_TYPE, json);
}

bool ViewerService::acceptSocket()
{
    return sockets.load() < MAX_SOCKETS;
}

void ViewerService::socketOpened(const std::shared_ptr<WebSocketLink>&)
{
    ++sockets;
}

bool ViewerService::socketMessage(const std::shared_ptr<WebSocketLink>& link, bool binary, const char* data,
                                  size_t size)
{
    auto refuse = [&](const std::string& reason) {
        Json::Value answer(Json::objectValue);
        answer["type"] = "error";
        answer["status"] = 400;
        answer["reason"] = reason;
        link->sendText(tavrix_media::compactJsonText(answer));
        return true;
    };
    if (binary) return refuse("the viewer takes text messages");
    if (size > MAX_JSON_BYTES) return refuse("the message is larger than " + std::to_string(MAX_JSON_BYTES) + " bytes");
    Json::Value request;
    std::string why;
    if (!parsePageJson(std::string(data, size), request, why)) return refuse("the message is " + why);
    if (!request.isObject() || request["type"] != "render") return refuse("a message is {\"type\": \"render\", ...}");
    worker.requestFrame(link, request);
    return true;
}

void ViewerService::socketClosed(const std::shared_ptr<WebSocketLink>& link)
{
    worker.forget(link->id());
    --sockets;
}

} // namespace tavrix_viewer
