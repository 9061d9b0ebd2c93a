// The usage of every command of the command-line tool, in one table: the synopsis shown with a
// usage error and the option notes shown by help.
#pragma once

#include <array>
#include <iosfwd>
#include <string_view>

namespace tavolux::cli {

struct CommandUsageEntry {
    std::string_view name;       // the command's first word
    const char* synopsis;        // "usage: ..." lines, the last without a line break
    const char* options;         // what the words and options mean, for help
    bool printSettings = false;  // takes --print-type and --mask-mode: help lists both
};

inline constexpr std::array kCommandUsage = {
    CommandUsageEntry{"config",
                      "usage: tavolux-cli config dump|save|save-printer-type\n"
                      "       tavolux-cli config get SECTION KEY\n"
                      "       tavolux-cli config set SECTION KEY VALUE",
                      "  dump               print every configuration field and whether it loaded\n"
                      "  save               load, then save the operator and calibration keys\n"
                      "  save-printer-type  load, then save the printer-type keys and lists\n"
                      "  get SECTION KEY    print one value of tavolux.ini\n"
                      "  set SECTION KEY V  write one value of tavolux.ini\n"},
    CommandUsageEntry{
        "monitor", "usage: tavolux-cli monitor [--seconds N]",
        "  --seconds N  stop after N seconds (default: until Ctrl+C)\n"
        "Prints the machine state, the state line's notices, the printer's replies, the\n"
        "head temperatures, UV lamp, front beam and head voltages whenever they change, and\n"
        "the keys pressed on the printer's panel.\n"},
    CommandUsageEntry{
        "send", "usage: tavolux-cli send OPERATION [ARG] [--data HEX]",
        "  OPERATION   an operation number or name (listed below)\n"
        "  ARG         the operation's argument, decimal or 0x hex\n"
        "  --data HEX  a block operation's bytes (marked below): \"0a 0b\" or \"0a0b\"\n"
        "Prints the bytes written and the operation's result.\n"},
    CommandUsageEntry{"log", "usage: tavolux-cli log decode FILE",
                      "  decode FILE  turn a Command.txt into readable lines\n"},
    CommandUsageEntry{
        "preview",
        "usage: tavolux-cli preview FILE [--mode auto|2|4|8] [--view WxH] --out PREVIEW.png",
        "  --mode M    preview bits per pixel, auto by default\n"
        "  --view WxH  the view the preview is zoomed into (default 800x600)\n"
        "  --out FILE  the PNG to write\n"},
    CommandUsageEntry{
        "tasks",
        "usage: tavolux-cli tasks list|save\n"
        "       tavolux-cli tasks add FILE [--mode auto|2|4|8] [--view WxH]\n"
        "       tavolux-cli tasks remove N",
        "  list          print the task list (Works/Tasks.dat) under a header row\n"
        "  save          mark every task saved and write Tasks.dat\n"
        "  add FILE      add a RIP file as a task, with its thumbnail, and save\n"
        "  remove N      delete task N (as \"tasks list\" numbers them) and its thumbnail\n"},
    CommandUsageEntry{
        "rip",
        "usage: tavolux-cli rip info FILE\n"
        "       tavolux-cli rip make OUT.prn --width PX --height LINES --planes N --xres DPI "
        "--yres DPI\n"
        "                            [--pattern gradient|random|text|sample|blank-margins] "
        "[--seed S]",
        "  info FILE  print a RIP file's header and whether it is complete\n"
        "  make OUT   write a sample RIP file\n"},
    CommandUsageEntry{
        "passes",
        "usage: tavolux-cli passes FILE [--print-type I] [--mask-mode M] [--from-line N] "
        "[--passes P]\n"
        "                          [--dump DIR]",
        "  --print-type I  the print type (listed below; default: the configured one)\n"
        "  --mask-mode M   the mask mode (listed below; default: the print type's)\n"
        "  --from-line N   start at image line N, as a resumed print does\n"
        "  --passes P      try another pass count than the print type's\n"
        "  --dump DIR      write each pass and passes.csv into DIR\n"
        "Lists the passes that print FILE with the same options would send.\n",
        true},
    CommandUsageEntry{
        "print",
        "usage: tavolux-cli print FILE [--copies N] [--print-type I] [--mask-mode M] "
        "[--from-line N]\n"
        "                              [--force-resolution] [--allow-incomplete] "
        "[--media-out DIR]\n"
        "       tavolux-cli print --task N [--force-resolution] [--allow-incomplete] "
        "[--media-out DIR]",
        "  --copies N          copies to print (default 1)\n"
        "  --print-type I      the print type (listed below; default: the configured one)\n"
        "  --mask-mode M       the mask mode (listed below; default: the print type's)\n"
        "  --from-line N       print from image line N on (the rest of a stopped print)\n"
        "  --force-resolution  print a file whose resolution differs from the print type's\n"
        "  --allow-incomplete  print a file that holds fewer lines than its header says\n"
        "  --media-out DIR     with --printer virtual: write the printed sheet into DIR\n"
        "  --task N            print task N of the task list with its stored settings\n"
        "Ctrl+C stops the print and shows the command that prints the rest.\n",
        true},
    CommandUsageEntry{
        "chart",
        "usage: tavolux-cli chart list\n"
        "       tavolux-cli chart NAME [--speed S] [--pass-mode M] [--xres R] [--media-out DIR] "
        "[--dry-run]",
        "  list             the charts of the configured printer: name, test index, passes,\n"
        "                   runner\n"
        "  NAME             the chart to print (as chart list names it)\n"
        "  --speed S        the speed entry (default: the configured Speed)\n"
        "  --pass-mode M    the ToTalPassList entry of the step charts (default 0)\n"
        "  --xres R         the horizontal resolution of the calibration charts\n"
        "  --media-out DIR  with --printer virtual: write the printed sheet into DIR\n"
        "  --dry-run        list the passes (rows drawn per channel, feed) without a printer\n"
        "Ctrl+C stops the chart.\n"},
};

// The entry of a command; null when there is no such command.
constexpr const CommandUsageEntry* FindCommandUsage(std::string_view name)
{
    for (const auto& entry : kCommandUsage) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

// The synopsis of a command (empty for an unknown one); usable in constant expressions.
constexpr const char* CommandUsage(std::string_view name)
{
    for (const auto& entry : kCommandUsage) {
        if (entry.name == name) {
            return entry.synopsis;
        }
    }
    return "";
}

// The whole tool's usage: global options and every command's synopsis.
void WriteToolUsage(std::ostream& out);

}  // namespace tavolux::cli
