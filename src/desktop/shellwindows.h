// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QWidget>

#include "app/shell.h"
#include "desktop/mainform.h"
#include "desktop/userform.h"

namespace torvane {

// The desktop's windows as start-up and the options dialog use them: hints
// in every window, where the main and users windows are, stay-on-top, and
// whether the main window shows at start.
class DesktopWindows final : public QObject, public ShellWindows {
    Q_OBJECT

public:
    DesktopWindows(TMainForm& main, UsersWindow& users);

    void SetShowHints(bool show) override { hints_ = show; }
    void PlaceWindows(const WindowGeometry& geometry) override;
    WindowGeometry WindowPlaces() const override;
    void SetStayOnTop(bool main, bool users) override;
    bool StartShown(bool start_minimized) const override { return main_.Tray().StartShown(start_minimized); }

protected:
    // Tool tips of every window, while hints are off.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainForm& main_;
    UsersWindow& users_;
    bool hints_ = true;
    WindowGeometry places_;
};

}  // namespace torvane
