#include "colour/ColourTransform.h"

#include <lcms2.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace lumora {

namespace {

// Linear light 1.0 in table units; the output tables have kScale + 1 rows.
constexpr int kScale = 8191;
// Each of the three sums of a 64-bit word has 21 bits. Every term is kept
// above the lowest value its table reaches, so that a negative matrix entry
// never borrows from a neighbour and a sum is itself the index into its
// output table (which covers every sum the three terms can reach).
constexpr int kFieldBits = 21;
constexpr uint64_t kFieldMask = (uint64_t(1) << kFieldBits) - 1;
// Rows of a matrix whose entries add up (in size) beyond this cannot be
// held in a field; such pairs go through LittleCMS.
constexpr double kMaxRowSum = 60.0;

struct Shaper {
    double matrix[3][3]; // RGB -> XYZ (D50), columns are the colorants
    cmsToneCurve* curves[3];
};

bool readShaper(cmsHPROFILE h, Shaper& s) {
    if (!cmsIsMatrixShaper(h) || cmsGetColorSpace(h) != cmsSigRgbData)
        return false;
    // A profile with tables of its own is converted through them by
    // LittleCMS, whatever curves and colorants it also holds.
    for (cmsTagSignature tag :
         {cmsSigAToB0Tag, cmsSigAToB1Tag, cmsSigAToB2Tag, cmsSigBToA0Tag, cmsSigBToA1Tag,
          cmsSigBToA2Tag, cmsSigDToB0Tag, cmsSigDToB1Tag, cmsSigBToD0Tag, cmsSigBToD1Tag})
        if (cmsIsTag(h, tag))
            return false;
    const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                          cmsSigBlueColorantTag};
    const cmsTagSignature trcs[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(h, colorants[c]));
        auto* curve = static_cast<cmsToneCurve*>(cmsReadTag(h, trcs[c]));
        if (!xyz || !curve)
            return false;
        s.matrix[0][c] = xyz->X;
        s.matrix[1][c] = xyz->Y;
        s.matrix[2][c] = xyz->Z;
        s.curves[c] = curve;
    }
    return true;
}

