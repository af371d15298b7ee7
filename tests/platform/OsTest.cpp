// Operating-system services of the stand-in: file search, version blocks,
// modules, thread-local slots, ticks, message boxes, errors and rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <dlfcn.h>

#include "platform/os/Os.h"
#include "tests/support/ScratchTest.h"

namespace {

const std::string kOut = CORVAN_OUT;
const std::string kPlugins = CORVAN_PLUGINS;

std::vector<std::string> findAll(const std::string& pattern) {
  std::vector<std::string> names;
  OsFindData data;
  OsFindHandle h = Os_findFirstFile(pattern.c_str(), &data);
  if (!h) return names;
  do names.push_back(data.fileName);
  while (Os_findNextFile(h, &data));
  Os_findClose(h);
  return names;
}

// The product name in a file's version block, "<none>" when it has none.
std::string productName(const std::string& path) {
  std::vector<char> block(Os_getFileVersionInfoSize(path.c_str()));
  if (block.empty() || !Os_getFileVersionInfo(path.c_str(), block.size(), block.data())) return "<none>";
  const char* value = nullptr;
  unsigned length = 0;
  if (!Os_verQueryValue(block.data(), "\\StringFileInfo\\040904b0\\ProductName", &value, &length)) return "<none>";
  EXPECT_EQ(length, std::strlen(value));
  return value;
}

}  // namespace

TEST(OsFiles, WildcardSearchIgnoresCaseAndKeepsNameOrder) {
  EXPECT_EQ(findAll(kPlugins + "/*eng.dll"),
            (std::vector<std::string>{"BADENG.DLL", "FAILENG.DLL", "HALFENG.DLL", "TESTENG.DLL"}));
  EXPECT_EQ(findAll(kPlugins + "/t?steng.DLL"), std::vector<std::string>{"TESTENG.DLL"});
  EXPECT_EQ(findAll(kOut + "/no-such-folder/*"), std::vector<std::string>{});
}

using OsScratch = ScratchTest;

// Names with letters beyond ASCII are found whatever their case, by the
// pattern ("?" one character of any script) and by their path.
TEST_F(OsScratch, FileNamesFoldLettersOfEveryScript) {
  for (const char* name : {"\u00C9TUDEENG.DLL", "\u0394\u03B5\u03BB\u03C4\u03B1.xlsx", "plain.xlsx"})
    std::ofstream((dir_ / name).string()) << "x";
  struct Case {
    const char* pattern;
    std::vector<std::string> found;
  };
  const Case cases[] = {
      {"/\u00E9tude*", {"\u00C9TUDEENG.DLL"}},
      {"/?tudeeng.dll", {"\u00C9TUDEENG.DLL"}},
      {"/\u03B4\u0395\u039B\u03A4\u0391.XLSX", {"\u0394\u03B5\u03BB\u03C4\u03B1.xlsx"}},
      {"/*.XLSX", {"plain.xlsx", "\u0394\u03B5\u03BB\u03C4\u03B1.xlsx"}},
      {"/\u00E8tude*", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(findAll(dir_.string() + c.pattern), c.found);
  }
  EXPECT_EQ(Os_fileIgnoringCase((dir_ / "\u00E9tudeeng.dll").string()), (dir_ / "\u00C9TUDEENG.DLL").string());
  EXPECT_EQ(Os_fileIgnoringCase((dir_ / "\u00E8tudeeng.dll").string()), "");
}

TEST_F(OsScratch, VersionBlockIsReadWithoutLoading) {
  std::string path = kPlugins + "/TESTENG.DLL";
  EXPECT_EQ(productName(path), "Corvanta");
  EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);  // read, not loaded
  std::vector<char> small(8);
  EXPECT_FALSE(Os_getFileVersionInfo(path.c_str(), 8, small.data()));
  EXPECT_EQ(Os_getFileVersionInfoSize(CORVAN_DATA "/README.md"), 0u);
  EXPECT_EQ(Os_lastError(), OsErrorNoVersion);
  // A marker without a well-formed block after it is no block; a later one is.
  std::string file = (dir_ / "ver").string();
  static const char kCut[] = "@@CORVAN-VERSION@@\0" "040904b0\0ProductName\0Other";
  static const char kWhole[] = "@@CORVAN-VERSION@@\0" "040904b0\0ProductName\0Mine\0\0@@END@@";
  std::string cut(kCut, sizeof kCut - 1), whole(kWhole, sizeof kWhole - 1);
  std::ofstream(file, std::ios::binary) << cut;
  EXPECT_EQ(Os_getFileVersionInfoSize(file.c_str()), 0u);
  std::ofstream(file, std::ios::binary) << cut << whole;
  EXPECT_EQ(Os_getFileVersionInfoSize(file.c_str()), whole.size());
  EXPECT_EQ(productName(file), "Mine");
}

