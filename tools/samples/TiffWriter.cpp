#include "TiffWriter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace lumora::samples {

namespace {
TiffEntry makeEntry(uint16_t tag, uint16_t type, uint32_t count) {
    TiffEntry e;
    e.tag = tag;
    e.type = type;
    e.count = count;
    return e;
}
} // namespace

void IfdBuilder::put16(std::vector<uint8_t>& out, uint16_t v) const {
    if (le_) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    } else {
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v));
    }
}

void IfdBuilder::put32(std::vector<uint8_t>& out, uint32_t v) const {
    if (le_) {
        put16(out, static_cast<uint16_t>(v));
        put16(out, static_cast<uint16_t>(v >> 16));
    } else {
        put16(out, static_cast<uint16_t>(v >> 16));
        put16(out, static_cast<uint16_t>(v));
    }
}

IfdBuilder& IfdBuilder::bytes(uint16_t tag, const std::vector<uint8_t>& values) {
    TiffEntry e = makeEntry(tag, kByte, static_cast<uint32_t>(values.size()));
    e.data = values;
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::shorts(uint16_t tag, const std::vector<uint16_t>& values) {
    TiffEntry e = makeEntry(tag, kShort, static_cast<uint32_t>(values.size()));
    for (uint16_t v : values)
        put16(e.data, v);
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::longs(uint16_t tag, const std::vector<uint32_t>& values) {
    TiffEntry e = makeEntry(tag, kLong, static_cast<uint32_t>(values.size()));
    for (uint32_t v : values)
        put32(e.data, v);
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::ascii(uint16_t tag, const std::string& text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    TiffEntry e = makeEntry(tag, kAscii, static_cast<uint32_t>(data.size()));
    e.data = std::move(data);
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::rational(uint16_t tag, uint32_t num, uint32_t den) {
    return rationals(tag, {num, den});
}

IfdBuilder& IfdBuilder::rationals(uint16_t tag, const std::vector<uint32_t>& pairs) {
    TiffEntry e = makeEntry(tag, kRational, static_cast<uint32_t>(pairs.size() / 2));
    for (uint32_t v : pairs)
        put32(e.data, v);
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::srational(uint16_t tag, int32_t num, int32_t den) {
    TiffEntry e = makeEntry(tag, kSRational, 1);
    put32(e.data, static_cast<uint32_t>(num));
    put32(e.data, static_cast<uint32_t>(den));
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::undefined(uint16_t tag, const std::vector<uint8_t>& values,
                                  const std::string& dataLabel) {
    TiffEntry e = makeEntry(tag, kUndefined, static_cast<uint32_t>(values.size()));
    e.data = values;
    e.dataLabel = dataLabel;
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::offsetTo(uint16_t tag, const std::string& label, const std::string& base) {
    return offsetsTo(tag, {label}, base);
}

IfdBuilder& IfdBuilder::offsetsTo(uint16_t tag, const std::vector<std::string>& labels,
                                  const std::string& base) {
    TiffEntry e = makeEntry(tag, kLong, static_cast<uint32_t>(labels.size()));
    e.refs = labels;
    e.refBase = base;
    e.data.assign(labels.size() * 4, 0);
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::span(uint16_t tag, const std::string& start, const std::string& end) {
    TiffEntry e = makeEntry(tag, kUndefined, 0);
    e.refs = {start};
    e.spanEnd = end;
    return raw(std::move(e));
}

IfdBuilder& IfdBuilder::raw(TiffEntry entry) {
    entries_.push_back(std::move(entry));
    return *this;
}

void TiffStream::put16(uint16_t v) {
    if (le_) {
        put8(static_cast<uint8_t>(v));
        put8(static_cast<uint8_t>(v >> 8));
    } else {
        put8(static_cast<uint8_t>(v >> 8));
        put8(static_cast<uint8_t>(v));
    }
}

void TiffStream::put32(uint32_t v) {
    if (le_) {
        put16(static_cast<uint16_t>(v));
        put16(static_cast<uint16_t>(v >> 16));
    } else {
        put16(static_cast<uint16_t>(v >> 16));
        put16(static_cast<uint16_t>(v));
    }
}

void TiffStream::append(const uint8_t* p, std::size_t n) {
    if (n == 0)
        return;
    const std::size_t at = bytes_.size();
    bytes_.resize(at + n);
    std::memcpy(bytes_.data() + at, p, n);
}

void TiffStream::patch32(uint32_t at, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    for (int i = 0; i < 4; ++i)
        bytes_[at + i] = le_ ? b[i] : b[3 - i];
}

void TiffStream::mark(const std::string& label) {
    if (!labels_.emplace(label, size()).second)
        throw std::logic_error("label used twice: " + label);
}

void TiffStream::markAt(const std::string& label, uint32_t position) {
    if (!labels_.emplace(label, position).second)
        throw std::logic_error("label used twice: " + label);
}

uint32_t TiffStream::position(const std::string& label) const {
    if (label.empty())
        return 0;
    auto it = labels_.find(label);
    if (it == labels_.end())
        throw std::runtime_error("unresolved label: " + label);
    return it->second;
}

void TiffStream::ref32(const std::string& label, const std::string& base) {
    fixes_.push_back({size(), label, base, std::string()});
    put32(0);
}

void TiffStream::header(const std::string& ifd0, uint16_t magic) {
    put8(le_ ? 'I' : 'M');
    put8(le_ ? 'I' : 'M');
    put16(magic);
    ref32(ifd0);
}

void TiffStream::writeIfd(const IfdBuilder& ifd, const std::string& label, const std::string& next,
                          const std::string& base) {
    align2();
    mark(label);
    std::vector<TiffEntry> entries = ifd.entries();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
    put16(static_cast<uint16_t>(entries.size()));
    struct Deferred {
        uint32_t valueField;
        const TiffEntry* entry;
    };
    std::vector<Deferred> deferred;
    for (const TiffEntry& e : entries) {
        put16(e.tag);
        put16(e.type);
        if (!e.spanEnd.empty()) {
            fixes_.push_back({size(), e.refs.at(0), std::string(), e.spanEnd});
            put32(0); // count: filled in by finish()
            ref32(e.refs.at(0), base);
            continue;
        }
        put32(e.count);
        if (e.data.size() <= 4) {
            const uint32_t field = size();
            putBytes(e.data);
            for (std::size_t i = e.data.size(); i < 4; ++i)
                put8(0);
            if (!e.refs.empty()) // a single inline offset
                fixes_.push_back({field, e.refs[0], e.refBase, std::string()});
        } else {
            deferred.push_back({size(), &e});
            put32(0);
        }
    }
    if (next.empty())
        put32(0);
    else
        ref32(next, base);
    for (const Deferred& d : deferred) {
        align2();
        const uint32_t at = size();
        fixes_.push_back({d.valueField, "@" + std::to_string(at), base, std::string()});
        labels_.emplace("@" + std::to_string(at), at);
        const TiffEntry& e = *d.entry;
        if (!e.dataLabel.empty())
            mark(e.dataLabel);
        if (e.refs.empty()) {
            putBytes(e.data);
        } else {
            for (const std::string& r : e.refs)
                ref32(r, e.refBase);
        }
    }
}

void TiffStream::blob(const std::string& label, const std::vector<uint8_t>& data) {
    align2();
    mark(label);
    putBytes(data);
}

void TiffStream::finish() {
    for (const Fix& f : fixes_) {
        if (!f.spanEnd.empty())
            patch32(f.at, position(f.spanEnd) - position(f.label));
        else
            patch32(f.at, position(f.label) - position(f.base));
    }
}

} // namespace lumora::samples
