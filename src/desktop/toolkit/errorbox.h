// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QMessageBox>
#include <QWidget>
#include <string>

namespace torvane {

// The message box of a failure, titled "Torvane". The user can select its
// text and paste it elsewhere: a failure often names a file and the place
// in it to mend. Owned by `parent`, or by the caller without one.
QMessageBox* NewErrorBox(const std::string& message, QWidget* parent);

// Shows a failure and returns once the user has dismissed it.
void RunErrorBox(const std::string& message, QWidget* parent);

}  // namespace torvane
