// Background music of the slideshow, played through Qt Multimedia.
//
// Open(path) loads the file and PlayFromStart() plays it from the start;
// when it reaches its end and looping is on, it starts again from the
// beginning; Close() stops it and releases the file. Errors are not
// reported: a missing or unplayable file simply stays silent.
//
// GUI thread only (QMediaPlayer lives on it).
#pragma once

#include <QObject>
#include <QString>

class QAudioOutput;
class QMediaPlayer;

namespace lumora {

class CBgmPlayer : public QObject {
    Q_OBJECT
public:
    explicit CBgmPlayer(QObject* parent = nullptr);
    ~CBgmPlayer() override;

    // "open" + "play from 0 notify".
    void Open(const QString& path);
    void PlayFromStart();
    // "stop" + "close".
    void Close();
    // Restart from the beginning at the end of the music.
    void SetLoop(bool loop) { loop_ = loop; }
    bool IsOpen() const { return open_; }
    bool IsPlaying() const;
    // How often the music reached its end, and how often it was started.
    int endCount() const { return ends_; }
    int startCount() const { return starts_; }
    QMediaPlayer* player() const { return player_; }

signals:
    // The music reached its end (after the loop decision).
    void finished();

private:
    void onEnd();

    QMediaPlayer* player_;
    QAudioOutput* output_;
    bool open_ = false;
    bool loop_ = false;
    int ends_ = 0;
    int starts_ = 0;
};

} // namespace lumora
