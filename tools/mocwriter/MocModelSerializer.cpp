#include "mocwriter/MocModelSerializer.h"

#include "mocwriter/MocClass.h"

namespace mocwriter {

namespace {

// Format versions from which optional fields are stored.
constexpr int OPTION_FLAG_VERSION = 8;
constexpr int OPACITY_AND_MIRROR_VERSION = 10;

} // namespace

MocModelSerializer::MocModelSerializer(MocStreamWriter& writer) : MocModelSerializer(writer, Options()) {}

MocModelSerializer::MocModelSerializer(MocStreamWriter& writer, Options options)
    : writer_(writer), options_(options) {}

int MocModelSerializer::writeModel(const MocModel& model) {
    writer_.beginObject(MocClass::MODEL);
    writeParamDefSet(model.params);
    writer_.beginObjectArray(static_cast<int>(model.parts.size()));
    for (const MocModel::Part& part : model.parts) {
        writePart(part);
    }
    writer_.endObjectArray();
    writer_.writeInt(model.canvasWidth);
    writer_.writeInt(model.canvasHeight);
    return writer_.endObject();
}

int MocModelSerializer::writeParamDefSet(const std::vector<MocModel::Param>& params) {
    writer_.beginObject(MocClass::PARAM_DEF_SET);
    writer_.beginObjectArray(static_cast<int>(params.size()));
    for (const MocModel::Param& param : params) {
        writeParam(param);
    }
    writer_.endObjectArray();
    return writer_.endObject();
}

int MocModelSerializer::writeParam(const MocModel::Param& param) {
    writer_.beginObject(MocClass::PARAM_DEF_FLOAT);
    writer_.writeFloat(param.minValue);
    writer_.writeFloat(param.maxValue);
    writer_.writeFloat(param.defaultValue);
    writeIdentifier(MocClass::PARAM_ID, param.id);
    return writer_.endObject();
}

int MocModelSerializer::writePart(const MocModel::Part& part) {
    writer_.beginObject(MocClass::PARTS_DATA);
    writer_.writeBit(part.reservedFlag);
    writer_.writeBit(part.visible);
    writeIdentifier(MocClass::PARTS_DATA_ID, part.id);
    writer_.beginObjectArray(static_cast<int>(part.deformers.size()));
    for (const MocModel::Deformer& deformer : part.deformers) {
        writeDeformer(deformer);
    }
    writer_.endObjectArray();
    writer_.beginObjectArray(static_cast<int>(part.meshes.size()));
    for (const MocModel::Mesh& mesh : part.meshes) {
        writeMesh(mesh);
    }
    writer_.endObjectArray();
    return writer_.endObject();
}

int MocModelSerializer::writeDeformer(const MocModel::Deformer& deformer) {
    if (const auto* rotation = std::get_if<MocModel::RotationDeformer>(&deformer)) {
        return writeRotationDeformer(*rotation);
    }
    return writeGridDeformer(std::get<MocModel::GridDeformer>(deformer));
}

int MocModelSerializer::writeRotationDeformer(const MocModel::RotationDeformer& deformer) {
    writer_.beginObject(MocClass::AFFINE_DEFORMER);
    writeIdentifier(MocClass::BASE_DATA_ID, deformer.id);
    writeIdentifier(MocClass::BASE_DATA_ID, deformer.targetId);
    writePivotManager(deformer.pivots);
    writer_.beginObjectArray(static_cast<int>(deformer.affines.size()));
    for (const MocModel::AffineKey& key : deformer.affines) {
        writeAffineEnt(key);
    }
    writer_.endObjectArray();
    if (options_.formatVersion >= OPACITY_AND_MIRROR_VERSION) {
        writer_.writeFloatArray(deformer.opacities);
    }
    return writer_.endObject();
}

int MocModelSerializer::writeGridDeformer(const MocModel::GridDeformer& deformer) {
    writer_.beginObject(MocClass::BOX_GRID);
    writeIdentifier(MocClass::BASE_DATA_ID, deformer.id);
    writeIdentifier(MocClass::BASE_DATA_ID, deformer.targetId);
    // The stream stores the row count before the column count.
    writer_.writeInt(deformer.row);
    writer_.writeInt(deformer.col);
    writePivotManager(deformer.pivots);
    writer_.beginObjectArray(static_cast<int>(deformer.lattices.size()));
    for (const std::vector<float>& lattice : deformer.lattices) {
        writer_.writeTaggedFloatArray(lattice);
    }
    writer_.endObjectArray();
    if (options_.formatVersion >= OPACITY_AND_MIRROR_VERSION) {
        writer_.writeFloatArray(deformer.opacities);
    }
    return writer_.endObject();
}

int MocModelSerializer::writeMesh(const MocModel::Mesh& mesh) {
    writer_.beginObject(MocClass::TEXTURE_MESH);
    writeIdentifier(MocClass::DRAW_DATA_ID, mesh.id);
    writeIdentifier(MocClass::BASE_DATA_ID, mesh.targetId);
    writePivotManager(mesh.pivots);
    writer_.writeInt(mesh.reservedOrder);
    writer_.writeIntArray(mesh.drawOrders);
    writer_.writeFloatArray(mesh.opacities);
    writer_.writeInt(mesh.textureNo);
    writer_.writeInt(mesh.numPts());
    writer_.writeInt(mesh.numPolygons());
    writer_.writeTaggedUShortArray(mesh.indices);
    writer_.beginObjectArray(static_cast<int>(mesh.keyedPoints.size()));
    for (const std::vector<float>& points : mesh.keyedPoints) {
        writer_.writeTaggedFloatArray(points);
    }
    writer_.endObjectArray();
    writer_.writeTaggedFloatArray(mesh.uvs);
    if (options_.formatVersion >= OPTION_FLAG_VERSION) {
        const std::int32_t flag = mesh.optionFlag();
        writer_.writeInt(flag);
        if (flag & 0x01) {
            writer_.writeInt(mesh.optionValue.value_or(0));
        }
    }
    return writer_.endObject();
}

int MocModelSerializer::writePivotManager(const MocModel::PivotSet& pivots) {
    writer_.beginObject(MocClass::PIVOT_MANAGER);
    writer_.beginObjectArray(static_cast<int>(pivots.size()));
    for (const MocModel::PivotParam& param : pivots) {
        writeParamPivots(param);
    }
    writer_.endObjectArray();
    return writer_.endObject();
}

int MocModelSerializer::writeParamPivots(const MocModel::PivotParam& pivots) {
    writer_.beginObject(MocClass::PARAM_PIVOTS);
    writeIdentifier(MocClass::PARAM_ID, pivots.paramId);
    writer_.writeInt(pivots.countOverride ? *pivots.countOverride
                                          : static_cast<std::int32_t>(pivots.values.size()));
    writer_.writeTaggedFloatArray(pivots.values);
    return writer_.endObject();
}

int MocModelSerializer::writeAffineEnt(const MocModel::AffineKey& key) {
    writer_.beginObject(MocClass::AFFINE_ENT);
    writer_.writeFloat(key.originX);
    writer_.writeFloat(key.originY);
    writer_.writeFloat(key.scaleX);
    writer_.writeFloat(key.scaleY);
    writer_.writeFloat(key.rotationDeg);
    if (options_.formatVersion >= OPACITY_AND_MIRROR_VERSION) {
        writer_.writeBoolean(key.reflectX);
        writer_.writeBoolean(key.reflectY);
    }
    return writer_.endObject();
}

int MocModelSerializer::writeAvatarPartsItem(const MocModel::AvatarPartsItem& item) {
    writer_.beginObject(MocClass::AVATAR_PARTS_ITEM);
    writeIdentifier(MocClass::PARTS_DATA_ID, item.partsId);
    // Unlike a part, the item stores its drawables before its deformers.
    writer_.beginObjectArray(static_cast<int>(item.meshes.size()));
    for (const MocModel::Mesh& mesh : item.meshes) {
        writeMesh(mesh);
    }
    writer_.endObjectArray();
    writer_.beginObjectArray(static_cast<int>(item.deformers.size()));
    for (const MocModel::Deformer& deformer : item.deformers) {
        writeDeformer(deformer);
    }
    writer_.endObjectArray();
    return writer_.endObject();
}

int MocModelSerializer::writeIdentifier(int classNo, const std::optional<std::string>& name) {
    if (!name) {
        return writer_.writeNull();
    }
    if (options_.shareIdentifiers) {
        const auto key = std::make_pair(classNo, *name);
        const auto found = identifierRefs_.find(key);
        if (found != identifierRefs_.end()) {
            writer_.writeBackRef(found->second);
            return found->second;
        }
        const int index = writer_.writeIdentifier(classNo, *name);
        identifierRefs_.emplace(key, index);
        return index;
    }
    return writer_.writeIdentifier(classNo, *name);
}

} // namespace mocwriter
