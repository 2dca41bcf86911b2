// One running instance per user, and the hand-over from a second one.
//
// Both live in the user's private runtime folder (XDG_RUNTIME_DIR, else the
// per-user folder Qt makes in /tmp), so other users can neither block nor
// reach them. The "mutex" is a lock file (QLockFile) named after the key; it is
// held from start-up to exit and a lock left by a crashed instance is taken
// over (the owner process no longer exists). The running instance listens on
// a local socket of the same name once it is ready (start-up complete); the
// socket file a crashed instance left behind is removed before listening.
//
// A second instance connects, asks the first to raise its window and, when
// it has a file, hands over the file's absolute path; it waits until the
// first instance acknowledges, which it does after it has read the file. A
// second instance that finds the lock held but nobody listening (the first
// is still starting) gives up silently.
//
// Wire format, client to server: one command byte, 'A' (activate) or 'O'
// (activate and open), then for 'O' a 4-byte big-endian length and that many
// bytes of UTF-8 path. Server to client: the byte 'K' once handled.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace lumora {

// A second instance's request as far as its bytes have arrived.
struct HandOverRequest {
    enum class State {
        Incomplete, // more bytes are needed
        Complete,   // whole: answer it
        Rejected,   // unknown command or a path longer than allowed: drop the connection
    };
    State state = State::Incomplete;
    // Complete 'O' requests: the path, when it is a usable absolute one.
    std::optional<QString> file;
    // Bytes the request took (Complete only); anything after them is ignored.
    qsizetype length = 0;
};

// Reads the request at the start of `bytes` (the wire format above). Any
// byte string is safe: lengths are checked before they are used.
HandOverRequest parseHandOverRequest(QByteArrayView bytes);

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        First,  // the lock is ours: start the program
        Second, // another instance holds the lock: hand over and end
        Failed, // the lock could not be created at all: end
    };
    enum class HandOverResult {
        Delivered, // the first instance acknowledged
        NotReady,  // nobody listens (still starting) or it went away
    };

    // Longest path accepted from a second instance, in bytes of UTF-8.
    static constexpr quint32 kMaxPathBytes = 64 * 1024;

    // "LumoraApplication-<uid>".
    static QString defaultKey();

    explicit CSingleInstance(QString key = defaultKey(), QObject* parent = nullptr);
    ~CSingleInstance() override;

    Role acquire();
    // First instance: start listening for second instances (start-up is
    // complete). Returns false when the socket cannot be created.
    bool markReady();
    bool isReady() const { return server_ != nullptr; }

    // Called with the handed-over path (nullopt when only activation was
    // asked for) before the second instance gets its acknowledgement.
    void setHandler(std::function<void(const std::optional<QString>&)> handler) {
        handler_ = std::move(handler);
    }

    // Second instance: ask the first to come to the front and read `file`
    // (an absolute path; empty for none). Blocks until acknowledged, or for
    // at most `connectTimeoutMs` while connecting.
    HandOverResult handOver(const QString& file, int connectTimeoutMs = 2000) const;

    // Full path of the local socket, and of the lock file.
    QString socketName() const;
    QString lockFilePath() const;

private:
    void onNewConnection();

    QString key_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void(const std::optional<QString>&)> handler_;
};

} // namespace lumora
