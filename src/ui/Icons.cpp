// Each icon is a 24-unit square; shapes only, since the SVG reader draws no text.
#include "ui/Icons.h"

#include <string>
#include <utility>

namespace tavolux::ui {

namespace {

#define SVG_OPEN \
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">)"
#define SVG_CLOSE "</svg>"

constexpr std::pair<std::string_view, std::string_view> kIcons[] = {
    {"open", SVG_OPEN
     R"(<path d="M2 6h7l2 2h11v12H2z" fill="#e8b53a" stroke="#8a6412" stroke-width="1.2"/>)"
     R"(<path d="M2 11h20l-2 9H4z" fill="#f5d06b" stroke="#8a6412" stroke-width="1.2"/>)" SVG_CLOSE},
    {"save",
     SVG_OPEN R"(<path d="M3 3h15l3 3v15H3z" fill="#3a6fc4" stroke="#1d3d73" stroke-width="1.2"/>)"
              R"(<rect x="6" y="3.6" width="10" height="6" fill="#e9eef7"/>)"
              R"(<rect x="6" y="13" width="12" height="7" fill="#ffffff"/>)" SVG_CLOSE},
    {"uv-lamp", SVG_OPEN
     R"(<circle cx="12" cy="12" r="5" fill="#8e44ad" stroke="#4a1d63" stroke-width="1.2"/>)"
     R"(<path d="M12 1v4M12 19v4M1 12h4M19 12h4M4 4l3 3M17 17l3 3M4 20l3-3M17 7l3-3" )"
     R"(stroke="#8e44ad" stroke-width="2" stroke-linecap="round"/>)" SVG_CLOSE},
    {"settings", SVG_OPEN
     R"(<path d="M12 2l2 3 3-1 1 3 3 1-1 3 3 2-3 2 1 3-3 1-1 3-3-1-2 3-2-3-3 1-1-3-3-1 1-3-3-2 )"
     R"(3-2-1-3 3-1 1-3 3 1z" fill="#7f8c8d" stroke="#3d4648" stroke-width="1"/>)"
     R"(<circle cx="12" cy="12" r="3.5" fill="#ecf0f1" stroke="#3d4648"/>)" SVG_CLOSE},
    {"flash", SVG_OPEN
     R"(<path d="M14 1L4 14h7l-2 9 11-13h-7z" fill="#f1c40f" stroke="#9a7d0a" stroke-width="1.2"/>)" SVG_CLOSE},
    {"flash-return", SVG_OPEN
     R"(<path d="M11 2L4 11h5l-1.5 6L15 8h-5z" fill="#f1c40f" stroke="#9a7d0a"/>)"
     R"(<path d="M20 12v5a3 3 0 0 1-3 3H9" fill="none" stroke="#2c7a3f" stroke-width="2"/>)"
     R"(<path d="M11 17l-4 3 4 3z" fill="#2c7a3f"/>)" SVG_CLOSE},
    {"clean",
     SVG_OPEN R"(<path d="M12 2C9 7 5 11 5 15a7 7 0 0 0 14 0c0-4-4-8-7-13z" fill="#2e9fd8" )"
              R"(stroke="#175a7d" stroke-width="1.2"/><path d="M8.5 15a3.5 3.5 0 0 0 3.5 3.5" )"
              R"(fill="none" stroke="#ffffff" stroke-width="1.5"/>)" SVG_CLOSE},
    {"go-up", SVG_OPEN
     R"(<path d="M12 3l8 9h-5v9H9v-9H4z" fill="#27ae60" stroke="#145a32" stroke-width="1.2"/>)" SVG_CLOSE},
    {"go-down", SVG_OPEN
     R"(<path d="M12 21l8-9h-5V3H9v9H4z" fill="#27ae60" stroke="#145a32" stroke-width="1.2"/>)" SVG_CLOSE},
    {"go-left", SVG_OPEN
     R"(<path d="M3 12l9-8v5h9v6h-9v5z" fill="#27ae60" stroke="#145a32" stroke-width="1.2"/>)" SVG_CLOSE},
    {"go-right", SVG_OPEN
     R"(<path d="M21 12l-9-8v5H3v6h9v5z" fill="#27ae60" stroke="#145a32" stroke-width="1.2"/>)" SVG_CLOSE},
    {"help", SVG_OPEN
     R"(<circle cx="12" cy="12" r="10" fill="#3a6fc4" stroke="#1d3d73" stroke-width="1.2"/>)"
     R"(<path d="M8.5 9a3.5 3.5 0 1 1 5 3c-1 .6-1.5 1.2-1.5 2.5" fill="none" stroke="#ffffff" )"
     R"(stroke-width="2.2" stroke-linecap="round"/><circle cx="12" cy="18" r="1.4" )"
     R"(fill="#ffffff"/>)" SVG_CLOSE},
    {"option-origin",
     SVG_OPEN R"(<rect x="3" y="3" width="18" height="18" fill="#ffffff" stroke="#555555"/>)"
              R"(<path d="M3 21V11M3 21h10" stroke="#c0392b" stroke-width="3"/>)"
              R"(<circle cx="3.5" cy="20.5" r="2.5" fill="#c0392b"/>)" SVG_CLOSE},
    {"option-strip",
     SVG_OPEN R"(<rect x="3" y="3" width="18" height="18" fill="#ffffff" stroke="#555555"/>)"
              R"(<rect x="4" y="4" width="3" height="16" fill="#00a0e0"/>)"
              R"(<rect x="7" y="4" width="3" height="16" fill="#e0007a"/>)"
              R"(<rect x="10" y="4" width="3" height="16" fill="#f0d000"/>)"
              R"(<rect x="13" y="4" width="3" height="16" fill="#222222"/>)" SVG_CLOSE},
    {"option-skip-blank", SVG_OPEN
     R"(<rect x="3" y="3" width="18" height="5" fill="#555555"/>)"
     R"(<rect x="3" y="16" width="18" height="5" fill="#555555"/>)"
     R"(<path d="M12 8.5v7M9 12.5l3 3 3-3" fill="none" stroke="#27ae60" stroke-width="2"/>)" SVG_CLOSE},
    {"option-auto-flash", SVG_OPEN
     R"(<circle cx="12" cy="12" r="10" fill="none" stroke="#2c7a3f" stroke-width="2"/>)"
     R"(<path d="M13 4l-6 9h4l-1 7 7-10h-4z" fill="#f1c40f" stroke="#9a7d0a"/>)" SVG_CLOSE},
    {"unassigned", SVG_OPEN
     R"(<circle cx="12" cy="12" r="9" fill="#bdc3c7" stroke="#7f8c8d" stroke-width="1.5"/>)"
     R"(<rect x="6.5" y="10.5" width="11" height="3" rx="1" fill="#ffffff"/>)" SVG_CLOSE},
};

#undef SVG_OPEN
#undef SVG_CLOSE

}  // namespace

std::string_view IconSvg(std::string_view name)
{
    for (const auto& [key, svg] : kIcons) {
        if (key == name) {
            return svg;
        }
    }
    return {};
}

wxBitmapBundle IconBundle(std::string_view name)
{
    const std::string_view svg = IconSvg(name);
    if (svg.empty()) {
        return {};
    }
    // The reader parses in place, so it gets a copy of its own.
    std::string text(svg);
    return wxBitmapBundle::FromSVG(text.data(), wxSize(24, 24));
}

}  // namespace tavolux::ui
