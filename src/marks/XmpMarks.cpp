#include "marks/XmpMarks.h"

#include <exiv2/exiv2.hpp>

#include <cmath>
#include <cstdlib>
#include <map>

namespace lumora {

namespace {

constexpr const char* kRatingKey = "Xmp.xmp.Rating";
constexpr const char* kLabelKey = "Xmp.xmp.Label";
constexpr std::string_view kCatalogueNs = "http://www.digikam.org/ns/1.0/";
constexpr std::string_view kDeveloperNs = "http://darktable.sf.net/";
constexpr std::string_view kXmpBasicNs = "http://ns.adobe.com/xap/1.0/";

bool blank(std::string_view bytes) {
    for (char c : bytes)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0')
            return false;
    return true;
}

// Whether text appears in bytes as UTF-8 or as UTF-16 of either order.
bool containsText(std::string_view bytes, std::string_view text) {
    if (bytes.find(text) != std::string_view::npos)
        return true;
    std::string le, be;
    for (char c : text) {
        le.push_back(c);
        le.push_back('\0');
        be.push_back('\0');
        be.push_back(c);
    }
    return bytes.find(le) != std::string_view::npos || bytes.find(be) != std::string_view::npos;
}

std::string namespaceOf(const Exiv2::Xmpdatum& datum) {
    try {
        return Exiv2::XmpProperties::ns(datum.groupName());
    } catch (const std::exception&) {
        return {};
    }
}

// The property name of a datum without array indexes or structure paths
// ("colorlabels" for "Xmp.dt.colorlabels"); empty for nested parts.
std::string topName(const Exiv2::Xmpdatum& datum) {
    const std::string tag = datum.tagName();
    if (tag.find_first_of("[/") != std::string::npos)
        return {};
    return tag;
}

std::optional<ColorLabel> catalogueLabel(long value) {
    switch (value) {
    case 1:
        return ColorLabel::Red;
    case 3:
        return ColorLabel::Yellow;
    case 4:
        return ColorLabel::Green;
    case 5:
        return ColorLabel::Blue;
    case 6:
        return ColorLabel::Purple;
    default:
        return std::nullopt;
    }
}

long catalogueValue(ColorLabel label) {
    switch (label) {
    case ColorLabel::Red:
        return 1;
    case ColorLabel::Yellow:
        return 3;
    case ColorLabel::Green:
        return 4;
    case ColorLabel::Blue:
        return 5;
    case ColorLabel::Purple:
        return 6;
    case ColorLabel::None:
        break;
    }
    return 0;
}

std::optional<long> integerOf(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end == begin || errno != 0 || !std::isfinite(v) || std::fabs(v) > 1e6)
        return std::nullopt;
    return std::lround(v);
}

struct Found {
    bool hasRating = false;
    bool hasLabel = false;
    Marks marks;
    std::string catalogueKey; // key of the catalogue's ColorLabel, if present
    std::string developerKey; // key of the developer's colorlabels, if present
};

Found findMarks(const Exiv2::XmpData& data) {
    Found f;
    std::optional<ColorLabel> xmpLabel, catalogue, developer;
    for (const auto& datum : data) {
        const std::string key = datum.key();
        // A packet may bind the prefix xmp to a namespace of its own.
        const bool basic =
            (key == kRatingKey || key == kLabelKey) && namespaceOf(datum) == kXmpBasicNs;
        if (key == kRatingKey && basic) {
            if (auto v = integerOf(datum.toString())) {
                f.hasRating = true;
                if (*v < 0) {
                    f.marks.reject = true;
                } else {
                    f.marks.rating = static_cast<std::uint8_t>(std::min<long>(*v, 5));
                }
            }
            continue;
        }
        if (key == kLabelKey && basic) {
            xmpLabel = ColorLabelFromName(datum.toString());
            f.hasLabel = f.hasLabel || xmpLabel.has_value();
            continue;
        }
        const std::string name = topName(datum);
        if (name == "ColorLabel" && namespaceOf(datum) == kCatalogueNs) {
            f.catalogueKey = key;
            if (auto v = integerOf(datum.toString()))
                catalogue = catalogueLabel(*v);
        } else if (name == "colorlabels" && namespaceOf(datum) == kDeveloperNs) {
            f.developerKey = key;
            if (datum.count() > 0) {
                if (auto v = integerOf(datum.toString(0)); v && *v >= 0 && *v <= 4)
                    developer = static_cast<ColorLabel>(*v + 1);
            }
        }
    }
    if (xmpLabel)
        f.marks.label = *xmpLabel;
    else if (catalogue)
        f.marks.label = *catalogue;
    else if (developer)
        f.marks.label = *developer;
    f.hasLabel = f.hasLabel || catalogue || developer;
    return f;
}

// Every datum as key -> (type, text), for comparing two packets.
std::map<std::string, std::pair<std::string, std::string>> snapshot(const Exiv2::XmpData& data) {
    std::map<std::string, std::pair<std::string, std::string>> out;
    for (const auto& datum : data)
        out[datum.key()] = {datum.typeName() ? datum.typeName() : "", datum.toString()};
    return out;
}

// Parses packet into data; false (with error) when it does not parse.
// exiv2 keeps the prefixes of every packet it parsed in a process-wide
// registry, where a hostile packet could bind "xmp" to a namespace of its
// own and so send the next file's rating elsewhere: the registry is reset to
// exiv2's own namespaces before each packet.
bool decode(std::string_view packet, Exiv2::XmpData& data, std::string& error) {
    Exiv2::XmpProperties::unregisterNs();
    data.clear();
    if (blank(packet))
        return true;
    const int rc = Exiv2::XmpParser::decode(data, std::string(packet));
    if (rc != 0) {
        error = "XMP の内容を読み取れません（壊れています）。";
        return false;
    }
    // exiv2 reads text without any XMP in it as an empty packet: a file that
    // is not blank and holds no property must still look like a packet.
    if (data.empty() && !containsText(packet, "rdf:RDF")) {
        error = "XMP の形式ではありません。";
        return false;
    }
    return true;
}

// The quick reading of the common sidecar: UTF-8, the XMP basic namespace
// bound to the prefix xmp and to no other, xmp:Rating and xmp:Label at most
// once each as a plain attribute or element, no other program's label
// properties, and a closed packet. Anything else (or anything unusual)
// answers nullopt and the toolkit reads the packet; the folder scan reads
// thousands of sidecars and the toolkit is slow and serialised.
struct Quick {
    bool hasMarks = false;
    Marks marks;
};

std::optional<std::string> quickValue(std::string_view p, std::string_view name, bool& bad) {
    std::optional<std::string> value;
    for (std::size_t at = p.find(name); at != std::string_view::npos; at = p.find(name, at + 1)) {
        const std::size_t end = at + name.size();
        if (end >= p.size()) {
            bad = true;
            return std::nullopt;
        }
        const char next = p[end];
        if (next != '=' && next != '>' && next != ' ' && next != '\t' && next != '\n' &&
            next != '\r' && next != '/')
            continue; // a longer name (xmp:RatingPercent)
        if (value || (at > 0 && p[at - 1] != '<' && p[at - 1] != ' ' && p[at - 1] != '\t' &&
                      p[at - 1] != '\n' && p[at - 1] != '\r' && p[at - 1] != '/')) {
            bad = true; // twice, or part of another name
            return std::nullopt;
        }
        if (at > 0 && p[at - 1] == '/')
            continue; // the closing tag of the element read below
        std::size_t v = end;
        std::size_t stop;
        if (next == '=') {
            if (v + 1 >= p.size() || (p[v + 1] != '"' && p[v + 1] != '\'')) {
                bad = true;
                return std::nullopt;
            }
            const char quote = p[v + 1];
            v += 2;
            stop = p.find(quote, v);
        } else if (next == '>' && at > 0 && p[at - 1] == '<') {
            v += 1;
            stop = p.find('<', v);
            if (stop == std::string_view::npos || p.substr(stop, 2) != "</") {
                bad = true;
                return std::nullopt;
            }
        } else {
            bad = true;
            return std::nullopt;
        }
        if (stop == std::string_view::npos || stop - v > 64 ||
            p.substr(v, stop - v).find_first_of("&<>") != std::string_view::npos) {
            bad = true;
            return std::nullopt;
        }
        value = std::string(p.substr(v, stop - v));
    }
    return value;
}

std::optional<Quick> quickMarks(std::string_view p) {
    if (p.size() > (1u << 20) || p.find('\0') != std::string_view::npos)
        return std::nullopt; // UTF-16/32, or binary
    if (p.find("rdf:RDF") == std::string_view::npos ||
        (p.find("</x:xmpmeta>") == std::string_view::npos &&
         p.find("</rdf:RDF>") == std::string_view::npos))
        return std::nullopt;
    if (p.find("digikam.org/ns") != std::string_view::npos ||
        p.find("darktable.sf.net") != std::string_view::npos)
        return std::nullopt;
    // Every binding of the basic namespace is xmlns:xmp=, and every xmlns:xmp= binds it.
    for (std::size_t at = p.find(kXmpBasicNs); at != std::string_view::npos;
         at = p.find(kXmpBasicNs, at + 1)) {
        if (at < 11 || p.substr(at - 11, 10) != "xmlns:xmp=")
            return std::nullopt;
        const char quote = p[at - 1];
        if ((quote != '"' && quote != '\'') || at + kXmpBasicNs.size() >= p.size() ||
            p[at + kXmpBasicNs.size()] != quote)
            return std::nullopt;
    }
    for (std::size_t at = p.find("xmlns:xmp="); at != std::string_view::npos;
         at = p.find("xmlns:xmp=", at + 1))
        if (at + 11 > p.size() || p.substr(at + 11, kXmpBasicNs.size()) != kXmpBasicNs)
            return std::nullopt; // (a binding cut off at the end of the packet)
    bool bad = false;
    const std::optional<std::string> rating = quickValue(p, "xmp:Rating", bad);
    const std::optional<std::string> label = quickValue(p, "xmp:Label", bad);
    if (bad || ((rating || label) && p.find("xmlns:xmp=") == std::string_view::npos))
        return std::nullopt;
    Quick q;
    if (rating) {
        const std::optional<long> v = integerOf(*rating);
        if (!v)
            return std::nullopt;
        q.hasMarks = true;
        if (*v < 0)
            q.marks.reject = true;
        else
            q.marks.rating = static_cast<std::uint8_t>(std::min<long>(*v, 5));
    }
    if (label) {
        if (const std::optional<ColorLabel> l = ColorLabelFromName(*label)) {
            q.marks.label = *l;
            q.hasMarks = true;
        }
    }
    return q;
}

} // namespace

