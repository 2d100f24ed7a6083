#pragma once
// The main window's exchange commands: receive updates ("Adjourn"), receive
// everything, send the orders ("Send"), import an archive into the current
// view's table and export the current view. The main window calls them
// through its command members; RegisterExchange installs them at start.

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace datalib {
class DataSource;
}
namespace platform {
class Transfer;
}

namespace exchange {

// The program's internet transfer (the main window's Inet).
platform::Transfer& Inet();

void mnuUpdate(QWidget* mainWindow);
void mnuUploadAll(QWidget* mainWindow);
void mnuSendOrder(QWidget* mainWindow);
// currentView: the main window's current view data source (none: beep);
// refresh: the main window's RefreshDetailView.
void mnuImport(QWidget* mainWindow, const std::shared_ptr<datalib::DataSource>& currentView,
               const std::function<void()>& refresh);
void mnuSave(QWidget* mainWindow, const std::shared_ptr<datalib::DataSource>& currentView);

// Receives everything from head office for a new installation (the first
// archive); used by the first-run preparation.
bool ReceiveFirstArchive(QWidget* parent, const QString& agent);

// Installs the first-archive download in the start-up.
void RegisterExchange();

// The file dialog of the archives and the preview of an archive's rows
// (replaceable, for the tests).
std::function<QString(bool save, QWidget* owner)>& ArchiveFileChooser();
std::function<void(const std::shared_ptr<datalib::DataSource>& rows, QWidget* owner)>& ArchiveRowsViewer();

}  // namespace exchange
