// Writes the classes of a model description (MocModel) as tagged objects,
// each with its fields in the order the model reader reads them.
//
// The format version selects the layout: from version 8 a mesh stores its
// option flag, from version 10 deformers store an opacity per pivot
// combination and rotation keys store their two mirror flags. Fields a
// version does not store are simply not written.
//
// Every write returns the object's reference index (see MocStreamWriter), so
// a test can mix described objects with hand-made ones and back-references.
#pragma once

#include "mocwriter/MocModel.h"
#include "mocwriter/MocStreamWriter.h"

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace mocwriter {

class MocModelSerializer {
public:
    struct Options {
        int formatVersion = 10;
        // Write an identifier seen before (same class and name) as a
        // back-reference to its first occurrence instead of a new string.
        bool shareIdentifiers = false;
    };

    explicit MocModelSerializer(MocStreamWriter& writer);
    MocModelSerializer(MocStreamWriter& writer, Options options);

    const Options& options() const { return options_; }

    int writeModel(const MocModel& model);                          // class 136
    int writeParamDefSet(const std::vector<MocModel::Param>& params); // class 137
    int writeParam(const MocModel::Param& param);                   // class 131
    int writePart(const MocModel::Part& part);                      // class 133
    int writeDeformer(const MocModel::Deformer& deformer);
    int writeRotationDeformer(const MocModel::RotationDeformer& deformer); // class 68
    int writeGridDeformer(const MocModel::GridDeformer& deformer);         // class 65
    int writeMesh(const MocModel::Mesh& mesh);                      // class 70
    int writePivotManager(const MocModel::PivotSet& pivots);        // class 66
    int writeParamPivots(const MocModel::PivotParam& pivots);       // class 67
    int writeAffineEnt(const MocModel::AffineKey& key);             // class 69
    int writeAvatarPartsItem(const MocModel::AvatarPartsItem& item); // class 142

    // An identifier of the given class, or a null object for nullopt. With
    // shareIdentifiers, a repeated name becomes a back-reference and the
    // index of its first occurrence is returned.
    int writeIdentifier(int classNo, const std::optional<std::string>& name);

private:
    MocStreamWriter& writer_;
    Options options_;
    std::map<std::pair<int, std::string>, int> identifierRefs_;
};

} // namespace mocwriter
