// GetCommState / SetCommState against the termios of a real pseudo-terminal, and the
// timeouts record.
#include <gtest/gtest.h>

#include <string>

#include <termios.h>

#include "platform/test_support.h"
#include "platform/windows.h"

namespace {

using kavro_test::PtyPort;

constexpr DWORD kMaxDword = 0xFFFFFFFFu;

HANDLE OpenPort(const PtyPort& port) {
  return CreateFileW(port.Name().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The fields of a DCB that carry meaning here, in one line, so that whole records compare
// and a failure shows both.
std::string Describe(const DCB& d) {
  return "rate " + std::to_string(d.BaudRate) + " bits " + std::to_string(d.ByteSize) + " parity " +
         std::to_string(d.Parity) + " stop " + std::to_string(d.StopBits) + " cts " + std::to_string(d.fOutxCtsFlow) +
         " dsr " + std::to_string(d.fOutxDsrFlow) + " dtr " + std::to_string(d.fDtrControl) + " rts " +
         std::to_string(d.fRtsControl) + " outx " + std::to_string(d.fOutX) + " inx " + std::to_string(d.fInX) +
         " xon " + std::to_string(d.XonChar) + " xoff " + std::to_string(d.XoffChar) + " binary " +
         std::to_string(d.fBinary);
}

std::string Describe(const termios& t) {
  return "iflag " + std::to_string(t.c_iflag) + " oflag " + std::to_string(t.c_oflag) + " cflag " +
         std::to_string(t.c_cflag) + " lflag " + std::to_string(t.c_lflag) + " speed " +
         std::to_string(cfgetospeed(&t));
}

DCB CurrentState(HANDLE handle) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  EXPECT_EQ(GetCommState(handle, &dcb), TRUE);
  return dcb;
}

// The viewer's settings: 8N1, no hardware handshake, DTR and RTS off, XON/XOFF both ways.
void SetViewerSettings(DCB* dcb, DWORD rate) {
  dcb->BaudRate = rate;
  dcb->ByteSize = 8;
  dcb->Parity = NOPARITY;
  dcb->StopBits = ONESTOPBIT;
  dcb->fOutxCtsFlow = 0;
  dcb->fOutxDsrFlow = 0;
  dcb->fDtrControl = DTR_CONTROL_DISABLE;
  dcb->fRtsControl = RTS_CONTROL_DISABLE;
  dcb->fOutX = 1;
  dcb->fInX = 1;
}

TEST(SerialState, ViewerSettingsReachTheLine) {
  PtyPort port(1);
  HANDLE handle = OpenPort(port);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DCB dcb = CurrentState(handle);
  SetViewerSettings(&dcb, CBR_4800);
  ASSERT_EQ(SetCommState(handle, &dcb), TRUE) << "error " << GetLastError();

  termios t{};
  ASSERT_EQ(tcgetattr(port.Slave(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B4800));
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8)) << "8N1 without RTS/CTS";
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXANY), 0u) << "no input translation";
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u) << "raw";
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 1);
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

struct RoundTripCase {
  const char* name;
  DWORD rate;
  BYTE stopBits;
  bool cts;
  bool xonXoff;
};

