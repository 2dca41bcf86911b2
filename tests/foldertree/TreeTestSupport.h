// Shared pieces of the folder-tree tests: a temporary namespace (home,
// desktop, mount table, trash), scripted answers to file-operation
// questions, and a stand-in main window that records the messages it gets.
#pragma once

#include "controls/PaneFocusMessage.h"
#include "foldertree/ShellTreeCtrl.h"
#include "platform/FileOperation.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <deque>
#include <utility>
#include <vector>

namespace lumora::test {

class ScriptedUi : public IFileOperationUi {
public:
    bool deleteAnswer = true;
    bool permanentAnswer = false;
    std::deque<ReplaceAnswer> replaceAnswers;
    QStringList asked;
    QStringList errors;

    bool confirmDelete(const QStringList& paths, bool) override {
        asked << "delete:" + paths.join(',');
        return deleteAnswer;
    }
    bool confirmDeletePermanently(const QString& path) override {
        asked << "permanent:" + path;
        return permanentAnswer;
    }
    ReplaceAnswer askReplace(const QString& target, const QString&) override {
        asked << "replace:" + target;
        if (replaceAnswers.empty())
            return ReplaceAnswer::Cancel;
        auto answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }
    void reportError(const QString& message) override { errors << message; }
    void beginProgress(const QString&, std::int64_t) override {}
    bool progress(std::int64_t, const QString&) override { return true; }
    void endProgress() override {}
};

class MessageLog : public QObject {
public:
    struct Logged {
        int message = 0;
        QTreeWidgetItem* node = nullptr; // TreeSelChangedMessage
        int pane = -1;                   // PaneFocusMessage
    };
    std::vector<Logged> messages;
    int count(int message) const {
        int n = 0;
        for (const auto& m : messages)
            n += m.message == message;
        return n;
    }
    void clear() { messages.clear(); }

protected:
    bool event(QEvent* event) override {
        if (auto* m = MessageCast<TreeSelChangedMessage>(event)) {
            messages.push_back({m->kNumber, m->node});
            return true;
        }
        if (auto* m = MessageCast<PaneFocusMessage>(event)) {
            messages.push_back({m->kNumber, nullptr, m->pane});
            return true;
        }
        if (event->type() >= QEvent::User) {
            messages.push_back({static_cast<int>(event->type())});
            return true;
        }
        return QObject::event(event);
    }
};

// A temporary world: <tmp>/home with <tmp>/home/Desktop, a volume at
// <tmp>/vol, and HOME/XDG_DATA_HOME pointing inside so the trash is ours.
class TempWorld {
public:
    TempWorld() {
        home = temp.path() + "/home";
        desktop = home + "/Desktop";
        data = temp.path() + "/data";
        QDir().mkpath(desktop);
        QDir().mkpath(data);
        QDir().mkpath(temp.path() + "/vol");
        const QString mountInfo = temp.path() + "/mountinfo";
        QFile file(mountInfo);
        file.open(QIODevice::WriteOnly);
        file.write("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
        file.write(
            QStringLiteral("40 22 8:9 / %1/vol rw - ext4 /dev/sdz rw\n").arg(temp.path()).toUtf8());
        file.close();
        config.homePath = home;
        config.desktopPath = desktop;
        config.mountInfoPath = mountInfo;
        config.userSharesPath = temp.path() + "/noshares";
        oldHome = qgetenv("HOME");
        oldData = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_DATA_HOME", data.toUtf8());
    }
    ~TempWorld() {
        qputenv("HOME", oldHome);
        if (oldData.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData);
    }
    void mkdirs(const QStringList& relative) const {
        for (const QString& r : relative)
            QDir().mkpath(home + "/" + r);
    }
    void writeFile(const QString& path, const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    QTemporaryDir temp;
    QString home, desktop, data;
    ShellNamespaceConfig config;
    QByteArray oldHome, oldData;
};

inline QStringList childTexts(const QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i)
        out << item->child(i)->text(0);
    return out;
}

} // namespace lumora::test