std::mutex& XmpToolkitLock() {
    static std::mutex lock;
    return lock;
}

void InitXmpToolkit() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard lock(XmpToolkitLock());
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

XmpMarksRead ReadXmpMarks(std::string_view packet) {
    XmpMarksRead result;
    if (const std::optional<Quick> quick = quickMarks(packet)) {
        result.ok = true;
        result.hasMarks = quick->hasMarks;
        result.marks = quick->marks;
        return result;
    }
    InitXmpToolkit();
    std::lock_guard lock(XmpToolkitLock());
    try {
        Exiv2::XmpData data;
        if (!decode(packet, data, result.error))
            return result;
        const Found f = findMarks(data);
        result.ok = true;
        result.hasMarks = f.hasRating || f.hasLabel;
        result.marks = f.marks;
    } catch (const std::exception& e) {
        result.ok = false;
        result.error = std::string("XMP を読み取れません: ") + e.what();
    }
    return result;
}

XmpMarksRewrite RewriteXmpMarks(std::string_view packet, const Marks& marks) {
    InitXmpToolkit();
    XmpMarksRewrite result;
    std::lock_guard lock(XmpToolkitLock());
    try {
        Exiv2::XmpData data;
        if (!decode(packet, data, result.error))
            return result;
        const Found before = findMarks(data);
        auto expected = snapshot(data);

        auto set = [&](const std::string& key, const std::string& text) {
            data[key] = text;
            expected[key] = {"XmpText", text};
        };
        auto erase = [&](const std::string& key) {
            for (auto it = data.begin(); it != data.end();) {
                const std::string k = it->key();
                if (k == key || k.rfind(key + "[", 0) == 0 || k.rfind(key + "/", 0) == 0) {
                    expected.erase(k);
                    it = data.erase(it);
                } else {
                    ++it;
                }
            }
        };

        if (marks.reject != before.marks.reject || marks.rating != before.marks.rating) {
            if (marks.reject)
                set(kRatingKey, "-1");
            else if (marks.rating > 0 || before.hasRating)
                set(kRatingKey, std::to_string(marks.rating));
        }
        if (marks.label != before.marks.label) {
            if (marks.label == ColorLabel::None)
                erase(kLabelKey);
            else
                set(kLabelKey, std::string(ColorLabelName(marks.label)));
            if (!before.catalogueKey.empty())
                set(before.catalogueKey, std::to_string(catalogueValue(marks.label)));
            if (!before.developerKey.empty()) {
                erase(before.developerKey);
                if (marks.label != ColorLabel::None) {
                    Exiv2::XmpArrayValue value(Exiv2::xmpSeq);
                    value.read(std::to_string(static_cast<int>(marks.label) - 1));
                    data.add(Exiv2::XmpKey(before.developerKey), &value);
                    expected[before.developerKey] = {
                        "XmpSeq", static_cast<const Exiv2::Value&>(value).toString()};
                }
            }
        }

        std::string out;
        if (Exiv2::XmpParser::encode(out, data, Exiv2::XmpParser::useCompactFormat) != 0 ||
            out.empty()) {
            result.error = "XMP を書き出せません。";
            return result;
        }
        // The new packet must read back as the old one with only the marks
        // changed; anything else would lose what another program wrote.
        Exiv2::XmpData check;
        if (Exiv2::XmpProperties::ns("xmp") != kXmpBasicNs ||
            Exiv2::XmpParser::decode(check, out) != 0 || snapshot(check) != expected) {
            result.error = "XMP の他の項目を保てないため、書き込みをやめました。";
            return result;
        }
        result.ok = true;
        result.packet = std::move(out);
    } catch (const std::exception& e) {
        result.ok = false;
        result.error = std::string("XMP を書き換えられません: ") + e.what();
    }
    return result;
}

} // namespace lumora
