// ".moc" models: load, evaluate at the defaults and with every parameter at
// its minimum and at its maximum, and draw each pose into the recording
// back-end, which copies every index, point and texture coordinate it is
// handed, so an array shorter than its count shows up under the sanitizers.
#include <climits>

#include "ATavrixModel.h"
#include "FuzzTarget.h"
#include "ModelContext.h"
#include "support/RecordingDrawParam.h"

using namespace tavrix;

namespace {

// A texture record for the first few texture numbers, as a model with that
// many textures loaded would have.
const int TEXTURE_COUNT = 4;

void drawAndCheck(ATavrixModel& model, tavrix_test::RecordingDrawParam& drawParam)
{
    model.update();
    drawParam.clearCalls();
    model.getModelContext()->draw(drawParam);
    for (const auto& call : drawParam.calls) {
        // A real back-end hands these arrays to OpenGL, which reads the
        // point of every index.
        for (unsigned short index : call.indices) {
            tavrix_fuzz::require(index < call.numPoints, "every drawn index names one of the mesh's points");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    tavrix_fuzz::RuntimeForInput runtime;
    ATavrixModel model;
    if (ATavrixModel::loadModel_exe(&model, data, static_cast<int>(size)) != ATavrixModel::LOAD_OK) return 0;

    tavrix_test::RecordingDrawParam drawParam;
    for (int no = 0; no < TEXTURE_COUNT; ++no) drawParam.setTexture(no);
    drawAndCheck(model, drawParam);

    ModelContext* context = model.getModelContext();
    const int count = context->getParamCount();
    for (int end = 0; end < 2; ++end) {
        for (int i = 0; i < count; ++i) {
            const unsigned index = static_cast<unsigned>(i);
            model.setParamFloat(i, end == 0 ? context->getParamMin(index) : context->getParamMax(index));
        }
        drawAndCheck(model, drawParam);
    }
    return 0;
}
