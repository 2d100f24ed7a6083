// The folders keep to the map of docs/architecture.md: every #include
// "folder/..." of the sources is an edge the map allows. The allowed edges are
// read from the map itself, so that the two cannot drift apart.

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace {

struct Map {
    QHash<QString, QSet<QString>> allowed;  // folder -> folders it may include
    QString error;
};

// The ```edges block: "folder: other other ..." per line.
Map readMap(const QString& file) {
    Map map;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        map.error = QStringLiteral("cannot read ") + file;
        return map;
    }
    bool inBlock = false;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (!inBlock) {
            inBlock = line == QLatin1String("```edges");
            continue;
        }
        if (line.startsWith(QLatin1String("```"))) break;
        if (line.isEmpty()) continue;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0) {
            map.error = QStringLiteral("unreadable line in the edges block: ") + line;
            return map;
        }
        QSet<QString>& to = map.allowed[line.left(colon).trimmed()];
        for (const QString& d : line.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) to.insert(d);
    }
    if (map.allowed.isEmpty()) map.error = QStringLiteral("no edges block in ") + file;
    return map;
}

// The folder of the map a path belongs to: its longest leading part that the
// map names ("startup/ui/frmAbout.h" -> "startup/ui"); empty when none.
QString folderOf(const Map& map, const QString& path) {
    QStringList parts = path.split(QLatin1Char('/'));
    parts.removeLast();
    while (!parts.isEmpty()) {
        const QString candidate = parts.join(QLatin1Char('/'));
        if (map.allowed.contains(candidate)) return candidate;
        parts.removeLast();
    }
    return {};
}

bool allows(const Map& map, const QString& from, const QString& to) {
    if (from == to) return true;
    const QSet<QString>& ok = map.allowed[from];
    return ok.contains(to) || ok.contains(QStringLiteral("*")) ||
           (to.endsWith(QLatin1String("/ui")) && ok.contains(QStringLiteral("*/ui")));
}

// Top folders of the tree that hold no sources of the program (build folders
// such as build/ and the sanitizer's build-asan/ among them).
bool skipped(const QString& top) {
    return top.startsWith(QLatin1Char('.')) || top.startsWith(QLatin1String("build")) ||
           top == QLatin1String("docs") || top == QLatin1String("scripts") || top == QLatin1String("cmake");
}

}  // namespace

// A small map shows the reading: nested folders, "*/ui" and "*".
TEST(IncludeMapTest, ReadsTheEdgesOfTheMap) {
    QTemporaryDir dir;
    QFile f(dir.filePath("map.md"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "# Map\n\n```edges\ncore:\ndatalib: core\ndatalib/query: core datalib\n"
        "orders/ui: core */ui\ntests: *\n```\nafter: ignored\n");
    f.close();
    const Map map = readMap(f.fileName());
    ASSERT_TRUE(map.error.isEmpty()) << map.error.toStdString();
    EXPECT_EQ(folderOf(map, "datalib/query/QueryParser.cpp"), "datalib/query");
    EXPECT_EQ(folderOf(map, "datalib/DataSource.h"), "datalib");
    EXPECT_EQ(folderOf(map, "orders/Kit.cpp"), "");
    EXPECT_TRUE(allows(map, "datalib/query", "datalib"));
    EXPECT_FALSE(allows(map, "datalib", "datalib/query"));
    EXPECT_FALSE(allows(map, "core", "datalib"));
    EXPECT_TRUE(allows(map, "orders/ui", "startup/ui"));
    EXPECT_FALSE(allows(map, "orders/ui", "datalib"));
    EXPECT_TRUE(allows(map, "tests", "orders/ui"));
    EXPECT_FALSE(map.allowed.contains("after"));
}

TEST(IncludeMapTest, EveryIncludeIsAnEdgeOfTheMap) {
    const QString root = testsupport::sourceDir();
    const Map map = readMap(root + QStringLiteral("/docs/architecture.md"));
    ASSERT_TRUE(map.error.isEmpty()) << map.error.toStdString();

    const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s+"([^"]+)")re"));
    QStringList faults;
    int files = 0;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(root).relativeFilePath(it.next());
        const QString top = rel.section(QLatin1Char('/'), 0, 0);
        if (!rel.contains(QLatin1Char('/')) || skipped(top)) continue;
        const QString from = folderOf(map, rel);
        if (from.isEmpty()) {
            faults << rel + QStringLiteral(": its folder is not in the map");
            continue;
        }
        ++files;
        QFile f(it.filePath());
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
        int number = 0;
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine());
            ++number;
            const QRegularExpressionMatch m = include.match(line);
            if (!m.hasMatch()) continue;
            const QString target = m.captured(1);
            // Only the tree's own folders: "folder/..." of a top folder that exists.
            const QString targetTop = target.section(QLatin1Char('/'), 0, 0);
            if (!target.contains(QLatin1Char('/')) || targetTop.startsWith(QLatin1Char('.')) ||
                !QDir(root + QLatin1Char('/') + targetTop).exists())
                continue;
            const QString to = folderOf(map, target);
            if (to.isEmpty())
                faults << QStringLiteral("%1:%2: %3 is in no folder of the map")
                              .arg(rel)
                              .arg(number)
                              .arg(target);
            else if (!allows(map, from, to))
                faults << QStringLiteral("%1:%2: %3 may not include %4 (%5)")
                              .arg(rel)
                              .arg(number)
                              .arg(from, to, target);
        }
    }
    EXPECT_GT(files, 100);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}
