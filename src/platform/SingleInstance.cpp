#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QtEndian>

#include <unistd.h>

namespace lumora {

namespace {

constexpr char kActivate = 'A';
constexpr char kOpen = 'O';
constexpr char kAck = 'K';

// Reads the request of one connection as its bytes arrive; answers once.
class CRequestReader : public QObject {
public:
    CRequestReader(QLocalSocket* socket, std::function<void(const std::optional<QString>&)> handler)
        : QObject(socket), socket_(socket), handler_(std::move(handler)) {
        connect(socket, &QLocalSocket::readyRead, this, &CRequestReader::onReadyRead);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void onReadyRead() {
        if (done_) {
            socket_->readAll(); // answered already: whatever follows is dropped
            return;
        }
        buffer_ += socket_->readAll();
        const HandOverRequest request = parseHandOverRequest(buffer_);
        if (request.state == HandOverRequest::State::Incomplete)
            return;
        if (request.state == HandOverRequest::State::Rejected) {
            socket_->abort();
            return;
        }
        const std::optional<QString> file = request.file;
        done_ = true;
        QPointer<QLocalSocket> socket(socket_);
        if (handler_)
            handler_(file);
        if (socket) {
            socket->write(&kAck, 1);
            socket->flush();
            socket->disconnectFromServer();
        }
    }

    QLocalSocket* socket_;
    std::function<void(const std::optional<QString>&)> handler_;
    QByteArray buffer_;
    bool done_ = false;
};

} // namespace

HandOverRequest parseHandOverRequest(QByteArrayView bytes) {
    HandOverRequest request;
    if (bytes.isEmpty())
        return request;
    const char command = bytes[0];
    if (command == kActivate) {
        request.state = HandOverRequest::State::Complete;
        request.length = 1;
        return request;
    }
    if (command != kOpen) {
        request.state = HandOverRequest::State::Rejected;
        return request;
    }
    if (bytes.size() < 5)
        return request;
    const quint32 length = qFromBigEndian<quint32>(bytes.data() + 1);
    if (length > CSingleInstance::kMaxPathBytes) {
        request.state = HandOverRequest::State::Rejected;
        return request;
    }
    if (static_cast<quint64>(bytes.size()) < 5ULL + length)
        return request;
    request.state = HandOverRequest::State::Complete;
    request.length = 5 + static_cast<qsizetype>(length);
    const QString path = QString::fromUtf8(bytes.data() + 5, static_cast<qsizetype>(length));
    // Only an absolute path means the same file to both processes.
    if (!path.isEmpty() && QDir::isAbsolutePath(path) && !path.contains(QChar(0)))
        request.file = path;
    return request;
}

QString CSingleInstance::defaultKey() {
    return QStringLiteral("LumoraApplication-%1").arg(static_cast<qulonglong>(::getuid()));
}

CSingleInstance::CSingleInstance(QString key, QObject* parent)
    : QObject(parent), key_(std::move(key)) {}

CSingleInstance::~CSingleInstance() {
    if (server_)
        server_->close();
    server_.reset();
    lock_.reset(); // releases the lock file
}

namespace {

QString runtimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

QString CSingleInstance::socketName() const {
    return QDir(runtimeFolder()).filePath(key_);
}

QString CSingleInstance::lockFilePath() const {
    return QDir(runtimeFolder()).filePath(key_ + QStringLiteral(".lock"));
}

CSingleInstance::Role CSingleInstance::acquire() {
    lock_ = std::make_unique<QLockFile>(lockFilePath());
    // 0: a lock is stale only when its owner process is gone, never by age.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return Role::First;
    const QLockFile::LockError error = lock_->error();
    lock_.reset();
    if (error == QLockFile::LockFailedError)
        return Role::Second;
    return Role::Failed;
}

bool CSingleInstance::markReady() {
    if (server_)
        return true;
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket of this name is a leftover of a crashed
    // instance: remove it, or listening would fail.
    const QString name = socketName();
    QLocalServer::removeServer(name);
    if (!server->listen(name))
        return false;
    connect(server.get(), &QLocalServer::newConnection, this, &CSingleInstance::onNewConnection);
    server_ = std::move(server);
    return true;
}

void CSingleInstance::onNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection())
        new CRequestReader(socket, handler_);
}

CSingleInstance::HandOverResult CSingleInstance::handOver(const QString& file,
                                                          int connectTimeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(connectTimeoutMs))
        return HandOverResult::NotReady;
    QByteArray request;
    if (file.isEmpty()) {
        request.append(kActivate);
    } else {
        const QByteArray path = file.toUtf8();
        request.append(kOpen);
        char length[4];
        qToBigEndian<quint32>(static_cast<quint32>(path.size()), length);
        request.append(length, 4);
        request.append(path);
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(connectTimeoutMs))
        return HandOverResult::NotReady;
    // Synchronous: wait for as long as the first instance takes to read the
    // file, until it answers or goes away.
    while (socket.bytesAvailable() < 1) {
        if (socket.state() != QLocalSocket::ConnectedState)
            return HandOverResult::NotReady;
        socket.waitForReadyRead(1000);
    }
    return socket.read(1) == QByteArray(1, kAck) ? HandOverResult::Delivered
                                                 : HandOverResult::NotReady;
}

} // namespace lumora
