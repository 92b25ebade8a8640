// Loads a puppet model, sets one parameter, evaluates the model and prints
// the points of each mesh: the smallest program that uses the installed
// Tavrix runtime.
//
//   points MODEL.moc [PARAM_ID VALUE]
#include <cstdio>
#include <cstdlib>

#include <tavrix/ATavrixModel.h>
#include <tavrix/Tavrix.h>
#include <tavrix/draw/IDrawData.h>
#include <tavrix/id/DrawDataID.h>
#include <tavrix/type/LDString.h>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s MODEL.moc [PARAM_ID VALUE]\n", argv[0]);
        return 2;
    }
    int status = 0;
    tavrix::Tavrix::init();
    {
        tavrix::ATavrixModel model;
        int result = tavrix::ATavrixModel::loadModel_exe(&model, tavrix::LDString(argv[1]));
        if (result != tavrix::ATavrixModel::LOAD_OK) {
            std::fprintf(stderr, "%s: cannot load the model (result %d)\n", argv[1], result);
            status = 1;
        } else {
            if (argc == 4) model.setParamFloat(argv[2], std::strtof(argv[3], nullptr));
            model.update();
            for (int i = 0; model.getDrawData(i); ++i) {
                tavrix::DrawDataID* id = model.getDrawData(i)->getDrawDataID();
                int count = 0;
                const float* points = model.getTransformedPoints(i, &count);
                std::printf("%s:", id ? id->toChar() : "?");
                for (int p = 0; points && p < count; ++p) std::printf(" (%g, %g)", points[2 * p], points[2 * p + 1]);
                std::printf("\n");
            }
        }
    }
    tavrix::Tavrix::dispose();
    return status;
}
