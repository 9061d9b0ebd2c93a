// The Tasks.dat record layout, and what a damaged file still yields.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>

#include "tasks/TaskFile.h"

using namespace tavolux;

namespace {

int32_t IntAt(const std::string& bytes, size_t offset)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = v << 8 | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(i)]);
    }
    return static_cast<int32_t>(v);
}

TaskRecord Sample(int seed)
{
    TaskRecord r;
    r.m_stateId = 188;
    r.m_planeCount = seed + 1;
    r.m_height = seed + 2;
    r.m_bytesPerPlaneLine = seed + 3;
    r.m_printTypeId = seed + 4;
    r.m_speed = seed + 5;
    r.m_passes = seed + 6;
    r.m_direction = seed + 7;
    r.m_copies = seed + 8;
    r.m_previewRef = -(seed + 9);
    r.m_resumeLine = 0x12345678;
    r.m_fileXResolution = seed + 10;
    r.m_fileYResolution = seed + 11;
    r.m_maskMode = seed + 12;
    r.m_printTypeCode = seed + 13;
    r.m_printTypeParam = seed + 14;
    r.m_name = "name" + std::to_string(seed);
    r.m_thumbnailPath = "/w/Works/a1&2&3.BMP";
    r.m_filePath = "/jobs/" + std::to_string(seed) + ".prn";
    return r;
}

}  // namespace

TEST(TaskFile, RecordsSitAtTheirOffsetsAndRoundTrip)
{
    std::vector<TaskRecord> records = {Sample(100), Sample(2), Sample(3)};
    records[1].m_xResolution = 720;  // not stored
    records[1].m_resume = 1;         // not stored
    std::string bytes;
    ASSERT_TRUE(EncodeTasksFile(records, bytes));
    ASSERT_EQ(bytes.size(), 4 + 3 * 624u);
    EXPECT_EQ(IntAt(bytes, 0), 3);
    const int ints[] = {188, 101,  102,        103, 104, 105, 106, 107,
                        108, -109, 0x12345678, 110, 111, 112, 113, 114};
    for (size_t i = 0; i < std::size(ints); ++i) {
        EXPECT_EQ(IntAt(bytes, 4 + 4 * i), ints[i]) << "offset " << 4 * i;
    }
    EXPECT_EQ(static_cast<unsigned char>(bytes[4 + 40]), 0x78) << "little-endian";
    EXPECT_STREQ(bytes.c_str() + 4 + 64, "name100");
    EXPECT_STREQ(bytes.c_str() + 4 + 104, "/w/Works/a1&2&3.BMP");
    EXPECT_STREQ(bytes.c_str() + 4 + 364, "/jobs/100.prn");

    const DecodedTasks decoded = DecodeTasksFile(bytes);
    EXPECT_FALSE(decoded.damaged);
    ASSERT_EQ(decoded.records.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        TaskRecord expected = records[i];
        expected.m_xResolution = 0;
        expected.m_resume = 0;
        expected.m_saved = 1;
        EXPECT_EQ(decoded.records[i], expected) << i;
    }
}

TEST(TaskFile, StringsMustFitTheirFieldsWhole)
{
    const std::pair<std::function<void(TaskRecord&)>, bool> cases[] = {
        {[](TaskRecord& r) { r.m_filePath = "/" + std::string(258, 'p'); }, true},  // 259 + zero
        {[](TaskRecord& r) { r.m_filePath = "/" + std::string(259, 'p'); }, false},
        {[](TaskRecord& r) { r.m_thumbnailPath = std::string(260, 't'); }, false},
        {[](TaskRecord& r) { r.m_name = std::string(40, 'n'); }, false},
        // Would be read back as "/a".
        {[](TaskRecord& r) { r.m_filePath = std::string("/a\0b", 4); }, false},
    };
    for (const auto& [change, fits] : cases) {
        TaskRecord r = Sample(0);
        change(r);
        std::string bytes;
        EXPECT_EQ(EncodeTaskRecord(r, bytes), fits) << &change - &cases[0].first;
        EXPECT_EQ(bytes.empty(), !fits);
        // A list with one record too long is not written at all.
        std::string file = "unchanged";
        EXPECT_EQ(EncodeTasksFile({Sample(1), r}, file), fits);
        EXPECT_EQ(file == "unchanged", !fits);
    }
}

TEST(TaskFile, DamagedFilesYieldTheirWholeRecords)
{
    std::string good;
    ASSERT_TRUE(EncodeTasksFile({Sample(1), Sample(2), Sample(3)}, good));
    std::string big = good;
    big[0] = 9;  // a count larger than the file holds
    std::string negative = good;
    negative[3] = static_cast<char>(0xFF);
    std::string unterminated = good;  // the second record's file path has no zero
    std::memset(unterminated.data() + 4 + 624 + 364, 'z', 260);
    struct Case {
        std::string bytes;
        bool damaged;
        std::vector<int> files;  // the seeds of the records that load
    };
    const Case cases[] = {
        {"", true, {}},
        {std::string("\x01\x00", 2), true, {}},
        {std::string(4, '\0'), false, {}},
        {good.substr(0, 4 + 2 * 624 + 100), true, {1, 2}},  // cut in the third record
        {big, true, {1, 2, 3}},
        {negative, true, {}},
        {unterminated, true, {1, 3}},
    };
    for (const Case& c : cases) {
        const DecodedTasks decoded = DecodeTasksFile(c.bytes);
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(decoded.damaged, c.damaged);
        ASSERT_EQ(decoded.records.size(), c.files.size());
        for (size_t i = 0; i < c.files.size(); ++i) {
            EXPECT_EQ(decoded.records[i].m_filePath,
                      "/jobs/" + std::to_string(c.files[i]) + ".prn");
        }
    }
}
