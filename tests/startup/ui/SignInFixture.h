#pragma once
// A temporary agent database with the operators' table, linked to the windows
// as the main window links the open database, plus helpers that act on a
// modal window once it shows.

#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "support/AgentDatabase.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace signintest {

// The password the test databases are created and opened with.
inline const QString kDbPassword = QStringLiteral("Zt#91x");

struct SignInDb {
    SignInDb();
    ~SignInDb();

    QTemporaryDir dir;
    QString file;  // the agent's database file (agent "A01" in the work folder)
    std::unique_ptr<testsupport::AgentDatabase> data;
    datalib::Engine* engine = nullptr;  // data's, while it is open
    std::shared_ptr<datalib::Database> db;

    // Opens (creating it the first time) the database and links it.
    void open();
    // Closes it (as the main window's release does).
    void release();

    // Sets a column of an operator's row.
    void setUserValue(const QString& user, const QString& column, const core::Variant& value);
    core::Variant userValue(const QString& user, const QString& column);
    void addUser(const QString& name, const core::Variant& level);
    void deleteAllUsers();

    int releases = 0;         // calls of the link's release
    int definitionsMade = 0;  // database definitions made for the program's own opens
};

// Runs `act` on the modal window of type W as soon as it shows (polling the
// event loop a few times); the window is handed as nullptr when none shows.
template <class W>
void whenModal(std::function<void(W*)> act, int tries = 50) {
    QTimer::singleShot(10, [act, tries] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            act(w);
        } else if (tries > 0) {
            whenModal<W>(act, tries - 1);
        } else {
            act(nullptr);
        }
    });
}

}  // namespace signintest
