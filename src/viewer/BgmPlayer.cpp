#include "viewer/BgmPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

namespace lumora {

CBgmPlayer::CBgmPlayer(QObject* parent)
    : QObject(parent), player_(new QMediaPlayer(this)), output_(new QAudioOutput(this)) {
    player_->setAudioOutput(output_);
    connect(player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia)
                    onEnd();
            });
}

CBgmPlayer::~CBgmPlayer() {
    Close();
}

void CBgmPlayer::Open(const QString& path) {
    Close();
    player_->setSource(QUrl::fromLocalFile(path));
    open_ = true;
}

void CBgmPlayer::PlayFromStart() {
    if (!open_)
        return;
    ++starts_;
    player_->setPosition(0);
    player_->play();
}

void CBgmPlayer::Close() {
    if (!open_)
        return;
    open_ = false;
    player_->stop();
    player_->setSource(QUrl());
}

bool CBgmPlayer::IsPlaying() const {
    return open_ && player_->playbackState() == QMediaPlayer::PlayingState;
}

void CBgmPlayer::onEnd() {
    if (!open_)
        return;
    ++ends_;
    if (loop_)
        PlayFromStart();
    emit finished();
}

} // namespace lumora
