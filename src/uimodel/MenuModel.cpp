// Menus, tool bar, accelerators and side bar from the command table.
#include "uimodel/MenuModel.h"

#include <algorithm>
#include <set>

#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

struct MenuTitle {
    MenuId menu;
    int titleId;
};

constexpr MenuTitle kMenus[] = {
    {MenuId::File, ids::kMenuFile},   {MenuId::View, ids::kMenuView},
    {MenuId::Print, ids::kMenuPrint}, {MenuId::Test, ids::kMenuTest},
    {MenuId::Clean, ids::kMenuClean}, {MenuId::System, ids::kMenuSystem},
};

// The commands a printer version leaves out of its menus.
std::set<int> RemovedCommands(const MenuVariant& v)
{
    std::set<int> removed;
    const bool knownVersion = v.PrintVer >= 1 && v.PrintVer <= 4;
    if (!knownVersion) {
        return removed;
    }
    // No version has these two; versions 1 and 2 have no vertical test either.
    removed.insert({cmd::kAngleCalibration, cmd::kBidiTest});
    if (v.PrintVer <= 2) {
        removed.insert(cmd::kVerticalTest);
        removed.insert(cmd::kVoltage);
    }
    if (v.PrintVer % 2 == 0) {
        // The even versions have neither UV lamps, a front beam nor white heads to set up.
        removed.insert({cmd::kWhiteHead, cmd::kFrontBeam, cmd::kUvLamp});
    } else if (v.WhiteColorNo < 1) {
        removed.insert(cmd::kWhiteHead);
    }
    return removed;
}

// Appends row to items, with a separator before it when one is pending and the menu already
// holds something, so that removing an item never leaves two separators or a leading one.
void Append(std::vector<MenuNode>& items, bool& separatorPending, MenuNode node)
{
    if (separatorPending && !items.empty()) {
        items.push_back({.kind = MenuNode::Kind::Separator});
    }
    separatorPending = false;
    items.push_back(std::move(node));
}

}  // namespace

std::vector<Menu> BuildMenuBar(const MenuVariant& variant)
{
    const std::set<int> removed = RemovedCommands(variant);
    const bool knownVersion = variant.PrintVer >= 1 && variant.PrintVer <= 4;
    std::vector<Menu> bar;
    for (const MenuTitle& title : kMenus) {
        Menu menu{.menu = title.menu, .titleId = title.titleId, .items = {}};
        bool separatorPending = false;
        bool languageAdded = false;
        for (const CommandRow& row : CommandTable()) {
            if (row.menu == MenuId::Language && title.menu == MenuId::System && !languageAdded) {
                // The language submenu sits where its first entry stands in the table.
                MenuNode sub{.kind = MenuNode::Kind::Submenu,
                             .id = static_cast<int>(MenuId::Language),
                             .textId = ids::kMenuLanguage};
                for (const CommandRow& lang : CommandTable()) {
                    if (lang.menu == MenuId::Language) {
                        sub.children.push_back({.id = lang.id, .textId = lang.textId});
                    }
                }
                Append(menu.items, separatorPending, std::move(sub));
                languageAdded = true;
                continue;
            }
            if (row.menu != title.menu) {
                continue;
            }
            separatorPending = separatorPending || row.separatorBefore;
            if (removed.count(row.id) != 0) {
                continue;
            }
            const bool grayed = knownVersion && row.id == cmd::kSingleClean;
            Append(menu.items, separatorPending,
                   {.id = row.id, .textId = row.textId, .grayed = grayed});
        }
        bar.push_back(std::move(menu));
    }
    return bar;
}

std::vector<int> MenuCommandIds(const std::vector<Menu>& bar)
{
    std::vector<int> out;
    auto walk = [&out](const auto& self, const std::vector<MenuNode>& items) -> void {
        for (const MenuNode& node : items) {
            if (node.kind == MenuNode::Kind::Command) {
                out.push_back(node.id);
            } else if (node.kind == MenuNode::Kind::Submenu) {
                self(self, node.children);
            }
        }
    };
    for (const Menu& menu : bar) {
        walk(walk, menu.items);
    }
    return out;
}

