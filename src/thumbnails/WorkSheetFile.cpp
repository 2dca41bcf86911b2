#include "thumbnails/WorkSheetFile.h"

#include "platform/DurableFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// A CP932 -> UTF-8 converter, opened on first use and closed with the owner.
class Cp932Decoder {
public:
    Cp932Decoder() = default;
    Cp932Decoder(const Cp932Decoder&) = delete;
    Cp932Decoder& operator=(const Cp932Decoder&) = delete;
    ~Cp932Decoder() {
        if (cd_ != invalid())
            iconv_close(cd_);
    }

    std::string decode(std::string_view in) {
        if (cd_ == invalid() && !failed_) {
            cd_ = iconv_open("UTF-8", "CP932");
            failed_ = cd_ == invalid();
        }
        std::string out;
        if (failed_) {
            // No converter: keep ASCII, replace the rest.
            for (const char c : in)
                if (static_cast<unsigned char>(c) < 0x80)
                    out += c;
                else
                    out += kReplacement;
            return out;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 3 / 2 + 4);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[256];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, sizeof buffer - dstLeft);
            if (r != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ: a byte CP932 does not map; EINVAL: a lead byte at the end.
            out += kReplacement;
            ++src;
            --srcLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t cd_ = invalid();
    bool failed_ = false;
};

std::string decodeLine(std::string_view line, Cp932Decoder& cp932) {
    if (IsValidUtf8(line))
        return std::string(line);
    return cp932.decode(line);
}

bool pathExists(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra = 0;
        unsigned int cp = 0;
        unsigned int min = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
            min = 0x10000;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

std::string DecodeWorkSheetLine(std::string_view line) {
    Cp932Decoder cp932;
    return decodeLine(line, cp932);
}

WorkSheetReadStatus ParseWorkSheetList(std::string_view bytes, WorkSheetList& out) {
    out = WorkSheetList{};
    Cp932Decoder cp932;
    std::size_t pos = 0;
    // Takes the next line without its end (LF, or CR LF); false at the end.
    auto nextLine = [&](std::string_view& line) {
        if (pos >= bytes.size())
            return false;
        std::size_t lf = bytes.find('\n', pos);
        const std::size_t stop = lf == std::string_view::npos ? bytes.size() : lf;
        line = bytes.substr(pos, stop - pos);
        if (!line.empty() && line.back() == '\r' && lf != std::string_view::npos)
            line.remove_suffix(1);
        pos = lf == std::string_view::npos ? bytes.size() : lf + 1;
        return true;
    };

    if (bytes.substr(0, kBom.size()) == kBom)
        pos = kBom.size();
    std::string_view line;
    if (!nextLine(line) || line != kWorkSheetMagic)
        return WorkSheetReadStatus::NotAWorkSheet;
    if (nextLine(line))
        out.name = decodeLine(line, cp932);
    while (nextLine(line)) {
        out.rawEntries.emplace_back(line);
        out.entries.push_back(decodeLine(line, cp932));
    }
    return WorkSheetReadStatus::Ok;
}

WorkSheetReadStatus ReadWorkSheetList(const std::string& path, WorkSheetList& out) {
    out = WorkSheetList{};
    if (path.empty() || path.find('\0') != std::string::npos)
        return WorkSheetReadStatus::CannotOpen;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return WorkSheetReadStatus::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<unsigned long long>(st.st_size) > kMaxWorkSheetFileBytes) {
        ::close(fd);
        return WorkSheetReadStatus::CannotOpen;
    }
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got); // a file that shrank while being read keeps what was read
    return ParseWorkSheetList(bytes, out);
}

ResolvedEntries ResolveWorkSheetEntries(const WorkSheetList& list) {
    ResolvedEntries r;
    r.existing.reserve(list.entries.size());
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        const std::string& decoded = list.entries[i];
        if (pathExists(decoded)) {
            r.existing.push_back(decoded);
        } else if (i < list.rawEntries.size() && list.rawEntries[i] != decoded &&
                   pathExists(list.rawEntries[i])) {
            r.existing.push_back(list.rawEntries[i]);
        } else {
            r.anyMissing = true;
        }
    }
    return r;
}

std::string FormatWorkSheetList(std::string_view name, const std::vector<std::string>& paths) {
    std::size_t size = kWorkSheetMagic.size() + name.size() + 4;
    for (const std::string& p : paths)
        size += p.size() + 2;
    std::string out;
    out.reserve(size);
    out += kWorkSheetMagic;
    out += "\r\n";
    out += name;
    out += "\r\n";
    for (const std::string& p : paths) {
        out += p;
        out += "\r\n";
    }
    return out;
}

bool WriteWorkSheetList(const std::string& path, std::string_view name,
                        const std::vector<std::string>& paths) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    // A line end inside the name or a path would break the file's lines.
    auto hasLineEnd = [](std::string_view s) {
        return s.find_first_of("\r\n") != std::string_view::npos;
    };
    if (hasLineEnd(name))
        return false;
    for (const std::string& p : paths)
        if (hasLineEnd(p))
            return false;

    if (path.back() == '/')
        return false;
    // Written whole to a temporary file beside the old one, synced and
    // renamed over it; a replaced list keeps its mode, a new one is an
    // ordinary document.
    return WriteFileDurably(path, FormatWorkSheetList(name, paths)).ok();
}

} // namespace lumora
