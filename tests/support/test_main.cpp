// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    // Log stamps use the user's locale, as the program does.
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