TEST_F(OsScratch, PluginLoadsExportsByOrdinalAndUnloads) {
  std::string log = (dir_ / "log").string();
  setenv("CORVAN_TESTENG_LOG", log.c_str(), 1);
  std::string path = kPlugins + "/TESTENG.DLL";
  OsModule module = Os_loadLibrary(path.c_str());
  ASSERT_NE(module, nullptr);
  std::string file;
  ASSERT_TRUE(Os_moduleFileName(module, &file));
  EXPECT_EQ(file, path);
  OsProc load = Os_getProcByOrdinal(module, 2);
  ASSERT_NE(load, nullptr);
  EXPECT_EQ(Os_moduleOfAddress(reinterpret_cast<const void*>(load)), module);
  EXPECT_EQ(Os_getProcByOrdinal(module, 7), nullptr);
  EXPECT_EQ(Os_lastError(), OsErrorNoExport);
  EXPECT_EQ(Os_getProcByName(module, "solve"), Os_getProcByOrdinal(module, 4));
  // A bare name is found beside the platform library.
  OsModule beside = Os_loadLibrary("RUNTEST.DLL");
  ASSERT_NE(beside, nullptr);
  ASSERT_TRUE(Os_moduleFileName(beside, &file));
  EXPECT_EQ(file, kOut + "/RUNTEST.DLL");
  EXPECT_TRUE(Os_freeLibrary(beside));
  // A second load is counted, not attached again, and detach comes with
  // the last free.
  auto logged = [&log] { return (std::stringstream() << std::ifstream(log).rdbuf()).str(); };
  EXPECT_EQ(Os_loadLibrary(path.c_str()), module);
  EXPECT_TRUE(Os_freeLibrary(module));
  EXPECT_EQ(logged(), "attach " + path + "\n");
  EXPECT_TRUE(Os_freeLibrary(module));
  EXPECT_EQ(logged(), "attach " + path + "\ndetach\n");
  EXPECT_FALSE(Os_freeLibrary(module));
  EXPECT_EQ(Os_lastError(), OsErrorBadModule);
  unsetenv("CORVAN_TESTENG_LOG");
}

TEST(OsModules, MissingAndForeignFilesFailWithTheirErrors) {
  EXPECT_EQ(Os_loadLibrary((kOut + "/NOSUCHENG.DLL").c_str()), nullptr);
  EXPECT_EQ(Os_lastError(), unsigned(ENOENT));
  EXPECT_EQ(Os_loadLibrary(CORVAN_DATA "/README.md"), nullptr);
  EXPECT_EQ(Os_lastError(), unsigned(ENOEXEC));
  EXPECT_EQ(Os_errorText(OsErrorInitFailed), "The library's initialisation routine failed");
  int local = 0;
  std::string file, program;
  EXPECT_FALSE(Os_moduleFileName(&local, &file));
  EXPECT_EQ(Os_getProcByOrdinal(&local, 2), nullptr);
  EXPECT_EQ(Os_lastError(), OsErrorBadModule);
  EXPECT_EQ(Os_moduleOfAddress(&local), nullptr);   // on the stack: no module's code
  // The program's own module is found from its code.
  ASSERT_TRUE(Os_moduleFileName(Os_moduleOfAddress(reinterpret_cast<const void*>(&findAll)), &file));
  ASSERT_TRUE(Os_moduleFileName(nullptr, &program));
  EXPECT_EQ(file, program);
}

TEST(OsThreads, SlotsHoldOneValuePerThread) {
  unsigned slot = Os_tlsAlloc();
  ASSERT_NE(slot, OsTlsInvalid);
  int mine = 1, theirs = 2;
  EXPECT_TRUE(Os_tlsSetValue(slot, &mine));
  void* seenThere = &mine;
  std::thread([&] {
    seenThere = Os_tlsGetValue(slot);
    Os_tlsSetValue(slot, &theirs);
  }).join();
  EXPECT_EQ(seenThere, nullptr);
  EXPECT_EQ(Os_tlsGetValue(slot), &mine);
  EXPECT_TRUE(Os_tlsFree(slot));
  EXPECT_FALSE(Os_tlsFree(slot));
  unsigned again = Os_tlsAlloc();
  EXPECT_EQ(Os_tlsGetValue(again), nullptr);  // a slot used before starts empty
  EXPECT_TRUE(Os_tlsFree(again));
}

namespace {
std::uint32_t gFakeTicks = 0xfffffff0u;
std::uint32_t fakeTicks() { return gFakeTicks; }
std::string gShown;
void remember(const OsMessageBox& box) { gShown = box.caption + ": " + box.text; }
}  // namespace

TEST(OsServices, TicksWrapMessagesAreKeptAndMemoryIsReported) {
  Os_setTickSource(fakeTicks);
  std::uint32_t start = Os_tickCount();
  gFakeTicks += 0x20;  // wraps past 2^32
  EXPECT_EQ(std::uint32_t(Os_tickCount() - start), 0x20u);
  Os_setTickSource(nullptr);
  EXPECT_GT(Os_freePhysicalMemory(), 0u);
  Os_clearMessageBoxes();
  Os_setMessageBoxHandler(remember);
  EXPECT_EQ(Os_messageBox("Engine gone", "Solver Engine DLL Error", 0x10), 1);
  Os_setMessageBoxHandler(nullptr);
  EXPECT_EQ(gShown, "Solver Engine DLL Error: Engine gone");
  ASSERT_EQ(Os_messageBoxes().size(), 1u);
  EXPECT_EQ(Os_messageBoxes()[0].flags, 0x10u);
  Os_clearMessageBoxes();
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST(OsRounding, DirectedRoundingBracketsAThird) {
  volatile double one = 1.0, three = 3.0;
  Os_setRounding(OsRounding::Down);
  EXPECT_EQ(Os_getRounding(), OsRounding::Down);
  double down = one / three;
  Os_setRounding(OsRounding::TowardZero);
  EXPECT_EQ(one / three, down);
  Os_setRounding(OsRounding::Up);
  EXPECT_EQ(std::nextafter(down, 1.0), one / three);
  Os_setRounding(OsRounding::Nearest);
}
