#include "io/FileFormat2.h"

#include "base/AffineEnt.h"
#include "base/BDAffine.h"
#include "base/BDBoxGrid.h"
#include "draw/DDTexture.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "model/avatar/AvatarPartsItem.h"
#include "param/ParamDefFloat.h"
#include "param/ParamDefSet.h"
#include "param/ParamPivots.h"
#include "param/PivotManager.h"

namespace tavrix {

ISerializableV2* FileFormat2::newInstance(MemoryParam* memParam, int classNo)
{
    switch (classNo) {
    case BDBOXGRID_NO: return new (memParam) BDBoxGrid();
    case PIVOT_MANAGER_NO: return new (memParam) PivotManager();
    case PARAM_PIVOTS_NO: return new (memParam) ParamPivots();
    case BDAFFINE_NO: return new (memParam) BDAffine();
    case AFFINE_ENT_NO: return new (memParam) AffineEnt();
    case DDTEXTURE_NO: return new (memParam) DDTexture();

    case PARAM_DEF_FLOAT_NO: return new (memParam) ParamDefFloat();
    case PARTS_DATA_NO: return new (memParam) PartsData();
    case MODEL_IMPL_NO: return new (memParam) ModelImpl();
    case PARAM_DEF_SET_NO: return new (memParam) ParamDefSet();
    case AVATAR_PARTS_ITEM_NO: return new (memParam) AvatarPartsItem();
    default: return nullptr;
    }
}

} // namespace tavrix
