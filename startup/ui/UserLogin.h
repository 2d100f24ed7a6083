#pragma once
// Signing the operator in: the operator is found by name or chosen from the
// list of the operators' table "Utenti", the password is checked (and may be
// changed), and the database learns who is signed in and at which access
// level (-1 "Interrogazione", 0 "Solo Ordini", 1 "Amministrazione").
//
// Uses the open database, the main window and its caption through
// mainWindowLink().

#include <QString>

namespace startup {

// login: sign an operator in (false: only check the signed-in operator's
// password, as the change of password does). user: the operator to sign in;
// empty: choose from the list. changePassword: open the password window ready
// for a change. True when the operator is signed in; any failure (a cancelled
// choice or password, an error) gives false without a message of its own.
bool UserLogin(bool& login, QString user, bool& changePassword);

// The three calls of the program: the start (operator "Operatore"), the change
// of operator and the change of password.
bool SignInAtStart();
bool ChangeOperator();
bool ChangePassword();

}  // namespace startup
