// The SCSI generic back end through its seams: the SG_IO request it builds,
// how it maps the kernel's answers onto Win32 numbers, and discovery over a
// fake sysfs tree with camera, disk and failing nodes.
#include "TypeListFixture.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"
#include "vesklib/ScsiLink.h"
#include "vesklib/SgDeviceBackend.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include <unistd.h>

using namespace tarsel::vesk;
using tarsel::test::TempDir;
using tarsel::test::writeFile;
using tarsel::vesk::test::setTypeList;

namespace {

std::string pathOfFd(int fd) {
  char target[512] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// Plays the devices behind the fake /dev nodes: INQUIRY answers by file name,
// or an errno for a node that fails.
struct FakeDevices {
  std::map<std::string, std::string> products; // file name -> product id
  std::map<std::string, int> failures;         // file name -> errno of the ioctl
  struct Seen {
    std::uint8_t opcode;
    unsigned length;
    unsigned timeout;
  };
  std::vector<Seen> requests;

  SgDeviceBackend::IoctlFunction function() {
    return [this](int fd, unsigned long request, void* argument) -> int {
      EXPECT_EQ(request, static_cast<unsigned long>(SG_IO));
      auto* h = static_cast<sg_io_hdr_t*>(argument);
      requests.push_back({h->cmdp[0], h->dxfer_len, h->timeout});
      const std::string name = std::filesystem::path(pathOfFd(fd)).filename().string();
      if (const auto it = failures.find(name); it != failures.end()) {
        errno = it->second;
        return -1;
      }
      const auto* cdb = h->cmdp;
      if (cdb[0] == 0x12 && products.count(name)) {
        auto* data = static_cast<std::uint8_t*>(h->dxferp);
        std::memset(data, 0, h->dxfer_len);
        std::string padded = products[name];
        padded.resize(16, ' ');
        std::memcpy(data + 16, padded.data(), 16);
        h->resid = 0;
        return 0;
      }
      h->resid = static_cast<int>(h->dxfer_len);
      return 0;
    };
  }
};

struct FakeTree {
  TempDir dir;
  std::string sysfs = dir.file("sys");
  std::string dev = dir.file("dev");

  FakeTree() {
    std::filesystem::create_directories(sysfs + "/class/scsi_generic");
    std::filesystem::create_directories(sysfs + "/block");
    std::filesystem::create_directories(dev);
  }
  void addGeneric(const std::string& name, bool withNode = true) {
    std::filesystem::create_directories(sysfs + "/class/scsi_generic/" + name);
    if (withNode)
      writeFile(dev + "/" + name, "");
  }
  void addBlock(const std::string& name, bool removable) {
    std::filesystem::create_directories(sysfs + "/block/" + name);
    writeFile(sysfs + "/block/" + name + "/removable", removable ? "1\n" : "0\n");
    writeFile(dev + "/" + name, "");
  }
};

} // namespace

TEST(SgDeviceBackend, RequestsCarryTheCdbDirectionBufferAndTimeOut) {
  std::array<std::uint8_t, 16> out{};
  std::array<std::uint8_t, 36> in{};
  std::uint8_t sense[32];

  ScsiCommand send;
  send.cdb[0] = 0xC0;
  send.cdb[9] = 16;
  send.direction = DataDirection::Out;
  send.dataOut = out;
  send.timeoutMs = 47000;
  const sg_io_hdr_t a = SgDeviceBackend::buildRequest(send, sense);
  EXPECT_EQ(a.interface_id, 'S');
  EXPECT_EQ(a.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(a.cmd_len, 12);
  EXPECT_EQ(a.cmdp[0], 0xC0);
  EXPECT_EQ(a.cmdp[9], 16);
  EXPECT_EQ(a.dxfer_len, 16u);
  EXPECT_EQ(a.dxferp, out.data());
  EXPECT_EQ(a.mx_sb_len, 32);
  EXPECT_EQ(a.sbp, sense);
  EXPECT_EQ(a.timeout, 47000u);

  ScsiCommand inquiry;
  inquiry.cdb[0] = 0x12;
  inquiry.cdb[4] = 36;
  inquiry.cdbLength = 6;
  inquiry.direction = DataDirection::In;
  inquiry.dataIn = in;
  inquiry.timeoutMs = 45000;
  const sg_io_hdr_t b = SgDeviceBackend::buildRequest(inquiry, sense);
  EXPECT_EQ(b.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(b.cmd_len, 6);
  EXPECT_EQ(b.dxfer_len, 36u);
  EXPECT_EQ(b.dxferp, in.data());
}

TEST(SgDeviceBackend, KernelAnswersMapOntoWin32Numbers) {
  struct Row {
    const char* name;
    int rc;
    int err;
    unsigned char status;
    unsigned short host;
    unsigned short driver;
    int resid;
    DWORD error;
    std::uint32_t transferred;
  };
  const Row rows[] = {
      {"good", 0, 0, 0, 0, 0, 0, 0, 36},
      {"short read", 0, 0, 0, 0, 0, 30, 0, 6},
      {"resid beyond the buffer", 0, 0, 0, 0, 0, 1000, 0, 0},
      {"negative resid", 0, 0, 0, 0, 0, -5, 0, 36},
      {"check condition with sense", 0, 0, 2, 0, 0x08, 0, 0, 36},
      {"no device", -1, ENODEV, 0, 0, 0, 0, ERROR_DEV_NOT_EXIST, 0},
      {"no such address", -1, ENXIO, 0, 0, 0, 0, ERROR_DEV_NOT_EXIST, 0},
      {"node gone", -1, ENOENT, 0, 0, 0, 0, ERROR_DEV_NOT_EXIST, 0},
      {"no connect", 0, 0, 0, 0x01, 0, 0, ERROR_DEV_NOT_EXIST, 0},
      {"bad target", 0, 0, 0, 0x04, 0, 0, ERROR_DEV_NOT_EXIST, 0},
      {"host time-out", 0, 0, 0, 0x03, 0, 0, ERROR_SEM_TIMEOUT, 0},
      {"driver time-out", 0, 0, 0, 0, 0x06, 0, ERROR_SEM_TIMEOUT, 0},
      {"host error", 0, 0, 0, 0x07, 0, 0, ERROR_GEN_FAILURE, 0},
      {"driver error", 0, 0, 0, 0, 0x04, 0, ERROR_GEN_FAILURE, 0},
      {"access denied", -1, EACCES, 0, 0, 0, 0, ERROR_ACCESS_DENIED, 0},
      {"not permitted", -1, EPERM, 0, 0, 0, 0, ERROR_ACCESS_DENIED, 0},
      {"busy", -1, EBUSY, 0, 0, 0, 0, ERROR_BUSY, 0},
      {"invalid", -1, EINVAL, 0, 0, 0, 0, ERROR_INVALID_PARAMETER, 0},
      {"no memory", -1, ENOMEM, 0, 0, 0, 0, ERROR_NOT_ENOUGH_MEMORY, 0},
  };
  std::uint8_t sense[32] = {0x70, 0, 5};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    sg_io_hdr_t h{};
    h.dxfer_direction = SG_DXFER_FROM_DEV;
    h.dxfer_len = 36;
    h.status = row.status;
    h.host_status = row.host;
    h.driver_status = row.driver;
    h.resid = row.resid;
    h.sb_len_wr = row.status == 2 ? 18 : 0;
    const ScsiOutcome outcome = SgDeviceBackend::mapResult(row.rc, row.err, h, sense);
    EXPECT_EQ(outcome.error, row.error);
    EXPECT_EQ(outcome.transferred, row.transferred);
    if (row.rc == 0 && row.status == 2) {
      EXPECT_EQ(outcome.scsiStatus, 2);
      EXPECT_EQ(outcome.senseLength, 18);
      EXPECT_EQ(outcome.sense[0], 0x70);
    }
  }
}

TEST(SgDeviceBackend, DiscoverySkipsDisksFailingAndMissingNodesAndKeepsNumberOrder) {
  FakeTree tree;
  tree.addGeneric("sg0");
  tree.addGeneric("sg1");
  tree.addGeneric("sg2");
  tree.addGeneric("sg3", false); // listed, but no device node behind it
  tree.addGeneric("sg10");
  std::filesystem::create_directories(tree.sysfs + "/class/scsi_generic/not-a-node");
  FakeDevices devices;
  devices.products = {{"sg0", "XC-701 CAMERA"}, {"sg1", "GENERIC DISK"}, {"sg10", "SIM XC-702 CAM"}};
  devices.failures = {{"sg2", EIO}};
  setTypeList(HKEY_CURRENT_USER, std::string("XC-701,,XC-702"));

  CScsiLink link(
      std::make_unique<SgDeviceBackend>(SgDeviceBackend::Roots{tree.sysfs, tree.dev}, devices.function()));
  EXPECT_EQ(link.initControl(), 0);
  const auto found = link.enumerate();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].devicePath, tree.dev + "/sg0");
  EXPECT_EQ(found[0].modelName, "XC-701");
  EXPECT_EQ(found[1].devicePath, tree.dev + "/sg10");
  EXPECT_EQ(found[1].modelName, "SIM");
  // One INQUIRY per node that opened: sg0, sg1, sg2, sg10.
  ASSERT_EQ(devices.requests.size(), 4u);
  for (const auto& request : devices.requests) {
    EXPECT_EQ(request.opcode, 0x12);
    EXPECT_EQ(request.length, 36u);
    EXPECT_EQ(request.timeout, 45000u);
  }
  setTypeList(HKEY_CURRENT_USER, std::nullopt);
}

