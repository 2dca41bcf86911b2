// A small INI document: sections of "key=value" lines, read and written the
// way the settings store needs it.
//
// - Lines keep their order; comments, blank lines, unknown sections and keys
//   survive a load/save round trip untouched.
// - Section and key names match case-insensitively; the first of duplicate
//   sections or keys wins.
// - Setting an existing key replaces its value in place; a new key goes after
//   the last key of its section, a new section at the end of the file, so a
//   fresh file lists the keys in the order they were first written.
// - Values are raw text up to the end of the line (trimmed); nothing is
//   unescaped, so a hand-edited path with commas or semicolons reads back as
//   written. The file is UTF-8.
// - save() replaces the file whole or not at all (a temporary file in the
//   same folder, fsync, rename, folder fsync): a crash, a full disk or a
//   read-only folder while saving leaves the old file as it was.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumora {

class CIniFile {
public:
    // Largest file load() reads; a larger one is refused.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    enum class LoadResult { Loaded, Missing, Failed };

    // Reads `path`. A missing file gives an empty document (Missing); an
    // unreadable or oversized file gives an empty document too (Failed).
    LoadResult load(const QString& path);
    // Writes the document to `path` atomically, creating the folder if needed.
    bool save(const QString& path) const;

    static CIniFile fromText(const QByteArray& utf8);
    QByteArray toText() const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    // The names of the section's keys, in file order (a name given twice,
    // in any case, is listed each time); empty when there is no such section.
    QStringList keys(const QString& section) const;
    bool contains(const QString& section, const QString& key) const {
        return value(section, key).has_value();
    }

    // Signed decimal integer; missing, non-numeric or out-of-range text gives
    // `def`. Leading digits are taken ("12px" reads as 12).
    std::int32_t readInt(const QString& section, const QString& key, std::int32_t def) const;
    void writeInt(const QString& section, const QString& key, std::int32_t value);
    // Missing key gives `def`; one pair of surrounding double quotes is removed.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Line breaks in `value` are written as spaces (the format has no escapes).
    void writeString(const QString& section, const QString& key, const QString& value);
    // Byte strings are written two letters per byte, 'A' + low nibble then
    // 'A' + high nibble. Missing or malformed text gives nullopt.
    std::optional<QByteArray> readBinary(const QString& section, const QString& key) const;
    void writeBinary(const QString& section, const QString& key, const QByteArray& bytes);

    static QString encodeBinary(const QByteArray& bytes);
    static std::optional<QByteArray> decodeBinary(const QString& text);

private:
    struct Line {
        QString text;  // the line as read (or as built for a new key)
        QString key;   // empty for comments, blanks and other lines
        QString value; // trimmed value of a key line
        bool isKey = false;
    };
    struct Section {
        QString name; // empty for the lines before the first header
        bool hasHeader = false;
        std::vector<Line> lines;
        // Case-folded key -> index in lines of its first key line. New keys
        // go in after the last key line, so no indexed line ever moves.
        QHash<QString, std::size_t> keys;
        std::size_t afterLastKey = 1; // where a new key goes: after the header
    };

    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    void indexLine(std::size_t section, std::size_t line);

    std::vector<Section> sections_;
    // Case-folded name -> index in sections_ of the first section of that
    // name with a header (a program reads and writes some 200 keys at once;
    // a linear search over every line for each of them was the cost).
    QHash<QString, std::size_t> sectionIndex_;
};

} // namespace lumora
