// The options of a command of the command-line tool: each command declares its options and
// the words it takes, and one walk over the words reads them all and stops at the first word it
// cannot take.
#pragma once

#include <climits>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavolux::cli {

// The whole text as a decimal number; false when anything else is in it.
bool ParseWholeNumber(const std::string& text, int& value);
bool ParseWholeNumber(const std::string& text, long long& value);

// Takes a value that needs more than a number (a list of choices, "WxH"); false refuses it.
using OptionValueTaker = std::function<bool(const std::string& value)>;

// One option, its kind given by its target: a flag (bool) stands alone; an int, a long, a
// text or a value the command checks itself takes the next word.
struct OptionSpec {
    std::string_view name;  // with its dashes: "--copies"
    std::variant<bool*, int*, long long*, std::string*, OptionValueTaker> target;
    // A number outside [least, most] is refused with rangeMessage (a string id), or, without
    // one, as a bad value.
    long long least = LLONG_MIN;
    long long most = LLONG_MAX;
    int rangeMessage = 0;
};

// Where a walk stopped.
struct OptionError {
    enum class Kind {
        None,        // every word was taken
        Unknown,     // word is no option of the command and no word it takes
        NoValue,     // option is the last word and needs a value
        BadValue,    // value is no value of option
        OutOfRange,  // value is a number outside option's range; rangeMessage says which
    };
    Kind kind = Kind::None;
    std::string option;  // the option, or for Unknown the word
    std::string value;
    int rangeMessage = 0;

    explicit operator bool() const { return kind != Kind::None; }
    // The word the walk stopped at: the unknown word, the option without a value, or the value.
    const std::string& Word() const
    {
        return kind == Kind::Unknown || kind == Kind::NoValue ? option : value;
    }
};

class COptionParser {
public:
    explicit COptionParser(std::vector<OptionSpec> options);

    // Words that are not options go to take, wherever they stand; false makes one unknown.
    // Without it every word that is not an option is unknown.
    COptionParser& Positional(OptionValueTaker take);

    // Reads args from first on. Values are stored as they are read, so a failed walk may have
    // stored those before the word it stopped at.
    OptionError Parse(const std::vector<std::string>& args, size_t first = 0);

    // What the last walk met: whether an option came, the options with values in the order they
    // came (repeats included), the flags in the order they came.
    bool Given(std::string_view name) const;
    const std::vector<std::string>& ValuesGiven() const { return m_values; }
    const std::vector<std::string>& FlagsGiven() const { return m_flags; }

private:
    const OptionSpec* Find(const std::string& word) const;
    OptionError Take(const OptionSpec& option, const std::string& value) const;

    std::vector<OptionSpec> m_options;
    OptionValueTaker m_positional;
    std::vector<std::string> m_values;
    std::vector<std::string> m_flags;
};

}  // namespace tavolux::cli
