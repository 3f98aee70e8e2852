// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>

namespace torvane {

// An edit field with an up-down control tied to it. The arrows (and the
// arrow keys and the wheel) step the number in the field by `step` between
// `minimum` and `maximum`, without wrapping, and write it as plain decimal
// digits. What the user types is kept exactly as typed, a text that is no
// number included, so that the setting behind it is converted where it is
// used.
class UpDownEdit final : public QAbstractSpinBox {
public:
    UpDownEdit(int minimum, int maximum, int step, QWidget* parent = nullptr);

    QString text() const { return lineEdit()->text(); }
    void setText(const QString& text) { lineEdit()->setText(text); }
    // The field itself, for its text-change signal and its selection.
    QLineEdit* Edit() const { return lineEdit(); }

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    void fixup(QString&) const override {}

private:
    // The number the arrows step from: the field's, or the last one it held.
    int Position() const;

    int minimum_;
    int maximum_;
    int step_;
    mutable int last_ = 0;
};

}  // namespace torvane
