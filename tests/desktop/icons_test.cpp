// SPDX-License-Identifier: GPL-2.0-or-later
// The painted tray images and host marks: each picture tells its own state
// at every size a panel uses, and keeps a dark rim and a white sign, so it
// reads on light and dark panels alike. With TORVANE_ICON_SHEET set to a
// file name, the images are also drawn on a light and a dark strip into that
// PNG, for people to look at.

#include "desktop/icons.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>

namespace torvane {
namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48};

// How many pixels of `image` are opaque and darker (or lighter) than `level`.
int CountOpaque(const QImage& image, bool dark, int level) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 250) continue;
            const int value = c.value();
            if (dark ? value < level : (value > level && c.saturation() < 20)) ++count;
        }
    return count;
}

TEST(TrayImages, EachStateHasItsOwnPictureWithARimAndASignAtEveryPanelSize) {
    for (const int size : kSizes) {
        QImage images[6];
        for (int i = 0; i < 6; ++i) {
            images[i] = PaintTrayImage(i, size).toImage();
            ASSERT_EQ(images[i].size(), QSize(size, size));
            EXPECT_GE(CountOpaque(images[i], true, 60), size) << "rim of image " << i << " at " << size;
            EXPECT_GE(CountOpaque(images[i], false, 225), size / 2)
                << "sign of image " << i << " at " << size;
            // The corners stay clear, so the panel shows around the disc.
            EXPECT_EQ(images[i].pixelColor(0, 0).alpha(), 0);
            for (int j = 0; j < i; ++j)
                EXPECT_NE(images[i], images[j]) << i << " and " << j << " at " << size;
        }
    }
    EXPECT_NE(HostMark(0).pixmap(16).toImage(), HostMark(1).pixmap(16).toImage());
}

TEST(TrayImages, SheetForPeopleToLookAt) {
    const char* file = std::getenv("TORVANE_ICON_SHEET");
    if (!file) GTEST_SKIP() << "TORVANE_ICON_SHEET names the PNG to draw";
    const int cell = 56;
    QImage sheet(6 * cell, 2 * static_cast<int>(std::size(kSizes)) * cell, QImage::Format_ARGB32);
    QPainter p(&sheet);
    for (int band = 0; band < 2; ++band) {
        for (std::size_t row = 0; row < std::size(kSizes); ++row) {
            const int y = (band * static_cast<int>(std::size(kSizes)) + static_cast<int>(row)) * cell;
            p.fillRect(0, y, sheet.width(), cell, band == 0 ? QColor(0xf2f2f2) : QColor(0x262a2e));
            for (int i = 0; i < 6; ++i) {
                const int size = kSizes[row];
                p.drawPixmap(i * cell + (cell - size) / 2, y + (cell - size) / 2, PaintTrayImage(i, size));
            }
        }
    }
    p.end();
    EXPECT_TRUE(sheet.save(file));
}

}  // namespace
}  // namespace torvane
