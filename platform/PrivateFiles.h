#pragma once
// The agent's files (the database with its -wal and -shm, the copies of it,
// the settings) are the user's alone: files 600, folders 700.

#include <QString>

namespace platform {

// Creates the folder with its missing parents; the folders it creates are
// the user's alone. True when the folder exists afterwards.
bool makePrivatePath(const QString& dir);

// Creates the file empty and readable by the user alone when it does not
// exist yet, so that what is written into it later never was readable by
// others. True when the file exists afterwards.
bool createPrivateFile(const QString& path);

// Takes away the rights of group and others from an existing file or folder
// of the user (nothing when it is missing or not the user's).
void makePrivate(const QString& path);

// makePrivate of a database file and of its companions -wal, -shm, -journal.
void makeDatabasePrivate(const QString& file);

}  // namespace platform
