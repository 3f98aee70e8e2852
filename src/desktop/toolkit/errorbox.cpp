// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/toolkit/errorbox.h"

#include <memory>

#include "desktop/toolkit/text.h"

namespace torvane {

QMessageBox* NewErrorBox(const std::string& message, QWidget* parent) {
    auto* box = new QMessageBox(QMessageBox::Critical, "Torvane", QText(message), QMessageBox::Ok, parent);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return box;
}

void RunErrorBox(const std::string& message, QWidget* parent) {
    const std::unique_ptr<QMessageBox> box(NewErrorBox(message, parent));
    box->exec();
}

}  // namespace torvane
