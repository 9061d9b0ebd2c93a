// The configuration as name/value texts in the order of the model, for dumps and tests.
#include "config/ConfigFields.h"
#include "config/PrinterConfig.h"

namespace tavolux {

std::vector<std::pair<std::string, std::string>> DescribeConfig(const CPrinterConfig& config)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const ConfigField& f : ConfigFields()) {
        out.emplace_back(f.name, FieldText(config, f, false));
    }
    return out;
}

}  // namespace tavolux
