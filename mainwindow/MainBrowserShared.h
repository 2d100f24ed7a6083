#pragma once
// What the files of the main window's browser share, and nothing else
// includes: the title of its message boxes.
//
// The browser is one class spread by job: MainBrowser.cpp (construction, the
// widgets' connections and menus, the tree, layout and splitter, the grid's
// events, the keys and the data library's notifications), SectionView.cpp
// (what a tree node shows: the sections that are not plain tables, the query
// of a view with its criteria, the view put on screen, the empty state) and
// BrowserCommands.cpp (the totals menu, the commands on the current column
// and on the stored selections, the commands deferred until a menu has
// closed). Its widgets are built without behaviour in
// MainBrowserWidgets.{h,cpp}; the browser holds them in w_.

#include "platform/SettingsStore.h"

#include <QString>

namespace mainwindow::detail {

// The title of the browser's message boxes.
inline QString applicationTitle() { return platform::appName(); }

}  // namespace mainwindow::detail
