#pragma once
// Archives moved outside the online exchange: an exported archive (a
// database file of ours) read into the current view's table, and the current
// view written out as a new archive.

#include "platform/Paths.h"

#include <QString>

#include <memory>

namespace datalib {
class Database;
class DataSource;
class Engine;
class itfProgress;
}  // namespace datalib

namespace exchange {

// An archive chosen for an import, opened from a private copy in the
// program's data folder (the chosen file is never written) with the local definitions: first without a
// password, then with the agent's. Raises with an Italian description.
class ImportArchive {
  public:
    ImportArchive(const QString& file, datalib::Database& local, const QString& agentPassword);
    ~ImportArchive();
    ImportArchive(const ImportArchive&) = delete;
    ImportArchive& operator=(const ImportArchive&) = delete;

    // True when the file held the table.
    bool HasTable(const QString& table) const;
    std::shared_ptr<datalib::DataSource> Rows(const QString& table) const;
    void Close();

  private:
    platform::WorkFolder dir_{platform::kImportWorkFolders};
    std::unique_ptr<datalib::Engine> engine_;
    std::shared_ptr<datalib::Database> db_;
};

// Copies every row of `source` (with its child rows) into `target`'s table in
// one transaction of `local`: committed only when the copy ran to its end;
// a failure or a stop rolls it back. True when committed.
bool ImportRows(datalib::Database& local, datalib::DataSource& source, datalib::DataSource& target,
                datalib::itfProgress* progress);

// Writes the rows of `view` with their child rows into a new archive `file`
// (no password) through a temporary name; the view keeps its current row.
// False when stopped (no file is left). Raises on failure.
bool ExportView(datalib::DataSource& view, const QString& file, datalib::itfProgress* progress);

}  // namespace exchange
