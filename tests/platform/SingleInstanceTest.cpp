#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QUuid>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

using lumora::CSingleInstance;
using lumora::HandOverRequest;
using lumora::parseHandOverRequest;

namespace {

QString uniqueKey() {
    return QStringLiteral("LumoraTest-%1").arg(QUuid::createUuid().toString(QUuid::Id128));
}

// Each test gets its own event loop owner.
struct App {
    int argc = 1;
    char name[8] = "test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

std::unique_ptr<QProcess> startPeer(const QStringList& args) {
    auto peer = std::make_unique<QProcess>();
    peer->setProcessChannelMode(QProcess::SeparateChannels);
    peer->start(QStringLiteral(PEER_PROGRAM), args);
    return peer;
}

bool waitForLine(QProcess& peer, const QByteArray& line, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (peer.canReadLine() || peer.waitForReadyRead(100)) {
            while (peer.canReadLine()) {
                if (peer.readLine().trimmed() == line)
                    return true;
            }
        }
        if (peer.state() == QProcess::NotRunning && !peer.canReadLine())
            return false;
    }
    return false;
}

int runSecond(const QString& key, const QStringList& extra = {}) {
    QProcess second;
    second.start(QStringLiteral(PEER_PROGRAM), QStringList{key, "second"} + extra);
    if (!second.waitForFinished(30000))
        return -1;
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

void cleanUp(const QString& key) {
    CSingleInstance probe(key);
    QFile::remove(probe.lockFilePath());
    QLocalServer::removeServer(probe.socketName());
}

} // namespace

TEST(SingleInstance, SecondProcessHandsOverAFileAndExitsZero) {
    const QString key = uniqueKey();
    auto first = startPeer({key, "first"});
    ASSERT_TRUE(waitForLine(*first, "READY"));
    const QString file = "/tmp/写真 リスト/a,b;c.lsl";
    EXPECT_EQ(runSecond(key, {file}), 0);
    ASSERT_TRUE(waitForLine(*first, "GOT " + file.toUtf8()));
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitCode(), 0);
    cleanUp(key);
}

TEST(SingleInstance, SecondProcessWithoutFileOnlyActivates) {
    const QString key = uniqueKey();
    auto first = startPeer({key, "first"});
    ASSERT_TRUE(waitForLine(*first, "READY"));
    EXPECT_EQ(runSecond(key), 0);
    EXPECT_TRUE(waitForLine(*first, "GOT-"));
    first->waitForFinished(10000);
    cleanUp(key);
}

TEST(SingleInstance, SecondFindingAStartingFirstEndsWithoutHandOver) {
    const QString key = uniqueKey();
    auto holder = startPeer({key, "hold"});
    ASSERT_TRUE(waitForLine(*holder, "LOCKED"));
    EXPECT_EQ(runSecond(key, {"/tmp/x.lsl"}), 3);
    holder->kill();
    holder->waitForFinished();
    cleanUp(key);
}

TEST(SingleInstance, CrashedInstanceDoesNotBlockTheNextStart) {
    App app;
    const QString key = uniqueKey();
    auto crashed = startPeer({key, "first"});
    ASSERT_TRUE(waitForLine(*crashed, "READY"));
    crashed->kill(); // SIGKILL: lock file and socket file stay behind
    crashed->waitForFinished();
    ASSERT_TRUE(QFile::exists(CSingleInstance(key).lockFilePath()));

    CSingleInstance instance(key);
    ASSERT_EQ(instance.acquire(), CSingleInstance::Role::First);
    ASSERT_TRUE(instance.markReady());
    std::optional<QString> received;
    bool called = false;
    instance.setHandler([&](const std::optional<QString>& file) {
        called = true;
        received = file;
    });
    QProcess second;
    second.start(QStringLiteral(PEER_PROGRAM), {key, "second", "/data/list.lsl"});
    QElapsedTimer timer;
    timer.start();
    while (second.state() != QProcess::NotRunning && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        second.waitForFinished(10);
    }
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(called);
    EXPECT_EQ(received, QString("/data/list.lsl"));
}

TEST(SingleInstance, LockIsReleasedAtExit) {
    App app;
    const QString key = uniqueKey();
    {
        CSingleInstance first(key);
        ASSERT_EQ(first.acquire(), CSingleInstance::Role::First);
        CSingleInstance other(key);
        EXPECT_EQ(other.acquire(), CSingleInstance::Role::Second);
    }
    CSingleInstance again(key);
    EXPECT_EQ(again.acquire(), CSingleInstance::Role::First);
}

