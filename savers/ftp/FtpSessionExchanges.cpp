// The session's FTP exchanges, run on its worker thread. Each step arms the
// watchdog before it sends and sets the idle time once the reply is in.
#include "savers/ftp/FtpMessages.h"
#include "savers/ftp/FtpPath.h"
#include "savers/ftp/FtpReceiveError.h"
#include "savers/ftp/FtpReplyText.h"
#include "savers/ftp/FtpSession.h"
#include "savers/ftp/FtpSessionRequest.h"
#include "savers/ftp/SocketFtpCommand.h"
#include "savers/ftp/SocketFtpData.h"

#include "platform/Win32Error.h"

#include <algorithm>
#include <array>
#include <charconv>

using namespace tarsel::ftp;

namespace {

// How long an aborted upload waits for a second reply after a 2xx one.
constexpr std::chrono::milliseconds kAbortGrace{250};
// The longest directory component sent.
constexpr std::size_t kMaxComponent = 261;

bool startsWithCode(std::string_view line, std::string_view code, char next) {
  return line.size() > 3 && line.substr(0, 3) == code && line[3] == next;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether reply number `reply` is in the comma-separated `list`.
bool listed(std::string_view list, unsigned reply) {
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    unsigned number = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), number);
    if (error == std::errc() && end == item.data() + item.size() && number == reply)
      return true;
    if (comma == std::string_view::npos)
      break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

} // namespace

_FtpReceiveError CFtpSession::ReadReply(std::string_view accepted, bool check, std::string* firstLine) {
  const std::string first = m_control->ReceiveLine();
  std::string text = first;
  if (first.size() > 3 && isDigit(first[0]) && isDigit(first[1]) && isDigit(first[2]) && first[3] == '-') {
    // A multi-line reply ends with the line that starts with its number and
    // a blank; the reply as a whole is bounded.
    const std::string code = first.substr(0, 3);
    std::size_t total = first.size();
    for (;;) {
      const std::string line = m_control->ReceiveLine();
      total += line.size() + 2;
      if (total > kMaxReply)
        throw _sock_error(WSAECONNABORTED);
      if (text.size() < _brantel_take_error::kMaxText)
        text.append("\r\n").append(line);
      if (startsWithCode(line, code, ' ') || line == code)
        break;
    }
  }
  _FtpReceiveError reply(text);
  if (firstLine)
    *firstLine = first;
  if (!check)
    return reply;
  const bool wanted =
      accepted.empty() ? !listed("500,501,502,421,530,550", reply.Reply()) : listed(accepted, reply.Reply());
  if (!wanted)
    throw reply;
  return reply;
}

_FtpReceiveError CFtpSession::exchange(const std::string& command, std::string_view accepted, bool check,
                                       std::string* firstLine) {
  armWatchdog();
  m_control->SendText(command);
  _FtpReceiveError reply = ReadReply(accepted, check, firstLine);
  setIdle();
  return reply;
}

void CFtpSession::DoConnect(const Request& request) {
  closeConnections();
  m_binary = false;
  makeSocket(m_control);
  armWatchdog();
  m_control->ConnectToServer(request.server, m_timeouts.watchdog);
  ReadReply("220", true);
  setIdle();

  const _FtpReceiveError user = exchange("USER " + request.user + "\r\n", "230,331");
  if (user == 331) {
    // Only a log-in the server confirms counts; 530 is a refused password.
    std::string command = "PASS ";
    command += request.password;
    command += "\r\n";
    try {
      exchange(command, "230,202");
    } catch (...) {
      std::fill(command.begin(), command.end(), '\0');
      throw;
    }
    std::fill(command.begin(), command.end(), '\0');
  }
  DoPwd();
  m_homeDir = m_currentDir;
  {
    std::lock_guard lock(m_identityMutex);
    m_connectedServer = request.server;
    m_connectedUser = request.user;
  }
  setState(StateConnected);
  notify(NotifyState, NotifyConnected);
}

void CFtpSession::DoPwd() {
  std::string line;
  if (exchange("PWD\r\n", "257,421", true, &line) != 257)
    return;
  m_currentDir = ExtractQuotedPath(line);
  if (!m_currentDir.empty() && m_currentDir.back() == '/')
    m_currentDir.pop_back();
}

void CFtpSession::openPassiveData() {
  std::string line;
  unsigned port = 0;
  if (m_control->IsIpv6()) {
    // An IPv6 server announces only the port.
    exchange("EPSV\r\n", "229", true, &line);
    port = ParseExtendedPassiveReply(line);
  } else {
    // Only the port of the reply is used: the data connection goes to the
    // server the control connection reached, never to another host the reply
    // may name (a server behind NAT often names a wrong address).
    exchange("PASV\r\n", "227", true, &line);
    std::array<unsigned, 6> numbers{};
    if (ParsePassiveReply(line, numbers))
      port = numbers[4] * 256 + numbers[5];
  }
  if (port == 0)
    throw _FtpReceiveError(line);
  makeSocket(m_data);
  armWatchdog();
  m_data->ConnectTo(m_control->GetPeerName(), std::to_string(port), m_timeouts.watchdog);
}

