// The NMEA reader on real receiver captures, cut into reads as the port would deliver them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gps/nmea_reader.h"
#include "tests/gps/fix_record_io.h"
#include "tests/gps/nmea_logs.h"

namespace {

// Every log, in reads of NmeaReadSize bytes starting at several phases so that sentences are cut
// at many places. The records must stay what real sentences can give: an accepted RMC (year
// set) has a real time, date, status and hemispheres, and a count or altitude a real receiver
// could send. Garbage accepted as a fix would break one of these.
TEST(NmeaLogs, EveryReadOfEveryLogGivesAPlausibleFix) {
  const std::vector<std::string> names = NmeaLogNames();
  ASSERT_GE(names.size(), 20u) << "captures missing in " << KAVRO_NMEA_DIR;
  for (const std::string& name : names) {
    const std::string log = ReadNmeaLog(name);
    ASSERT_FALSE(log.empty()) << name;
    int acceptedRmc = 0;
    for (std::size_t phase : {0u, 333u, 777u}) {
      for (std::size_t offset = phase; offset < log.size(); offset += NmeaReadSize) {
        const FixRecord fix = ParseLogPiece(log, offset, NmeaReadSize);
        SCOPED_TRACE(name + " at byte " + std::to_string(offset));
        if (fix.year >= 1990) {
          ++acceptedRmc;
          EXPECT_TRUE(fix.status == 'A' || fix.status == 'V') << ::testing::PrintToString(fix);
          EXPECT_TRUE(fix.latHemisphere == 'N' || fix.latHemisphere == 'S') << ::testing::PrintToString(fix);
          EXPECT_TRUE(fix.lonHemisphere == 'E' || fix.lonHemisphere == 'W') << ::testing::PrintToString(fix);
          EXPECT_TRUE(fix.hour >= 0 && fix.hour <= 23 && fix.minute >= 0 && fix.minute <= 59 && fix.second >= 0 &&
                      fix.second <= 60)
              << ::testing::PrintToString(fix);
          EXPECT_TRUE(fix.day >= 1 && fix.day <= 31 && fix.month >= 1 && fix.month <= 12 && fix.year <= 2099)
              << ::testing::PrintToString(fix);
          EXPECT_TRUE(fix.latitude >= 0.0 && fix.latitude <= 9000.0 && fix.longitude >= 0.0 &&
                      fix.longitude <= 18000.0)
              << ::testing::PrintToString(fix);
          EXPECT_TRUE(fix.speed >= 0.0 && fix.speed < 100.0 && fix.course >= 0.0 && fix.course <= 360.0)
              << ::testing::PrintToString(fix);
        }
        EXPECT_TRUE(fix.fixQuality >= 0 && fix.fixQuality <= 8 && fix.satsUsed >= 0 && fix.satsUsed <= 99 &&
                    fix.altitude > -500.0 && fix.altitude < 10000.0 && fix.satsInView >= 0 && fix.satsInView <= 99)
            << ::testing::PrintToString(fix);
      }
    }
    RecordProperty(name, acceptedRmc);
  }
}

struct LogPieceCase {
  const char* name;
  const char* log;
  std::size_t offset;
  std::size_t length;
  FixRecord expected;
};

void PrintTo(const LogPieceCase& c, std::ostream* os) { *os << c.name; }

class NmeaLogPieceTest : public ::testing::TestWithParam<LogPieceCase> {};

TEST_P(NmeaLogPieceTest, GivesTheFixReadFromTheSentences) {
  const LogPieceCase& c = GetParam();
  const std::string log = ReadNmeaLog(c.log);
  ASSERT_GT(log.size(), c.offset) << c.log;
  EXPECT_EQ(ParseLogPiece(log, c.offset, c.length), c.expected)
      << c.log << " bytes " << c.offset << "+" << c.length << ":\n"
      << log.substr(c.offset, c.length);
}

// Each expectation was read by eye from the first RMC, GGA and GSV in the piece (quoted).
const LogPieceCase LogPieces[] = {
    // Southern hemisphere, before the fix: status V with a whole position.
    // $GPRMC,095255.810,V,2712.6404,S,15303.1201,E,0.00,0.00,080407,,,A*6E
    // $GPGGA,095257.809,2712.6404,S,15303.1201,E,0,00,00.0,4.0,M,42.2,M,,*7B
    // $GPGSV,3,3,12,24,58,220,,26,17,053,,29,20,063,,30,60,311,44*7F (last of its cycle)
    {"HaicomBeforeFix", "haicom-305N.log", 0, 1000,
     Rmc(9, 52, 55, 'V', 2712.6404f, 'S', 15303.1201f, 'E', 0.0f, 0.0f, 8, 4, 2007).Gga(0, 0, 4.0f).InView(12)},
    // Walking, with the fix.
    // $GPRMC,095308.801,A,2712.6469,S,15303.1278,E,2.40,335.10,080407,,,A*77
    // $GPGGA,095308.801,2712.6469,S,15303.1278,E,1,04,21.1,3.0,M,42.2,M,,*7D
    // $GPGSV,3,1,12,2,15,123,,5,45,347,45,6,58,198,,7,45,212,30*74
    {"HaicomWalking", "haicom-305N.log", 3000, 1000,
     Rmc(9, 53, 8, 'A', 2712.6469f, 'S', 15303.1278f, 'E', 2.40f, 335.10f, 8, 4, 2007).Gga(1, 4, 3.0f).InView(12)},
    // The read starts just after the '$' of an RMC; the rest of it still reads whole.
    // GPRMC,095343.794,A,2712.6478,S,15303.1166,E,2.18,187.10,080407,,,A*71
    // $GPGGA,095344.793,2712.6483,S,15303.1163,E,1,07,01.3,8.4,M,42.2,M,,*70
    // $GPGSV,3,1,12,2,15,123,37,5,45,347,39,6,58,198,44,7,45,212,42*7E
    {"HaicomDollarCutOff", "haicom-305N.log", 12000, 1000,
     Rmc(9, 53, 43, 'A', 2712.6478f, 'S', 15303.1166f, 'E', 2.18f, 187.10f, 8, 4, 2007).Gga(1, 7, 8.4f).InView(12)},
    // Header lines and a GSV cut off at the end of the read: the counts before the cut are whole.
    // $GPGSV,3,2,12,14,79,041,29,15,
    {"QuectelHeaderOnly", "quectel-l76k-nmea.log", 0, 1000, Fix().InView(12)},
    // 5 Hz, GN talker, north-west, five-digit minutes.
    // $GNRMC,055234.000,A,4739.71890,N,12219.58362,W,0.00,286.35,050826,,,A,V*13
    // $GNGGA,055234.200,4739.71890,N,12219.58362,W,1,14,0.9,76.5,M,-21.6,M,,*4A
    // $GPGSV,3,3,12,20,47,263,20,22,78,280,15,24,07,305,,30,57,127,31,0*63
    {"Quectel5Hz", "quectel-l76k-nmea.log", 1000, 1000,
     Rmc(5, 52, 34, 'A', 4739.7189f, 'N', 12219.58362f, 'W', 0.0f, 286.35f, 5, 8, 2026).Gga(1, 14, 76.5f).InView(12)},
    // Two whole RMCs 200 ms apart in one read: only the first counts.
    // $GNRMC,055236.200,A,4739.71890,N,12219.58360,W,0.00,286.35,050826,,,A,V*11
    // $GNGGA,055236.400,4739.71890,N,12219.58360,W,1,14,0.9,76.5,M,-21.6,M,,*4C
    // $GNRMC,055236.400,A,4739.71890,N,12219.58360,W,0.00,286.35,050826,,,A,V*17
    // $GPGSV,3,1,12,01,17,083,12,02,20,056,27,07,18,123,24,08,,,15,0*59
    {"Quectel5HzFirstOfTwo", "quectel-l76k-nmea.log", 11000, 1000,
     Rmc(5, 52, 36, 'A', 4739.7189f, 'N', 12219.5836f, 'W', 0.0f, 286.35f, 5, 8, 2026).Gga(1, 14, 76.5f).InView(12)},
    // The header's own prose holds the first "RMC" ("The RMC on data line 7"), so this read
    // has no RMC; the header also quotes a GSV, which counts.
    // #        $GPGSV,3,3,12,2,40,16,00,090,*72
    {"Gp320HeaderProse", "gp-320fw-2019-04-07-coldboot.log", 0, 1000, Fix().InView(12)},
    // A garbled RMC: the longitude is "4" and the E/W letter is the '0' of "02.3".
    // $GPRMC,000344.03,A,4808.9992,N,4,02.3*05
    // $GPGGA,000343.03,4808.9993,N,01135.0798,E,1,04,01.4,00460.0,M,0046.2,M,,*56
    // $GPGSV,3,1,12,20,76,058,40,11,73,252,,06,41,274,,14,41,185,*7D
    {"Gp320Garbled", "gp-320fw-2019-04-07-coldboot.log", 1000, 1000,
     Fix().Time(0, 3, 0).Status('A').Hemispheres('N', '0').Gga(1, 4, 460.0f).InView(12)},
    // NUL bytes from the receiver end the text: the GGA and GSV behind them are never seen.
    // $GPRMC,000346.03,A,4808<NUL x12>
    {"Gp320NulBytes", "gp-320fw-2019-04-07-coldboot.log", 1933, 1000, Fix().Time(0, 3, 0).Status('A')},
    // After the restart: void fixes at 0,0 with empty speed and course.
    // $GPRMC,235948.00,V,0000.0000,N,00000.0000,E,,,161206,,,N*45
    // $GPGGA,235952.00,0000.0000,N,00000.0000,E,0,00,0.0,,M,,M,,*00.0000,N,... (empty altitude)
    // $GPGSV,3,2,12,193,33,090,,31,25,090,,09,58,270,*71
    {"Gp320AfterRestart", "gp-320fw-2019-04-07-coldboot.log", 2000, 1000,
     Fix().Time(23, 59, 0).Status('V').Hemispheres('N', 'E').InView(12)},
    // The first RMC has every field empty; the whole ones behind it are ignored.
    // $GPRMC,,V,,,,,,,,,,N*53
    {"April6WholeLog", "april6_2019.log", 0, 1000, Fix()},
    // After the GPS week rollover the receiver sends the year "-1".
    // $GPRMC,000231.099,A,4829.0005,N,00022.0015,E,0.15,212.28,2208-1,,,A*73
    {"April6YearMinusOne", "april6_2019.log", 545, 1000,
     Rmc(0, 2, 31, 'A', 4829.0005f, 'N', 22.0015f, 'E', 0.15f, 212.28f, 22, 8, 1999)},
    // An RMC cut off at the end of the read, after the course.
    // $GNRMC,091232.000,A,4813.0535,N,00824.8697,E,0.00,0.00
    {"Nl2008uCutAtEnd", "nl2008u.log", 0, 1000, Fix().Time(9, 12, 0).Status('A').Hemispheres('N', 'E')},
};
std::string PieceName(const ::testing::TestParamInfo<LogPieceCase>& piece) { return piece.param.name; }
INSTANTIATE_TEST_SUITE_P(Captures, NmeaLogPieceTest, ::testing::ValuesIn(LogPieces), PieceName);

}  // namespace
