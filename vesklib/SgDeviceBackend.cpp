#include "vesklib/SgDeviceBackend.h"

#include "platform/Bytes.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tarsel::vesk {

namespace {

// Host and driver codes of a finished SG_IO request.
constexpr unsigned kDidNoConnect = 0x01;
constexpr unsigned kDidTimeOut = 0x03;
constexpr unsigned kDidBadTarget = 0x04;
constexpr unsigned kDriverTimeout = 0x06;
constexpr unsigned kDriverMask = 0x07; // DRIVER_SENSE (0x08) alone is no failure

constexpr std::uint32_t kCountQueryCode = 0x222004u;

// The number of a node name "sgN", or nothing for another name.
std::optional<unsigned> genericNodeNumber(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sg") != 0)
    return std::nullopt;
  unsigned value = 0;
  const char* first = name.data() + 2;
  const char* last = name.data() + name.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last)
    return std::nullopt;
  return value;
}

} // namespace

SgDeviceBackend::SgDeviceBackend() : SgDeviceBackend(Roots{"/sys", "/dev"}, {}) {}

SgDeviceBackend::SgDeviceBackend(Roots roots, IoctlFunction ioctlFunction)
    : m_roots(std::move(roots)), m_ioctl(std::move(ioctlFunction)) {
  if (!m_ioctl)
    m_ioctl = [](int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); };
}

int SgDeviceBackend::initControl(bool& driveNamesUsable) {
  // Vendor commands on block devices need raw-I/O rights, so cameras are
  // reached through the generic nodes.
  driveNamesUsable = false;
  const std::string folder = controlDevicePath();
  return ::access(folder.c_str(), R_OK | X_OK) == 0 ? 0 : 29;
}

std::string SgDeviceBackend::controlDevicePath() {
  return m_roots.sysfs + "/class/scsi_generic";
}

std::string SgDeviceBackend::cameraDevicePath(std::uint32_t index) {
  std::lock_guard guard(m_lock);
  if (index >= m_nodes.size())
    return {};
  return m_roots.dev + "/" + m_nodes[index];
}

std::vector<std::string> SgDeviceBackend::driveDevicePaths() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(m_roots.sysfs + "/block", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 3 || name.compare(0, 2, "sd") != 0)
      continue;
    std::ifstream removable(entry.path() / "removable");
    char flag = 0;
    if (removable.get(flag) && flag == '1')
      names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  std::vector<std::string> paths;
  for (const auto& name : names)
    paths.push_back(m_roots.dev + "/" + name);
  return paths;
}

std::vector<std::string> SgDeviceBackend::listGenericNodes() const {
  std::vector<std::pair<unsigned, std::string>> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(m_roots.sysfs + "/class/scsi_generic", ec)) {
    std::string name = entry.path().filename().string();
    if (const auto number = genericNodeNumber(name))
      found.emplace_back(*number, std::move(name));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& item : found)
    names.push_back(std::move(item.second));
  return names;
}

DWORD SgDeviceBackend::open(const std::string& path, int& handle) {
  handle = -1;
  if (path.empty())
    return ERROR_FILE_NOT_FOUND;
  const bool isControl = path == controlDevicePath();
  const int flags = isControl ? (O_RDONLY | O_DIRECTORY | O_CLOEXEC) : (O_RDWR | O_NONBLOCK | O_CLOEXEC);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0)
    return Win32FromErrno(errno);
  handle = fd;
  return ERROR_SUCCESS;
}

void SgDeviceBackend::close(int handle) {
  if (handle >= 0)
    ::close(handle);
}

