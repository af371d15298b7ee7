// The source folders' include graph, tests and benchmarks included: every
// edge between the library's top folders is one the table of allowed
// includes names (the order the README states), no folder reaches itself
// through the folders it includes (at the level of top folders such as
// entry/ and of leaf folders such as engines/lpqp/; each test folder such as
// tests/engines/ counts as a top folder), and tests and benchmarks share
// their helpers only through tests/support/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Graph = std::map<std::string, std::set<std::string>>;

// Folders that hold no C++ of the system.
const std::set<std::string> kOutside = {"build", "scripts", ".git", ".ci"};

// The first component of a folder; two for a test folder (tests/engines).
std::string topFolder(const std::string& folder) {
  const size_t first = folder.find('/');
  if (folder.compare(0, first, "tests") != 0 || first == std::string::npos) return folder.substr(0, first);
  return folder.substr(0, folder.find('/', first + 1));
}

// Code above the library: the test folders, the benchmarks and the fuzz
// targets.
bool aboveLibrary(const std::string& folder) {
  return folder.rfind("tests", 0) == 0 || folder == "bench" || folder == "fuzz" || folder == "examples";
}

bool outsideLibrary(const fs::path& relative) {
  const std::string first = relative.begin()->string();
  return kOutside.count(first) || first.rfind("build", 0) == 0;
}

// Folder -> folders its files include with a quoted "folder/File.h" path,
// leaf folders or (top) their first component.
Graph includeGraph(bool top) {
  const fs::path root = CORVAN_SOURCE;
  const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)/[^/"]+")re");
  Graph graph;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path relative = fs::relative(it->path(), root);
    if (it->is_directory() && outsideLibrary(relative)) {
      it.disable_recursion_pending();
      continue;
    }
    const std::string ext = it->path().extension().string();
    if (!it->is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    std::string from = relative.parent_path().generic_string();
    if (top) from = topFolder(from);
    std::ifstream in(it->path());
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
      if (!std::regex_search(line, match, include)) continue;
      std::string to = match[1].str();
      if (top) to = topFolder(to);
      if (to != from) graph[from].insert(to);
    }
  }
  return graph;
}

// The library's top folders, from the bottom up, each with the folders it
// may include. Tests, benchmarks and fuzz targets sit above all of them.
const Graph kAllowed = {
    {"base", {}},
    {"platform", {"base"}},
    {"contract", {"platform"}},
    {"values", {"base"}},
    {"arithmetic", {"base", "values"}},
    {"numerics", {"base", "contract", "values", "arithmetic"}},
    {"worksheet", {"base", "values", "arithmetic", "numerics"}},
    {"simulation", {"base", "contract", "values", "arithmetic", "numerics", "worksheet"}},
    {"interpreter", {"base", "contract", "values", "arithmetic", "numerics", "worksheet", "simulation"}},
    {"excel", {"platform", "base", "contract", "values", "arithmetic", "interpreter", "simulation"}},
    {"engines", {"platform", "base", "contract", "values", "arithmetic", "numerics"}},
    {"entry", {"platform", "base", "contract", "values", "arithmetic", "worksheet", "interpreter", "excel"}},
    {"frontend", {"platform", "base", "contract", "values", "worksheet", "simulation", "interpreter", "excel"}},
};

// Every edge of the graph from a library folder that the table does not
// allow, as "from/ -> to/" (a folder missing from the table allows none).
std::vector<std::string> forbiddenEdges(const Graph& graph, const Graph& allowed) {
  std::vector<std::string> out;
  for (const auto& [from, targets] : graph) {
    if (aboveLibrary(from)) continue;
    const auto row = allowed.find(from);
    for (const std::string& to : targets)
      if (row == allowed.end() || !row->second.count(to)) out.push_back(from + "/ -> " + to + "/");
  }
  return out;
}

// One cycle as "a -> b -> a", or empty when the graph has none.
std::string findCycle(const Graph& graph) {
  std::map<std::string, int> state;  // 1 on the current path, 2 done
  std::vector<std::string> path;
  std::string cycle;
  auto visit = [&](auto&& self, const std::string& node) -> bool {
    state[node] = 1;
    path.push_back(node);
    auto edges = graph.find(node);
    if (edges != graph.end()) {
      for (const std::string& next : edges->second) {
        if (state[next] == 1) {
          auto start = std::find(path.begin(), path.end(), next);
          for (auto p = start; p != path.end(); ++p) cycle += *p + " -> ";
          cycle += next;
          return true;
        }
        if (state[next] == 0 && self(self, next)) return true;
      }
    }
    path.pop_back();
    state[node] = 2;
    return false;
  };
  for (const auto& [node, edges] : graph) {
    if (state[node] == 0 && visit(visit, node)) return cycle;
  }
  return {};
}

TEST(FolderCycles, FindsACycleInAGraphThatHasOne) {
  EXPECT_EQ(findCycle({{"a", {"b"}}, {"b", {"c"}}, {"c", {"a"}}}), "a -> b -> c -> a");
  EXPECT_EQ(findCycle({{"a", {"b", "c"}}, {"b", {"c"}}}), "");
}

TEST(FolderCycles, NoFolderIncludesItselfThroughOthers) {
  for (bool top : {true, false}) {
    const Graph graph = includeGraph(top);
    ASSERT_TRUE(graph.count("entry")) << "the source tree was not found at " << CORVAN_SOURCE;
    EXPECT_EQ(findCycle(graph), "") << (top ? "top folders" : "leaf folders");
  }
}

TEST(FolderCycles, EveryIncludeBetweenLibraryFoldersIsInTheTable) {
  const Graph graph = includeGraph(true);
  ASSERT_TRUE(graph.count("entry")) << "the source tree was not found at " << CORVAN_SOURCE;
  for (const std::string& edge : forbiddenEdges(graph, kAllowed)) ADD_FAILURE() << "not allowed: " << edge;
  EXPECT_EQ(findCycle(kAllowed), "") << "the table itself has a cycle";
}

TEST(FolderCycles, AnEdgeTheTableDoesNotNameIsReported) {
  const Graph graph = {{"values", {"base", "interpreter"}}, {"newfolder", {"base"}}, {"tests/entry", {"entry"}}};
  EXPECT_EQ(forbiddenEdges(graph, kAllowed),
            (std::vector<std::string>{"newfolder/ -> base/", "values/ -> interpreter/"}));
}

TEST(FolderCycles, TopFoldersOfTestsCountTwoComponents) {
  EXPECT_EQ(topFolder("engines/lpqp"), "engines");
  EXPECT_EQ(topFolder("tests/engines"), "tests/engines");
  EXPECT_EQ(topFolder("tests/arithmetic/cases"), "tests/arithmetic");
  EXPECT_EQ(topFolder("bench"), "bench");
}

TEST(FolderCycles, TestsAndBenchmarksShareHelpersOnlyThroughSupport) {
  const Graph graph = includeGraph(true);
  ASSERT_TRUE(graph.count("tests/engines") && graph.count("bench")) << "tests and benchmarks were not read";
  for (const auto& [from, targets] : graph) {
    for (const std::string& to : targets) {
      if (!aboveLibrary(to)) continue;
      EXPECT_TRUE(aboveLibrary(from)) << from << "/ includes " << to << "/";
      EXPECT_EQ(to, "tests/support") << from << "/ includes " << to << "/";
    }
  }
}

}  // namespace
