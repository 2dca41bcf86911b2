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
        buffer_ += socket_->readAll();
        if (done_ || buffer_.isEmpty())
            return;
        std::optional<QString> file;
        const char command = buffer_[0];
        if (command == kOpen) {
            if (buffer_.size() < 5)
                return;
            const quint32 length = qFromBigEndian<quint32>(buffer_.constData() + 1);
            if (length > CSingleInstance::kMaxPathBytes) {
                socket_->abort();
                return;
            }
            if (static_cast<quint64>(buffer_.size()) < 5ULL + length)
                return;
            const QString path = QString::fromUtf8(buffer_.constData() + 5, length);
            // Only an absolute path means the same file to both processes.
            if (!path.isEmpty() && QDir::isAbsolutePath(path) && !path.contains(QChar(0)))
                file = path;
        } else if (command != kActivate) {
            socket_->abort();
            return;
        }
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
