#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "settings/defect_file.h"
#include "support/test_env.h"

namespace rezive::settings {
namespace {

std::string Records(const std::vector<DefectPoint>& points) {
    std::string bytes;
    for (const DefectPoint& p : points) {
        for (int32_t v : {p.x, p.y}) {
            const auto u = static_cast<uint32_t>(v);
            for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((u >> shift) & 0xFF));
        }
    }
    return bytes;
}

std::string FileWith(const std::string& bytes) {
    const std::string path = test::TempPath(".dat");
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

const std::vector<DefectPoint> kOldList = {{7, 7}, {8, 8}, {9, 9}};

TEST(DefectFileTest, WholeRecordsReplaceTheListInFileOrder) {
    std::vector<DefectPoint> many;
    for (int32_t i = 0; i < 10001; ++i) many.push_back({i % 1280, -i});  // spans several read blocks
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<DefectPoint> expected;
    } cases[] = {
        {"20 bytes: two records, 4 trailing bytes ignored", Records({{1, 2}, {1279, 719}}) + "\x01\x02\x03\x04",
         {{1, 2}, {1279, 719}}},
        {"7 bytes", std::string(7, '\x55'), {}},
        {"empty", "", {}},
        {"duplicates and coordinates off the sensor are kept", Records({{5, 6}, {5, 6}, {-1, 70000}}),
         {{5, 6}, {5, 6}, {-1, 70000}}},
        {"little-endian two's complement", std::string("\xfe\xff\xff\xff\x00\x00\x00\x80", 8), {{-2, INT32_MIN}}},
        {"many records", Records(many) + "xyz", many},
    };
    for (const Case& c : cases) {
        std::vector<DefectPoint> list = kOldList;
        EXPECT_TRUE(ReadDefectFile(FileWith(c.bytes).c_str(), &list)) << c.what;
        EXPECT_EQ(list, c.expected) << c.what;
    }
}

TEST(DefectFileTest, UnreadableOrUnsuitableNamesKeepTheOldList) {
    const std::string fifo = test::TempPath(".fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string missing = test::TempPath(".dat");
    const std::string inMissingFolder = missing + "/x.dat";
    const char* names[] = {missing.c_str(), inMissingFolder.c_str(), test::TempDir().c_str(),
                           fifo.c_str(), "/dev/null", "", nullptr};
    for (const char* name : names) {
        std::vector<DefectPoint> list = kOldList;
        EXPECT_FALSE(ReadDefectFile(name, &list)) << (name ? name : "(null)");
        EXPECT_EQ(list, kOldList);
    }
    EXPECT_FALSE(ReadDefectFile(FileWith(Records({{1, 1}})).c_str(), nullptr));
}

}  // namespace
}  // namespace rezive::settings
