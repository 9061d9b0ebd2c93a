// The command table: ids, texts in both languages, gate operations and placements.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "res/StringTable.h"
#include "uimodel/Commands.h"

using namespace tavolux;

TEST(CommandTable, IdsUniqueAndFoundBack)
{
    std::set<int> ids;
    std::set<std::pair<int, int>> sideSlots;
    std::set<int> toolBarSlots;
    for (const CommandRow& row : CommandTable()) {
        EXPECT_TRUE(ids.insert(row.id).second) << "id twice: " << row.id;
        EXPECT_EQ(FindCommand(row.id), &row);
        if (row.folder != SideFolder::None) {
            EXPECT_TRUE(sideSlots.insert({static_cast<int>(row.folder), row.sideItem}).second)
                << row.id;
            EXPECT_NE(row.sideTextId, 0) << row.id;
        }
        if (row.toolBarPos >= 0) {
            EXPECT_TRUE(toolBarSlots.insert(row.toolBarPos).second) << row.id;
        }
        // Every command is reachable from somewhere.
        EXPECT_TRUE(row.menu != MenuId::None || row.toolBarPos >= 0 ||
                    row.folder != SideFolder::None)
            << row.id;
    }
    EXPECT_EQ(FindCommand(12345), nullptr);
    EXPECT_EQ(FindCommand(cmd::kStdPrint), nullptr);
}

TEST(CommandTable, EveryTextInBothLanguages)
{
    std::string error;
    ASSERT_TRUE(LoadEnglishStrings(
        std::filesystem::path(TAVOLUX_SOURCE_DIR) / "src/res" / kEnglishFileName, &error))
        << error;
    std::map<int, std::string> chinese;
    SetUiLanguage(UiLanguage::Chinese);
    for (const CommandRow& row : CommandTable()) {
        EXPECT_NE(row.textId, 0) << row.id;
        for (int id : {row.textId, row.sideTextId, row.sideWordId}) {
            if (id != 0) {
                chinese[id] = LoadResString(id);
            }
        }
    }
    SetUiLanguage(UiLanguage::English);
    for (const auto& [id, text] : chinese) {
        EXPECT_FALSE(text.empty()) << "no Chinese text for " << id;
        const std::string english = LoadResString(id);
        EXPECT_FALSE(english.empty()) << id;
        EXPECT_NE(english, text) << "no English text for " << id;
    }
    SetUiLanguage(UiLanguage::Chinese);
}

TEST(CommandTable, GateOperationOfEachCommand)
{
    // Commands not listed here ask no gate (-1).
    const std::map<int, int> gates = {
        {32892, 15}, {32896, 12}, {32898, 12}, {32778, 7}, {32779, 10}, {32784, 11},
        {32829, 8},  {32830, 9},  {32791, 7},  {32790, 7}, {32878, 7},  {32875, 7},
        {32894, 7},  {32865, 13}, {32866, 14}, {32792, 5}, {32870, 6},  {32863, 2},
        {32780, 0},  {32781, 0},  {32782, 0},  {32783, 0},
    };
    for (const auto& [id, op] : gates) {
        ASSERT_NE(FindCommand(id), nullptr) << id;
    }
    for (const CommandRow& row : CommandTable()) {
        auto it = gates.find(row.id);
        EXPECT_EQ(row.gateOperation, it == gates.end() ? -1 : it->second) << row.id;
    }
}
