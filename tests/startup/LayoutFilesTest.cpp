// What a layout may read: pictures and pages anywhere the user keeps them,
// none of the program's own files however they are named or reached.

#include "startup/LayoutFiles.h"

#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/RunContext.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

class LayoutFilesTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString workBefore;

    void SetUp() override {
        platform::SettingsStore::setRootDir(path("config"));
        platform::setDataDirOverride(path("data"));
        workBefore = startup::runContext().rootDir;
        startup::runContext().rootDir = path("lavoro");
        for (const char* folder : {"config", "data", "data/Loghi", "data/Scambio/a1b2c3",
                                   "data/Importazione/x", "lavoro", "altrove"})
            QDir().mkpath(path(folder));
    }
    void TearDown() override {
        startup::runContext().rootDir = workBefore;
        platform::SettingsStore::setRootDir(QString());
        platform::setDataDirOverride(QString());
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& data) {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
        f.write(data);
        return f.fileName();
    }
};

}  // namespace

TEST_F(LayoutFilesTest, TheProgramsOwnFilesAreRefusedHoweverTheyAreReached) {
    const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    const QByteArray database = QByteArray("SQLite format 3", 16) + QByteArray(100, '\0');
    write("config/Zelt Order.ini", "[Sede]\nPassword=segreto\n");
    write("data/prtct1.sys", "segreto");
    write("lavoro/ZeltOrder_A01", database);
    write("lavoro/ZeltOrder_A01-journal",
          QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8) + QByteArray(20, '\0'));
    write("data/Scambio/a1b2c3/ricevuto.png", png);
    write("data/Importazione/x/archivio.mdb", png);
    write("altrove/copia.png", database);
    write("altrove/registro.png", QByteArray("\x37\x7f\x06\x82", 4) + QByteArray(28, '\0'));
    write("altrove/OrdiniAgente_A01", png);
    ASSERT_EQ(::symlink(QFile::encodeName(path("config/Zelt Order.ini")).constData(),
                        QFile::encodeName(path("altrove/pagina.html")).constData()),
              0);
    ASSERT_EQ(::link(QFile::encodeName(path("data/prtct1.sys")).constData(),
                     QFile::encodeName(path("altrove/chiave.html")).constData()),
              0);
    const char* refused[] = {
        "config/Zelt Order.ini",
        "data/../config/Zelt Order.ini",
        "data/prtct1.sys",
        "lavoro/ZeltOrder_A01",
        "lavoro/ZeltOrder_A01-journal",
        "data/Scambio/a1b2c3/ricevuto.png",
        "data/Importazione/x/archivio.mdb",
        "altrove/copia.png",     // a database, whatever its name
        "altrove/registro.png",  // a database's write-ahead log
        "altrove/OrdiniAgente_A01",
        "altrove/pagina.html",  // a link to the settings
        "altrove/chiave.html",  // the password file under another name
    };
    for (const char* name : refused) {
        const platform::ReadResult read = startup::readLayoutFile(path(name));
        EXPECT_FALSE(read.data) << name;
        EXPECT_EQ(read.refusal, platform::ReadRefusal::Reserved) << name;
        EXPECT_EQ(startup::layoutReadError(read.refusal), 70) << name;
        EXPECT_EQ(read.reason(name), QStringLiteral("Impossibile leggere ") + name +
                                         ": è un file riservato al programma (configurazione, archivi o "
                                         "copie di scambio)")
            << name;
    }
}

TEST_F(LayoutFilesTest, PicturesAndPagesOfTheUserAreRead) {
    const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    const char* allowed[] = {"data/logo.png", "data/Loghi/carta.png", "lavoro/listino.html",
                             "altrove/foto.png", "data/Scambio.png"};
    for (const char* name : allowed) {
        write(name, png);
        const platform::ReadResult read = startup::readLayoutFile(path(name));
        ASSERT_TRUE(read.data) << name;
        EXPECT_EQ(*read.data, png) << name;
    }
    EXPECT_EQ(startup::readLayoutFile(path("data/manca.png")).refusal, platform::ReadRefusal::Missing);
    EXPECT_EQ(startup::layoutReadError(platform::ReadRefusal::Missing), 53);
    EXPECT_EQ(startup::layoutReadError(platform::ReadRefusal::NotRegular), 75);
}
