// Operating-system services of the stand-in: plug-in discovery, version
// blocks, modules with ordinal exports and attach handlers, thread-local
// slots, the tick count, message boxes, error texts and rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include <dlfcn.h>
#include <unistd.h>

#include "entry/Eng_Engine.h"
#include "platform/os/Os.h"

namespace {

const std::string kOut = CORVAN_OUT;

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

std::string versionValue(const std::vector<char>& block, const char* name) {
  std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
  const char* value = nullptr;
  unsigned length = 0;
  if (!Os_verQueryValue(block.data(), path.c_str(), &value, &length)) return "<none>";
  EXPECT_EQ(length, std::strlen(value));
  return value;
}

std::vector<char> versionBlock(const std::string& path) {
  unsigned size = Os_getFileVersionInfoSize(path.c_str());
  std::vector<char> block(size);
  if (size == 0 || !Os_getFileVersionInfo(path.c_str(), size, block.data())) block.clear();
  return block;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(OsFiles, WildcardSearchIgnoresCaseAndKeepsNameOrder) {
  std::vector<std::string> engines = findAll(kOut + "/*eng.dll");
  std::vector<std::string> expected = {"BADENG.DLL", "FAILENG.DLL", "HALFENG.DLL", "TESTENG.DLL"};
  EXPECT_EQ(engines, expected);
  EXPECT_EQ(findAll(kOut + "/t?steng.DLL"), std::vector<std::string>{"TESTENG.DLL"});
  EXPECT_EQ(findAll(kOut + "/*ENG.DLL*x"), std::vector<std::string>{});
  OsFindData data;
  EXPECT_EQ(Os_findFirstFile((kOut + "/no-such-folder/*").c_str(), &data), nullptr);
}

TEST(OsFiles, VersionBlockIsReadWithoutLoading) {
  std::string path = kOut + "/TESTENG.DLL";
  std::vector<char> block = versionBlock(path);
  ASSERT_FALSE(block.empty());
  EXPECT_LE(block.size(), 4096u);
  const std::pair<const char*, const char*> values[] = {{"ProductName", "Corvanta"}, {"InternalName", "TESTENG"},
      {"FileDescription", "Test Engine"}, {"FileVersion", "6.0.0"}, {"CompanyName", "<none>"}};
  for (const auto& [name, value] : values) EXPECT_EQ(versionValue(block, name), value) << name;
  const char* value = nullptr;
  unsigned length = 0;
  EXPECT_TRUE(Os_verQueryValue(block.data(), "\\StringFileInfo\\040904B0\\ProductName", &value, &length));
  EXPECT_FALSE(Os_verQueryValue(block.data(), "\\StringFileInfo\\040704b0\\ProductName", &value, &length));
  EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);  // read, not loaded

  EXPECT_EQ(versionValue(versionBlock(kOut + "/BADENG.DLL"), "ProductName"), "Other Optimizer");
  EXPECT_EQ(Os_getFileVersionInfoSize((kOut + "/NOSUCHENG.DLL").c_str()), 0u);
  EXPECT_EQ(Os_getFileVersionInfoSize(CORVAN_DATA "/README.md"), 0u);
  EXPECT_EQ(Os_lastError(), OsErrorNoVersion);
  // A marker without a well-formed block after it is no block; a later one is.
  std::string file =
      (std::filesystem::temp_directory_path() / ("corvan-ver-" + std::to_string(getpid()))).string();
  static const char kCut[] = "@@CORVAN-VERSION@@\0" "040904b0\0ProductName\0Other";
  static const char kWhole[] = "@@CORVAN-VERSION@@\0" "040904b0\0ProductName\0Mine\0\0@@END@@";
  std::string cut(kCut, sizeof kCut - 1), whole(kWhole, sizeof kWhole - 1);
  std::ofstream(file, std::ios::binary) << cut;
  EXPECT_EQ(Os_getFileVersionInfoSize(file.c_str()), 0u);
  std::ofstream(file, std::ios::binary) << cut << whole;
  EXPECT_EQ(Os_getFileVersionInfoSize(file.c_str()), whole.size());
  EXPECT_EQ(versionValue(versionBlock(file), "ProductName"), "Mine");
  std::filesystem::remove(file);
  std::vector<char> small(8);
  EXPECT_FALSE(Os_getFileVersionInfo(path.c_str(), 8, small.data()));
}

TEST(OsModules, PluginLoadsRunsByOrdinalAndUnloads) {
  std::string log = 
      (std::filesystem::temp_directory_path() / ("corvan-os-" + std::to_string(getpid()) + ".log")).string();
  std::filesystem::remove(log);
  setenv("CORVAN_TESTENG_LOG", log.c_str(), 1);
  std::string path = kOut + "/TESTENG.DLL";
  OsModule module = Os_loadLibrary(path.c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(readFile(log), "attach " + path + "\n");

  std::string file;
  ASSERT_TRUE(Os_moduleFileName(module, &file));
  EXPECT_EQ(file, path);
  auto load = reinterpret_cast<int (*)(void*)>(Os_getProcByOrdinal(module, 2));
  ASSERT_NE(load, nullptr);
  EXPECT_EQ(Os_moduleOfAddress(reinterpret_cast<const void*>(load)), module);
  for (int ordinal = 3; ordinal <= 6; ++ordinal) EXPECT_NE(Os_getProcByOrdinal(module, ordinal), nullptr);
  EXPECT_EQ(Os_getProcByOrdinal(module, 7), nullptr);
  EXPECT_EQ(Os_getProcByOrdinal(module, 0), nullptr);
  EXPECT_EQ(Os_lastError(), OsErrorNoExport);
  EXPECT_EQ(reinterpret_cast<void*>(Os_getProcByName(module, "solve")),
            reinterpret_cast<void*>(Os_getProcByOrdinal(module, 4)));

  EngineInfo info{};
  EXPECT_EQ(load(&info), 0);  // refuses a record without its own handle
  info.module = module;
  EXPECT_EQ(load(&info), 1);
  EXPECT_EQ(info.limits[0], 100);
  EXPECT_EQ(info.capabilities, EngineCanBranch);
  EngineProblem problem{};
  problem.status = -2;
  auto solve = reinterpret_cast<int (*)(void*)>(Os_getProcByOrdinal(module, 4));
  EXPECT_EQ(solve(&problem), 1);
  EXPECT_EQ(problem.status, StatusSolved);

  // A second load is counted, not attached again; detach comes with the last free.
  EXPECT_EQ(Os_loadLibrary(path.c_str()), module);
  EXPECT_TRUE(Os_freeLibrary(module));
  EXPECT_EQ(readFile(log), "attach " + path + "\n");
  EXPECT_TRUE(Os_freeLibrary(module));
  EXPECT_EQ(readFile(log), "attach " + path + "\ndetach\n");
  EXPECT_FALSE(Os_freeLibrary(module));
  EXPECT_EQ(Os_lastError(), OsErrorBadModule);
  unsetenv("CORVAN_TESTENG_LOG");
  std::filesystem::remove(log);
}

TEST(OsModules, BareNameIsFoundBesideThePlatformLibrary) {
  OsModule module = Os_loadLibrary("TESTENG.DLL");
  ASSERT_NE(module, nullptr);
  std::string file;
  ASSERT_TRUE(Os_moduleFileName(module, &file));
  EXPECT_EQ(file, kOut + "/TESTENG.DLL");
  EXPECT_TRUE(Os_freeLibrary(module));
}

TEST(OsModules, MissingAndForeignFilesFailWithTheirErrors) {
  EXPECT_EQ(Os_loadLibrary((kOut + "/NOSUCHENG.DLL").c_str()), nullptr);
  EXPECT_EQ(Os_lastError(), unsigned(ENOENT));
  EXPECT_FALSE(Os_errorText(ENOENT).empty());
  EXPECT_EQ(Os_loadLibrary(CORVAN_DATA "/README.md"), nullptr);
  EXPECT_EQ(Os_lastError(), unsigned(ENOEXEC));
  EXPECT_EQ(Os_loadLibrary("NOSUCHENG.DLL"), nullptr);
  EXPECT_EQ(Os_loadLibrary(""), nullptr);
  EXPECT_EQ(Os_errorText(OsErrorInitFailed), "The library's initialisation routine failed");
  EXPECT_EQ(Os_errorText(0x7fffffff), "");
  int local = 0;
  EXPECT_EQ(Os_getProcByOrdinal(&local, 2), nullptr);
  EXPECT_EQ(Os_lastError(), OsErrorBadModule);
  std::string file;
  EXPECT_FALSE(Os_moduleFileName(&local, &file));
}

TEST(OsModules, ProgramModuleIsFoundFromItsCode) {
  OsModule self = Os_moduleOfAddress(reinterpret_cast<const void*>(&findAll));
  ASSERT_NE(self, nullptr);
  std::string file, program;
  ASSERT_TRUE(Os_moduleFileName(self, &file));
  ASSERT_TRUE(Os_moduleFileName(nullptr, &program));
  EXPECT_EQ(file, program);
  EXPECT_EQ(std::filesystem::path(file).parent_path(), std::filesystem::path(kOut));
  int onStack = 0;
  EXPECT_EQ(Os_moduleOfAddress(&onStack), nullptr);
}

TEST(OsThreads, SlotsHoldOneValuePerThread) {
  unsigned slot = Os_tlsAlloc();
  ASSERT_NE(slot, OsTlsInvalid);
  int mine = 1, theirs = 2;
  EXPECT_EQ(Os_tlsGetValue(slot), nullptr);
  EXPECT_TRUE(Os_tlsSetValue(slot, &mine));
  void* seenThere = &mine;
  std::thread other([&] {
    seenThere = Os_tlsGetValue(slot);
    Os_tlsSetValue(slot, &theirs);
  });
  other.join();
  EXPECT_EQ(seenThere, nullptr);
  EXPECT_EQ(Os_tlsGetValue(slot), &mine);
  EXPECT_TRUE(Os_tlsFree(slot));
  EXPECT_FALSE(Os_tlsFree(slot));
  EXPECT_FALSE(Os_tlsSetValue(slot, &mine));
  unsigned again = Os_tlsAlloc();
  EXPECT_EQ(again, slot);
  EXPECT_EQ(Os_tlsGetValue(again), nullptr);  // a new slot starts empty
  EXPECT_TRUE(Os_tlsFree(again));
  EXPECT_EQ(Os_tlsGetValue(OsTlsInvalid), nullptr);
}

namespace {
std::uint32_t gFakeTicks = 0;
std::uint32_t fakeTicks() { return gFakeTicks; }
std::vector<std::string> gShown;
void remember(const OsMessageBox& box) { gShown.push_back(box.caption + ": " + box.text); }
}  // namespace

TEST(OsClock, TickSourceReplacesTheClockUntilCleared) {
  gFakeTicks = 0xfffffff0u;
  Os_setTickSource(fakeTicks);
  std::uint32_t start = Os_tickCount();
  gFakeTicks += 0x20;  // wraps past 2^32
  EXPECT_EQ(Os_tickCount(), 0x10u);
  EXPECT_EQ(std::uint32_t(Os_tickCount() - start), 0x20u);
  Os_setTickSource(nullptr);
}

TEST(OsMemory, FreePhysicalMemoryIsReported) { EXPECT_GT(Os_freePhysicalMemory(), 0u); }

TEST(OsMessages, BoxesAreRecordedAndHandedToTheHandler) {
  Os_clearMessageBoxes();
  Os_setMessageBoxHandler(remember);
  EXPECT_EQ(Os_messageBox("Engine gone", "Solver Engine DLL Error", 0x10), 1);
  Os_setMessageBoxHandler(nullptr);
  EXPECT_EQ(Os_messageBox(nullptr, "Second", 0), 1);
  ASSERT_EQ(Os_messageBoxes().size(), 2u);
  EXPECT_EQ(Os_messageBoxes()[0].text, "Engine gone");
  EXPECT_EQ(Os_messageBoxes()[0].flags, 0x10u);
  EXPECT_EQ(Os_messageBoxes()[1].text, "");
  EXPECT_EQ(gShown, std::vector<std::string>{"Solver Engine DLL Error: Engine gone"});
  Os_clearMessageBoxes();
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST(OsRounding, DirectedRoundingBracketsAThird) {
  OsRounding saved = Os_getRounding();
  EXPECT_EQ(saved, OsRounding::Nearest);
  volatile double one = 1.0, three = 3.0;
  Os_setRounding(OsRounding::Down);
  EXPECT_EQ(Os_getRounding(), OsRounding::Down);
  double down = one / three;
  Os_setRounding(OsRounding::Up);
  double up = one / three;
  Os_setRounding(OsRounding::TowardZero);
  double towardZero = one / three;
  Os_setRounding(saved);
  EXPECT_LT(down, up);
  EXPECT_EQ(towardZero, down);
  EXPECT_EQ(std::nextafter(down, 1.0), up);
  EXPECT_EQ(Os_getRounding(), OsRounding::Nearest);
}
