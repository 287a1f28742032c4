// The include structure of the program, read off its own `#include` lines. The folders of src/app
// and src/core never include each other round a circle; src/core includes nothing of the window
// (no Qt header, nothing of src/app); the top of the window (src/app/window: the main window and
// the page control, which wire the features together) is included by the program's start alone;
// and the parts every feature shares (src/app/shared) stand on the core only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// One `#include` line of a file of the tree.
struct Include {
    std::string file; // the including file, relative to the source root: "src/app/live/line_watch.cpp"
    int line = 0;
    std::string text; // what stands between the quotes or angle brackets
    bool angled = false;
    std::string target; // the file of the tree it names, relative to the root; empty outside the tree

    std::string where() const {
        const char open = angled ? '<' : '"', close = angled ? '>' : '"';
        return file + ":" + std::to_string(line) + " includes " + open + text + close;
    }
};

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The folder a file belongs to: "app/live", "core/link"; a file directly under src/app (the
// program's start) is "app".
std::string folderOf(const std::string& file) {
    const std::string rest = file.substr(4); // after "src/"
    const auto part = rest.find('/');
    const auto sub = rest.find('/', part + 1);
    return sub == std::string::npos ? rest.substr(0, part) : rest.substr(0, sub);
}

// A quoted include is looked for beside the file, then where the build looks: src/app and src/core
// for the window's files, src/core for the core's (and then src/app, so that a core file naming a
// window header is caught even though it could not build).
std::string resolve(const fs::path& root, const std::string& file, const std::string& text) {
    const bool app = startsWith(file, "src/app/");
    std::vector<fs::path> dirs{fs::path(file).parent_path()};
    for (const char* d : app ? std::vector<const char*>{"src/app", "src/core"}
                             : std::vector<const char*>{"src/core", "src/app"})
        dirs.emplace_back(d);
    for (const auto& dir : dirs)
        if (fs::is_regular_file(root / dir / text)) return (dir / text).lexically_normal().generic_string();
    return {};
}

// The text between the quotes or angle brackets of an #include line, and which of the two.
bool parseInclude(std::string_view line, std::string& text, bool& angled) {
    const auto skipBlanks = [&] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    };
    skipBlanks();
    if (line.empty() || line.front() != '#') return false;
    line.remove_prefix(1);
    skipBlanks();
    if (!line.starts_with("include")) return false;
    line.remove_prefix(7);
    skipBlanks();
    if (line.empty() || (line.front() != '<' && line.front() != '"')) return false;
    angled = line.front() == '<';
    const auto end = line.find(angled ? '>' : '"', 1);
    if (end == std::string_view::npos || end == 1) return false;
    text = std::string(line.substr(1, end - 1));
    return true;
}

