#include "settings/IniFile.h"

#include "platform/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace lumora {

namespace {

// Section and key names compare case-insensitively: by their case-folded
// forms.
QString folded(const QString& name) {
    return name.toCaseFolded();
}

QString singleLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

CIniFile::LoadResult CIniFile::load(const QString& path) {
    *this = CIniFile{};
    QFile file(path);
    if (!file.exists())
        return LoadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Failed;
    if (file.size() > kMaxFileSize)
        return LoadResult::Failed;
    // The size the file has now, and one byte more to see that it grew
    // (then the rest, up to the limit): a read of the largest size allowed
    // would take that much memory whatever the file's size.
    const qint64 size = file.size();
    QByteArray bytes = file.read(size + 1);
    if (bytes.size() > size)
        bytes += file.read(kMaxFileSize + 1 - bytes.size());
    if (bytes.size() > kMaxFileSize)
        return LoadResult::Failed;
    *this = fromText(bytes);
    return LoadResult::Loaded;
}

CIniFile CIniFile::fromText(const QByteArray& utf8) {
    CIniFile ini;
    QByteArray bytes = utf8;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes);
    ini.sections_.push_back(Section{});
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        // A final newline leaves one empty piece behind; it is not a line.
        if (i == lines.size() - 1 && raw.isEmpty())
            break;
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            if (close < 0)
                close = trimmed.size();
            Section section;
            section.name = trimmed.mid(1, close - 1).trimmed();
            section.hasHeader = true;
            section.lines.push_back(Line{raw, {}, {}, false});
            ini.sections_.push_back(std::move(section));
            const QString name = folded(ini.sections_.back().name);
            if (!ini.sectionIndex_.contains(name))
                ini.sectionIndex_.insert(name, ini.sections_.size() - 1);
            continue;
        }
        Line line{raw, {}, {}, false};
        const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
        if (eq > 0 && !trimmed.startsWith(QLatin1Char(';')) &&
            !trimmed.startsWith(QLatin1Char('#'))) {
            line.key = trimmed.left(eq).trimmed();
            line.value = trimmed.mid(eq + 1).trimmed();
            line.isKey = !line.key.isEmpty();
        }
        ini.sections_.back().lines.push_back(std::move(line));
        ini.indexLine(ini.sections_.size() - 1, ini.sections_.back().lines.size() - 1);
    }
    return ini;
}

