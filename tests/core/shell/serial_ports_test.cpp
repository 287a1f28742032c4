#include "shell/serial_ports.h"

#include "shell/port_device.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

// A /dev of plain files and udev's relative by-id links.
class FakeDev : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("fakedev" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(byIdDirectory(root));
        for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2",
                                 "ttyACM0", "tty0", "ttyprintk", "null"})
            std::ofstream(root / name).put('\0');
        link("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB1");
        link("usb-1a86_USB_Serial-if00-port0", "ttyUSB10");
        link("usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0001-if00-port0", "ttyUSB7"); // unplugged
    }
    void TearDown() override { fs::remove_all(root); }
    void link(const std::string& name, const std::string& device) {
        fs::create_symlink(fs::path("../..") / device, byIdDirectory(root) / name);
    }
    fs::path root;
};

TEST_F(FakeDev, ByIdLinksFirstThenAdaptersWithoutOneThenUartsInNumberOrder) {
    const std::set<std::string> uarts = {"ttyS0", "ttyS10"};
    const auto ports = listSerialPorts(root, [&](const std::string& n) { return uarts.count(n) > 0; });
    std::vector<std::string> texts, paths;
    for (const auto& p : ports) {
        texts.push_back(p.text);
        paths.push_back(p.path);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"1a86 USB Serial (ttyUSB10)", "FTDI FT232R USB UART (ttyUSB1)", "ttyUSB0",
                                               "ttyUSB2", "ttyACM0", "ttyS0", "ttyS10"}));
    EXPECT_EQ(paths[1], (byIdDirectory(root) / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").string());
    EXPECT_EQ(ports[1].kernel, "ttyUSB1");
    EXPECT_EQ(paths[2], (root / "ttyUSB0").string());
}

TEST_F(FakeDev, NoByIdDirectoryAndNoUarts) {
    fs::remove_all(root / "serial");
    const auto ports = listSerialPorts(root, {});
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(ports.front().text, "ttyUSB0");
    EXPECT_EQ(ports.back().text, "ttyACM0");
}

TEST(SerialPorts, ItemTextIsMakerAndModel) {
    EXPECT_EQ(byIdItemText("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), "FTDI FT232R USB UART");
    EXPECT_EQ(byIdItemText("usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"),
              "Prolific Technology Inc. USB-Serial Controller");
    EXPECT_EQ(byIdItemText("usb-Arduino__www.arduino.cc__0043_75833353035351A0A0B1-if00"),
              "Arduino www.arduino.cc 0043");
    EXPECT_EQ(byIdItemText("something-else"), "something-else");
}

// The kernel's own tree on this machine: whatever it holds, every ttyS listed has a UART type.
TEST(SerialPorts, TheRealDevListsOnlyDevicesThatExist) {
    for (const auto& p : listSerialPorts()) {
        EXPECT_TRUE(fs::exists(p.path)) << p.path;
        if (p.kernel.starts_with("ttyS")) {
            EXPECT_TRUE(uartPresent(p.kernel)) << p.kernel;
        }
    }
}

TEST(SerialPorts, APortNameThatIsAPathIsThatDevice) {
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    EXPECT_EQ(portDevice(byId, "", [](const std::string&) { return true; }), byId);
    EXPECT_EQ(portDevice(byId, "/dev/pts/3", [](const std::string&) { return true; }), "/dev/pts/3");
}

} // namespace
