// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/wait.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace torvane {

namespace {

// The input a modal wait swallows, as the control names it.
TWaitInput InputOf(const QEvent& event) {
    switch (event.type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const Qt::MouseButton button = static_cast<const QMouseEvent&>(event).button();
            if (button != Qt::LeftButton && button != Qt::RightButton) return TWaitInput::kOther;
            return event.type() == QEvent::MouseButtonPress ? TWaitInput::kButtonDown
                                                            : TWaitInput::kButtonDoubleClick;
        }
        case QEvent::KeyPress:
            return TWaitInput::kKeyDown;
        default:
            return TWaitInput::kOther;
    }
}

}  // namespace

WaitControl::WaitControl(TCustomWait& wait, QWidget* parent, std::function<void()> beep)
    : QWidget(parent), wait_(wait), beep_(std::move(beep)) {
    QFont font("Courier");
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(TCustomWait::kFontSize);
    setFont(font);
    resize(wait_.Width(), wait_.Height());
    setVisible(wait_.Visible());
    wait_.SetView(this);
}

WaitControl::~WaitControl() {
    SetInputFilter(false);
    wait_.SetView(nullptr);
}

void WaitControl::SystemBeep() {
    QApplication::beep();
}

void WaitControl::SetInputFilter(bool installed) {
    if (installed == filtering_ || !qApp) return;
    filtering_ = installed;
    if (installed) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

bool WaitControl::eventFilter(QObject* watched, QEvent* event) {
    // Input reaches a window first and then its widget: judged once, at the
    // widget.
    if (!filtering_ || !watched->isWidgetType()) return QWidget::eventFilter(watched, event);
    // A key that a shortcut or a mnemonic would take is claimed first, so
    // that it arrives as a key press and is swallowed like any other.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (wait_.AppMessage(InputOf(*event))) return true;
    return QWidget::eventFilter(watched, event);
}

void WaitControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (width() != wait_.Width() || height() != wait_.Height()) wait_.SetSize(width(), height());
}

// A white frame, the highlight bar that shrinks as the count runs down, and
// the count over it.
void WaitControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, w - 2, h - 2);
    const QColor highlight = palette().color(QPalette::Highlight);
    painter.setPen(highlight);
    painter.setBrush(highlight);
    const int bar = wait_.BarWidth();
    if (bar > 0) painter.drawRect(3, 3, bar, h - 8);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(4, h / 2 - 8, w - 8, 16), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(wait_.Caption()));
}

}  // namespace torvane
