#pragma once

#include "imaging/FileBytes.h"
#include "metadata/ImageInfo.h"
#include "metadata/MakerNotes.h"
#include "metadata/ShootingInfo.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

// File kinds the parser distinguishes (the numeric codes of the file-kind table).
enum RawKind : int {
    kRawKindJpeg = 0,
    kRawKindCr2 = 17,
    kRawKindNef = 18,
    kRawKindOrf = 19,
    kRawKindPef = 20,
    kRawKindMrw = 21,
    kRawKindErf = 22,
    kRawKindRaf = 23,
    kRawKindSr2 = 24,
    kRawKindCrw = 25,
    kRawKindArw = 26,
    kRawKindSrf = 27,
    kRawKindDng = 28,
    kRawKindRw2 = 29,
    kRawKindRwl = 30,
    kRawKindNrw = 31,
    kRawKindSrw = 48,
    kRawKind3fr = 49,
    kRawKindCr3 = 50,
    kRawKindTiff = 257,
};

// The RAW kinds of current cameras: TIFF files whose embedded JPEGs are
// chosen by their sizes (RawParserModern.cpp), and CR3 (RawParserCr3.cpp).
constexpr bool IsModernRawKind(int kind) {
    return (kind >= kRawKindArw && kind <= kRawKindNrw) || kind == kRawKindSrw ||
           kind == kRawKind3fr || kind == kRawKindCr3;
}

// Reads the metadata of one camera file (JPEG with EXIF, TIFF, TIFF-based RAW,
// CRW, MRW, RAF, CR3): the EXIF and maker-note records and where the embedded
// thumbnail and preview JPEGs lie. It never decodes pixels.
//
// The file is untrusted: every offset and count is checked against the file's
// size, reads past the end see zeros, walks and directory counts are bounded.
//
// Threads: a CRawParser holds the open file and the records of the last
// Open, so one object belongs to one thread at a time; the engine keeps one
// per thread (the worker's and the GUI thread's scans never share one).
// The Get* results are copies the caller owns.
class CRawParser {
public:
    // One embedded JPEG seen in a .nef (SubIFDs and the Nikon preview IFD).
    struct JpegCandidate {
        std::uint16_t compression = 0;
        std::uint32_t offset = 0; // relative to the TIFF header
        std::uint32_t length = 0;
        bool fromMakerNote = false;
    };

    CRawParser();
    virtual ~CRawParser();
    CRawParser(const CRawParser&) = delete;
    CRawParser& operator=(const CRawParser&) = delete;

    // Opens the file, resets all state and parses it. Returns non-zero on success.
    int Open(const std::filesystem::path& path, int kind);
    // Parses bytes in memory as if they were the file at path (the path only
    // serves to find a .crw's sidecar). The buffer must stay valid until Close.
    int OpenMemory(const std::uint8_t* data, std::size_t size, int kind,
                   const std::filesystem::path& path = {});
    void Close();
    // The fstat record of the file opened (null for memory or once closed).
    const struct stat* GetFileStatus() const { return bytes_.Status(); }

    void GetImageInfo(ImageInfo& info) const { info = imageInfo_; }
    void GetShootingInfo(ShootingInfo& info) const { info = shootingInfo_; }
    // 0 none, 1 Canon, 2 Nikon, 3 Olympus (no record), 6 Fujifilm, 7 Sony,
    // 8 Panasonic, 9 Samsung.
    int GetMakerNoteKind() const { return makerNoteKind_; }
    void GetMakerNote(MakerNote& note) const { note = makerNote_; }

    std::uint32_t GetThumbnailLength() const { return thumbnailLength_; }
    // Absolute file position of the thumbnail JPEG.
    std::uint64_t GetThumbnailPosition() const {
        return positionsAbsolute_ ? thumbnailOffset_ : tiffBase_ + thumbnailOffset_;
    }
    std::uint32_t GetPreviewLength() const { return previewLength_; }
    // Absolute file position of the preview JPEG.
    std::uint64_t GetPreviewPosition() const {
        return kind_ == kRawKindRaf || positionsAbsolute_ ? previewOffset_
                                                          : tiffBase_ + previewOffset_;
    }
    // Pixel sizes of the thumbnail and preview JPEGs where the file states
    // them (the current RAW kinds); 0 when unknown.
    std::uint32_t GetThumbnailWidth() const { return thumbnailWidth_; }
    std::uint32_t GetThumbnailHeight() const { return thumbnailHeight_; }
    std::uint32_t GetPreviewWidth() const { return previewWidth_; }
    std::uint32_t GetPreviewHeight() const { return previewHeight_; }
    // The picture for a thumbnail box larger than the thumbnail's stated
    // size (the current RAW kinds): the next larger embedded JPEG, such as a
    // CR3's PRVW beside its 160 x 120 THMB. Length 0 when there is none.
    std::uint64_t GetLargeThumbnailPosition() const { return largeThumbPos_; }
    std::uint32_t GetLargeThumbnailLength() const { return largeThumbLength_; }
    std::uint32_t GetLargeThumbnailWidth() const { return largeThumbWidth_; }
    std::uint32_t GetLargeThumbnailHeight() const { return largeThumbHeight_; }
    bool HasSidecarThumbnail() const { return hasSidecar_; }
    // File name (without folder) of a .crw's sidecar thumbnail file.
    const std::string& GetSidecarName() const { return sidecarName_; }