std::vector<Include> scan(const fs::path& root) {
    std::vector<Include> out;
    for (const char* top : {"src/app", "src/core"}) {
        if (!fs::is_directory(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const auto ext = entry.path().extension();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            const std::string file = fs::relative(entry.path(), root).generic_string();
            std::ifstream in(entry.path());
            std::string text, target;
            bool angled = false;
            for (int line = 1; std::getline(in, text); ++line) {
                if (!parseInclude(text, target, angled)) continue;
                Include i{file, line, target, angled, {}};
                if (!i.angled) i.target = resolve(root, file, i.text);
                out.push_back(std::move(i));
            }
        }
    }
    return out;
}

// Every circle of folders, one per edge that closes one in a depth-first walk, each step named by
// the include line that makes it.
std::vector<std::string> circles(const std::vector<Include>& includes) {
    std::map<std::string, std::map<std::string, const Include*>> edges; // folder -> folder -> first line
    for (const auto& i : includes) {
        if (i.target.empty()) continue;
        const std::string from = folderOf(i.file), to = folderOf(i.target);
        if (from != to && !edges[from].count(to)) edges[from][to] = &i;
    }
    std::vector<std::string> found;
    std::set<std::string> done;
    std::vector<std::string> path;
    std::function<void(const std::string&)> walk = [&](const std::string& folder) {
        path.push_back(folder);
        for (const auto& [to, include] : edges[folder]) {
            const auto on = std::find(path.begin(), path.end(), to);
            if (on != path.end()) {
                std::string names, lines;
                for (auto p = on; p != path.end(); ++p) {
                    const std::string& next = p + 1 == path.end() ? to : *(p + 1);
                    names += *p + " -> ";
                    lines += "\n    " + edges[*p][next]->where();
                }
                found.push_back("folders include each other round a circle: " + names + to + lines);
            } else if (!done.count(to)) {
                walk(to);
            }
        }
        path.pop_back();
        done.insert(folder);
    };
    for (const auto& [folder, to] : edges)
        if (!done.count(folder)) walk(folder);
    return found;
}

bool isQt(const Include& i) {
    return i.angled && i.text.size() > 1 && i.text[0] == 'Q' &&
           (std::isupper(static_cast<unsigned char>(i.text[1])) || i.text[1] == 't');
}

// The lines that break one rule of the layers.
struct Rule {
    const char* says;
    std::function<bool(const Include&)> broken;
};
const Rule kRules[] = {
    {"src/core includes nothing of the window (no Qt header, no file of src/app)",
     [](const Include& i) {
         return startsWith(i.file, "src/core/") && (isQt(i) || startsWith(i.target, "src/app/"));
     }},
    {"only src/app/main.cpp and the window itself include the top of the window (src/app/window)",
     [](const Include& i) {
         return startsWith(i.target, "src/app/window/") && i.file != "src/app/main.cpp" &&
                !startsWith(i.file, "src/app/window/");
     }},
    {"src/app/shared stands on src/core alone (it includes no other folder of src/app)",
     [](const Include& i) {
         return startsWith(i.file, "src/app/shared/") && startsWith(i.target, "src/app/") &&
                !startsWith(i.target, "src/app/shared/");
     }},
};

std::vector<std::string> breaches(const std::vector<Include>& includes, const Rule& rule) {
    std::vector<std::string> out;
    for (const auto& i : includes)
        if (rule.broken(i)) out.push_back(i.where());
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

TEST(IncludeLayers, NoFoldersIncludeEachOtherRoundACircle) {
    const auto found = circles(scan(VORSAN_SOURCE_DIR));
    EXPECT_TRUE(found.empty()) << joined(found);
}

TEST(IncludeLayers, EveryLayerRuleHolds) {
    const auto includes = scan(VORSAN_SOURCE_DIR);
    ASSERT_GT(includes.size(), 500u); // the tree was found
    for (const auto& rule : kRules) {
        const auto found = breaches(includes, rule);
        EXPECT_TRUE(found.empty()) << rule.says << ", but:\n" << joined(found);
    }
}

// The check itself, on a small tree of its own: a circle through three folders and a core file
// that includes a Qt header and a window header.
TEST(IncludeLayers, ACircleAndACoreBreachAreNamed) {
    char name[] = "/tmp/include_layers_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const fs::path root(name);
    const auto write = [&](const std::string& file, const std::string& text) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << text;
    };
    write("src/app/a/one.h", "#pragma once\n#include \"b/two.h\"\n");
    write("src/app/b/two.h", "#pragma once\n");
    write("src/app/b/two.cpp", "#include \"b/two.h\"\n  #  include \"c/three.h\"\n");
    write("src/app/c/three.h", "#include <QWidget>\n#include \"a/one.h\"\n#include \"link/frame.h\"\n");
    write("src/app/d/four.h", "#pragma once\n");
    write("src/core/link/frame.h", "#include <QString>\n#include <queue>\n#include \"d/four.h\"\n");
    const auto includes = scan(root);

    const auto found = circles(includes);
    ASSERT_EQ(found.size(), 1u) << joined(found);
    for (const char* part :
         {"app/a -> app/b -> app/c -> app/a", "src/app/a/one.h:2 includes \"b/two.h\"",
          "src/app/b/two.cpp:2 includes \"c/three.h\"", "src/app/c/three.h:2 includes \"a/one.h\""})
        EXPECT_NE(found[0].find(part), std::string::npos) << part << " not in\n" << found[0];
    EXPECT_EQ(breaches(includes, kRules[0]),
              (std::vector<std::string>{"src/core/link/frame.h:1 includes <QString>",
                                        "src/core/link/frame.h:3 includes \"d/four.h\""}));
    fs::remove_all(root);
}

} // namespace
