// The folders keep to the map of docs/architecture.md: every #include
// "folder/..." of the sources is an edge the map allows. The allowed edges are
// read from the map itself, so that the two cannot drift apart. The build
// keeps to the includes: each folder's library links the libraries whose
// headers it includes, and none that it does not.

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

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

// Every "#include "folder/..."" of a file whose top folder is one of the tree's.
QStringList includesOf(const QString& root, const QString& file) {
    static const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s+"([^"]+)")re"));
    QStringList targets;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return targets;
    while (!f.atEnd()) {
        const QRegularExpressionMatch m = include.match(QString::fromUtf8(f.readLine()));
        if (!m.hasMatch()) continue;
        const QString target = m.captured(1);
        const QString top = target.section(QLatin1Char('/'), 0, 0);
        if (target.contains(QLatin1Char('/')) && !top.startsWith(QLatin1Char('.')) &&
            QDir(root + QLatin1Char('/') + top).exists())
            targets << target;
    }
    return targets;
}

// One zelt_module(<name> [DIR <sub>] PUBLIC ... PRIVATE ...) of a CMakeLists.txt.
struct Module {
    QString name;
    QString dir;          // its folder under the root: "orders" or "orders/ui"
    QSet<QString> links;  // every target of its PUBLIC, PRIVATE and DEPS lists
};

QList<Module> readModules(const QString& root, const QString& cmakeFile) {
    QList<Module> modules;
    QFile f(cmakeFile);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return modules;
    QString text;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
        text += line.section(QLatin1Char('#'), 0, 0) + QLatin1Char(' ');
    const QString folder = QDir(root).relativeFilePath(QFileInfo(cmakeFile).path());
    static const QRegularExpression call(QStringLiteral(R"(\bzelt_module\s*\(([^)]*)\))"));
    for (auto it = call.globalMatch(text); it.hasNext();) {
        const QStringList words =
            it.next().captured(1).split(QRegularExpression(QStringLiteral(R"(\s+)")), Qt::SkipEmptyParts);
        if (words.isEmpty()) continue;
        Module m{words.first(), folder, {}};
        for (qsizetype i = 1; i < words.size(); ++i) {
            const QString& w = words[i];
            if (w == QLatin1String("DIR") && i + 1 < words.size()) {
                m.dir = folder + QLatin1Char('/') + words[++i];
            } else if (w != QLatin1String("PUBLIC") && w != QLatin1String("PRIVATE") &&
                       w != QLatin1String("DEPS")) {
                m.links.insert(w);
            }
        }
        modules << m;
    }
    return modules;
}

// The module whose sources hold a path: the one of the longest folder that
// contains it ("orders/ui/frmOrder.h" is orders_ui's, "datalib/query/..."
// datalib's); null when none.
const Module* moduleOf(const QList<Module>& modules, const QString& path) {
    const Module* best = nullptr;
    for (const Module& m : modules)
        if (path.startsWith(m.dir + QLatin1Char('/')) && (!best || m.dir.size() > best->dir.size()))
            best = &m;
    return best;
}

// What a module's lists and its files' includes disagree on.
QStringList linkFaults(const QString& root, const QList<Module>& modules) {
    QHash<QString, QSet<QString>> used;  // module -> modules whose headers it includes
    QHash<QString, QString> firstUse;    // "module>other" -> the first include that shows it
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(root).relativeFilePath(it.next());
        const Module* from = moduleOf(modules, rel);
        if (!from) continue;
        for (const QString& target : includesOf(root, it.filePath())) {
            const Module* to = moduleOf(modules, target);
            if (!to || to == from) continue;
            used[from->name].insert(to->name);
            firstUse.insert(from->name + QLatin1Char('>') + to->name, rel + QStringLiteral(": ") + target);
        }
    }
    QSet<QString> names;
    for (const Module& m : modules) names.insert(m.name);
    QStringList faults;
    for (const Module& m : modules) {
        for (const QString& other : used.value(m.name))
            if (!m.links.contains(other))
                faults << QStringLiteral("%1 includes %2 without linking it (%3)")
                              .arg(m.name, other, firstUse.value(m.name + QLatin1Char('>') + other));
        for (const QString& other : m.links)
            if (names.contains(other) && !used.value(m.name).contains(other))
                faults << QStringLiteral("%1 links %2 without including it").arg(m.name, other);
    }
    faults.sort();
    return faults;
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

// A small tree shows the comparison: a library that includes one it does not
// link, and one that links a library it never includes.
TEST(IncludeMapTest, ComparesTheLinkListsWithTheIncludes) {
    QTemporaryDir dir;
    const QString root = dir.path();
    const auto write = [&root](const QString& rel, const QByteArray& text) {
        QDir(root).mkpath(QFileInfo(rel).path());
        QFile f(root + QLatin1Char('/') + rel);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("core/Value.h", "#pragma once\n");
    write("platform/Files.h", "#include \"core/Value.h\"\n");
    write("datalib/Engine.cpp", "#include \"core/Value.h\"\n#include \"platform/Files.h\"\n");
    write("datalib/query/Parser.cpp", "#include \"datalib/Engine.h\"\n");
    write("script/Interpreter.cpp", "#include \"core/Value.h\"\n");
    write("orders/ui/frmOrder.cpp", "#include \"datalib/Engine.h\"\n#include <QWidget>\n");
    write("orders/CMakeLists.txt",
          "zelt_module(orders PUBLIC core)\n"
          "# zelt_module(commented PUBLIC core)\n"
          "zelt_module(orders_ui DIR ui PUBLIC datalib\n            PRIVATE script Qt6::Widgets)\n");
    write("core/CMakeLists.txt", "zelt_module(core PUBLIC Qt6::Core)\n");
    write("platform/CMakeLists.txt", "zelt_module(platform PUBLIC core)\n");
    write("datalib/CMakeLists.txt", "zelt_module(datalib PUBLIC core PRIVATE SQLite::SQLite3)\n");
    write("script/CMakeLists.txt", "zelt_module(script PUBLIC core)\n");

    QList<Module> modules;
    for (const char* folder : {"core", "platform", "datalib", "orders", "script"})
        modules << readModules(root, root + QStringLiteral("/%1/CMakeLists.txt").arg(QLatin1String(folder)));
    ASSERT_EQ(modules.size(), 6);
    EXPECT_EQ(moduleOf(modules, "datalib/query/Parser.cpp")->name, "datalib");
    EXPECT_EQ(moduleOf(modules, "orders/ui/frmOrder.cpp")->name, "orders_ui");
    EXPECT_EQ(moduleOf(modules, "orders/Kit.h")->name, "orders");
    EXPECT_EQ(linkFaults(root, modules).join(QLatin1Char('\n')).toStdString(),
              "datalib includes platform without linking it (datalib/Engine.cpp: platform/Files.h)\n"
              "orders links core without including it\n"
              "orders_ui links script without including it");
}

TEST(IncludeMapTest, EveryLibraryLinksWhatItIncludes) {
    const QString root = testsupport::sourceDir();
    QList<Module> modules;
    QDirIterator it(root, {QStringLiteral("CMakeLists.txt")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(root).relativeFilePath(it.next());
        if (skipped(rel.section(QLatin1Char('/'), 0, 0))) continue;
        modules << readModules(root, it.filePath());
    }
    EXPECT_GT(modules.size(), 15);
    const QStringList faults = linkFaults(root, modules);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}
