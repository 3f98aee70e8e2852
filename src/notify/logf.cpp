// SPDX-License-Identifier: GPL-2.0-or-later
#include "notify/logf.h"

namespace torvane {

TLogForm::TLogForm(LogView& view, const Clock& clock) : view_(view), log_(clock) {}

void TLogForm::AddLogLine(const std::string& text) {
    if (!log_.Enabled()) return;
    log_.AddLogLine(text);
    view_.AppendLine(log_.Lines().back());
}

void TLogForm::SetEnabled(bool enabled) {
    log_.SetEnabled(enabled);
    view_.SetInputEnabled(enabled);
}

}  // namespace torvane
