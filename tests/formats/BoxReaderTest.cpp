// The box reader on hand-made box trees: every size is checked against the
// parent, and a damaged header ends its level instead of reading outside it.
#include "formats/isobmff/BoxReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace lumora::isobmff;

namespace {

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t Read(std::uint64_t pos, void* dst, std::size_t length) override {
        std::memset(dst, 0, length);
        if (pos >= bytes_.size()) {
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(length, bytes_.size() - pos);
        std::memcpy(dst, bytes_.data() + pos, n);
        return n;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) {
        v.push_back(static_cast<std::uint8_t>(x >> s));
    }
}

std::vector<std::uint8_t> MakeBox(const char* type, const std::vector<std::uint8_t>& body,
                                  std::uint32_t statedSize = 0) {
    std::vector<std::uint8_t> b;
    Put32(b, statedSize ? statedSize : static_cast<std::uint32_t>(8 + body.size()));
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

std::vector<std::string> Types(ByteSource& src, BoxReader reader) {
    std::vector<std::string> types;
    Box b;
    while (reader.Next(b)) {
        std::string t(4, ' ');
        for (int i = 0; i < 4; ++i) {
            t[i] = static_cast<char>(b.type >> (24 - 8 * i));
        }
        types.push_back(t);
        EXPECT_LE(b.body, b.end);
        EXPECT_LE(b.end, src.Size());
    }
    return types;
}

} // namespace

TEST(BoxReader, WalksSiblingsAndDescendsOneLevelAtATime) {
    MemorySource src(Cat(
        {MakeBox("ftyp", {'c', 'r', 'x', ' '}),
         MakeBox("moov", Cat({MakeBox("trak", MakeBox("mdia", {})), MakeBox("free", {1, 2, 3})})),
         MakeBox("mdat", std::vector<std::uint8_t>(10, 7))}));
    EXPECT_EQ(Types(src, BoxReader(src)), (std::vector<std::string>{"ftyp", "moov", "mdat"}));
    BoxReader top(src);
    Box moov;
    ASSERT_TRUE(top.Find(FourCc("moov"), moov));
    EXPECT_EQ(moov.start, 12u);
    EXPECT_EQ(moov.body, 20u);
    EXPECT_FALSE(moov.truncated);
    EXPECT_EQ(Types(src, BoxReader(src, moov)), (std::vector<std::string>{"trak", "free"}));
    Box trak, mdia;
    ASSERT_TRUE(BoxReader(src, moov).Find(FourCc("trak"), trak));
    ASSERT_TRUE(BoxReader(src, trak).Find(FourCc("mdia"), mdia));
    EXPECT_EQ(mdia.BodySize(), 0u);
    // Find goes on from where the level stands.
    EXPECT_FALSE(top.Find(FourCc("moov"), moov));
}

TEST(BoxReader, SizesAreCheckedAgainstTheParent) {
    // A child claiming more than its parent holds is cut at the parent's end.
    const auto inner = MakeBox("PRVW", {1, 2, 3, 4}, 0x0005adfd);
    MemorySource src(Cat({MakeBox("uuid", Cat({std::vector<std::uint8_t>(16, 0xAB), inner})),
                          MakeBox("mdat", {9})}));
    Box uuid;
    BoxReader top(src);
    ASSERT_TRUE(top.Next(uuid));
    EXPECT_EQ(uuid.type, FourCc("uuid"));
    EXPECT_EQ(uuid.uuid[0], 0xAB);
    EXPECT_EQ(uuid.body, 24u);
    Box prvw;
    ASSERT_TRUE(BoxReader(src, uuid).Next(prvw));
    EXPECT_TRUE(prvw.truncated);
    EXPECT_EQ(prvw.end, uuid.end);
    EXPECT_EQ(prvw.BodySize(), 4u);
    Box mdat;
    ASSERT_TRUE(top.Next(mdat)); // the sibling after the parent is untouched
    EXPECT_EQ(mdat.BodySize(), 1u);
}

TEST(BoxReader, SpecialSizes) {
    // 0: to the end of the parent; 1: a 64-bit size follows the type.
    std::vector<std::uint8_t> large;
    Put32(large, 1);
    large.insert(large.end(), {'m', 'd', 'a', 't'});
    Put32(large, 0);
    Put32(large, 16 + 3);
    large.insert(large.end(), {1, 2, 3});
    const std::vector<std::uint8_t> toTheEnd = {0, 0, 0, 0, 'f', 'r', 'e', 'e', 0, 0, 0, 0, 0};
    MemorySource src(Cat({large, toTheEnd}));
    BoxReader top(src);
    Box b;
    ASSERT_TRUE(top.Next(b));
    EXPECT_EQ(b.body, 16u);
    EXPECT_EQ(b.BodySize(), 3u);
    ASSERT_TRUE(top.Next(b));
    EXPECT_EQ(b.type, FourCc("free"));
    EXPECT_EQ(b.end, src.Size());
    EXPECT_FALSE(top.Next(b));

    // A 64-bit size of 2^64 - 1 is cut to the file, not added to a position.
    std::vector<std::uint8_t> huge;
    Put32(huge, 1);
    huge.insert(huge.end(), {'m', 'd', 'a', 't'});
    Put32(huge, 0xFFFFFFFF);
    Put32(huge, 0xFFFFFFFF);
    MemorySource hugeSrc(huge);
    BoxReader hugeTop(hugeSrc);
    ASSERT_TRUE(hugeTop.Next(b));
    EXPECT_TRUE(b.truncated);
    EXPECT_EQ(b.end, hugeSrc.Size());
}

TEST(BoxReader, MalformedHeadersEndTheLevel) {
    // A box smaller than its own header.
    MemorySource tiny(Cat({MakeBox("free", {}), MakeBox("bad!", {}, 4), MakeBox("free", {})}));
    EXPECT_EQ(Types(tiny, BoxReader(tiny)), (std::vector<std::string>{"free"}));
    // A 64-bit size smaller than the 16-byte header.
    std::vector<std::uint8_t> small;
    Put32(small, 1);
    small.insert(small.end(), {'m', 'd', 'a', 't'});
    Put32(small, 0);
    Put32(small, 8);
    MemorySource smallSrc(small);
    EXPECT_TRUE(Types(smallSrc, BoxReader(smallSrc)).empty());
    // A uuid box without room for its extended type; a header cut by the end.
    MemorySource noUuid(MakeBox("uuid", {1, 2, 3}));
    EXPECT_TRUE(Types(noUuid, BoxReader(noUuid)).empty());
    MemorySource cut({0, 0, 0, 20, 'm', 'o'});
    EXPECT_TRUE(Types(cut, BoxReader(cut)).empty());
    // Skipping past a parent's body leaves nothing to read.
    MemorySource parent(MakeBox("moov", MakeBox("trak", {})));
    Box moov;
    ASSERT_TRUE(BoxReader(parent).Next(moov));
    EXPECT_TRUE(Types(parent, BoxReader(parent, moov, 100)).empty());
    EXPECT_EQ(Types(parent, BoxReader(parent, moov, 0)), (std::vector<std::string>{"trak"}));
}

TEST(BoxReader, ALevelYieldsABoundedNumberOfBoxes) {
    std::vector<std::uint8_t> many;
    for (std::size_t i = 0; i < BoxReader::kMaxBoxesPerLevel + 10; ++i) {
        const auto b = MakeBox("free", {});
        many.insert(many.end(), b.begin(), b.end());
    }
    MemorySource src(many);
    EXPECT_EQ(Types(src, BoxReader(src)).size(), BoxReader::kMaxBoxesPerLevel);
}
