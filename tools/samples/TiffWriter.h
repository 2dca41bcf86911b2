// Writes TIFF structures (headers, IFDs, out-of-line values, blobs) into a
// byte stream in either byte order. Positions are named by labels so that an
// entry may point at an IFD or blob written later; finish() fills them in.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumora::samples {

enum TiffType : uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
};

struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> data;     // value bytes in the stream's byte order
    std::vector<std::string> refs; // LONG offsets of these labels (relative to refBase)
    std::string refBase;           // "" = the stream's start
    std::string spanEnd;           // UNDEFINED span refs[0]..spanEnd (count filled in)
    std::string dataLabel;         // marks where out-of-line value bytes land
};

class IfdBuilder {
public:
    explicit IfdBuilder(bool littleEndian) : le_(littleEndian) {}

    IfdBuilder& bytes(uint16_t tag, const std::vector<uint8_t>& values);
    IfdBuilder& shorts(uint16_t tag, const std::vector<uint16_t>& values);
    IfdBuilder& longs(uint16_t tag, const std::vector<uint32_t>& values);
    IfdBuilder& ascii(uint16_t tag, const std::string& text); // adds the terminating zero
    IfdBuilder& rational(uint16_t tag, uint32_t num, uint32_t den);
    IfdBuilder& rationals(uint16_t tag, const std::vector<uint32_t>& numDenPairs);
    IfdBuilder& srational(uint16_t tag, int32_t num, int32_t den);
    // dataLabel, when given, names the position of the out-of-line bytes.
    IfdBuilder& undefined(uint16_t tag, const std::vector<uint8_t>& values,
                          const std::string& dataLabel = "");
    // LONG offset(s) of labelled positions, relative to `base` ("" = stream start).
    IfdBuilder& offsetTo(uint16_t tag, const std::string& label, const std::string& base = "");
    IfdBuilder& offsetsTo(uint16_t tag, const std::vector<std::string>& labels,
                          const std::string& base = "");
    // UNDEFINED value covering [start, end) of the stream (a maker note).
    IfdBuilder& span(uint16_t tag, const std::string& start, const std::string& end);
    IfdBuilder& raw(TiffEntry entry);

    const std::vector<TiffEntry>& entries() const { return entries_; }
    bool littleEndian() const { return le_; }

private:
    void put16(std::vector<uint8_t>& out, uint16_t v) const;
    void put32(std::vector<uint8_t>& out, uint32_t v) const;

    bool le_;
    std::vector<TiffEntry> entries_;
};

class TiffStream {
public:
    explicit TiffStream(bool littleEndian) : le_(littleEndian) {}

    bool littleEndian() const { return le_; }
    uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }
    std::vector<uint8_t>& bytes() { return bytes_; }

    void put8(uint8_t v) { bytes_.push_back(v); }
    void put16(uint16_t v);
    void put32(uint32_t v);
    void putBytes(const std::vector<uint8_t>& v) { append(v.data(), v.size()); }
    void putText(const std::string& s) {
        append(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    }
    void append(const uint8_t* p, std::size_t n);
    void align2() {
        if (bytes_.size() % 2)
            bytes_.push_back(0);
    }
    // Zero bytes up to a multiple of n.
    void alignTo(uint32_t n) {
        while (bytes_.size() % n)
            bytes_.push_back(0);
    }

    void mark(const std::string& label);
    void markAt(const std::string& label, uint32_t position);
    uint32_t position(const std::string& label) const; // throws when unknown
    bool has(const std::string& label) const { return labels_.count(label) != 0; }
    // A 4-byte placeholder that becomes position(label) - position(base).
    void ref32(const std::string& label, const std::string& base = "");

    // "II*\0" / "MM\0*" (or a custom 2-byte magic after the byte-order mark)
    // followed by the offset of the IFD labelled ifd0.
    void header(const std::string& ifd0 = "ifd0", uint16_t magic = 42);
    // Writes an IFD (entries sorted by tag) at the next even position under
    // `label`, its out-of-line values right after it. `next` names the next
    // IFD ("" writes 0).
    void writeIfd(const IfdBuilder& ifd, const std::string& label, const std::string& next = "",
                  const std::string& base = "");
    // Bytes under a label, at the next even position.
    void blob(const std::string& label, const std::vector<uint8_t>& data);

    // Resolves every reference; throws std::runtime_error for a missing label.
    void finish();

private:
    struct Fix {
        uint32_t at;
        std::string label, base;
        std::string spanEnd; // when set: a 4-byte count at `at` = end - label
    };
    void patch32(uint32_t at, uint32_t v);

    bool le_;
    std::vector<uint8_t> bytes_;
    std::map<std::string, uint32_t> labels_;
    std::vector<Fix> fixes_;
};

} // namespace lumora::samples
