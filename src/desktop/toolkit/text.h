// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <string>

namespace torvane {

// Torvane's texts are 8-bit: what game servers and other copies send is
// shown byte for byte, as Latin-1, which every byte sequence is.
inline QString QText(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string PlainText(const QString& text) {
    return text.toLatin1().toStdString();
}

}  // namespace torvane
