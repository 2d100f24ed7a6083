#pragma once
// Small helpers shared by the test folders.

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Root of the source tree (for fixtures under tests/fixtures).
QString sourceDir();

// Path of a file under tests/fixtures.
QString fixturePath(const QString& relative);

}  // namespace testsupport
