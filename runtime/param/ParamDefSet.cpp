#include "param/ParamDefSet.h"

#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/UtMemory.h"
#include "param/ParamDefFloat.h"

namespace tavrix {

ParamDefSet::ParamDefSet() : paramDefList(nullptr) {}

ParamDefSet::~ParamDefSet()
{
    if (!paramDefList) return;
    for (int i = paramDefList->size() - 1; i >= 0; --i) delete (*paramDefList)[i];
    delete paramDefList;
}

void ParamDefSet::readV2(BReader& reader, MemoryParam* memParam)
{
    paramDefList = reader.readSerializableList<ParamDefFloat>(memParam, ClassSet(FileFormat2::PARAM_DEF_FLOAT_NO));
}

void ParamDefSet::initDirect(MemoryParam* memParam)
{
    if (paramDefList) return;
    paramDefList = new LDVector<ParamDefFloat*>(memParam ? memParam : UtMemory::getTmpMemoryParam());
}

} // namespace tavrix
