#pragma once

#include <QDialog>
#include <QLabel>

namespace torvane {

// The credits dialog: who made Torvane, and two links the desktop opens.
// The OK button and the close box only hide it.
class TCreditForm final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kMailAddress = "torvane@example.org";
    static constexpr const char* kHomepage = "https://torvane.example.org/";

    TCreditForm();

    QLabel* MailLink;
    QLabel* HomepageLink;
};

}  // namespace torvane
