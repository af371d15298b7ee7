// Engine registry: the built-in rows and their limits, plug-in discovery
// beside the library (standard names skipped, incompatible files reported,
// twenty rows at most) and loading plug-ins by ordinal, with the two
// message boxes and status 13 when a load fails.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include <dlfcn.h>

#include "entry/Eng_Registry.h"
#include "entry/Entry_Context.h"
#include "tests/support/ScratchTest.h"

namespace fs = std::filesystem;

namespace {

const std::string kOut = std::string(CORVAN_OUT) + "/";

std::unique_ptr<LibraryContext> newContext(const std::string& directory) {
  auto context = std::make_unique<LibraryContext>();
  context->currentEngine = -1;
  std::strcpy(context->directory, directory.c_str());
  context->directoryLength = static_cast<std::int32_t>(directory.size());
  Os_clearMessageBoxes();
  return context;
}

std::string counted(const unsigned char* row) { return std::string(reinterpret_cast<const char*>(row + 1), row[0]); }

// A scratch folder to hold copies of the test plug-ins under the given names.
class EngineDiscovery : public ScratchTest {
 protected:
  void add(const char* source, const std::string& name) const { fs::copy_file(kOut + source, dir_ / name); }
  // A file that carries only a version block with the given pairs.
  void addBlock(const std::string& name, const std::vector<std::string>& pairs) const {
    std::string bytes = std::string("junk@@CORVAN-VERSION@@\0", 23) + std::string("040904b0\0", 9);
    for (const std::string& text : pairs) bytes += text + '\0';
    bytes += std::string("\0@@END@@\0", 9);
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string directory() const { return dir_.string() + "/"; }
};

bool allEntryPointsCleared(const EngineEntry& row) {
  return !row.load && !row.setup && !row.solve && !row.finish && !row.free;
}

}  // namespace

TEST_F(EngineDiscovery, DiscoverySkipsStandardFilesAndReportsIncompatibleOnes) {
  add("TESTENG.DLL", "TESTENG.DLL");
  add("BADENG.DLL", "BADENG.DLL");
  add("FAILENG.DLL", "faileng.dll");
  add("TESTENG.DLL", "KVAENG.dll");
  add("TESTENG.DLL", "ANAMEFARTOOLONGFORITSTABLEROWENG.DLL");  // 36 characters
  add("TESTENG.DLL", "TEST.DLL");
  auto context = newContext(directory());
  char files[EngineRows][EngineNameChars] = {};
  EngineCountedName addIns[EngineRows] = {}, names[EngineRows] = {};
  std::strcpy(files[9], "GONEENG.DLL");  // from an earlier listing

  ASSERT_EQ(Eng_findEngineDlls(context.get(), files, addIns, names), 7);
  EXPECT_STREQ(files[0], "KVAENG.DLL");
  EXPECT_STREQ(files[4], "FAWNENG.DLL");
  EXPECT_EQ(counted(addIns[1]), "TXENG.XLA");
  EXPECT_EQ(counted(names[0]), "Standard GRG Nonlinear  ");
  EXPECT_EQ(counted(names[3]), "Standard Interval Global");
  EXPECT_EQ(counted(names[4]), "Standard SOCP Barrier");
  EXPECT_STREQ(files[5], "faileng.dll");
  EXPECT_EQ(counted(addIns[5]), "FAILENG.XLA");
  EXPECT_STREQ(files[6], "TESTENG.DLL");
  EXPECT_EQ(counted(addIns[6]), "TESTENG.XLA");
  EXPECT_EQ(counted(names[6]), "Test Engine");
  for (int i = 7; i < EngineRows; ++i) EXPECT_STREQ(files[i], "") << i;

  const auto& boxes = Os_messageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "ANAMEFARTOOLONGFORITSTABLEROWENG.DLL");
  EXPECT_EQ(boxes[1].caption, "BADENG.DLL");
  for (const auto& box : boxes) EXPECT_EQ(box.text, "Solver Engine is incompatible with Corvanta");
  Os_clearMessageBoxes();
}

