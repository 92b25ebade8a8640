#include "motion/TavrixMotion.h"

#include <cstring>

#include "ATavrixModel.h"
#include "ModelContext.h"
#include "Tavrix.h"
#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "motion/Motion.h"
#include "motion/MotionQueueEnt.h"
#include "type/LDString.h"
#include "util/UtDebug.h"
#include "util/UtFile.h"
#include "util/UtMath.h"
#include "util/UtMotion.h"
#include "util/UtString.h"

namespace tavrix {

int TavrixMotion::staticObjectNo = 0;

namespace {

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

int findLineEnd(const char* text, int size, int from)
{
    while (from < size && !isLineEnd(text[from])) ++from;
    return from;
}

// prefix lies at text[from] and ends before limit.
bool hasPrefix(const char* text, int from, int limit, const char* prefix)
{
    int n = static_cast<int>(std::strlen(prefix));
    return from >= 0 && n <= limit - from && std::memcmp(text + from, prefix, n) == 0;
}

bool isSeparator(char c)
{
    return c == ',' || c == ' ' || c == '\t';
}

bool startsCurve(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// Applies visit to every number between from and to, skipping separators
// and any byte that does not start a number.
template <class Visit>
void readNumbers(const char* text, int from, int to, Visit visit)
{
    for (int i = from; i < to;) {
        if (isSeparator(text[i])) {
            ++i;
            continue;
        }
        int end = -1;
        float value = UtString::strToFloat(text, to, i, &end);
        if (end > 0) {
            visit(value);
            i = end;
        } else {
            ++i;
        }
    }
}

// Layout curve kinds by the start of their name, tested in this order.
struct LayoutKind {
    const char* prefix;
    int motionType;
};
const LayoutKind LAYOUT_KINDS[] = {
    {"ANCHOR_X", Motion::MOTION_TYPE_LAYOUT_ANCHOR_X}, {"ANCHOR_Y", Motion::MOTION_TYPE_LAYOUT_ANCHOR_Y},
    {"SCALE_X", Motion::MOTION_TYPE_LAYOUT_SCALE_X},   {"SCALE_Y", Motion::MOTION_TYPE_LAYOUT_SCALE_Y},
    {"X", Motion::MOTION_TYPE_LAYOUT_X},               {"Y", Motion::MOTION_TYPE_LAYOUT_Y},
};

// A later line for the same name replaces the earlier value.
void recordCurveFade(LDMap<LDString, int>& fades, const char* name, int length, int msec)
{
    if (int* slot = fades.find(LDString(name, length))) *slot = msec;
}

} // namespace

TavrixMotion::TavrixMotion()
    : motions(nullptr), fps(30.0f), maxLength(0), loopDurationMSec(-1), loop(false), loopFadeIn(true),
      objectNo(staticObjectNo++), lastWeight(0.0f), memoryParam(nullptr), memoryHolder(nullptr)
{
    memoryParam = MemoryParam::newWithFixedHolder("TavrixMotion", MemoryHolderFixed::defaultPageSize, memoryHolder);
    if (memoryParam) motions = new (memoryParam) LDVector<Motion*>(memoryParam);
}

TavrixMotion::~TavrixMotion()
{
    if (motions) {
        for (int i = motions->size() - 1; i >= 0; --i) delete (*motions)[i];
    }
    delete motions;
    delete memoryParam;
    delete memoryHolder;
}

TavrixMotion* TavrixMotion::loadMotion(const LDString& path)
{
    UtDebug::clearLastErrorMessage();
    int size = 0;
    char* bytes = UtFile::loadFile(path, &size);
    if (!bytes) {
        Tavrix::setError(ATavrixModel::LOAD_FILE_FAILED);
        return nullptr;
    }
    TavrixMotion* motion = loadMotion(bytes, size);
    UtFile::releaseLoadBuffer(bytes);
    return motion;
}

TavrixMotion* TavrixMotion::loadMotion(const char* bytes, int size)
{
    UtDebug::clearLastErrorMessage();
    TavrixMotion* motion = new (UtMemory::getTmpMemoryParam()) TavrixMotion();
    if (motion && bytes && size > 0) motion->parse(bytes, size);
    return motion;
}

void TavrixMotion::parse(const char* text, int size)
{
    if (!motions) return;
    CurveFades fadeIns(UtMemory::getTmpMemoryParam());
    CurveFades fadeOuts(UtMemory::getTmpMemoryParam());

    for (int p = 0; p < size;) {
        char c = text[p];
        if (c == '#') {
            p = findLineEnd(text, size, p);
        } else if (c == '$') {
            int end = findLineEnd(text, size, p);
            parseSetting(text, p, end, fadeIns, fadeOuts);
            p = end;
        } else if (startsCurve(c)) {
            int end = findLineEnd(text, size, p);
            parseCurve(text, p, end);
            p = end;
        } else {
            // Line ends and stray bytes alike.
            ++p;
        }
    }

    loopDurationMSec =
        UtMath::truncToIntSaturated(static_cast<float>(static_cast<int64_t>(maxLength) * 1000) / fps);
    // Per-curve fade lines may stand before their curve.
    for (const CurveFades::Pair& fade : fadeIns) setParamFadeIn(fade.key, fade.value);
    for (const CurveFades::Pair& fade : fadeOuts) setParamFadeOut(fade.key, fade.value);
}

void TavrixMotion::parseSetting(const char* text, int s, int lineEnd, CurveFades& fadeIns, CurveFades& fadeOuts)
{
    // The last ':' before the first '=' marks where a curve name starts.
    int colon = -1;
    int eq = -1;
    for (int i = s; i < lineEnd; ++i) {
        if (text[i] == ':') {
            colon = i + 1;
        } else if (text[i] == '=') {
            eq = i;
            break;
        }
    }
    if (eq < 0) return;

    float value = -1.0f;
    readNumbers(text, eq + 1, lineEnd, [&value](float v) { value = v; });
    int truncated = UtMath::truncToIntSaturated(value);

    if (eq == s + 4 && hasPrefix(text, s + 1, eq, "fps")) {
        if (value > 5.0f && value < 121.0f) fps = value;
    } else if (hasPrefix(text, s + 1, eq, "fadein")) {
        if (eq == s + 7 && value >= 0.0f) fadeInMsec = truncated;
        if (colon == s + 8) recordCurveFade(fadeIns, text + colon, eq - colon, truncated);
    } else if (hasPrefix(text, s + 1, eq, "fadeout")) {
        if (eq == s + 8 && value >= 0.0f) fadeOutMsec = truncated;
        if (colon == s + 9) recordCurveFade(fadeOuts, text + colon, eq - colon, truncated);
    }
}

void TavrixMotion::parseCurve(const char* text, int lineStart, int lineEnd)
{
    const char* found = static_cast<const char*>(std::memchr(text + lineStart, '=', lineEnd - lineStart));
    if (!found) return;
    int eq = static_cast<int>(found - text);

    int nameStart = lineStart;
    int motionType = Motion::MOTION_TYPE_PARAM;
    if (hasPrefix(text, lineStart, eq, "VISIBLE:")) {
        motionType = Motion::MOTION_TYPE_VISIBLE;
    } else if (hasPrefix(text, lineStart, eq, "LAYOUT:")) {
        nameStart = lineStart + 7;
        for (const LayoutKind& kind : LAYOUT_KINDS) {
            if (hasPrefix(text, nameStart, eq, kind.prefix)) {
                motionType = kind.motionType;
                break;
            }
        }
    }

    // The name keeps everything up to the '=', spaces included.
    LDString* name = new (memoryParam) LDString(text + nameStart, eq - nameStart, memoryParam);
    Motion* curve = name ? new (memoryParam) Motion(name, memoryParam) : nullptr;
    if (!curve) {
        delete name;
        return;
    }
    if (!curve->hasValueList()) {
        delete curve;
        return;
    }
    int before = motions->size();
    motions->push_back(curve);
    if (motions->size() == before) {
        delete curve;
        return;
    }
    curve->setMotionType(motionType);
    LDVector<float>* values = &curve->getValues();
    readNumbers(text, eq + 1, lineEnd, [values](float v) { values->push_back(v); });
    if (values->size() > maxLength) maxLength = values->size();
}

Motion* TavrixMotion::findCurve(const LDString& paramName)
{
    for (int i = 0; i < getMotionCount(); ++i) {
        Motion* curve = (*motions)[i];
        if (*curve->getParamIDStr() == paramName) return curve;
    }
    return nullptr;
}

void TavrixMotion::setParamFadeIn(const LDString& paramName, int msec)
{
    if (Motion* curve = findCurve(paramName)) curve->setFadeInMSec(msec);
}

void TavrixMotion::setParamFadeOut(const LDString& paramName, int msec)
{
    if (Motion* curve = findCurve(paramName)) curve->setFadeOutMSec(msec);
}

int TavrixMotion::getParamFadeIn(const LDString& paramName)
{
    Motion* curve = findCurve(paramName);
    return curve ? curve->getFadeInMSec() : -1;
}

int TavrixMotion::getParamFadeOut(const LDString& paramName)
{
    Motion* curve = findCurve(paramName);
    return curve ? curve->getFadeOutMSec() : -1;
}

void TavrixMotion::updateParamExe(ATavrixModel* model, int64_t now, float weight, MotionQueueEnt* entry)
{
    ModelContext* context = model->getModelContext();
    int frame = 0;
    float frac = 0.0f;
    UtMotion::getPlaybackFrame(now - entry->getStartTimeMSec(), fps, &frame, &frac);

    // The motion's own fades, for curves that set their own.
    int64_t fadeInElapsed = now - entry->getFadeInStartTimeMSec();
    int64_t fadeOutLeft = entry->getEndTimeMSec() - now;
    bool open = entry->getEndTimeMSec() < 0;
    float motionFadeIn =
        fadeInMsec == 0 ? 1.0f : UtMotion::getEasingSine(static_cast<float>(fadeInElapsed) / fadeInMsec);
    float motionFadeOut = (fadeOutMsec == 0 || open)
        ? 1.0f
        : UtMotion::getEasingSine(static_cast<float>(fadeOutLeft) / fadeOutMsec);

    for (int c = 0; c < getMotionCount(); ++c) {
        Motion* curve = (*motions)[c];
        const LDVector<float>& values = curve->getValues();
        int n = values.size();
        // A curve written without values has nothing to play.
        if (n == 0) continue;
        int i = frame < n - 1 ? frame : n - 1;
        int type = curve->getMotionType();

        if (type == Motion::MOTION_TYPE_VISIBLE) {
            model->setParamFloat(curve->getParamIndex(model), values[i], 1.0f);
            continue;
        }
        if (type != Motion::MOTION_TYPE_PARAM) continue;

        float curveWeight = weight;
        if (curve->getFadeInMSec() >= 0 || curve->getFadeOutMSec() >= 0) {
            float fadeIn = curve->getFadeInMSec() < 0 ? motionFadeIn
                : curve->getFadeInMSec() == 0
                    ? 1.0f
                    : UtMotion::getEasingSine(static_cast<float>(fadeInElapsed) / curve->getFadeInMSec());
            float fadeOut = curve->getFadeOutMSec() < 0 ? motionFadeOut
                : (curve->getFadeOutMSec() == 0 || open)
                    ? 1.0f
                    : UtMotion::getEasingSine(static_cast<float>(fadeOutLeft) / curve->getFadeOutMSec());
            curveWeight = this->weight * fadeIn * fadeOut;
        }
        float next = frame < n - 1 ? values[frame + 1] : values[n - 1];
        UtMotion::setCurveValue(context, curve->getParamIndex(model), values[i], next, frac, curveWeight);
    }

    if (frame >= maxLength) UtMotion::endOfFrames(entry, now, loop, loopFadeIn);
    lastWeight = weight;
}

void TavrixMotion::dump()
{
    for (int c = 0; c < getMotionCount(); ++c) {
        Motion* curve = (*motions)[c];
        const LDVector<float>& values = curve->getValues();
        int shown = values.size() < UtMotion::DUMP_VALUE_COUNT ? values.size() : UtMotion::DUMP_VALUE_COUNT;
        UtMotion::dumpCurve(curve->getParamIDStr()->c_str(), values.size(), values.getPtr(), shown);
    }
}

} // namespace tavrix
