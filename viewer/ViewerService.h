// What the viewer's server does: the page and its files, the document's
// description, sounds to play, dropped files, exports and saves over HTTP,
// and frames over a WebSocket. Every request passes the access guard first;
// every body, name and value from a page is checked before it is used.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <json/json.h>

#include "HttpService.h"

namespace tavrix_viewer {

class AccessGuard;
class FolderAccess;
class RenderWorker;
class UploadStore;
class ViewerSession;
struct Failure;

class ViewerService : public HttpService {
public:
    static constexpr size_t MAX_JSON_BYTES = 8u << 20;
    static constexpr int MAX_SOCKETS = 16;

    ViewerService(const AccessGuard& guard, const FolderAccess& folder, UploadStore& uploads, RenderWorker& worker)
        : guard(guard), folder(folder), uploads(uploads), worker(worker)
    {
    }

    bool admit(HttpExchange& exchange) override;
    void handle(HttpExchange& exchange) override;
    bool acceptSocket() override;
    void socketOpened(const std::shared_ptr<WebSocketLink>& link) override;
    bool socketMessage(const std::shared_ptr<WebSocketLink>& link, bool binary, const char* data,
                       size_t size) override;
    void socketClosed(const std::shared_ptr<WebSocketLink>& link) override;

private:
    void servePage(HttpExchange& exchange);
    void describe(HttpExchange& exchange);
    void sound(HttpExchange& exchange);
    void upload(HttpExchange& exchange);
    void exportFrame(HttpExchange& exchange);
    void save(HttpExchange& exchange);
    // Runs work on the render thread; false after refusing the request with
    // the failure work gave.
    bool onRenderThread(HttpExchange& exchange, const std::function<bool(ViewerSession&, Failure&)>& work);
    // Reads a JSON body; false after refusing the request.
    bool readJson(HttpExchange& exchange, Json::Value& root);

    const AccessGuard& guard;
    const FolderAccess& folder;
    UploadStore& uploads;
    RenderWorker& worker;
    std::atomic<int> sockets{0};
};

} // namespace tavrix_viewer
