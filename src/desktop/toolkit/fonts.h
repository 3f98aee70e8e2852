// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace torvane {

// The heavy display faces of the windows' banners and buttons. Where the
// named face is not installed the nearest sans face stands in, kept as heavy
// as the original.
inline QFont DisplayFont(const QString& family, int pixel_size, bool italic = false,
                         QFont::Weight weight = QFont::Black) {
    QFont font;
    font.setFamilies(QStringList{family, "Nimbus Sans", "DejaVu Sans", "Sans Serif"});
    font.setPixelSize(pixel_size);
    font.setWeight(weight);
    font.setItalic(italic);
    return font;
}

}  // namespace torvane
