// Marks read from and written into XMP packets.
#include "MarksTestSupport.h"

#include "marks/Marks.h"
#include "marks/XmpMarks.h"

#include <gtest/gtest.h>

#include <dirent.h>

namespace lumora {
namespace {

using testing::fileBytes;
using testing::properties;
using testing::sampleDir;

std::string packetWith(const std::string& description) {
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
           "rdf:about='' " +
           description + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

TEST(MarkChange, RatingRejectAndLabelRules) {
    Marks m;
    m = ApplyMarkChange(m, MarkChange::Rating(3));
    EXPECT_EQ(m.rating, 3);
    m = ApplyMarkChange(m, MarkChange::ToggleReject());
    EXPECT_TRUE(m.reject);
    EXPECT_EQ(m.rating, 0) << "one property holds both: a reject has no stars";
    m = ApplyMarkChange(m, MarkChange::Rating(9));
    EXPECT_FALSE(m.reject);
    EXPECT_EQ(m.rating, 5) << "clamped";
    m = ApplyMarkChange(m, MarkChange::Label(ColorLabel::Green));
    EXPECT_EQ(m.label, ColorLabel::Green);
    m = ApplyMarkChange(m, MarkChange::Label(ColorLabel::Green));
    EXPECT_EQ(m.label, ColorLabel::None) << "the same label key again clears it";
    EXPECT_EQ(ColorLabelFromName(" purple "), ColorLabel::Purple);
    EXPECT_EQ(ColorLabelFromName("Approved"), std::nullopt);
    EXPECT_EQ(ColorLabelFromName(""), std::nullopt);
}

TEST(XmpMarks, ReadsTheSamplesAsExiftoolDoes) {
    const std::string dir = sampleDir() + "/xmp/";
    const std::string label = fileBytes(dir + "exiftool-rating-label.xmp");
    if (label == "<missing>")
        GTEST_SKIP() << "shared samples missing: " << dir;
    XmpMarksRead r = ReadXmpMarks(label);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.hasMarks);
    EXPECT_EQ(r.marks.rating, 4);
    EXPECT_EQ(r.marks.label, ColorLabel::Red);

    r = ReadXmpMarks(fileBytes(dir + "exiftool-develop.xmp"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.marks.rating, 2);

    r = ReadXmpMarks(fileBytes(dir + "immich-utf16-sidecar.xmp"));
    ASSERT_TRUE(r.ok) << "a UTF-16 packet parses: " << r.error;
    EXPECT_FALSE(r.hasMarks);
}

TEST(XmpMarks, RejectAndOtherProgramsLabels) {
    XmpMarksRead r =
        ReadXmpMarks(packetWith("xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='-1'>"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.marks.reject);
    EXPECT_EQ(r.marks.rating, 0);

    // The catalogue's ColorLabel under a prefix of the file's own choosing.
    r = ReadXmpMarks(packetWith("xmlns:dk='http://www.digikam.org/ns/1.0/' dk:ColorLabel='5'>"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.marks.label, ColorLabel::Blue);

    r = ReadXmpMarks(packetWith("xmlns:darktable='http://darktable.sf.net/'><darktable:colorlabels>"
                                "<rdf:Seq><rdf:li>4</rdf:li></rdf:Seq></darktable:colorlabels>"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.marks.label, ColorLabel::Purple);

    // xmp:Label wins over the others; a rating of 3.0 or 7 is read sensibly.
    r = ReadXmpMarks(packetWith("xmlns:xmp='http://ns.adobe.com/xap/1.0/' "
                                "xmlns:dk='http://www.digikam.org/ns/1.0/' dk:ColorLabel='1' "
                                "xmp:Label='Yellow' xmp:Rating='7'>"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.marks.label, ColorLabel::Yellow);
    EXPECT_EQ(r.marks.rating, 5);
}

// The quick reading of common sidecars must agree with the toolkit, and
// leave every unusual packet to it.
TEST(XmpMarks, UnusualSpellingsReadAsTheToolkitReadsThem) {
    const struct {
        const char* description;
        int rating;
        bool reject;
    } cases[] = {
        {"xmlns:xap='http://ns.adobe.com/xap/1.0/' xap:Rating='4'>", 4, false},
        {"xmlns:xmp='http://example.com/other/' xmp:Rating='4'>", 0, false},
        {"xmlns:xmp='http://ns.adobe.com/xap/1.0/'><xmp:Rating>2</xmp:Rating>", 2, false},
        {"xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"-1\">", 0, true},
        {"xmlns:xmp='http://ns.adobe.com/xap/1.0/' "
         "xmlns:MicrosoftPhoto='http://ns.microsoft.com/photo/1.0/' MicrosoftPhoto:Rating='75' "
         "xmp:Rating='3'>",
         3, false},
        {"xmlns:xmp='http://ns.adobe.com/xap/1.0/'><xmp:Rating rdf:datatype='x'>5</xmp:Rating>", 5,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        const XmpMarksRead r = ReadXmpMarks(packetWith(c.description));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.marks.rating, c.rating);
        EXPECT_EQ(r.marks.reject, c.reject);
    }
}

TEST(XmpMarks, ChangingALabelKeepsTheOtherProgramsInStep) {
    const std::string before = packetWith(
        "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:dk='http://www.digikam.org/ns/1.0/' "
        "xmlns:darktable='http://darktable.sf.net/' dk:ColorLabel='1' xmp:Label='Red'>"
        "<darktable:colorlabels><rdf:Seq><rdf:li>0</rdf:li></rdf:Seq></darktable:colorlabels>");
    Marks m;
    m.label = ColorLabel::Green;
    XmpMarksRewrite w = RewriteXmpMarks(before, m);
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_EQ(ReadXmpMarks(w.packet).marks.label, ColorLabel::Green);
    auto props = properties(w.packet);
    EXPECT_EQ(props["Xmp.digiKam.ColorLabel"], "XmpText: 4") << "exiv2 knows that namespace";
    EXPECT_EQ(props["Xmp.darktable.colorlabels"], "XmpSeq: 2");

    m.label = ColorLabel::None;
    w = RewriteXmpMarks(w.packet, m);
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_EQ(ReadXmpMarks(w.packet).marks.label, ColorLabel::None)
        << "a cleared label must not come back from another program's property";
}

// Every property but the marks is the same before and after a rewrite, for
// every sidecar sample (exiftool's, one with develop settings, arrays and
// structures, a UTF-16 packet).
TEST(XmpMarks, RewriteKeepsEveryOtherProperty) {
    const std::string dir = sampleDir() + "/xmp/";
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        GTEST_SKIP() << "shared samples missing: " << dir;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 4 && n.substr(n.size() - 4) == ".xmp")
            names.push_back(n);
    }
    ::closedir(d);
    ASSERT_GE(names.size(), 4u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string before = fileBytes(dir + name);
        for (const Marks marks :
             {Marks{5, false, ColorLabel::Blue}, Marks{0, true, ColorLabel::None}, Marks{}}) {
            const XmpMarksRewrite w = RewriteXmpMarks(before, marks);
            ASSERT_TRUE(w.ok) << w.error;
            EXPECT_EQ(ReadXmpMarks(w.packet).marks, marks);
            auto a = properties(before), b = properties(w.packet);
            for (auto* map : {&a, &b}) {
                map->erase("Xmp.xmp.Rating");
                map->erase("Xmp.xmp.Label");
            }
            EXPECT_EQ(a, b);
            EXPECT_GT(a.size() + (before.find("Rating") != std::string::npos ? 1 : 0), 0u);
        }
    }
}

TEST(XmpMarks, DamagedAndHostilePacketsAreRefusedNotReplaced) {
    const std::string good = packetWith("xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='3'>");
    for (const std::string& bad :
         {good.substr(0, good.size() / 2), std::string("not xmp at all\n"),
          std::string("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><unclosed"),
          std::string("\xEF\xBB\xBF<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\x01\x02")}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ReadXmpMarks(bad).ok);
        const XmpMarksRewrite w = RewriteXmpMarks(bad, Marks{1, false, ColorLabel::Red});
        EXPECT_FALSE(w.ok);
        EXPECT_FALSE(w.error.empty());
    }
    // A namespace binding cut off at the very end of the packet (found by
    // the fuzz target: the quick reader looked past the end and threw).
    const std::string cut =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF></rdf:RDF></x:xmpmeta>xmlns:xmp=";
    EXPECT_NO_THROW((void)ReadXmpMarks(cut));
    EXPECT_NO_THROW((void)RewriteXmpMarks(cut, Marks{1, false, ColorLabel::Red}));

    // Blank is no packet at all: a new one is made.
    EXPECT_TRUE(ReadXmpMarks("  \n").ok);
    EXPECT_TRUE(RewriteXmpMarks("", Marks{1, false, ColorLabel::Red}).ok);

    // The hostile samples never crash the reader; whatever reads must rewrite
    // without losing anything, else be refused.
    const std::string hostile = sampleDir() + "/hostile/";
    if (DIR* h = ::opendir(hostile.c_str())) {
        while (dirent* e = ::readdir(h)) {
            std::string n = e->d_name;
            if (n.size() < 4 || n.substr(n.size() - 4) != ".xmp")
                continue;
            SCOPED_TRACE(n);
            const std::string bytes = fileBytes(hostile + n);
            const XmpMarksRead r = ReadXmpMarks(bytes);
            const XmpMarksRewrite w = RewriteXmpMarks(bytes, Marks{2, false, ColorLabel::None});
            if (!r.ok) {
                EXPECT_FALSE(w.ok) << "a packet that does not read is never rewritten";
            }
            // Whatever it declared, the next packet's rating is still xmp:Rating.
            const XmpMarksRewrite next = RewriteXmpMarks("", Marks{3, false, ColorLabel::None});
            ASSERT_TRUE(next.ok) << next.error;
            EXPECT_NE(next.packet.find("xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\""),
                      std::string::npos)
                << next.packet;
        }
        ::closedir(h);
    }
}

} // namespace
} // namespace lumora