TEST(SgDeviceBackend, DriveNamesProbeOnlyRemovableBlockDevices) {
  FakeTree tree;
  tree.addBlock("sda", false);
  tree.addBlock("sdb", true);
  tree.addBlock("sdc", true);
  FakeDevices devices;
  devices.products = {{"sdb", "XC-701 CAMERA"}, {"sda", "XC-701 CAMERA"}, {"sdc", "CARD READER"}};
  setTypeList(HKEY_CURRENT_USER, std::string("XC-701"));
  CScsiLink link(
      std::make_unique<SgDeviceBackend>(SgDeviceBackend::Roots{tree.sysfs, tree.dev}, devices.function()));
  link.useDriveNames(true);
  const auto found = link.enumerate();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].devicePath, tree.dev + "/sdb");
  EXPECT_EQ(devices.requests.size(), 2u);
  setTypeList(HKEY_CURRENT_USER, std::nullopt);
}

TEST(SgDeviceBackend, WithoutTheGenericInterfaceTheTransportIsNotInitialised) {
  TempDir empty;
  SgDeviceBackend backend(SgDeviceBackend::Roots{empty.file("sys"), empty.file("dev")}, {});
  bool driveNames = true;
  EXPECT_EQ(backend.initControl(driveNames), 29);
  EXPECT_FALSE(driveNames);
  CScsiLink link(std::make_unique<SgDeviceBackend>(
      SgDeviceBackend::Roots{empty.file("sys"), empty.file("dev")}, SgDeviceBackend::IoctlFunction{}));
  EXPECT_TRUE(link.enumerate().empty());
}
