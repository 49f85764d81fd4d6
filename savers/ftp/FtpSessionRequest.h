// One request of a caller to the session's worker: the command, the mode and
// window it was made with, and its parameters. The password is wiped when the
// request goes away.
#pragma once

#include "savers/ftp/FtpSession.h"

#include <cstring>

#include <strings.h>

struct CFtpSession::Request {
  Request() = default;
  ~Request() { explicit_bzero(password, sizeof password); }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  // Copies at most 260 characters of `text`.
  void SetPassword(const char* text) {
    const std::size_t length = strnlen(text, kParamSize - 1);
    std::memcpy(password, text, length);
    password[length] = '\0';
  }

  Command command = CommandNone;
  Notifier notifier;
  std::uint64_t id = 0;

  std::string server;
  std::string user;
  char password[kParamSize] = {};

  // Remote name of an upload, or the requested directory.
  std::string name;
  const void* data = nullptr;
  std::size_t size = 0;
  // Of an upload that replaces no server file: its names, how many to try,
  // and where the name used goes (the caller waits meanwhile).
  const NameCandidates* candidates = nullptr;
  unsigned tried = 0;
  std::string* storedAs = nullptr;
};
