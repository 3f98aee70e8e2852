// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>

namespace torvane {

// The credits dialog: who made Torvane, two links the desktop opens, and
// the version and licence.
// The OK button and the close box only hide it.
class TCreditForm final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kMailAddress = "torvane@example.org";
    static constexpr const char* kHomepage = "https://torvane.example.org/";

    TCreditForm();

    // The version and the licence, shown beneath the credits.
    static QString LicenceText();

    QLabel* MailLink;
    QLabel* HomepageLink;
    QLabel* LicenceLabel;
};

}  // namespace torvane
