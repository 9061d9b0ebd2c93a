// Private-profile reader and writer on an in-memory copy of the file.
#include "config/IniFile.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/NumberText.h"
#include "platform/UiFacade.h"
#include "res/FileErrorText.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

std::string_view Trim(std::string_view s)
{
    size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) {
        ++b;
    }
    size_t e = s.size();
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) {
        --e;
    }
    return s.substr(b, e - b);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    // ASCII folding only: keys are ASCII, and a UTF-8 byte must not change with the locale.
    auto fold = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u | 0x20U) : u;
    };
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// Cuts to at most limit bytes without splitting a UTF-8 sequence.
std::string_view CutUtf8(std::string_view s, size_t limit)
{
    if (s.size() <= limit) {
        return s;
    }
    size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) {
        --n;
    }
    return s.substr(0, n);
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// The value as written after "key=": in double quotes when the reader would otherwise take
// something off it (surrounding blanks, or quotes of its own at both ends).
std::string StoredValue(std::string_view value)
{
    const bool blankEdge = !value.empty() && (Trim(value).size() != value.size());
    const bool quotedEdge = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front();
    if (blankEdge || quotedEdge) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

}  // namespace

CIniFile::CIniFile(const std::filesystem::path& programDir)
{
    m_path = programDir / kConfigFileName;
    if (ReadFromDisk()) {
        m_open = true;
        return;
    }
    if (m_readResult == FileReadResult::TooLarge) {
        GetUi().ShowMessage(LoadResString(ids::kConfigTooLarge) + " " + m_path.string(),
                            MessageIcon::Error);
        return;
    }
    if (m_readResult == FileReadResult::Missing || m_readResult == FileReadResult::NotRegular) {
        GetUi().ShowMessage(LoadResString(ids::kConfigOpenError), MessageIcon::Error);
        GetUi().ExitProgram(0);
    }
    // A facade that cannot exit, or a file that cannot be read, leaves this object closed.
}

CIniFile CIniFile::OpenFile(const std::filesystem::path& path, bool mustExist)
{
    CIniFile ini;
    ini.m_path = path;
    if (ini.ReadFromDisk()) {
        ini.m_open = true;
    } else if (ini.m_readResult == FileReadResult::Missing) {
        ini.m_open = !mustExist;
    }
    return ini;
}

bool CIniFile::ReadFromDisk()
{
    std::string text;
    m_readResult = ReadRegularFile(m_path, text, kMaxIniFileBytes);
    if (m_readResult != FileReadResult::Ok) {
        return false;
    }
    Parse(text);
    m_existed = true;
    return true;
}

CIniFile CIniFile::FromText(const std::filesystem::path& path, std::string_view text)
{
    CIniFile ini;
    ini.m_path = path;
    ini.Parse(text);
    ini.m_open = true;
    ini.m_memoryOnly = true;
    return ini;
}

