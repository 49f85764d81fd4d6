#include "remote/MailSlotAddress.h"

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <net/if.h>
#include <unistd.h>

namespace tarsel::remote {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

bool isThisHost(std::string_view name) {
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) != 0)
    return false;
  return equalNoCase(name, host);
}

} // namespace

std::string mailslotSocketName() {
  const char* value = std::getenv(kMailslotNameVariable);
  return value && *value ? value : kMailslotName;
}

std::uint16_t remotePort() {
  const char* value = std::getenv(kRemotePortVariable);
  if (!value || !*value)
    return kRemotePort;
  const char* end = value + std::strlen(value);
  unsigned port = 0;
  const auto [ptr, ec] = std::from_chars(value, end, port);
  if (ec != std::errc() || ptr != end || port == 0 || port > 65535)
    return kRemotePort;
  return static_cast<std::uint16_t>(port);
}

MailSlotTarget targetOf(const char* computer) {
  if (!computer || !*computer)
    return MailSlotTarget::Local;
  const std::string_view name(computer);
  if (name == ".")
    return MailSlotTarget::Local;
  if (name == "*")
    return MailSlotTarget::Broadcast;
  return isThisHost(name) ? MailSlotTarget::Local : MailSlotTarget::Host;
}

bool abstractAddress(std::string_view name, sockaddr_un& address, socklen_t& length) {
  address = {};
  address.sun_family = AF_UNIX;
  // The leading zero byte puts the name in the abstract namespace.
  if (name.size() + 1 > sizeof address.sun_path)
    return false;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return true;
}

std::vector<sockaddr_in> broadcastAddresses(const ifaddrs* interfaces, std::uint16_t port) {
  std::vector<sockaddr_in> out;
  for (const ifaddrs* i = interfaces; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_broadaddr)
      continue;
    if (!(i->ifa_flags & IFF_UP) || !(i->ifa_flags & IFF_BROADCAST) || (i->ifa_flags & IFF_LOOPBACK))
      continue;
    if (i->ifa_broadaddr->sa_family != AF_INET)
      continue;
    sockaddr_in address{};
    std::memcpy(&address, i->ifa_broadaddr, sizeof address);
    address.sin_port = htons(port);
    bool seen = false;
    for (const sockaddr_in& known : out)
      seen = seen || known.sin_addr.s_addr == address.sin_addr.s_addr;
    if (!seen)
      out.push_back(address);
  }
  return out;
}

} // namespace tarsel::remote