void CFtpSession::DoUpload(const Request& request) {
  if (!m_control)
    return;
  // The mode holds for the connection: sent once after each log-in.
  if (!m_binary) {
    exchange("TYPE I\r\n", "200");
    m_binary = true;
  }
  std::string name = request.name;
  if (request.candidates) {
    name = FindFreeName(request);
    if (name.empty()) {
      setState(StateConnected);
      reportError(NotifyOtherError, ERROR_ALREADY_EXISTS);
      return;
    }
    *request.storedAs = name;
  }
  openPassiveData();
  exchange("STOR " + name + "\r\n", "125,150");

  const auto* bytes = static_cast<const char*>(request.data);
  const std::size_t chunk = m_data->GetBufferSize();
  std::size_t sent = 0;
  bool aborted = false;
  while (sent < request.size) {
    if (m_continue.load() == 0) {
      armWatchdog();
      m_control->SendText("ABOR\r\n");
      aborted = true;
      break;
    }
    armWatchdog();
    sent += m_data->SendSome(bytes + sent, std::min(chunk, request.size - sent));
    setIdle();
    const auto percent =
        static_cast<std::intptr_t>(static_cast<unsigned long long>(sent) * 100 / request.size);
    notify(NotifyProgress, percent);
  }
  armWatchdog();
  m_data->Shutdown();
  closeData();
  // After ABOR servers differ: a failed transfer (426) is followed by the
  // ABOR's own reply; 225 answers an ABOR with no transfer under way; after
  // a transfer that ended (226) the ABOR's reply may follow. Each reply is
  // read, so that none is left for the next command. A transfer that ran to
  // its end must be confirmed (2xx).
  _FtpReceiveError reply = ReadReply("", false);
  if (aborted && reply.Reply() != 225 &&
      (reply.Reply() / 100 != 2 || m_control->WaitForLine(std::min(kAbortGrace, m_timeouts.watchdog))))
    reply = ReadReply("", false);
  setIdle();
  if (!aborted && reply.Reply() / 100 != 2)
    throw reply;
  setState(StateConnected);
  notify(NotifyState, aborted ? NotifyUploadAborted : NotifyUploadEnded);
}

std::string CFtpSession::FindFreeName(const Request& request) {
  for (unsigned index = 0; index < request.tried; ++index) {
    std::string name = (*request.candidates)(index);
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos)
      return {};
    // SIZE comes after TYPE I: in ASCII mode some servers refuse it with 550,
    // which would read as a free name.
    const _FtpReceiveError reply = exchange("SIZE " + name + "\r\n", "", false);
    if (reply == 421 || reply == 530)
      throw reply;
    const bool taken = reply == 213 || ((reply == 500 || reply == 502) && IsListed(name));
    if (!taken)
      return name;
  }
  return {};
}

bool CFtpSession::IsListed(const std::string& name) {
  openPassiveData();
  const _FtpReceiveError opened = exchange("NLST " + name + "\r\n", "", false);
  if (opened == 421 || opened == 530)
    throw opened;
  if (opened != 125 && opened != 150) {
    // 450 or 550: nothing of that name; any other: the server cannot tell.
    closeData();
    return false;
  }
  FtpNameListing listing;
  std::array<char, 4096> buffer{};
  for (;;) {
    armWatchdog();
    const std::size_t got = m_data->Receive(buffer.data(), buffer.size());
    if (got == 0)
      break;
    listing.Append(buffer.data(), got);
  }
  closeData();
  const _FtpReceiveError ended = ReadReply("", false);
  setIdle();
  if (ended == 421)
    throw ended;
  return listing.ListsSomething(ended.Reply());
}

void CFtpSession::DoChangeDir(const std::string& requested) {
  if (!m_control)
    return;
  std::string target;
  if (const HRESULT refused = ResolveFtpPath(m_homeDir, requested, target))
    throw _brantel_take_error(refused);
  if (target != m_currentDir) {
    if (exchange("CWD " + target + "\r\n", "250,550") == 550) {
      std::string existing;
      std::string rest;
      SplitExistingFtpPath(m_currentDir, target, existing, rest);
      if (!existing.empty()) {
        if (exchange("CWD " + existing + "\r\n", "", false) == 250)
          m_currentDir = existing;
        else
          rest = target;
      }
      // Walk the rest; an absolute rest keeps its "/" on its first part.
      std::string_view walk = rest;
      bool first = true;
      while (!walk.empty()) {
        std::size_t end = walk.find('/', first && walk.front() == '/' ? 1 : 0);
        std::string_view part = walk.substr(0, end);
        walk = end == std::string_view::npos ? std::string_view() : walk.substr(end + 1);
        first = false;
        if (!part.empty() && part != "/")
          DoCwdOrCreate(std::string(part.substr(0, kMaxComponent)));
      }
    }
    m_currentDir = target;
  }
  setState(StateConnected);
  notify(NotifyState, NotifyDirectoryChanged);
}

void CFtpSession::DoCwdOrCreate(const std::string& component) {
  if (exchange("CWD " + component + "\r\n", "250,550") == 250)
    return;
  std::string line;
  std::string name = component;
  if (exchange("MKD " + component + "\r\n", "257,421", true, &line) == 257) {
    const std::string quoted = ExtractQuotedPath(line);
    if (!quoted.empty())
      name = quoted;
  }
  exchange("CWD " + name + "\r\n", "250");
}

void CFtpSession::DoQuit(unsigned reply) {
  if (!m_control)
    return;
  if (reply != 421) {
    armWatchdog();
    m_control->SendText("QUIT\r\n");
    ReadReply("", false);
    setIdle();
  }
  setState(StateIdle);
  closeConnections();
  notify(NotifyState, NotifyDisconnected);
  disarm();
}