TEST_F(EngineDiscovery, VersionBlockMustNameThisProductVersionSixInFourTexts) {
  const std::vector<std::string> good = {"ProductName", "Corvanta", "InternalName", "GOOD",
                                         "FileDescription", "Good Engine", "FileVersion", "6.2"};
  std::vector<std::string> old = good, lower = good, partial(good.begin(), good.begin() + 6);
  old[7] = "5.9";
  lower[1] = "corvanta";
  std::vector<std::string> big = good;
  big[5] = std::string(5000, 'x');   // a block above 4096 bytes
  std::vector<std::string> longNames = good;
  longNames[3] = std::string(40, 'I');
  longNames[5] = std::string(40, 'D');
  addBlock("AGOODENG.DLL", good);
  addBlock("BOLDENG.DLL", old);
  addBlock("CLOWERENG.DLL", lower);
  addBlock("DPARTENG.DLL", partial);
  addBlock("EBIGENG.DLL", big);
  addBlock("FLONGENG.DLL", longNames);
  auto context = newContext(directory());
  EngineCountedName addIns[EngineRows] = {}, names[EngineRows] = {};

  ASSERT_EQ(Eng_findEngineDlls(context.get(), context->engineFiles, addIns, names), 7);
  EXPECT_STREQ(context->engineFiles[5], "AGOODENG.DLL");
  EXPECT_EQ(counted(addIns[5]), "GOOD.XLA");
  EXPECT_EQ(counted(names[5]), "Good Engine");
  EXPECT_STREQ(context->engineFiles[6], "FLONGENG.DLL");
  EXPECT_EQ(counted(addIns[6]), std::string(26, 'I') + ".XLA");  // internal name cut at 26
  EXPECT_EQ(counted(names[6]), std::string(30, 'D'));            // description cut at 30
  std::vector<std::string> refused;
  for (const auto& box : Os_messageBoxes()) refused.push_back(box.caption);
  EXPECT_EQ(refused, (std::vector<std::string>{"BOLDENG.DLL", "CLOWERENG.DLL", "DPARTENG.DLL", "EBIGENG.DLL"}));
  Os_clearMessageBoxes();
}

TEST_F(EngineDiscovery, DiscoveryStopsAtTwentyRows) {
  for (int i = 1; i <= 15; ++i) add("TESTENG.DLL", "P" + std::to_string(100 + i) + "ENG.DLL");
  add("BADENG.DLL", "P116ENG.DLL");  // would be reported if it were looked at
  add("TESTENG.DLL", "P117ENG.DLL");
  auto context = newContext(directory());
  EngineCountedName addIns[EngineRows] = {}, names[EngineRows] = {};

  EXPECT_EQ(Eng_findEngineDlls(context.get(), context->engineFiles, addIns, names), 20);
  EXPECT_STREQ(context->engineFiles[5], "P101ENG.DLL");
  EXPECT_STREQ(context->engineFiles[19], "P115ENG.DLL");
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST(EngineRegistry, BuiltinEnginesAreLoadedFromTheirRows) {
  auto context = newContext(kOut);
  context->engineCount = 5;
  context->moduleHandle = Os_moduleOfAddress(reinterpret_cast<const void*>(&Eng_loadAndRun));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), i, 0), 0);
    EXPECT_EQ(context->engineInfos[i].owner, context.get());
    EXPECT_EQ(context->engineInfos[i].module, context->moduleHandle);
    EXPECT_EQ(context->engineInfos[i].value1, 32767);
    EXPECT_EQ(context->engines[i].owner, context.get());
  }
  EXPECT_EQ(context->engineInfos[2].capabilities, 0x73C0u);   // each row's own load ran
  EXPECT_EQ(context->currentEngine, -1);  // a given index is not kept
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST(EngineRegistry, EnginesNotBuiltRefuseToSetUp) {
  auto context = newContext(kOut);
  Eng_registerBuiltins(context.get(), context.get());
  EngineProblem problem{};
  problem.status = StatusNone;
  EXPECT_EQ(context->engines[3].setup(&problem), 0);
  EXPECT_EQ(problem.status, StatusBadModel);
  EXPECT_EQ(context->engines[4].free(&context->engineInfos[4]), 1);
}