    // Inspection helpers.
    int GetKind() const { return kind_; }
    bool IsLittleEndian() const { return littleEndian_; }
    std::uint64_t GetTiffBase() const { return tiffBase_; }
    std::uint64_t GetFileSize() const { return bytes_.Size(); }
    const std::vector<JpegCandidate>& GetJpegCandidates() const { return jpegCandidates_; }
    std::size_t GetReadCalls() const { return bytes_.ReadCalls(); }
    // Bytes of the open file: Read may read the disk, ReadCached only hands
    // out what the parse has already read.
    std::size_t ReadBytes(std::uint64_t pos, void* dst, std::size_t length) {
        return bytes_.Read(pos, dst, length);
    }
    bool ReadCachedBytes(std::uint64_t pos, void* dst, std::size_t length) const {
        return bytes_.ReadCached(pos, dst, length);
    }

    // Bytes of one value of a TIFF field type (0 for an unknown type).
    static std::uint64_t TypeSize(std::uint16_t type);

    // Limits that keep hostile files cheap.
    static constexpr std::uint32_t kMaxEntries = 100;
    static constexpr std::uint64_t kMaxValueBytes = 2'000'000;
    static constexpr std::size_t kMaxSubIfds = 16;
    static constexpr std::size_t kMaxContainerBlocks = 256;
    static constexpr std::size_t kMaxResources = 4096;
    // Embedded JPEGs weighed by the current RAW kinds.
    static constexpr std::size_t kMaxEmbeddedJpegs = 32;
    // Segments (and fill bytes) of a JPEG looked at before giving up on EXIF.
    static constexpr std::size_t kMaxJpegSegments = 64;

private:
    // One directory entry as the walk hands it to a callback.
    struct Entry {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        std::uint64_t size = 0;      // value bytes (type size x count)
        std::uint64_t entryPos = 0;  // absolute position of the 12-byte entry
        std::uint64_t valuePos = 0;  // absolute position of the value bytes
        std::uint32_t rawOffset = 0; // the entry's last 4 bytes, in the file's byte order
    };
    enum class Ifd {
        Zero,
        Sub,
        Exif,
        One,
        Two,
        Canon,
        Nikon,
        NikonPreview,
        Olympus,
        OlympusSub,
        Minolta,
        Epson,
        Fujifilm,
        Sony,
        Panasonic,
        Samsung,
        Interop, // the EXIF interoperability directory
        Image    // any image directory of a current RAW file (RawParserModern.cpp)
    };
    // One image directory (IFD0, a SubIFD, IFD1) of a current RAW file.
    struct ImageDirectory {
        std::uint32_t subfileType = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::uint16_t compression = 0;
        std::uint16_t photometric = 0;
        std::uint32_t stripOffset = 0;
        std::uint32_t stripLength = 0;
        std::uint32_t stripCount = 0;
        std::uint32_t jpegOffset = 0; // JPEGInterchangeFormat
        std::uint32_t jpegLength = 0;
        std::uint64_t jpgFromRawPos = 0; // tag 0x2E of RW2, absolute
        std::uint32_t jpgFromRawLength = 0;
    };
    // One embedded JPEG of a current RAW file, absolute.
    struct EmbeddedJpeg {
        std::uint64_t pos = 0;
        std::uint32_t length = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
    };

    int Parse();
    void Reset();
    bool ParseJpeg(std::uint64_t pos);
    bool ParseTiffHeader(std::uint64_t pos);
    void ParseTiffStructure(std::uint32_t ifd0Offset);
    bool ParseCrw();
    bool ParseMrw();
    bool ParseRaf();
    bool ParseModernRaw();
    bool ParseModernTiff();
    bool ParseRw2();
    bool ParseCr3();
    bool ReadCr3Tiff(std::uint64_t pos, std::uint64_t length, Ifd which);
    void ParseModernMakerNote();
    void ReadImageDirectory(std::uint32_t offset, std::vector<EmbeddedJpeg>& jpegs,
                            ImageDirectory* out);
    void OnImageDirectory(const Entry& e);
    bool JpegAt(std::uint64_t pos, std::uint32_t length, EmbeddedJpeg& out);
    void ChooseEmbeddedJpegs(const std::vector<EmbeddedJpeg>& jpegs);
    void ParseMakerNote();
    // The Canon, Nikon or Fujifilm note by the make in IFD0 (JPEG, DNG).
    void ParseMakerNoteByMake(std::uint64_t pos);
    void ParseCanon(std::uint64_t pos);
    void ParseNikon(std::uint64_t pos);
    void ParseOlympus(std::uint64_t pos);
    void ParseMinolta(std::uint64_t pos);
    void ParseEpson(std::uint64_t pos);
    void ParseFujifilm(std::uint64_t pos);
    // The notes of current bodies (RawParserMakerNotesCurrent.cpp).
    // headerless: the directory may start right at the note (ARW, SRF, SRW).
    void ParseSony(std::uint64_t pos, bool headerless);
    void ParsePanasonic(std::uint64_t pos);
    void ParseSamsung(std::uint64_t pos, bool anyVersion);
    void OnSony(const Entry& e);
    void OnPanasonic(const Entry& e);
    void OnSamsung(const Entry& e);
    // A text of printable ASCII (trailing zeros and blanks dropped), or
    // nothing when any other byte is in it or it is empty. inNote: the value
    // must lie inside the note's block [noteStart_, noteEnd_).
    std::optional<std::string> PlainText(const Entry& e, bool inNote = true);
    void ApplyNefRule();
    void ScanPhotoshopResources(const Entry& e);
    void ReadCrwSubdirectory(std::uint64_t start, std::uint64_t length);
    void ReadSidecar();

