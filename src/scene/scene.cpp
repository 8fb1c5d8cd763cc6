#include "scene.h"

#include "messages.h"
#include "model_files.h"
#include "progress.h"

namespace orv {

void Scene::clear() {
    model.reset();
    settings.reset();
    modelLoaded = 0;
}

bool Scene::openFile(Progress& progress, const std::string& cutPath, const std::string& extension) {
    clear();
    fileName = cutPath;
    if (!readModelFile(model, settings, cutPath + extension, extension, progress, messages_))
        return false;
    onModelLoaded();
    return true;
}

bool Scene::saveFile(Progress& progress, const std::string& path, const std::string& extension) {
    return writeModelFile(model, path, extension, progress, messages_);
}

void Scene::onModelLoaded() {
    modelLoaded = 1;
    settings.lightOn = model.dimension == 3 ? 1 : 0;
}

void Scene::setSymmetry(int setting) {
    model.switchSymmetry(settings.symmetry, setting);
    settings.symmetry = setting;
}

}  // namespace orv
