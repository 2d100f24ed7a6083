#pragma once
// What the files of the order window share, and nothing else includes: the
// open database and engine of the run, boxes over the window, the hourglass,
// the settings section and the choices of the category filters.
//
// The window is one class spread by job: frmOrder.cpp (the order as a whole:
// entry points, starting, caption, confirming, cancelling, and binding the
// controls to the commands), frmOrderRows.cpp (the rows and article entry),
// frmOrderCodeEntry.cpp (the code box, the quick list and the keys) and
// frmOrderTabs.cpp (categories, promotions and kits). Its controls are built
// without behaviour in frmOrderWidgets.{h,cpp}; the window holds them in w_.

#include "core/RaiseError.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"

#include <QApplication>
#include <QString>

namespace orders::ui::detail {

inline const QString kAnyChoice = QStringLiteral("- QUALSIASI -");
inline const QString kComplements = QStringLiteral("COMPLEMENTI");
inline constexpr const char* kOrderSection = "Ordine";

// Hourglass for the scope of a command.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

inline datalib::Database& database() {
    auto& db = startup::runContext().database;
    if (!db) core::RaiseGenericError(QStringLiteral("frmOrder"), QStringLiteral("Database non aperto"));
    return *db;
}

inline datalib::Engine& engine() {
    auto& e = startup::runContext().engine;
    if (!e) core::RaiseGenericError(QStringLiteral("frmOrder"), QStringLiteral("Database non aperto"));
    return *e;
}

inline int box(const QString& text, int style, QWidget* owner) {
    return platform::messageBox(text, style, QString(), owner);
}

}  // namespace orders::ui::detail
