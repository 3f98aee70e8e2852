// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

namespace torvane {

// The six tray images (0 idle, 1 new server, 2 new player, 3 new map,
// 4 room on a full server, 5 players on), painted at every size the
// desktop asks for, so they stay sharp from 16 to 48 pixels. Each is a
// coloured disc with a dark rim and a white sign, readable on light and
// dark panels alike.
QPixmap PaintTrayImage(int image, int size);
QIcon TrayImage(int image);

// The two host row marks: 0 answered, 1 silent.
QIcon HostMark(int mark);

// Beside a buddy, and beside the player count of a server with buddies on
// it: a small blue person.
QIcon BuddyMark();
// Beside the player count of a full server waited for: a violet hourglass,
// the colour of the tray's "room on a full server".
QIcon WaitingMark();

}  // namespace torvane
