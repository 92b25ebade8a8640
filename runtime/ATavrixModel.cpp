#include "ATavrixModel.h"

#include <cstring>

#include "ModelContext.h"
#include "draw/IDrawData.h"
#include "draw/DDTexture.h"
#include "draw/DDTextureContext.h"
#include "graphics/DrawParam.h"
#include "id/DrawDataID.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/UtMemory.h"
#include "model/ModelImpl.h"
#include "model/ModelValidator.h"
#include "param/ParamDefFloat.h"
#include "param/ParamDefSet.h"
#include "type/LDString.h"
#include "util/UtDebug.h"
#include "util/UtFile.h"

namespace tavrix {

int ATavrixModel::INSTANCE_COUNT = 0;

namespace {

const unsigned int END_MARKER = 0x88888888u;
// Exclusive part groups look at no more entries than this.
const int MAX_GROUP_ENTRIES = 999;
const int VISIBLE_PREFIX_LENGTH = 8; // "VISIBLE:"

} // namespace

ATavrixModel::ATavrixModel() : modelImpl(nullptr), modelContext(nullptr)
{
    ++INSTANCE_COUNT;
    modelContext = new ModelContext(this);
}

ATavrixModel::~ATavrixModel()
{
    delete modelImpl;
    delete modelContext;
    --INSTANCE_COUNT;
}

void ATavrixModel::init()
{
    if (modelContext) modelContext->init();
}

void ATavrixModel::update()
{
    if (modelContext) modelContext->update();
}

int ATavrixModel::getDrawDataIndex(const char* id)
{
    if (!modelContext) return -1;
    return modelContext->getDrawDataIndex(DrawDataID::getID(id));
}

IDrawData* ATavrixModel::getDrawData(int index)
{
    if (!modelContext || index < 0 || index >= modelContext->getDrawDataCount()) return nullptr;
    return modelContext->getDrawData(static_cast<unsigned int>(index));
}

float* ATavrixModel::getTransformedPoints(int index, int* count)
{
    IDrawData* drawable = getDrawData(index);
    if (!drawable || drawable->getType() != IDrawData::TYPE_DD_TEXTURE) return nullptr;
    DDTextureContext* context = static_cast<DDTextureContext*>(modelContext->getDrawContext(static_cast<unsigned int>(index)));
    if (!context) return nullptr;
    return context->getTransformedPoints(count);
}

unsigned short* ATavrixModel::getIndexArray(int index, int* count)
{
    IDrawData* drawable = getDrawData(index);
    if (!drawable || drawable->getType() != IDrawData::TYPE_DD_TEXTURE) return nullptr;
    return static_cast<DDTexture*>(drawable)->getIndexArray(count);
}

int ATavrixModel::loadModel_exe(ATavrixModel* model, const LDString& path)
{
    UtDebug::clearLastErrorMessage();
    int size = 0;
    char* bytes = UtFile::loadFile(path, &size);
    if (!bytes) {
        UtDebug::error("load file failed : file : %s @ATavrixModel#loadModel_exe()", path.c_str());
        return LOAD_FILE_FAILED;
    }
    int result = loadModel_exe(model, bytes, size);
    UtFile::releaseLoadBuffer(bytes);
    return result;
}

int ATavrixModel::loadModel_exe(ATavrixModel* model, const void* bytes, int size)
{
    // What the runtime says from here on is about this load.
    UtDebug::clearLastErrorMessage();
    if (!model || !bytes || size < 0) {
        UtDebug::error("Invalid model data : %s @ATavrixModel#loadModel_exe()", "no data");
        return LOAD_INVALID_MODEL;
    }
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    BReader reader(bytes, size);

    // A block that starts "moc" must hold the version byte too; anything
    // else is read from its first byte as a headerless stream.
    int version = 0;
    if (size >= 3 && data[0] == 'm' && data[1] == 'o' && data[2] == 'c') {
        if (size < 4) {
            UtDebug::error("Invalid model data : %s @ATavrixModel#loadModel_exe()",
                           "the block is too short for its header");
            return LOAD_INVALID_MODEL;
        }
        reader.skip(3);
        version = static_cast<unsigned char>(reader.readByte());
    } else {
        UtDebug::error("Warning: Invalid model data or too old version @ATavrixModel#loadModel_exe().\n");
    }
    reader.setFormatVersion(version);
    if (version > MAX_FORMAT_VERSION) {
        UtDebug::error("Illegal data version ( available : %d < loaded :: %d )@ATavrixModel#loadModel_exe()\n",
                       MAX_FORMAT_VERSION, version);
        return LOAD_VERSION_UNSUPPORTED;
    }

    ModelImpl* root = reader.readSerializableAs<ModelImpl>(UtMemory::getTmpMemoryParam(),
                                                           ClassSet(FileFormat2::MODEL_IMPL_NO));
    if (version >= 8) {
        unsigned int marker = static_cast<unsigned int>(reader.readInt());
        if (marker != END_MARKER) {
            UtDebug::error("Load Model EOF Check Error @ATavrixModel#loadModel_exe() \n");
            delete root;
            return LOAD_EOF_CHECK_FAILED;
        }
    }

    LDString problem;
    if (!ModelValidator::validate(root, reader, problem)) {
        UtDebug::error("Invalid model data : %s @ATavrixModel#loadModel_exe()", problem.c_str());
        delete root;
        return LOAD_INVALID_MODEL;
    }

    model->setModelImpl(root);
    model->init();
    return LOAD_OK;
}

void ATavrixModel::setModelImpl(ModelImpl* impl)
{
    if (modelImpl == impl) return;
    // The context points into the old data; rebuild it before that goes.
    if (modelContext) modelContext->release();
    delete modelImpl;
    modelImpl = impl;
}

ModelImpl* ATavrixModel::getModelImpl()
{
    if (!modelImpl) {
        modelImpl = new ModelImpl();
        if (modelImpl) modelImpl->initDirect();
    }
    return modelImpl;
}

float ATavrixModel::getCanvasWidth() const
{
    return modelImpl ? modelImpl->getCanvasWidth() : 0.0f;
}

float ATavrixModel::getCanvasHeight() const
{
    return modelImpl ? modelImpl->getCanvasHeight() : 0.0f;
}

namespace {

// The definitions of the model data; null when it has none.
const LDVector<ParamDefFloat*>* paramDefsOf(const ModelImpl* modelImpl)
{
    const ParamDefSet* set = modelImpl ? modelImpl->getParamDefSet() : nullptr;
    return set ? set->getParamDefFloatList() : nullptr;
}

} // namespace

int ATavrixModel::getParamDefCount() const
{
    const LDVector<ParamDefFloat*>* definitions = paramDefsOf(modelImpl);
    return definitions ? definitions->size() : 0;
}

bool ATavrixModel::getParamDef(int index, ParamDefinition& definition) const
{
    const LDVector<ParamDefFloat*>* definitions = paramDefsOf(modelImpl);
    if (!definitions || index < 0 || index >= definitions->size()) return false;
    const ParamDefFloat* found = (*definitions)[index];
    // A model assembled in code may hold a definition without a name; a
    // loaded one never does.
    ParamID* id = found ? found->getParamID() : nullptr;
    definition.id = id ? id->toChar() : "";
    definition.min = found ? found->getMinValue() : 0.0f;
    definition.max = found ? found->getMaxValue() : 0.0f;
    definition.defaultValue = found ? found->getDefaultValue() : 0.0f;
    definition.index = modelContext ? modelContext->findParamIndex(id) : -1;
    return true;
}

bool ATavrixModel::findParamDef(const char* id, ParamDefinition& definition) const
{
    const LDVector<ParamDefFloat*>* definitions = paramDefsOf(modelImpl);
    if (!id || !definitions) return false;
    for (int i = 0; i < definitions->size(); ++i) {
        const ParamDefFloat* candidate = (*definitions)[i];
        if (candidate && candidate->getParamID() && std::strcmp(candidate->getParamID()->toChar(), id) == 0) {
            return getParamDef(i, definition);
        }
    }
    return false;
}

int ATavrixModel::getParamIndex(ParamID* paramID)
{
    return modelContext ? modelContext->getParamIndex(paramID) : -1;
}

float ATavrixModel::getParamFloat(const char* id)
{
    return getParamFloat(getParamIndex(ParamID::getID(id)));
}

float ATavrixModel::getParamFloat(int index)
{
    return modelContext ? modelContext->getParamFloat(static_cast<unsigned int>(index)) : 0.0f;
}

void ATavrixModel::setParamFloat(const char* id, float value, float weight)
{
    setParamFloat(getParamIndex(ParamID::getID(id)), value, weight);
}

void ATavrixModel::setParamFloat(int index, float value, float weight)
{
    if (!modelContext) return;
    unsigned int i = static_cast<unsigned int>(index);
    if (weight == 1.0f) {
        modelContext->setParamFloat(i, value);
    } else {
        modelContext->setParamFloat(i, modelContext->getParamFloat(i) * (1.0f - weight) + value * weight);
    }
}

void ATavrixModel::addToParamFloat(const char* id, float value, float weight)
{
    addToParamFloat(getParamIndex(ParamID::getID(id)), value, weight);
}

void ATavrixModel::addToParamFloat(int index, float value, float weight)
{
    if (!modelContext) return;
    unsigned int i = static_cast<unsigned int>(index);
    modelContext->setParamFloat(i, modelContext->getParamFloat(i) + value * weight);
}

void ATavrixModel::multParamFloat(const char* id, float value, float weight)
{
    multParamFloat(getParamIndex(ParamID::getID(id)), value, weight);
}

void ATavrixModel::multParamFloat(int index, float value, float weight)
{
    if (!modelContext) return;
    unsigned int i = static_cast<unsigned int>(index);
    modelContext->setParamFloat(i, modelContext->getParamFloat(i) * (1.0f + (value - 1.0f) * weight));
}

void ATavrixModel::saveParam()
{
    if (modelContext) modelContext->saveParam();
}

void ATavrixModel::loadParam()
{
    if (modelContext) modelContext->loadParam();
}

int ATavrixModel::getPartsIndexByName(const char* id)
{
    if (!modelContext) return -1;
    return modelContext->getPartsDataIndex(PartsDataID::getID(id));
}

void ATavrixModel::setPartsOpacity(const char* id, float opacity)
{
    setPartsOpacity(getPartsIndexByName(id), opacity);
}

float ATavrixModel::getPartsOpacity(const char* id)
{
    int index = getPartsIndexByName(id);
    return index < 0 ? 0.0f : getPartsOpacity(index);
}

void ATavrixModel::setPartsOpacity(int index, float opacity)
{
    if (modelContext) modelContext->setPartsOpacity(index, opacity);
}

float ATavrixModel::getPartsOpacity(int index)
{
    return modelContext ? modelContext->getPartsOpacity(index) : 0.0f;
}

static const char* partNameOf(const char* paramName)
{
    // The part follows the "VISIBLE:" prefix; a shorter name names no part.
    return std::strlen(paramName) >= VISIBLE_PREFIX_LENGTH ? paramName + VISIBLE_PREFIX_LENGTH : "";
}

void ATavrixModel::setupPartsOpacityGroup_alphaImpl(const char** paramNames, float deltaTime)
{
    if (!paramNames || !paramNames[0]) return;
    int count = 0;
    while (count < MAX_GROUP_ENTRIES && paramNames[count]) ++count;

    if (deltaTime == 0.0f) {
        for (int i = 0; i < count; ++i) {
            setPartsOpacity(partNameOf(paramNames[i]), getParamFloat(paramNames[i]) != 0.0f ? 1.0f : 0.0f);
        }
        return;
    }

    int visible = -1;
    float visibleOpacity = 1.0f;
    for (int i = 0; i < count; ++i) {
        if (getParamFloat(paramNames[i]) == 0.0f) continue;
        if (visible >= 0) {
            UtDebug::error("PartsVisible:Multiple visible error");
            break;
        }
        visible = i;
        visibleOpacity = getPartsOpacity(partNameOf(paramNames[i])) + deltaTime / 0.5f;
        if (visibleOpacity > 1.0f) visibleOpacity = 1.0f;
    }
    if (visible < 0) {
        UtDebug::println("No Parts Visible/ use default[%s]", paramNames[0]);
        visible = 0;
        visibleOpacity = 1.0f;
        loadParam();
        setParamFloat(paramNames[0], 1.0f, 1.0f);
        saveParam();
    }

    // The others fade out as the visible part fades in, but the background
    // seen through both never exceeds 0.15.
    const float backgroundLimit = 0.15f;
    for (int i = 0; i < count; ++i) {
        const char* part = partNameOf(paramNames[i]);
        if (i == visible) {
            setPartsOpacity(part, visibleOpacity);
            continue;
        }
        float current = getPartsOpacity(part);
        float limit = 1.0f - visibleOpacity;
        if ((1.0f - limit) * (1.0f - visibleOpacity) > backgroundLimit) {
            limit = 1.0f - backgroundLimit / (1.0f - visibleOpacity);
        }
        setPartsOpacity(part, current < limit ? current : limit);
    }
}

void ATavrixModel::setPremultipliedAlpha(bool premultiplied)
{
    if (DrawParam* drawParam = getDrawParam()) drawParam->setPremultipliedAlpha(premultiplied);
}

bool ATavrixModel::isPremultipliedAlpha()
{
    DrawParam* drawParam = getDrawParam();
    return drawParam ? drawParam->isPremultipliedAlpha() : true;
}

void ATavrixModel::setAnisotropy(int n)
{
    if (DrawParam* drawParam = getDrawParam()) drawParam->setAnisotropy(n < 1 ? 1 : n);
}

int ATavrixModel::getAnisotropy()
{
    DrawParam* drawParam = getDrawParam();
    return drawParam ? drawParam->getAnisotropy() : -1;
}

} // namespace tavrix
