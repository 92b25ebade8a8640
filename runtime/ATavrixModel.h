#pragma once

#include "Tavrix.h"
#include "memory/LDObject.h"
#include "memory/UtMemory.h"

namespace tavrix {

class DrawParam;
class IDrawData;
class LDString;
class ModelContext;
class ModelImpl;
class ParamID;

// One parameter definition of a model, as ATavrixModel::getParamDef and
// findParamDef give it.
struct ParamDefinition {
    // The parameter's name, held by the runtime's identifier list (not by
    // the model): valid until the runtime is disposed.
    const char* id;
    float min;
    float max;
    float defaultValue;
    // The row that getParamFloat(int) and setParamFloat(int) take for this
    // parameter, the one the model reads (the last definition's when several
    // define the same name); -1 while the model holds no row for it (before
    // init).
    int index;
};

// The application-facing model: owns the loaded model data and its
// evaluation context, loads ".moc" data into itself and offers the
// parameter, part and mesh queries. Drawing comes from a derived class.
class ATavrixModel : public LDObject {
public:
    // loadModel_exe results.
    static constexpr int LOAD_OK = 0;
    static constexpr int LOAD_FILE_FAILED = 1001;
    static constexpr int LOAD_VERSION_UNSUPPORTED = 2000;
    static constexpr int LOAD_EOF_CHECK_FAILED = 2001;
    // The data was read but does not describe a sound model; nothing installed.
    static constexpr int LOAD_INVALID_MODEL = 2002;
    // Newest stream format this runtime reads.
    static constexpr int MAX_FORMAT_VERSION = 10;

    static int INSTANCE_COUNT;

    ATavrixModel();
    virtual ~ATavrixModel();

    virtual void init();
    virtual void update();
    virtual void draw() {}
    virtual int generateModelTextureNo() { return -1; }
    virtual void releaseModelTextureNo(int) {}
    virtual DrawParam* getDrawParam() { return nullptr; }
    virtual int getDrawDataIndex(const char* id);
    virtual IDrawData* getDrawData(int index);
    // Points of a textured mesh after deformation; null for a bad index or
    // another kind of drawable. count receives the number of points.
    virtual float* getTransformedPoints(int index, int* count);
    // Triangle indices of a textured mesh; count receives the triangle count.
    virtual unsigned short* getIndexArray(int index, int* count);

    static int loadModel_exe(ATavrixModel* model, const LDString& path);
    static int loadModel_exe(ATavrixModel* model, const void* bytes, int size);

    // Deletes the model data held before, then holds the new one.
    void setModelImpl(ModelImpl* modelImpl);
    // The model data; an empty one is created when there is none.
    ModelImpl* getModelImpl();
    ModelContext* getModelContext() const { return modelContext; }
    float getCanvasWidth() const;
    float getCanvasHeight() const;

    // The parameters the model defines, in model order.
    int getParamDefCount() const;
    // False, with definition untouched, for an index outside the count. A
    // definition without a name (only a model assembled in code has one)
    // gives the id "".
    bool getParamDef(int index, ParamDefinition& definition) const;
    // The first definition named id; false when the model defines no such
    // parameter (nothing is added to the model for an unknown name).
    bool findParamDef(const char* id, ParamDefinition& definition) const;

    int getParamIndex(ParamID* paramID);
    float getParamFloat(const char* id);
    float getParamFloat(int index);
    // weight 1 stores value; otherwise current * (1 - weight) + value * weight.
    void setParamFloat(const char* id, float value, float weight = 1.0f);
    void setParamFloat(int index, float value, float weight = 1.0f);
    // current + value * weight.
    void addToParamFloat(const char* id, float value, float weight = 1.0f);
    void addToParamFloat(int index, float value, float weight = 1.0f);
    // current * (1 + (value - 1) * weight).
    void multParamFloat(const char* id, float value, float weight = 1.0f);
    void multParamFloat(int index, float value, float weight = 1.0f);
    void saveParam();
    void loadParam();

    // Unknown part names are ignored by the setter and read as 0.
    void setPartsOpacity(const char* id, float opacity);
    float getPartsOpacity(const char* id);
    void setPartsOpacity(int index, float opacity);
    float getPartsOpacity(int index);
    // Exclusive part groups: names is a null-terminated list of
    // "VISIBLE:<part id>" parameter names; one part fades in, the others out.
    void setupPartsOpacityGroup_alphaImpl(const char** paramNames, float deltaTime);

    // Forwarded to the drawing back-end when there is one.
    void setPremultipliedAlpha(bool premultiplied);
    bool isPremultipliedAlpha();
    void setAnisotropy(int n);
    int getAnisotropy();

    ATavrixModel(const ATavrixModel&) = delete;
    ATavrixModel& operator=(const ATavrixModel&) = delete;

protected:
    // The loading factories of the concrete models: a new Model loaded from
    // source (a path, or bytes and their size), or null with the load result
    // stored for Tavrix::getError().
    template <class Model, class... Source>
    static Model* createLoaded(const Source&... source);

private:
    int getPartsIndexByName(const char* id);

    ModelImpl* modelImpl;
    ModelContext* modelContext;
};

template <class Model, class... Source>
Model* ATavrixModel::createLoaded(const Source&... source)
{
    Model* model = new (UtMemory::getTmpMemoryParam()) Model();
    if (!model) return nullptr;
    const int result = loadModel_exe(model, source...);
    if (result != LOAD_OK) {
        Tavrix::setError(static_cast<unsigned int>(result));
        delete model;
        return nullptr;
    }
    return model;
}

} // namespace tavrix
