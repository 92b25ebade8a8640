#include "Viewer.h"

#include <filesystem>

#include "AccessGuard.h"
#include "FolderAccess.h"
#include "HttpServer.h"
#include "JsonText.h"
#include "ModelFiles.h"
#include "RenderWorker.h"
#include "Scene.h"
#include "UploadStore.h"
#include "ViewerService.h"
#include "ViewerSession.h"

namespace fs = std::filesystem;

namespace tavrix_viewer {

bool isProjectFile(const std::string& path)
{
    if (fs::path(path).extension() != ".json") return false;
    std::string text;
    std::string why;
    if (!tavrix_media::readTextFile(path, text, why)) return false;
    Json::CharReaderBuilder builder;
    Json::Value root;
    return tavrix_media::parseJsonText(text, builder, root, nullptr) && root.isObject() &&
           root.isMember("composition");
}

Viewer::Viewer() = default;

Viewer::~Viewer()
{
    stop();
}

bool Viewer::start(const ViewerOptions& options, std::string& why)
{
    std::error_code error;
    const fs::path document = fs::canonical(options.document, error);
    if (error || !fs::is_regular_file(document, error)) {
        why = options.document + ": no such file";
        return false;
    }
    SceneSource source;
    source.isModel = !isProjectFile(document.string());
    source.path = document.string();
    for (const std::string& texture : options.textures) source.textures.push_back(fs::absolute(texture).string());

    guard = std::make_unique<AccessGuard>();
    if (!guard->init(why)) return false;
    folder = std::make_unique<FolderAccess>();
    if (!folder->open(document.parent_path().string(), why)) return false;
    uploads = std::make_unique<UploadStore>();
    session = std::make_unique<ViewerSession>(source, *folder, *uploads, options.pluginPath);
    worker = std::make_unique<RenderWorker>(*session);
    if (!worker->start(why)) return false;
    service = std::make_unique<ViewerService>(*guard, *folder, *uploads, *worker);
    server = std::make_unique<HttpServer>(*service);
    if (!server->start(options.bindAddress, options.port, why)) return false;
    guard->setAuthority(options.bindAddress, server->port());
    return true;
}

std::string Viewer::address() const
{
    return guard ? guard->pageAddress() : "";
}

void Viewer::stop()
{
    // Pages first, so that no request waits on the render thread as it ends.
    if (server) server->stop();
    if (worker) worker->stop();
    server.reset();
    service.reset();
    worker.reset();
    session.reset();
}

} // namespace tavrix_viewer
