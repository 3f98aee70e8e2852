// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/toolkit/reportlist.h"

#include <QHeaderView>

namespace torvane {

QTreeWidget* ReportList(QWidget* parent, const QStringList& columns, const std::vector<int>& leading_widths) {
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(columns);
    for (size_t i = 0; i < leading_widths.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), leading_widths[i]);
    list->header()->setMinimumSectionSize(20);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setSortingEnabled(false);
    list->setUniformRowHeights(true);
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    return list;
}

}  // namespace torvane