CIniFile::CIniFile(CIniFile&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_lines(std::move(other.m_lines)),
      m_eol(std::move(other.m_eol)),
      m_bom(other.m_bom),
      m_open(other.m_open),
      m_dirty(std::exchange(other.m_dirty, false)),
      m_memoryOnly(other.m_memoryOnly),
      m_refused(std::exchange(other.m_refused, 0)),
      m_existed(other.m_existed),
      m_readResult(other.m_readResult),
      m_pending(std::exchange(other.m_pending, {}))
{
}

CIniFile& CIniFile::operator=(CIniFile&& other) noexcept
{
    if (this != &other) {
        if (m_dirty && !m_memoryOnly) {
            Flush();
        }
        m_path = std::move(other.m_path);
        m_lines = std::move(other.m_lines);
        m_eol = std::move(other.m_eol);
        m_bom = other.m_bom;
        m_open = other.m_open;
        m_dirty = std::exchange(other.m_dirty, false);
        m_memoryOnly = other.m_memoryOnly;
        m_refused = std::exchange(other.m_refused, 0);
        m_existed = other.m_existed;
        m_readResult = other.m_readResult;
        m_pending = std::exchange(other.m_pending, {});
    }
    return *this;
}

CIniFile::~CIniFile()
{
    if (m_dirty && !m_memoryOnly) {
        Flush();
    }
}

CIniFile::Line CIniFile::ClassifyLine(std::string text)
{
    Line line;
    line.text = std::move(text);
    std::string_view t = Trim(line.text);
    if (t.empty() || t[0] == ';' || t[0] == '#') {
        return line;
    }
    if (t[0] == '[') {
        size_t close = t.find(']');
        line.isSection = true;
        line.name =
            std::string(Trim(t.substr(1, close == std::string_view::npos ? npos : close - 1)));
        return line;
    }
    size_t eq = line.text.find('=');
    if (eq == std::string::npos) {
        return line;
    }
    std::string_view key = Trim(std::string_view(line.text).substr(0, eq));
    if (key.empty()) {
        return line;
    }
    line.isKey = true;
    line.name = std::string(key);
    line.valueStart = eq + 1;
    return line;
}

void CIniFile::Parse(std::string_view text)
{
    m_lines.clear();
    m_bom = false;
    // One line object per line, allocated once: a file of blank lines must not cost a
    // multiple of its size in reallocations.
    m_lines.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        m_bom = true;
        text.remove_prefix(3);
    }
    size_t firstBreak = text.find('\n');
    m_eol = (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r')
                ? "\r\n"
                : "\n";
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view raw = text.substr(pos, end - pos);
        // Only the file's own line break is taken off: a stray carriage return in a file of
        // bare line feeds stays in the line, so that the text is written back as it was read
        // instead of losing one more carriage return at every save.
        if (m_eol.size() == 2 && !raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        m_lines.push_back(ClassifyLine(std::string(raw)));
        pos = end + 1;
    }
}

size_t CIniFile::FindSection(std::string_view section) const
{
    std::string_view wanted = Trim(section);
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].isSection && EqualNoCase(m_lines[i].name, wanted)) {
            return i;
        }
    }
    return npos;
}

size_t CIniFile::FindKey(size_t sectionLine, std::string_view key) const
{
    std::string_view wanted = Trim(key);
    for (size_t i = sectionLine + 1; i < m_lines.size() && !m_lines[i].isSection; ++i) {
        if (m_lines[i].isKey && EqualNoCase(m_lines[i].name, wanted)) {
            return i;
        }
    }
    return npos;
}

bool CIniFile::HasKey(std::string_view section, std::string_view key) const
{
    size_t s = FindSection(section);
    return s != npos && FindKey(s, key) != npos;
}

std::string CIniFile::GetString(std::string_view section, std::string_view key) const
{
    size_t s = FindSection(section);
    if (s == npos) {
        return {};
    }
    size_t k = FindKey(s, key);
    if (k == npos) {
        return {};
    }
    std::string_view value = Trim(std::string_view(m_lines[k].text).substr(m_lines[k].valueStart));
    // A value in matching quotes is read without them, as the platform's reader does.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(CutUtf8(value, kIniValueLimit));
}

int CIniFile::GetInt(std::string_view section, std::string_view key) const
{
    std::string value = GetString(section, key);
    if (value.empty()) {
        return -1;
    }
    return ParseLeadingInt(value);
}

bool CIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string_view sec = Trim(section);
    std::string_view k = Trim(key);
    if (!m_open || sec.empty() || k.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || k.find('=') != std::string_view::npos || k[0] == '[' ||
        k[0] == ';' || k[0] == '#' || sec.find(']') != std::string_view::npos) {
        ++m_refused;
        return false;
    }
    // Kept for the flush, which puts it onto the file as it is on disk then.
    m_pending.push_back({std::string(sec), std::string(k), std::string(value)});
    m_dirty = true;
    Apply(sec, k, value);
    return true;
}

