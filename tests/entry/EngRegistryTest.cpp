// Engine registry: plug-in discovery beside the library (standard names
// skipped, incompatible files reported, twenty rows at most), loading
// built-in rows and plug-ins by ordinal with the two message boxes and
// status 13 when a load fails, the engine list of `Solve` action 8 written
// into the front end's "solver_tbl" range and the engine "solver_eng" chooses.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include <dlfcn.h>

#include "entry/Eng_Registry.h"
#include "entry/Entry_Context.h"
#include "platform/xlcall/Xlc_Host.h"
#include "tests/support/ScratchTest.h"

namespace fs = std::filesystem;

namespace {

const std::string kPlugins = std::string(CORVAN_PLUGINS) + "/";

std::unique_ptr<LibraryContext> newContext(const std::string& directory) {
  auto context = std::make_unique<LibraryContext>();
  context->currentEngine = -1;
  std::strcpy(context->directory, directory.c_str());
  context->directoryLength = static_cast<std::int32_t>(directory.size());
  Os_clearMessageBoxes();
  return context;
}

std::string counted(const unsigned char* row) { return std::string(reinterpret_cast<const char*>(row + 1), row[0]); }

bool allEntryPointsCleared(const EngineEntry& row) {
  return !row.load && !row.setup && !row.solve && !row.finish && !row.free;
}

// A scratch folder to hold copies of the test plug-ins under the given names.
class EngineDiscovery : public ScratchTest {
 protected:
  void TearDown() override {
    Os_clearMessageBoxes();
    Xlc_resetHost();
    ScratchTest::TearDown();
  }
  void add(const char* source, const std::string& name) const { fs::copy_file(kPlugins + source, dir_ / name); }
  // A file that carries only a version block with the given pairs.
  void addBlock(const std::string& name, const std::vector<std::string>& pairs) const {
    std::string bytes = std::string("junk@@CORVAN-VERSION@@\0", 23) + std::string("040904b0\0", 9);
    for (const std::string& text : pairs) bytes += text + '\0';
    bytes += std::string("\0@@END@@\0", 9);
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string directory() const { return dir_.string() + "/"; }
};

}  // namespace

// Plug-ins beside the library and files carrying only a version block,
// which must name this product, version 6 or later, in four texts.
TEST_F(EngineDiscovery, DiscoverySkipsStandardFilesAndReportsIncompatibleOnes) {
  add("TESTENG.DLL", "TESTENG.DLL");
  add("BADENG.DLL", "BADENG.DLL");
  add("FAILENG.DLL", "faileng.dll");
  add("TESTENG.DLL", "KVAENG.dll");
  add("TESTENG.DLL", "ANAMEFARTOOLONGFORITSTABLEROWENG.DLL");  // 36 characters
  add("TESTENG.DLL", "TEST.DLL");
  const std::vector<std::string> good = {"ProductName", "Corvanta", "InternalName", "GOOD",
                                         "FileDescription", "Good Engine", "FileVersion", "6.2"};
  std::vector<std::string> old = good, lower = good, big = good, longNames = good;
  old[7] = "5.9";
  lower[1] = "corvanta";
  big[5] = std::string(5000, 'x');   // a block above 4096 bytes
  longNames[3] = std::string(40, 'I');
  longNames[5] = std::string(40, 'D');
  addBlock("AGOODENG.DLL", good);
  addBlock("BOLDENG.DLL", old);
  addBlock("CLOWERENG.DLL", lower);
  addBlock("DPARTENG.DLL", std::vector<std::string>(good.begin(), good.begin() + 6));
  addBlock("EBIGENG.DLL", big);
  addBlock("FLONGENG.DLL", longNames);
  auto context = newContext(directory());
  char files[EngineRows][EngineNameChars] = {};
  EngineCountedName addIns[EngineRows] = {}, names[EngineRows] = {};
  std::strcpy(files[10], "GONEENG.DLL");  // from an earlier listing

  ASSERT_EQ(Eng_findEngineDlls(context.get(), files, addIns, names), 9);
  EXPECT_STREQ(files[0], "KVAENG.DLL");   // the built-in rows first
  const char* found[] = {"AGOODENG.DLL", "faileng.dll", "FLONGENG.DLL", "TESTENG.DLL", "", ""};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(files[5 + i], found[i]) << i;
  EXPECT_EQ(counted(addIns[5]), "GOOD.XLA");
  EXPECT_EQ(counted(names[5]), "Good Engine");
  EXPECT_EQ(counted(addIns[6]), "FAILENG.XLA");
  EXPECT_EQ(counted(addIns[7]), std::string(26, 'I') + ".XLA");  // internal name cut at 26
  EXPECT_EQ(counted(names[7]), std::string(30, 'D'));            // description cut at 30
  EXPECT_EQ(counted(names[8]), "Test Engine");
  std::vector<std::string> refused;
  for (const auto& box : Os_messageBoxes()) refused.push_back(box.caption);
  EXPECT_EQ(refused, (std::vector<std::string>{"ANAMEFARTOOLONGFORITSTABLEROWENG.DLL", "BADENG.DLL",
                                               "BOLDENG.DLL", "CLOWERENG.DLL", "DPARTENG.DLL",
                                               "EBIGENG.DLL"}));
  EXPECT_EQ(Os_messageBoxes()[0].text, "Solver Engine is incompatible with Corvanta");
}

TEST_F(EngineDiscovery, DiscoveryStopsAtTwentyRows) {
  for (int i = 1; i <= 15; ++i) add("TESTENG.DLL", "P" + std::to_string(100 + i) + "ENG.DLL");
  add("BADENG.DLL", "P116ENG.DLL");  // would be reported if it were looked at
  auto context = newContext(directory());
  EngineCountedName addIns[EngineRows] = {}, names[EngineRows] = {};

  EXPECT_EQ(Eng_findEngineDlls(context.get(), context->engineFiles, addIns, names), 20);
  EXPECT_STREQ(context->engineFiles[19], "P115ENG.DLL");
  EXPECT_TRUE(Os_messageBoxes().empty());
}

// Action 8 in the stand-in application: every listed engine is test-loaded
// and the (display name, add-in file) rows go into "solver_tbl".
TEST_F(EngineDiscovery, EngineListGoesIntoTheTableRangeAndTheWorkbookChoosesTheEngine) {
  Xlc_resetHost();
  Workbook* addin = Wb_newWorkbook("CORVAN.XLA");
  Sheet* front = Wb_addSheet(addin, "Front");
  Workbook* book = Wb_newWorkbook("Model.xlsx");
  Wb_addSheet(book, "Model");
  Xlc_setCallerSheet(addin, 0);
  auto context = newContext(directory());
  context->engineCount = 5;
  auto text = [&](int row, int column) {
    const Cell* cell = Wb_findCell(front, row, column);
    return cell && cell->value.kind == CellKind::Text ? cell->value.text : "<none>";
  };
  EXPECT_EQ(Eng_writeEngineList(context.get()), 0);  // "solver_tbl" not defined
  Wb_defineName(addin, {"solver_tbl", "Front!$D$3:$E$30", -1, false});
  add("FAILENG.DLL", "FAILENG.DLL");   // an engine whose load fails: nothing is listed
  EXPECT_EQ(Eng_writeEngineList(context.get()), 0);
  EXPECT_EQ(text(2, 3), "<none>");
  EXPECT_EQ(Os_messageBoxes().size(), 2u);
  fs::remove(dir_ / "FAILENG.DLL");
  Os_clearMessageBoxes();
  add("TESTENG.DLL", "TESTENG.DLL");
  add("BADENG.DLL", "BADENG.DLL");
  EXPECT_EQ(Eng_writeEngineList(context.get()), 6);
  EXPECT_EQ(text(2, 3), "Standard GRG Nonlinear  ");   // D3
  EXPECT_EQ(text(2, 4), "KVAENG.XLA");
  EXPECT_EQ(text(7, 3), "Test Engine");
  EXPECT_EQ(text(7, 4), "TESTENG.XLA");
  EXPECT_EQ(text(8, 3), "<none>");
  EXPECT_EQ(context->engineInfos[5].limits[0], 100);  // test-loaded by ordinal, then unloaded
  EXPECT_EQ(dlopen((dir_ / "TESTENG.DLL").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
  ASSERT_EQ(Os_messageBoxes().size(), 1u);
  EXPECT_EQ(Os_messageBoxes()[0].caption, "BADENG.DLL");
  EXPECT_EQ(Xlc_liveBlocks(), 0u);

  Wb_defineName(book, {"solver_eng", "3", -1, false});
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), -1, 0), 0);
  EXPECT_EQ(context->currentEngine, 2);
  Os_clearMessageBoxes();
  Wb_defineName(book, {"solver_eng", "-4", -1, false});  // names no engine
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), -1, 1), StatusBadModel);
  EXPECT_EQ(context->currentEngine, -1);
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), 20, 1), StatusBadModel);   // beyond the tables
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST(EngineRegistry, BuiltinEnginesAreLoadedFromTheirRows) {
  auto context = newContext(kPlugins);
  context->engineCount = 5;
  context->moduleHandle = Os_moduleOfAddress(reinterpret_cast<const void*>(&Eng_loadAndRun));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), i, 0), 0);
    EXPECT_EQ(context->engineInfos[i].owner, context.get());
    EXPECT_EQ(context->engineInfos[i].module, context->moduleHandle);
    EXPECT_EQ(context->engineInfos[i].value1, 32767);
    EXPECT_EQ(context->engines[i].owner, context.get());
  }
  // Each row's own load ran: the capability and field words of the five.
  const std::uint32_t words[5][2] = {{0x4034, 0x1020011}, {0x4014, 0x2000022},
                                     {0x73C0, 0x2210011}, {0x4354, 0x1020011},
                                     {0x4B14, 0x1000222}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(context->engineInfos[i].capabilities, words[i][0]) << i;
    EXPECT_EQ(context->engineInfos[i].fields, words[i][1]) << i;
  }
  EXPECT_EQ(context->currentEngine, -1);  // a given index is not kept
  EXPECT_TRUE(Os_messageBoxes().empty());
  // Engines not built refuse to set up.
  EngineProblem problem{};
  problem.status = StatusNone;
  EXPECT_EQ(context->engines[3].setup(&problem), 0);
  EXPECT_EQ(problem.status, StatusBadModel);
}