namespace {

// Sends raw bytes to a ready instance and reports what the handler saw.
struct RawResult {
    bool called = false;
    std::optional<QString> file;
    QByteArray answer;
};

RawResult sendRaw(const QByteArray& bytes) {
    App app;
    const QString key = uniqueKey();
    CSingleInstance instance(key);
    EXPECT_EQ(instance.acquire(), CSingleInstance::Role::First);
    EXPECT_TRUE(instance.markReady());
    RawResult result;
    instance.setHandler([&](const std::optional<QString>& file) {
        result.called = true;
        result.file = file;
    });
    QLocalSocket socket;
    socket.connectToServer(instance.socketName());
    EXPECT_TRUE(socket.waitForConnected(2000));
    socket.write(bytes);
    socket.flush();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1500 && socket.state() == QLocalSocket::ConnectedState) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        result.answer += socket.readAll();
    }
    result.answer += socket.readAll();
    return result;
}

QByteArray openRequest(const QByteArray& path, quint32 declared) {
    char length[4];
    qToBigEndian<quint32>(declared, length);
    return QByteArray("O") + QByteArray(length, 4) + path;
}

} // namespace

TEST(SingleInstance, HostileRequestsAreRefusedOrIgnored) {
    // A relative path would name another file in the first process.
    RawResult relative = sendRaw(openRequest("list.lsl", 8));
    EXPECT_TRUE(relative.called);
    EXPECT_FALSE(relative.file.has_value());
    EXPECT_EQ(relative.answer, "K");

    // A huge declared length is refused without waiting for the bytes.
    RawResult huge = sendRaw(openRequest("/x", 0xFFFFFFF0u));
    EXPECT_FALSE(huge.called);
    EXPECT_TRUE(huge.answer.isEmpty());

    RawResult unknown = sendRaw("Z");
    EXPECT_FALSE(unknown.called);

    // A path of more than 260 units is handed over whole.
    const QByteArray longPath = "/" + QByteArray(600, 'p') + "/list.lsl";
    RawResult longOne = sendRaw(openRequest(longPath, static_cast<quint32>(longPath.size())));
    EXPECT_EQ(longOne.file, QString::fromUtf8(longPath));
}

TEST(SingleInstance, RequestIsReadWhateverPiecesItArrivesIn) {
    using State = HandOverRequest::State;
    const QByteArray path = "/home/user/写真/a.jpg";
    const QByteArray request = openRequest(path, static_cast<quint32>(path.size()));
    // Every proper prefix waits for more; the whole request is read once.
    for (qsizetype n = 0; n < request.size(); ++n)
        EXPECT_EQ(parseHandOverRequest(QByteArrayView(request).first(n)).state, State::Incomplete)
            << n;
    const HandOverRequest whole = parseHandOverRequest(request + "Ojunk");
    EXPECT_EQ(whole.state, State::Complete);
    EXPECT_EQ(whole.length, request.size());
    EXPECT_EQ(whole.file, QString::fromUtf8(path));

    const HandOverRequest activate = parseHandOverRequest("A/ignored");
    EXPECT_EQ(activate.state, State::Complete);
    EXPECT_EQ(activate.length, 1);
    EXPECT_FALSE(activate.file.has_value());

    // The limit itself is accepted (and waited for); one byte over is refused
    // before any path byte arrives.
    EXPECT_EQ(parseHandOverRequest(openRequest("/", CSingleInstance::kMaxPathBytes)).state,
              State::Incomplete);
    EXPECT_EQ(parseHandOverRequest(openRequest({}, CSingleInstance::kMaxPathBytes + 1)).state,
              State::Rejected);
    EXPECT_EQ(parseHandOverRequest(QByteArray("\0", 1)).state, State::Rejected);

    // A path with a NUL in it, or an empty one, is not handed on.
    const QByteArray nul("/tmp/a\0b", 8);
    EXPECT_FALSE(parseHandOverRequest(openRequest(nul, 8)).file.has_value());
    const HandOverRequest empty = parseHandOverRequest(openRequest({}, 0));
    EXPECT_EQ(empty.state, State::Complete);
    EXPECT_FALSE(empty.file.has_value());
}
