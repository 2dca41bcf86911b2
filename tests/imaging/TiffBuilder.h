#pragma once

// Builds small TIFF structures in memory for parser tests: directories with
// their out-of-line values, in either byte order.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace lumora::testing {

class TiffBuilder {
public:
    struct Entry {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        std::vector<std::uint8_t> data;         // value bytes, already in byte order
        std::optional<std::uint32_t> rawOffset; // written as the value field instead of data
    };

    explicit TiffBuilder(bool littleEndian = true) : le_(littleEndian) {}

    bool LittleEndian() const { return le_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes_.size()); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    // The usual 8-byte header; IFD0's offset is patched by SetIfd0.
    void Header() {
        Raw(le_ ? std::string("II*\0", 4) : std::string("MM\0*", 4));
        U32(0);
    }
    void SetIfd0(std::uint32_t offset) { Patch32(4, offset); }

    std::uint32_t Raw(const std::string& s) {
        return Raw(std::vector<std::uint8_t>(s.begin(), s.end()));
    }
    std::uint32_t Raw(const std::vector<std::uint8_t>& b) {
        const std::uint32_t at = Size();
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return at;
    }
    std::uint32_t U16(std::uint16_t v) { return Raw(Enc16(v)); }
    std::uint32_t U32(std::uint32_t v) { return Raw(Enc32(v)); }
    void Pad(std::uint32_t n, std::uint8_t value = 0) { bytes_.insert(bytes_.end(), n, value); }

    void Patch32(std::uint32_t pos, std::uint32_t v) {
        const auto e = Enc32(v);
        std::memcpy(bytes_.data() + pos, e.data(), 4);
    }

    // Writes a directory at the end and its long values after it. Returns its offset.
    std::uint32_t Ifd(const std::vector<Entry>& entries, std::uint32_t next = 0) {
        const std::uint32_t at = Size();
        U16(static_cast<std::uint16_t>(entries.size()));
        std::vector<std::uint32_t> fixups;
        for (const Entry& e : entries) {
            U16(e.tag);
            U16(e.type);
            U32(e.count);
            if (e.rawOffset) {
                U32(*e.rawOffset);
            } else if (e.data.size() <= 4) {
                std::vector<std::uint8_t> v = e.data;
                v.resize(4, 0);
                Raw(v);
            } else {
                fixups.push_back(U32(0));
            }
        }
        U32(next);
        std::size_t f = 0;
        for (const Entry& e : entries) {
            if (!e.rawOffset && e.data.size() > 4) {
                Patch32(fixups[f++], Raw(e.data));
                if (Size() % 2) {
                    Pad(1);
                }
            }
        }
        return at;
    }
    // Offset of the next-directory field of a directory written by Ifd.
    std::uint32_t NextFieldOf(std::uint32_t ifd, std::size_t count) const {
        return ifd + 2 + 12 * static_cast<std::uint32_t>(count);
    }

    Entry Short(std::uint16_t tag, const std::vector<std::uint16_t>& v) const {
        Entry e{tag, 3, static_cast<std::uint32_t>(v.size()), {}, {}};
        for (auto x : v) {
            Append(e.data, Enc16(x));
        }
        return e;
    }
    Entry Long(std::uint16_t tag, const std::vector<std::uint32_t>& v) const {
        Entry e{tag, 4, static_cast<std::uint32_t>(v.size()), {}, {}};
        for (auto x : v) {
            Append(e.data, Enc32(x));
        }
        return e;
    }
    Entry Rational(std::uint16_t tag, std::uint32_t n, std::uint32_t d,
                   bool isSigned = false) const {
        Entry e{tag, static_cast<std::uint16_t>(isSigned ? 10 : 5), 1, {}, {}};
        Append(e.data, Enc32(n));
        Append(e.data, Enc32(d));
        return e;
    }
    Entry Ascii(std::uint16_t tag, const std::string& s) const {
        Entry e{tag, 2, static_cast<std::uint32_t>(s.size() + 1), {}, {}};
        e.data.assign(s.begin(), s.end());
        e.data.push_back(0);
        return e;
    }
    Entry Undefined(std::uint16_t tag, const std::vector<std::uint8_t>& b) const {
        return Entry{tag, 7, static_cast<std::uint32_t>(b.size()), b, {}};
    }
    Entry At(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
             std::uint32_t offset) const {
        return Entry{tag, type, count, {}, offset};
    }

    std::vector<std::uint8_t> Enc16(std::uint16_t v) const {
        return le_ ? std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8)}
                   : std::vector<std::uint8_t>{std::uint8_t(v >> 8), std::uint8_t(v)};
    }
    std::vector<std::uint8_t> Enc32(std::uint32_t v) const {
        return le_ ? std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8),
                                               std::uint8_t(v >> 16), std::uint8_t(v >> 24)}
                   : std::vector<std::uint8_t>{std::uint8_t(v >> 24), std::uint8_t(v >> 16),
                                               std::uint8_t(v >> 8), std::uint8_t(v)};
    }

private:
    static void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& b) {
        to.insert(to.end(), b.begin(), b.end());
    }
    bool le_;
    std::vector<std::uint8_t> bytes_;
};

// Wraps TIFF bytes into a JPEG: SOI, optional JFIF APP0, APP1 "Exif", EOI.
inline std::vector<std::uint8_t> WrapInJpeg(const std::vector<std::uint8_t>& tiff,
                                            bool withApp0 = false,
                                            std::uint8_t firstMarker = 0xE1) {
    std::vector<std::uint8_t> out{0xFF, 0xD8};
    if (withApp0) {
        const std::uint8_t app0[] = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0,
                                     1,    1,    0,    0,    1,   0,   1,   0,   0};
        out.insert(out.end(), std::begin(app0), std::end(app0));
    }
    const std::size_t length = 2 + 6 + tiff.size();
    out.insert(out.end(), {0xFF, firstMarker, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), {'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

} // namespace lumora::testing
