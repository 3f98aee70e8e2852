// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/toolkit/updown.h"

#include <algorithm>

#include "platform/convert.h"

namespace torvane {

UpDownEdit::UpDownEdit(int minimum, int maximum, int step, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum), step_(step), last_(minimum) {
    setWrapping(false);
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    // Room for the largest number it steps to.
    setMinimumWidth(fontMetrics().horizontalAdvance(QString::number(maximum) + "00") + 24);
}

int UpDownEdit::Position() const {
    last_ = StrToIntDef(text().toStdString(), last_);
    return last_;
}

void UpDownEdit::stepBy(int steps) {
    const long long next = static_cast<long long>(Position()) + static_cast<long long>(steps) * step_;
    const int clamped = static_cast<int>(std::clamp<long long>(next, minimum_, maximum_));
    last_ = clamped;
    setText(QString::number(clamped));  // plain digits, no group separator
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled UpDownEdit::stepEnabled() const {
    const int position = Position();
    StepEnabled enabled = StepNone;
    if (position < maximum_) enabled |= StepUpEnabled;
    if (position > minimum_) enabled |= StepDownEnabled;
    return enabled;
}

}  // namespace torvane
