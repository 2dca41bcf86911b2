// A real window with a thumbnail view of 40 items for the end-to-end test
// under a virtual X server: every selection change writes the cursor and the
// selected indexes to the state file given as the first argument.
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>

#include <cstring>

using namespace lumora;

namespace {

class StateWriter : public QObject {
public:
    StateWriter(CThumbnailCtrl* view, QString path) : view_(view), path_(std::move(path)) {}
    bool event(QEvent* e) override {
        if (MessageCast<SelCountMessage>(e))
            QMetaObject::invokeMethod(
                this, [this] { write(); }, Qt::QueuedConnection);
        return QObject::event(e);
    }
    void write() {
        QString text =
            QStringLiteral("cursor=%1 top=%2 selected=").arg(view_->cursor()).arg(view_->topRow());
        QStringList sel;
        for (int i = 0; i < view_->Count(); ++i)
            if (view_->list().GetState(i) & kStateSelected)
                sel << QString::number(i);
        text += sel.join(QLatin1Char(',')) + QLatin1Char('\n');
        QFile f(path_);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text.toUtf8());
    }

private:
    CThumbnailCtrl* view_;
    QString path_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    CThumbnailCtrl view(nullptr, 0);
    view.setWindowTitle(QStringLiteral("LumoraE2E"));
    StateWriter writer(&view, QString::fromLocal8Bit(argv[1]));
    view.SetMainWindow(&writer);
    AppSettings s;
    s.ShowFileName = 0;
    s.ShowGuide = 0;
    view.ApplySettings(s, false, false);
    for (int i = 0; i < 40; ++i) {
        ImageItem item =
            ImageItem::FromPath("/e2e/img" + std::to_string(i) + ".jpg", ImageKind::Jpeg);
        item.exifScanned = 1;
        DibImage dib(120, 90);
        std::memset(dib.bits(), 40 + i * 5, dib.byteSize());
        item.thumb.thumbBits = std::move(dib);
        view.list().Add(std::move(item));
    }
    // Four columns of 148 pixels, the cells start at (8, 8) inside the window.
    view.setGeometry(0, 0, 600 + view.verticalScrollBar()->sizeHint().width(), 460);
    view.show();
    view.LayoutScrollBars();
    view.DrawVisibleItems();
    writer.write();
    return app.exec();
}
