#include "remote/MailSlotAddress.h"
#include "remote/MailSlotClient.h"
#include "remote/MailSlotListener.h"

#include "TestReceiver.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <net/if.h>
#include <unistd.h>

using namespace tarsel::remote;
using tarsel::remote::test::TestReceiver;
using tarsel::remote::test::uniqueSocketName;
using tarsel::test::ScopedEnv;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) {
  return {text.begin(), text.end()};
}

// Sends raw bytes to an abstract name, bypassing the client's own checks.
void sendRaw(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  sockaddr_un address{};
  socklen_t length = 0;
  ASSERT_TRUE(abstractAddress(name, address, length));
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  const int sndbuf = 1 << 20;
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
  const ssize_t sent =
      sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&address), length);
  close(fd);
  ASSERT_EQ(sent, static_cast<ssize_t>(bytes.size())) << std::strerror(errno);
}

} // namespace

TEST(MailSlot, TargetNamesChooseTheTransport) {
  char host[HOST_NAME_MAX + 1] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  std::string upperHost = host;
  for (char& c : upperHost)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  EXPECT_EQ(targetOf(nullptr), MailSlotTarget::Local);
  EXPECT_EQ(targetOf(""), MailSlotTarget::Local);
  EXPECT_EQ(targetOf("."), MailSlotTarget::Local);
  EXPECT_EQ(targetOf(host), MailSlotTarget::Local);
  EXPECT_EQ(targetOf(upperHost.c_str()), MailSlotTarget::Local);
  EXPECT_EQ(targetOf("*"), MailSlotTarget::Broadcast);
  EXPECT_EQ(targetOf("127.0.0.2"), MailSlotTarget::Host);
  EXPECT_EQ(targetOf("some-other-computer"), MailSlotTarget::Host);
}

TEST(MailSlot, EnvironmentOverridesTheNameAndAValidPort) {
  {
    ScopedEnv name(kMailslotNameVariable, std::nullopt);
    ScopedEnv port(kRemotePortVariable, std::nullopt);
    EXPECT_EQ(mailslotSocketName(), "Drevant-Tarsel-Remote-Control");
    EXPECT_EQ(remotePort(), 47110);
  }
  ScopedEnv name(kMailslotNameVariable, std::string("other-name"));
  EXPECT_EQ(mailslotSocketName(), "other-name");
  const std::pair<const char*, std::uint16_t> rows[] = {{"5000", 5000},   {"65535", 65535}, {"0", 47110},
                                                        {"65536", 47110}, {"12x", 47110},   {"-1", 47110},
                                                        {"", 47110}};
  for (const auto& [value, expected] : rows) {
    ScopedEnv port(kRemotePortVariable, std::string(value));
    EXPECT_EQ(remotePort(), expected) << value;
  }
}

TEST(MailSlot, BroadcastGoesToUpBroadcastInterfacesOtherThanTheLoopback) {
  struct Interface {
    const char* name;
    unsigned flags;
    const char* address;
    const char* broadcast;
  };
  const Interface table[] = {
      {"lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1", nullptr},
      {"eth0", IFF_UP | IFF_BROADCAST, "192.168.1.20", "192.168.1.255"},
      {"eth1", IFF_BROADCAST, "10.1.0.5", "10.1.255.255"},        // down
      {"tun0", IFF_UP | IFF_POINTOPOINT, "10.8.0.2", "10.8.0.1"}, // no broadcast
      {"eth2", IFF_UP | IFF_BROADCAST, "172.16.4.1", "172.16.255.255"},
      {"eth2:1", IFF_UP | IFF_BROADCAST, "172.16.4.2", "172.16.255.255"}, // same network again
  };
  std::vector<sockaddr_in> addresses(std::size(table) * 2);
  std::vector<ifaddrs> list(std::size(table) + 1);
  for (std::size_t i = 0; i < std::size(table); ++i) {
    sockaddr_in& own = addresses[2 * i];
    own.sin_family = AF_INET;
    inet_pton(AF_INET, table[i].address, &own.sin_addr);
    list[i].ifa_name = const_cast<char*>(table[i].name);
    list[i].ifa_flags = table[i].flags;
    list[i].ifa_addr = reinterpret_cast<sockaddr*>(&own);
    if (table[i].broadcast) {
      sockaddr_in& other = addresses[2 * i + 1];
      other.sin_family = AF_INET;
      inet_pton(AF_INET, table[i].broadcast, &other.sin_addr);
      list[i].ifa_broadaddr = reinterpret_cast<sockaddr*>(&other);
    }
    list[i].ifa_next = &list[i + 1];
  }
  // An IPv6 entry, which has no broadcast.
  sockaddr_in6 six{};
  six.sin6_family = AF_INET6;
  list.back().ifa_name = const_cast<char*>("eth0");
  list.back().ifa_flags = IFF_UP | IFF_BROADCAST;
  list.back().ifa_addr = reinterpret_cast<sockaddr*>(&six);

  const auto found = broadcastAddresses(list.data(), 4711);
  ASSERT_EQ(found.size(), 2u);
  char text[INET_ADDRSTRLEN];
  EXPECT_STREQ(inet_ntop(AF_INET, &found[0].sin_addr, text, sizeof text), "192.168.1.255");
  EXPECT_STREQ(inet_ntop(AF_INET, &found[1].sin_addr, text, sizeof text), "172.16.255.255");
  for (const auto& a : found) {
    EXPECT_EQ(a.sin_family, AF_INET);
    EXPECT_EQ(ntohs(a.sin_port), 4711);
  }
  EXPECT_TRUE(broadcastAddresses(nullptr, 4711).empty());
}

