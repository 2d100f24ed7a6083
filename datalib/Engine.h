#pragma once
// The engine: creates and opens a database file with its password, holds the
// open file and the program's transactions, and repairs a file.
// The application object opens the Database over an open engine with the
// program's definition and notification sink.

#include "core/Currency.h"
#include "datalib/Salvage.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace datalib {

class Connection;
class Database;
class itfDefDatabase;
class itfNotifyEvent;
class itfProgress;

// What a repair did: a plain compaction, or a salvage of a damaged file
// with what each table kept, the damaged original kept as `backup`.
struct RepairReport {
    bool salvaged = false;
    std::vector<SalvagedTable> tables;
    QString backup;
};

class Engine {
  public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Creates a new, empty database file protected by the password. The mode
    // and user are accepted as the program passes them (3, ""). An existing
    // file is refused; a failed create leaves no file behind.
    void Create(int mode, const QString& file, const QString& user, const QString& password);
    // Opens an existing file; a missing file, a wrong password and a file that
    // is not a database are refused with their own errors. The further values
    // of the program's open call are accepted and change nothing.
    void Open(int mode, const QString& file, const QString& user, const QString& password, int = 5, int = 1,
              int = 0, int = 2, int = 0, int = -2);
    // Opens, as Open does, a file that comes from outside (head office's
    // copy, an archive chosen for an import), once its schema is known to
    // hold only what the program's definitions make (CheckForeignSchema);
    // `shownName` names it in the refusal.
    void OpenForeign(const QString& file, const QString& password, const QString& shownName);
    // Closes the file (a transaction still open is rolled back).
    void Close(int options = 0);
    void Release(bool = true) { Close(); }
    bool IsOpen() const;
    QString FileName() const;

    // The signed-in operator.
    void SetUser(const QString& name) { user_ = name; }
    const QString& User() const { return user_; }

    // The program's transactions; nested ones are savepoints.
    void BeginTrans();
    void CommitTrans();
    void Rollback();
    bool InTransaction() const;
    int TransactionLevel() const;

    // Runs the one statement the program runs directly (through the Database
    // opened on this engine).
    void Execute(const QString& statement, int options = -1);

    // Compacts the file into a copy with the extension ".NEW", checks the
    // copy's integrity and swaps the two: the original becomes ".BAK", the
    // copy takes its name, the backup is removed last. When pages of the file
    // are damaged the copy is salvaged instead, table by table (progress and
    // stop through `progress`), and the damaged original stays as the backup
    // (".BAK", or ".BAK2" ... when that exists). A failed check leaves the
    // original untouched and raises. The file must not be open.
    // `check` replaces the integrity check (it returns "ok" or the problem).
    static RepairReport Repair(const QString& file, const QString& password,
                               const std::function<QString(const QString& copy)>& check = {},
                               itfProgress* progress = nullptr);

    // For the library.
    std::shared_ptr<Connection> connection() const { return conn_; }
    void setDatabase(const std::weak_ptr<Database>& db) { db_ = db; }

  private:
    // A file from outside (foreignName given) has its schema checked first.
    void openFile(const QString& file, const QString& password, const QString* foreignName);

    std::shared_ptr<Connection> conn_;
    std::weak_ptr<Database> db_;
    QString user_;
};

// The application object of the library.
class Application {
  public:
    // Opens the Database over an open engine: the definition registers its
    // tables, every table is created or upgraded, and the events go to the
    // notification sink. The further values are accepted as the program
    // passes them.
    static std::shared_ptr<Database> OpenDatabase(Engine& engine, itfDefDatabase& definition,
                                                  const QString& exeName, itfNotifyEvent* notify,
                                                  itfProgress* progress = nullptr, int options = 0);
    // The folder of the documents (kept for the program).
    static void SetDocumentsFolder(const QString& folder);
    static QString DocumentsFolder();
    // Text of a library message number (124: the operation was cancelled).
    static QString MessageText(int number);
    // Text of an event code passed to itfNotifyEvent::OnEvent.
    static QString EventText(int code);
};

}  // namespace datalib
