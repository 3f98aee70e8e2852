// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <QTreeView>
#include <QTreeWidget>
#include <vector>

namespace torvane {

// A read-only report list whose columns do not sort. The last column takes
// what the others leave of the list's width, so it follows every resize of
// the window and every move of a splitter.
QTreeWidget* ReportList(QWidget* parent, const QStringList& columns, const std::vector<int>& leading_widths);

// The same list as a view on `model`, whose header gives the captions.
QTreeView* ReportView(QWidget* parent, QAbstractItemModel* model, const std::vector<int>& leading_widths);

}  // namespace torvane
