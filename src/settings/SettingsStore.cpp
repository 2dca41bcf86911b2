#include "settings/SettingsStore.h"

#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <map>
#include <vector>

namespace lumora {

namespace {

const QString kFrame = QStringLiteral("FrameSettings");
const QString kFolder = QStringLiteral("Folder");

QString appKey(int index) {
    return QStringLiteral("App%1").arg(index, 4, 10, QLatin1Char('0'));
}

// Rows of the key table in load order.
std::vector<const SettingKey*> keysInLoadOrder() {
    std::vector<const SettingKey*> rows;
    for (const SettingKey& k : settingKeys())
        rows.push_back(&k);
    std::sort(rows.begin(), rows.end(),
              [](const SettingKey* a, const SettingKey* b) { return a->loadRank < b->loadRank; });
    return rows;
}

std::int32_t liveValue(const SettingKey& k, const AppSettings& s, const LiveSettingValues& live) {
    switch (k.live) {
    case SettingKey::Live::MainDividerPos:
        return live.MainDividerPos.value_or(k.intOf(s));
    case SettingKey::Live::InfoDividerPos:
        return live.InfoDividerPos.value_or(k.intOf(s));
    case SettingKey::Live::MiniPreviewDividerPos:
        return live.MiniPreviewDividerPos.value_or(k.intOf(s));
    case SettingKey::Live::ShowMiniPreview:
        return live.ShowMiniPreview.value_or(k.intOf(s));
    case SettingKey::Live::None:
        break;
    }
    return k.intOf(s);
}

void loadAppList(const CIniFile& ini, const QString& section, AppSettings& s) {
    s.AppList.clear();
    // App0001 to App<AppCount> in number order, found among the keys the
    // section has: a huge count costs nothing. Only the names the program
    // writes count ("App0001", in any case; not "App1" or "App+001").
    std::map<std::int32_t, QString> byNumber;
    for (const QString& key : ini.keys(section)) {
        if (key.size() < 7 || !key.startsWith(QLatin1String("app"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const std::int32_t n = key.mid(3).toInt(&ok);
        if (!ok || n < 1 || n > s.AppCount || appKey(n).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        if (!byNumber.count(n))
            byNumber.emplace(n, ini.readString(section, key, QString()));
    }
    for (const auto& [n, path] : byNumber) {
        if (!path.isEmpty())
            s.AppList.append(path);
    }
}

} // namespace

void LoadSettings(const CIniFile& ini, AppSettings& s, int screenDpiY) {
    static const std::vector<const SettingKey*> order = keysInLoadOrder();
    const AppSettings d;
    for (const SettingKey* k : order) {
        const QString section = QString::fromLatin1(k->section);
        const QString key = QString::fromLatin1(k->key);
        switch (k->type) {
        case SettingKey::Type::Int:
        case SettingKey::Type::AppList: {
            const std::int32_t def = k->defaultInt(screenDpiY);
            *k->intField(s) = k->sanitize(ini.readInt(section, key, def), def);
            if (k->type == SettingKey::Type::AppList)
                loadAppList(ini, section, s);
            break;
        }
        case SettingKey::Type::FontFace:
            // The record holds at most 99 characters; a longer face is cut.
            *k->textField(s) = ini.readString(section, key, k->textOf(d)).left(kFontFaceMaxChars);
            break;
        case SettingKey::Type::Text:
            *k->textField(s) = ini.readString(section, key, k->textOf(d));
            break;
        }
    }
}

std::int32_t savedAppCount(const AppSettings& s) {
    const auto length = static_cast<std::int32_t>(s.AppList.size());
    return s.AppCount > length ? length : s.AppCount;
}

void SaveSettings(CIniFile& ini, const AppSettings& s, const LiveSettingValues& live) {
    for (const SettingKey& k : settingKeys()) {
        const QString section = QString::fromLatin1(k.section);
        const QString key = QString::fromLatin1(k.key);
        switch (k.type) {
        case SettingKey::Type::Int:
            ini.writeInt(section, key, liveValue(k, s, live));
            break;
        case SettingKey::Type::AppList:
            ini.writeInt(section, key, savedAppCount(s));
            for (qsizetype i = 0; i < s.AppList.size(); ++i)
                ini.writeString(section, appKey(static_cast<int>(i + 1)), s.AppList[i]);
            break;
        case SettingKey::Type::FontFace:
            ini.writeString(section, key, k.textOf(s).left(kFontFaceMaxChars));
            break;
        case SettingKey::Type::Text:
            ini.writeString(section, key, k.textOf(s));
            break;
        }
    }
}

FrameSettings readFrameSettings(const CIniFile& ini, const FrameSettings& created) {
    FrameSettings f;
    f.left = ini.readInt(kFrame, QStringLiteral("left"), created.left);
    f.top = ini.readInt(kFrame, QStringLiteral("top"), created.top);
    f.right = ini.readInt(kFrame, QStringLiteral("right"), created.right);
    f.bottom = ini.readInt(kFrame, QStringLiteral("bottom"), created.bottom);
    f.cmd = ini.readInt(kFrame, QStringLiteral("cmd"), SW_SHOWNORMAL);
    return f;
}

void writeFrameSettings(CIniFile& ini, const FrameSettings& f) {
    ini.writeInt(kFrame, QStringLiteral("left"), f.left);
    ini.writeInt(kFrame, QStringLiteral("top"), f.top);
    ini.writeInt(kFrame, QStringLiteral("right"), f.right);
    ini.writeInt(kFrame, QStringLiteral("bottom"), f.bottom);
    ini.writeInt(kFrame, QStringLiteral("cmd"), f.cmd);
}

std::optional<QString> readBinPath(const CIniFile& ini) {
    const std::optional<QByteArray> bytes = ini.readBinary(kFolder, QStringLiteral("BinPath"));
    if (!bytes || bytes->size() < 2 || bytes->size() % 2 != 0)
        return std::nullopt;
    QString path;
    path.reserve(bytes->size() / 2);
    for (qsizetype i = 0; i + 1 < bytes->size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[i]) |
                                                (static_cast<unsigned char>((*bytes)[i + 1]) << 8));
        if (unit == 0)
            break;
        path += QChar(unit);
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void writeBinPath(CIniFile& ini, const QString& folderPath) {
    QByteArray bytes;
    bytes.reserve((folderPath.size() + 1) * 2);
    for (const QChar c : folderPath) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    bytes.append('\0');
    bytes.append('\0');
    ini.writeBinary(kFolder, QStringLiteral("BinPath"), bytes);
}

bool updateSettingsFile(const QString& path, const std::function<void(CIniFile&)>& apply) {
    CIniFile ini;
    if (ini.load(path) == CIniFile::LoadResult::Failed)
        return false;
    apply(ini);
    return ini.save(path);
}

bool loadSettingsFile(const QString& path, AppSettings& settings, int screenDpiY) {
    CIniFile ini;
    const CIniFile::LoadResult result = ini.load(path);
    LoadSettings(ini, settings, screenDpiY);
    return result != CIniFile::LoadResult::Failed;
}

bool saveSettingsFile(const QString& path, const AppSettings& settings,
                      const LiveSettingValues& live) {
    return updateSettingsFile(path, [&](CIniFile& ini) { SaveSettings(ini, settings, live); });
}

QString settingsFilePathBeside(const QString& programPath) {
    const QFileInfo info(programPath);
    QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return QDir(info.absolutePath()).filePath(name + QStringLiteral(".ini"));
}

bool isFolderWritable(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".lumora-write-test-XXXXXX")));
    return probe.open();
}

QString settingsFilePath(const QString& programPath, const QString& xdgConfigHome,
                         const QString& home,
                         const std::function<bool(const QString&)>& folderWritable) {
    const QString beside = settingsFilePathBeside(programPath);
    const QString folder = QFileInfo(beside).absolutePath();
    const bool writable = folderWritable ? folderWritable(folder) : isFolderWritable(folder);
    if (writable)
        return beside;
    QString configHome = xdgConfigHome;
    // Relative values of XDG_CONFIG_HOME are invalid and ignored.
    if (configHome.isEmpty() || QDir::isRelativePath(configHome))
        configHome =
            QDir(home.isEmpty() ? QDir::homePath() : home).filePath(QStringLiteral(".config"));
    // A renamed copy keeps a file of its own there too.
    return QDir(configHome).filePath(QStringLiteral("lumora/") + QFileInfo(beside).fileName());
}

QString settingsFilePathForProcess(const QString& programPath) {
    return settingsFilePath(programPath, qEnvironmentVariable("XDG_CONFIG_HOME"),
                            qEnvironmentVariable("HOME"));
}

} // namespace lumora
