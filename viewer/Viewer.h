// `tavrix view` as a library: a local web server that shows one model or
// project in the browser, drawn by the effect plug-in in the substitute
// host on a render thread of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tavrix_viewer {

class AccessGuard;
class FolderAccess;
class HttpServer;
class RenderWorker;
class UploadStore;
class ViewerService;
class ViewerSession;

struct ViewerOptions {
    // A model (.moc, or a model JSON file) or a project file.
    std::string document;
    // The textures of a .moc model.
    std::vector<std::string> textures;
    std::string bindAddress = "127.0.0.1";
    // 0: a free port the system chooses.
    int port = 0;
    std::string pluginPath;
};

class Viewer {
public:
    Viewer();
    ~Viewer();

    // Opens the document and starts serving; false with one line saying why.
    bool start(const ViewerOptions& options, std::string& why);
    // The address to open, with the access token.
    std::string address() const;
    void stop();

    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

private:
    std::unique_ptr<AccessGuard> guard;
    std::unique_ptr<FolderAccess> folder;
    std::unique_ptr<UploadStore> uploads;
    std::unique_ptr<ViewerSession> session;
    std::unique_ptr<RenderWorker> worker;
    std::unique_ptr<ViewerService> service;
    std::unique_ptr<HttpServer> server;
};

// Whether a .json file is a project (an object with a "composition") rather
// than a model JSON file.
bool isProjectFile(const std::string& path);

} // namespace tavrix_viewer
