// A chain of rotation deformers C0 <- C1 <- ... <- C(n-1) built straight
// into a model's data and listed child first, the worst order for sorting
// parents before children.
#pragma once

#include "ATavrixModel.h"
#include "base/BDAffine.h"
#include "id/BaseDataID.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "util/UtString.h"

namespace tavrix_test {

inline void addChildFirstChain(tavrix::ATavrixModel& model, int n)
{
    using namespace tavrix;
    ModelImpl* impl = model.getModelImpl();
    PartsData* part = new PartsData();
    part->initDirect(impl->getMemoryParam());
    impl->getPartsDataList()->push_back(part);
    for (int i = n - 1; i >= 0; --i) {
        BDAffine* deformer = new BDAffine();
        deformer->initDirect(impl->getMemoryParam());
        deformer->setBaseDataID(BaseDataID::getID(UtString::toString("C%d", i)));
        deformer->setTargetBaseDataID(i == 0 ? BaseDataID::DST_BASE_ID()
                                             : BaseDataID::getID(UtString::toString("C%d", i - 1)));
        part->addBaseData(deformer);
    }
}

} // namespace tavrix_test
