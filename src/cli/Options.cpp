// One walk over a command's words for every command of the command-line tool.
#include "cli/Options.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <utility>

namespace tavolux::cli {

namespace {

template <typename T>
bool ParseWhole(const std::string& text, T& value)
{
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end;
}

template <typename T>
OptionError TakeNumber(const OptionSpec& option, const std::string& value, T* target)
{
    OptionError error{OptionError::Kind::None, std::string(option.name), value, 0};
    if (!ParseWhole(value, *target)) {
        error.kind = OptionError::Kind::BadValue;
    } else if (*target < option.least || *target > option.most) {
        error.kind =
            option.rangeMessage != 0 ? OptionError::Kind::OutOfRange : OptionError::Kind::BadValue;
        error.rangeMessage = option.rangeMessage;
    }
    return error;
}

}  // namespace

bool ParseWholeNumber(const std::string& text, int& value)
{
    return ParseWhole(text, value);
}

bool ParseWholeNumber(const std::string& text, long long& value)
{
    return ParseWhole(text, value);
}

COptionParser::COptionParser(std::vector<OptionSpec> options) : m_options(std::move(options)) {}

COptionParser& COptionParser::Positional(OptionValueTaker take)
{
    m_positional = std::move(take);
    return *this;
}

const OptionSpec* COptionParser::Find(const std::string& word) const
{
    const auto it = std::find_if(m_options.begin(), m_options.end(),
                                 [&word](const OptionSpec& o) { return o.name == word; });
    return it == m_options.end() ? nullptr : &*it;
}

OptionError COptionParser::Take(const OptionSpec& option, const std::string& value) const
{
    if (auto* const* i = std::get_if<int*>(&option.target)) {
        return TakeNumber(option, value, *i);
    }
    if (auto* const* l = std::get_if<long long*>(&option.target)) {
        return TakeNumber(option, value, *l);
    }
    if (auto* const* s = std::get_if<std::string*>(&option.target)) {
        **s = value;
        return {};
    }
    const auto& take = std::get<OptionValueTaker>(option.target);
    if (!take(value)) {
        return OptionError{OptionError::Kind::BadValue, std::string(option.name), value, 0};
    }
    return {};
}

bool COptionParser::Given(std::string_view name) const
{
    return std::find(m_values.begin(), m_values.end(), name) != m_values.end() ||
           std::find(m_flags.begin(), m_flags.end(), name) != m_flags.end();
}

OptionError COptionParser::Parse(const std::vector<std::string>& args, size_t first)
{
    m_values.clear();
    m_flags.clear();
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& word = args[i];
        const OptionSpec* option = Find(word);
        if (option == nullptr) {
            if (!m_positional || !m_positional(word)) {
                return OptionError{OptionError::Kind::Unknown, word, {}, 0};
            }
            continue;
        }
        if (bool* const* flag = std::get_if<bool*>(&option->target)) {
            **flag = true;
            m_flags.push_back(word);
            continue;
        }
        // An unknown word is named as such even as the last word; only a known option can
        // miss its value.
        if (i + 1 >= args.size()) {
            return OptionError{OptionError::Kind::NoValue, word, {}, 0};
        }
        if (OptionError error = Take(*option, args[++i])) {
            return error;
        }
        m_values.push_back(word);
    }
    return {};
}

}  // namespace tavolux::cli
