// The track file on real files in a program folder: where it goes, its name, a whole document
// after every point, and the failures that end recording (a folder that cannot be made, a file
// size limit) with one line on standard error and a valid file.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "common/program_folder.h"
#include "gps/nmea_reader.h"
#include "record/track_recorder.h"

namespace {

namespace fs = std::filesystem;
using kavro_test::ReadWholeFile;

class TrackRecorderTest : public kavro_test::ProgramFolderTest {
 protected:
  // Records the fix of an RMC at this time (hhmmss.ss on 2024-05-01), latitude 48 degrees plus i minutes.
  void RecordAt(const std::string& time, int i = 0) {
    const std::string text = "$GPRMC," + time + ",A,48" + (i < 10 ? "0" : "") + std::to_string(i) +
                             ".000,N,01131.000,E,022.4,084.4,010524,003.1,W*6A\r\n";
    ParseNmeaTextWithExtras(text.c_str(), &trackState.current, &trackState.currentExtras);
    RecordTrackFix(&trackState);
  }

  // The files in a folder, by name.
  static std::vector<std::string> FilesIn(const std::string& path) {
    std::vector<std::string> names;
    if (!fs::is_directory(path)) return names;
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
  }

  // A whole document: one start, the points, one closing at the very end.
  static void ExpectWholeDocument(const std::string& text, int points) {
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_EQ(Count(text, "<trkpt "), points);
    EXPECT_EQ(Count(text, "</trkpt>"), points);
    EXPECT_EQ(Count(text, GpxClosingTags), 1);
    ASSERT_GE(text.size(), GpxClosingSize);
    EXPECT_EQ(text.substr(text.size() - GpxClosingSize), GpxClosingTags);
  }

  void TearDown() override {
    FinishTrack();
    ProgramFolderTest::TearDown();
  }

  const std::string tracks = folder + "/tracks";
};

// The first point makes tracks/ and the file named by its time; every point leaves a whole
// document; the file's name is the first point's.
TEST_F(TrackRecorderTest, EveryPointLeavesAWholeDocument) {
  EXPECT_FALSE(fs::exists(tracks)) << "no folder before the first point";
  for (int i = 0; i < 5; ++i) {
    RecordAt("1200" + std::to_string(10 + i) + ".00", i);
    ASSERT_EQ(FilesIn(tracks), std::vector<std::string>{"2024-05-01_12-00-10Z.gpx"});
    ExpectWholeDocument(ReadWholeFile(tracks + "/2024-05-01_12-00-10Z.gpx"), i + 1);
  }
  FinishTrack();
  ExpectWholeDocument(ReadWholeFile(tracks + "/2024-05-01_12-00-10Z.gpx"), 5);
}

// TRACKS: off records nothing; a folder relative to the program folder or absolute, made with
// the folders above it; a value cut by the line length records nothing, saying so.
TEST_F(TrackRecorderTest, TheTracksSettingChoosesTheFolder) {
  const struct {
    std::uint8_t mode;
    std::wstring value;
    std::string where;
    int stderrLines;
  } cases[] = {
      {TracksOff, L"", "", 0},
      {TracksInNamedFolder, L"drives/2024", folder + "/drives/2024", 0},
      {TracksInNamedFolder, std::wstring(folder.begin(), folder.end()) + L"/abs/x/", folder + "/abs/x", 0},
      {TracksFolderTooLong, L"", "", 1},
  };
  for (const auto& c : cases) {
    FinishTrack();
    trackState.tracksMode = c.mode;
    std::wcscpy(trackState.tracksFolder, c.value.c_str());
    testing::internal::CaptureStderr();
    RecordAt("120000.00");
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(errors, "\n"), c.stderrLines) << errors;
    EXPECT_FALSE(fs::exists(tracks));
    if (!c.where.empty()) {
      EXPECT_EQ(FilesIn(c.where), std::vector<std::string>{"2024-05-01_12-00-00Z.gpx"});
    }
  }
  EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"abs", "drives"}));
}

// A taken name is never overwritten: the next run of the same second gets _2, then _3.
TEST_F(TrackRecorderTest, TakenNamesGetANumber) {
  fs::create_directory(tracks);
  kavro_test::WriteWholeFile(tracks + "/2024-05-01_12-00-00Z.gpx", "an earlier drive");
  for (int run = 0; run < 2; ++run) {
    FinishTrack();
    RecordAt("120000.40");
  }
  FinishTrack();
  EXPECT_EQ(FilesIn(tracks), (std::vector<std::string>{"2024-05-01_12-00-00Z.gpx", "2024-05-01_12-00-00Z_2.gpx",
                                                       "2024-05-01_12-00-00Z_3.gpx"}));
  EXPECT_EQ(ReadWholeFile(tracks + "/2024-05-01_12-00-00Z.gpx"), "an earlier drive");
}

// A folder that cannot be made (a file stands in its place): one line naming it and the cause,
// and nothing more for the rest of the run.
TEST_F(TrackRecorderTest, AFolderThatCannotBeMadeStopsRecording) {
  kavro_test::WriteWholeFile(tracks, "not a folder");
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) RecordAt("12000" + std::to_string(i) + ".00", i);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(std::regex_match(errors, std::regex("kavro: track recording stopped: " + tracks + ": .*folder.*\n")))
      << errors;
  EXPECT_EQ(trackRecorder.state, RecorderStopped);
}

// The file size limit (the program is not killed by SIGXFSZ): the point that does not fit is
// cut away, the file ends with the closing tags after the last whole point; with no whole point
// there is no file.
TEST_F(TrackRecorderTest, AFileSizeLimitLeavesTheWholePoints) {
  RecordAt("120000.00", 0);
  const std::string path = tracks + "/2024-05-01_12-00-00Z.gpx";
  const std::size_t onePoint = ReadWholeFile(path).size();
  RecordAt("120001.00", 1);
  const std::size_t pointSize = ReadWholeFile(path).size() - onePoint;
  FinishTrack();
  fs::remove_all(tracks);

  const struct {
    rlim_t limit;
    int points;
  } cases[] = {{onePoint + 2 * pointSize + pointSize / 2, 3}, {onePoint - 10, 0}};
  for (const auto& c : cases) {
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = c.limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 6; ++i) RecordAt("12000" + std::to_string(i) + ".00", i);
    const std::string errors = testing::internal::GetCapturedStderr();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_TRUE(std::regex_match(errors, std::regex("kavro: track recording stopped: " + path + ": .*limit.*\n")))
        << errors;
    FinishTrack();
    if (c.points == 0) {
      EXPECT_FALSE(fs::exists(path));
    } else {
      ExpectWholeDocument(ReadWholeFile(path), c.points);
    }
    fs::remove_all(tracks);
  }
}

// The decoder's sink takes the same text, the closing tags once at the end, and no file is made.
TEST_F(TrackRecorderTest, ASinkTakesTheTextInsteadOfAFile) {
  static std::string taken;
  taken.clear();
  trackRecorder.sink = [](const char* text, std::size_t length) { taken.append(text, length); };
  for (int i = 0; i < 3; ++i) RecordAt("12000" + std::to_string(i) + ".00", i);
  FinishTrack();
  ExpectWholeDocument(taken, 3);
  EXPECT_FALSE(fs::exists(tracks));
}

}  // namespace