ItemState UpdateItem(int id, const UiSnapshot& s)
{
    const CommandRow* row = FindCommand(id);
    if (row == nullptr) {
        return {.enabled = false};
    }
    switch (row->kind) {
        case CommandKind::NoHandler:
            return {.enabled = false};
        case CommandKind::BarToggle: {
            const bool shown = id == cmd::kToolBar   ? s.toolBarShown
                               : id == cmd::kSideBar ? s.sideBarShown
                                                     : s.statusBarShown;
            return {.checked = shown};
        }
        case CommandKind::Preview:
            return {.checked = s.previewMode == PreviewModeOf(id), .radio = true};
        case CommandKind::Language: {
            const std::string_view inUse = s.language == UiLanguage::English ? "ENU" : "CHS";
            return {.checked = LanguageNameOf(id) == inUse};
        }
        case CommandKind::Option: {
            const bool on = id == cmd::kOptionOrigin      ? s.origin
                            : id == cmd::kOptionStrip     ? s.strip
                            : id == cmd::kOptionSkipBlank ? s.skipBlank
                                                          : s.autoFlash;
            return {.checked = on};
        }
        case CommandKind::Plain:
        case CommandKind::Jog:
            break;
    }
    if (id == cmd::kSingleClean) {
        // Its cleaning entry is reached from the purge dialog's own path, never from here.
        return {.enabled = false};
    }
    if (id == cmd::kUvLamp) {
        return {.enabled = s.PrintVer % 2 != 0};  // only the odd versions carry UV lamps
    }
    return {};
}

std::vector<ToolBarEntry> BuildToolBar()
{
    std::vector<const CommandRow*> rows;
    for (const CommandRow& row : CommandTable()) {
        if (row.toolBarPos >= 0) {
            rows.push_back(&row);
        }
    }
    std::sort(rows.begin(), rows.end(), [](const CommandRow* a, const CommandRow* b) {
        return a->toolBarPos < b->toolBarPos;
    });
    std::vector<ToolBarEntry> bar;
    for (const CommandRow* row : rows) {
        if (row->toolBarGroupStart && !bar.empty()) {
            bar.push_back({});
        }
        bar.push_back({.id = row->id, .checkButton = row->kind == CommandKind::Option});
    }
    return bar;
}

std::vector<Accelerator> AcceleratorTable()
{
    std::vector<Accelerator> table = {{'P', cmd::kStdPrint}, {'C', cmd::kStdCopy}};
    for (const CommandRow& row : CommandTable()) {
        if (row.ctrlKey != kKeyNone) {
            table.push_back({row.ctrlKey, row.id});
        }
    }
    return table;
}

int CommandForCtrlKey(int ctrlKey)
{
    for (const Accelerator& a : AcceleratorTable()) {
        if (a.ctrlKey == ctrlKey) {
            return FindCommand(a.command) != nullptr ? a.command : 0;
        }
    }
    return 0;
}

std::vector<Accelerator> EffectiveAccelerators()
{
    std::vector<Accelerator> out;
    std::set<int> seen;
    for (const Accelerator& a : AcceleratorTable()) {
        if (!seen.insert(a.ctrlKey).second) {
            continue;
        }
        const int command = CommandForCtrlKey(a.ctrlKey);
        if (command != 0) {
            out.push_back({a.ctrlKey, command});
        }
    }
    return out;
}

std::string MenuLabel(int id)
{
    const CommandRow* row = FindCommand(id);
    if (row == nullptr) {
        return {};
    }
    std::string label = LoadResString(row->textId);
    for (const Accelerator& a : EffectiveAccelerators()) {
        if (a.command == id) {
            label += "\tCtrl+";
            label += static_cast<char>(a.ctrlKey);
        }
    }
    return label;
}

int JogCommandForKey(int key)
{
    if (key == kKeyNone) {
        return 0;
    }
    for (const CommandRow& row : CommandTable()) {
        if (row.holdKey == key) {
            return row.id;
        }
    }
    return 0;
}

std::vector<SideFolderModel> BuildSideBar(int intercommunication)
{
    std::vector<SideFolderModel> bar = {{SideFolder::Print, ids::kFolderPrint, {}},
                                        {SideFolder::Test, ids::kFolderTest, {}},
                                        {SideFolder::Beam, ids::kFolderBeam, {}}};
    for (SideFolderModel& folder : bar) {
        std::vector<const CommandRow*> rows;
        for (const CommandRow& row : CommandTable()) {
            const bool shown = row.sideShown == SideShown::Always || intercommunication < 1;
            if (row.folder == folder.folder && shown) {
                rows.push_back(&row);
            }
        }
        std::sort(rows.begin(), rows.end(), [](const CommandRow* a, const CommandRow* b) {
            return a->sideItem < b->sideItem;
        });
        for (const CommandRow* row : rows) {
            folder.items.push_back({row->id, row->sideTextId, row->sideWordId});
        }
    }
    return bar;
}

int SideItemCommand(const std::vector<SideFolderModel>& bar, int folder, int index)
{
    for (const SideFolderModel& f : bar) {
        if (static_cast<int>(f.folder) == folder) {
            if (index < 0 || index >= static_cast<int>(f.items.size())) {
                return 0;
            }
            return f.items[static_cast<size_t>(index)].id;
        }
    }
    return 0;
}

}  // namespace tavolux
