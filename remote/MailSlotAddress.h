// Where remote-control datagrams travel on Linux, in place of the mailslot
// "\\<computer>\mailslot\Drevant-Tarsel-Remote-Control":
//   - the local computer (null or empty name, ".", or this host's name): a
//     Unix datagram socket in the abstract namespace named after the mailslot;
//   - "*": a UDP broadcast on port 47110 to every broadcast-capable network
//     interface that is up (not the loopback one);
//   - any other name: UDP on port 47110 to that host.
// For tests, TARSEL_REMOTE_MAILSLOT replaces the socket name and
// TARSEL_REMOTE_PORT (1..65535) the port; other values are ignored.
// Pure functions, safe from any thread (they read the environment).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace tarsel::remote {

inline constexpr char kMailslotName[] = "Drevant-Tarsel-Remote-Control";
inline constexpr std::uint16_t kRemotePort = 47110;
inline constexpr char kMailslotNameVariable[] = "TARSEL_REMOTE_MAILSLOT";
inline constexpr char kRemotePortVariable[] = "TARSEL_REMOTE_PORT";

enum class MailSlotTarget { Local, Host, Broadcast };

std::string mailslotSocketName();
std::uint16_t remotePort();

MailSlotTarget targetOf(const char* computer);

// The abstract socket address of `name`; false when the name does not fit.
bool abstractAddress(std::string_view name, sockaddr_un& address, socklen_t& length);

// The IPv4 broadcast addresses, with `port`, of the interfaces in the list
// that are up, can broadcast and are not the loopback; each address once.
std::vector<sockaddr_in> broadcastAddresses(const ifaddrs* interfaces, std::uint16_t port);

} // namespace tarsel::remote
