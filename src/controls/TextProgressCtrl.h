// A smooth progress bar that shows a text across its middle.
#pragma once

#include <QString>
#include <QWidget>

namespace lumora {

class CTextProgressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr, int id = 3003);

    void SetRange(int low, int high);
    void SetPos(int pos);
    void SetWindowText(const QString& text);

    int id() const { return id_; }
    int lower() const { return low_; }
    int upper() const { return high_; }
    int pos() const { return pos_; }
    QString text() const { return text_; }
    QSize sizeHint() const override { return {100, 18}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int id_;
    int low_ = 0;
    int high_ = 100;
    int pos_ = 0;
    QString text_;
};

} // namespace lumora