TEST(SerialState, SettingsReadBackAsTheyWereSet) {
  const RoundTripCase cases[] = {
      {"4800", CBR_4800, ONESTOPBIT, false, true},
      {"9600", CBR_9600, ONESTOPBIT, false, false},
      {"115200, two stop bits", CBR_115200, TWOSTOPBITS, false, true},
      {"4000000, RTS/CTS", 4000000, ONESTOPBIT, true, false},
      {"14400 (no termios constant)", CBR_14400, ONESTOPBIT, false, true},
      {"250000 (arbitrary)", 250000, ONESTOPBIT, false, true},
      {"110", CBR_110, ONESTOPBIT, false, true},
  };
  PtyPort port(2);
  HANDLE handle = OpenPort(port);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  for (const RoundTripCase& c : cases) {
    DCB wanted = CurrentState(handle);
    SetViewerSettings(&wanted, c.rate);
    wanted.StopBits = c.stopBits;
    wanted.fOutxCtsFlow = c.cts ? 1 : 0;
    wanted.fRtsControl = c.cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    wanted.fOutX = c.xonXoff ? 1 : 0;
    wanted.fInX = c.xonXoff ? 1 : 0;
    ASSERT_EQ(SetCommState(handle, &wanted), TRUE) << c.name << ": error " << GetLastError();
    EXPECT_EQ(Describe(CurrentState(handle)), Describe(wanted)) << c.name;
  }
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

struct RefusedCase {
  const char* name;
  void (*change)(DCB*);
  DWORD error;
};

TEST(SerialState, RefusedSettingsLeaveTheLineAsItWas) {
  const RefusedCase cases[] = {
      {"rate 0", [](DCB* d) { d->BaudRate = 0; }, ERROR_INVALID_PARAMETER},
      {"4 data bits", [](DCB* d) { d->ByteSize = 4; }, ERROR_INVALID_PARAMETER},
      {"9 data bits", [](DCB* d) { d->ByteSize = 9; }, ERROR_INVALID_PARAMETER},
      {"parity 5", [](DCB* d) { d->Parity = 5; }, ERROR_INVALID_PARAMETER},
      {"stop bits 3", [](DCB* d) { d->StopBits = 3; }, ERROR_INVALID_PARAMETER},
      {"1.5 stop bits with 8 data bits", [](DCB* d) { d->StopBits = ONE5STOPBITS; }, ERROR_INVALID_PARAMETER},
      {"XON equal to XOFF", [](DCB* d) { d->XoffChar = d->XonChar; }, ERROR_INVALID_PARAMETER},
      {"wrong DCBlength", [](DCB* d) { d->DCBlength = 12; }, ERROR_INVALID_PARAMETER},
      // A pseudo-terminal always carries 8 bits without parity: the line cannot take these.
      {"7 data bits on a pseudo-terminal", [](DCB* d) { d->ByteSize = 7; }, ERROR_INVALID_PARAMETER},
      {"even parity on a pseudo-terminal", [](DCB* d) { d->Parity = EVENPARITY; }, ERROR_INVALID_PARAMETER},
      {"DSR flow control", [](DCB* d) { d->fOutxDsrFlow = 1; }, ERROR_NOT_SUPPORTED},
      {"DTR handshake", [](DCB* d) { d->fDtrControl = DTR_CONTROL_HANDSHAKE; }, ERROR_NOT_SUPPORTED},
  };
  PtyPort port(3);
  HANDLE handle = OpenPort(port);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DCB good = CurrentState(handle);
  SetViewerSettings(&good, 250000);  // an arbitrary rate, the hardest to restore
  ASSERT_EQ(SetCommState(handle, &good), TRUE);
  termios before{};
  ASSERT_EQ(tcgetattr(port.Slave(), &before), 0);
  const std::string state = Describe(CurrentState(handle));
  for (const RefusedCase& c : cases) {
    DCB bad = good;
    c.change(&bad);
    EXPECT_EQ(SetCommState(handle, &bad), FALSE) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    termios after{};
    ASSERT_EQ(tcgetattr(port.Slave(), &after), 0);
    EXPECT_EQ(Describe(after), Describe(before)) << c.name;
    EXPECT_EQ(Describe(CurrentState(handle)), state) << c.name;
  }
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

TEST(SerialState, GetCommStateWantsTheLengthSet) {
  PtyPort port(4);
  HANDLE handle = OpenPort(port);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DCB dcb{};
  EXPECT_EQ(GetCommState(handle, &dcb), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetCommState(handle, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  dcb.DCBlength = sizeof dcb;
  EXPECT_EQ(GetCommState(handle, &dcb), TRUE);
  EXPECT_EQ(dcb.DCBlength, sizeof dcb);
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

std::string Describe(const COMMTIMEOUTS& t) {
  return std::to_string(t.ReadIntervalTimeout) + "/" + std::to_string(t.ReadTotalTimeoutMultiplier) + "/" +
         std::to_string(t.ReadTotalTimeoutConstant) + "/" + std::to_string(t.WriteTotalTimeoutMultiplier) + "/" +
         std::to_string(t.WriteTotalTimeoutConstant);
}

TEST(SerialState, TimeoutsAreKeptAsSet) {
  PtyPort port(5);
  HANDLE handle = OpenPort(port);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS got{1, 2, 3, 4, 5};
  ASSERT_EQ(GetCommTimeouts(handle, &got), TRUE);
  EXPECT_EQ(Describe(got), "0/0/0/0/0") << "a fresh port";
  COMMTIMEOUTS viewer{1000, 0, 0, 10, 1000};
  ASSERT_EQ(SetCommTimeouts(handle, &viewer), TRUE);
  ASSERT_EQ(GetCommTimeouts(handle, &got), TRUE);
  EXPECT_EQ(Describe(got), Describe(viewer));
  COMMTIMEOUTS meaningless{kMaxDword, kMaxDword, kMaxDword, 0, 0};
  EXPECT_EQ(SetCommTimeouts(handle, &meaningless), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetCommTimeouts(handle, nullptr), FALSE);
  ASSERT_EQ(GetCommTimeouts(handle, &got), TRUE);
  EXPECT_EQ(Describe(got), Describe(viewer)) << "unchanged by the refused calls";
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

}  // namespace
