#include "signal/serial_port_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace tellur::signal;

TEST(SerialPortMap, ParsesOverridesAndKeepsDefaults)
{
    auto map = parsePortMap("# station ports\r\n"
                            "COM1 = /dev/ttyUSB3\r\n"
                            "com8=/dev/serial/by-id/usb-PTC\n"
                            "COM9=/dev/ttyS9\n"      // no such port number
                            "COM2=\n"                // empty keeps the default
                            "garbage line\n"
                            "DOWNLOADER=/opt/easydsp/dl -p%p -g %f\n");
    EXPECT_EQ(map.devicePath(1), "/dev/ttyUSB3");
    EXPECT_EQ(map.devicePath(8), "/dev/serial/by-id/usb-PTC");
    EXPECT_EQ(map.devicePath(2), SerialPortMap::defaults().devicePath(2));
    EXPECT_EQ(map.devicePath(0), "");
    EXPECT_EQ(map.devicePath(9), "");
    EXPECT_EQ(map.downloaderCommand, "/opt/easydsp/dl -p%p -g %f");

    EXPECT_EQ(parsePortMap(formatPortMap(map)).devices, map.devices);
}

TEST(SerialPortMap, LoadsFromTheStationFolder)
{
    auto dir = std::filesystem::temp_directory_path() / ("tellur-ports-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    EXPECT_EQ(loadPortMap(dir).devices, SerialPortMap::defaults().devices);
    auto map = SerialPortMap::defaults();
    map.devices[2] = "/dev/ttyACM7";
    ASSERT_TRUE(savePortMap(dir, map));
    EXPECT_EQ(loadPortMap(dir).devicePath(3), "/dev/ttyACM7");
    std::filesystem::remove_all(dir);
}

TEST(SerialPortMap, TheFileShippedForNewStationsHoldsTheDefaults)
{
    // A new station must find its devices where a station without the file would.
    const auto shipped = loadPortMap(std::filesystem::path(TELLUR_SOURCE_DIR) / "defaults");
    EXPECT_EQ(shipped.devices, SerialPortMap::defaults().devices);
    EXPECT_EQ(shipped.downloaderCommand, SerialPortMap::defaults().downloaderCommand);
}