ControlOutcome SgDeviceBackend::deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) {
  if (handle < 0)
    return {ERROR_INVALID_HANDLE, 0};
  if (code != kCountQueryCode)
    return {ERROR_INVALID_FUNCTION, 0};
  if (out.size() < 4)
    return {ERROR_INSUFFICIENT_BUFFER, 0};
  std::vector<std::string> nodes = listGenericNodes();
  const auto count = static_cast<std::uint32_t>(nodes.size());
  {
    std::lock_guard guard(m_lock);
    m_nodes = std::move(nodes);
  }
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  bytes::storeLe32(out, 0, count);
  return {ERROR_SUCCESS, static_cast<std::uint32_t>(out.size())};
}

sg_io_hdr_t SgDeviceBackend::buildRequest(const ScsiCommand& command, std::uint8_t* sense) {
  sg_io_hdr_t request{};
  request.interface_id = 'S';
  request.cmd_len = command.cdbLength;
  request.cmdp = const_cast<unsigned char*>(command.cdb.data());
  request.mx_sb_len = 32;
  request.sbp = sense;
  request.timeout = command.timeoutMs;
  switch (command.direction) {
  case DataDirection::Out:
    request.dxfer_direction = SG_DXFER_TO_DEV;
    request.dxferp = const_cast<std::uint8_t*>(command.dataOut.data());
    request.dxfer_len = static_cast<unsigned>(command.dataOut.size());
    break;
  case DataDirection::In:
    request.dxfer_direction = SG_DXFER_FROM_DEV;
    request.dxferp = command.dataIn.data();
    request.dxfer_len = static_cast<unsigned>(command.dataIn.size());
    break;
  case DataDirection::None:
    request.dxfer_direction = SG_DXFER_NONE;
    break;
  }
  return request;
}

ScsiOutcome SgDeviceBackend::mapResult(int ioctlResult, int ioctlErrno, const sg_io_hdr_t& request,
                                       const std::uint8_t* sense) {
  ScsiOutcome outcome;
  if (ioctlResult < 0) {
    switch (ioctlErrno) {
    case ENODEV:
    case ENXIO:
    case ENOENT:
      outcome.error = ERROR_DEV_NOT_EXIST;
      break;
    default:
      outcome.error = Win32FromErrno(ioctlErrno);
      break;
    }
    return outcome;
  }
  outcome.scsiStatus = request.status;
  outcome.senseLength = std::min<std::uint8_t>(request.sb_len_wr, 32);
  if (sense)
    std::memcpy(outcome.sense.data(), sense, outcome.senseLength);
  if (request.dxfer_direction == SG_DXFER_FROM_DEV) {
    // resid is the kernel's count of bytes not filled; never trust it past the buffer.
    const int resid = std::clamp(request.resid, 0, static_cast<int>(request.dxfer_len));
    outcome.transferred = request.dxfer_len - static_cast<unsigned>(resid);
  } else if (request.dxfer_direction == SG_DXFER_TO_DEV) {
    outcome.transferred = request.dxfer_len;
  }
  const unsigned host = request.host_status;
  const unsigned driver = request.driver_status & kDriverMask;
  if (host == kDidNoConnect || host == kDidBadTarget)
    outcome.error = ERROR_DEV_NOT_EXIST;
  else if (host == kDidTimeOut || driver == kDriverTimeout)
    outcome.error = ERROR_SEM_TIMEOUT;
  else if (host != 0 || driver != 0)
    outcome.error = ERROR_GEN_FAILURE;
  if (outcome.error != ERROR_SUCCESS)
    outcome.transferred = 0;
  return outcome;
}

ScsiOutcome SgDeviceBackend::passThrough(int handle, const ScsiCommand& command) {
  if (handle < 0) {
    ScsiOutcome outcome;
    outcome.error = ERROR_INVALID_HANDLE;
    return outcome;
  }
  std::array<std::uint8_t, 32> sense{};
  sg_io_hdr_t request = buildRequest(command, sense.data());
  const int rc = m_ioctl(handle, SG_IO, &request);
  const int savedErrno = rc < 0 ? errno : 0;
  return mapResult(rc, savedErrno, request, sense.data());
}

} // namespace tarsel::vesk
