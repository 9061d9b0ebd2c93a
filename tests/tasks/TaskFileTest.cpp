// The Tasks.dat record layout, and what a damaged file still yields.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tasks/TaskFile.h"

using namespace tavolux;

namespace {

int32_t IntAt(const std::string& bytes, size_t offset)
{
    int32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = static_cast<int32_t>((static_cast<uint32_t>(v) << 8) |
                                 static_cast<unsigned char>(bytes[offset + i]));
    }
    return v;
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

TEST(TaskFile, RecordFieldsSitAtTheirOffsets)
{
    const TaskRecord r = Sample(100);
    std::string bytes;
    ASSERT_TRUE(EncodeTaskRecord(r, bytes));
    ASSERT_EQ(bytes.size(), 624u);
    const std::vector<std::pair<size_t, int>> ints = {
        {0, 188},  {4, 101},  {8, 102},  {12, 103},  {16, 104},        {20, 105},
        {24, 106}, {28, 107}, {32, 108}, {36, -109}, {40, 0x12345678}, {44, 110},
        {48, 111}, {52, 112}, {56, 113}, {60, 114}};
    for (auto [offset, value] : ints) {
        EXPECT_EQ(IntAt(bytes, offset), value) << "offset " << offset;
    }
    // Little-endian: the low byte first.
    EXPECT_EQ(static_cast<unsigned char>(bytes[40]), 0x78);
    EXPECT_STREQ(bytes.c_str() + 64, "name100");
    EXPECT_STREQ(bytes.c_str() + 104, "/w/Works/a1&2&3.BMP");
    EXPECT_STREQ(bytes.c_str() + 364, "/jobs/100.prn");
}

TEST(TaskFile, RoundTripKeepsTheStoredFieldsAndMarksSaved)
{
    std::vector<TaskRecord> records = {Sample(1), Sample(2), Sample(3)};
    records[1].m_xResolution = 720;  // not stored
    records[1].m_resume = 1;         // not stored
    std::string bytes;
    ASSERT_TRUE(EncodeTasksFile(records, bytes));
    ASSERT_EQ(bytes.size(), 4 + 3 * 624u);
    EXPECT_EQ(IntAt(bytes, 0), 3);
    DecodedTasks decoded = DecodeTasksFile(bytes);
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

TEST(TaskFile, PathsMustFitTheirFieldsWhole)
{
    TaskRecord r = Sample(0);
    std::string bytes;
    r.m_filePath = "/" + std::string(258, 'p');  // 259 bytes and the terminator
    EXPECT_TRUE(EncodeTaskRecord(r, bytes));
    r.m_filePath += "x";
    bytes.clear();
    EXPECT_FALSE(EncodeTaskRecord(r, bytes));
    EXPECT_TRUE(bytes.empty());
    r = Sample(0);
    r.m_thumbnailPath = std::string(260, 't');
    EXPECT_FALSE(EncodeTaskRecord(r, bytes));
    r = Sample(0);
    r.m_name = std::string(40, 'n');
    EXPECT_FALSE(EncodeTaskRecord(r, bytes));
    r = Sample(0);
    r.m_filePath = std::string("/a\0b", 4);  // would be read back as "/a"
    EXPECT_FALSE(EncodeTaskRecord(r, bytes));
    // A list with one record too long is not written at all.
    std::string file = "unchanged";
    EXPECT_FALSE(EncodeTasksFile({Sample(1), r}, file));
    EXPECT_EQ(file, "unchanged");
}

TEST(TaskFile, DamagedFilesYieldTheirWholeRecords)
{
    std::string good;
    ASSERT_TRUE(EncodeTasksFile({Sample(1), Sample(2), Sample(3)}, good));

    EXPECT_TRUE(DecodeTasksFile("").damaged);
    EXPECT_TRUE(DecodeTasksFile("\x01\x00").damaged);

    // Cut in the middle of the third record.
    DecodedTasks cut = DecodeTasksFile(std::string_view(good).substr(0, 4 + 2 * 624 + 100));
    EXPECT_TRUE(cut.damaged);
    ASSERT_EQ(cut.records.size(), 2u);
    EXPECT_EQ(cut.records[1].m_filePath, "/jobs/2.prn");

    // A count larger than the file holds.
    std::string big = good;
    big[0] = 9;
    DecodedTasks counted = DecodeTasksFile(big);
    EXPECT_TRUE(counted.damaged);
    EXPECT_EQ(counted.records.size(), 3u);

    // A negative count loads nothing.
    std::string negative = good;
    negative[3] = static_cast<char>(0xFF);
    DecodedTasks neg = DecodeTasksFile(negative);
    EXPECT_TRUE(neg.damaged);
    EXPECT_TRUE(neg.records.empty());

    // The second record's file path has no terminating zero: it is skipped, the others stay.
    std::string unterminated = good;
    std::memset(unterminated.data() + 4 + 624 + 364, 'z', 260);
    DecodedTasks bad = DecodeTasksFile(unterminated);
    EXPECT_TRUE(bad.damaged);
    ASSERT_EQ(bad.records.size(), 2u);
    EXPECT_EQ(bad.records[0].m_filePath, "/jobs/1.prn");
    EXPECT_EQ(bad.records[1].m_filePath, "/jobs/3.prn");

    DecodedTasks empty = DecodeTasksFile(std::string(4, '\0'));
    EXPECT_FALSE(empty.damaged);
    EXPECT_TRUE(empty.records.empty());
}