bool invert(const double m[3][3], double out[3][3]) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (!std::isfinite(det) || std::fabs(det) < 1e-9)
        return false;
    out[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    out[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    out[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    out[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    out[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    out[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    out[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    out[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    out[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    return true;
}

constexpr cmsUInt32Number kLcmsFormats[4] = {TYPE_BGR_8, TYPE_BGRA_8, TYPE_RGB_8, TYPE_RGBA_8};

struct Offsets {
    int r, g, b, step;
};
constexpr Offsets offsetsOf(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Bgr8:
        return {2, 1, 0, 3};
    case PixelLayout::Bgra8:
        return {2, 1, 0, 4};
    case PixelLayout::Rgb8:
        return {0, 1, 2, 3};
    case PixelLayout::Rgba8:
        return {0, 1, 2, 4};
    }
    return {2, 1, 0, 3};
}

} // namespace

struct ColourTransform::Tables {
    // in[c][v]: the three output terms of input channel c at value v, red
    // in the low field, each above its table's lowest term.
    uint64_t in[3][256];
    // out[k][sum]: the output value of channel k for a sum of its terms
    // (linear light beyond 0..1 clipped).
    std::vector<uint8_t> out[3];
};

namespace {

// The table form of a pair of matrix-and-curve profiles, or null. Sets
// identity when the pair maps every channel value onto itself.
std::unique_ptr<ColourTransform::Tables> makeTables(cmsHPROFILE src, cmsHPROFILE dst,
                                                    bool& identity) {
    identity = false;
    Shaper s{}, d{};
    if (!readShaper(src, s) || !readShaper(dst, d))
        return nullptr;
    double dstInverse[3][3];
    if (!invert(d.matrix, dstInverse))
        return nullptr;
    double m[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            m[i][j] = 0;
            for (int k = 0; k < 3; ++k)
                m[i][j] += dstInverse[i][k] * s.matrix[k][j];
        }
    for (int i = 0; i < 3; ++i) {
        double sum = 0;
        for (int j = 0; j < 3; ++j) {
            if (!std::isfinite(m[i][j]))
                return nullptr;
            sum += std::fabs(m[i][j]);
        }
        if (sum > kMaxRowSum)
            return nullptr;
    }
    auto tables = std::make_unique<ColourTransform::Tables>();
    float linear[3][256];
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const float x = cmsEvalToneCurveFloat(s.curves[c], static_cast<float>(v) / 255.0f);
            linear[c][v] = std::isfinite(x) ? std::clamp(x, 0.0f, 1.0f) : 0.0f;
        }
    // term[k][c][v]: what input channel c at value v adds to output k.
    static_assert(kMaxRowSum * kScale < double(kFieldMask), "a sum must fit its field");
    int64_t term[3][3][256];
    int64_t lowest[3][3], highest[3][3];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c) {
            lowest[k][c] = INT64_MAX;
            highest[k][c] = INT64_MIN;
            for (int v = 0; v < 256; ++v) {
                const int64_t t = std::llround(m[k][c] * linear[c][v] * kScale);
                term[k][c][v] = t;
                lowest[k][c] = std::min(lowest[k][c], t);
                highest[k][c] = std::max(highest[k][c], t);
            }
        }
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            uint64_t word = 0;
            for (int k = 0; k < 3; ++k)
                word |= static_cast<uint64_t>(term[k][c][v] - lowest[k][c]) << (kFieldBits * k);
            tables->in[c][v] = word;
        }
    uint8_t reverse[3][kScale + 1];
    for (int k = 0; k < 3; ++k) {
        cmsToneCurve* curve = cmsReverseToneCurveEx(kScale + 1, d.curves[k]);
        if (!curve)
            return nullptr;
        for (int i = 0; i <= kScale; ++i) {
            const float y = cmsEvalToneCurveFloat(curve, static_cast<float>(i) / kScale);
            const float v = std::isfinite(y) ? std::clamp(y, 0.0f, 1.0f) : 0.0f;
            reverse[k][i] = static_cast<uint8_t>(std::lround(v * 255.0f));
        }
        cmsFreeToneCurve(curve);
        int64_t base = 0, range = 0;
        for (int c = 0; c < 3; ++c) {
            base += lowest[k][c];
            range += highest[k][c] - lowest[k][c];
        }
        tables->out[k].resize(static_cast<std::size_t>(range) + 1);
        for (int64_t i = 0; i <= range; ++i)
            tables->out[k][static_cast<std::size_t>(i)] =
                reverse[k][std::clamp<int64_t>(base + i, 0, kScale)];
    }
    // The identity: a matrix that moves no value by a table step, and
    // curves that bring every value back.
    bool same = true;
    for (int i = 0; i < 3 && same; ++i)
        for (int j = 0; j < 3 && same; ++j)
            same = std::fabs(m[i][j] - (i == j ? 1.0 : 0.0)) * kScale < 0.25;
    for (int c = 0; c < 3 && same; ++c)
        for (int v = 0; v < 256 && same; ++v) {
            const int index = static_cast<int>(std::lround(linear[c][v] * m[c][c] * kScale));
            same = reverse[c][std::clamp(index, 0, kScale)] == v;
        }
    identity = same;
    return tables;
}

} // namespace

ColourTransform::~ColourTransform() {
    for (void* h : handles_)
        if (h)
            cmsDeleteTransform(static_cast<cmsHTRANSFORM>(h));
}

std::shared_ptr<const ColourTransform> ColourTransform::Make(const ColourProfile& source,
                                                             const ColourProfile& target) {
    if (source.hash() == target.hash())
        return nullptr;
    auto src = static_cast<cmsHPROFILE>(source.handle());
    auto dst = static_cast<cmsHPROFILE>(target.handle());
    std::shared_ptr<ColourTransform> t(new ColourTransform);
    t->sourceHash_ = source.hash();
    t->targetHash_ = target.hash();
    bool identity = false;
    t->tables_ = makeTables(src, dst, identity);
    if (identity)
        return nullptr;
    if (!t->tables_) {
        for (int i = 0; i < 4; ++i) {
            const cmsUInt32Number flags =
                cmsFLAGS_NOCACHE | (i == 1 || i == 3 ? cmsFLAGS_COPY_ALPHA : 0);
            t->handles_[i] = cmsCreateTransform(src, kLcmsFormats[i], dst, kLcmsFormats[i],
                                                INTENT_RELATIVE_COLORIMETRIC, flags);
            if (!t->handles_[i])
                return nullptr;
        }
    }
    return t;
}

void ColourTransform::Apply(uint8_t* rows, std::ptrdiff_t stride, int width, int height,
                            PixelLayout layout) const {
    if (!rows || width <= 0 || height <= 0)
        return;
    if (tables_) {
        applyTables(rows, stride, width, height, layout);
        return;
    }
    const int bytes = offsetsOf(layout).step;
    auto h = static_cast<cmsHTRANSFORM>(handles_[static_cast<int>(layout)]);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = rows + static_cast<std::ptrdiff_t>(y) * stride;
        cmsDoTransformLineStride(h, row, row, static_cast<cmsUInt32Number>(width), 1,
                                 static_cast<cmsUInt32Number>(width * bytes),
                                 static_cast<cmsUInt32Number>(width * bytes), 0, 0);
    }
}

namespace {

template <int R, int G, int B, int Step>
void convertRows(const ColourTransform::Tables& t, uint8_t* rows, std::ptrdiff_t stride, int width,
                 int height) {
    const uint64_t* inR = t.in[0];
    const uint64_t* inG = t.in[1];
    const uint64_t* inB = t.in[2];
    const uint8_t* outR = t.out[0].data();
    const uint8_t* outG = t.out[1].data();
    const uint8_t* outB = t.out[2].data();
    for (int y = 0; y < height; ++y) {
        uint8_t* p = rows + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += Step) {
            // No field can exceed its table: the tables cover every sum.
            const uint64_t sum = inR[p[R]] + inG[p[G]] + inB[p[B]];
            p[R] = outR[sum & kFieldMask];
            p[G] = outG[(sum >> kFieldBits) & kFieldMask];
            p[B] = outB[sum >> (2 * kFieldBits)];
        }
    }
}

} // namespace

void ColourTransform::applyTables(uint8_t* rows, std::ptrdiff_t stride, int width, int height,
                                  PixelLayout layout) const {
    switch (layout) {
    case PixelLayout::Bgr8:
        convertRows<2, 1, 0, 3>(*tables_, rows, stride, width, height);
        break;
    case PixelLayout::Bgra8:
        convertRows<2, 1, 0, 4>(*tables_, rows, stride, width, height);
        break;
    case PixelLayout::Rgb8:
        convertRows<0, 1, 2, 3>(*tables_, rows, stride, width, height);
        break;
    case PixelLayout::Rgba8:
        convertRows<0, 1, 2, 4>(*tables_, rows, stride, width, height);
        break;
    }
}

namespace {

struct CacheEntry {
    TransformPtr transform; // null: nothing to do for this pair
};

std::mutex cacheMutex; // leaf lock: guards cache only
std::map<std::pair<uint64_t, uint64_t>, CacheEntry> cache;
std::atomic<int64_t> built{0};

} // namespace

TransformPtr TransformFor(const ProfilePtr& source, const ProfilePtr& target) {
    if (!source || !target || source->hash() == target->hash())
        return nullptr;
    const auto key = std::make_pair(source->hash(), target->hash());
    {
        std::lock_guard lock(cacheMutex);
        const auto it = cache.find(key);
        if (it != cache.end())
            return it->second.transform;
    }
    TransformPtr made = ColourTransform::Make(*source, *target);
    built.fetch_add(1, std::memory_order_relaxed);
    std::lock_guard lock(cacheMutex);
    const auto [it, inserted] = cache.emplace(key, CacheEntry{std::move(made)});
    return it->second.transform;
}

int64_t TransformsBuilt() {
    return built.load(std::memory_order_relaxed);
}

std::size_t CachedTransformCount() {
    std::lock_guard lock(cacheMutex);
    return cache.size();
}

void ClearTransformCache() {
    std::map<std::pair<uint64_t, uint64_t>, CacheEntry> old;
    std::lock_guard lock(cacheMutex);
    old.swap(cache);
}

} // namespace lumora