TEST(MailSlot, LocalDatagramsArriveWholeAndInOrder) {
  TestReceiver receiver;
  ASSERT_EQ(receiver.listener().Error(), 0u);
  ScopedEnv name(kMailslotNameVariable, receiver.socketName());
  const std::vector<std::string> payloads = {"first datagram", std::string(5000, 'x'), "third"};
  for (const auto& p : payloads) {
    CMailSlotClient client(".");
    ASSERT_EQ(client.OpenError(), 0u);
    ASSERT_EQ(client.Write(p.data(), p.size()), S_OK);
  }
  const auto got = receiver.waitFor(payloads.size());
  ASSERT_EQ(got.size(), payloads.size());
  for (std::size_t i = 0; i < payloads.size(); ++i)
    EXPECT_EQ(got[i], bytesOf(payloads[i]));
}

TEST(MailSlot, NoReceiverGivesFileNotFound) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  CMailSlotClient client(nullptr);
  EXPECT_EQ(client.OpenError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  const char bytes[8] = {};
  EXPECT_EQ(client.Write(bytes, sizeof bytes), static_cast<HRESULT>(0x80070002u));
}

TEST(MailSlot, ReceiverThatWentAwayGivesFileNotFound) {
  auto receiver = std::make_unique<TestReceiver>();
  ScopedEnv name(kMailslotNameVariable, receiver->socketName());
  CMailSlotClient client(nullptr);
  ASSERT_EQ(client.OpenError(), 0u);
  receiver.reset();
  const char bytes[8] = {};
  EXPECT_EQ(client.Write(bytes, sizeof bytes), static_cast<HRESULT>(0x80070002u));
}

TEST(MailSlot, ClientRefusesADatagramLargerThanAnyReceiverTakes) {
  TestReceiver receiver;
  ScopedEnv name(kMailslotNameVariable, receiver.socketName());
  CMailSlotClient client(nullptr);
  const std::vector<std::uint8_t> big(kMaxDatagramSize + 4, 1);
  EXPECT_EQ(client.Write(big.data(), big.size()), static_cast<HRESULT>(0x80070057u));
  EXPECT_EQ(client.Write(big.data(), kMaxDatagramSize), S_OK);
  const auto got = receiver.waitFor(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size(), kMaxDatagramSize);
}

TEST(MailSlot, UdpDatagramReachesAReceiverOnASecondLoopbackAddress) {
  TestReceiver receiver("127.0.0.2");
  ASSERT_EQ(receiver.listener().UdpError(), 0u);
  ASSERT_NE(receiver.listener().UdpPort(), 0);
  ScopedEnv port(kRemotePortVariable, std::to_string(receiver.listener().UdpPort()));
  CMailSlotClient client("127.0.0.2");
  ASSERT_EQ(client.OpenError(), 0u);
  const std::string payload = "over the network";
  ASSERT_EQ(client.Write(payload.data(), payload.size()), S_OK);
  const auto got = receiver.waitFor(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], bytesOf(payload));
}

TEST(MailSlot, ListenerOnEveryAddressTakesIpv4AndIpv6) {
  TestReceiver receiver(std::string{});
  ASSERT_EQ(receiver.listener().UdpError(), 0u);
  ScopedEnv port(kRemotePortVariable, std::to_string(receiver.listener().UdpPort()));
  std::vector<std::string> targets = {"127.0.0.1", "127.0.0.2"};
  const int six = socket(AF_INET6, SOCK_DGRAM, 0);
  sockaddr_in6 loopback{};
  loopback.sin6_family = AF_INET6;
  loopback.sin6_addr = in6addr_loopback;
  if (six >= 0 && bind(six, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback) == 0)
    targets.push_back("::1");
  if (six >= 0)
    close(six);
  for (const auto& target : targets) {
    CMailSlotClient client(target.c_str());
    ASSERT_EQ(client.OpenError(), 0u) << target;
    ASSERT_EQ(client.Write(target.data(), target.size()), S_OK) << target;
  }
  const auto got = receiver.waitFor(targets.size());
  ASSERT_EQ(got.size(), targets.size());
  for (std::size_t i = 0; i < targets.size(); ++i)
    EXPECT_EQ(got[i], bytesOf(targets[i]));
}