void CIniFile::Apply(std::string_view sec, std::string_view k, std::string_view value)
{
    std::string newLine = std::string(k) + "=" + StoredValue(value);
    size_t s = FindSection(sec);
    if (s == npos) {
        // A new section goes at the end, after a blank line when the file has content.
        if (!m_lines.empty() && !Trim(m_lines.back().text).empty()) {
            m_lines.push_back(ClassifyLine(""));
        }
        m_lines.push_back(ClassifyLine("[" + std::string(sec) + "]"));
        m_lines.push_back(ClassifyLine(newLine));
        return;
    }
    size_t existing = FindKey(s, k);
    if (existing != npos) {
        if (m_lines[existing].text != newLine) {
            m_lines[existing] = ClassifyLine(newLine);
        }
        return;
    }
    // A new key goes after the last non-blank line of its section, so blank lines that
    // separate sections stay where they are.
    size_t insertAt = s + 1;
    for (size_t i = s + 1; i < m_lines.size() && !m_lines[i].isSection; ++i) {
        if (!Trim(m_lines[i].text).empty()) {
            insertAt = i + 1;
        }
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), ClassifyLine(newLine));
}

bool CIniFile::WriteInt(std::string_view section, std::string_view key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

std::string CIniFile::Text() const
{
    std::string out;
    if (m_bom) {
        out += "\xEF\xBB\xBF";
    }
    for (const Line& line : m_lines) {
        out += line.text;
        out += m_eol;
    }
    return out;
}

std::vector<std::string> CIniFile::SectionNames() const
{
    std::vector<std::string> names;
    for (const Line& line : m_lines) {
        if (line.isSection) {
            names.push_back(line.name);
        }
    }
    return names;
}

bool CIniFile::Flush(std::string* error)
{
    const int refused = std::exchange(m_refused, 0);
    if (refused > 0 && error) {
        *error =
            FormatResString(ids::kIniValuesRefused, {std::to_string(refused), m_path.string()});
    }
    // A failed write is reported once: the destructor must not wait for the lock again.
    const bool dirty = std::exchange(m_dirty, false);
    if (!dirty || m_memoryOnly) {
        m_pending.clear();
        return refused == 0;
    }
    if (!m_open) {
        if (error) {
            *error = FormatResString(ids::kIniNotOpen, {m_path.string()});
        }
        m_pending.clear();
        return false;
    }
    const bool written = WriteLocked(refused > 0 ? nullptr : error);
    m_pending.clear();
    return written && refused == 0;
}

bool CIniFile::WriteLocked(std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    CFileLock lock(m_path);
    if (!lock.Locked()) {
        return fail(lock.TimedOut() ? LoadResString(ids::kFileBusy) + " " + m_path.string()
                                    : FileErrorText(lock.Failure()));
    }
    // Another program may have written the file since we read it: its keys stay, ours go
    // on top of them.
    std::string text;
    switch (ReadRegularFile(m_path, text, kMaxIniFileBytes)) {
        case FileReadResult::Ok:
            Parse(text);
            break;
        case FileReadResult::Missing:
            if (m_existed) {
                // Removed behind our back: writing only our keys would pass for the whole file.
                return fail(LoadResString(ids::kConfigOpenError) + " " + m_path.string());
            }
            m_lines.clear();
            break;
        case FileReadResult::TooLarge:
            return fail(LoadResString(ids::kConfigTooLarge) + " " + m_path.string());
        case FileReadResult::NotRegular:
            return fail(LoadResString(ids::kNotRegularFile) + " " + m_path.string());
        case FileReadResult::Failed:
            return fail(FormatResString(ids::kFileCannotRead, {m_path.string()}));
    }
    for (const PendingWrite& w : m_pending) {
        Apply(w.section, w.key, w.value);
    }
    // Under the lock no other writer is between its temporary file and the rename.
    RemoveStaleTemporaries(ResolveWriteTarget(m_path), std::chrono::seconds(0));
    FileError failure;
    if (!AtomicWriteFile(m_path, Text(), failure)) {
        return fail(FileErrorText(failure));
    }
    m_existed = true;
    return true;
}

}  // namespace tavolux
