#include "controls/IntegerEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumora {

QString integerParseMessage() {
    return QStringLiteral("整数を入力してください。");
}

QString integerRangeMessage(int minimum, int maximum) {
    return QStringLiteral("%1 から %2 までの整数を入力してください。").arg(minimum).arg(maximum);
}

std::optional<int> parseInteger(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

bool validateInteger(QLineEdit* edit, int minimum, int maximum, int& out) {
    const std::optional<int> v = parseInteger(edit->text());
    if (v && *v >= minimum && *v <= maximum) {
        out = *v;
        return true;
    }
    QMessageBox::warning(edit->window(), QStringLiteral("Lumora"),
                         v ? integerRangeMessage(minimum, maximum) : integerParseMessage());
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

CUpDownEdit::CUpDownEdit(int editId, int spinId, QWidget* parent) : QWidget(parent) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("id%1").arg(editId));
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setObjectName(QStringLiteral("id%1up").arg(spinId));
    down_->setObjectName(QStringLiteral("id%1down").arg(spinId));
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
    }
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(up_);
    buttons->addWidget(down_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    row->addLayout(buttons);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
    connect(edit_, &QLineEdit::textChanged, this, &CUpDownEdit::textChanged);
    edit_->installEventFilter(this);
    setFocusProxy(edit_);
}

void CUpDownEdit::setRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = maximum;
}

void CUpDownEdit::setValue(int v) {
    edit_->setText(QString::number(v));
}

void CUpDownEdit::step(int delta) {
    const std::optional<int> now = parseInteger(edit_->text());
    long long v = now ? static_cast<long long>(*now) + delta : min_;
    if (v < min_)
        v = min_;
    if (v > max_)
        v = max_;
    setValue(static_cast<int>(v));
}

bool CUpDownEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lumora