    // Walks the directory at pos; offsets of values are relative to base.
    // Returns false when the directory was not read (too many entries).
    // nextOffset receives the 4 bytes that follow the entries.
    bool WalkIfd(std::uint64_t pos, std::uint64_t base, Ifd which, std::uint32_t* nextOffset);
    void OnEntry(Ifd which, std::uint64_t base, const Entry& e);
    void OnImageInfo(const Entry& e);
    void OnSubIfd(const Entry& e);
    void OnExif(const Entry& e);
    void OnCanon(const Entry& e);
    // Canon maker notes moved by editing software keep offsets that point
    // where the block used to be: the shift that puts the most values back
    // in place (at least half of them, and more than no shift does), 0 when
    // none does (or none is needed).
    std::int64_t CanonShift(std::uint64_t pos, std::uint16_t count);
    bool CanonEntryValid(const Entry& e);
    void OnNikon(std::uint64_t base, const Entry& e);

    // Value readers, in the file's byte order.
    std::uint32_t UInt(const Entry& e, std::uint32_t index = 0);
    float URational(const Entry& e);
    float SRational(const Entry& e);
    std::string Text(const Entry& e, std::size_t maxLength = kMaxTextLength);
    std::uint16_t U16At(std::uint64_t pos) { return bytes_.U16(pos, littleEndian_); }
    std::uint32_t U32At(std::uint64_t pos) { return bytes_.U32(pos, littleEndian_); }
    std::string MakeUpper() const;

    CFileBytes bytes_;
    std::filesystem::path path_;
    int kind_ = 0;
    bool littleEndian_ = true;
    std::uint64_t tiffBase_ = 0;
    std::uint32_t exifIfdOffset_ = 0;
    std::uint32_t interopIfdOffset_ = 0;
    std::uint32_t makerNoteOffset_ = 0;
    std::uint64_t makerNoteLength_ = 0; // bytes of the maker-note block, 0 when unknown
    std::uint32_t ifd1Offset_ = 0;
    std::uint32_t ifd2Offset_ = 0;
    std::vector<std::uint32_t> subIfdOffsets_;
    std::uint32_t thumbnailOffset_ = 0;
    std::uint32_t thumbnailLength_ = 0;
    std::uint64_t previewOffset_ = 0;
    std::uint32_t previewLength_ = 0;
    bool positionsAbsolute_ = false; // thumbnail and preview offsets are file positions
    std::uint32_t thumbnailWidth_ = 0;
    std::uint32_t thumbnailHeight_ = 0;
    std::uint32_t previewWidth_ = 0;
    std::uint32_t previewHeight_ = 0;
    std::uint64_t largeThumbPos_ = 0; // absolute
    std::uint32_t largeThumbLength_ = 0;
    std::uint32_t largeThumbWidth_ = 0;
    std::uint32_t largeThumbHeight_ = 0;
    std::vector<JpegCandidate> jpegCandidates_;
    ImageInfo imageInfo_;
    ShootingInfo shootingInfo_;
    int makerNoteKind_ = kMakerNoteNone;
    MakerNote makerNote_;
    std::optional<std::string> lensModel_; // EXIF LensModel (0xA434), for the notes without one
    std::string sidecarName_;
    bool hasSidecar_ = false;
    std::uint32_t crwWidth_ = 0;
    std::uint32_t crwHeight_ = 0;
    bool crwSizeFound_ = false;

    // Per-directory scratch values while walking.
    std::uint16_t subCompression_ = 0;
    std::uint32_t subJpegOffset_ = 0;
    std::uint32_t subJpegLength_ = 0;
    std::uint32_t olympusSubIfd_ = 0;
    std::uint32_t nikonPreviewIfd_ = 0;
    std::uint32_t fujiDummy_ = 0;
    std::uint64_t canonEntriesEnd_ = 0; // Canon directory: end of its entries
    std::uint64_t canonBlockEnd_ = 0;   // and of the maker-note block
    std::uint64_t noteStart_ = 0;       // Sony, Panasonic, Samsung: the note's block
    std::uint64_t noteEnd_ = 0;
    ImageDirectory directory_; // Ifd::Image
    int depth_ = 0;
};

} // namespace lumora