TEST(EngineRegistry, PluginLoadsByOrdinalAndIsUnloaded) {
  auto context = newContext(kOut);
  context->engineCount = 5;
  std::strcpy(context->engineFiles[6], "TESTENG.DLL");
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), 6, 0), 0);
  const EngineInfo& info = context->engineInfos[6];
  EXPECT_EQ(info.owner, context.get());
  EXPECT_NE(info.module, nullptr);
  EXPECT_EQ(info.limits[0], 100);  // the plug-in's load saw its own module handle
  EXPECT_TRUE(allEntryPointsCleared(context->engines[5]));
  EXPECT_EQ(dlopen((kOut + "TESTENG.DLL").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST(EngineRegistry, FailedPluginLoadShowsBothMessagesAndLeavesNoEntryPoints) {
  struct Case { const char* file; const char* message; };
  const Case cases[] = {
    {"FAILENG.DLL", "Engine Load() call returned error"},
    {"HALFENG.DLL", "Engine Free() entry point not found"},
    {"NOSUCHENG.DLL", "Attempt to load Engine DLL failed"},
  };
  for (const Case& c : cases) {
    auto context = newContext(kOut);
    context->engineCount = 5;
    std::strcpy(context->engineFiles[5], c.file);
    EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), 5, 1), StatusHostFailure) << c.file;
    EXPECT_TRUE(allEntryPointsCleared(context->engines[5])) << c.file;
    const auto& boxes = Os_messageBoxes();
    ASSERT_EQ(boxes.size(), 2u) << c.file;
    EXPECT_EQ(boxes[0].caption, "Solver Engine DLL Error");
    EXPECT_EQ(boxes[0].text, std::string(c.message) + "\nPath=" + kOut + c.file);
    EXPECT_EQ(boxes[1].caption, "DLL Error System Message");
    EXPECT_EQ(dlopen((kOut + c.file).c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << c.file;
  }
  EXPECT_EQ(Os_messageBoxes()[1].text, Os_errorText(ENOENT));
  Os_clearMessageBoxes();
}

TEST(EngineRegistry, BeforeTheEnginesAreListedEveryIndexIsAFailingPlugin) {
  auto context = newContext(kOut);
  ASSERT_EQ(context->engineCount, 0);
  for (int index = 0; index < 5; ++index) {
    Os_clearMessageBoxes();
    EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), index, 1), StatusHostFailure);
    ASSERT_EQ(Os_messageBoxes().size(), 2u);
    EXPECT_EQ(Os_messageBoxes()[0].text, "Attempt to load Engine DLL failed\nPath=" + kOut);
    EXPECT_TRUE(allEntryPointsCleared(context->engines[0]));
  }
  Os_clearMessageBoxes();
}

TEST(EngineRegistry, IndexOutsideTheTablesNamesNoEngine) {
  auto context = newContext(kOut);
  context->engineCount = 5;
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), 20, 1), StatusBadModel);
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), 1000, 0), StatusBadModel);
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST(EngineRegistry, LibraryIsLoadedBesideTheLibraryElseByBareName) {
  auto context = newContext("/nonexistent/");
  context->moduleHandle = reinterpret_cast<OsModule>(0x1234);
  EXPECT_EQ(Eng_loadLibrary(context.get(), nullptr), context->moduleHandle);
  EXPECT_EQ(Eng_loadLibrary(context.get(), "NOSUCHENG.DLL"), nullptr);
  OsModule byName = Eng_loadLibrary(context.get(), "TESTENG.DLL");  // found in the library folders
  ASSERT_NE(byName, nullptr);
  EXPECT_TRUE(Os_freeLibrary(byName));
  auto beside = newContext(kOut);
  OsModule module = Eng_loadLibrary(beside.get(), "TESTENG.DLL");
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(Os_freeLibrary(module));
}