QByteArray CIniFile::toText() const {
    QString out;
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            out += line.text;
            out += QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

bool CIniFile::save(const QString& path) const {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    // Written whole beside the old file, synced and renamed over it: the old
    // file stays intact until the new one is complete on the disk.
    const QByteArray bytes = toText();
    return WriteFileDurably(QFile::encodeName(info.absoluteFilePath()).toStdString(),
                            std::string_view(bytes.constData(), std::size_t(bytes.size())))
        .ok();
}

void CIniFile::indexLine(std::size_t section, std::size_t line) {
    Section& s = sections_[section];
    const Line& l = s.lines[line];
    if (!l.isKey)
        return;
    s.afterLastKey = line + 1;
    const QString key = folded(l.key);
    if (!s.keys.contains(key))
        s.keys.insert(key, line);
}

const CIniFile::Section* CIniFile::findSection(const QString& name) const {
    const auto it = sectionIndex_.constFind(folded(name));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

CIniFile::Section* CIniFile::findSection(const QString& name) {
    const auto it = sectionIndex_.constFind(folded(name));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

std::optional<QString> CIniFile::value(const QString& section, const QString& key) const {
    const Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    const auto it = found->keys.constFind(folded(key));
    if (it == found->keys.cend())
        return std::nullopt;
    return found->lines[*it].value;
}

QStringList CIniFile::keys(const QString& section) const {
    QStringList out;
    if (const Section* found = findSection(section)) {
        for (const Line& line : found->lines) {
            if (line.isKey)
                out.append(line.key);
        }
    }
    return out;
}

void CIniFile::setValue(const QString& sectionName, const QString& key, const QString& value) {
    const QString clean = singleLine(value).trimmed();
    Section* section = findSection(sectionName);
    if (!section) {
        if (sections_.empty())
            sections_.push_back(Section{});
        // Keep a blank line between sections of a file that has content.
        Section& last = sections_.back();
        if (!last.lines.empty() && !last.lines.back().text.trimmed().isEmpty())
            last.lines.push_back(Line{});
        Section fresh;
        fresh.name = sectionName;
        fresh.hasHeader = true;
        fresh.lines.push_back(
            Line{QLatin1Char('[') + sectionName + QLatin1Char(']'), {}, {}, false});
        sections_.push_back(std::move(fresh));
        sectionIndex_.insert(folded(sectionName), sections_.size() - 1);
        section = &sections_.back();
    }
    const QString foldedKey = folded(key);
    if (const auto it = section->keys.constFind(foldedKey); it != section->keys.cend()) {
        Line& line = section->lines[*it];
        line.value = clean;
        line.text = line.key + QLatin1Char('=') + clean;
        return;
    }
    // After the section's last key; only lines that are not keys follow it.
    const std::size_t insertAt = std::min(section->afterLastKey, section->lines.size());
    section->lines.insert(section->lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                          Line{key + QLatin1Char('=') + clean, key, clean, true});
    section->keys.insert(foldedKey, insertAt);
    section->afterLastKey = insertAt + 1;
}

std::int32_t CIniFile::readInt(const QString& section, const QString& key, std::int32_t def) const {
    const std::optional<QString> text = value(section, key);
    if (!text)
        return def;
    qsizetype i = 0;
    bool negative = false;
    if (i < text->size() && ((*text)[i] == QLatin1Char('-') || (*text)[i] == QLatin1Char('+'))) {
        negative = (*text)[i] == QLatin1Char('-');
        ++i;
    }
    long long magnitude = 0;
    qsizetype digits = 0;
    for (; i < text->size(); ++i) {
        const QChar c = (*text)[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        magnitude = magnitude * 10 + (c.unicode() - '0');
        ++digits;
        if (magnitude > 0x80000000LL)
            return def;
    }
    if (digits == 0)
        return def;
    const long long result = negative ? -magnitude : magnitude;
    if (result > std::numeric_limits<std::int32_t>::max() ||
        result < std::numeric_limits<std::int32_t>::min())
        return def;
    return static_cast<std::int32_t>(result);
}

void CIniFile::writeInt(const QString& section, const QString& key, std::int32_t value) {
    setValue(section, key, QString::number(value));
}

QString CIniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const std::optional<QString> text = value(section, key);
    if (!text)
        return def;
    if (text->size() >= 2 && text->startsWith(QLatin1Char('"')) && text->endsWith(QLatin1Char('"')))
        return text->mid(1, text->size() - 2);
    return *text;
}

void CIniFile::writeString(const QString& section, const QString& key, const QString& value) {
    setValue(section, key, value);
}

QString CIniFile::encodeBinary(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text += QLatin1Char(static_cast<char>('A' + (b & 0x0F)));
        text += QLatin1Char(static_cast<char>('A' + ((b >> 4) & 0x0F)));
    }
    return text;
}

std::optional<QByteArray> CIniFile::decodeBinary(const QString& text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const int low = text[i].unicode() - 'A';
        const int high = text[i + 1].unicode() - 'A';
        if (low < 0 || low > 15 || high < 0 || high > 15)
            return std::nullopt;
        bytes.append(static_cast<char>((high << 4) | low));
    }
    return bytes;
}

std::optional<QByteArray> CIniFile::readBinary(const QString& section, const QString& key) const {
    const std::optional<QString> text = value(section, key);
    if (!text)
        return std::nullopt;
    return decodeBinary(*text);
}

void CIniFile::writeBinary(const QString& section, const QString& key, const QByteArray& bytes) {
    setValue(section, key, encodeBinary(bytes));
}

} // namespace lumora