TEST(MailSlot, UnresolvableComputerGivesHostNotFound) {
  CMailSlotClient client("no-such-computer.invalid");
  EXPECT_EQ(client.OpenError(), static_cast<DWORD>(WSAHOST_NOT_FOUND));
  const char bytes[8] = {};
  EXPECT_EQ(client.Write(bytes, sizeof bytes), HRESULT_FROM_WIN32(WSAHOST_NOT_FOUND));
}

TEST(MailSlot, SecondListenerOnTheSameNameFailsAndTheFirstKeepsWorking) {
  TestReceiver first;
  MailSlotListener::Options options;
  options.socketName = first.socketName();
  options.listenUdp = false;
  MailSlotListener second(options);
  EXPECT_EQ(second.Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(second.Start([](std::span<const std::uint8_t>) {}), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(second.IsRunning());

  ScopedEnv name(kMailslotNameVariable, first.socketName());
  CMailSlotClient client(nullptr);
  ASSERT_EQ(client.Write("ok", 2), S_OK);
  EXPECT_EQ(first.waitFor(1).size(), 1u);
}

TEST(MailSlot, OversizedDatagramIsDroppedUnread) {
  TestReceiver receiver;
  sendRaw(receiver.socketName(), std::vector<std::uint8_t>(kMaxDatagramSize + 4, 0x55));
  sendRaw(receiver.socketName(), bytesOf("small"));
  const auto got = receiver.waitFor(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], bytesOf("small"));
}

TEST(MailSlot, FloodOfGarbageDoesNotKeepTheListenerFromAGoodDatagram) {
  const std::string name = uniqueSocketName();
  MailSlotListener::Options options;
  options.socketName = name;
  options.listenUdp = false;
  MailSlotListener listener(options);
  ASSERT_EQ(listener.Error(), 0u);

  std::mutex mutex;
  std::condition_variable changed;
  std::size_t seen = 0;
  std::vector<std::string> decoded;
  ASSERT_EQ(listener.Start([&](std::span<const std::uint8_t> bytes) {
    const auto text = decodeDatagram(bytes, builtInRemoteKey());
    std::lock_guard lock(mutex);
    ++seen;
    if (text)
      decoded.push_back(*text);
    changed.notify_all();
  }),
            0u);

  std::uint32_t seed = 4242;
  const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  constexpr int kBad = 10000;
  for (int i = 0; i < kBad; ++i) {
    std::vector<std::uint8_t> bytes(next() % 64);
    for (auto& b : bytes)
      b = static_cast<std::uint8_t>(next() >> 24);
    sendRaw(name, bytes);
  }
  const auto good = encodeDatagram(1, "MSL?CAPTURE", builtInRemoteKey());
  sendRaw(name, *good);

  std::unique_lock lock(mutex);
  changed.wait_for(lock, std::chrono::seconds(60), [&] { return seen == kBad + 1; });
  EXPECT_EQ(seen, static_cast<std::size_t>(kBad + 1));
  EXPECT_EQ(decoded, std::vector<std::string>{"?CAPTURE"});
  lock.unlock();
  EXPECT_TRUE(listener.Stop());
}

TEST(MailSlot, StopEndsAnIdleReaderAndTheListenerCanStartAgain) {
  TestReceiver receiver;
  EXPECT_TRUE(receiver.listener().IsRunning());
  EXPECT_TRUE(receiver.listener().Stop(std::chrono::milliseconds(2000)));
  EXPECT_FALSE(receiver.listener().IsRunning());
  EXPECT_TRUE(receiver.listener().Stop());

  std::mutex mutex;
  std::condition_variable changed;
  int count = 0;
  ASSERT_EQ(receiver.listener().Start([&](std::span<const std::uint8_t>) {
    std::lock_guard lock(mutex);
    ++count;
    changed.notify_all();
  }),
            0u);
  sendRaw(receiver.socketName(), bytesOf("again"));
  std::unique_lock lock(mutex);
  changed.wait_for(lock, std::chrono::seconds(20), [&] { return count == 1; });
  EXPECT_EQ(count, 1);
}

TEST(MailSlot, StopGivesUpOnAHandlerThatDoesNotReturnWithinTheDeadline) {
  const std::string name = uniqueSocketName();
  MailSlotListener::Options options;
  options.socketName = name;
  options.listenUdp = false;
  auto listener = std::make_unique<MailSlotListener>(options);

  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false;
  bool release = false;
  bool left = false;
  ASSERT_EQ(listener->Start([&](std::span<const std::uint8_t>) {
    std::unique_lock lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
    left = true;
    changed.notify_all();
  }),
            0u);
  sendRaw(name, bytesOf("hold on"));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return entered; }));
  }

  EXPECT_FALSE(listener->Stop(std::chrono::milliseconds(50)));
  EXPECT_FALSE(listener->IsRunning());
  listener.reset();

  // The reader still holds its socket: the name stays taken until it ends.
  MailSlotListener::Options again = options;
  EXPECT_EQ(MailSlotListener(again).Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  {
    std::unique_lock lock(mutex);
    release = true;
    changed.notify_all();
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return left; }));
  }
}
