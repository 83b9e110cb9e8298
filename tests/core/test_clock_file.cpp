#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "device/clock_file.h"

using namespace korvala;
namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ClockFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("korvala-clock-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

}  // namespace

TEST(ClockFileContent, PadsDayMonthAndTimeToTwoDigits) {
    EXPECT_EQ(clockFileContent(5, 3, 2027, 9, 4, 7), "/05/03/2027/09:04:07");
    EXPECT_EQ(clockFileContent(31, 12, 2026, 23, 59, 59), "/31/12/2026/23:59:59");
    EXPECT_EQ(clockFileContent(1, 1, 2100, 0, 0, 0), "/01/01/2100/00:00:00");
}

TEST(ClockFilePath, JoinsTheDriveRootOnce) {
    EXPECT_EQ(clockFilePath("/media/karte"), "/media/karte/timeset.txt");
    EXPECT_EQ(clockFilePath("/media/karte/"), "/media/karte/timeset.txt");
    EXPECT_EQ(clockFilePath("/"), "/timeset.txt");
}

TEST_F(ClockFile, WritesOneLineAndConfirms) {
    const std::string drive = dir.string();
    const ClockFileResult result = writeClockFile("/03/12/2026/16:17:46", drive);

    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.path, drive + "/timeset.txt");
    const std::string bytes = readBytes(dir / "timeset.txt");
    EXPECT_EQ(bytes, "/03/12/2026/16:17:46\r\n");
    EXPECT_EQ(bytes.size(), 22u);
    EXPECT_EQ(result.message, drive + "/timeset.txt wurde geändert: /03/12/2026/16:17:46");
}

TEST_F(ClockFile, SecondWriteReplacesTheFirst) {
    ASSERT_TRUE(writeClockFile("/03/12/2026/16:17:46", dir.string()).ok);
    ASSERT_TRUE(writeClockFile("/03/12/2026/16:18:01", dir.string()).ok);
    EXPECT_EQ(readBytes(dir / "timeset.txt"), "/03/12/2026/16:18:01\r\n");
    // Nothing else is left beside it on the card.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(ClockFile, MissingOrUnwritableDriveIsReportedInGerman) {
    const ClockFileResult none = writeClockFile("/03/12/2026/16:17:46", "");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.message, "Es ist kein SD-Laufwerk ausgewählt.");

    const std::string gone = (dir / "karte-fehlt").string();
    const ClockFileResult missing = writeClockFile("/03/12/2026/16:17:46", gone);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("ist nicht bereit"), std::string::npos) << missing.message;
    EXPECT_FALSE(fs::exists(gone));

    // /proc refuses new files even for root, unlike a folder with its write bits removed.
    if (!fs::is_directory("/proc"))
        GTEST_SKIP() << "no /proc to stand in for a read-only card";
    const ClockFileResult readOnly = writeClockFile("/03/12/2026/16:17:46", "/proc");
    EXPECT_FALSE(readOnly.ok);
    EXPECT_EQ(readOnly.message.rfind("/proc/timeset.txt konnte nicht geschrieben werden.", 0), 0u)
        << readOnly.message;
}

TEST_F(ClockFile, FailedWriteKeepsTheEarlierFile) {
    ASSERT_TRUE(writeClockFile("/03/12/2026/16:17:46", dir.string()).ok);
    // A folder in the way of the file makes the replacement fail.
    const fs::path blocked = dir / "blocked";
    fs::create_directories(blocked / "timeset.txt");
    EXPECT_FALSE(writeClockFile("/04/12/2026/10:00:00", blocked.string()).ok);
    EXPECT_EQ(readBytes(dir / "timeset.txt"), "/03/12/2026/16:17:46\r\n");
}
