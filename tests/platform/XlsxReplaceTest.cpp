// Replacing a workbook file on save: a temporary file of its own beside the
// target, a read-only target refused, the owner and permissions kept, a
// hard link reported, saves racing one another and saves killed midway.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/xlsx/Xlsx.h"
#include "tests/support/ScratchTest.h"

namespace fs = std::filesystem;

namespace {

class XlsxReplace : public ScratchTest {
 protected:
  // A workbook whose cells all hold `value`, `cells` of them on one sheet.
  static Workbook* book(double value, int cells = 1) {
    Workbook* wb = Wb_newWorkbook("Book1");
    Sheet* sh = Wb_addSheet(wb, "S");
    for (int k = 0; k < cells; ++k) Wb_setValue(wb, sh, k / 50, k % 50, CellValue::makeNumber(value));
    return wb;
  }
  // A1 of the file; -1 when it cannot be opened.
  static double firstCell(const fs::path& file) {
    std::string error;
    Workbook* wb = Xlsx_open(file.string(), &error);
    if (!wb) return -1;
    const Cell* c = Wb_findCell(wb->sheets[0].get(), 0, 0);
    double value = c && c->value.kind == CellKind::Number ? c->value.number : -2;
    Wb_closeWorkbook(wb);
    return value;
  }
  // The names in the scratch folder.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    return names;
  }
  static bool save(Workbook* wb, const fs::path& file, std::string* error = nullptr,
                   std::vector<std::string>* notes = nullptr) {
    std::string ignored;
    return Xlsx_save(wb, file.string(), error ? error : &ignored, notes);
  }
};

// Saves in a child process, `times` times (forever when 0); the child's exit
// status is 0 when every save succeeded.
pid_t saveInChild(double value, const fs::path& target, int times, int cells) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  Workbook* wb = Wb_newWorkbook("Child");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int k = 0; k < cells; ++k) Wb_setValue(wb, sh, k / 50, k % 50, CellValue::makeNumber(value));
  bool ok = true;
  for (int n = 0; times == 0 || n < times; ++n) {
    std::string error;
    ok = Xlsx_save(wb, target.string(), &error) && ok;
  }
  _exit(ok ? 0 : 1);
}

}  // namespace

TEST_F(XlsxReplace, ReadOnlyTargetsAreRefusedAndLeftAsTheyAre) {
  fs::path target = dir_ / "book.xlsx";
  ASSERT_TRUE(save(book(1), target));
  fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
  std::string error;
  EXPECT_FALSE(save(book(2), target, &error));
  EXPECT_NE(error.find("read-only"), std::string::npos) << error;
  EXPECT_EQ(firstCell(target), 1);
  EXPECT_EQ(files(), std::vector<std::string>{"book.xlsx"});
}

// A user's own file named like a temporary file is not touched; the new
// file gets the permissions a new file gets; an existing one keeps its own.
TEST_F(XlsxReplace, TemporaryNamesAreUniqueAndPermissionsKept) {
  fs::path target = dir_ / "book.xlsx";
  std::ofstream(dir_ / "book.xlsx.saving") << "mine";
  std::ofstream(dir_ / "book.xlsx~1-abcdef") << "mine too";
  mode_t mask = umask(022);
  ASSERT_TRUE(save(book(1), target));
  umask(mask);
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0644));
  fs::permissions(target, fs::perms(0640));
  ASSERT_TRUE(save(book(2), target));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
  EXPECT_EQ(firstCell(target), 2);
  EXPECT_EQ(fs::file_size(dir_ / "book.xlsx.saving"), 4u);
  EXPECT_EQ(files().size(), 3u);
}

// A save breaks a hard link and says so; the other name keeps the old file.
TEST_F(XlsxReplace, BrokenHardLinksAreReported) {
  fs::path target = dir_ / "book.xlsx", other = dir_ / "other.xlsx";
  ASSERT_TRUE(save(book(1), target));
  fs::create_hard_link(target, other);
  std::vector<std::string> notes;
  ASSERT_TRUE(save(book(2), target, nullptr, &notes));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("hard link"), std::string::npos) << notes[0];
  EXPECT_EQ(firstCell(target), 2);
  EXPECT_EQ(firstCell(other), 1);
  notes.clear();
  ASSERT_TRUE(save(book(3), target, nullptr, &notes));
  EXPECT_TRUE(notes.empty());
}

// Saving over another user's file keeps its owner where the system permits
// it (run as root); otherwise the file belongs to whoever saves it.
TEST_F(XlsxReplace, OwnersAreKeptWherePermitted) {
  fs::path target = dir_ / "book.xlsx";
  ASSERT_TRUE(save(book(1), target));
  if (geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
  ASSERT_EQ(chown(target.c_str(), 4321, 4322), 0);
  ASSERT_TRUE(save(book(2), target));
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(firstCell(target), 2);
}

// Two processes saving to one file at once: every save succeeds, the file
// is always one of the two complete workbooks, and no temporary file stays.
TEST_F(XlsxReplace, ConcurrentSavesToOneFileBothEndWell) {
  fs::path target = dir_ / "book.xlsx";
  pid_t first = saveInChild(1, target, 20, 2000), second = saveInChild(2, target, 20, 2000);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  for (pid_t pid : {first, second}) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  double value = firstCell(target);
  EXPECT_TRUE(value == 1 || value == 2) << value;
  EXPECT_EQ(files(), std::vector<std::string>{"book.xlsx"});
}

// Saves killed at random points: the target is always the old workbook or
// a complete new one, and the next save removes what a killed one left.
TEST_F(XlsxReplace, KilledSavesNeverDamageTheTargetAndTheirLeftoversGo) {
  fs::path target = dir_ / "book.xlsx";
  ASSERT_TRUE(save(book(1), target));
  std::mt19937 random(7);
  std::uniform_int_distribution<int> delay(0, 40);
  int leftovers = 0;
  for (int trial = 0; trial < 40; ++trial) {
    pid_t pid = saveInChild(2 + trial % 2, target, 0, 5000);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    double value = firstCell(target);
    EXPECT_TRUE(value == 1 || value == 2 || value == 3) << trial << ": " << value;
    leftovers += files().size() > 1;
  }
  std::printf("killed saves that left a temporary file: %d of 40\n", leftovers);
  ASSERT_TRUE(save(book(4), target));
  EXPECT_EQ(firstCell(target), 4);
  EXPECT_EQ(files(), std::vector<std::string>{"book.xlsx"});
}
