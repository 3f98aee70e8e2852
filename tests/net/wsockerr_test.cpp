// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/wsockerr.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <map>
#include <string>

namespace torvane {
namespace {

constexpr const char* kNotWinsock = "Not a WinSock error";

TEST(WSocketErrorDescTest, ExactlyTheFiftyOneKnownCodesHaveTexts) {
    std::map<int, std::string> known;
    for (int code = -100; code <= 12000; ++code) {
        std::string text = WSocketErrorDesc(code);
        if (text != kNotWinsock) known[code] = text;
    }
    EXPECT_EQ(known.size(), 51u);
    // Spot checks across the ranges of the table.
    EXPECT_EQ(known[0], "No Error");
    EXPECT_EQ(known[10004], "Interrupted system call");
    EXPECT_EQ(known[10035], "Operation would block");
    EXPECT_EQ(known[10047], "Address family not supported by protocol family");
    EXPECT_EQ(known[10048], "Address already in use");
    EXPECT_EQ(known[10058], "Can't send after socket shutdown");
    EXPECT_EQ(known[10059], "Too many references: can't splice");
    EXPECT_EQ(known[10071], "Too many levels of remote in path");
    EXPECT_EQ(known[10091], "Network sub-system is unusable");
    EXPECT_EQ(known[10092], "WinSock DLL cannot support this application");
    EXPECT_EQ(known[10093], "WinSock not initialized");
    EXPECT_EQ(known[11001], "Host not found");
    EXPECT_EQ(known[11002], "Non-authoritative host not found");
    EXPECT_EQ(known[11003], "Non-recoverable error");
    EXPECT_EQ(known[11004], "No Data");
}

TEST(WSocketErrorDescTest, GapsAndOutOfRangeCodesAreNotWinsockErrors) {
    for (int code : {-1, 1, 10001, 10003, 10005, 10008, 10010, 10012, 10015, 10021, 10023, 10025, 10034,
                     10072, 10090, 10094, 11000, 11005, 0x7fffffff}) {
        EXPECT_EQ(WSocketErrorDesc(code), kNotWinsock) << code;
    }
}

TEST(WSocketErrorReportTest, ComposesCodeLabelLineBreakAndDescription) {
    EXPECT_EQ(WSocketErrorReport(10057, "Send"), "Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(WSocketErrorReport(10048, "Bind"), "Error 10048 in function Bind\r\nAddress already in use");
    EXPECT_EQ(WSocketErrorReport(5, "x"), "Error 5 in function x\r\nNot a WinSock error");
}

TEST(WinsockErrorFromErrnoTest, MapsPlatformErrorsToSocketCodes) {
    EXPECT_EQ(WinsockErrorFromErrno(0), 0);
    EXPECT_EQ(WinsockErrorFromErrno(EAGAIN), 10035);
    EXPECT_EQ(WinsockErrorFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(WinsockErrorFromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(WinsockErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinsockErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(WinsockErrorFromErrno(EINVAL), 10022);
    EXPECT_EQ(WinsockErrorFromErrno(EACCES), 10013);
    EXPECT_EQ(WinsockErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(WinsockErrorFromErrno(EBADF), 10038);  // a closed handle is no socket
    // Every platform error either becomes a code with a description of its
    // own or keeps its number, which no description claims.
    for (int error = 1; error < 200; ++error) {
        int code = WinsockErrorFromErrno(error);
        if (code == error) {
            EXPECT_EQ(WSocketErrorDesc(code), kNotWinsock) << error;
        } else {
            EXPECT_NE(WSocketErrorDesc(code), kNotWinsock) << error;
        }
    }
    EXPECT_EQ(WinsockErrorFromErrno(EIO), EIO);
}

TEST(WinsockErrorFromGaiTest, NameServiceFailuresUseTheLookupCodes) {
    EXPECT_EQ(WinsockErrorFromGai(0), 0);
    EXPECT_EQ(WinsockErrorFromGai(EAI_NONAME), 11001);
    EXPECT_EQ(WinsockErrorFromGai(EAI_AGAIN), 11002);
    EXPECT_EQ(WinsockErrorFromGai(EAI_FAIL), 11003);
    EXPECT_EQ(WinsockErrorFromGai(EAI_NODATA), 11004);
    EXPECT_EQ(WinsockErrorFromGai(EAI_SERVICE), 11004);
    errno = ECONNREFUSED;
    EXPECT_EQ(WinsockErrorFromGai(EAI_SYSTEM), 10061);
}

}  // namespace
}  // namespace torvane
