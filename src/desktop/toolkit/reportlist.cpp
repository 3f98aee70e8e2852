// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/toolkit/reportlist.h"

#include <QHeaderView>

namespace torvane {

namespace {

void SetUpReport(QTreeView* list, const std::vector<int>& leading_widths) {
    for (size_t i = 0; i < leading_widths.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), leading_widths[i]);
    list->header()->setMinimumSectionSize(20);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::NoSelection);
}

}  // namespace

QTreeWidget* ReportList(QWidget* parent, const QStringList& columns, const std::vector<int>& leading_widths) {
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(columns);
    SetUpReport(list, leading_widths);
    return list;
}

QTreeView* ReportView(QWidget* parent, QAbstractItemModel* model, const std::vector<int>& leading_widths) {
    auto* list = new QTreeView(parent);
    list->setModel(model);
    SetUpReport(list, leading_widths);
    return list;
}

}  // namespace torvane
