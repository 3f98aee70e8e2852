// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Socket error codes keep the Winsock numbering everywhere in Torvane
// (10035 would block, 10048 address in use, 11001 host not found, ...), so
// that reports and status texts read the same on every platform. Platform
// error numbers are translated here and nowhere else.

#include <string>

namespace torvane {

// Codes used by the socket layer by name.
inline constexpr int kWsaEintr = 10004;
inline constexpr int kWsaEinval = 10022;
inline constexpr int kWsaEwouldblock = 10035;
inline constexpr int kWsaEnotsock = 10038;
inline constexpr int kWsaEaddrinuse = 10048;
inline constexpr int kWsaEconnreset = 10054;
inline constexpr int kWsaEnotconn = 10057;
inline constexpr int kWsaHostNotFound = 11001;
inline constexpr int kWsaTryAgain = 11002;
inline constexpr int kWsaNoRecovery = 11003;
inline constexpr int kWsaNoData = 11004;

// The description of an error code: "No Error" for 0, the text of each of
// the 51 known codes, "Not a WinSock error" for anything else.
std::string WSocketErrorDesc(int code);

// The report of a failed socket step: "Error <code> in function <label>",
// a line break ("\r\n") and the code's description.
std::string WSocketErrorReport(int code, const std::string& label);

// The socket error code of an errno value (0 stays 0). A value with no
// socket meaning is returned unchanged, so its report still shows the
// number, with "Not a WinSock error" as its description.
int WinsockErrorFromErrno(int error);

// The socket error code of a getaddrinfo/getnameinfo result (0 stays 0):
// unknown name 11001, temporary failure 11002, permanent failure 11003, a
// name without data (or an unknown service) 11004; EAI_SYSTEM takes the
// errno at the time of the call.
int WinsockErrorFromGai(int result);

}  // namespace torvane
