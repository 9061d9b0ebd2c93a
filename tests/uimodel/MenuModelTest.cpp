// Menus by printer version, update rules, tool bar, accelerators and side bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <vector>

#include "uimodel/MenuModel.h"

using namespace tavolux;

namespace {

std::vector<int> AllMenuCommands()
{
    std::vector<int> out;
    for (const CommandRow& row : CommandTable()) {
        if (row.menu != MenuId::None) {
            out.push_back(row.id);
        }
    }
    return out;
}

const Menu& FindMenu(const std::vector<Menu>& bar, MenuId id)
{
    return *std::find_if(bar.begin(), bar.end(), [id](const Menu& m) { return m.menu == id; });
}

const MenuNode* FindNode(const std::vector<MenuNode>& items, int id)
{
    for (const MenuNode& node : items) {
        if (node.kind == MenuNode::Kind::Command && node.id == id) {
            return &node;
        }
        if (node.kind == MenuNode::Kind::Submenu) {
            if (const MenuNode* inner = FindNode(node.children, id)) {
                return inner;
            }
        }
    }
    return nullptr;
}

struct VariantCase {
    int printVer;
    int whiteColorNo;
    std::set<int> absent;  // written out from the printer versions' table, not derived
    bool cleaningGrayed;
};

void PrintTo(const VariantCase& c, std::ostream* os)
{
    *os << "PrintVer " << c.printVer << ", WhiteColorNo " << c.whiteColorNo;
}

}  // namespace

class MenuVariants : public ::testing::TestWithParam<VariantCase> {};

