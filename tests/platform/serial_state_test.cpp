// GetCommState / SetCommState and the timeouts against a real pseudo-terminal: what a port
// takes, and what it refuses without changing anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/test_support.h"

namespace {

// The fields of a DCB that carry meaning here, in one line, so that whole records compare.
std::string Describe(const DCB& d) {
  return "rate " + std::to_string(d.BaudRate) + " bits " + std::to_string(d.ByteSize) +
         " parity " + std::to_string(d.Parity) + " stop " + std::to_string(d.StopBits) +
         " cts " + std::to_string(d.fOutxCtsFlow) + " dsr " + std::to_string(d.fOutxDsrFlow) +
         " dtr " + std::to_string(d.fDtrControl) + " rts " + std::to_string(d.fRtsControl) +
         " outx " + std::to_string(d.fOutX) + " inx " + std::to_string(d.fInX) + " xon " +
         std::to_string(d.XonChar) + " xoff " + std::to_string(d.XoffChar);
}

class SerialState : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(handle_, INVALID_HANDLE_VALUE); }
  void TearDown() override { EXPECT_EQ(CloseHandle(handle_), TRUE); }
  DCB Current() const {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    EXPECT_EQ(GetCommState(handle_, &dcb), TRUE);
    return dcb;
  }
  // The viewer's settings: 8N1, no hardware handshake, DTR and RTS off, XON/XOFF both ways.
  DCB ViewerSettings(DWORD rate) const {
    DCB dcb = Current();
    dcb.BaudRate = rate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    return dcb;
  }

  kavro_test::PtyPort port_{1};
  HANDLE handle_ = kavro_test::OpenExisting(port_.Name());
};

TEST_F(SerialState, SettingsReadBackAsTheyWereSet) {
  struct Case {
    const char* name;
    DWORD rate;
    BYTE stopBits;
    bool rtsCts;
  };
  const Case cases[] = {
      {"115200, two stop bits", CBR_115200, TWOSTOPBITS, false},
      {"the fastest line, RTS/CTS", 4000000, ONESTOPBIT, true},
      {"14400 (no termios constant)", CBR_14400, ONESTOPBIT, false},
      {"250000 (an arbitrary rate)", 250000, ONESTOPBIT, false},
  };
  for (const Case& c : cases) {
    DCB wanted = ViewerSettings(c.rate);
    wanted.StopBits = c.stopBits;
    wanted.fOutxCtsFlow = c.rtsCts ? 1 : 0;
    wanted.fRtsControl = c.rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    ASSERT_EQ(SetCommState(handle_, &wanted), TRUE) << c.name << ": error " << GetLastError();
    EXPECT_EQ(Describe(Current()), Describe(wanted)) << c.name;
  }
}

// A refused setting changes nothing, neither on the line nor in what GetCommState reports.
TEST_F(SerialState, RefusedSettingsLeaveTheLineAsItWas) {
  struct Case {
    const char* name;
    void (*change)(DCB*);
    DWORD error;
  };
  const Case cases[] = {
      {"rate 0", [](DCB* d) { d->BaudRate = 0; }, ERROR_INVALID_PARAMETER},
      {"rate beyond the fastest line", [](DCB* d) { d->BaudRate = 4000001; },
       ERROR_INVALID_PARAMETER},
      // Once set as 4294967295 baud, from a negative rate in a settings file.
      {"negative rate", [](DCB* d) { d->BaudRate = static_cast<DWORD>(-9600); },
       ERROR_INVALID_PARAMETER},
      {"4 data bits", [](DCB* d) { d->ByteSize = 4; }, ERROR_INVALID_PARAMETER},
      {"9 data bits", [](DCB* d) { d->ByteSize = 9; }, ERROR_INVALID_PARAMETER},
      {"parity 5", [](DCB* d) { d->Parity = 5; }, ERROR_INVALID_PARAMETER},
      {"stop bits 3", [](DCB* d) { d->StopBits = 3; }, ERROR_INVALID_PARAMETER},
      {"1.5 stop bits with 8 data bits", [](DCB* d) { d->StopBits = ONE5STOPBITS; },
       ERROR_INVALID_PARAMETER},
      {"XON equal to XOFF", [](DCB* d) { d->XoffChar = d->XonChar; }, ERROR_INVALID_PARAMETER},
      {"wrong DCBlength", [](DCB* d) { d->DCBlength = 12; }, ERROR_INVALID_PARAMETER},
      // A pseudo-terminal always carries 8 bits without parity: the line cannot take these.
      {"7 data bits", [](DCB* d) { d->ByteSize = 7; }, ERROR_INVALID_PARAMETER},
      {"even parity", [](DCB* d) { d->Parity = EVENPARITY; }, ERROR_INVALID_PARAMETER},
      {"DSR flow control", [](DCB* d) { d->fOutxDsrFlow = 1; }, ERROR_NOT_SUPPORTED},
      {"DTR handshake", [](DCB* d) { d->fDtrControl = DTR_CONTROL_HANDSHAKE; },
       ERROR_NOT_SUPPORTED},
  };
  DCB good = ViewerSettings(250000);  // an arbitrary rate, the hardest to keep
  ASSERT_EQ(SetCommState(handle_, &good), TRUE);
  const std::string line = port_.LineSettings();
  const std::string state = Describe(Current());
  for (const Case& c : cases) {
    DCB bad = good;
    c.change(&bad);
    EXPECT_EQ(SetCommState(handle_, &bad), FALSE) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    EXPECT_EQ(port_.LineSettings(), line) << c.name;
    EXPECT_EQ(Describe(Current()), state) << c.name;
  }
  DCB unset{};
  EXPECT_EQ(GetCommState(handle_, &unset), FALSE) << "GetCommState wants DCBlength set";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetCommState(handle_, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(SerialState, RefusedTimeoutsLeaveThePortsOwn) {
  COMMTIMEOUTS viewer{1000, 0, 0, 10, 1000};
  ASSERT_EQ(SetCommTimeouts(handle_, &viewer), TRUE);
  COMMTIMEOUTS meaningless{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0};
  EXPECT_EQ(SetCommTimeouts(handle_, &meaningless), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetCommTimeouts(handle_, nullptr), FALSE);
  COMMTIMEOUTS got{};
  ASSERT_EQ(GetCommTimeouts(handle_, &got), TRUE);
  const auto fields = [](const COMMTIMEOUTS& t) {
    return std::vector<DWORD>{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                              t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                              t.WriteTotalTimeoutConstant};
  };
  EXPECT_EQ(fields(got), fields(viewer));
}

}  // namespace