// Before the engines are listed every index, built-in ones too, is a
// plug-in without a file.
TEST(EngineRegistry, FailedPluginLoadShowsBothMessagesAndLeavesNoEntryPoints) {
  struct Case { int index; const char* file; const char* message; };
  const Case cases[] = {
    {5, "FAILENG.DLL", "Engine Load() call returned error"},
    {5, "HALFENG.DLL", "Engine Free() entry point not found"},
    {0, "", "Attempt to load Engine DLL failed"},
    {5, "NOSUCHENG.DLL", "Attempt to load Engine DLL failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto context = newContext(kPlugins);
    context->engineCount = *c.file ? 5 : 0;
    std::strcpy(context->engineFiles[5], c.file);
    EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), c.index, 1), StatusHostFailure);
    EXPECT_TRUE(allEntryPointsCleared(context->engines[c.index]));
    const auto& boxes = Os_messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Solver Engine DLL Error");
    EXPECT_EQ(boxes[0].text, std::string(c.message) + "\nPath=" + kPlugins + c.file);
    EXPECT_EQ(boxes[1].caption, "DLL Error System Message");
    if (*c.file) {
      EXPECT_EQ(dlopen((kPlugins + c.file).c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    }
  }
  EXPECT_EQ(Os_messageBoxes()[1].text, Os_errorText(ENOENT));
  Os_clearMessageBoxes();
}