TEST_P(MenuVariants, ItemsPresentExactlyAsTheVersionSays)
{
    const VariantCase& c = GetParam();
    const auto bar = BuildMenuBar({.PrintVer = c.printVer, .WhiteColorNo = c.whiteColorNo});
    const std::vector<int> shown = MenuCommandIds(bar);
    for (int id : AllMenuCommands()) {
        const bool present = std::count(shown.begin(), shown.end(), id) == 1;
        EXPECT_EQ(present, c.absent.count(id) == 0) << "command " << id;
    }
    EXPECT_EQ(shown.size(), AllMenuCommands().size() - c.absent.size());
    const MenuNode* clean = nullptr;
    for (const Menu& menu : bar) {
        if (const MenuNode* n = FindNode(menu.items, cmd::kSingleClean)) {
            clean = n;
        }
    }
    ASSERT_NE(clean, nullptr);
    EXPECT_EQ(clean->grayed, c.cleaningGrayed);
    // Removing items never leaves a separator first, last or next to another one.
    for (const Menu& menu : bar) {
        ASSERT_FALSE(menu.items.empty());
        EXPECT_NE(menu.items.front().kind, MenuNode::Kind::Separator);
        EXPECT_NE(menu.items.back().kind, MenuNode::Kind::Separator);
        for (size_t i = 1; i < menu.items.size(); ++i) {
            EXPECT_FALSE(menu.items[i].kind == MenuNode::Kind::Separator &&
                         menu.items[i - 1].kind == MenuNode::Kind::Separator);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryVersion, MenuVariants,
    ::testing::Values(VariantCase{1, 0, {32876, 32787, 32890, 32898, 32900}, true},
                      VariantCase{1, 1, {32876, 32787, 32890, 32900}, true},
                      VariantCase{1, 4, {32876, 32787, 32890, 32900}, true},
                      VariantCase{2, 0, {32876, 32787, 32890, 32898, 32896, 32892, 32900}, true},
                      VariantCase{2, 4, {32876, 32787, 32890, 32898, 32896, 32892, 32900}, true},
                      VariantCase{3, 0, {32876, 32787, 32898}, true},
                      VariantCase{3, 4, {32876, 32787}, true},
                      VariantCase{4, 0, {32876, 32787, 32898, 32896, 32892}, true},
                      VariantCase{4, 4, {32876, 32787, 32898, 32896, 32892}, true},
                      VariantCase{0, 0, {}, false}, VariantCase{5, 0, {}, false},
                      VariantCase{6, 4, {}, false}, VariantCase{-1, 0, {}, false}));

TEST(MenuBar, OrderOfMenusAndOfTheFileMenuOnTheSmallestVersion)
{
    const auto bar = BuildMenuBar({.PrintVer = 2});
    std::vector<MenuId> menus;
    for (const Menu& m : bar) {
        menus.push_back(m.menu);
    }
    EXPECT_EQ(menus, (std::vector<MenuId>{MenuId::File, MenuId::View, MenuId::Print, MenuId::Test,
                                          MenuId::Clean, MenuId::System}));
    std::vector<int> file;
    for (const MenuNode& n : FindMenu(bar, MenuId::File).items) {
        file.push_back(n.kind == MenuNode::Kind::Command ? n.id : 0);
    }
    EXPECT_EQ(file, (std::vector<int>{57601, 32873, 0, 57606, 0, 57665}));
}

TEST(MenuBar, LanguagesAreASubmenuOfSystemBetweenVoltageAndHelp)
{
    const auto bar = BuildMenuBar({.PrintVer = 3});
    const auto& system = FindMenu(bar, MenuId::System).items;
    std::vector<int> order;
    for (const MenuNode& n : system) {
        if (n.kind == MenuNode::Kind::Submenu) {
            order.push_back(-1);
            ASSERT_EQ(n.children.size(), 2u);
            EXPECT_EQ(n.children[0].id, cmd::kChinese);
            EXPECT_EQ(n.children[1].id, cmd::kEnglish);
        } else if (n.kind == MenuNode::Kind::Command) {
            order.push_back(n.id);
        }
    }
    EXPECT_EQ(order, (std::vector<int>{32868, 32900, -1, 57667, 57664}));
}

// Enabled state by command and version; the same in every machine state.
struct EnableCase {
    int id;
    int printVer;
    bool enabled;
};

class EnableRule : public ::testing::TestWithParam<EnableCase> {};

TEST_P(EnableRule, SameInEveryMachineState)
{
    const EnableCase& c = GetParam();
    for (int state = 0; state < CMachineState::kStates; ++state) {
        UiSnapshot s;
        s.state = static_cast<MachineState>(state);
        s.PrintVer = c.printVer;
        EXPECT_EQ(UpdateItem(c.id, s).enabled, c.enabled) << "state " << state;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EnableRule,
    ::testing::Values(EnableCase{cmd::kUvLamp, 1, true}, EnableCase{cmd::kUvLamp, 2, false},
                      EnableCase{cmd::kUvLamp, 3, true}, EnableCase{cmd::kUvLamp, 4, false},
                      EnableCase{cmd::kUvLamp, 0, false}, EnableCase{cmd::kUvLamp, 7, true},
                      EnableCase{cmd::kSingleClean, 1, false},
                      EnableCase{cmd::kSingleClean, 5, false},
                      EnableCase{cmd::kUnassigned, 3, false}, EnableCase{cmd::kBidiTest, 0, false},
                      EnableCase{cmd::kAngleCalibration, 0, false},
                      EnableCase{cmd::kPrint, 1, true}, EnableCase{cmd::kCancel, 1, true},
                      EnableCase{cmd::kFlash, 2, true}, EnableCase{cmd::kRestoreCali, 2, true},
                      EnableCase{cmd::kJogUp, 2, true}, EnableCase{cmd::kExit, 2, true},
                      EnableCase{cmd::kChinese, 2, true}, EnableCase{cmd::kFrontBeam, 3, true},
                      EnableCase{cmd::kBeamRaise, 3, true}, EnableCase{12345, 3, false}));

TEST(UpdateRule, PreviewModesAreRadioItemsWithOneChecked)
{
    const struct {
        int mode;
        int checkedId;
    } cases[] = {{0, 32828}, {2, 32814}, {4, 32812}, {8, 32813}};
    const int previews[] = {32828, 32814, 32812, 32813};
    for (const auto& c : cases) {
        UiSnapshot s;
        s.previewMode = c.mode;
        for (int id : previews) {
            const ItemState st = UpdateItem(id, s);
            EXPECT_TRUE(st.radio) << id;
            EXPECT_TRUE(st.enabled) << id;
            EXPECT_EQ(st.checked, id == c.checkedId) << "mode " << c.mode << " item " << id;
        }
    }
}

TEST(UpdateRule, CheckMarksFollowTheirOwnFlagOnly)
{
    // Each case turns on one flag; exactly its item shows a tick.
    const struct {
        void (*set)(UiSnapshot&);
        int id;
    } cases[] = {
        {[](UiSnapshot& s) { s.origin = true; }, cmd::kOptionOrigin},
        {[](UiSnapshot& s) { s.strip = true; }, cmd::kOptionStrip},
        {[](UiSnapshot& s) { s.skipBlank = true; }, cmd::kOptionSkipBlank},
        {[](UiSnapshot& s) { s.autoFlash = true; }, cmd::kOptionAutoFlash},
        {[](UiSnapshot& s) { s.toolBarShown = true; }, cmd::kToolBar},
        {[](UiSnapshot& s) { s.sideBarShown = true; }, cmd::kSideBar},
        {[](UiSnapshot& s) { s.statusBarShown = true; }, cmd::kStatusBar},
    };
    const int ticked[] = {cmd::kOptionOrigin,    cmd::kOptionStrip, cmd::kOptionSkipBlank,
                          cmd::kOptionAutoFlash, cmd::kToolBar,     cmd::kSideBar,
                          cmd::kStatusBar};
    for (const auto& c : cases) {
        UiSnapshot s;
        s.toolBarShown = s.sideBarShown = s.statusBarShown = false;
        c.set(s);
        for (int id : ticked) {
            const ItemState st = UpdateItem(id, s);
            EXPECT_EQ(st.checked, id == c.id) << "case " << c.id << " item " << id;
            EXPECT_FALSE(st.radio) << id;
        }
    }
}

TEST(UpdateRule, LanguageInUseIsChecked)
{
    const struct {
        UiLanguage language;
        bool chinese;
        bool english;
    } cases[] = {{UiLanguage::Chinese, true, false}, {UiLanguage::English, false, true}};
    for (const auto& c : cases) {
        UiSnapshot s;
        s.language = c.language;
        EXPECT_EQ(UpdateItem(cmd::kChinese, s), (ItemState{.checked = c.chinese}));
        EXPECT_EQ(UpdateItem(cmd::kEnglish, s), (ItemState{.checked = c.english}));
    }
}

TEST(ToolBar, ButtonsInOrderWithSeparatorsAndIcons)
{
    std::vector<int> ids;
    for (const ToolBarEntry& e : BuildToolBar()) {
        ids.push_back(e.id);
        if (e.id == 0) {
            continue;
        }
        const CommandRow* row = FindCommand(e.id);
        ASSERT_NE(row, nullptr) << e.id;
        EXPECT_FALSE(row->icon.empty()) << e.id;
        const bool option = e.id == 32854 || e.id == 32851 || e.id == 32869 || e.id == 32852;
        EXPECT_EQ(e.checkButton, option) << e.id;
    }
    EXPECT_EQ(ids, (std::vector<int>{57601, 32873, 57606, 0,     32892, 32792, 32870,
                                     32863, 0,     32780, 32781, 32782, 32783, 0,
                                     32854, 32851, 32869, 32852, 0,     57667, 32874}));
}

TEST(Accelerators, CtrlPAndCtrlCDoNotReachPrintAndCancel)
{
    const struct {
        int key;
        int command;
    } cases[] = {{'O', cmd::kOpen},
                 {'S', cmd::kSaveTasks},
                 {'R', cmd::kReset},
                 {'H', cmd::kPause},
                 {'K', cmd::kResume},
                 {'L', cmd::kFlash},
                 {'B', cmd::kFlashReturn},
                 {'P', 0},
                 {'C', 0},
                 {'X', 0},
                 {kKeyUp, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(CommandForCtrlKey(c.key), c.command) << static_cast<char>(c.key);
    }
    // Print and cancel keep their bindings; the standard ones simply come first.
    const auto table = AcceleratorTable();
    auto at = [&table](int key, int command) {
        return std::find_if(
                   table.begin(), table.end(),
                   [&](const Accelerator& a) { return a.ctrlKey == key && a.command == command; }) -
               table.begin();
    };
    EXPECT_LT(at('P', cmd::kStdPrint), at('P', cmd::kPrint));
    EXPECT_LT(at('P', cmd::kPrint), static_cast<long>(table.size()));
    EXPECT_LT(at('C', cmd::kStdCopy), at('C', cmd::kCancel));
    EXPECT_LT(at('C', cmd::kCancel), static_cast<long>(table.size()));

    std::set<int> installed;
    for (const Accelerator& a : EffectiveAccelerators()) {
        EXPECT_TRUE(installed.insert(a.ctrlKey).second) << "key twice: " << a.ctrlKey;
        EXPECT_EQ(a.command, CommandForCtrlKey(a.ctrlKey));
    }
    EXPECT_EQ(installed, (std::set<int>{'O', 'S', 'R', 'H', 'K', 'L', 'B'}));
}

TEST(Accelerators, MenuLabelsShowOnlyKeysThatReachTheCommand)
{
    SetUiLanguage(UiLanguage::Chinese);
    const struct {
        int id;
        const char* label;
    } cases[] = {{cmd::kOpen, "打开\tCtrl+O"},
                 {cmd::kReset, "复位\tCtrl+R"},
                 {cmd::kPrint, "打印"},
                 {cmd::kCancel, "取消"},
                 {cmd::kFlash, "闪喷\tCtrl+L"},
                 {cmd::kHelp, "帮助主题"},
                 {12345, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(MenuLabel(c.id), c.label) << c.id;
    }
}

TEST(Accelerators, ArrowKeysJog)
{
    const struct {
        int key;
        int command;
    } cases[] = {{kKeyUp, 32780},    {kKeyDown, 32781}, {kKeyLeft, 32782},
                 {kKeyRight, 32783}, {'U', 0},          {kKeyNone, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(JogCommandForKey(c.key), c.command) << c.key;
    }
}

TEST(SideBar, FoldersAndItemsByIdWithAndWithoutReplies)
{
    const struct {
        int intercommunication;
        std::vector<int> test;  // folder 1
    } cases[] = {
        {0, {32789, 32788, 32787, 32791, 32790, 32878, 32875, 32876}},
        {-1, {32789, 32788, 32787, 32791, 32790, 32878, 32875, 32876}},
        {1, {32789, 32788, 32791, 32790, 32878, 32875}},
        {2, {32789, 32788, 32791, 32790, 32878, 32875}},
    };
    for (const auto& c : cases) {
        const auto bar = BuildSideBar(c.intercommunication);
        ASSERT_EQ(bar.size(), 3u);
        auto idsOf = [](const SideFolderModel& f) {
            std::vector<int> out;
            for (const SideItem& i : f.items) {
                out.push_back(i.id);
            }
            return out;
        };
        EXPECT_EQ(idsOf(bar[0]), (std::vector<int>{32778, 32779, 32784, 32829, 32830}));
        EXPECT_EQ(idsOf(bar[1]), c.test) << c.intercommunication;
        EXPECT_EQ(idsOf(bar[2]), (std::vector<int>{cmd::kBeamRaise, cmd::kBeamLower, 32896}));
        // Routing follows the items shown, so hiding one does not shift a click to its neighbour.
        for (size_t i = 0; i < c.test.size(); ++i) {
            EXPECT_EQ(SideItemCommand(bar, 1, static_cast<int>(i)), c.test[i]);
        }
        EXPECT_EQ(SideItemCommand(bar, 1, static_cast<int>(c.test.size())), 0);
        EXPECT_EQ(SideItemCommand(bar, 1, -1), 0);
        EXPECT_EQ(SideItemCommand(bar, 3, 0), 0);
    }
}
