// The USB id table's parsing and the mapping of a device's endpoints to the camera's pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/usb/usb_ids.h"
#include "platform/usb/usb_pipes.h"
#include "support/test_env.h"
#include "support/text_files.h"

namespace rezive::platform::usb {
namespace {

TEST(UsbIdTable, ParsesLinesAndListsSkippingWhatIsNotAnId) {
    const struct {
        const char* text;
        bool lines;  // a file's text, else the environment's list
        std::vector<UsbId> ids;
    } cases[] = {
        {"", true, {}},
        {"1234:abcd\n", true, {{0x1234, 0xABCD}}},
        {"  04B4:00F1  # the camera\r\n# 1111:2222\n\nzz12:0001\n12345:0001\n1234:00f\n04b4:00f1\n",
         true, {{0x04B4, 0x00F1}}},
        {"1234:5678\nabcd:ef01", true, {{0x1234, 0x5678}, {0xABCD, 0xEF01}}},
        {"1234:5678,abcd:ef01", false, {{0x1234, 0x5678}, {0xABCD, 0xEF01}}},
        {" 1234:5678 ,, bad ,1234:5678,", false, {{0x1234, 0x5678}}},
        {"1234-5678", false, {}},
        {":5678,1234:", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<UsbId> ids;
        if (c.lines) ParseUsbIdLines(c.text, &ids);
        else ParseUsbIdList(c.text, &ids);
        EXPECT_EQ(ids, c.ids);
    }
}

TEST(UsbIdTable, JoinsTheUserFileAndTheEnvironment) {
    const std::string home = test::TempPath("-usb-ids");
    std::filesystem::create_directories(home + "/rezive");
    test::WriteText(home + "/rezive/usb-ids", "aaaa:0001\n1111:2222\n");
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    setenv("REZIVE_USB_IDS", "1111:2222,bbbb:0002", 1);
    const auto ids = LoadUsbIdTable();
    unsetenv("REZIVE_USB_IDS");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(Contains(ids, {0xAAAA, 0x0001}));
    EXPECT_TRUE(Contains(ids, {0xBBBB, 0x0002}));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), UsbId{0x1111, 0x2222}), 1);
}

TEST(UsbPipes, MapsInterfaceZeroInDescriptorOrder) {
    const InterfaceShape camera{0, 0, 0xFF, {{0x01, 2}, {0x82, 2}, {0x83, 2}}};
    const struct {
        const char* name;
        std::vector<InterfaceShape> settings;
        bool ok;
        std::vector<uint8_t> endpoints;
        const char* why;
    } cases[] = {
        {"camera", {camera}, true, {0x01, 0x82, 0x83}, ""},
        {"other endpoint numbers", {{0, 0, 0xFF, {{0x02, 2}, {0x86, 2}, {0x81, 2}}}}, true,
         {0x02, 0x86, 0x81}, ""},
        {"a fourth endpoint is left alone", {{0, 0, 0xFF, {{0x01, 2}, {0x82, 2}, {0x83, 2}, {0x84, 3}}}},
         true, {0x01, 0x82, 0x83}, ""},
        {"alternate setting 1 and other interfaces do not count",
         {{0, 1, 0xFF, {{0x81, 2}}}, {1, 0, 0xFF, {}}, camera}, true, {0x01, 0x82, 0x83}, ""},
        {"no interface 0", {{1, 0, 0xFF, camera.endpoints}}, false, {}, "no interface 0"},
        {"two endpoints", {{0, 0, 0xFF, {{0x01, 2}, {0x82, 2}}}}, false, {}, "has 2 endpoints"},
        {"IN first", {{0, 0, 0xFF, {{0x81, 2}, {0x02, 2}, {0x83, 2}}}}, false, {},
         "endpoint 1 (0x81) is not bulk OUT"},
        {"interrupt answers", {{0, 0, 0xFF, {{0x01, 2}, {0x82, 3}, {0x83, 2}}}}, false, {},
         "endpoint 2 (0x82) is not bulk IN"},
        {"image OUT", {{0, 0, 0xFF, {{0x01, 2}, {0x82, 2}, {0x03, 2}}}}, false, {},
         "endpoint 3 (0x03) is not bulk IN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PipeMap map = MapCameraPipes(c.settings);
        EXPECT_EQ(map.ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(std::vector<uint8_t>(map.endpoint, map.endpoint + kPipeCount), c.endpoints);
        } else {
            EXPECT_NE(map.why.find(c.why), std::string::npos) << map.why;
        }
    }
    EXPECT_TRUE(IsVendorClass(0xFF, {}));
    EXPECT_TRUE(IsVendorClass(0x00, {camera}));
    EXPECT_FALSE(IsVendorClass(0x00, {{0, 0, 0x0E, {}}}));
}

}  // namespace
}  // namespace rezive::platform::usb
