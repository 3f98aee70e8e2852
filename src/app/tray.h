// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "discovery/hostlistener.h"
#include "discovery/hosttable.h"

namespace torvane {

// The notification-area icon as the desktop offers it.
class TrayPlatform {
public:
    virtual ~TrayPlatform() = default;

    // Whether the desktop has a notification area at all (several Wayland
    // desktops have none).
    virtual bool Available() const = 0;
    // Puts the icon into the notification area.
    virtual void Show() = 0;
    // Picture `image` (0 to 5) on the icon and as the icon of every window.
    virtual void ShowImage(int image) = 0;
    virtual void SetToolTip(const std::string& text) = 0;
    // Host entries of the icon's menu, standing before its fixed items.
    virtual void InsertHostEntry(int position, const std::string& caption) = 0;
    virtual void SetHostEntryCaption(int position, const std::string& caption) = 0;
    virtual void RemoveHostEntry(int position) = 0;
    virtual void SetBusyEntryChecked(bool checked) = 0;
    // A notification from the icon, through the desktop's notification
    // service.
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
    // Takes the icon out of the notification area.
    virtual void Remove() = 0;
};

// The windows that the icon shows and hides.
class TrayWindows {
public:
    virtual ~TrayWindows() = default;

    // The main window visible, in front and active.
    virtual void ShowMainWindow() = 0;
    // Out of the minimised state, then hidden: the main window, the options
    // dialog, the users window and the credits dialog.
    virtual void RestoreAndHideWindows() = 0;
};

enum class TrayClick { kLeft, kRight, kOther };

// The logic of the tray icon: the picture and tip it shows, its host entries
// in step with the host table, what a click on it does, and what minimising
// means. Where the desktop has no notification area the program must stay
// reachable: the main window is shown at start and minimises normally.
class TTrayIcon {
public:
    // The longest tip the icon shows.
    static constexpr std::size_t kMaxTipLength = 63;

    TTrayIcon(TrayPlatform& platform, TrayWindows& windows);

    // The icon is added with image 0 and an empty tip.
    void Add();
    void ShowImage(int image);
    int Image() const { return image_; }
    // Cut to kMaxTipLength characters.
    void SetTip(const std::string& text);
    const std::string& Tip() const { return tip_; }

    void InsertHostEntry(int position);
    void SetHostEntryCaption(int position, const std::string& caption);
    void DeleteHostEntry(int position);
    const std::vector<std::string>& HostEntries() const { return entries_; }

    void SetBusyChecked(bool checked);

    // Left button: the main window comes up. Right button: the desktop pops
    // up the menu itself. Other buttons do nothing.
    void Click(TrayClick click);

    // The application was minimised, whatever minimised it. Answers whether
    // the windows went to the tray; without a notification area they stay
    // minimised as usual (false).
    bool MinimizeHandling();

    // Whether start-up shows the main window.
    bool StartShown(bool start_minimized) const { return !start_minimized || !platform_.Available(); }

    // An event popped the main window up: on many desktops a window cannot
    // bring itself to the front, so the event's text is also shown as a
    // notification.
    void AnnounceEvent(const std::string& text);

    // At exit.
    void Remove();

private:
    TrayPlatform& platform_;
    TrayWindows& windows_;
    int image_ = 0;
    int shown_image_ = -1;  // the picture the platform shows; none yet
    std::string tip_;
    std::vector<std::string> entries_;
    bool shown_ = false;
};

// The tray's host entries in step with the host table, captioned "HOST
// PLAYERS/MAX", before the fixed items: one for each record but the
// strangers', in the table's order.
class TrayHostEntries final : public HostTableListener {
public:
    TrayHostEntries(TTrayIcon& tray, const HostTable& table) : tray_(tray), table_(table) {}
    void ServerAdded(std::size_t index) override;
    void ServerChanged(std::size_t index, unsigned what) override;
    void ServerRemoved(std::size_t index) override;

private:
    int Position(std::size_t index) const;

    TTrayIcon& tray_;
    const HostTable& table_;
    std::vector<bool> listed_;  // a row each: whether it has its entry
};

}  // namespace torvane
